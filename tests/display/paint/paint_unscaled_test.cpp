// Reduction (paint mode 2) end to end with colours the device palette
// holds exactly, allocation failures and dither continuity across pieces.
#include <random>

#include <gtest/gtest.h>

#include "display/paint/paint_test_canvas.h"
#include "paint/paint_engine.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

using PaintPath = int (*)(HDC, BitmapRecord *, const BYTE *, int, int, const RECT *, const RECT *, const RECT *,
                          const RECT *, int, int, DWORD);

// Colours every reducing converter reproduces without error: channels 0
// or 255 (on 1-bit devices only black and white).
std::vector<RGBQUAD> ExactColors(int deviceBits) {
    if (deviceBits == 1) return {{0, 0, 0, 0}, {255, 255, 255, 0}};
    std::vector<RGBQUAD> colors;
    for (int i = 0; i < 8; ++i)
        colors.push_back({static_cast<BYTE>(i & 1 ? 255 : 0), static_cast<BYTE>(i & 2 ? 255 : 0),
                          static_cast<BYTE>(i & 4 ? 255 : 0), 0});
    return colors;
}

class ReducePaths : public ::testing::TestWithParam<int> {};

TEST_P(ReducePaths, ExactColoursMatchTheModelOnEveryPath) {
    const int deviceBits = GetParam();
    DisplayModeScope mode(0);
    Canvas canvas(40, 36);
    for (int c = 0; c < 72; ++c) {
        std::mt19937 random(static_cast<unsigned>(deviceBits * 977 + c));
        const int perspective = c % 9;
        const bool oneToOne = (c / 9) % 2 == 1;
        const PaintPath path = oneToOne ? &PaintUnscaled : &PaintGeneral;
        const int width = std::uniform_int_distribution<int>(1, 31)(random);
        const int height = std::uniform_int_distribution<int>(1, 27)(random);
        BitmapRecord bitmap{};
        MakeRandomBitmap(&bitmap, random, width, height, 8, perspective, ExactColors(deviceBits));
        const PaintRequest q = RandomRequest(random, width, height, perspective, canvas, oneToOne);
        canvas.Clear();
        ASSERT_EQ(path(canvas.dc(), &bitmap, nullptr, 0, 0, &q.source, &q.sourceClip, &q.destination,
                       &q.destinationClip, deviceBits, PAINTMODE_REDUCE, SRCCOPY),
                  STATUS_OK);
        CompareWithModel(canvas, q, [&](const StoredPixel &p) { return StoredColor(&bitmap, p); },
                         "device " + std::to_string(deviceBits) + " case " + std::to_string(c));
        KrnFreeBitmap(&bitmap);
        if (::testing::Test::HasFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(DeviceDepths, ReducePaths, ::testing::Values(1, 4, 8));

class PaintFailures : public LeakCheckedTest {};

// Every allocation of a turned, scaled, reducing paint fails once in turn:
// the paint reports it and leaves nothing behind.
TEST_F(PaintFailures, EachAllocationFailureIsReportedAndLeavesNothing) {
    DisplayModeScope mode(0);
    std::mt19937 random(7);
    BitmapRecord bitmap{};
    MakeRandomBitmap(&bitmap, random, 30, 20, 24, 4);
    Canvas canvas(40, 40);
    const RECT src = {0, 0, 30, 20}, dst = {1, 2, 39, 37}, clip = {0, 0, 40, 40};
    for (const PaintPath path : {&PaintGeneral, &PaintUnscaled}) {
        int status = 0;
        const long allocations = ForEachAllocationFailure(
            [&] { status = path(canvas.dc(), &bitmap, nullptr, 0, 0, &src, &src, &dst, &clip, 8, PAINTMODE_REDUCE, SRCCOPY); },
            [&](long failedAt) {
                EXPECT_TRUE(status == STATUS_NO_MEMORY || status == STATUS_BAD_PARAMETER)
                    << "allocation " << failedAt << " gave " << status;
            });
        EXPECT_GE(allocations, 4);
    }
    KrnFreeBitmap(&bitmap);
}

// Two halves of one paint, painted separately with ordered dither, give
// the picture of the whole paint.
TEST(PaintDither, PiecesContinueTheSamePattern) {
    for (const PaintPath path : {&PaintGeneral, &PaintUnscaled}) {
        DisplayModeScope mode(DISP_CONVERTER_ALT);
        std::mt19937 random(11);
        BitmapRecord bitmap{};
        MakeRandomBitmap(&bitmap, random, 33, 21, 24, 0);
        const bool unscaled = path == &PaintUnscaled;
        const RECT src = {0, 0, 33, 21};
        const RECT dst = unscaled ? RECT{3, 4, 36, 25} : RECT{3, 4, 40, 38};
        const RECT whole = {0, 0, 48, 48}, left = {0, 0, 17, 48}, right = {17, 0, 48, 48};
        const RECT top = {0, 0, 48, 13}, bottom = {0, 13, 48, 48};
        Canvas once(48, 48), pieces(48, 48);
        ASSERT_EQ(path(once.dc(), &bitmap, nullptr, 0, 0, &src, &src, &dst, &whole, 4, PAINTMODE_REDUCE, SRCCOPY), 1);
        for (const RECT *part : {&left, &right})
            ASSERT_EQ(path(pieces.dc(), &bitmap, nullptr, 0, 0, &src, &src, &dst, part, 4, PAINTMODE_REDUCE, SRCCOPY), 1);
        Canvas rows(48, 48);
        for (const RECT *part : {&top, &bottom})
            ASSERT_EQ(path(rows.dc(), &bitmap, nullptr, 0, 0, &src, &src, &dst, part, 4, PAINTMODE_REDUCE, SRCCOPY), 1);
        int differences = 0, painted = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 48; ++x) {
                differences += once.At(x, y) != pieces.At(x, y) || once.At(x, y) != rows.At(x, y);
                painted += once.At(x, y) != kBackground;
            }
        EXPECT_EQ(differences, 0) << (unscaled ? "unscaled" : "general");
        EXPECT_GT(painted, 600);
        KrnFreeBitmap(&bitmap);
    }
}

}  // namespace
}  // namespace zelt::test
