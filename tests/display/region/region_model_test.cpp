// Region records against the per-pixel model: set operations, the geometric
// operations and every combination mode, over seeded random shapes, plus
// argument handling and allocation failures of the combination.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "region_test_support.h"

namespace zelt::test {
namespace {

using namespace zelt::region;

// The scaling rule written out independently, in 64 bits (test values never
// wrap).
LONG ScaledUp(LONG v, LONG num, LONG den) { return LONG((int64_t(v) * num + den - 1) / den); }

bool SameSelection(const PixelMask &got, const PixelMask &expected) { return got.outside == 0 && got == expected; }

TEST(RegionSetOps, MatchThePixelModelOnRandomShapes) {
    struct Op {
        const char *name;
        int (*run)(RegionRecord **, const RegionRecord *, const RegionRecord *);
        bool (*model)(bool a, bool b);
    };
    const Op ops[] = {
        {"intersect", IntersectRgnRecords, [](bool a, bool b) { return a && b; }},
        {"union", UnionRgnRecords, [](bool a, bool b) { return a || b; }},
        {"subtract", SubtractRgnRecords, [](bool a, bool b) { return a && !b; }},
    };
    constexpr LONG kW = 40, kH = 30;
    for (uint32_t seed = 1; seed <= 240; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        std::mt19937 rng(seed);
        auto place = [&] { return LONG(rng() % 61) - 30; };
        const LONG ax = place(), ay = place(), bx = place(), by = place();
        const PixelMask a = seed % 13 == 0 ? PixelMask(kW, kH, ax, ay) : RandomShape(2 * seed, kW, kH, 3, ax, ay);
        const PixelMask b = seed % 17 == 0 ? PixelMask(kW, kH, bx, by) : RandomShape(2 * seed + 1, kW, kH, 3, bx, by);
        RecordPtr ra = RecordFromMask(a), rb = RecordFromMask(b);
        ASSERT_TRUE(ra && rb);
        const LONG ox = std::min(ax, bx), oy = std::min(ay, by);
        const LONG w = std::max(ax, bx) + kW - ox, h = std::max(ay, by) + kH - oy;
        for (const Op &op : ops) {
            RegionRecord *out = nullptr;
            ASSERT_EQ(op.run(&out, ra.get(), rb.get()), STATUS_OK) << op.name;
            RecordPtr result(out);
            ASSERT_TRUE(RecordIsWellFormed(*result)) << op.name;
            const PixelMask expected =
                ModelOf(w, h, ox, oy, [&](LONG x, LONG y) { return op.model(a.Get(x, y), b.Get(x, y)); });
            EXPECT_TRUE(SameSelection(MaskFromRecord(*result, w, h, ox, oy), expected)) << op.name;
        }
    }
}

// One geometric operation: how to apply it and whether the source shape
// puts a pixel at (x, y) afterwards.
struct GeometryCase {
    const char *name;
    std::function<int(RegionBitmap &)> apply;
    std::function<bool(const PixelMask &, LONG, LONG)> expected;
};

TEST(RegionGeometry, MatchesThePixelModelOnRandomShapes) {
    constexpr LONG kW = 32, kH = 24;
    auto scaled = [](LONG xn, LONG xd, LONG yn, LONG yd) {
        // Source pixel blocks tile the plane, so (x, y) lies in at most one.
        return [=](const PixelMask &src, LONG x, LONG y) {
            LONG sx = src.originX, sy = src.originY;
            while (sx < src.originX + src.width && x >= ScaledUp(sx + 1, xn, xd)) ++sx;
            while (sy < src.originY + src.height && y >= ScaledUp(sy + 1, yn, yd)) ++sy;
            return x >= ScaledUp(sx, xn, xd) && y >= ScaledUp(sy, yn, yd) && src.Get(sx, sy);
        };
    };
    auto scale = [](LONG xn, LONG xd, LONG yn, LONG yd) {
        return [=](RegionBitmap &b) { return ScaleRgnRecord(b.record.Region, xn, xd, yn, yd); };
    };
    auto clip = [](RECT r) {
        return GeometryCase{"clip", [=](RegionBitmap &b) { return ClipRgnRecord(b.record.Region, &r); },
                            [=](const PixelMask &s, LONG x, LONG y) {
                                return s.Get(x, y) && x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                            }};
    };
    const GeometryCase cases[] = {
        {"offset", [](RegionBitmap &b) { return OffsetRgnRecord(b.record.Region, 7, -5); },
         [](const PixelMask &s, LONG x, LONG y) { return s.Get(x - 7, y + 5); }},
        {"offset x only", [](RegionBitmap &b) { return OffsetRgnRecord(b.record.Region, -9, 0); },
         [](const PixelMask &s, LONG x, LONG y) { return s.Get(x + 9, y); }},
        {"flip rows", [](RegionBitmap &b) { return FlipBitmapRgnVert(&b.record); },
         [](const PixelMask &s, LONG x, LONG y) { return s.Get(x, kH - 1 - y); }},
        {"flip rows in a taller space", [](RegionBitmap &b) { return FlipRgnRecordVert(b.record.Region, kH + 10); },
         [](const PixelMask &s, LONG x, LONG y) { return s.Get(x, kH + 9 - y); }},
        {"mirror columns", [](RegionBitmap &b) { return FlipBitmapRgnHorz(&b.record); },
         [](const PixelMask &s, LONG x, LONG y) { return s.Get(kW - 1 - x, y); }},
        {"scale 1/2", scale(1, 2, 1, 2), scaled(1, 2, 1, 2)},
        {"scale 2 x 3", scale(2, 1, 3, 1), scaled(2, 1, 3, 1)},
        {"scale 3/2 x 2/3", scale(3, 2, 2, 3), scaled(3, 2, 2, 3)},
        {"scale 1/3 x 5/4", scale(1, 3, 5, 4), scaled(1, 3, 5, 4)},
        {"scale 7/5 x 1", scale(7, 5, 1, 1), scaled(7, 5, 1, 1)},
        clip(RECT{5, 3, 20, 17}),
        clip(RECT{-10, -10, 100, 100}),
        clip(RECT{0, 12, kW, 13}),
        clip(RECT{40, 0, 50, kH}),
    };
    // A canvas wide enough for every result.
    const LONG ox = -kW, oy = -kH, w = 4 * kW, h = 4 * kH;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        // Shapes straddle the bitmap's top-left corner, so negative
        // coordinates are scaled too; every tenth is empty.
        const PixelMask source = seed % 10 == 0 ? PixelMask(kW, kH, -4, -3) : RandomShape(seed, kW, kH, 3, -4, -3);
        for (const GeometryCase &c : cases) {
            RegionBitmap bitmap(kW, kH, RecordFromMask(source));
            RegionRecord *const before = bitmap.record.Region;
            ASSERT_EQ(c.apply(bitmap), STATUS_OK) << c.name;
            ASSERT_EQ(bitmap.record.Region, before) << c.name << ": the record moved";
            ASSERT_TRUE(RecordIsWellFormed(*before)) << c.name;
            const PixelMask expected = ModelOf(w, h, ox, oy, [&](LONG x, LONG y) { return c.expected(source, x, y); });
            EXPECT_TRUE(SameSelection(MaskFromRecord(*before, w, h, ox, oy), expected)) << c.name;
        }
    }
}

// Pins the merging rule with numbers: at 1/2 runs meeting on one scaled
// column join, and a lone pixel at an odd column vanishes.
TEST(RegionGeometry, HalvingMergesAndDropsRuns) {
    PixelMask row(16, 1);
    for (LONG x : {0, 1, 2, 4, 5, 9, 12, 13}) row.Set(x, 0);
    RecordPtr record = RecordFromMask(row);
    ASSERT_EQ(ScaleRgnRecord(record.get(), 1, 2, 1, 1), STATUS_OK);
    ASSERT_TRUE(RecordIsWellFormed(*record));
    const RowRuns runs = RowOf(*record, 0);
    ASSERT_EQ(runs.count, 4u);
    // (0,3) (4,6) -> (0,2) (2,3) joined; (9,10) -> (5,5) gone; (12,14) -> (6,7).
    EXPECT_EQ(std::vector<LONG>(runs.values, runs.values + 4), (std::vector<LONG>{0, 3, 6, 7}));
    EXPECT_EQ(record->Bounds.right, 7);
}

// Scales whose 32-bit products wrap give some record, never a broken one:
// either a well-formed result or a refusal that leaves the record alone.
TEST(RegionGeometry, WrappingScalesKeepTheRecordSound) {
    const LONG ratios[][4] = {{1 << 30, 1, 1, 1}, {0x7FFFFFFF, 3, 5, 1}, {7, 0x7FFFFFFF, 1, 1},
                              {1, 1, 1 << 29, 3}, {-5, 1, 1, 1},         {3, 1, 0x40000001, 2}};
    const PixelMask source = RandomShape(8, 40, 30, 4, -3, -2);
    for (const auto &r : ratios) {
        SCOPED_TRACE(testing::Message() << r[0] << "/" << r[1] << " x " << r[2] << "/" << r[3]);
        RecordPtr record = RecordFromMask(source);
        const int status = ScaleRgnRecord(record.get(), r[0], r[1], r[2], r[3]);
        if (status == STATUS_OK) {
            EXPECT_TRUE(RecordIsWellFormed(*record));
        } else {
            EXPECT_EQ(status, STATUS_NO_MEMORY);
            EXPECT_TRUE(MaskFromRecord(*record, 40, 30, -3, -2) == source);
        }
    }
}

class RegionRecordCaches : public LeakCheckedTest {};

TEST_F(RegionRecordCaches, OnlyAGeometryChangeDropsThem) {
    RecordPtr record = RecordFromMask(RandomShape(3, 20, 20));
    record->hRgnCache = CreateRectRgn(0, 0, 4, 4);
    const HRGN cached = record->hRgnCache;
    ASSERT_EQ(OffsetRgnRecord(record.get(), 0, 0), STATUS_OK);
    EXPECT_EQ(record->hRgnCache, cached);
    const RECT wide{-50, -50, 50, 50};
    ASSERT_EQ(ClipRgnRecord(record.get(), &wide), STATUS_OK);
    EXPECT_EQ(record->hRgnCache, cached);
    ASSERT_EQ(OffsetRgnRecord(record.get(), 0, 1), STATUS_OK);
    EXPECT_EQ(record->hRgnCache, nullptr);
}

TEST(RegionCombine, EveryModeMatchesTheModelClippedToTheBitmap) {
    constexpr LONG kW = 45, kH = 33;
    for (uint32_t seed = 0; seed < 7 * 40; ++seed) {
        const int mode = int(seed % 7);
        const bool hasRegion = (seed / 7) % 2 == 0;
        SCOPED_TRACE(testing::Message() << "seed " << seed << " mode " << mode << " region " << hasRegion);
        std::mt19937 rng(seed);
        // Shapes hang over the edges; every tenth lies wholly outside.
        LONG nx = LONG(rng() % 50) - 20, ny = LONG(rng() % 40) - 15;
        if (seed % 10 == 3) nx = kW + 2;
        const PixelMask existing = RandomShape(seed + 1000, kW, kH, 3);
        const PixelMask fresh = RandomShape(seed + 2000, 30, 25, 3, nx, ny);

        RegionBitmap bitmap(kW, kH, hasRegion ? RecordFromMask(existing) : nullptr);
        ASSERT_EQ(CombineBitmapRgn(&bitmap.record, nullptr, RecordFromMask(fresh).release(), mode), STATUS_OK);
        ASSERT_NE(bitmap.record.Region, nullptr);
        ASSERT_TRUE(RecordIsWellFormed(*bitmap.record.Region));
        const PixelMask expected = ModelOf(kW, kH, 0, 0, [&](LONG x, LONG y) {
            return CombinedPixel(mode, !hasRegion || existing.Get(x, y), fresh.Get(x, y));
        });
        EXPECT_TRUE(SameSelection(MaskFromRecord(*bitmap.record.Region, kW, kH), expected));
    }
}

TEST(RegionCombine, OffsetAndScaleMapTheShapeIntoTheBitmap) {
    const RegionXForm xforms[] = {
        {0, 1, 1, 1, 1, 6, -4}, {0, 1, 2, 1, 2, 0, 0}, {0, 3, 2, 2, 1, -3, 5}, {3, 2, 3, 1, 1, 10, 2}};
    constexpr LONG kW = 50, kH = 40;
    uint32_t seed = 70;
    for (const RegionXForm &xf : xforms) {
        SCOPED_TRACE(testing::Message() << "xform " << xf.XNum << "/" << xf.XDen << " " << xf.YNum << "/" << xf.YDen);
        const PixelMask fresh = RandomShape(++seed, 30, 25, 4, -2, -2);
        // The bitmap shares the transform's perspective: no turn involved.
        RegionBitmap bitmap(kW, kH, nullptr, xf.Perspective);
        ASSERT_EQ(CombineBitmapRgn(&bitmap.record, &xf, RecordFromMask(fresh).release(), RGNMODE_SET), STATUS_OK);
        ASSERT_TRUE(RecordIsWellFormed(*bitmap.record.Region));
        PixelMask expected(kW, kH);
        for (LONG sy = fresh.originY; sy < fresh.originY + fresh.height; ++sy)
            for (LONG sx = fresh.originX; sx < fresh.originX + fresh.width; ++sx) {
                if (!fresh.Get(sx, sy)) continue;
                const LONG x = sx + xf.XOffset, y = sy + xf.YOffset;
                for (LONG ty = ScaledUp(y, xf.YNum, xf.YDen); ty < ScaledUp(y + 1, xf.YNum, xf.YDen); ++ty)
                    for (LONG tx = ScaledUp(x, xf.XNum, xf.XDen); tx < ScaledUp(x + 1, xf.XNum, xf.XDen); ++tx)
                        expected.Set(tx, ty);
            }
        EXPECT_TRUE(SameSelection(MaskFromRecord(*bitmap.record.Region, kW, kH), expected));
    }
}

class RegionCombineArguments : public LeakCheckedTest {};

TEST_F(RegionCombineArguments, RefusalsConsumeTheRecordAndKeepTheRegion) {
    const RegionXForm p6{6, 1, 1, 1, 1, 0, 0}, p9{9, 1, 1, 1, 1, 0, 0}, pNeg{-1, 1, 1, 1, 1, 0, 0};
    const RegionXForm zeroX{0, 1, 0, 1, 1, 0, 0}, zeroY{0, 1, 1, 1, 0, 0, 0};
    const struct {
        bool nullBitmap;
        const RegionXForm *xform;
        int mode, status;
    } cases[] = {
        {true, nullptr, RGNMODE_SET, STATUS_NO_BITMAP}, {false, nullptr, 7, STATUS_BAD_PARAMETER},
        {false, nullptr, -1, STATUS_BAD_PARAMETER},     {false, &p6, RGNMODE_OR, STATUS_BAD_PARAMETER},
        {false, &p9, RGNMODE_OR, STATUS_BAD_PARAMETER}, {false, &pNeg, RGNMODE_OR, STATUS_BAD_PARAMETER},
        {false, &zeroX, RGNMODE_OR, STATUS_BAD_PARAMETER}, {false, &zeroY, RGNMODE_OR, STATUS_BAD_PARAMETER},
    };
    const PixelMask existing = RandomShape(11, 30, 20);
    for (size_t i = 0; i < std::size(cases); ++i) {
        RegionBitmap bitmap(existing);
        RegionRecord *const before = bitmap.record.Region;
        EXPECT_EQ(CombineBitmapRgn(cases[i].nullBitmap ? nullptr : bitmap.get(), cases[i].xform,
                                   RecordFromMask(RandomShape(12, 30, 20)).release(), cases[i].mode),
                  cases[i].status)
            << "case " << i;
        EXPECT_EQ(bitmap.record.Region, before) << "case " << i;
        EXPECT_TRUE(SameSelection(bitmap.Selection(), existing)) << "case " << i;
    }
    // A null record removes the region in any mode.
    RegionBitmap bitmap(existing);
    EXPECT_EQ(CombineBitmapRgn(bitmap.get(), nullptr, nullptr, RGNMODE_AND), STATUS_OK);
    EXPECT_EQ(bitmap.record.Region, nullptr);
}

class RegionCombineFailures : public LeakCheckedTest {};

// Whichever allocation fails, the bitmap keeps its region pixel for pixel
// (the same record) or, when only a trim failed, holds the right result.
TEST_F(RegionCombineFailures, EveryAllocationFailureKeepsTheOldRegion) {
    const RegionXForm turning{4, 2, 1, 1, 1, 1, -2};
    const struct {
        const char *name;
        int mode;
        bool hasRegion;
        const RegionXForm *xform;
    } cases[] = {
        {"xor", RGNMODE_XOR, true, nullptr},
        {"setnot", RGNMODE_SETNOT, true, nullptr},
        {"and without region", RGNMODE_AND, false, nullptr},
        {"or through a turning transform", RGNMODE_OR, true, &turning},
    };
    constexpr LONG kW = 36, kH = 28;
    const PixelMask existing = RandomShape(21, kW, kH, 4);
    const PixelMask fresh = RandomShape(22, 24, 20, 4, -3, 4);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        // The expected result, from an undisturbed run.
        PixelMask expected;
        {
            RegionBitmap bitmap(kW, kH, c.hasRegion ? RecordFromMask(existing) : nullptr);
            ASSERT_EQ(CombineBitmapRgn(bitmap.get(), c.xform, RecordFromMask(fresh).release(), c.mode), STATUS_OK);
            expected = bitmap.Selection();
        }
        const PixelMask previous = c.hasRegion ? existing : WholeCanvas(kW, kH);
        int status = 0;
        bool called = false, sameRecord = false;
        PixelMask after;
        long combineRuns = 0;
        const long allocations = ForEachAllocationFailure(
            [&] {
                called = false;
                // Setting up may itself meet the failure; then Combine is not
                // reached.
                RegionBitmap bitmap(kW, kH);
                if (c.hasRegion && (bitmap.record.Region = RecordFromMask(existing).release()) == nullptr) return;
                RegionRecord *record = RecordFromMask(fresh).release();
                if (record == nullptr) return;
                RegionRecord *const before = bitmap.record.Region;
                called = true;
                ++combineRuns;
                status = CombineBitmapRgn(bitmap.get(), c.xform, record, c.mode);
                sameRecord = bitmap.record.Region == before;
                after = bitmap.Selection();
            },
            [&](long failedAt) {
                if (!called) return;
                if (status == STATUS_OK) {
                    EXPECT_TRUE(SameSelection(after, expected)) << "allocation " << failedAt;
                } else {
                    EXPECT_EQ(status, STATUS_NO_MEMORY) << "allocation " << failedAt;
                    EXPECT_TRUE(sameRecord) << "allocation " << failedAt;
                    EXPECT_TRUE(SameSelection(after, previous)) << "allocation " << failedAt;
                }
            });
        // The set-up's own allocations come first; most failures must reach the
        // combination.
        EXPECT_GT(combineRuns, allocations / 2) << allocations;
    }
}

}  // namespace
}  // namespace zelt::test
