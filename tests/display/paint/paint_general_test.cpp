// The general and unscaled paint paths end to end against the reference
// model: seeded random images, rectangles and clips in all nine
// perspectives, into a 32-bit surface.
#include <random>

#include <gtest/gtest.h>

#include "display/paint/paint_test_canvas.h"
#include "paint/paint_engine.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

struct DepthCase {
    int bits;
    int mode;
    int order;
};

using PaintPath = int (*)(HDC, BitmapRecord *, const BYTE *, int, int, const RECT *, const RECT *, const RECT *,
                          const RECT *, int, int, DWORD);

// Paints `cases` random requests per perspective with `path` and compares
// every pixel with the model.
void RunRandomPaints(PaintPath path, const DepthCase &depth, bool oneToOne, int cases) {
    DisplayModeScope mode(0);
    Canvas canvas(48, 40);
    for (int c = 0; c < cases; ++c) {
        std::mt19937 random(static_cast<unsigned>(1000 * depth.bits + 10 * depth.mode + c));
        const int perspective = c % 9;
        const int width = std::uniform_int_distribution<int>(1, 37)(random);
        const int height = std::uniform_int_distribution<int>(1, 29)(random);
        BitmapRecord bitmap{};
        MakeRandomBitmap(&bitmap, random, width, height, depth.bits, perspective, {}, depth.order);
        const PaintRequest q = RandomRequest(random, width, height, perspective, canvas, oneToOne);
        canvas.Clear();
        const int status = path(canvas.dc(), &bitmap, nullptr, 0, 0, &q.source, &q.sourceClip, &q.destination,
                                &q.destinationClip, 24, depth.mode, SRCCOPY);
        EXPECT_EQ(status, STATUS_OK) << "case " << c << " " << Describe(q);
        const std::string label = "bits " + std::to_string(depth.bits) + " mode " + std::to_string(depth.mode) +
                                  " case " + std::to_string(c);
        CompareWithModel(canvas, q, [&](const StoredPixel &p) { return StoredColor(&bitmap, p); }, label);
        KrnFreeBitmap(&bitmap);
        if (::testing::Test::HasFailure()) return;
    }
}

class GeneralPathDepths : public ::testing::TestWithParam<DepthCase> {};

TEST_P(GeneralPathDepths, MatchesReferenceModelAtRandomScales) {
    RunRandomPaints(&PaintGeneral, GetParam(), false, 90);
}

TEST_P(GeneralPathDepths, UnscaledPathMatchesReferenceModel) {
    RunRandomPaints(&PaintUnscaled, GetParam(), true, 90);
}

// Mode 0 at every depth GDI takes as it is; mode 1 for the others.
INSTANTIATE_TEST_SUITE_P(Depths, GeneralPathDepths,
                         ::testing::Values(DepthCase{1, 0, 1}, DepthCase{4, 0, 1}, DepthCase{8, 0, 1},
                                           DepthCase{24, 0, 1}, DepthCase{32, 0, 1}, DepthCase{2, 1, 1},
                                           DepthCase{3, 1, 1}, DepthCase{5, 1, 1}, DepthCase{6, 1, 1},
                                           DepthCase{7, 1, 1}, DepthCase{12, 1, 2}, DepthCase{16, 1, 1},
                                           DepthCase{16, 1, 2}, DepthCase{32, 1, 1}, DepthCase{48, 1, 1},
                                           DepthCase{64, 1, 1}),
                         [](const auto &info) {
                             return "Bits" + std::to_string(info.param.bits) + "Mode" +
                                    std::to_string(info.param.mode) + "Order" + std::to_string(info.param.order);
                         });

}  // namespace
}  // namespace zelt::test
