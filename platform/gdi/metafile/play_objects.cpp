#include "gdi/metafile/play_objects.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "base/allocator.h"
#include "gdi/bitmap.h"

namespace zelt::platform {

HPALETTE CreateRecordPalette(ByteView entries, UINT count) noexcept {
    if (count == 0 || count > 0xFFFF || !entries.Has(0, std::size_t{count} * sizeof(PALETTEENTRY))) return nullptr;
    ByteBuffer block;
    if (!block.Reset(offsetof(LOGPALETTE, palPalEntry) + std::size_t{count} * sizeof(PALETTEENTRY))) return nullptr;
    auto *palette = reinterpret_cast<LOGPALETTE *>(block.Data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    std::memcpy(palette->palPalEntry, entries.Data(), std::size_t{count} * sizeof(PALETTEENTRY));
    return CreatePalette(palette);
}

HBRUSH CreateRecordBrush(UINT style, COLORREF colour, ULONG_PTR hatch) noexcept {
    LOGBRUSH brush{style, colour, hatch};
    if (style != BS_SOLID && style != BS_NULL && style != BS_HATCHED) brush = LOGBRUSH{BS_SOLID, 0, 0};
    // An unknown hatch gives a solid brush of the hatch colour.
    if (style == BS_HATCHED && hatch > HS_DIAGCROSS) brush = LOGBRUSH{BS_SOLID, colour, 0};
    return CreateBrushIndirect(&brush);
}

HBRUSH CreateMonoPatternBrush(int width, int height, std::size_t rowBytes, bool bottomUp, ByteView rows) noexcept {
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return nullptr;
    if (rowBytes == 0 || !rows.Has(0, rowBytes * static_cast<std::size_t>(height))) return nullptr;
    // CreateBitmap takes WORD-aligned rows, the top one first.
    const std::size_t ddbRow = static_cast<std::size_t>(BitmapObject::RowBytes(width, 1));
    ByteBuffer bits;
    if (!bits.Reset(ddbRow * static_cast<std::size_t>(height))) return nullptr;
    for (int y = 0; y < height; ++y) {
        const int from = bottomUp ? height - 1 - y : y;
        std::memcpy(bits.Data() + ddbRow * static_cast<std::size_t>(y), rows.Data() + rowBytes * static_cast<std::size_t>(from),
                    std::min(ddbRow, rowBytes));
    }
    HBITMAP bitmap = CreateBitmap(width, height, 1, 1, bits.Data());
    if (bitmap == nullptr) return nullptr;
    HBRUSH brush = CreatePatternBrush(bitmap);
    DeleteObject(bitmap);
    return brush;
}

}  // namespace zelt::platform
