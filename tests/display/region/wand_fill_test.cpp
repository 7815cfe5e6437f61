// The magic wand against a breadth-first flood over the colours the bitmap
// reports, on seeded pictures of colour blobs, one-pixel bars and noise in
// every stored layout; and each layout's mask function against the same
// colours at every offset.
#include <algorithm>
#include <random>
#include <string>

#include "pixel_image.h"
#include "region/region_wand.h"
#include "region_model.h"
#include "support/flood_model.h"

namespace zelt::test {
namespace {

using namespace zelt::region;

// Widths either side of the 16- and 64-pixel stretches the fill reads.
constexpr LONG kWidths[] = {1, 2, 3, 15, 16, 17, 31, 47, 63, 64, 65, 79, 127, 128, 129, 200};
constexpr LONG kViews[] = {0, 1, 2, 3, 4, 5, 7, 8};

ColourGrid ColoursOf(PixelImage &image) {
    ColourGrid grid{image.bitmap.Width, image.bitmap.Height, {}};
    for (LONG y = 0; y < grid.height; ++y)
        for (LONG x = 0; x < grid.width; ++x) grid.colours.push_back(image.ColorAt(x, y));
    return grid;
}

// Repaints the picture: a background of the pool's first value, a few
// rectangles and ellipses of pool values (holes), bars one pixel thick
// (thin bridges and walls) and scattered single pixels.
void PaintBlobs(PixelImage &image, std::mt19937 &rng) {
    const LONG w = image.bitmap.Width, h = image.bitmap.Height;
    auto pick = [&](LONG n) { return LONG(rng() % uint32_t(n)); };
    auto value = [&] { return image.pool[size_t(pick(LONG(image.pool.size())))]; };
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x) image.WritePixel(x, y, image.pool[0]);
    for (LONG blobs = 2 + pick(4); blobs > 0; --blobs) {
        const LONG x0 = pick(w), y0 = pick(h), x1 = x0 + 1 + pick(w - x0), y1 = y0 + 1 + pick(h - y0);
        const bool ellipse = (rng() & 1) != 0;
        const double cx = (x0 + x1) / 2.0, cy = (y0 + y1) / 2.0, rx = (x1 - x0) / 2.0, ry = (y1 - y0) / 2.0;
        const uint64_t v = value();
        for (LONG y = y0; y < y1; ++y)
            for (LONG x = x0; x < x1; ++x) {
                const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
                if (!ellipse || dx * dx + dy * dy <= 1.0) image.WritePixel(x, y, v);
            }
    }
    for (LONG bars = pick(4); bars > 0; --bars) {
        const uint64_t v = value();
        const bool across = (rng() & 1) != 0;
        const LONG at = pick(across ? h : w);
        for (LONG i = 0; i < (across ? w : h); ++i) image.WritePixel(across ? i : at, across ? at : i, v);
    }
    for (LONG specks = w * h / (rng() % 4 == 0 ? 8 : 40); specks > 0; --specks) image.WritePixel(pick(w), pick(h), value());
}

std::string Describe(const PixelLayout &layout, uint32_t seed, LONG w, LONG h, LONG x, LONG y, int tolerance) {
    return std::string(layout.name) + " seed " + std::to_string(seed) + ", " + std::to_string(w) + " x " +
           std::to_string(h) + ", wand at " + std::to_string(x) + "," + std::to_string(y) + " tolerance " +
           std::to_string(tolerance);
}

TEST(MagicWandFill, MatchesFloodOverSeededPictures) {
    int failures = 0;
    for (size_t l = 0; l < std::size(kPixelLayouts) && failures < 5; ++l) {
        const PixelLayout &layout = kPixelLayouts[l];
        for (uint32_t c = 0; c < 40 && failures < 5; ++c) {
            const uint32_t seed = uint32_t(7919 * l + c);
            std::mt19937 rng(seed);
            const LONG w = rng() % 2 ? kWidths[rng() % std::size(kWidths)] : LONG(1 + rng() % 200);
            const LONG h = LONG(1 + rng() % 24);
            PixelImage image(layout, w, h, seed, 3 + int(rng() % 4));
            PaintBlobs(image, rng);
            image.bitmap.ViewPerspective = kViews[rng() % std::size(kViews)];
            const ColourGrid grid = ColoursOf(image);
            for (int click = 0; click < 3; ++click) {
                // Seeds on the edges half the time; tolerances mostly near the pool's spread.
                const LONG x = rng() % 2 ? (rng() % 2 ? 0 : w - 1) : LONG(rng() % uint32_t(w));
                const LONG y = rng() % 2 ? (rng() % 2 ? 0 : h - 1) : LONG(rng() % uint32_t(h));
                const int tolerance = rng() % 3 == 0 ? int(rng() % 256) : int(rng() % 24);
                ASSERT_EQ(Z_SetBitmapRgnMagicWand(&image.bitmap, int(x), int(y), UINT(tolerance), RGNMODE_SET),
                          STATUS_OK);
                const bool same = SelectionOf(image.bitmap) == FloodOfColours(grid, x, y, tolerance);
                EXPECT_TRUE(same) << Describe(layout, seed, w, h, x, y, tolerance);
                failures += same ? 0 : 1;
            }
        }
    }
}

// Every layout's mask answers, for each stretch of 1 to 64 pixels at every
// offset, what the bitmap's reported colours say about the tolerance box.
TEST(MagicWandFill, MaskFunctionsMatchReportedColours) {
    constexpr LONG kW = 150, kH = 3;
    for (size_t l = 0; l < std::size(kPixelLayouts); ++l) {
        const PixelLayout &layout = kPixelLayouts[l];
        std::mt19937 rng(uint32_t(31 * l + 5));
        PixelImage image(layout, kW, kH, uint32_t(l), 6);
        PaintBlobs(image, rng);
        const ColourGrid grid = ColoursOf(image);
        for (LONG y = 0; y < kH; ++y) {
            const COLORREF centre = grid.At(LONG(rng() % kW), y);
            const int t = int(rng() % 30);
            auto low = [t](BYTE c) { return BYTE((std::max)(0, c - t)); };
            auto high = [t](BYTE c) { return BYTE((std::min)(255, c + t)); };
            const BYTE r = GetRValue(centre), g = GetGValue(centre), b = GetBValue(centre);
            const ToleranceBox box{low(r), high(r), low(g), high(g), low(b), high(b)};
            WandPixelTest test;
            ASSERT_TRUE(PrepareWandTest(image.bitmap, box, test)) << layout.name;
            const BYTE *row = static_cast<const BYTE *>(image.bitmap.Data) + size_t(y) * size_t(image.bitmap.BytesPerLine);
            bool inside[kW];
            for (LONG x = 0; x < kW; ++x) inside[x] = WithinTolerance(grid.At(x, y), centre, t);
            for (LONG x = 0; x < kW; ++x)
                for (int count = 1; count <= 64 && x + count <= kW; ++count) {
                    uint64_t want = 0;
                    for (int i = 0; i < count; ++i) want |= uint64_t{inside[x + i]} << i;
                    ASSERT_EQ(test.mask(test, row, x, count), want) << layout.name << " row " << y << " x " << x
                                                                    << " count " << count;
                }
        }
    }
}

}  // namespace
}  // namespace zelt::test
