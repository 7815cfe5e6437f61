// Underlay: 24-bit images against a per-pixel model over seeded images,
// sizes, perspectives and regions, tiled and stretched; the neutral, white
// and black underlays on every layout; palette images through dithering;
// argument checks and allocation failures.
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "support/bitmap_model.h"
#include "support/front_fixture.h"
#include "support/leak_guard.h"
#include "support/perspective_oracle.h"

namespace zelt::test {
namespace {

// 8-bit gray levels of a stored image, row by row.
struct GrayImage {
    int width = 0, height = 0;
    std::vector<int> levels;
    int At(int x, int y) const { return levels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

// The underlay's luminance as the bitmap's perspective stores it: the same
// picture, re-stored through the perspective table.
GrayImage AlignedGray(const BitmapRecord &underlay, int perspective) {
    const auto colors = ColorsOf(underlay);
    const Layout layout{underlay.BitsPerPixel, underlay.Order};
    const bool shownSwapped = ExchangesAxes(underlay.ViewPerspective);
    const int shownW = shownSwapped ? underlay.Height : underlay.Width;
    const int shownH = shownSwapped ? underlay.Width : underlay.Height;
    std::vector<int> shown(std::size_t(shownW * shownH));
    for (int r = 0; r < underlay.Height; ++r)
        for (int c = 0; c < underlay.Width; ++c) {
            const Point p = Displayed(underlay.ViewPerspective, underlay.Width, underlay.Height, c, r);
            shown[std::size_t(p.y * shownW + p.x)] =
                Luminance(PixelColor(RowOf(underlay, r), c, layout, colors.data(), int(colors.size())));
        }
    GrayImage aligned;
    aligned.width = ExchangesAxes(perspective) ? shownH : shownW;
    aligned.height = ExchangesAxes(perspective) ? shownW : shownH;
    for (int v = 0; v < aligned.height; ++v)
        for (int u = 0; u < aligned.width; ++u) {
            const Point p = Displayed(perspective, aligned.width, aligned.height, u, v);
            aligned.levels.push_back(shown[std::size_t(p.y * shownW + p.x)]);
        }
    return aligned;
}

// The levels the kernel itself makes of the underlay for stretching.
GrayImage KernelStretchedGray(const BitmapRecord &underlay, const BitmapRecord &bitmap) {
    ScopedBitmap gray;
    EXPECT_EQ(KrnCopyBitmap(gray.get(), &underlay), STATUS_OK);
    EXPECT_EQ(KrnGrayscaleBitmap(gray.get(), 8), STATUS_OK);
    if (gray->ViewPerspective != bitmap.ViewPerspective) {
        EXPECT_EQ(KrnChangePerspective(nullptr, gray.get(), bitmap.ViewPerspective, 0), STATUS_OK);
    }
    EXPECT_EQ(KrnResizeBitmap(gray.get(), bitmap.Width, bitmap.Height, 0), STATUS_OK);
    const auto ramp = ColorsOf(gray.record);
    GrayImage levels{gray->Width, gray->Height, {}};
    for (int y = 0; y < gray->Height; ++y)
        for (int x = 0; x < gray->Width; ++x) levels.levels.push_back(ramp[RowOf(gray.record, y)[x]].rgbRed);
    return levels;
}

// A 24-bit image after the underlay: each channel moved by level - 128 inside the selection.
std::vector<BYTE> Expected24(const BitmapRecord &bitmap, const std::vector<BYTE> &before, const GrayImage &gray,
                             const RECT *selection) {
    std::vector<BYTE> after = before;
    for (int y = 0; y < bitmap.Height; ++y)
        for (int x = 0; x < bitmap.Width; ++x) {
            if (selection && (x < selection->left || x >= selection->right || y < selection->top || y >= selection->bottom))
                continue;
            const int shift = gray.At(x % gray.width, y % gray.height) - 128;
            for (int k = 0; k < 3; ++k) {
                BYTE &c = after[std::size_t(y) * std::size_t(bitmap.BytesPerLine) + std::size_t(x) * 3 + std::size_t(k)];
                c = BYTE(std::clamp(c + shift, 0, 255));
            }
        }
    return after;
}

// Where a 24-bit image first differs from the expected bytes, or "".
std::string FirstDifference(const BitmapRecord &bitmap, const std::vector<BYTE> &expected) {
    const std::vector<BYTE> got = DataOf(bitmap);
    for (std::size_t i = 0; i < got.size(); ++i)
        if (got[i] != expected[i])
            return "pixel (" + std::to_string(i % std::size_t(bitmap.BytesPerLine) / 3) + ", " +
                   std::to_string(i / std::size_t(bitmap.BytesPerLine)) + ") byte " + std::to_string(got[i]) +
                   ", expected " + std::to_string(expected[i]);
    return "";
}

class Underlay : public FrontTest {};

// Case 0 is a 10 x 10 tile under a 25 x 25 image, both top-down: the tile
// repeats after 10 columns and 10 rows.
TEST_F(Underlay, TwentyFourBitImagesMatchTheModelTiledAndStretched) {
    for (int n = 0; n < 400; ++n) {
        std::mt19937 rng(0x0DE7u + unsigned(n));
        const bool stretch = n % 2 == 1;
        const int sizes[4] = {25, 25, 10, 10}, random[4] = {1 + int(rng() % 40), 1 + int(rng() % 30), 1 + int(rng() % 15),
                                                           1 + int(rng() % 15)};
        const int *size = n == 0 ? sizes : random;
        BitmapRecord bitmap = RandomBitmap({24, int(rng() % 2)}, size[0], size[1], rng, n == 0 ? 0 : int(rng() % 9));
        BitmapRecord underlay = RandomBitmap({24, int(rng() % 2)}, size[2], size[3], rng, n == 0 ? 0 : int(rng() % 9));
        RECT box{}, *selection = nullptr;
        if (rng() % 3 == 0) {
            box = {int(rng() % unsigned(bitmap.Width)), int(rng() % unsigned(bitmap.Height)), 0, 0};
            box.right = box.left + 1 + int(rng() % unsigned(bitmap.Width - box.left));
            box.bottom = box.top + 1 + int(rng() % unsigned(bitmap.Height - box.top));
            ASSERT_EQ(Z_SetBitmapRgnRect(&bitmap, nullptr, selection = &box, RGNMODE_SET), STATUS_OK);
        }
        const GrayImage gray = stretch ? KernelStretchedGray(underlay, bitmap) : AlignedGray(underlay, bitmap.ViewPerspective);
        const std::vector<BYTE> expected = Expected24(bitmap, DataOf(bitmap), gray, selection);
        const std::vector<BYTE> underlayData = DataOf(underlay);
        const BitmapRecord underlayBefore = underlay;

        ASSERT_EQ(Z_UnderlayBitmap(&bitmap, &underlay, stretch ? UNDERLAY_STRETCH : UNDERLAY_TILE), STATUS_OK)
            << "case " << n;
        EXPECT_EQ(FirstDifference(bitmap, expected), "") << "case " << n << (stretch ? " stretched " : " tiled ") << bitmap.Width
                                            << "x" << bitmap.Height << " perspective " << bitmap.ViewPerspective
                                            << " under " << underlay.Width << "x" << underlay.Height
                                            << " perspective " << underlay.ViewPerspective;
        EXPECT_EQ(DataOf(underlay), underlayData) << "case " << n;
        EXPECT_TRUE(SameBytes(underlay, underlayBefore)) << "case " << n;
        KrnFreeBitmap(&bitmap);
        KrnFreeBitmap(&underlay);
    }
}

// 128 changes nothing on any layout; white and black move every channel by
// +127 and -128, clamped (palette images, which dither, are left to the
// dithering test for those).
TEST_F(Underlay, NeutralWhiteAndBlackUnderlaysOnEveryLayout) {
    struct Case {
        int level;
        int (*expect)(int channel);
    };
    const Case cases[] = {{128, [](int c) { return c; }},
                          {255, [](int c) { return std::min(c + 127, 255); }},
                          {0, [](int c) { return std::max(c - 128, 0); }}};
    // 5-5-5 keeps the top five bits of a channel.
    auto stored555 = [](int v) { return (v >> 3) << 3 | (v >> 5); };
    for (const Layout &layout : AllLayouts()) {
        for (const Case &c : cases) {
            if (layout.Indexed() && c.level != 128) continue;
            std::mt19937 rng(unsigned(layout.bits * 7 + layout.order));
            // Colours the layout stores exactly, so only the underlay can change them.
            const Rgb start = layout.Gray() ? Rgb{160, 160, 160} : layout.bits == 16 ? Rgb{165, 99, 33} : Rgb{170, 99, 30};
            BitmapRecord bitmap = RandomBitmap(layout, 13, 5, rng);
            const auto colors = ColorsOf(bitmap);
            const std::uint64_t value = PackedValue(layout, start, colors.data(), int(colors.size()));
            for (int i = 0; i < 13 * 5; ++i) WritePixel(static_cast<BYTE *>(bitmap.Data) + i / 13 * bitmap.BytesPerLine, i % 13, layout.bits, value);
            const Rgb shown = PixelColor(RowOf(bitmap, 0), 0, layout, colors.data(), int(colors.size()));
            ScopedBitmap underlay;
            ASSERT_EQ(CreateBitmap(underlay.get(), 3, 2, 8, GrayRamp(256)), STATUS_OK);
            std::memset(underlay->Data, c.level, underlay->DataSize);
            const std::vector<BYTE> before = DataOf(bitmap);

            ASSERT_EQ(Z_UnderlayBitmap(&bitmap, underlay.get(), UNDERLAY_TILE), STATUS_OK) << layout.Name();
            if (c.level == 128 && (layout.bits == 24 || layout.Indexed())) {
                EXPECT_EQ(DataOf(bitmap), before) << layout.Name();
            }
            Rgb target{c.expect(shown.r), c.expect(shown.g), c.expect(shown.b)};
            if (layout.bits == 16 && !layout.Gray()) target = {stored555(target.r), stored555(target.g), stored555(target.b)};
            const Rgb got = PixelColor(RowOf(bitmap, 4), 12, layout, colors.data(), int(colors.size()));
            // Deep gray is written back scaled to its sample; reading it may round by one.
            const int tolerance = layout.Gray() ? 3 : 0;
            EXPECT_LE(std::abs(got.r - target.r) + std::abs(got.g - target.g) + std::abs(got.b - target.b), tolerance)
                << layout.Name() << " level " << c.level << ": " << shown << " became " << got << ", not " << target;
            KrnFreeBitmap(&bitmap);
        }
    }
}

// The row's colours go back to the palette by error diffusion: every index
// is one of the palette's, and over a uniform area the mean colour is what
// the underlay asked for.
TEST_F(Underlay, PaletteImagesAreDitheredBackToTheirPalette) {
    for (int bits : {4, 8}) {
        const std::vector<RGBQUAD> palette = DeviceTable(bits);
        ScopedBitmap bitmap, underlay;
        ASSERT_EQ(CreateBitmap(bitmap.get(), 64, 48, bits, palette), STATUS_OK);
        std::memset(bitmap->Data, 0, bitmap->DataSize);  // black everywhere
        ASSERT_EQ(CreateBitmap(underlay.get(), 7, 5, 8, GrayRamp(256)), STATUS_OK);
        std::memset(underlay->Data, 128 + 77, underlay->DataSize);
        const RECT box = {8, 4, 56, 44};
        ASSERT_EQ(Z_SetBitmapRgnRect(bitmap.get(), nullptr, &box, RGNMODE_SET), STATUS_OK);
        ASSERT_EQ(Z_UnderlayBitmap(bitmap.get(), underlay.get(), UNDERLAY_STRETCH), STATUS_OK);
        long sum[3] = {}, inside = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const std::uint64_t index = ReadPixel(RowOf(bitmap.record, y), x, bits);
                ASSERT_LT(index, palette.size());
                const bool selected = x >= 8 && x < 56 && y >= 4 && y < 44;
                if (!selected) {
                    ASSERT_EQ(index, 0u) << "outside the region at " << x << "," << y;
                    continue;
                }
                const Rgb c = ToRgb(palette[index]);
                sum[0] += c.r, sum[1] += c.g, sum[2] += c.b, ++inside;
            }
        for (long channel : sum) EXPECT_NEAR(double(channel) / double(inside), 77.0, 4.0) << bits << " bits";
    }
}

TEST_F(Underlay, RejectsBadArgumentsWithoutTouchingTheBitmap) {
    ScopedBitmap bitmap, underlay;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 6, 4, 24), STATUS_OK);
    ASSERT_EQ(CreateBitmap(underlay.get(), 2, 2, 8), STATUS_OK);
    std::memset(underlay->Data, 255, underlay->DataSize);
    const std::vector<BYTE> before = DataOf(bitmap.record);
    BitmapRecord empty{};
    for (auto [b, u, flags] : {std::tuple{(BitmapRecord *)nullptr, underlay.get(), 0u}, {&empty, underlay.get(), 0u},
                               {bitmap.get(), nullptr, 0u}, {bitmap.get(), &empty, 1u}, {nullptr, underlay.get(), 2u}})
        EXPECT_EQ(Z_UnderlayBitmap(b, u, flags), STATUS_NO_BITMAP);
    for (UINT flags : {2u, 3u, 0x80000000u}) EXPECT_EQ(Z_UnderlayBitmap(bitmap.get(), underlay.get(), flags), STATUS_BAD_PARAMETER);
    EXPECT_EQ(DataOf(bitmap.record), before);
}

TEST_F(Underlay, AllocationFailuresCleanUpAndLeaveTheImage) {
    ZELT_REQUIRE_HOST_CONTROLS("allocation failure injection");
    for (const Layout &layout : {Layout{8, 0}, Layout{24, 1}}) {
        std::mt19937 rng{unsigned(layout.bits)};
        BitmapRecord bitmap = RandomBitmap(layout, 19, 7, rng, 4);
        BitmapRecord underlay = RandomBitmap({24, 0}, 5, 6, rng, 2);
        const RECT box = {2, 1, 15, 6};
        ASSERT_EQ(Z_SetBitmapRgnRect(&bitmap, nullptr, &box, RGNMODE_SET), STATUS_OK);
        const std::vector<BYTE> before = DataOf(bitmap);
        int status = 0;
        for (UINT flags : {UNDERLAY_TILE, UNDERLAY_STRETCH}) {
            const long allocations = ForEachAllocationFailure(
                [&] {
                    std::memcpy(bitmap.Data, before.data(), before.size());
                    status = Z_UnderlayBitmap(&bitmap, &underlay, flags);
                },
                [&](long failedAt) {
                    EXPECT_EQ(status, STATUS_NO_MEMORY) << layout.Name() << " flags " << flags << " allocation " << failedAt;
                    EXPECT_EQ(DataOf(bitmap), before) << layout.Name() << " flags " << flags << " allocation " << failedAt;
                });
            // Scratch records, the gray copy's image, segments and rows.
            EXPECT_GE(allocations, 5) << layout.Name();
        }
        KrnFreeBitmap(&bitmap);
        KrnFreeBitmap(&underlay);
    }
}

}  // namespace
}  // namespace zelt::test
