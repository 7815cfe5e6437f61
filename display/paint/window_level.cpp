// Window levelling of deep gray images: the significant bit range and the
// lookup table kept with a bitmap, and a filler for such tables.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "paint/paint_engine.h"

namespace {

constexpr RGBQUAD kBlack{0, 0, 0, 0};
constexpr RGBQUAD kWhite{255, 255, 255, 0};

RGBQUAD FromColorRef(COLORREF color) {
    return RGBQUAD{static_cast<BYTE>(color >> 16), static_cast<BYTE>(color >> 8), static_cast<BYTE>(color), 0};
}

// A table to fill: entries at or beyond `length` are never written, so
// windows that reach past the table are cut rather than overrun.
struct LutSpan {
    RGBQUAD *entries;
    std::uint64_t length;

    void Fill(std::uint64_t first, std::uint64_t last, RGBQUAD color) const {
        for (std::uint64_t i = first; i <= last && i < length; ++i) entries[i] = color;
    }
};

BYTE RampChannel(BYTE from, BYTE to, std::int64_t k, std::int64_t n) {
    return static_cast<BYTE>(from + (k * (static_cast<int>(to) - static_cast<int>(from))) / n);
}

// Entry `from` gets c1, entry `to` gets c2 and the ones between step
// linearly (truncating toward zero). The slope is the whole ramp's even
// when the table ends before `to`.
void FillLutRamp(const LutSpan &lut, std::uint64_t from, std::uint64_t to, RGBQUAD c1, RGBQUAD c2) {
    if (from >= lut.length) return;
    lut.entries[from] = c1;
    const std::int64_t n = static_cast<std::int64_t>(to - from);
    for (std::int64_t k = 1; k <= n && from + static_cast<std::uint64_t>(k) < lut.length; ++k)
        lut.entries[from + k] = RGBQUAD{RampChannel(c1.rgbBlue, c2.rgbBlue, k, n),
                                        RampChannel(c1.rgbGreen, c2.rgbGreen, k, n),
                                        RampChannel(c1.rgbRed, c2.rgbRed, k, n), 0};
}

// 2^bits - 1 in 32 bits, the shift count taken modulo 32 (so 32 bits give 0).
LONG FullRange(int bits) { return static_cast<LONG>((1u << (static_cast<unsigned>(bits) & 31u)) - 1u); }

// Replaces the bitmap's table with a copy of the caller's, or removes it.
int AttachLevelLut(BitmapRecord *bitmap, RGBQUAD *lut, UINT lutLength) {
    if (bitmap->LevelLut != nullptr && bitmap->LevelLut != lut) {
        KrnFreeMem(bitmap->LevelLut);
        bitmap->LevelLut = nullptr;
        bitmap->LevelLutLength = 0;
    }
    if (lut == nullptr) {
        bitmap->LevelLut = nullptr;
        bitmap->LevelLutLength = 0;
        return STATUS_OK;
    }
    if (lut != bitmap->LevelLut) {
        // At least one entry, so an empty table still has a block of its own.
        const DWORD bytes = std::max<DWORD>(lutLength, 1) * static_cast<DWORD>(sizeof(RGBQUAD));
        auto *copy = static_cast<RGBQUAD *>(KrnAllocMem(bytes));
        if (copy == nullptr) return STATUS_NO_MEMORY;
        std::memcpy(copy, lut, static_cast<std::size_t>(lutLength) * sizeof(RGBQUAD));
        bitmap->LevelLut = copy;
    }
    bitmap->LevelLutLength = lutLength;
    return STATUS_OK;
}

}  // namespace

extern "C" {

int ZELT_API Z_WindowLevel(BitmapRecord *bitmap, int lowBit, int highBit, RGBQUAD *lut, UINT lutLength, UINT flag) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    const int low = lowBit < 0 ? 0 : lowBit;
    const int high = highBit < 0 ? bitmap->BitsPerPixel - 1 : highBit;
    if (high < low || (lutLength != 0 && lut == nullptr) || flag > 1) return STATUS_BAD_PARAMETER;

    bitmap->PaintLowBit = low;
    bitmap->PaintHighBit = high;
    if (flag == 1 && (bitmap->LowBit != low || bitmap->HighBit != high)) {
        bitmap->LowBit = low;
        bitmap->HighBit = high;
        bitmap->MinValue = 0;
        bitmap->MaxValue = FullRange(high - low + 1);
    }
    const int status = AttachLevelLut(bitmap, lut, lutLength);
    if (status != STATUS_OK) return status;
    if (flag == 1)
        bitmap->Flags |= BITMAP_LEVEL_PROCESSING;
    else
        bitmap->Flags &= ~static_cast<DWORD>(BITMAP_LEVEL_PROCESSING);
    return STATUS_OK;
}

int ZELT_API Z_WindowLevelFillLUT(RGBQUAD *lut, UINT lutLength, COLORREF startColor, COLORREF endColor, UINT low,
                                  UINT high, UINT lowBit, UINT highBit, UINT minValue, UINT maxValue, UINT flag) {
    if (lut == nullptr || highBit < lowBit || maxValue < minValue || high < low) return STATUS_BAD_PARAMETER;
    low = std::clamp(low, minValue, maxValue);
    high = std::clamp(high, minValue, maxValue);
    const std::uint64_t a = low >> (lowBit & 31u), b = high >> (lowBit & 31u);
    const LutSpan span{lut, lutLength};
    const std::uint64_t last = std::max<std::uint64_t>(lutLength, 1) - 1;

    if (flag != 0) {
        // The caller's colours ramp across the window; black below, white above.
        if (a > 0) span.Fill(0, a - 1, kBlack);
        FillLutRamp(span, a, b, FromColorRef(startColor), FromColorRef(endColor));
        span.Fill(b + 1, last, kWhite);
    } else {
        // A gray ramp across the window (its first entry black); the
        // caller's colours below and above it.
        if (a > 0) span.Fill(0, a - 1, FromColorRef(startColor));
        if (b > a) span.Fill(a, a, kBlack);
        if (b > a + 1) FillLutRamp(span, a + 1, b - 1, kBlack, kWhite);
        span.Fill(b, last, FromColorRef(endColor));
    }
    return STATUS_OK;
}

}  // extern "C"
