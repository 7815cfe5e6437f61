// KrnGetPixelColor against the oracle for every layout.
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "kernel/pixel_oracle.h"
#include "support/leak_guard.h"
#include "zelt/kernel.h"

namespace {

using namespace zelt::test;

class PixelColor : public LeakCheckedTest {};

TEST_F(PixelColor, EveryPixelMatchesTheOracle) {
    for (const Layout &layout : AllLayouts()) {
        for (int variant = 0; variant < 3; ++variant) {
            std::mt19937 rng(static_cast<unsigned>(layout.bits * 17 + layout.order * 3 + variant));
            const int width = 13, height = 4;
            const auto palette = RandomPalette(rng, 1 << std::min(layout.bits, 8));
            const auto data = RandomBytes(rng, RowBytes(width, layout.bits) * height);
            BitmapRecord bitmap{};
            ASSERT_EQ(KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, width, height, layout.bits, layout.order,
                                      layout.Indexed() ? palette.data() : nullptr, 0, const_cast<BYTE *>(data.data()),
                                      DWORD(data.size())),
                      STATUS_OK);
            GrayDecoding gray;
            gray.window = true;
            std::vector<RGBQUAD> levels;
            if (layout.Gray()) {
                bitmap.LowBit = gray.lowBit = static_cast<int>(rng() % layout.bits);
                bitmap.HighBit = gray.highBit = gray.lowBit + static_cast<int>(rng() % 12);
                if (variant == 2) {
                    // A level table applies only with level processing.
                    levels = RandomPalette(rng, 1000);
                    bitmap.LevelLut = levels.data();
                    bitmap.LevelLutLength = DWORD(levels.size());
                    bitmap.Flags |= BITMAP_LEVEL_PROCESSING;
                    gray.levels = levels.data();
                    gray.levelCount = int(levels.size());
                }
            }
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const Rgb c = OracleColor(static_cast<const BYTE *>(bitmap.Data) + y * bitmap.BytesPerLine, x, layout,
                                              palette.data(), int(palette.size()), gray);
                    ASSERT_EQ(KrnGetPixelColor(&bitmap, y, x), RGB(c.r, c.g, c.b)) << layout.Name() << " at " << x << "," << y;
                }
            }
            EXPECT_EQ(KrnGetPixelColor(&bitmap, -1, 0), KRN_PIXEL_OUTSIDE);
            EXPECT_EQ(KrnGetPixelColor(&bitmap, height, 0), KRN_PIXEL_OUTSIDE);
            EXPECT_EQ(KrnGetPixelColor(&bitmap, 0, -1), KRN_PIXEL_OUTSIDE);
            EXPECT_EQ(KrnGetPixelColor(&bitmap, 0, width), KRN_PIXEL_OUTSIDE);
            bitmap.LevelLut = nullptr;  // the test's table, not the record's
            KrnFreeBitmap(&bitmap);
        }
    }
    BitmapRecord described{};
    ASSERT_EQ(KrnInitBitmapRecord(&described, 2, 2, 24), STATUS_OK);
    EXPECT_EQ(KrnGetPixelColor(&described, 0, 0), KRN_PIXEL_OUTSIDE);
    EXPECT_EQ(KrnGetPixelColor(nullptr, 0, 0), KRN_PIXEL_OUTSIDE);
}

}  // namespace
