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
        // A width of 64 keeps the picture's aspect and bounds the work a
        // file claiming a huge natural size could cause.
        BitmapRecord bitmap{};
        if (info.DeviceExtY < 64 * 64 && info.WindowExtY < 64 * 64 &&
            Z_ConvertFromMetafile(&bitmap, meta.Handle, 64, 0) == STATUS_OK)
            KrnFreeBitmap(&bitmap);
        Z_DeleteMetaBitmap(&meta);
    }
    delete[] copy;
}

}  // namespace zelt::fuzz
