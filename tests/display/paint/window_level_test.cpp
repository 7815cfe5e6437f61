// Window levelling: the bit ranges and table kept with a bitmap, and the
// table filler's extents and ramps.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "front_test_support.h"

namespace {

using namespace zelt::test;

RGBQUAD Bgr(int blue, int green, int red) { return RGBQUAD{BYTE(blue), BYTE(green), BYTE(red), 0}; }

std::vector<RGBQUAD> Filled(std::size_t n, RGBQUAD value) { return std::vector<RGBQUAD>(n, value); }

::testing::AssertionResult EntryIs(const std::vector<RGBQUAD> &lut, std::size_t i, RGBQUAD want) {
    const RGBQUAD &got = lut[i];
    if (got.rgbBlue == want.rgbBlue && got.rgbGreen == want.rgbGreen && got.rgbRed == want.rgbRed &&
        got.rgbReserved == want.rgbReserved)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "entry " << i << " is (b" << int(got.rgbBlue) << " g" << int(got.rgbGreen)
                                         << " r" << int(got.rgbRed) << " x" << int(got.rgbReserved) << "), want (b"
                                         << int(want.rgbBlue) << " g" << int(want.rgbGreen) << " r"
                                         << int(want.rgbRed) << ")";
}

const RGBQUAD kCanary = Bgr(1, 2, 3);
const RGBQUAD kBlack = Bgr(0, 0, 0);
const RGBQUAD kWhite = Bgr(255, 255, 255);

TEST(WindowLevelFillLut, BlackToWhiteOverTheWholeTableIsTheIdentity) {
    auto lut = Filled(256, kCanary);
    ASSERT_EQ(Z_WindowLevelFillLUT(lut.data(), 256, RGB(0, 0, 0), RGB(255, 255, 255), 0, 255, 0, 7, 0, 255, 1), STATUS_OK);
    for (std::size_t k = 0; k < 256; ++k) EXPECT_TRUE(EntryIs(lut, k, Bgr(int(k), int(k), int(k))));
}

// Colour ramp inside the window, black below and white above; COLORREF red
// lands in the entry's red byte.
TEST(WindowLevelFillLut, ColourRampBetweenBlackAndWhite) {
    auto lut = Filled(256, kCanary);
    ASSERT_EQ(Z_WindowLevelFillLUT(lut.data(), 256, RGB(255, 0, 0), RGB(0, 0, 255), 64, 191, 0, 7, 0, 255, 1), STATUS_OK);
    for (std::size_t i = 0; i < 64; ++i) EXPECT_TRUE(EntryIs(lut, i, kBlack));
    EXPECT_TRUE(EntryIs(lut, 64, Bgr(0, 0, 255)));
    // k = 63 of n = 127: red 255 + (63 * -255) / 127 (toward zero) = 129.
    EXPECT_TRUE(EntryIs(lut, 127, Bgr(126, 0, 129)));
    EXPECT_TRUE(EntryIs(lut, 191, Bgr(255, 0, 0)));
    for (std::size_t i = 192; i < 256; ++i) EXPECT_TRUE(EntryIs(lut, i, kWhite));
}

// Flag 0: the caller's colours outside, a gray ramp from black inside.
TEST(WindowLevelFillLut, GrayRampBetweenTheCallersColours) {
    auto lut = Filled(256, kCanary);
    ASSERT_EQ(Z_WindowLevelFillLUT(lut.data(), 256, RGB(10, 20, 30), RGB(200, 100, 50), 100, 110, 0, 7, 0, 255, 0),
              STATUS_OK);
    for (std::size_t i = 0; i < 100; ++i) EXPECT_TRUE(EntryIs(lut, i, Bgr(30, 20, 10)));
    EXPECT_TRUE(EntryIs(lut, 100, kBlack));
    EXPECT_TRUE(EntryIs(lut, 101, kBlack));             // ramp a + 1 .. b - 1 over n = 8
    EXPECT_TRUE(EntryIs(lut, 105, Bgr(127, 127, 127)));  // 4 * 255 / 8
    EXPECT_TRUE(EntryIs(lut, 109, kWhite));
    for (std::size_t i = 110; i < 256; ++i) EXPECT_TRUE(EntryIs(lut, i, Bgr(50, 100, 200)));
}

// Values are indexed by value >> lowBit, and the window is clamped to the
// data range first.
TEST(WindowLevelFillLut, LowBitShiftsAndClampsTheWindow) {
    auto lut = Filled(256, kCanary);
    ASSERT_EQ(Z_WindowLevelFillLUT(lut.data(), 256, RGB(0, 0, 0), RGB(255, 255, 255), 0, 5000, 2, 9, 256, 1023, 1),
              STATUS_OK);
    // low 0 -> 256 (a = 64), high 5000 -> 1023 (b = 255).
    for (std::size_t i = 0; i < 64; ++i) EXPECT_TRUE(EntryIs(lut, i, kBlack));
    EXPECT_TRUE(EntryIs(lut, 64, kBlack));
    EXPECT_TRUE(EntryIs(lut, 255, kWhite));
    EXPECT_TRUE(EntryIs(lut, 128, Bgr(64 * 255 / 191, 64 * 255 / 191, 64 * 255 / 191)));
}

TEST(WindowLevelFillLut, NothingIsWrittenPastTheTable) {
    std::vector<RGBQUAD> lut = Filled(20, kCanary);
    ASSERT_EQ(Z_WindowLevelFillLUT(lut.data(), 16, RGB(0, 0, 0), RGB(255, 255, 255), 10, 40, 0, 7, 0, 255, 1), STATUS_OK);
    for (std::size_t i = 16; i < 20; ++i) EXPECT_TRUE(EntryIs(lut, i, kCanary));
    EXPECT_TRUE(EntryIs(lut, 10, kBlack));
    EXPECT_TRUE(EntryIs(lut, 15, Bgr(5 * 255 / 30, 5 * 255 / 30, 5 * 255 / 30)));  // the whole ramp's slope
    lut = Filled(20, kCanary);
    ASSERT_EQ(Z_WindowLevelFillLUT(lut.data(), 16, RGB(9, 9, 9), RGB(7, 7, 7), 30, 40, 0, 7, 0, 255, 0), STATUS_OK);
    for (std::size_t i = 0; i < 16; ++i) EXPECT_TRUE(EntryIs(lut, i, Bgr(9, 9, 9)));
    for (std::size_t i = 16; i < 20; ++i) EXPECT_TRUE(EntryIs(lut, i, kCanary));
}

TEST(WindowLevelFillLut, RejectsBadArgumentsWithoutWriting) {
    auto lut = Filled(8, kCanary);
    struct Case {
        RGBQUAD *lut;
        UINT low, high, lowBit, highBit, minValue, maxValue;
    };
    const Case cases[] = {
        {nullptr, 0, 7, 0, 7, 0, 7},   {lut.data(), 0, 7, 5, 4, 0, 7}, {lut.data(), 0, 7, 0, 7, 8, 7},
        {lut.data(), 6, 5, 0, 7, 0, 7},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Z_WindowLevelFillLUT(c.lut, 8, 0, 0, c.low, c.high, c.lowBit, c.highBit, c.minValue, c.maxValue, 1),
                  STATUS_BAD_PARAMETER)
            << c.low << " " << c.high << " " << c.lowBit << " " << c.highBit << " " << c.minValue << " " << c.maxValue;
    for (std::size_t i = 0; i < 8; ++i) EXPECT_TRUE(EntryIs(lut, i, kCanary));
}

class WindowLevelTest : public FrontTest {
protected:
    void SetUp() override {
        FrontTest::SetUp();
        ASSERT_EQ(CreateBitmap(bitmap_.get(), 4, 4, 12, {}, 2), STATUS_OK);
    }
    void TearDown() override {
        KrnFreeBitmap(bitmap_.get());
        LeakCheckedTest::TearDown();
    }
    ScopedBitmap bitmap_;
};

TEST_F(WindowLevelTest, DefaultsCoverTheWholeSampleAndRemoveTheTable) {
    std::vector<RGBQUAD> table(16, kWhite);
    ASSERT_EQ(Z_WindowLevel(bitmap_.get(), 2, 5, table.data(), 16, 1), STATUS_OK);
    ASSERT_EQ(Z_WindowLevel(bitmap_.get(), -1, -1, nullptr, 0, 0), STATUS_OK);
    EXPECT_EQ(bitmap_->PaintLowBit, 0);
    EXPECT_EQ(bitmap_->PaintHighBit, 11);
    EXPECT_EQ(bitmap_->LevelLut, nullptr);
    EXPECT_EQ(bitmap_->LevelLutLength, 0u);
    EXPECT_EQ(bitmap_->Flags & BITMAP_LEVEL_PROCESSING, 0u);
    EXPECT_EQ(bitmap_->LowBit, 2) << "painting only leaves the processing range";
    EXPECT_EQ(bitmap_->HighBit, 5);
}

TEST_F(WindowLevelTest, ProcessingRangeSetsTheValueRangeOnlyWhenItChanges) {
    ASSERT_EQ(Z_WindowLevel(bitmap_.get(), 2, 9, nullptr, 0, 1), STATUS_OK);
    EXPECT_EQ(bitmap_->LowBit, 2);
    EXPECT_EQ(bitmap_->HighBit, 9);
    EXPECT_EQ(bitmap_->MinValue, 0);
    EXPECT_EQ(bitmap_->MaxValue, 255);
    EXPECT_NE(bitmap_->Flags & BITMAP_LEVEL_PROCESSING, 0u);
    bitmap_->MinValue = 7;
    bitmap_->MaxValue = 77;
    ASSERT_EQ(Z_WindowLevel(bitmap_.get(), 2, 9, nullptr, 0, 1), STATUS_OK);
    EXPECT_EQ(bitmap_->MinValue, 7);
    EXPECT_EQ(bitmap_->MaxValue, 77);
    // 32 bits of range: the shift count wraps, 2^0 - 1.
    ASSERT_EQ(Z_WindowLevel(bitmap_.get(), 0, 31, nullptr, 0, 1), STATUS_OK);
    EXPECT_EQ(bitmap_->MaxValue, 0);
    ASSERT_EQ(Z_WindowLevel(bitmap_.get(), 0, 30, nullptr, 0, 1), STATUS_OK);
    EXPECT_EQ(bitmap_->MaxValue, 0x7FFFFFFF);
}

TEST_F(WindowLevelTest, KeepsACopyOfTheCallersTable) {
    std::vector<RGBQUAD> table(16);
    for (std::size_t i = 0; i < 16; ++i) table[i] = Bgr(int(i), int(i * 2), int(i * 3));
    ASSERT_EQ(Z_WindowLevel(bitmap_.get(), 0, 3, table.data(), 16, 0), STATUS_OK);
    ASSERT_NE(bitmap_->LevelLut, nullptr);
    EXPECT_NE(bitmap_->LevelLut, table.data());
    EXPECT_EQ(bitmap_->LevelLutLength, 16u);
    table[3] = kWhite;  // the caller's array stays the caller's
    EXPECT_EQ(bitmap_->LevelLut[3].rgbRed, 9);
    // Handing the bitmap its own table back keeps it.
    RGBQUAD *own = bitmap_->LevelLut;
    ASSERT_EQ(Z_WindowLevel(bitmap_.get(), 0, 3, own, 16, 0), STATUS_OK);
    EXPECT_EQ(bitmap_->LevelLut, own);
    EXPECT_EQ(bitmap_->LevelLut[15].rgbRed, 45);
    ASSERT_EQ(Z_WindowLevel(bitmap_.get(), 0, 3, nullptr, 0, 0), STATUS_OK);
}

TEST_F(WindowLevelTest, ChecksComeFirstAndChangeNothing) {
    std::vector<RGBQUAD> table(4, kWhite);
    EXPECT_EQ(Z_WindowLevel(nullptr, 0, 3, table.data(), 4, 2), STATUS_NO_BITMAP);
    const BitmapRecord before = bitmap_.record;
    EXPECT_EQ(Z_WindowLevel(bitmap_.get(), 5, 4, nullptr, 0, 0), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_WindowLevel(bitmap_.get(), 12, -1, nullptr, 0, 0), STATUS_BAD_PARAMETER);  // high 11 < 12
    EXPECT_EQ(Z_WindowLevel(bitmap_.get(), 0, 3, nullptr, 4, 0), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_WindowLevel(bitmap_.get(), 0, 3, table.data(), 4, 2), STATUS_BAD_PARAMETER);
    EXPECT_EQ(std::memcmp(&before, &bitmap_.record, sizeof(BitmapRecord)), 0);
    // The allocated flag is not needed.
    BitmapRecord described{};
    described.BitsPerPixel = 16;
    EXPECT_EQ(Z_WindowLevel(&described, -1, -1, nullptr, 0, 1), STATUS_OK);
    EXPECT_EQ(described.HighBit, 15);
    EXPECT_EQ(described.MaxValue, 65535);
}

// A failed copy leaves the bitmap without a table, its ranges set.
TEST_F(WindowLevelTest, FailedCopyLeavesNoTable) {
    std::vector<RGBQUAD> table(16, kWhite);
    int status = 0;
    bool hadTable = false;
    LONG paintHigh = 0, maxValue = 0;
    const long allocations = ForEachAllocationFailure(
        [&] {
            status = Z_WindowLevel(bitmap_.get(), 1, 4, table.data(), 16, 1);
            hadTable = bitmap_->LevelLut != nullptr;
            paintHigh = bitmap_->PaintHighBit;
            maxValue = bitmap_->MaxValue;
            bitmap_->LowBit = bitmap_->HighBit = 0;  // so the next run changes the range again
            ASSERT_EQ(Z_WindowLevel(bitmap_.get(), 0, 0, nullptr, 0, 0), STATUS_OK);
        },
        [&](long failedAt) {
            EXPECT_EQ(status, STATUS_NO_MEMORY) << "allocation " << failedAt;
            EXPECT_FALSE(hadTable);
            EXPECT_EQ(paintHigh, 4);
            EXPECT_EQ(maxValue, 15);
        });
    EXPECT_EQ(allocations, 1);
}

}  // namespace
