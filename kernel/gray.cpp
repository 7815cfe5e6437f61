// KrnIsGrayBitmap: whether an image is gray, from its description alone
// (palette, Order, level table), so that records without data can be asked.
#include <algorithm>
#include <cstdlib>

#include "record_internal.h"
#include "zelt/kernel.h"

namespace zelt::kernel {
namespace {

constexpr int kColour = 0;
constexpr int kGray = 1;
constexpr int kInvertedGray = 2;

bool IsGrayEntry(const RGBQUAD &entry) {
    return entry.rgbRed == entry.rgbGreen && entry.rgbGreen == entry.rgbBlue;
}

// Entry i of a ramp of n entries is i * 255 / (n - 1); one step either way
// is allowed because ramps are built with rounding as well as truncation.
bool FollowsRamp(const RGBQUAD *colors, int count, bool descending) {
    for (int i = 0; i < count; ++i) {
        if (!IsGrayEntry(colors[i])) return false;
        const int step = descending ? count - 1 - i : i;
        const int expected = step * 255 / (count - 1);
        if (std::abs(int{colors[i].rgbRed} - expected) > 1) return false;
    }
    return true;
}

int PaletteKind(const BitmapRecord *bitmap) {
    RGBQUAD colors[256];
    const int count = KrnGetPaletteColors(bitmap->Palette, 0, std::clamp<int>(bitmap->ColorCount, 0, 256), colors);
    if (count < 2) return kColour;
    if (FollowsRamp(colors, count, false)) return kGray;
    if (FollowsRamp(colors, count, true)) return kInvertedGray;
    return kColour;
}

int DeepGrayKind(const BitmapRecord *bitmap) {
    if (bitmap->LevelLut == nullptr || (bitmap->Flags & BITMAP_LEVEL_PROCESSING) == 0) return kGray;
    DWORD mask = 0;
    int shift = 0;
    KrnGetBitWindow(bitmap->BitsPerPixel, bitmap->BitsPerPixel, bitmap->LowBit, bitmap->HighBit, &mask, &shift);
    const DWORD entries = std::min<DWORD>(mask + 1u, bitmap->LevelLutLength);
    for (DWORD i = 0; i < entries; ++i) {
        if (!IsGrayEntry(bitmap->LevelLut[i])) return kColour;
    }
    return kGray;
}

}  // namespace
}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" int ZELT_API KrnIsGrayBitmap(BitmapRecord *bitmap) {
    if (bitmap == nullptr) return kColour;
    if (IsPaletteDepth(bitmap->BitsPerPixel)) return PaletteKind(bitmap);
    if (IsDeepGray(bitmap)) return DeepGrayKind(bitmap);
    return kColour;
}
