// Region queries (area, clip segments, bounds) against the per-pixel model,
// and the mapping of rectangles from bitmap space into display space.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "region_test_support.h"

namespace zelt::test {
namespace {

using namespace zelt::region;

class RegionQueries : public LeakCheckedTest {};

// The model's runs of row y, as start, end, ...
std::vector<LONG> ModelRow(const PixelMask &mask, LONG y) {
    std::vector<LONG> runs;
    for (LONG x = 0; x < mask.width;) {
        if (!mask.Get(x, y)) {
            ++x;
            continue;
        }
        const LONG start = x;
        while (x < mask.width && mask.Get(x, y)) ++x;
        runs.push_back(start);
        runs.push_back(x);
    }
    return runs;
}

RECT ModelBounds(const PixelMask &mask) {
    RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (LONG y = 0; y < mask.height; ++y)
        for (LONG x = 0; x < mask.width; ++x)
            if (mask.Get(x, y)) box = RECT{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                                           std::max(box.bottom, y + 1)};
    return box.left == INT_MAX ? RECT{0, 0, 0, 0} : box;
}

bool SameRect(const RECT &a, const RECT &b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT &r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

// Every query over seeded random regions, including empty ones and rows
// above and below the bitmap.
TEST_F(RegionQueries, AnswersMatchThePixelModel) {
    constexpr LONG kSentinel = -12345;
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        std::mt19937 rng(seed);
        const LONG width = 1 + LONG(rng() % 70), height = 1 + LONG(rng() % 50);
        PixelMask mask = RandomShape(seed, width, height, 1 + int(rng() % 5));
        if (seed % 10 == 0) mask = PixelMask(width, height);  // an empty record
        RegionBitmap bitmap(mask);
        ASSERT_NE(bitmap.record.Region, nullptr);
        SCOPED_TRACE("seed " + std::to_string(seed));

        EXPECT_EQ(Z_BitmapHasRgn(&bitmap.record), 1);
        DWORD area = 0;
        ASSERT_EQ(Z_GetBitmapRgnArea(&bitmap.record, &area), STATUS_OK);
        EXPECT_EQ(long(area), mask.Count());

        const RECT box = ModelBounds(mask);
        DWORD most = 0;
        ASSERT_EQ(Z_GetBitmapClipSegmentsMax(&bitmap.record, &most), STATUS_OK);
        EXPECT_EQ(most, DWORD(box.right - box.left + 1) & ~1u);

        RECT bounds{-1, -1, -1, -1};
        ASSERT_EQ(Z_GetBitmapRgnBounds(&bitmap.record, nullptr, &bounds), STATUS_OK);
        EXPECT_TRUE(SameRect(bounds, box)) << Describe(bounds) << " want " << Describe(box);

        std::vector<LONG> segments(size_t(most) + 2);
        for (LONG y = -2; y < height + 2; ++y) {
            std::fill(segments.begin(), segments.end(), kSentinel);
            DWORD count = 99;
            ASSERT_EQ(Z_GetBitmapClipSegments(&bitmap.record, y, segments.data(), &count), STATUS_OK);
            const std::vector<LONG> want = ModelRow(mask, y);
            ASSERT_EQ(count, want.size()) << "row " << y;
            EXPECT_LE(count, most) << "row " << y;
            EXPECT_TRUE(std::equal(want.begin(), want.end(), segments.begin())) << "row " << y;
            EXPECT_EQ(segments[count], kSentinel) << "row " << y << " wrote past its count";
        }
    }
}

TEST_F(RegionQueries, BitmapWithoutRegionIsWhollySelected) {
    RegionBitmap bitmap(37, 21);
    EXPECT_EQ(Z_BitmapHasRgn(&bitmap.record), 0);
    DWORD area = 0, most = 0;
    ASSERT_EQ(Z_GetBitmapRgnArea(&bitmap.record, &area), STATUS_OK);
    EXPECT_EQ(area, 37u * 21u);
    ASSERT_EQ(Z_GetBitmapClipSegmentsMax(&bitmap.record, &most), STATUS_OK);
    EXPECT_EQ(most, 2u);
    for (const int row : {-1, 0, 20, 21, 5000}) {
        LONG segments[2] = {-7, -7};
        DWORD count = 0;
        ASSERT_EQ(Z_GetBitmapClipSegments(&bitmap.record, row, segments, &count), STATUS_OK);
        EXPECT_EQ(count, 2u) << row;
        EXPECT_EQ(segments[0], 0) << row;
        EXPECT_EQ(segments[1], 37) << row;
    }
    RECT bounds{};
    const RegionXForm half{0, 1, 2, 1, 2, 5, 6};
    ASSERT_EQ(Z_GetBitmapRgnBounds(&bitmap.record, &half, &bounds), STATUS_OK);
    EXPECT_TRUE(SameRect(bounds, RECT{5, 6, 5 + 19, 6 + 10})) << Describe(bounds);
}

TEST_F(RegionQueries, FreeingRemovesTheRecord) {
    RegionBitmap bitmap(RandomShape(3, 30, 20));
    bitmap.record.Region->hRgnCache = CreateRectRgn(0, 0, 4, 4);  // released with the record
    EXPECT_EQ(Z_FreeBitmapRgn(&bitmap.record), STATUS_OK);
    EXPECT_EQ(bitmap.record.Region, nullptr);
    EXPECT_EQ(Z_BitmapHasRgn(&bitmap.record), 0);
    EXPECT_EQ(Z_FreeBitmapRgn(&bitmap.record), STATUS_OK);
}

TEST_F(RegionQueries, RefusedArguments) {
    RegionBitmap bitmap(RandomShape(4, 30, 20));
    DWORD value = 0;
    LONG segments[32];
    RECT rect{1, 2, 3, 4};
    const RegionXForm badPerspective{6, 1, 1, 1, 1, 0, 0}, zeroDenominator{0, 1, 0, 1, 1, 0, 0};
    const struct {
        const char *what;
        int status, want;
    } cases[] = {
        {"has null", Z_BitmapHasRgn(nullptr), 0},
        {"free null", Z_FreeBitmapRgn(nullptr), STATUS_BAD_PARAMETER},
        {"area null bitmap", Z_GetBitmapRgnArea(nullptr, &value), STATUS_NO_BITMAP},
        {"max null bitmap", Z_GetBitmapClipSegmentsMax(nullptr, &value), STATUS_NO_BITMAP},
        {"max null count", Z_GetBitmapClipSegmentsMax(&bitmap.record, nullptr), STATUS_BAD_PARAMETER},
        {"segments null bitmap", Z_GetBitmapClipSegments(nullptr, 0, segments, &value), STATUS_NO_BITMAP},
        {"segments null count", Z_GetBitmapClipSegments(&bitmap.record, 0, segments, nullptr), STATUS_BAD_PARAMETER},
        {"bounds null bitmap", Z_GetBitmapRgnBounds(nullptr, nullptr, &rect), STATUS_NO_BITMAP},
        {"bounds perspective 6", Z_GetBitmapRgnBounds(&bitmap.record, &badPerspective, &rect), STATUS_BAD_PARAMETER},
        {"bounds zero denominator", Z_GetBitmapRgnBounds(&bitmap.record, &zeroDenominator, &rect),
         STATUS_BAD_PARAMETER},
        {"map null bitmap", BitmapRectToDisplay(nullptr, nullptr, &rect), STATUS_NO_BITMAP},
        {"map null rect", BitmapRectToDisplay(&bitmap.record, nullptr, nullptr), STATUS_BAD_PARAMETER},
    };
    for (const auto &c : cases) EXPECT_EQ(c.status, c.want) << c.what;
    EXPECT_TRUE(SameRect(rect, RECT{1, 2, 3, 4})) << "a refused transform changed the rectangle";
}

// Golden mappings. The bitmap is 100 x 80; `view` is its ViewPerspective.
TEST_F(RegionQueries, RectangleMappingGoldens) {
    struct Case {
        const char *what;
        LONG view;
        RegionXForm xform;
        RECT in, want;
    };
    const Case cases[] = {
        {"x 1:2 rounds up, 0 stays", 0, {0, 1, 2, 1, 1, 0, 0}, {3, 0, 5, 7}, {2, 0, 3, 7}},
        {"negative edges truncate toward zero", 0, {0, 1, 2, 1, 2, 0, 0}, {-3, -3, 0, 1}, {-1, -1, 0, 0}},
        {"rows round down", 0, {0, 1, 1, 1, 2, 0, 0}, {0, 3, 1, 5}, {0, 1, 1, 2}},
        {"perspective 2 rounds rows up", 2, {2, 1, 1, 1, 2, 0, 0}, {0, 3, 1, 5}, {0, 2, 1, 3}},
        {"scale then offset", 0, {0, 2, 1, 3, 1, 5, -7}, {1, 2, 3, 4}, {7, -1, 11, 5}},
        {"view 2 shown in 0 flips rows", 2, {0, 1, 1, 1, 1, 0, 0}, {10, 3, 20, 5}, {10, 75, 20, 77}},
        {"view 0 in 1 mirrors columns", 0, {1, 1, 1, 1, 1, 0, 0}, {10, 3, 20, 5}, {80, 3, 90, 5}},
        {"view 0 in 5 transposes", 0, {5, 1, 1, 1, 1, 0, 0}, {10, 3, 20, 5}, {3, 10, 5, 20}},
        // Turned clockwise: stored rows become display columns counted from
        // the right; 0 over view 4 rounds rows up.
        {"view 4 in 0 rounds rows up", 4, {0, 1, 1, 1, 3, 0, 0}, {10, 3, 20, 5}, {75, 4, 77, 7}},
        {"view 4 in 1 rounds rows down", 4, {1, 1, 1, 1, 3, 0, 0}, {10, 3, 20, 5}, {3, 3, 5, 6}},
        {"view 6 in 0 is the same picture", 6, {0, 3, 2, 1, 1, 1, 1}, {1, 2, 3, 4}, {3, 3, 6, 5}},
        // |v| x |num| past 2^31 - 1 is evaluated in double precision.
        {"large products", 0, {0, 65536, 65536, 40000, 80000, 0, 0}, {65536, 65536, 131072, 131072},
         {65536, 32768, 131072, 65536}},
        {"results past 32 bits saturate", 0, {0, 4, 1, -4, 1, 0, 0}, {1 << 28, 1 << 28, 1 << 30, 1 << 30},
         {1 << 30, -(1 << 30), INT_MAX, INT_MIN}},
        {"offsets saturate", 0, {0, 1, 1, 1, 1, INT_MAX, INT_MIN}, {0, 0, 5, -5}, {INT_MAX, INT_MIN, INT_MAX, INT_MIN}},
    };
    for (const Case &c : cases) {
        RegionBitmap bitmap(100, 80);
        bitmap.record.ViewPerspective = c.view;
        RECT rect = c.in;
        ASSERT_EQ(BitmapRectToDisplay(&bitmap.record, &c.xform, &rect), STATUS_OK) << c.what;
        EXPECT_TRUE(SameRect(rect, c.want)) << c.what << ": " << Describe(rect) << " want " << Describe(c.want);
    }

    RegionBitmap bitmap(100, 80);
    RECT rect{-4, 9, 17, 33};
    ASSERT_EQ(BitmapRectToDisplay(&bitmap.record, nullptr, &rect), STATUS_OK);
    EXPECT_TRUE(SameRect(rect, RECT{-4, 9, 17, 33})) << "no transform keeps the rectangle";
}

}  // namespace
}  // namespace zelt::test
