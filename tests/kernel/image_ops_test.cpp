// Flip, change of perspective, resize and grayscale conversion against
// pixel models over every layout and seeded random images; the region follows
// through stand-in services that act on pixel masks; every allocation of
// each operation fails once and leaves the image as it was.
#include <functional>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "region_fixture.h"
#include "support/bitmap_model.h"
#include "support/host_controls.h"
#include "support/perspective_oracle.h"
#include "support/resize_model.h"

namespace {

using namespace zelt::test;

using Pixels = std::vector<std::vector<std::uint64_t>>;  // [row][column] raw values
using Mask = std::set<std::pair<int, int>>;              // selected (x, y)

Pixels PixelsOf(const BitmapRecord &b) {
    Pixels p(std::size_t(b.Height), std::vector<std::uint64_t>(std::size_t(b.Width)));
    for (int y = 0; y < b.Height; ++y)
        for (int x = 0; x < b.Width; ++x) p[y][x] = ReadPixel(RowOf(b, y), x, b.BitsPerPixel);
    return p;
}

Mask MaskOf(const RegionRecord *region) {
    Mask mask;
    const Runs runs = RunsOf(*region);
    for (std::size_t r = 0; r < runs.size(); ++r)
        for (std::size_t k = 0; k + 1 < runs[r].size(); k += 2)
            for (LONG x = runs[r][k]; x < runs[r][k + 1]; ++x) mask.insert({x, region->Bounds.top + LONG(r)});
    return mask;
}

RegionRecord *RegionOf(const Mask &mask) {
    std::map<int, std::vector<LONG>> rows;  // per row, the pairs; a row's x arrive in order
    for (const auto &[x, y] : mask) {
        auto &pairs = rows[y];
        if (!pairs.empty() && pairs.back() == x) ++pairs.back(); else pairs.insert(pairs.end(), {x, x + 1});
    }
    const int top = rows.empty() ? 0 : rows.begin()->first;
    Runs runs(rows.empty() ? 0 : std::size_t(rows.rbegin()->first - top + 1));
    for (const auto &[y, pairs] : rows) runs[std::size_t(y - top)] = pairs;
    return MakeRunRegion(runs, top);
}

Mask RandomMask(std::mt19937 &rng, int w, int h) {
    Mask mask;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (rng() % 3 == 0) mask.insert({x, y});
    return mask;
}

// Replaces the region's contents, keeping its address as the services do.
int Replace(RegionRecord *region, const Mask &mask) {
    RegionRecord *made = RegionOf(mask);
    if (made == nullptr) return STATUS_NO_MEMORY;
    KrnFreeMem(region->RowTable), KrnFreeMem(region->RunData);
    *region = *made;
    KrnFreeMem(made);
    return STATUS_OK;
}

Mask Mapped(const RegionRecord *region, const std::function<std::pair<int, int>(int, int)> &to) {
    Mask mask;
    for (const auto &[x, y] : MaskOf(region)) mask.insert(to(x, y));
    return mask;
}

// The region services the kernel calls, acting on masks as their contracts say.
struct MaskServices {
    static inline std::vector<std::array<int, 4>> resizeCalls;  // old width, height, new width, height
    static inline bool resizeFails = false;

    static int ZELT_API FlipHorz(BitmapRecord *b) {
        return Replace(b->Region, Mapped(b->Region, [w = b->Width](int x, int y) { return std::pair{w - 1 - x, y}; }));
    }
    static int ZELT_API FlipRecordVert(RegionRecord *r, int h) {
        return Replace(r, Mapped(r, [h](int x, int y) { return std::pair{x, h - 1 - y}; }));
    }
    static int ZELT_API FlipVert(BitmapRecord *b) { return FlipRecordVert(b->Region, b->Height); }
    // Quarter and half turns by the rotation's stepping rule: a = -angle in
    // [0, 36000), mirrored for perspectives 1, 2, 5, 7; the source point of
    // (x, y) moves (c, s) per column and (-s, c) per row from its start.
    static int ZELT_API Rotate(BitmapRecord *b, int sw, int sh, int angle) {
        int a = ((-angle) % 36000 + 36000) % 36000;
        if (a == 0) return STATUS_OK;
        if (b->ViewPerspective == 1 || b->ViewPerspective == 2 || b->ViewPerspective == 5 || b->ViewPerspective == 7)
            a = 36000 - a;
        const int c = a == 18000 ? -1 : a == 0 ? 1 : 0, s = a == 9000 ? 1 : a == 27000 ? -1 : 0;
        const int column = c == 0 && s <= 0 ? 0 : sw - 1, row = c == 0 && s > 0 ? 0 : sh - 1;
        const Mask before = MaskOf(b->Region);
        Mask after;
        for (int y = 0; y < b->Height; ++y)
            for (int x = 0; x < b->Width; ++x)
                if (before.count({column + x * c - y * s, row + x * s + y * c})) after.insert({x, y});
        return Replace(b->Region, after);
    }
    static int ZELT_API Resize(BitmapRecord *b, int w, int h) {
        resizeCalls.push_back({b->Width, b->Height, w, h});
        return resizeFails ? STATUS_NO_MEMORY : Replace(b->Region, MaskOf(b->Region));
    }
    static void Register() {
        std::array<KRNSERVICEPROC, KRN_REGION_SERVICE_COUNT> table{};
        table[KRN_RGN_FLIP_HORZ] = reinterpret_cast<KRNSERVICEPROC>(FlipHorz);
        table[KRN_RGN_FLIP_VERT] = reinterpret_cast<KRNSERVICEPROC>(FlipVert);
        table[KRN_RGN_FLIP_RECORD_VERT] = reinterpret_cast<KRNSERVICEPROC>(FlipRecordVert);
        table[KRN_RGN_ROTATE] = reinterpret_cast<KRNSERVICEPROC>(Rotate);
        table[KRN_RGN_RESIZE] = reinterpret_cast<KRNSERVICEPROC>(Resize);
        table[KRN_RGN_COPY] = reinterpret_cast<KRNSERVICEPROC>(FakeRegionServices::Copy);
        KrnRegisterRegionServices(table.data());
        resizeCalls.clear(), resizeFails = false;
    }
};

class ImageOps : public RegionServicesTest {
protected:
    void SetUp() override {
        RegionServicesTest::SetUp();
        MaskServices::Register();
    }
};

// A random image whose indexed layouts have a gray ramp (gray) or random colours.
BitmapRecord MakeImage(const Layout &layout, int w, int h, std::mt19937 &rng, bool grayRamp, int perspective = 0) {
    BitmapRecord b = RandomBitmap(layout, w, h, rng, perspective);
    if (grayRamp && layout.Indexed()) {
        const BitmapRecord colours = b;
        KrnCreateBitmap(&b, 0, w, h, layout.bits, 0, nullptr, perspective, colours.Data, colours.DataSize);
        KrnFreeBitmap(const_cast<BitmapRecord *>(&colours));
    }
    return b;
}

TEST_F(ImageOps, FlipMirrorsEveryLayoutAndTwiceRestoresIt) {
    for (const Layout &layout : AllLayouts())
        for (int testCase = 0; testCase < 6; ++testCase) {
            std::mt19937 rng(static_cast<unsigned>(testCase * 100 + layout.bits + layout.order));
            const int w = 1 + int(rng() % 70), h = 1 + int(rng() % 5);
            BitmapRecord b = MakeImage(layout, w, h, rng, false);
            b.Region = RegionOf(RandomMask(rng, w, h));
            const Pixels before = PixelsOf(b);
            const Mask selected = MaskOf(b.Region);
            for (int direction : {KRN_FLIP_HORIZONTAL, KRN_FLIP_VERTICAL}) {
                ASSERT_EQ(KrnFlipBitmap(&b, direction), STATUS_OK);
                const auto mirror = [&](int x, int y) {
                    return direction == KRN_FLIP_HORIZONTAL ? std::pair{w - 1 - x, y} : std::pair{x, h - 1 - y};
                };
                Pixels expected = before;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) expected[y][x] = before[mirror(x, y).second][mirror(x, y).first];
                EXPECT_EQ(PixelsOf(b), expected) << layout.Name() << ", case " << testCase << ", direction " << direction;
                EXPECT_EQ(Mapped(b.Region, mirror), selected) << layout.Name() << ": the region is mirrored";
                ASSERT_EQ(KrnFlipBitmap(&b, direction), STATUS_OK);
                EXPECT_EQ(PixelsOf(b), before) << layout.Name() << ", case " << testCase;
            }
            KrnFreeBitmap(&b);
        }
    EXPECT_EQ(KrnFlipBitmap(nullptr, 0), STATUS_NO_BITMAP);
    BitmapRecord b{};
    EXPECT_EQ(KrnFlipBitmap(&b, 0), STATUS_NO_BITMAP);
}

TEST_F(ImageOps, ChangePerspectiveKeepsThePictureAndRegionForAllPairs) {
    const Layout layouts[] = {{1, 0}, {3, 0}, {4, 0}, {12, 2}, {16, 1}, {24, 1}, {48, 0}, {64, 1}};
    for (int testCase = 0; testCase < 81 * 8; ++testCase) {
        const int from = testCase % 9, to = testCase / 9 % 9;
        const Layout &layout = layouts[testCase / 81];
        std::mt19937 rng(static_cast<unsigned>(testCase));
        const int w = 1 + int(rng() % 13), h = 1 + int(rng() % 11);
        BitmapRecord b = MakeImage(layout, w, h, rng, false, from), copy{};
        b.Region = RegionOf(RandomMask(rng, w, h));
        // The displayed picture and selection, by where `from` shows each stored pixel.
        std::map<std::pair<int, int>, std::uint64_t> picture;
        Mask shown;
        const Pixels stored = PixelsOf(b);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) picture[{Displayed(from, w, h, c, r).x, Displayed(from, w, h, c, r).y}] = stored[r][c];
        for (const auto &[c, r] : MaskOf(b.Region)) shown.insert({Displayed(from, w, h, c, r).x, Displayed(from, w, h, c, r).y});

        const bool intoCopy = testCase % 2 == 1;
        ASSERT_EQ(KrnChangePerspective(intoCopy ? &b : nullptr, intoCopy ? &copy : &b, to, 0), STATUS_OK);
        const BitmapRecord &result = intoCopy ? copy : b;
        const bool exchanged = ExchangesAxes(from) != ExchangesAxes(to);
        ASSERT_EQ(result.Width, exchanged ? h : w) << from << " -> " << to;
        EXPECT_EQ(result.ViewPerspective, to);
        const Pixels changed = PixelsOf(result);
        Mask shownAfter;
        for (int r = 0; r < result.Height; ++r)
            for (int c = 0; c < result.Width; ++c) {
                const Point d = Displayed(to, result.Width, result.Height, c, r);
                ASSERT_EQ(changed[r][c], (picture[{d.x, d.y}])) << layout.Name() << ", " << from << " -> " << to << " at " << c << "," << r;
            }
        for (const auto &[c, r] : MaskOf(result.Region))
            shownAfter.insert({Displayed(to, result.Width, result.Height, c, r).x, Displayed(to, result.Width, result.Height, c, r).y});
        EXPECT_EQ(shownAfter, shown) << layout.Name() << ", " << from << " -> " << to << ": the region moves with the picture";
        EXPECT_TRUE(!intoCopy || (PixelsOf(b) == stored && b.ViewPerspective == from)) << "the source stays";
        KrnFreeBitmap(&b), KrnFreeBitmap(&copy);
    }
    BitmapRecord b{};
    EXPECT_EQ(KrnChangePerspective(nullptr, &b, 0, 0), STATUS_NO_BITMAP);
}

// Target (x, y) of a resize against the model: channels within half a step
// of the exact weighted average (so rounded correctly except at near-ties);
// colour palettes pick an entry as near as the nearest to the average.
void ExpectResized(const Layout &layout, const std::vector<RGBQUAD> &colors, bool colourPalette, const Pixels &before,
                   const BitmapRecord &result, const std::string &what) {
    const auto columns = AxisTaps(int(before[0].size()), result.Width), rows = AxisTaps(int(before.size()), result.Height);
    const Pixels after = PixelsOf(result);
    for (int y = 0; y < result.Height; ++y)
        for (int x = 0; x < result.Width; ++x) {
            std::vector<double> expected(3);
            for (const auto &[sy, wy] : rows[y])
                for (const auto &[sx, wx] : columns[x]) {
                    const std::uint64_t raw = before[sy][sx];
                    const auto c = colourPalette ? std::vector<double>{double(colors[raw].rgbRed), double(colors[raw].rgbGreen), double(colors[raw].rgbBlue)}
                                                 : ChannelsOf(layout, raw);
                    for (std::size_t k = 0; k < c.size(); ++k) expected[k] += wy * wx * c[k];
                }
            const auto got = ChannelsOf(layout, after[y][x]);
            if (colourPalette) {
                const auto distance = [&](const RGBQUAD &q) {
                    return std::hypot(q.rgbRed - expected[0], q.rgbGreen - expected[1], q.rgbBlue - expected[2]);
                };
                double nearest = 1e9;
                for (const RGBQUAD &q : colors) nearest = std::min(nearest, distance(q));
                ASSERT_LE(distance(colors[after[y][x]]), nearest + 1.0) << what << " at " << x << "," << y;
                continue;
            }
            for (std::size_t k = 0; k < got.size(); ++k)
                ASSERT_NEAR(got[k], expected[k], 0.5 + 1.0 / 32) << what << " at " << x << "," << y << ", channel " << k;
        }
}

TEST_F(ImageOps, ResizeMatchesTheAreaAndInterpolationModel) {
    const std::vector<Layout> layouts = AllLayouts();
    for (int testCase = 0; testCase < 600; ++testCase) {
        std::mt19937 rng(static_cast<unsigned>(testCase));
        const Layout &layout = layouts[testCase % layouts.size()];
        const int w = 1 + int(rng() % 30), h = 1 + int(rng() % 30);
        const int tw = 1 + int(rng() % (testCase % 3 ? 12 : 60)), th = 1 + int(rng() % (testCase % 5 ? 12 : 60));
        BitmapRecord b = MakeImage(layout, w, h, rng, testCase % 4 != 0);
        b.Region = RegionOf(RandomMask(rng, w, h));
        const Pixels before = PixelsOf(b);
        const HPALETTE palette = b.Palette;
        const bool colourPalette = layout.Indexed() && KrnIsGrayBitmap(&b) == 0;
        ASSERT_EQ(KrnResizeBitmap(&b, tw, th, 0), STATUS_OK);
        ASSERT_TRUE(b.Width == tw && b.Height == th && b.BitsPerPixel == layout.bits && b.Palette == palette);
        ExpectResized(layout, ColorsOf(b), colourPalette, before, b, layout.Name() + ", case " + std::to_string(testCase));
        if (w != tw || h != th) {
            ASSERT_FALSE(MaskServices::resizeCalls.empty());
            EXPECT_EQ(MaskServices::resizeCalls.back(), (std::array{w, h, tw, th})) << "the region is scaled from the old size";
        }
        KrnFreeBitmap(&b);
        MaskServices::resizeCalls.clear();
    }
}

TEST_F(ImageOps, ResizeKeepsUniformImagesTakesBlockMeansAndNearestCentres) {
    for (const Layout &layout : AllLayouts())
        for (int testCase = 0; testCase < 4; ++testCase) {
            std::mt19937 rng(static_cast<unsigned>(testCase * 64 + layout.bits));
            const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 40), tw = 1 + int(rng() % 70), th = 1 + int(rng() % 70);
            BitmapRecord b = MakeImage(layout, w, h, rng, testCase % 2 == 0);
            const std::uint64_t value = ReadPixel(RowOf(b, 0), 0, layout.bits);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) WritePixel(const_cast<BYTE *>(RowOf(b, y)), x, layout.bits, value);
            ASSERT_EQ(KrnResizeBitmap(&b, tw, th, testCase < 2 ? 0 : KRN_RESIZE_NEAREST), STATUS_OK);
            const std::uint64_t kept = layout.bits == 16 && !layout.Gray() ? value & 0x7FFF : value;  // bit 15 is unused
            EXPECT_EQ(PixelsOf(b), Pixels(std::size_t(th), std::vector<std::uint64_t>(std::size_t(tw), kept)))
                << layout.Name() << ": a uniform image stays uniform, case " << testCase;
            // Nearest: target (x, y) shows the source pixel under its centre.
            for (int y = 0; y < th; ++y)
                for (int x = 0; x < tw; ++x) WritePixel(const_cast<BYTE *>(RowOf(b, y)), x, layout.bits, rng());
            const Pixels before = PixelsOf(b);
            ASSERT_EQ(KrnResizeBitmap(&b, w, h, KRN_RESIZE_NEAREST), STATUS_OK);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(ReadPixel(RowOf(b, y), x, layout.bits), before[(2 * y + 1) * th / (2 * h)][(2 * x + 1) * tw / (2 * w)])
                        << layout.Name() << " at " << x << "," << y;
            KrnFreeBitmap(&b);
        }
    // Shrinking by whole factors gives each block's mean, rounded.
    for (const Layout &layout : {Layout{24, 1}, Layout{8, 0}, Layout{16, 2}, Layout{48, 1}, Layout{16, 1}})
        for (const auto &[fx, fy] : {std::pair{4, 4}, {3, 2}, {7, 1}, {1, 5}}) {
            std::mt19937 rng(static_cast<unsigned>(fx * 10 + fy));
            const int tw = 1 + int(rng() % 9), th = 1 + int(rng() % 9);
            BitmapRecord b = MakeImage(layout, tw * fx, th * fy, rng, true);
            const Pixels before = PixelsOf(b);
            ASSERT_EQ(KrnResizeBitmap(&b, tw, th, 0), STATUS_OK);
            for (int y = 0; y < th; ++y)
                for (int x = 0; x < tw; ++x)
                    for (std::size_t k = 0; k < ChannelsOf(layout, 0).size(); ++k) {
                        double sum = 0;
                        for (int j = 0; j < fy; ++j)
                            for (int i = 0; i < fx; ++i) sum += ChannelsOf(layout, before[y * fy + j][x * fx + i])[k];
                        ASSERT_NEAR(ChannelsOf(layout, ReadPixel(RowOf(b, y), x, layout.bits))[k], sum / (fx * fy), 0.5 + 1e-6)
                            << layout.Name() << ", factors " << fx << "x" << fy << " at " << x << "," << y;
                    }
            KrnFreeBitmap(&b);
        }
}

TEST_F(ImageOps, ResizeRefusalsAndStopsLeaveTheImage) {
    std::mt19937 rng(5);
    BitmapRecord b = MakeImage({24, 1}, 30, 20, rng, false);
    b.Region = RegionOf(RandomMask(rng, 30, 20));
    const BitmapRecord before = b;
    const auto data = DataOf(b);
    for (UINT flags : {2u, 0x100u}) EXPECT_EQ(KrnResizeBitmap(&b, 5, 5, flags), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnResizeBitmap(&b, 0, 5, 0), STATUS_BAD_PARAMETER);
    MaskServices::resizeFails = true;
    EXPECT_EQ(KrnResizeBitmap(&b, 12, 40, 0), STATUS_NO_MEMORY) << "the region service's failure";
    MaskServices::resizeFails = false;
    KrnSetStatusCallback([](int percent, void *) { return percent >= 50 ? -77 : STATUS_OK; }, nullptr);
    EXPECT_EQ(KrnResizeBitmap(&b, 60, 10, 0), -77) << "the status callback stops it";
    EXPECT_EQ(KrnGrayscaleBitmap(&b, 8), -77);
    EXPECT_EQ(KrnChangePerspective(nullptr, &b, 4, 0), -77);
    KrnSetStatusCallback(nullptr, nullptr);
    EXPECT_TRUE(SameBytes(b, before) && DataOf(b) == data);
    EXPECT_EQ(KrnResizeBitmap(nullptr, 5, 5, 0), STATUS_NO_BITMAP);
    KrnFreeBitmap(&b);
}

TEST_F(ImageOps, GrayscaleMatchesTheLuminanceModel) {
    const std::vector<Layout> layouts = AllLayouts();
    for (int testCase = 0; testCase < int(layouts.size()) * 9; ++testCase) {
        std::mt19937 rng(static_cast<unsigned>(testCase));
        const Layout &layout = layouts[testCase % layouts.size()];
        constexpr int kTargets[] = {8, 12, 16};
        const int bits = kTargets[testCase / layouts.size() % 3];
        BitmapRecord b = MakeImage(layout, 1 + int(rng() % 40), 1 + int(rng() % 6), rng, false, 5);
        if (layout.Gray()) b.LowBit = int(rng() % 6), b.HighBit = b.LowBit + int(rng() % (layout.bits - b.LowBit));
        b.Region = RegionOf(RandomMask(rng, b.Width, b.Height));
        b.Left = 17, b.Delay = 40;
        const BitmapRecord before = b;
        const Pixels raw = PixelsOf(b);
        const auto colors = ColorsOf(b);
        std::vector<std::vector<double>> levels(std::size_t(b.Height));
        for (int y = 0; y < b.Height; ++y)
            for (int x = 0; x < b.Width; ++x)
                levels[y].push_back(Level16(layout, RowOf(b, y), x, b, colors.data(), int(colors.size())));
        ASSERT_EQ(KrnGrayscaleBitmap(&b, bits), STATUS_OK) << layout.Name();
        ASSERT_EQ(b.BitsPerPixel, bits);
        EXPECT_TRUE(b.Width == before.Width && b.Height == before.Height && b.ViewPerspective == 5 &&
                    b.Region == before.Region && b.Left == 17 && b.Delay == 40);
        EXPECT_EQ(KrnIsGrayBitmap(&b), 1);
        EXPECT_EQ(b.Order, bits == 8 ? 0 : 2);
        EXPECT_EQ(b.HighBit, bits == 8 ? 7 : bits - 1);
        const double top = double((1 << bits) - 1);
        for (int y = 0; y < b.Height; ++y)
            for (int x = 0; x < b.Width; ++x) {
                const bool unchanged = layout.Gray() && layout.bits == bits && before.LowBit == 0 && before.HighBit == bits - 1;
                const double expected = unchanged ? double(raw[y][x])
                                                  : std::floor(levels[y][x] * top / 65535 + 0.5);
                ASSERT_EQ(double(ReadPixel(RowOf(b, y), x, bits)), expected) << layout.Name() << " to " << bits << " at " << x;
            }
        EXPECT_EQ(ColorsOf(b).size(), bits == 8 ? 256u : 0u);
        KrnFreeBitmap(&b);
    }
    BitmapRecord b{};
    EXPECT_EQ(KrnGrayscaleBitmap(&b, 8), STATUS_NO_BITMAP);
}

TEST_F(ImageOps, EveryAllocationFailureLeavesTheImage) {
    ZELT_REQUIRE_HOST_CONTROLS("failing each allocation of the image operations");
    struct Case {
        const char *name;
        Layout layout;
        bool grayRamp;
        std::function<int(BitmapRecord &)> run;
    };
    const Case cases[] = {
        {"grayscale 24 to 8", {24, 1}, false, [](BitmapRecord &b) { return KrnGrayscaleBitmap(&b, 8); }},
        {"grayscale 4 to 16", {4, 0}, false, [](BitmapRecord &b) { return KrnGrayscaleBitmap(&b, 16); }},
        {"resize 24 smaller", {24, 0}, false, [](BitmapRecord &b) { return KrnResizeBitmap(&b, 7, 5, 0); }},
        {"resize 32 larger", {32, 1}, false, [](BitmapRecord &b) { return KrnResizeBitmap(&b, 40, 30, 0); }},
        {"resize colour palette", {8, 0}, false, [](BitmapRecord &b) { return KrnResizeBitmap(&b, 9, 31, 0); }},
        {"resize gray 12", {12, 2}, true, [](BitmapRecord &b) { return KrnResizeBitmap(&b, 3, 3, 0); }},
        {"resize nearest", {5, 0}, false, [](BitmapRecord &b) { return KrnResizeBitmap(&b, 33, 2, KRN_RESIZE_NEAREST); }},
        {"quarter turn", {3, 0}, false, [](BitmapRecord &b) { return KrnChangePerspective(nullptr, &b, 7, 0); }},
        {"turned copy", {16, 1}, false, [](BitmapRecord &b) {
             BitmapRecord copy = Garbage();
             const int status = KrnChangePerspective(&b, &copy, 4, 0);
             EXPECT_TRUE(status == STATUS_OK || IsCleared(copy)) << "a failed copy is freed";
             KrnFreeBitmap(&copy);
             return status;
         }},
    };
    for (const Case &c : cases) {
        std::mt19937 rng(9);
        // The undisturbed run changes one copy; the failing runs share another,
        // which each must leave as it was.
        BitmapRecord counted{}, working{};
        counted = MakeImage(c.layout, 21, 13, rng, c.grayRamp, 2);
        counted.Region = RegionOf(RandomMask(rng, 21, 13));
        ASSERT_EQ(KrnCopyBitmap(&working, &counted), STATUS_OK);
        const BitmapRecord before = working;
        const auto data = DataOf(working);
        const Mask selected = MaskOf(working.Region);
        int status = 0, runs = 0;
        const long allocations = ForEachAllocationFailure(
            [&] { status = c.run(runs++ == 0 ? counted : working); },
            [&](long failedAt) {
                EXPECT_EQ(status, STATUS_NO_MEMORY) << c.name << ", allocation " << failedAt;
                EXPECT_TRUE(SameBytes(working, before) && DataOf(working) == data && MaskOf(working.Region) == selected)
                    << c.name << ", allocation " << failedAt << ": the image changed";
            });
        EXPECT_GE(allocations, 2) << c.name;
        KrnFreeBitmap(&counted), KrnFreeBitmap(&working);
    }
}

}  // namespace
