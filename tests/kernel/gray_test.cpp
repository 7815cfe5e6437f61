// KrnIsGrayBitmap: ramps, inverted ramps, colour palettes and deep gray.
#include <vector>

#include <gtest/gtest.h>

#include "support/leak_guard.h"
#include "zelt/kernel.h"

namespace {

class GrayTest : public zelt::test::LeakCheckedTest {};

std::vector<RGBQUAD> Ramp(int count, bool inverted, bool rounded) {
    std::vector<RGBQUAD> colors(count);
    for (int i = 0; i < count; ++i) {
        const int step = inverted ? count - 1 - i : i;
        const BYTE v = BYTE(rounded ? (step * 255 + (count - 1) / 2) / (count - 1) : step * 255 / (count - 1));
        colors[i] = RGBQUAD{v, v, v, 0};
    }
    return colors;
}

int KindOf(int bits, const std::vector<RGBQUAD> &palette) {
    BitmapRecord bitmap{};
    EXPECT_EQ(KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, 3, 2, bits, 0, palette.data(), 0, nullptr, 0), STATUS_OK);
    const int kind = KrnIsGrayBitmap(&bitmap);
    KrnFreeBitmap(&bitmap);
    return kind;
}

TEST_F(GrayTest, PalettesAreGrayInvertedOrColour) {
    for (int bits = 1; bits <= 8; ++bits) {
        const int n = 1 << bits;
        SCOPED_TRACE(std::to_string(bits) + " bits");
        EXPECT_EQ(KindOf(bits, Ramp(n, false, false)), 1);
        EXPECT_EQ(KindOf(bits, Ramp(n, false, true)), 1);
        EXPECT_EQ(KindOf(bits, Ramp(n, true, false)), 2);
        auto tinted = Ramp(n, false, false);
        tinted[n / 2].rgbRed ^= 0x10;
        EXPECT_EQ(KindOf(bits, tinted), 0) << "one coloured entry";
        auto steep = Ramp(n, false, false);
        steep[n - 1] = RGBQUAD{200, 200, 200, 0};
        EXPECT_EQ(KindOf(bits, steep), 0) << "gray but not ending at white";
    }
    BitmapRecord defaultRamp{};
    ASSERT_EQ(KrnCreateBitmap(&defaultRamp, KRN_MEMORY_CONVENTIONAL, 3, 2, 8, 0, nullptr, 0, nullptr, 0), STATUS_OK);
    EXPECT_EQ(KrnIsGrayBitmap(&defaultRamp), 1) << "the kernel's own ramp";
    KrnFreeBitmap(&defaultRamp);
}

TEST_F(GrayTest, DeepGrayAndDirectColour) {
    BitmapRecord bitmap{};
    ASSERT_EQ(KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, 3, 2, 16, 2, nullptr, 0, nullptr, 0), STATUS_OK);
    EXPECT_EQ(KrnIsGrayBitmap(&bitmap), 1);
    std::vector<RGBQUAD> levels(256);
    for (int i = 0; i < 256; ++i) levels[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    bitmap.LevelLut = levels.data();
    bitmap.LevelLutLength = 256;
    bitmap.LowBit = 4;
    bitmap.HighBit = 11;
    bitmap.Flags |= BITMAP_LEVEL_PROCESSING;
    EXPECT_EQ(KrnIsGrayBitmap(&bitmap), 1) << "gray table";
    levels[255].rgbBlue = 0;
    EXPECT_EQ(KrnIsGrayBitmap(&bitmap), 0) << "coloured entry inside the window";
    bitmap.HighBit = 10;
    EXPECT_EQ(KrnIsGrayBitmap(&bitmap), 1) << "coloured entry outside the window";
    bitmap.HighBit = 11;
    bitmap.Flags &= ~DWORD{BITMAP_LEVEL_PROCESSING};
    EXPECT_EQ(KrnIsGrayBitmap(&bitmap), 1) << "the table counts only with level processing";
    bitmap.LevelLut = nullptr;
    KrnFreeBitmap(&bitmap);

    for (int bits : {16, 24, 32, 48, 64}) {
        ASSERT_EQ(KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, 3, 2, bits, 1, nullptr, 0, nullptr, 0), STATUS_OK);
        EXPECT_EQ(KrnIsGrayBitmap(&bitmap), 0) << bits;
        KrnFreeBitmap(&bitmap);
    }
    BitmapRecord described{};
    ASSERT_EQ(KrnInitBitmapRecord(&described, 2, 2, 12), STATUS_OK);
    EXPECT_EQ(KrnIsGrayBitmap(&described), 1) << "answered from the description alone";
    EXPECT_EQ(KrnIsGrayBitmap(nullptr), 0);
}

}  // namespace
