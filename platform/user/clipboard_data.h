// What the clipboard knows about the data of each format: how the data is
// released when the clipboard lets it go, and which formats it can make
// from which (the synthesised formats).
#pragma once

#include "zelt/win32.h"

namespace zelt::platform {

// Frees data the clipboard owns, the way its format holds it: GlobalFree,
// DeleteObject, DeleteEnhMetaFile, or (CF_METAFILEPICT) the metafile and
// then the block. Private formats are their owner's to free.
void ReleaseClipboardData(UINT format, HANDLE data) noexcept;

// A format the clipboard makes when the clipboard closes with none of it
// placed but one of `sources` placed (the first one present is used). A
// palette is made only from a DIB that has a colour table.
struct SynthesisRule {
    UINT target;
    UINT sources[2];
    bool needsColourTable;
};
extern const SynthesisRule kSynthesisRules[6];

// Makes `target` data from `source` data; NULL when it cannot (bad input,
// no memory). The result is new: the caller owns it.
HANDLE RenderSynthesised(UINT target, UINT source, HANDLE sourceData) noexcept;

// The conversions themselves (clipboard_synthesis.cpp, clipboard_metafile.cpp).
HGLOBAL DibFromBitmap(HBITMAP bitmap) noexcept;
HBITMAP BitmapFromDib(HGLOBAL dib) noexcept;
HGLOBAL DibV5FromDib(HGLOBAL dib) noexcept;
HGLOBAL DibFromDibV5(HGLOBAL dibV5) noexcept;
HPALETTE PaletteFromDib(HGLOBAL dib) noexcept;
bool DibHasColourTable(HGLOBAL dib) noexcept;
HGLOBAL PictureFromEnhMetaFile(HENHMETAFILE emf) noexcept;
HENHMETAFILE EnhMetaFileFromPicture(HGLOBAL picture) noexcept;

}  // namespace zelt::platform
