// Reading metafiles: what a descriptor records about a handle or about raw
// bytes, shared by the meta bitmap, playback and clipboard exports.
#pragma once

#include "zelt/display.h"

namespace interchange {

// Bytes of an enhanced metafile header the library reads (all fields up to
// the OpenGL flag).
inline constexpr UINT kEnhancedHeaderBytes = 100;

// Fills the descriptor of an enhanced metafile from its header: natural
// size of the frame on the reference device and that device's resolution.
void DescribeEnhanced(HENHMETAFILE metafile, const ENHMETAHEADER &header, MetaBitmap *info);

}  // namespace interchange

// The pixel size of a clipboard metafile picture on a screen of the given
// resolution. For MM_ISOTROPIC and MM_ANISOTROPIC a zero extent is first
// replaced in the picture (640 wide, 480 high).
SIZE MetafilePictSize(METAFILEPICT *picture, int logPixelsX, int logPixelsY);
