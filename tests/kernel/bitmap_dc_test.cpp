// Drawing through a bitmap DC lands in the record's layout and perspective;
// every other stored value stays exactly as it was.
#include <random>

#include <gtest/gtest.h>

#include "support/bitmap_model.h"
#include "support/leak_guard.h"
#include "support/perspective_oracle.h"

namespace zelt::test {
namespace {

class BitmapDc : public LeakCheckedTest {};

// A filled rectangle (displayed coordinates, reaching past the picture at
// times) against the model: inside it the colour as the layout stores it,
// outside the stored value it had.
TEST_F(BitmapDc, FilledRectangleLandsForEveryLayoutAndPerspective) {
    unsigned seed = 0;
    for (const Layout &layout : AllLayouts())
        for (int perspective = 0; perspective <= 8; ++perspective) {
            std::mt19937 rng(++seed);
            const int width = 1 + int(rng() % 23), height = 1 + int(rng() % 17);
            BitmapRecord bitmap = RandomBitmap(layout, width, height, rng, perspective);
            const std::vector<BYTE> before = DataOf(bitmap);
            const std::vector<RGBQUAD> colors = ColorsOf(bitmap);
            const Rgb color = layout.Indexed() ? ToRgb(colors[rng() % colors.size()])
                                               : Rgb{int(rng() % 256), int(rng() % 256), int(rng() % 256)};
            const int shownWidth = ExchangesAxes(perspective) ? height : width;
            const int shownHeight = ExchangesAxes(perspective) ? width : height;
            // Ordered edges (GDI fills an inverted rectangle as its mirror), at times empty or past the picture.
            const int left = int(rng() % unsigned(shownWidth + 1)) - 1, top = int(rng() % unsigned(shownHeight + 1)) - 1;
            const RECT rect{left, top, left + int(rng() % unsigned(shownWidth + 2)),
                            top + int(rng() % unsigned(shownHeight + 2))};
            SCOPED_TRACE(layout.Name() + ", perspective " + std::to_string(perspective) + ", seed " +
                         std::to_string(seed));
            HDC dc = KrnCreateBitmapDC(&bitmap);
            ASSERT_NE(dc, nullptr);
            HBRUSH brush = CreateSolidBrush(RGB(color.r, color.g, color.b));
            FillRect(dc, &rect, brush);
            DeleteObject(brush);
            ASSERT_EQ(KrnDeleteBitmapDC(dc), STATUS_OK);
            int mismatches = 0;
            for (int r = 0; r < height; ++r)
                for (int c = 0; c < width; ++c) {
                    const Point p = Displayed(perspective, width, height, c, r);
                    const bool inside = p.x >= rect.left && p.x < rect.right && p.y >= rect.top && p.y < rect.bottom;
                    const std::uint64_t want = inside ? PackedValue(layout, color, colors.data(), int(colors.size()))
                                                      : ReadPixel(before.data() + r * bitmap.BytesPerLine, c, layout.bits);
                    if (ReadPixel(RowOf(bitmap, r), c, layout.bits) != want && ++mismatches <= 3)
                        ADD_FAILURE() << "stored (" << c << "," << r << ") inside " << inside;
                }
            KrnFreeBitmap(&bitmap);
        }
    // What it refuses (its failures inside conversions are walked by the display tests).
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_TRUE(KrnCreateBitmapDC(nullptr) == nullptr && KrnDeleteBitmapDC(other) == STATUS_BAD_PARAMETER);
    EXPECT_TRUE(DeleteDC(other)) << "a DC the kernel did not make stays the caller's";
}

}  // namespace
}  // namespace zelt::test
