// Framing a region: the outline mask against golden shapes and against the
// per-pixel outline model, the stripes on the device, the mask cache, and
// clean failure when memory runs out.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "region_draw_support.h"

namespace {

using namespace zelt::test;
using zelt::region::BuildFrameMask;

class FrameTest : public LeakCheckedTest {};

PixelMask FromRows(const std::vector<const char *> &rows) {
    PixelMask mask(LONG(std::strlen(rows[0])), LONG(rows.size()));
    for (LONG y = 0; y < mask.height; ++y)
        for (LONG x = 0; x < mask.width; ++x) mask.Set(x, y, rows[size_t(y)][x] == '#');
    return mask;
}

// Pixels where two masks disagree over the canvas of `a`, plus any set
// pixel of either that lies off that canvas.
long Differences(const PixelMask &a, const PixelMask &b) {
    long differ = 0, inA = 0;
    for (LONG y = a.originY; y < a.originY + a.height; ++y)
        for (LONG x = a.originX; x < a.originX + a.width; ++x) {
            differ += a.Get(x, y) != b.Get(x, y);
            inA += b.Get(x, y);
        }
    return differ + (b.Count() - inA) + a.outside + b.outside;
}

PixelMask FrameMaskOf(BitmapRecord &bitmap, const RegionXForm *xform) {
    RECT box{};
    EXPECT_EQ(Z_GetBitmapRgnBounds(&bitmap, xform, &box), STATUS_OK);
    return ReadMask(bitmap.Region->hFrameMask, box.left, box.top);
}

const LONG kPerspectives[] = {0, 1, 2, 3, 4, 5, 7, 8};

TEST_F(FrameTest, OutlineOfGoldenShapes) {
    struct Case {
        const char *name;
        std::vector<const char *> shape, outline;
    };
    const Case cases[] = {
        {"filled rectangle: a one-pixel ring",
         {"......", ".####.", ".####.", ".####.", ".####.", "......"},
         {"......", ".####.", ".#..#.", ".#..#.", ".####.", "......"}},
        {"runs of one and two pixels are all outline",
         {"#.##.#####", "#.##.#####", "#.##.#####"},
         {"#.##.#####", "#.##.#...#", "#.##.#####"}},
        {"uncovered pieces widen by one inside their run",
         {"..####....", "##########", "##########"},
         {"..####....", "###..#####", "##########"}},
        {"a hole gets its own ring",
         {"#####", "#####", "##.##", "#####", "#####"},
         {"#####", "#####", "##.##", "#####", "#####"}},
        {"a hole in a wide block",
         {"#######", "#######", "###.###", "#######", "#######", "#######"},
         {"#######", "#.###.#", "#.#.#.#", "#.###.#", "#.....#", "#######"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const PixelMask shape = FromRows(c.shape);
        RegionBitmap bitmap(shape);
        ASSERT_EQ(BuildFrameMask(bitmap.get(), nullptr), STATUS_OK);
        EXPECT_EQ(Differences(FromRows(c.outline), FrameMaskOf(bitmap.record, nullptr)), 0);
    }
}

TEST_F(FrameTest, OutlineMatchesTheModelOnRandomRegions) {
    const PixelMask canvas(170, 170, -25, -25);
    for (uint32_t seed = 0; seed < 160; ++seed) {
        std::mt19937 rng(seed);
        const LONG w = 1 + LONG(rng() % 40), h = 1 + LONG(rng() % 40);
        const LONG view = kPerspectives[rng() % 8];
        const PixelMask shape = RandomShape(seed, w, h, 1 + int(rng() % 5));
        RegionBitmap bitmap(shape, view);
        const bool identity = seed % 4 == 0;
        const RegionXForm xform{kPerspectives[rng() % 8], 1 + LONG(rng() % 3), 1 + LONG(rng() % 3),
                                1 + LONG(rng() % 3), 1 + LONG(rng() % 3), LONG(rng() % 21) - 10,
                                LONG(rng() % 21) - 10};
        const RegionXForm key = identity ? RegionXForm{view, 1, 1, 1, 1, 0, 0} : xform;
        const RegionXForm *passed = identity ? nullptr : &xform;
        SCOPED_TRACE(::testing::Message() << "seed " << seed << " " << w << "x" << h << " view " << view
                                          << " perspective " << key.Perspective << " scale " << key.XNum << "/"
                                          << key.XDen << ", " << key.YNum << "/" << key.YDen);

        ASSERT_EQ(BuildFrameMask(bitmap.get(), passed), STATUS_OK);
        const PixelMask expected = OutlineModel(DisplayModel(shape, view, key, canvas));
        EXPECT_EQ(Differences(expected, FrameMaskOf(bitmap.record, passed)), 0);
        const RegionXForm &stored = bitmap.record.Region->FrameMaskXForm;
        EXPECT_EQ(std::memcmp(&stored, &key, sizeof key), 0) << "cache key";
        EXPECT_EQ(bitmap.record.Region->MaskPerspective, view);
    }
}

// The stripes of brush k where the outline is, the device unchanged
// elsewhere, whatever text and background colours the caller had (they
// are given back). Brush k + 1 shows brush k moved up a row, so type 7 is
// type 0 moved down a row. Type 3 frames a bitmap without a region: its
// whole rectangle.
TEST_F(FrameTest, DrawsTheStripesOfEachTypeOnTheOutlineOnly) {
    for (UINT k = 0; k < 8; ++k) {
        SCOPED_TRACE(::testing::Message() << "frame type " << k);
        const PixelMask shape = k == 3 ? WholeCanvas(20, 12) : RandomShape(100 + k, 40, 30, 3);
        RegionBitmap bitmap(shape.width, shape.height, k == 3 ? nullptr : RecordFromMask(shape));
        const RegionXForm xform{0, 1, 1, 1, 1, LONG(k) * 4 - 6, 12 - LONG(k) * 2};
        DrawCanvas canvas(64, 48);
        canvas.Fill(k);
        const std::vector<DWORD> before = canvas.Pixels();
        const COLORREF text = RGB(200, 0, 0), background = RGB(0, 0, 200);
        SetTextColor(canvas.dc(), text);
        SetBkColor(canvas.dc(), background);

        ASSERT_EQ(Z_FrameBitmapRgn(canvas.dc(), bitmap.get(), &xform, k), STATUS_OK);
        const PixelMask outline = OutlineModel(DisplayModel(shape, 0, xform, PixelMask(100, 100, -20, -20)));
        std::vector<DWORD> expected = before;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                if (outline.Get(x, y)) expected[size_t(y * canvas.width() + x)] = StripeColor(int(k), x, y);
        EXPECT_EQ(CountMismatches(canvas, expected, "frame"), 0);
        EXPECT_EQ(GetTextColor(canvas.dc()), text);
        EXPECT_EQ(GetBkColor(canvas.dc()), background);
    }
}

TEST_F(FrameTest, RejectsBadArgumentsWithoutDrawing) {
    RegionBitmap bitmap(FromRows({"###", "###"}));
    DrawCanvas canvas(8, 8);
    canvas.Fill(9u);
    const std::vector<DWORD> before = canvas.Pixels();
    const RegionXForm perspective6{6, 1, 1, 1, 1, 0, 0}, zeroDen{0, 1, 0, 1, 1, 0, 0};
    struct Case {
        BitmapRecord *bitmap;
        const RegionXForm *xform;
        UINT type;
        int status;
    } cases[] = {
        {nullptr, nullptr, 0, STATUS_NO_BITMAP},          {bitmap.get(), nullptr, 8, STATUS_BAD_PARAMETER},
        {bitmap.get(), nullptr, 0xFFFFFFFF, STATUS_BAD_PARAMETER}, {bitmap.get(), &perspective6, 0, STATUS_BAD_PARAMETER},
        {bitmap.get(), &zeroDen, 0, STATUS_BAD_PARAMETER},
    };
    for (const Case &c : cases) EXPECT_EQ(Z_FrameBitmapRgn(canvas.dc(), c.bitmap, c.xform, c.type), c.status);
    EXPECT_EQ(canvas.Pixels(), before);
    EXPECT_EQ(bitmap.record.Region->hFrameMask, nullptr);
}

// Clearing the cached mask's bits shows whether a call reuses it: a reused
// empty mask draws nothing, a rebuilt one draws the outline.
TEST_F(FrameTest, OnlyScaleOrPerspectiveChangesRebuildTheMask) {
    RegionBitmap bitmap(FromRows({"........", ".######.", ".######.", ".######.", "........"}));
    RegionRecord &region = *bitmap.record.Region;
    DrawCanvas canvas(40, 30);
    auto drawChanges = [&](const RegionXForm &xform) {
        canvas.Fill(77u);
        const std::vector<DWORD> before = canvas.Pixels();
        EXPECT_EQ(Z_FrameBitmapRgn(canvas.dc(), bitmap.get(), &xform, 2), STATUS_OK);
        return canvas.Pixels() != before;
    };

    EXPECT_TRUE(drawChanges({0, 1, 1, 1, 1, 0, 0}));
    const HBITMAP first = region.hFrameMask;
    ASSERT_NE(first, nullptr);
    ClearMonoBitmap(region.hFrameMask);
    EXPECT_FALSE(drawChanges({0, 1, 1, 1, 1, 9, 4})) << "a new offset must reuse the mask";
    EXPECT_EQ(region.hFrameMask, first);
    EXPECT_EQ(region.FrameMaskXForm.XOffset, 9);
    EXPECT_EQ(region.FrameMaskXForm.YOffset, 4);

    EXPECT_TRUE(drawChanges({0, 2, 1, 2, 1, 9, 4})) << "a new scale must rebuild the mask";
    ClearMonoBitmap(region.hFrameMask);
    bitmap.record.ViewPerspective = 3;
    EXPECT_TRUE(drawChanges({0, 2, 1, 2, 1, 9, 4})) << "a new view perspective must rebuild the mask";
    EXPECT_EQ(region.MaskPerspective, 3);
}

TEST_F(FrameTest, MaskBuildFailsCleanly) {
    const PixelMask shape = RandomShape(7, 30, 20, 3);
    RegionBitmap bitmap(shape);
    const RegionXForm xform{4, 3, 2, 1, 1, 4, -3};  // a turn and a scale, so the mapping allocates too
    int status = 0;
    bool cached = false;
    long failed = 0;
    const long allocations = ForEachAllocationFailure(
        [&] {
            status = BuildFrameMask(bitmap.get(), &xform);
            cached = bitmap.record.Region->hFrameMask != nullptr;
            if (cached) DeleteObject(bitmap.record.Region->hFrameMask);
            bitmap.record.Region->hFrameMask = nullptr;
        },
        [&](long failedAt) {
            SCOPED_TRACE(failedAt);
            if (status == STATUS_OK) {
                EXPECT_TRUE(cached);  // only a failed trim of a buffer can pass unnoticed
            } else {
                ++failed;
                EXPECT_EQ(status, STATUS_NO_MEMORY);
                EXPECT_FALSE(cached);
            }
        });
    EXPECT_GT(failed, 0);
    EXPECT_GT(allocations, 5);
    EXPECT_EQ(MaskFromRecord(*bitmap.record.Region, 30, 20), shape) << "the region itself is untouched";
}

TEST_F(FrameTest, FramingUnderAllocationFailureDrawsAllOrNothing) {
    RegionBitmap bitmap(FromRows({"..........", "..######..", "..######..", "..######..", ".........."}));
    DrawCanvas canvas(16, 8);
    std::vector<DWORD> before, after;
    int status = 0;
    ForEachAllocationFailure(
        [&] {
            canvas.Fill(3u);
            before = canvas.Pixels();
            status = Z_FrameBitmapRgn(canvas.dc(), bitmap.get(), nullptr, 5);
            after = canvas.Pixels();
            zelt::region::DropRegionCaches(*bitmap.record.Region);  // the fallback caches a region handle
        },
        [&](long failedAt) {
            SCOPED_TRACE(failedAt);
            std::vector<DWORD> framed = before;
            for (int y = 1; y < 4; ++y)
                for (int x = 2; x < 8; ++x)
                    if (x == 2 || x == 7 || y == 1 || y == 3) framed[size_t(y * 16 + x)] = StripeColor(5, x, y);
            EXPECT_TRUE(status == STATUS_OK || status == STATUS_NO_MEMORY) << status;
            EXPECT_TRUE(after == framed || after == before);
            if (status != STATUS_OK) {
                EXPECT_EQ(after, before);
            }
        });
}

}  // namespace
