// Paint intensity, contrast and gamma: argument checks, the rebuild rule and
// the finished tables for named values.
#include <array>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "front_test_support.h"
#include "paint/paint_engine.h"

namespace {

using namespace zelt::test;

class PaintLutTest : public FrontTest {
protected:
    void SetUp() override {
        FrontTest::SetUp();
        ASSERT_EQ(CreateBitmap(bitmap_.get(), 2, 2, 8), STATUS_OK);
    }
    void TearDown() override {
        KrnFreeBitmap(bitmap_.get());
        LeakCheckedTest::TearDown();
    }
    bool Active() { return (bitmap_->Flags & BITMAP_PAINT_LUT_ACTIVE) != 0; }
    const BYTE *Lut() { return bitmap_->PaintLut; }
    ScopedBitmap bitmap_;
};

struct LutCase {
    int intensity, contrast;
    UINT gamma;
    // Entries 0, 1, 16, 64, 100, 128, 192, 254, 255.
    std::array<int, 9> entries;
};
constexpr int kProbe[9] = {0, 1, 16, 64, 100, 128, 192, 254, 255};

// Values worked out from the table rules by hand and by an independent
// model of them.
const LutCase kLutCases[] = {
    {0, 0, 100, {0, 1, 16, 64, 100, 128, 192, 254, 255}},
    {1000, 0, 100, {255, 255, 255, 255, 255, 255, 255, 255, 255}},
    {-1000, 0, 100, {0, 0, 0, 0, 0, 0, 0, 0, 1}},     // offset -254, not -255
    {500, 0, 100, {128, 129, 144, 192, 228, 255, 255, 255, 255}},
    {-6, 0, 100, {0, 0, 15, 63, 99, 127, 191, 253, 254}},  // (255 * -6 + 500) / 1000 = -1
    {0, 1, 100, {0, 1, 16, 64, 100, 129, 193, 255, 255}},  // k 0, m 255
    {0, 100, 100, {0, 0, 14, 68, 108, 139, 210, 255, 255}},  // k 3, m 233
    {0, 500, 100, {0, 0, 0, 68, 119, 159, 250, 255, 255}},   // k 16, m 196
    {0, -500, 100, {16, 17, 27, 61, 86, 106, 151, 195, 195}},
    {0, 0, 200, {0, 16, 64, 128, 160, 181, 221, 254, 255}},  // exponent 0.5
    {0, 0, 50, {0, 0, 1, 16, 39, 64, 145, 253, 255}},        // exponent 2
    {300, 200, 150, {115, 115, 126, 176, 209, 232, 255, 255, 255}},
    {-200, -300, 80, {0, 0, 0, 4, 24, 43, 90, 141, 142}},
};

TEST_F(PaintLutTest, NamedValuesGiveTheirTables) {
    for (const LutCase &c : kLutCases) {
        ASSERT_EQ(Z_SetPaintIntensity(bitmap_.get(), c.intensity), STATUS_OK);
        ASSERT_EQ(Z_SetPaintContrast(bitmap_.get(), c.contrast), STATUS_OK);
        ASSERT_EQ(Z_SetPaintGamma(bitmap_.get(), c.gamma), STATUS_OK);
        bool identity = true;
        for (int i = 0; i < 256; ++i) identity &= Lut()[i] == i;
        for (int k = 0; k < 9; ++k)
            EXPECT_EQ(Lut()[kProbe[k]], c.entries[static_cast<std::size_t>(k)])
                << "intensity " << c.intensity << " contrast " << c.contrast << " gamma " << c.gamma << " entry "
                << kProbe[k];
        EXPECT_EQ(Active(), !identity) << "the flag says exactly whether the table differs from the identity";
    }
}

TEST_F(PaintLutTest, FullContrastClipsBothEndsAroundARamp) {
    ASSERT_EQ(Z_SetPaintContrast(bitmap_.get(), 1000), STATUS_OK);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(Lut()[i], 0) << i;
    for (int i = 165; i < 256; ++i) EXPECT_EQ(Lut()[i], 255) << i;
    for (int i = 32; i < 165; ++i) EXPECT_EQ(Lut()[i], MulDiv(i - 32, 256, 133)) << i;
    EXPECT_TRUE(Active());
}

TEST_F(PaintLutTest, LeastContrastSqueezesIntoTheMiddle) {
    ASSERT_EQ(Z_SetPaintContrast(bitmap_.get(), -1000), STATUS_OK);
    EXPECT_EQ(Lut()[0], 32);
    EXPECT_EQ(Lut()[128], 99);  // MulDiv(128, 133, 256) rounds 66.5 up
    EXPECT_EQ(Lut()[255], 164);
    for (int i = 0; i < 256; ++i) {
        EXPECT_GE(Lut()[i], 32) << i;
        EXPECT_LE(Lut()[i], 164) << i;
        if (i > 0) {
            EXPECT_GE(Lut()[i], Lut()[i - 1]) << i;
        }
    }
}

// Small intensities round to no offset at all (truncation toward zero).
TEST_F(PaintLutTest, IntensitiesThatRoundToNothingLeaveTheIdentity) {
    for (int intensity : {1, -1, -5, 0}) {
        ASSERT_EQ(Z_SetPaintIntensity(bitmap_.get(), intensity), STATUS_OK);
        EXPECT_FALSE(Active()) << intensity;
        for (int i = 0; i < 256; ++i) ASSERT_EQ(Lut()[i], i) << intensity;
    }
    ASSERT_EQ(Z_SetPaintIntensity(bitmap_.get(), 2), STATUS_OK);
    EXPECT_TRUE(Active());
    EXPECT_EQ(Lut()[0], 1);
}

TEST_F(PaintLutTest, NeutralValuesRestoreTheIdentityAfterOthers) {
    ASSERT_EQ(Z_SetPaintIntensity(bitmap_.get(), -400), STATUS_OK);
    ASSERT_EQ(Z_SetPaintContrast(bitmap_.get(), 700), STATUS_OK);
    ASSERT_EQ(Z_SetPaintGamma(bitmap_.get(), 333), STATUS_OK);
    EXPECT_TRUE(Active());
    ASSERT_EQ(Z_SetPaintIntensity(bitmap_.get(), 0), STATUS_OK);
    ASSERT_EQ(Z_SetPaintContrast(bitmap_.get(), 0), STATUS_OK);
    ASSERT_EQ(Z_SetPaintGamma(bitmap_.get(), 100), STATUS_OK);
    EXPECT_FALSE(Active());
    for (int i = 0; i < 256; ++i) EXPECT_EQ(Lut()[i], i);
}

// The table is rebuilt only when a value changes: a hand-made table survives
// setting a value to what it already is.
TEST_F(PaintLutTest, SettingTheStoredValueDoesNotRebuild) {
    ASSERT_EQ(Z_SetPaintGamma(bitmap_.get(), 200), STATUS_OK);
    bitmap_->PaintLut[7] = 99;
    bitmap_->Flags &= ~static_cast<DWORD>(BITMAP_PAINT_LUT_ACTIVE);
    EXPECT_EQ(Z_SetPaintGamma(bitmap_.get(), 200), STATUS_OK);
    EXPECT_EQ(Z_SetPaintIntensity(bitmap_.get(), 0), STATUS_OK);
    EXPECT_EQ(Z_SetPaintContrast(bitmap_.get(), 0), STATUS_OK);
    EXPECT_EQ(bitmap_->PaintLut[7], 99);
    EXPECT_FALSE(Active());
    EXPECT_EQ(Z_SetPaintIntensity(bitmap_.get(), 10), STATUS_OK);
    EXPECT_NE(bitmap_->PaintLut[7], 99);
}

TEST_F(PaintLutTest, ChecksComeInOrderAndChangeNothing) {
    BitmapRecord empty{};
    struct Case {
        BitmapRecord *bitmap;
        int which;  // 0 intensity, 1 contrast, 2 gamma
        long long value;
        int status;
    };
    const Case cases[] = {
        {nullptr, 0, 5000, STATUS_NO_BITMAP}, {&empty, 0, 5000, STATUS_NO_BITMAP},
        {nullptr, 2, 0, STATUS_NO_BITMAP},    {bitmap_.get(), 0, 1001, STATUS_BAD_PARAMETER},
        {bitmap_.get(), 0, -1001, STATUS_BAD_PARAMETER}, {bitmap_.get(), 1, 1001, STATUS_BAD_PARAMETER},
        {bitmap_.get(), 1, -1001, STATUS_BAD_PARAMETER}, {bitmap_.get(), 2, 0, STATUS_BAD_PARAMETER},
    };
    ASSERT_EQ(Z_SetPaintGamma(bitmap_.get(), 250), STATUS_OK);
    BYTE before[256];
    std::memcpy(before, Lut(), 256);
    for (const Case &c : cases) {
        int status = 0;
        if (c.which == 0) status = Z_SetPaintIntensity(c.bitmap, static_cast<int>(c.value));
        if (c.which == 1) status = Z_SetPaintContrast(c.bitmap, static_cast<int>(c.value));
        if (c.which == 2) status = Z_SetPaintGamma(c.bitmap, static_cast<UINT>(c.value));
        EXPECT_EQ(status, c.status) << "setter " << c.which << " value " << c.value;
    }
    EXPECT_EQ(std::memcmp(before, Lut(), 256), 0);
    EXPECT_EQ(Z_GetPaintIntensity(bitmap_.get()), 0);
    EXPECT_EQ(Z_GetPaintContrast(bitmap_.get()), 0);
    EXPECT_EQ(Z_GetPaintGamma(bitmap_.get()), 250u);
    // The range ends themselves are accepted.
    EXPECT_EQ(Z_SetPaintIntensity(bitmap_.get(), -1000), STATUS_OK);
    EXPECT_EQ(Z_SetPaintContrast(bitmap_.get(), 1000), STATUS_OK);
    EXPECT_EQ(Z_SetPaintGamma(bitmap_.get(), 0xFFFFFFFFu), STATUS_OK);
    EXPECT_EQ(Z_GetPaintIntensity(bitmap_.get()), -1000);
    EXPECT_EQ(Z_GetPaintContrast(bitmap_.get()), 1000);
    EXPECT_EQ(Z_GetPaintGamma(bitmap_.get()), 0xFFFFFFFFu);
}

// Invariants over seeded random settings: contrast and gamma keep the table
// monotonic, and the flag matches the table.
TEST_F(PaintLutTest, RandomSettingsKeepTheTableMonotonic) {
    for (unsigned seed = 0; seed < 200; ++seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> level(-1000, 1000);
        const int intensity = level(random), contrast = level(random);
        const UINT gamma = std::uniform_int_distribution<UINT>(1, 1000)(random);
        ASSERT_EQ(Z_SetPaintIntensity(bitmap_.get(), intensity), STATUS_OK);
        ASSERT_EQ(Z_SetPaintContrast(bitmap_.get(), contrast), STATUS_OK);
        ASSERT_EQ(Z_SetPaintGamma(bitmap_.get(), gamma), STATUS_OK);
        bool identity = true;
        for (int i = 0; i < 256; ++i) {
            identity &= Lut()[i] == i;
            if (i > 0) {
                ASSERT_GE(Lut()[i], Lut()[i - 1]) << "case " << seed << " entry " << i;
            }
        }
        ASSERT_EQ(Active(), !identity) << "case " << seed;
    }
}

}  // namespace
