// The bitonal paint path: the threshold rule, end to end against the
// per-pixel model at seeded random scales in all nine perspectives (normal
// and inverted), the colour table, the overflow hand-off to the general
// path, failing allocations and a device refusing the second band.
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "display/paint/gray_paint_model.h"
#include "paint/paint_engine.h"
#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

// Distinct colours, so the test sees which palette entry was painted.
constexpr RGBQUAD kDarkLight[2] = {{10, 20, 30, 0}, {200, 210, 220, 0}};
constexpr RGBQUAD kLightDark[2] = {{200, 210, 220, 0}, {10, 20, 30, 0}};
constexpr DWORD kDark = 0x1E140A, kLight = 0xDCD2C8;

class Bitonal : public LeakCheckedTest {
protected:
    DisplayModeScope mode_{0};
};

// Rows of '#' (black, index 0) and '.' (white, index 1).
void MakePicture(BitmapRecord *bitmap, const std::vector<std::string> &rows) {
    const int width = static_cast<int>(rows[0].size()), height = static_cast<int>(rows.size());
    ASSERT_EQ(KrnCreateBitmap(bitmap, KRN_MEMORY_CONVENTIONAL, width, height, 1, 1, kDarkLight, 0, nullptr, 0),
              STATUS_OK);
    for (int r = 0; r < height; ++r) {
        std::vector<BYTE> row(static_cast<std::size_t>(bitmap->BytesPerLine), 0);
        for (int c = 0; c < width; ++c)
            if (rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] == '.')
                row[static_cast<std::size_t>(c / 8)] |= static_cast<BYTE>(0x80 >> (c % 8));
        KrnPutBitmapRow(bitmap, row.data(), r, static_cast<DWORD>(row.size()));
    }
}

int Paint(Canvas &canvas, BitmapRecord *bitmap, RECT destination, int invert = 0) {
    const RECT source = {0, 0, bitmap->Width, bitmap->Height};
    const RECT clip = {0, 0, canvas.width(), canvas.height()};
    return PaintBitonal(canvas.dc(), bitmap, &source, &source, &destination, &clip, invert, SRCCOPY);
}

TEST_F(Bitonal, TwoByTwoCellsTurnBlackFromOnePixel) {
    // Area 4: KrnCellThreshold(4) = 2, lowered to 1 (thresholds up to 4
    // drop by one): one black pixel of four makes the cell black.
    BitmapRecord bitmap{};
    MakePicture(&bitmap, {"#...##..", "....#..."});
    Canvas canvas(4, 1);
    ASSERT_EQ(Paint(canvas, &bitmap, {0, 0, 4, 1}), STATUS_OK);
    EXPECT_EQ(canvas.At(0, 0), kDark);
    EXPECT_EQ(canvas.At(1, 0), kLight);
    EXPECT_EQ(canvas.At(2, 0), kDark);
    EXPECT_EQ(canvas.At(3, 0), kLight);
    // Inverted: bit 1 is black, so every cell with a '.' is black.
    ASSERT_EQ(Paint(canvas, &bitmap, {0, 0, 4, 1}, 1), STATUS_OK);
    EXPECT_EQ(canvas.At(0, 0), kLight);  // index 1 is black here
    EXPECT_EQ(canvas.At(3, 0), kLight);
    KrnFreeBitmap(&bitmap);
}

TEST_F(Bitonal, LargeCellsNeedTheFullThreshold) {
    // 5x5 cells: threshold floor(sqrt(25)) = 5, kept as it is above 4.
    BitmapRecord bitmap{};
    MakePicture(&bitmap, {"#.........", "#.........", "#.........", "#....#####", "#........."});
    Canvas canvas(2, 1);
    ASSERT_EQ(Paint(canvas, &bitmap, {0, 0, 2, 1}), STATUS_OK);
    EXPECT_EQ(canvas.At(0, 0), kDark) << "a one-pixel stroke across the cell stays";
    EXPECT_EQ(canvas.At(1, 0), kDark);
    KrnFreeBitmap(&bitmap);
    MakePicture(&bitmap, {"#.........", "#.........", "..........", "#.....####", "#........."});
    ASSERT_EQ(Paint(canvas, &bitmap, {0, 0, 2, 1}), STATUS_OK);
    EXPECT_EQ(canvas.At(0, 0), kLight) << "four of 25 stay white";
    EXPECT_EQ(canvas.At(1, 0), kLight);
    KrnFreeBitmap(&bitmap);
}

TEST_F(Bitonal, FourByFourCellsNeedThreeBlackPixels) {
    // Area 16: floor(sqrt(16)) = 4, lowered to 3.
    BitmapRecord bitmap{};
    MakePicture(&bitmap, {"#...##..", "#.......", "#.......", "........"});
    Canvas canvas(2, 1);
    ASSERT_EQ(Paint(canvas, &bitmap, {0, 0, 2, 1}), STATUS_OK);
    EXPECT_EQ(canvas.At(0, 0), kDark) << "three of 16";
    EXPECT_EQ(canvas.At(1, 0), kLight) << "two of 16";
    KrnFreeBitmap(&bitmap);
}

class BitonalModel : public ::testing::TestWithParam<int> {};

TEST_P(BitonalModel, MatchesPerPixelModel) {
    const int invert = GetParam();
    DisplayModeScope mode(0);
    Canvas canvas(48, 40);
    for (int c = 0; c < 180; ++c) {
        std::mt19937 random(static_cast<unsigned>(9000 + 1000 * invert + c));
        const int perspective = c % 9;
        const int width = std::uniform_int_distribution<int>(1, 90)(random);
        const int height = std::uniform_int_distribution<int>(1, 70)(random);
        BitmapRecord bitmap{};
        MakeRunImage(&bitmap, random, width, height, perspective, invert ? kLightDark : kDarkLight);
        PaintRequest q = RandomGrayRequest(random, width, height, perspective, canvas, GrayShape::kAny);
        canvas.Clear();
        const int status = PaintBitonal(canvas.dc(), &bitmap, &q.source, &q.sourceClip, &q.destination,
                                        &q.destinationClip, invert, SRCCOPY);
        EXPECT_EQ(status, STATUS_OK) << "case " << c << " " << Describe(q);
        const GrayModel model(&bitmap, q, invert);
        const std::int64_t threshold = model.BitonalThreshold();
        const RGBQUAD *palette = invert ? kLightDark : kDarkLight;
        CompareGray(canvas, q, [&](int x, int y) { return model.Bitonal(x, y, threshold, invert, palette); },
                    "case " + std::to_string(c) + " invert " + std::to_string(invert) + " threshold " +
                        std::to_string(threshold));
        KrnFreeBitmap(&bitmap);
        if (::testing::Test::HasFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, BitonalModel, ::testing::Values(0, 1),
                         [](const auto &info) { return info.param ? "Inverted" : "Normal"; });

TEST_F(Bitonal, OverflowingSizesGoToTheGeneralPath) {
    // 50000 x 50000 destination columns over 50000 source columns overflow
    // 31 bits: nearest neighbour, so a lone black pixel shows undiluted.
    BitmapRecord bitmap{};
    ASSERT_EQ(KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, 50000, 2, 1, 1, kDarkLight, 0, nullptr, 0), STATUS_OK);
    std::vector<BYTE> row(static_cast<std::size_t>(bitmap.BytesPerLine), 0xFF);
    row[0] = 0x7F;  // column 0 black
    KrnPutBitmapRow(&bitmap, row.data(), 0, static_cast<DWORD>(row.size()));
    KrnPutBitmapRow(&bitmap, row.data(), 1, static_cast<DWORD>(row.size()));
    Canvas canvas(3, 2);
    ASSERT_EQ(Paint(canvas, &bitmap, {0, 0, 50000, 2}), STATUS_OK);
    EXPECT_EQ(canvas.At(0, 0), kDark);
    EXPECT_EQ(canvas.At(1, 0), kLight);
    KrnFreeBitmap(&bitmap);
}

TEST_F(Bitonal, IndexedPaintSendsPaletteIndices) {
    // With DISP_INDEXED_PAINT (and no same-depth reduction) the band goes as
    // indices into the DC's palette: the default palette's 0 and 1 here.
    DisplayModeScope indexed(DISP_INDEXED_PAINT);
    BitmapRecord bitmap{};
    MakePicture(&bitmap, {"##..", "##.."});
    Canvas canvas(2, 1);
    ASSERT_EQ(Paint(canvas, &bitmap, {0, 0, 2, 1}), STATUS_OK);
    EXPECT_EQ(canvas.At(0, 0), 0x000000u);
    EXPECT_EQ(canvas.At(1, 0), 0x800000u);  // default palette entry 1: dark red
    KrnFreeBitmap(&bitmap);
}

TEST_F(Bitonal, FailedAllocationsReturnNoMemoryAndDrawNothing) {
    Canvas canvas(30, 20);
    std::mt19937 random(4);
    BitmapRecord bitmap{};
    MakeRunImage(&bitmap, random, 50, 70, 7, kDarkLight);
    for (const RECT destination : {RECT{1, 2, 20, 15}, RECT{1, 2, 29, 19}, RECT{0, 0, 90, 19}}) {
        const RECT source = {0, 0, 50, 70};
        long noMemory = 0;
        bool sawTransferFailure = false;
        int status = 0;
        ForEachAllocationFailure(
            [&] {
                canvas.Clear();
                status = PaintBitonal(canvas.dc(), &bitmap, &source, &source, &destination, &destination, 0, SRCCOPY);
            },
            [&](long failedAt) {
                if (status == STATUS_NO_MEMORY) {
                    EXPECT_FALSE(sawTransferFailure) << "allocation " << failedAt << " came after a transfer";
                    ++noMemory;
                    for (int y = 0; y < canvas.height(); ++y)
                        for (int x = 0; x < canvas.width(); ++x)
                            ASSERT_EQ(canvas.At(x, y), kBackground) << "drawn despite -1";
                } else {
                    EXPECT_EQ(status, STATUS_BAD_PARAMETER) << "allocation " << failedAt;
                    sawTransferFailure = true;
                }
            });
        EXPECT_GE(noMemory, 4);
    }
    KrnFreeBitmap(&bitmap);
}

TEST_F(Bitonal, SecondBandRefusedLeavesFirstDrawn) {
    // Lines of 3000 pixels are 376 bytes: 697 per band (262144 / 376).
    Canvas canvas(3000, 800);
    std::mt19937 random(12);
    BitmapRecord bitmap{};
    MakeRunImage(&bitmap, random, 6000, 1600, 2, kDarkLight);
    auto paint = [&] { return Paint(canvas, &bitmap, {0, 0, 3000, 800}); };
    ZeltHostFailAllocationAfter(-1);
    ASSERT_EQ(paint(), STATUS_OK);
    const long allocations = ZeltHostFailAllocationAfter(-1);
    canvas.Clear();
    ZeltHostFailAllocationAfter(allocations);
    const int status = paint();
    ZeltHostFailAllocationAfter(-1);
    EXPECT_EQ(status, STATUS_BAD_PARAMETER);
    EXPECT_NE(canvas.At(1500, 800 - 697), kBackground);
    EXPECT_EQ(canvas.At(1500, 800 - 698), kBackground);
    KrnFreeBitmap(&bitmap);
}

}  // namespace
}  // namespace zelt::test
