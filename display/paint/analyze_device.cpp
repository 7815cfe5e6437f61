// Device analysis: how deep the target device is and how rows of a given
// bitmap must be fed to it (the paint mode), under the thread's display mode.
#include "frame/display_settings.h"
#include "paint/paint_engine.h"

namespace {

// Device depths are normalised to the four the paint engine produces.
int NormalisedDeviceBits(HDC hdc) {
    int raw = 24;  // a metafile records whatever it is given
    if (GetDeviceCaps(hdc, TECHNOLOGY) != DT_METAFILE) raw = GetDeviceCaps(hdc, BITSPIXEL) * GetDeviceCaps(hdc, PLANES);
    if (raw < 4) return 1;
    if (raw < 8) return 4;
    if (raw < 16) return 8;
    return 24;
}

struct Analysis {
    BitmapRecord *bitmap;
    UINT mode;
    int deviceBits;

    bool Has(UINT bits) const { return (mode & bits) == bits; }
    bool Reduces() const { return Has(DISP_DEVICE_REDUCE); }
    bool ReducesSameDepth() const { return Has(DISP_DEVICE_REDUCE | DISP_REDUCE_SAME_DEPTH); }
};

using ModeRule = int (*)(const Analysis &);

// 1-bit images: gray or bitonal resampling for grayscale ones when asked,
// otherwise reduction only in the same-depth case.
int BitonalRule(const Analysis &a) {
    const bool gray = a.Has(DISP_BITONAL_GRAY) && a.deviceBits > 1;
    if (gray || a.Has(DISP_BITONAL_RESAMPLE)) {
        const int kind = KrnIsGrayBitmap(a.bitmap);
        if (kind == 1) return gray ? PAINTMODE_GRAY : PAINTMODE_BITONAL;
        if (kind == 2) return gray ? PAINTMODE_GRAY_INVERTED : PAINTMODE_BITONAL_INVERTED;
        return a.ReducesSameDepth() ? PAINTMODE_REDUCE : PAINTMODE_DIRECT;
    }
    return a.ReducesSameDepth() && a.deviceBits == 8 ? PAINTMODE_REDUCE : PAINTMODE_DIRECT;
}

// 2, 3, 5, 6 and 7 bits: GDI takes none of them, so they are converted.
int OddPaletteRule(const Analysis &a) {
    if (!a.Reduces()) return PAINTMODE_CONVERT;
    const bool reduce = a.Has(DISP_REDUCE_SAME_DEPTH) ? a.deviceBits <= 8 : a.deviceBits < 8;
    return reduce ? PAINTMODE_REDUCE : PAINTMODE_CONVERT;
}

int FourBitRule(const Analysis &a) {
    if (!a.Reduces()) return PAINTMODE_DIRECT;
    if (a.deviceBits == 4) return KrnPaletteMatches(a.bitmap->Palette, VgaColorTable, 16) ? PAINTMODE_DIRECT : PAINTMODE_REDUCE;
    const bool reduce = a.Has(DISP_REDUCE_SAME_DEPTH) ? a.deviceBits <= 8 : a.deviceBits < 4;
    return reduce ? PAINTMODE_REDUCE : PAINTMODE_DIRECT;
}

int EightBitRule(const Analysis &a) {
    if (!a.Reduces()) return PAINTMODE_DIRECT;
    if (a.deviceBits < 8) return PAINTMODE_REDUCE;
    if (a.deviceBits == 8 && a.Has(DISP_REDUCE_SAME_DEPTH))
        return KrnPaletteMatches(a.bitmap->Palette, Rgb332ColorTable, 256) ? PAINTMODE_DIRECT : PAINTMODE_REDUCE;
    return PAINTMODE_DIRECT;
}

int TrueColorRule(const Analysis &a) {
    return a.Reduces() && a.deviceBits <= 8 ? PAINTMODE_REDUCE : PAINTMODE_DIRECT;
}

// 32, 48 and 64 bits always need converting to 24 for GDI.
int DeepColorRule(const Analysis &a) {
    return a.Reduces() && a.deviceBits <= 8 ? PAINTMODE_REDUCE : PAINTMODE_CONVERT;
}

// 12 and 16 bits: deep gray reduces only below 8 bits (or at 8 with
// same-depth reduction), since 256 grays fit an 8-bit device; colour is as 32.
int DeepRule(const Analysis &a) {
    if (!IsDeepGrayBitmap(a.bitmap)) return DeepColorRule(a);
    const bool reduce = a.deviceBits < 8 || (a.deviceBits == 8 && a.Has(DISP_REDUCE_SAME_DEPTH));
    return a.Reduces() && reduce ? PAINTMODE_REDUCE : PAINTMODE_CONVERT;
}

struct DepthRule {
    int bits;
    ModeRule rule;
};

constexpr DepthRule kRules[] = {
    {1, BitonalRule},    {2, OddPaletteRule}, {3, OddPaletteRule},  {4, FourBitRule},    {5, OddPaletteRule},
    {6, OddPaletteRule}, {7, OddPaletteRule}, {8, EightBitRule},    {12, DeepRule},      {16, DeepRule},
    {24, TrueColorRule}, {32, DeepColorRule}, {48, DeepColorRule},  {64, DeepColorRule},
};

}  // namespace

void AnalyzeDevice(HDC hdc, BitmapRecord *bitmap, int *deviceBits, int *paintMode) {
    const Analysis analysis{bitmap, GetDisplaySettings()->DisplayMode, NormalisedDeviceBits(hdc)};
    int mode = PAINTMODE_DIRECT;  // depths not listed go to GDI as they are
    for (const DepthRule &entry : kRules)
        if (entry.bits == bitmap->BitsPerPixel) mode = entry.rule(analysis);
    *deviceBits = analysis.deviceBits;
    *paintMode = mode;
}

bool IsDeepGrayBitmap(BitmapRecord *bitmap) {
    if (bitmap->Order != 2) return false;
    if (bitmap->LevelLut == nullptr) return true;
    if (bitmap->Flags & BITMAP_LEVEL_PROCESSING) return KrnIsGrayBitmap(bitmap) != 0;
    // Ask with the paint range in force, then put the processing range back.
    const LONG lowBit = bitmap->LowBit, highBit = bitmap->HighBit;
    bitmap->LowBit = bitmap->PaintLowBit;
    bitmap->HighBit = bitmap->PaintHighBit;
    bitmap->Flags |= BITMAP_LEVEL_PROCESSING;
    const int kind = KrnIsGrayBitmap(bitmap);
    bitmap->LowBit = lowBit;
    bitmap->HighBit = highBit;
    bitmap->Flags &= ~static_cast<DWORD>(BITMAP_LEVEL_PROCESSING);
    return kind != 0;
}
