// Mapping region records into display space: random regions, perspectives,
// scales and offsets against the per-pixel model, and the refused
// transforms.
#include <gtest/gtest.h>

#include "region_test_support.h"

namespace {

using namespace zelt::test;
using zelt::region::BitmapRectToDisplay;
using zelt::region::RgnRecordToDisplay;

class RegionToDisplayTest : public LeakCheckedTest {};

TEST_F(RegionToDisplayTest, MatchesThePixelModel) {
    const LONG perspectives[] = {0, 1, 2, 3, 4, 5, 7, 8};
    const PixelMask canvas(260, 260, -40, -40);
    for (uint32_t seed = 0; seed < 400; ++seed) {
        std::mt19937 rng(seed);
        const LONG w = 1 + LONG(rng() % 36), h = 1 + LONG(rng() % 36);
        const LONG view = perspectives[rng() % 8];
        const PixelMask shape = RandomShape(seed + 9000, w, h, 1 + int(rng() % 5));
        // Scales from 1/5 to 5, biased toward 1 on one axis now and then.
        auto ratio = [&] { return rng() % 3 == 0 ? 1 : 1 + LONG(rng() % 5); };
        const RegionXForm xform{perspectives[rng() % 8], ratio(), ratio(), ratio(), ratio(), LONG(rng() % 41) - 20,
                                LONG(rng() % 41) - 20};
        SCOPED_TRACE(::testing::Message() << "seed " << seed << " " << w << "x" << h << " view " << view
                                          << " to " << xform.Perspective << " scale " << xform.XNum << "/"
                                          << xform.XDen << ", " << xform.YNum << "/" << xform.YDen << " offset "
                                          << xform.XOffset << "," << xform.YOffset);
        RegionBitmap bitmap(w, h, nullptr, view);
        RecordPtr record = RecordFromMask(shape);
        ASSERT_TRUE(record);
        const RECT stored = record->Bounds;

        ASSERT_EQ(RgnRecordToDisplay(&bitmap.record, &xform, record.get()), STATUS_OK);
        ASSERT_TRUE(RecordIsWellFormed(*record));
        const PixelMask got = MaskFromRecord(*record, canvas.width, canvas.height, canvas.originX, canvas.originY);
        const PixelMask want = DisplayModel(shape, view, xform, canvas);
        ASSERT_EQ(got.outside + want.outside, 0);
        EXPECT_TRUE(got == want) << "mapped " << got.Count() << " pixels, model " << want.Count();

        // The record lies inside its bounds mapped as a rectangle, which is
        // the box framing and colouring size their masks by.
        RECT box = stored;
        ASSERT_EQ(BitmapRectToDisplay(&bitmap.record, &xform, &box), STATUS_OK);
        if (record->Bounds.right > record->Bounds.left) {
            EXPECT_GE(record->Bounds.left, box.left);
            EXPECT_GE(record->Bounds.top, box.top);
            EXPECT_LE(record->Bounds.right, box.right);
            EXPECT_LE(record->Bounds.bottom, box.bottom);
        }
    }
}

TEST_F(RegionToDisplayTest, RefusesBadTransformsAndLeavesTheRecord) {
    const PixelMask shape = RandomShape(1, 12, 9, 2);
    RegionBitmap bitmap(12, 9);
    RecordPtr record = RecordFromMask(shape);
    const RegionXForm identityScale{0, 3, 3, 2, 2, 0, 0};
    const RegionXForm bad[] = {
        {6, 1, 1, 1, 1, 0, 0}, {9, 1, 1, 1, 1, 0, 0}, {-1, 1, 1, 1, 1, 0, 0},
        {0, 1, 0, 1, 1, 0, 0}, {0, 1, 1, 1, 0, 0, 0},
    };
    for (const RegionXForm &xform : bad) EXPECT_EQ(RgnRecordToDisplay(&bitmap.record, &xform, record.get()), STATUS_BAD_PARAMETER);
    EXPECT_EQ(RgnRecordToDisplay(nullptr, &identityScale, record.get()), STATUS_NO_BITMAP);
    EXPECT_EQ(RgnRecordToDisplay(&bitmap.record, &identityScale, nullptr), STATUS_BAD_PARAMETER);
    EXPECT_EQ(RgnRecordToDisplay(&bitmap.record, nullptr, record.get()), STATUS_OK);
    EXPECT_EQ(RgnRecordToDisplay(&bitmap.record, &identityScale, record.get()), STATUS_OK);
    EXPECT_EQ(MaskFromRecord(*record, 12, 9), shape);

    // An empty record stays empty through a turn, a scale and an offset.
    RecordPtr empty = RecordFromMask(PixelMask(12, 9));
    const RegionXForm everything{4, 3, 2, 2, 3, 5, 6};
    EXPECT_EQ(RgnRecordToDisplay(&bitmap.record, &everything, empty.get()), STATUS_OK);
    EXPECT_TRUE(RecordIsWellFormed(*empty));
    EXPECT_EQ(empty->RunBytes, 0u);
}

}  // namespace
