// Per-bitmap paint intensity, contrast and gamma, folded into the 256-entry
// PaintLut the paint paths pass levels and palette entries through.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "frame/display_settings.h"
#include "paint/paint_engine.h"

namespace {

constexpr int kMinLevelAdjust = -1000;
constexpr int kMaxLevelAdjust = 1000;

int ClampLevel(int v) { return std::clamp(v, 0, 255); }

bool IsAllocated(const BitmapRecord *bitmap) { return bitmap != nullptr && (bitmap->Flags & BITMAP_ALLOCATED); }

// Contrast stretches (K > 0) or squeezes (K < 0) the levels about the middle;
// k is how far the black end moves, m where the white end lands.
void ApplyContrast(BYTE (&table)[256], int contrast) {
    for (int i = 0; i < 256; ++i) table[i] = static_cast<BYTE>(i);
    if (contrast == 0) return;
    const int magnitude = std::abs(contrast);
    const int k = MulDiv(magnitude, 128, 4000);
    const int m = 256 + static_cast<int>(std::trunc(-5.34 * std::pow(1.5, std::log2(0.128 * magnitude))));
    for (int i = 0; i < 256; ++i) {
        int v;
        if (contrast > 0)
            v = i < k ? 0 : i >= m ? 255 : ClampLevel(MulDiv(i - k, 256, m - k));
        else
            v = ClampLevel(MulDiv(i, m - k, 256)) + k;
        table[i] = static_cast<BYTE>(ClampLevel(v));
    }
}

// Intensity shifts every level, gamma bends the result; true when the
// finished table is not the identity.
bool ApplyIntensityAndGamma(BYTE (&table)[256], int intensity, DWORD gamma) {
    const int offset = (255 * intensity + 500) / 1000;  // truncates toward zero
    // A record never holds gamma 0; should one arrive, it paints as neutral.
    const double exponent = 100.0 / static_cast<double>(gamma != 0 ? gamma : 100);
    bool changed = false;
    for (int i = 0; i < 256; ++i) {
        const int v = ClampLevel(table[i] + offset);
        const double level = std::pow(v * 0.00392156862745098, exponent) * 255.0 + 0.5;
        table[i] = static_cast<BYTE>(ClampLevel(static_cast<int>(std::trunc(level))));
        changed |= table[i] != i;
    }
    return changed;
}

// Shared tail of the three setters: checks in order, then store and rebuild
// only when the value changes.
template <typename Value>
int SetPaintValue(BitmapRecord *bitmap, Value value, bool inRange, Value BitmapRecord::*field) {
    GetDisplaySettings();
    if (!IsAllocated(bitmap)) return STATUS_NO_BITMAP;
    if (!inRange) return STATUS_BAD_PARAMETER;
    if (bitmap->*field == value) return STATUS_OK;
    bitmap->*field = value;
    BuildPaintLut(bitmap);
    return STATUS_OK;
}

}  // namespace

void BuildPaintLut(BitmapRecord *bitmap) {
    bitmap->Flags &= ~static_cast<DWORD>(BITMAP_PAINT_LUT_ACTIVE);
    BYTE table[256];
    ApplyContrast(table, bitmap->PaintContrast);
    if (ApplyIntensityAndGamma(table, bitmap->PaintIntensity, bitmap->PaintGamma))
        bitmap->Flags |= BITMAP_PAINT_LUT_ACTIVE;
    if (bitmap->PaintLut != nullptr) std::copy(std::begin(table), std::end(table), bitmap->PaintLut);
}

extern "C" {

int ZELT_API Z_SetPaintIntensity(BitmapRecord *bitmap, int intensity) {
    const bool inRange = intensity >= kMinLevelAdjust && intensity <= kMaxLevelAdjust;
    return SetPaintValue<LONG>(bitmap, intensity, inRange, &BitmapRecord::PaintIntensity);
}

int ZELT_API Z_SetPaintContrast(BitmapRecord *bitmap, int contrast) {
    const bool inRange = contrast >= kMinLevelAdjust && contrast <= kMaxLevelAdjust;
    return SetPaintValue<LONG>(bitmap, contrast, inRange, &BitmapRecord::PaintContrast);
}

int ZELT_API Z_SetPaintGamma(BitmapRecord *bitmap, UINT gamma) {
    return SetPaintValue<DWORD>(bitmap, gamma, gamma != 0, &BitmapRecord::PaintGamma);
}

int ZELT_API Z_GetPaintIntensity(BitmapRecord *bitmap) {
    GetDisplaySettings();
    return bitmap->PaintIntensity;
}

int ZELT_API Z_GetPaintContrast(BitmapRecord *bitmap) {
    GetDisplaySettings();
    return bitmap->PaintContrast;
}

UINT ZELT_API Z_GetPaintGamma(BitmapRecord *bitmap) {
    GetDisplaySettings();
    return bitmap->PaintGamma;
}

}  // extern "C"
