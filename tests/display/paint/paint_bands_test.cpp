// Band sizes of the general and unscaled paths (the header of the last band
// stays in the thread's settings), a transfer that fails on the second
// band, and painting from a caller's row band against the reference model.
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "display/paint/paint_test_canvas.h"
#include "frame/display_settings.h"
#include "paint/paint_engine.h"
#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

struct BandCase {
    const char *name;
    bool unscaled;
    int perspective;
    int imageW, imageH;   // stored
    int dstW, dstH;
    LONG lastWidth, lastHeight;  // header of the last band sent
};

class BandSizes : public ::testing::TestWithParam<BandCase> {};

// 24-bit rows of 1000 pixels: stride 3000, bands of 87 rows (200 = 87 + 87
// + 26). Turned unscaled bands of 2400-pixel columns (stride 7200, 36 by
// the limit) hold 32 (100 = 3 x 32 + 4); of 17000-pixel columns (stride
// 51000) 5 (102 = 20 x 5 + 2); the general path keeps 36 (100 = 2 x 36 + 28).
TEST_P(BandSizes, LastBandHeaderHasTheGoldenSize) {
    const BandCase c = GetParam();
    DisplayModeScope mode(0);
    std::mt19937 random(1);
    BitmapRecord bitmap{};
    MakeRandomBitmap(&bitmap, random, c.imageW, c.imageH, 24, c.perspective);
    Canvas canvas(c.dstW, c.dstH);
    const RECT src = {0, 0, c.imageW, c.imageH}, dst = {0, 0, c.dstW, c.dstH};
    const auto path = c.unscaled ? &PaintUnscaled : &PaintGeneral;
    ASSERT_EQ(path(canvas.dc(), &bitmap, nullptr, 0, 0, &src, &src, &dst, &dst, 24, PAINTMODE_DIRECT, SRCCOPY), 1);
    const BITMAPINFOHEADER &header = GetDisplaySettings()->PaintHeader;
    EXPECT_EQ(header.biWidth, c.lastWidth);
    EXPECT_EQ(header.biHeight, c.lastHeight);
    for (const POINT corner : {POINT{0, 0}, POINT{c.dstW - 1, 0}, POINT{0, c.dstH - 1}, POINT{c.dstW - 1, c.dstH - 1}})
        EXPECT_NE(canvas.At(corner.x, corner.y), kBackground) << "corner " << corner.x << "," << corner.y;
    KrnFreeBitmap(&bitmap);
}

INSTANTIATE_TEST_SUITE_P(
    Golden, BandSizes,
    ::testing::Values(BandCase{"General1000", false, 0, 500, 100, 1000, 200, 1000, 26},
                      BandCase{"Unscaled1000", true, 0, 1000, 200, 1000, 200, 1000, 26},
                      BandCase{"UnscaledTurned2400", true, 4, 2400, 100, 100, 2400, 4, 2400},
                      BandCase{"GeneralTurned2400", false, 4, 1200, 50, 100, 2400, 28, 2400},
                      BandCase{"UnscaledTurned17000", true, 4, 17000, 102, 102, 17000, 2, 17000}),
    [](const auto &info) { return std::string(info.param.name); });

class BandFailures : public LeakCheckedTest {};

// Failing each allocation of a three-band paint in turn: the kernel's
// buffers answer -1 with nothing drawn; the scratch allocation of a
// StretchDIBits call answers -13, and exactly the bands before it stay.
// The failure of the second transfer must be among them.
TEST_F(BandFailures, FailingSecondTransferKeepsTheFirstBand) {
    DisplayModeScope mode(0);
    std::mt19937 random(2);
    BitmapRecord bitmap{};
    MakeRandomBitmap(&bitmap, random, 500, 100, 24, 0);
    Canvas canvas(1000, 200);
    const RECT src = {0, 0, 500, 100}, dst = {0, 0, 1000, 200};
    int status = 0;
    bool sawSecondBandFailure = false;
    ForEachAllocationFailure(
        [&] {
            canvas.Clear();
            status = PaintGeneral(canvas.dc(), &bitmap, nullptr, 0, 0, &src, &src, &dst, &dst, 24, PAINTMODE_DIRECT,
                                  SRCCOPY);
        },
        [&](long failedAt) {
            ASSERT_TRUE(status == STATUS_NO_MEMORY || status == STATUS_BAD_PARAMETER) << failedAt;
            // Painted rows count up from the bottom in whole bands.
            int painted = 0;
            while (painted < 200 && canvas.At(0, 199 - painted) != kBackground) ++painted;
            for (int y = 0; y < 200 - painted; ++y) ASSERT_EQ(canvas.At(500, y), kBackground) << failedAt << " " << y;
            if (status == STATUS_NO_MEMORY) EXPECT_EQ(painted, 0) << failedAt;
            else EXPECT_TRUE(painted == 0 || painted == 87 || painted == 174) << failedAt << ": " << painted;
            sawSecondBandFailure |= status == STATUS_BAD_PARAMETER && painted == 87;
        });
    EXPECT_TRUE(sawSecondBandFailure);
    KrnFreeBitmap(&bitmap);
}

// Painting from a caller's band of stored rows (the bitmap's own data is
// blank): both paths, all perspectives, against the model on the band's
// contents.
TEST(CallerBand, PaintsTheBufferRowsLikeTheBitmap) {
    DisplayModeScope mode(0);
    Canvas canvas(48, 40);
    for (int c = 0; c < 54; ++c) {
        std::mt19937 random(static_cast<unsigned>(300 + c));
        const int perspective = c % 9;
        const bool oneToOne = (c / 9) % 2 == 1;
        const int bits = (c / 18) == 0 ? 24 : (c / 18) == 1 ? 8 : 4;
        const int width = std::uniform_int_distribution<int>(1, 30)(random);
        const int height = std::uniform_int_distribution<int>(1, 25)(random);
        BitmapRecord model{}, blank{};
        MakeRandomBitmap(&model, random, width, height, bits, perspective);
        ASSERT_EQ(KrnCopyBitmap(&blank, &model), STATUS_OK);
        KrnClearBitmap(&blank);
        const PaintRequest q = RandomRequest(random, width, height, perspective, canvas, oneToOne);
        canvas.Clear();
        const auto path = oneToOne ? &PaintUnscaled : &PaintGeneral;
        ASSERT_EQ(path(canvas.dc(), &blank, static_cast<const BYTE *>(model.Data), 0, height, &q.source, &q.sourceClip,
                       &q.destination, &q.destinationClip, 24, PAINTMODE_DIRECT, SRCCOPY),
                  STATUS_OK);
        CompareWithModel(canvas, q, [&](const StoredPixel &p) { return StoredColor(&model, p); },
                         "caller band case " + std::to_string(c));
        KrnFreeBitmap(&model);
        KrnFreeBitmap(&blank);
        if (::testing::Test::HasFailure()) return;
    }
}

}  // namespace
}  // namespace zelt::test
