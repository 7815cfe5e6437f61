// CreateDIBSection and CreateCompatibleBitmap.
#include <cstdlib>
#include <memory>

#include "gdi/bitmap.h"
#include "gdi/dc.h"
#include "gdi/dib_format.h"
#include "gdi/palette.h"
#include "gdi/screen.h"
#include "gdi/stock.h"

using namespace zelt::platform;

namespace {

constexpr std::int64_t kMaxBitmapBytes = std::int64_t{1} << 31;

HBITMAP Register(std::unique_ptr<BitmapObject> bitmap) {
    HANDLE handle = InsertObject(bitmap.release());
    if (handle == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<HBITMAP>(handle);
}

// A DIB section of the format, or nullptr (last error set).
HBITMAP NewDibSection(LONG width, LONG height, PixelFormatId format, const Surface *tableFrom, void **ppvBits) {
    const int bitsPixel = FormatOps(format).bitsPixel;
    const std::int64_t absHeight = std::llabs(height);
    if (std::int64_t{DibRowBytes(width, bitsPixel)} * absHeight > kMaxBitmapBytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::unique_ptr<BitmapObject> bitmap(NewObject<BitmapObject>());
    if (bitmap == nullptr || !bitmap->InitDibSection(width, height, format, tableFrom ? tableFrom->table : nullptr,
                                                     tableFrom ? tableFrom->tableSize : 0)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void *bits = bitmap->Bits();
    HBITMAP handle = Register(std::move(bitmap));
    if (ppvBits != nullptr) *ppvBits = handle != nullptr ? bits : nullptr;
    return handle;
}

}  // namespace

extern "C" {

HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO *pbmi, UINT usage, void **ppvBits, HANDLE, DWORD) {
    if (ppvBits != nullptr) *ppvBits = nullptr;
    PixelFormatId format;
    // An unusable header fails without touching the last error.
    if (pbmi == nullptr || usage > DIB_PAL_COLORS || !DibFormat(pbmi->bmiHeader, pbmi, format)) return nullptr;
    // Colours come from the header's table or, for DIB_PAL_COLORS, from the
    // DC's logical palette.
    const DcObject *dc = FindDc(hdc);
    const PaletteObject &palette = dc != nullptr ? *dc->SelectedPalette() : DefaultPalette();
    Surface tables;
    tables.ops = &FormatOps(format);
    if (tables.ops->indexed) ResolveColourTable(*pbmi, usage, palette, tables);
    return NewDibSection(pbmi->bmiHeader.biWidth, pbmi->bmiHeader.biHeight, format,
                         tables.ops->indexed ? &tables : nullptr, ppvBits);
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (cx == 0 || cy == 0) return CreateBitmap(0, 0, 1, 1, nullptr);
    const int width = std::abs(cx), height = std::abs(cy);
    // A memory DC passes on the format of its bitmap: a DIB section's
    // (16 bpp as 5-5-5), monochrome for the initial bitmap; screen DCs the
    // screen's depth.
    if (const BitmapObject *selected = dc->SelectedBitmap()) {
        if (selected->IsDibSection()) {
            const Surface &surface = selected->GetSurface();
            PixelFormatId format = surface.Format();
            if (format == PixelFormatId::Rgb565) format = PixelFormatId::Rgb555;
            return NewDibSection(width, height, format, surface.ops->indexed ? &surface : nullptr, nullptr);
        }
        return CreateBitmap(width, height, 1, selected->BitsPixel(), nullptr);
    }
    return CreateBitmap(width, height, 1, static_cast<UINT>(CurrentScreen().bitsPixel), nullptr);
}

}  // extern "C"
