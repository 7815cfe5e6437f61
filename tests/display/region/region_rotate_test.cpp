// Turning regions: exact quarter turns against the pixel mapping, turns by
// arbitrary angles against geometric invariants, and shapes given in
// another view perspective against a model built from the perspective table.
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "region_test_support.h"

namespace zelt::test {
namespace {

using namespace zelt::region;

// A quarter turn stores the picture the way a view perspective would show
// it: clockwise as perspective 4, half a turn as 3, counter-clockwise as 8.
TEST(RegionRotate, QuarterTurnsMapEveryPixelExactly) {
    const int cases[][2] = {{9000, 4}, {18000, 3}, {27000, 8}, {-9000, 8}, {45000, 4}, {-18000, 3}};
    constexpr LONG kW = 37, kH = 23;
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        const PixelMask source = RandomShape(seed, kW, kH, 4);
        for (const auto [angle, perspective] : cases) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " angle " << angle);
            const LONG dw = ExchangesAxes(perspective) ? kH : kW, dh = ExchangesAxes(perspective) ? kW : kH;
            RecordPtr record = RecordFromMask(source);
            RegionRecord *const before = record.get();
            ASSERT_EQ(RotateRgnRecord90(record.get(), dw, dh, kW, kH, angle), STATUS_OK);
            ASSERT_EQ(record.get(), before);
            ASSERT_TRUE(RecordIsWellFormed(*record));
            PixelMask expected(dw, dh);
            for (LONG r = 0; r < kH; ++r)
                for (LONG c = 0; c < kW; ++c)
                    if (source.Get(c, r))
                        expected.Set(Displayed(perspective, kW, kH, c, r).x, Displayed(perspective, kW, kH, c, r).y);
            const PixelMask got = MaskFromRecord(*record, dw, dh);
            EXPECT_TRUE(got.outside == 0 && got == expected);
        }
    }
}

TEST(RegionRotate, QuarterTurnRefusesOtherAnglesAndSkipsWholeTurns) {
    const PixelMask source = RandomShape(5, 20, 20);
    for (int angle : {4500, 100, -27100, 0, 36000, -72000}) {
        RecordPtr record = RecordFromMask(source);
        const bool whole = angle % 36000 == 0;
        EXPECT_EQ(RotateRgnRecord90(record.get(), 20, 20, 20, 20, angle), whole ? STATUS_OK : STATUS_BAD_PARAMETER)
            << angle;
        EXPECT_TRUE(MaskFromRecord(*record, 20, 20) == source) << angle;
    }
}

// Centre of mass of the selected pixels' centres.
struct Centroid {
    double x = 0, y = 0;
    long count = 0;
};

Centroid CentroidOf(const PixelMask &mask) {
    Centroid c;
    for (LONG y = 0; y < mask.height; ++y)
        for (LONG x = 0; x < mask.width; ++x)
            if (mask.Get(x, y)) {
                c.x += x + 0.5;
                c.y += y + 0.5;
                ++c.count;
            }
    if (c.count > 0) {
        c.x /= double(c.count);
        c.y /= double(c.count);
    }
    return c;
}

// Turns the region of a size x size bitmap of the given perspective.
PixelMask Turned(const PixelMask &source, int angle, LONG perspective = 0) {
    RegionBitmap bitmap(source.width, source.height, RecordFromMask(source), perspective);
    EXPECT_EQ(RotateBitmapRgn(&bitmap.record, source.width, source.height, angle), STATUS_OK);
    EXPECT_TRUE(RecordIsWellFormed(*bitmap.record.Region));
    return bitmap.Selection();
}

// A positive angle turns clockwise as displayed (rows going down): an
// off-centre blob's centre of mass moves around the bitmap centre by the
// angle, and its area stays nearly the same. The stepping samples pixel
// corners and tests the whole part of a position whose fraction may be
// negative, so the turned blob may sit up to about two pixels off the
// exact turn; a wrong direction or centre is off by tens of pixels.
TEST(RegionRotate, ArbitraryAnglesTurnAboutTheCentreKeepingArea) {
    constexpr LONG kSize = 96;
    const PixelMask blob = ModelOf(kSize, kSize, 0, 0, [](LONG x, LONG y) {
        const double dx = (x + 0.5 - 66) / 14, dy = (y + 0.5 - 40) / 9;
        return dx * dx + dy * dy <= 1.0;
    });
    const Centroid source = CentroidOf(blob);
    for (int angle : {1000, 3000, 4500, 9000, 12345, 18000, 20000, 31500, -6000}) {
        SCOPED_TRACE(testing::Message() << "angle " << angle);
        const PixelMask turned = Turned(blob, angle);
        const Centroid got = CentroidOf(turned);
        EXPECT_NEAR(double(got.count), double(source.count), 0.04 * double(source.count));
        const double theta = angle / 100.0 * std::numbers::pi / 180.0;
        const double rx = source.x - kSize / 2.0, ry = source.y - kSize / 2.0;
        EXPECT_NEAR(got.x, kSize / 2.0 + rx * std::cos(theta) - ry * std::sin(theta), 2.5);
        EXPECT_NEAR(got.y, kSize / 2.0 + rx * std::sin(theta) + ry * std::cos(theta), 2.5);
    }
}

TEST(RegionRotate, StepsAgreeWithExactTurnsAndMirroredViews) {
    constexpr LONG kSize = 40;
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        const PixelMask source = RandomShape(seed, kSize, kSize, 4);
        // Stepping by a whole quarter turn is the exact quarter turn.
        for (int angle : {9000, 18000, 27000}) {
            RecordPtr exact = RecordFromMask(source);
            ASSERT_EQ(RotateRgnRecord90(exact.get(), kSize, kSize, kSize, kSize, angle), STATUS_OK);
            EXPECT_TRUE(Turned(source, angle) == MaskFromRecord(*exact, kSize, kSize)) << angle;
        }
        // A mirroring view sees the turn the other way round; 0 changes nothing.
        for (LONG perspective : {1, 2, 5, 7}) EXPECT_TRUE(Turned(source, 2500, perspective) == Turned(source, -2500));
        EXPECT_TRUE(Turned(source, 0) == source);
        EXPECT_TRUE(Turned(source, 36000) == source);
    }
    EXPECT_EQ(RotateBitmapRgn(nullptr, kSize, kSize, 3000), STATUS_NO_BITMAP);
}

// A shape given in the coordinates of one view perspective lands on the
// stored pixels that display where the shape's pixels display.
TEST(RegionRotate, ShapesInAnotherPerspectiveLandOnTheSameDisplayedPixels) {
    const int perspectives[] = {0, 1, 2, 3, 4, 5, 7, 8};
    constexpr LONG kW = 29, kH = 17;
    uint32_t seed = 500;
    for (int stored : perspectives) {
        for (int given : perspectives) {
            SCOPED_TRACE(testing::Message() << "shape in " << given << ", bitmap in " << stored);
            const PerspectiveTurn turn(stored, given, kW, kH);
            const PixelMask shape = RandomShape(++seed, turn.width(), turn.height(), 4);
            const PixelMask expected = ModelOf(kW, kH, 0, 0, [&](LONG c, LONG r) {
                const Point p = turn.Map(c, r);
                return shape.Get(p.x, p.y);
            });

            RegionBitmap bitmap(kW, kH, nullptr, stored);
            const RegionXForm xform{given, 1, 1, 1, 1, 0, 0};
            ASSERT_EQ(CombineBitmapRgn(&bitmap.record, &xform, RecordFromMask(shape).release(), RGNMODE_SET),
                      STATUS_OK);
            EXPECT_TRUE(bitmap.Selection() == expected);
        }
    }
}

}  // namespace
}  // namespace zelt::test
