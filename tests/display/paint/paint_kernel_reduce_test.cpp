// The general path's kernel colour-reduction route: exact colours painted
// through it match the model at whole-number enlargements in every
// perspective (whole images, source rectangles and caller bands), flat
// areas keep their mean, allocation failures leave nothing behind.
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "display/paint/paint_test_canvas.h"
#include "paint/paint_engine.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

// Channels 0 or 255: in the 3-3-2 and cube tables and in VGA.
std::vector<RGBQUAD> PrimaryColors() {
    std::vector<RGBQUAD> colors;
    for (int i = 0; i < 8; ++i)
        colors.push_back({static_cast<BYTE>(i & 1 ? 255 : 0), static_cast<BYTE>(i & 2 ? 255 : 0),
                          static_cast<BYTE>(i & 4 ? 255 : 0), 0});
    return colors;
}

struct RouteCase {
    UINT displayMode;
    int deviceBits;
    int paintMode;
};

class KernelRoute : public ::testing::TestWithParam<RouteCase> {};

TEST_P(KernelRoute, ExactColoursMatchTheModelAtWholeScales) {
    const RouteCase route = GetParam();
    DisplayModeScope mode(route.displayMode);
    Canvas canvas(60, 56);
    for (int c = 0; c < 54; ++c) {
        std::mt19937 random(static_cast<unsigned>(route.displayMode + 31 * route.deviceBits + c));
        const int perspective = c % 9;
        const int width = std::uniform_int_distribution<int>(1, 19)(random);
        const int height = std::uniform_int_distribution<int>(1, 17)(random);
        BitmapRecord bitmap{};
        MakeRandomBitmap(&bitmap, random, width, height, 8, perspective, PrimaryColors());
        PaintRequest q = RandomRequest(random, width, height, perspective, canvas, true);
        if (c % 3 == 0) q.source = {0, 0, width, height};  // the whole image: no rectangle record
        const bool swapped = perspective == 4 || perspective == 5 || perspective == 7 || perspective == 8;
        const int sx = 1 + c % 3, sy = 1 + (c / 3) % 3;
        const int sw = q.source.right - q.source.left, sh = q.source.bottom - q.source.top;
        q.destination.right = q.destination.left + (swapped ? sh : sw) * sx;
        q.destination.bottom = q.destination.top + (swapped ? sw : sh) * sy;
        const bool fromBand = c % 4 == 1;
        canvas.Clear();
        const int status = PaintGeneral(canvas.dc(), &bitmap, fromBand ? static_cast<const BYTE *>(bitmap.Data) : nullptr,
                                        0, fromBand ? height : 0, &q.source, &q.sourceClip, &q.destination,
                                        &q.destinationClip, route.deviceBits, route.paintMode, SRCCOPY);
        ASSERT_EQ(status, STATUS_OK) << "case " << c;
        CompareWithModel(canvas, q, [&](const StoredPixel &p) { return StoredColor(&bitmap, p); },
                         "kernel route case " + std::to_string(c));
        KrnFreeBitmap(&bitmap);
        if (::testing::Test::HasFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, KernelRoute,
                         ::testing::Values(RouteCase{DISP_PATH_OPTION, 8, PAINTMODE_REDUCE},
                                           RouteCase{DISP_KERNEL_REDUCE, 4, PAINTMODE_REDUCE},
                                           RouteCase{DISP_KERNEL_REDUCE | DISP_CONVERTER_ALT, 8, PAINTMODE_REDUCE},
                                           RouteCase{DISP_PATH_OPTION, 24, PAINTMODE_DIRECT},
                                           RouteCase{DISP_KERNEL_REDUCE, 8, PAINTMODE_DIRECT}),
                         [](const auto &info) { return "Case" + std::to_string(info.index); });

// A flat 24-bit colour enlarged onto a 1-bit device through the kernel
// route keeps its brightness on average (diffusion), and the route really
// is taken: the picture is not one flat colour.
TEST(KernelRouteDither, FlatGrayKeepsItsMeanOnAOneBitDevice) {
    DisplayModeScope mode(DISP_KERNEL_REDUCE);
    BitmapRecord bitmap{};
    ASSERT_EQ(KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, 8, 8, 24, 1, nullptr, 0, nullptr, 0), STATUS_OK);
    std::vector<BYTE> row(bitmap.BytesPerLine, 90);
    for (int r = 0; r < 8; ++r) KrnPutBitmapRow(&bitmap, row.data(), r, static_cast<DWORD>(row.size()));
    Canvas canvas(64, 64);
    const RECT src = {0, 0, 8, 8}, dst = {0, 0, 64, 64};
    ASSERT_EQ(PaintGeneral(canvas.dc(), &bitmap, nullptr, 0, 0, &src, &src, &dst, &dst, 1, PAINTMODE_REDUCE, SRCCOPY), 1);
    double sum = 0;
    int white = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const DWORD v = canvas.At(x, y);
            ASSERT_TRUE(v == 0 || v == 0xFFFFFF) << x << "," << y;
            white += v != 0;
            sum += v ? 255 : 0;
        }
    EXPECT_NEAR(sum / 4096, 90, 2);
    EXPECT_GT(white, 0);
    KrnFreeBitmap(&bitmap);
}

class KernelRouteFailures : public LeakCheckedTest {};

TEST_F(KernelRouteFailures, EachAllocationFailureIsReportedAndLeavesNothing) {
    DisplayModeScope mode(DISP_PATH_OPTION);
    std::mt19937 random(8);
    BitmapRecord bitmap{};
    MakeRandomBitmap(&bitmap, random, 30, 20, 24, 4);
    Canvas canvas(50, 70);
    const RECT src = {2, 1, 28, 19}, dst = {1, 2, 37, 54}, clip = {0, 0, 50, 70};
    int status = 0;
    const long allocations = ForEachAllocationFailure(
        [&] { status = PaintGeneral(canvas.dc(), &bitmap, nullptr, 0, 0, &src, &src, &dst, &clip, 8, PAINTMODE_REDUCE, SRCCOPY); },
        [&](long failedAt) {
            EXPECT_TRUE(status == STATUS_NO_MEMORY || status == STATUS_BAD_PARAMETER)
                << "allocation " << failedAt << " gave " << status;
        });
    EXPECT_GE(allocations, 8);
    KrnFreeBitmap(&bitmap);
}

}  // namespace
}  // namespace zelt::test
