// Metafile bytes from anywhere: the parser must classify them, and what it
// accepts must play without reading outside the file or the target.
#include <cstring>

#include "fuzz_targets.h"
#include "zelt/display.h"

namespace zelt::fuzz {

void PlayMetafileBytes(const std::uint8_t *data, std::size_t size) {
    // The parser may rewrite a mapping-mode record in place: give it a copy.
    auto *copy = new std::uint8_t[size + 1];
    if (size != 0) std::memcpy(copy, data, size);
    MetaBitmap meta{};
    if (Z_ParseMetaBits(copy, static_cast<DWORD>(size), &meta, 1) == STATUS_OK) {
        MetaBitmap info{};
        Z_GetMetafileInfo(meta.Handle, &info);
        // 64 pixels wide at the picture's aspect, at most 256 high: a file
        // claiming a huge natural size must not turn into a huge record.
        const LONG naturalWidth = info.DeviceExtX != 0 ? info.DeviceExtX : info.WindowExtX;
        const LONG naturalHeight = info.DeviceExtY != 0 ? info.DeviceExtY : info.WindowExtY;
        int height = naturalWidth > 0 && naturalHeight > 0 ? MulDiv(64, naturalHeight, naturalWidth) : 48;
        height = height < 1 ? 1 : height > 256 ? 256 : height;
        BitmapRecord bitmap{};
        if (Z_ConvertFromMetafile(&bitmap, meta.Handle, 64, height) == STATUS_OK) KrnFreeBitmap(&bitmap);
        Z_DeleteMetaBitmap(&meta);
    }
    delete[] copy;
}

}  // namespace zelt::fuzz
