// What pixels mean: row conversion to and from 24 bits at widths 1..64 (every
// loop end), the bit window of deep gray and the gray test, each against the
// model for every stored layout.
#include <random>

#include <gtest/gtest.h>

#include "support/bitmap_model.h"

namespace {

using namespace zelt::test;

// Unpacking: a random palette (possibly short: the rest reads as black) or a
// random gray decoding (top 8 bits, a window, or a window into a level
// table). Packing: the nearest colour, luminance, 5-bit or widened channels.
// Each out of place and in place.
TEST(ConvertRowTo24, EveryLayoutBothWaysLikeTheModel) {
    for (const Layout &layout : AllLayouts()) {
        for (int width = 1; width <= 64; ++width) {
            std::mt19937 rng(static_cast<unsigned>(layout.bits * 1000 + layout.order * 100 + width));
            const auto src = RandomBytes(rng, RowBytes(width, layout.bits)),
                       rgb = RandomBytes(rng, RowBytes(width, 24));
            const int count = layout.Indexed() ? int(rng() % ((1u << layout.bits) + 1)) : 0, order = int(rng() % 2);
            std::vector<RGBQUAD> colors = RandomPalette(rng, layout.Gray() ? int(rng() % 300) + 1 : count);
            GrayDecoding gray{layout.Gray() && rng() % 3, int(rng() % (layout.bits + 4)) - 2};
            gray.highBit = gray.lowBit + int(rng() % (layout.bits + 2));
            if (gray.window && rng() % 2) gray.levels = colors.data(), gray.levelCount = int(colors.size());
            const UINT flags = gray.window     ? KRN_CONVERT_GRAY | KRN_CONVERT_BIT_WINDOW
                               : layout.Gray() ? KRN_CONVERT_GRAY
                                               : 0;
            const RGBQUAD *table = layout.Indexed() ? colors.data() : gray.levels;
            const int tableCount = layout.Indexed() ? count : gray.levelCount;
            SCOPED_TRACE(layout.Name() + ", width " + std::to_string(width) + ", 24-bit order " +
                         std::to_string(order));
            for (bool inPlace : {false, true}) {
                std::vector<BYTE> out(KrnGetRowBufferSize(width, layout.bits, width, 24) + 4, 0xA5);
                if (inPlace) std::copy(src.begin(), src.end(), out.begin());
                ASSERT_EQ(
                    KrnConvertRowTo24(out.data(), inPlace ? out.data() : src.data(), width, layout.bits, layout.order,
                                      24, order, table, tableCount, flags, gray.lowBit, gray.highBit),
                    STATUS_OK);
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(PixelColor(out.data(), x, {24, order}, nullptr, 0),
                              PixelColor(src.data(), x, layout, colors.data(), count, gray))
                        << "unpacking pixel " << x << (inPlace ? " in place" : "");
                EXPECT_TRUE(inPlace || out[3 * std::size_t(width)] == 0xA5) << "wrote past the row";

                std::vector<BYTE> packed(KrnGetRowBufferSize(width, 24, width, layout.bits));
                if (inPlace) std::copy(rgb.begin(), rgb.end(), packed.begin());
                const int candidates = std::max(count, 1);
                ASSERT_EQ(KrnConvertRowTo24(packed.data(), inPlace ? packed.data() : rgb.data(), width, 24, order,
                                            layout.bits, layout.order, colors.data(), candidates,
                                            layout.Gray() ? KRN_CONVERT_GRAY : 0, 0, 0),
                          STATUS_OK);
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(ReadPixel(packed.data(), x, layout.bits),
                              PackedValue(layout, PixelColor(rgb.data(), x, {24, order}, nullptr, 0), colors.data(),
                                          candidates))
                        << "packing pixel " << x << (inPlace ? " in place" : "");
            }
        }
    }
}

// Pixels the layouts are documented with; an empty row is no error.
TEST(ConvertRowTo24, DocumentedPixels) {
    RGBQUAD ramp[8];
    for (int i = 0; i < 8; ++i) ramp[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    auto decode = [&](std::vector<BYTE> src, int bits, int order, int pixel) {
        BYTE out[12] = {};
        EXPECT_EQ(KrnConvertRowTo24(out, src.data(), pixel + 1, bits, order, 24, 0, ramp, 8, 0, 0, 0), 1) << bits;
        return out[3 * pixel] << 16 | out[3 * pixel + 1] << 8 | out[3 * pixel + 2];
    };
    const int colours[] = {// 5-5-5: blue or red low; field 16 widens to 132.
                           decode({0x1F, 0x00}, 16, 1, 0), decode({0x1F, 0x00}, 16, 0, 0),
                           decode({0x00, 0x40}, 16, 1, 0), decode({1, 2, 3, 4}, 32, 1, 0),
                           decode({0x00, 0xF0, 0xAB, 0, 0, 0}, 12, 2, 1), decode({0, 0, 0, 0, 0x0C, 0}, 12, 2, 2),
                           decode({0x11, 0x22, 0x33, 0x44, 0x55, 0x66}, 48, 1, 0),
                           decode({1, 0x22, 3, 0x44, 5, 0x66, 7, 8}, 64, 0, 0),
                           // 3-bit pixel 2 straddles two bytes.
                           decode({0b00000001, 0b10000000}, 3, 0, 2)};
    EXPECT_EQ(
        std::vector<int>(std::begin(colours), std::end(colours)),
        (std::vector<int>{0x0000FF, 0xFF0000, 0x840000, 0x030201, 0xABABAB, 0xC0C0C0, 0x664422, 0x224466, 0x030303}));
    BYTE row[4] = {};
    EXPECT_EQ(KrnConvertRowTo24(row, row, 0, 8, 1, 24, 1, nullptr, 0, 0, 0, 0), STATUS_OK);
}

TEST(BitWindow, MatchesTheModelForEveryWindow) {
    for (int bits : {0, 8, 12, 16})
        for (int maxBits = -1; maxBits <= 17; ++maxBits)
            for (int low = -3; low <= 18; ++low)
                for (int high = -3; high <= 18; ++high) {
                    std::uint32_t mask;
                    DWORD gotMask = 0xDEAD;
                    int shift, gotShift = -1;
                    const int n = Window(bits, maxBits, low, high, &mask, &shift);
                    ASSERT_EQ(KrnGetBitWindow(bits, maxBits, low, high, &gotMask, &gotShift) * 1000 + gotShift,
                              n * 1000 + shift)
                        << bits << " bits, max " << maxBits << ", " << low << ".." << high;
                    ASSERT_EQ(gotMask, mask) << bits << " bits, max " << maxBits << ", " << low << ".." << high;
                }
    EXPECT_EQ(KrnGetBitWindow(16, 8, 0, 15, nullptr, nullptr), 8) << "outputs are optional";
}

// Ramps of n entries i * 255 / (n - 1) (rounded or not) are gray, reversed
// inverted gray; a tinted entry or a ramp short of white is colour. Deep
// gray is gray unless its level table is coloured inside the window.
TEST(IsGrayBitmap, PalettesAndDeepGray) {
    for (int bits = 1; bits <= 8; ++bits) {
        const int n = 1 << bits;
        for (int variant = 0; variant < 5; ++variant) {
            std::vector<RGBQUAD> colors;
            for (int i = 0; i < n; ++i) {
                const int step = variant == 2 ? n - 1 - i : i;
                const BYTE v = BYTE(variant == 1 ? (step * 255 + (n - 1) / 2) / (n - 1) : step * 255 / (n - 1));
                colors.push_back(RGBQUAD{v, v, BYTE(variant == 3 && i == n / 2 ? v ^ 0x10 : v), 0});
            }
            if (variant == 4) colors.back() = RGBQUAD{200, 200, 200, 0};
            BitmapRecord bitmap{};
            ASSERT_EQ(KrnCreateBitmap(&bitmap, 0, 3, 2, bits, 0, colors.data(), 0, nullptr, 0), STATUS_OK);
            EXPECT_EQ(KrnIsGrayBitmap(&bitmap), variant < 2 ? 1 : variant == 2 ? 2 : 0) << bits << " bits, " << variant;
            KrnFreeBitmap(&bitmap);
        }
    }
    std::vector<RGBQUAD> levels(256);
    for (int i = 0; i < 256; ++i) levels[std::size_t(i)] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    levels[255].rgbBlue = 0;
    auto kind = [&](int bits, int order, int highBit, DWORD flags) {
        BitmapRecord bitmap{};  // answered from the description alone
        EXPECT_EQ(KrnInitBitmapRecord(&bitmap, 2, 2, bits), STATUS_OK);
        bitmap.Order = order, bitmap.LowBit = 4, bitmap.HighBit = highBit, bitmap.Flags = flags;
        bitmap.LevelLut = levels.data(), bitmap.LevelLutLength = 256;
        return KrnIsGrayBitmap(&bitmap);
    };
    // The level table is coloured at 255 only: outside a window 4..10, or without level processing.
    const int kinds[] = {kind(16, 2, 11, 0),
                         kind(16, 2, 11, BITMAP_LEVEL_PROCESSING),
                         kind(16, 2, 10, BITMAP_LEVEL_PROCESSING),
                         kind(12, 2, 11, 0),
                         kind(16, 1, 7, 0),
                         kind(24, 1, 7, 0),
                         kind(32, 1, 7, 0),
                         kind(48, 1, 7, 0),
                         kind(64, 1, 7, 0)};
    EXPECT_EQ(std::vector<int>(std::begin(kinds), std::end(kinds)), (std::vector<int>{1, 0, 1, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(KrnIsGrayBitmap(nullptr), 0);
}

}  // namespace
