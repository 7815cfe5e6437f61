// Device-dependent bitmaps and screen capture: a record painted into a new
// HBITMAP with the library's own paint machinery, an HBITMAP (or a rectangle
// of a DC) brought back through a packed DIB the kernel adopts. "Convert"
// leaves its inputs alone; "Change" consumes them on success only.
#include <cstdlib>
#include <cstring>

#include "frame/display_settings.h"
#include "interchange/dib_header.h"
#include "paint/paint_engine.h"
#include "paint/paint_front.h"
#include "zelt/display.h"

namespace {

// The screen's DC when the caller gives none, released at the end.
class ScreenContext {
public:
    explicit ScreenContext(HDC given) : dc_(given ? given : GetDC(nullptr)), fetched_(given == nullptr) {}
    ~ScreenContext() {
        if (fetched_ && dc_) ReleaseDC(nullptr, dc_);
    }
    ScreenContext(const ScreenContext &) = delete;
    ScreenContext &operator=(const ScreenContext &) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
    bool fetched_;
};

// A 1-bit gray record needs no colour: a monochrome bitmap whatever the
// screen. Everything else is screen-compatible.
HBITMAP CreateTargetBitmap(HDC screen, BitmapRecord *bitmap, int width, int height) {
    if (bitmap->BitsPerPixel == 1 && KrnIsGrayBitmap(bitmap) != 0) return CreateBitmap(width, height, 1, 1, nullptr);
    return CreateCompatibleBitmap(screen, width, height);
}

}  // namespace

HBITMAP ZELT_API Z_ConvertToDDB(HDC hdc, BitmapRecord *bitmap) {
    if (bitmap == nullptr || !(bitmap->Flags & BITMAP_ALLOCATED)) return nullptr;
    const ScreenContext screen(hdc);
    HDC memory = CreateCompatibleDC(screen.get());
    if (memory == nullptr) return nullptr;
    const bool turned = PerspectiveExchangesAxes(bitmap->ViewPerspective);
    const int width = turned ? bitmap->Height : bitmap->Width, height = turned ? bitmap->Width : bitmap->Height;
    HBITMAP target = CreateTargetBitmap(screen.get(), bitmap, width, height);
    if (target == nullptr) {
        DeleteDC(memory);
        return nullptr;
    }
    HGDIOBJ oldBitmap = SelectObject(memory, target);
    const UINT oldMode = Z_SetDisplayMode(DISP_INDEXED_PAINT | DISP_DEVICE_REDUCE, DISP_DEVICE_REDUCE);
    HPALETTE palette = Z_CreatePaintPalette(screen.get(), bitmap);
    HPALETTE oldPalette = nullptr;
    if (palette != nullptr) {
        oldPalette = SelectPalette(memory, palette, FALSE);
        RealizePalette(memory);
    }
    const RECT destination{0, 0, width, height};
    PaintDispatch(memory, bitmap, nullptr, nullptr, &destination, nullptr, SRCCOPY, RowBand{});
    Z_SetDisplayMode(0xFFFFFFFF, oldMode);
    if (palette != nullptr) SelectPalette(memory, oldPalette, FALSE);
    SelectObject(memory, oldBitmap);
    DeleteDC(memory);
    if (palette != nullptr) DeleteObject(palette);
    return target;
}

HBITMAP ZELT_API Z_ChangeToDDB(HDC hdc, BitmapRecord *bitmap) {
    HBITMAP converted = Z_ConvertToDDB(hdc, bitmap);
    if (converted != nullptr) KrnFreeBitmap(bitmap);
    return converted;
}

int ZELT_API Z_ConvertFromDDB(HDC hdc, BitmapRecord *bitmap, HBITMAP hBitmap, HPALETTE hPalette) {
    BITMAP described{};
    if (hBitmap == nullptr || GetObjectA(hBitmap, sizeof(described), &described) == 0) return STATUS_BAD_PARAMETER;
    BITMAPINFOHEADER header;
    InitDibHeader(&header, described.bmWidth, described.bmHeight, described.bmPlanes * described.bmBitsPixel);
    const DWORD bytes = sizeof(header) + DibColorTableSize(&header) + header.biSizeImage;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes);
    if (block == nullptr) return STATUS_NO_MEMORY;
    auto *packed = static_cast<BYTE *>(GlobalLock(block));
    if (packed == nullptr) {
        GlobalFree(block);
        return STATUS_NO_MEMORY;
    }
    std::memcpy(packed, &header, sizeof(header));
    HPALETTE oldPalette = nullptr;
    if (hPalette != nullptr) {
        oldPalette = SelectPalette(hdc, hPalette, FALSE);
        RealizePalette(hdc);
    }
    const int rows = GetDIBits(hdc, hBitmap, 0, static_cast<UINT>(described.bmHeight), DibBitsPointer(packed),
                               reinterpret_cast<BITMAPINFO *>(packed), DIB_RGB_COLORS);
    GlobalUnlock(block);
    if (rows == 0) block = GlobalFree(block);
    if (hPalette != nullptr) SelectPalette(hdc, oldPalette, FALSE);
    const int status = KrnChangeFromDib(bitmap, block);
    if (status != STATUS_OK && block != nullptr) GlobalFree(block);
    return status;
}

int ZELT_API Z_ChangeFromDDB(HDC hdc, BitmapRecord *bitmap, HBITMAP hBitmap, HPALETTE hPalette) {
    const int status = Z_ConvertFromDDB(hdc, bitmap, hBitmap, hPalette);
    if (status == STATUS_OK) {
        DeleteObject(hBitmap);
        if (hPalette != nullptr) DeleteObject(hPalette);
    }
    return status;
}

int ZELT_API Z_ScreenCaptureBitmap(HDC hdc, BitmapRecord *bitmap, const RECT *rect) {
    if (bitmap == nullptr || rect == nullptr) return STATUS_BAD_PARAMETER;
    const int width = rect->right - rect->left, height = std::abs(rect->bottom - rect->top);
    if (width < 1 || height < 1) return STATUS_BAD_PARAMETER;
    HDC memory = CreateCompatibleDC(hdc);
    if (memory == nullptr) return STATUS_BAD_PARAMETER;
    HBITMAP captured = CreateCompatibleBitmap(hdc, width, height);
    if (captured == nullptr) {
        DeleteDC(memory);
        return STATUS_NO_MEMORY;
    }
    HGDIOBJ old = SelectObject(memory, captured);
    BitBlt(memory, 0, 0, width, height, hdc, rect->left, rect->top, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    HPALETTE palette = KrnCreateScreenPalette();
    const int status = Z_ChangeFromDDB(hdc, bitmap, captured, palette);
    if (status != STATUS_OK) {
        DeleteObject(captured);
        if (palette != nullptr) DeleteObject(palette);
    }
    return status;
}
