// The palette an application realises before painting, and the colour
// helpers that pass palette entries through the bitmap's paint table.
#include <memory>

#include "frame/display_settings.h"
#include "paint/paint_engine.h"

namespace {

struct KernelBlockDeleter {
    void operator()(void *block) const { KrnFreeMem(block); }
};
using KernelBlock = std::unique_ptr<RGBQUAD[], KernelBlockDeleter>;

KernelBlock AllocColors(int count) {
    return KernelBlock(static_cast<RGBQUAD *>(KrnAllocMem(static_cast<DWORD>(count) * sizeof(RGBQUAD))));
}

void PassThroughLut(const BYTE *lut, RGBQUAD *colors, int count) {
    for (int i = 0; i < count; ++i) {
        colors[i].rgbBlue = lut[colors[i].rgbBlue];
        colors[i].rgbGreen = lut[colors[i].rgbGreen];
        colors[i].rgbRed = lut[colors[i].rgbRed];
    }
}

bool PaintLutActive(const BitmapRecord *bitmap) {
    return (bitmap->Flags & BITMAP_PAINT_LUT_ACTIVE) && bitmap->PaintLut != nullptr;
}

// The image's own palette, corrected through the paint table when that is
// active. When the scratch table cannot be had, the uncorrected copy is
// still better than no palette.
HPALETTE CreateImagePaintPalette(BitmapRecord *bitmap) {
    HPALETTE copy = KrnCreatePaletteCopy(bitmap->Palette);
    if (copy == nullptr || !(bitmap->Flags & BITMAP_PAINT_LUT_ACTIVE)) return copy;
    KernelBlock colors = AllocColors(256);
    if (!colors) return copy;
    const int count = KrnGetPaletteColors(copy, 0, 256, colors.get());
    if (bitmap->PaintLut != nullptr) PassThroughLut(bitmap->PaintLut, colors.get(), count);
    DeleteObject(copy);
    return KrnCreatePaletteFromColors(colors.get(), count);
}

}  // namespace

int GetPaintColors(BitmapRecord *bitmap, HPALETTE palette, int first, int count, RGBQUAD *colors) {
    const int copied = KrnGetPaletteColors(palette, first, count, colors);
    if (PaintLutActive(bitmap)) PassThroughLut(bitmap->PaintLut, colors, copied);
    return copied;
}

HPALETTE CreateGrayPaintPalette(BitmapRecord *bitmap, int bits) {
    const int count = 1 << (bits == 0 ? 8 : bits);
    KernelBlock entries = AllocColors(count);
    if (!entries) return nullptr;
    // Read whether or not the table is active: an identity table gives a
    // plain ramp.
    const BYTE *lut = bitmap->PaintLut;
    for (int i = 0; i < count; ++i) {
        const int index = count > 1 ? i * 255 / (count - 1) : 0;
        const BYTE level = lut != nullptr ? lut[index] : static_cast<BYTE>(index);
        entries[i] = RGBQUAD{level, level, level, 0};
    }
    return KrnCreatePaletteFromColors(entries.get(), count);
}

extern "C" HPALETTE ZELT_API Z_CreatePaintPalette(HDC hdc, BitmapRecord *bitmap) {
    const DisplaySettings *settings = GetDisplaySettings();
    if (bitmap == nullptr) return nullptr;
    int deviceBits = 0, paintMode = 0;
    AnalyzeDevice(hdc, bitmap, &deviceBits, &paintMode);
    if (paintMode == PAINTMODE_REDUCE) {
        if ((settings->DisplayMode & DISP_FIXED_PALETTE) && deviceBits == 8)
            return KrnCreatePaletteFromColors(CubeColorTable, 256);
        return KrnCreateDevicePalette(deviceBits);
    }
    if (paintMode == PAINTMODE_GRAY || paintMode == PAINTMODE_GRAY_INVERTED) return CreateGrayPaintPalette(bitmap, 8);
    if (bitmap->BitsPerPixel > 8) return IsDeepGrayBitmap(bitmap) ? CreateGrayPaintPalette(bitmap, 8) : nullptr;
    return CreateImagePaintPalette(bitmap);
}
