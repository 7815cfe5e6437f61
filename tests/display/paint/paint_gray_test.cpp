// The gray paint paths of 1-bit grayscale images: golden box averages and
// interpolations, every path end to end against the per-pixel model at
// seeded random sizes in all nine perspectives (normal and inverted, clips,
// upside-down destinations), band sizes, failing allocations and a device
// transfer that fails on the second band.
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "display/paint/gray_paint_model.h"
#include "paint/paint_engine.h"
#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

using GrayPath = int (*)(HDC, BitmapRecord *, const RECT *, const RECT *, const RECT *, const RECT *, int, DWORD);

constexpr RGBQUAD kBlackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
constexpr RGBQUAD kWhiteBlack[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};

class GrayPaint : public LeakCheckedTest {
protected:
    DisplayModeScope mode_{0};
};

// A 1-bit image from rows of '#' (black) and '.' (white), normal palette.
void MakePicture(BitmapRecord *bitmap, const std::vector<std::string> &rows, int perspective = 0) {
    const int width = static_cast<int>(rows[0].size()), height = static_cast<int>(rows.size());
    ASSERT_EQ(KrnCreateBitmap(bitmap, KRN_MEMORY_CONVENTIONAL, width, height, 1, 1, kBlackWhite, perspective, nullptr,
                              0),
              STATUS_OK);
    for (int r = 0; r < height; ++r) {
        std::vector<BYTE> row(static_cast<std::size_t>(bitmap->BytesPerLine), 0);
        for (int c = 0; c < width; ++c)
            if (rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] == '.')
                row[static_cast<std::size_t>(c / 8)] |= static_cast<BYTE>(0x80 >> (c % 8));
        KrnPutBitmapRow(bitmap, row.data(), r, static_cast<DWORD>(row.size()));
    }
}

int Paint(GrayPath path, Canvas &canvas, BitmapRecord *bitmap, RECT destination, int invert = 0) {
    const RECT source = {0, 0, bitmap->Width, bitmap->Height};
    const RECT clip = {0, 0, canvas.width(), canvas.height()};
    return path(canvas.dc(), bitmap, &source, &source, &destination, &clip, invert, SRCCOPY);
}

TEST_F(GrayPaint, ReducedCellsGiveExactBoxAverages) {
    // 2x2 cells: checkerboard, all black, all white.
    BitmapRecord bitmap{};
    MakePicture(&bitmap, {"#.##..", ".###.."});
    Canvas canvas(4, 2);
    ASSERT_EQ(Paint(&PaintGrayReduced, canvas, &bitmap, {0, 0, 3, 1}), STATUS_OK);
    EXPECT_EQ(canvas.At(0, 0), GrayModel::Gray(128));  // 255 - floor(255 * 2 / 4)
    EXPECT_EQ(canvas.At(1, 0), GrayModel::Gray(0));
    EXPECT_EQ(canvas.At(2, 0), GrayModel::Gray(255));
    EXPECT_EQ(canvas.At(3, 0), kBackground);
    KrnFreeBitmap(&bitmap);

    // A 3x3 cell with one black pixel: 255 - floor(255 / 9).
    MakePicture(&bitmap, {"...", ".#.", "..."});
    ASSERT_EQ(Paint(&PaintGrayReduced, canvas, &bitmap, {0, 0, 1, 1}), STATUS_OK);
    EXPECT_EQ(canvas.At(0, 0), GrayModel::Gray(227));
    // Inverted, the other eight are black: 255 - floor(255 * 8 / 9) = 29.
    ASSERT_EQ(Paint(&PaintGrayReduced, canvas, &bitmap, {0, 0, 1, 1}, 1), STATUS_OK);
    EXPECT_EQ(canvas.At(0, 0), GrayModel::Gray(29));
    KrnFreeBitmap(&bitmap);
}

TEST_F(GrayPaint, CellsPastTheImageHoldItsEdgePixel) {
    // Source 8 wide over a 5-wide image: the second 4x2 cell has one column
    // inside; the three outside repeat it (black), in every perspective
    // that keeps the axes.
    for (int perspective : {0, 1, 2, 3}) {
        BitmapRecord bitmap{};
        MakePicture(&bitmap, {"#####", "##.##"}, perspective);
        Canvas canvas(2, 1);
        const RECT source = {0, 0, 8, 2};
        const RECT destination = {0, 0, 2, 1};
        ASSERT_EQ(PaintGrayReduced(canvas.dc(), &bitmap, &source, &source, &destination, &destination, 0, SRCCOPY),
                  STATUS_OK);
        // Unmirrored, cell 0 holds the white pixel: 255 - floor(255 * 7 / 8)
        // = 32, and cell 1 is black though only one column lies inside.
        // Mirrored, displayed columns -3 .. 4 are shown: cell 0 starts
        // outside the picture (not painted), cell 1 holds the white pixel.
        const bool mirrored = perspective == 1 || perspective == 3;
        EXPECT_EQ(canvas.At(0, 0), mirrored ? kBackground : GrayModel::Gray(32)) << perspective;
        EXPECT_EQ(canvas.At(1, 0), GrayModel::Gray(mirrored ? 32 : 0)) << perspective;
        KrnFreeBitmap(&bitmap);
    }
}

TEST_F(GrayPaint, UnscaledShowsOnlyBlackAndWhite) {
    BitmapRecord bitmap{};
    MakePicture(&bitmap, {"#..#.##.#", ".#.##...#"});
    Canvas canvas(9, 2);
    for (int invert = 0; invert < 2; ++invert) {
        ASSERT_EQ(Paint(&PaintGrayUnscaled, canvas, &bitmap, {0, 0, 9, 2}, invert), STATUS_OK);
        const char *rows[] = {"#..#.##.#", ".#.##...#"};
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 9; ++x)
                EXPECT_EQ(canvas.At(x, y), GrayModel::Gray(((rows[y][x] == '#') != (invert != 0)) ? 0 : 255))
                    << x << "," << y << " invert " << invert;
    }
    KrnFreeBitmap(&bitmap);
}

TEST_F(GrayPaint, EnlargingAxesInterpolate) {
    BitmapRecord bitmap{};
    Canvas canvas(4, 4);
    // Across: black, white to 4 columns: 0, (0 * 2 + 1 * 2) * 255 / 4, 255,
    // and the last pair held at the edge.
    MakePicture(&bitmap, {"#."});
    ASSERT_EQ(Paint(&PaintGrayScaled, canvas, &bitmap, {0, 0, 4, 1}), STATUS_OK);
    const int across[] = {0, 127, 255, 255};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(canvas.At(x, 0), GrayModel::Gray(across[x])) << x;
    KrnFreeBitmap(&bitmap);

    // Down: rows count from the bottom, so the white bottom pixel leads.
    MakePicture(&bitmap, {"#", "."});
    canvas.Clear();
    ASSERT_EQ(Paint(&PaintGrayScaled, canvas, &bitmap, {0, 0, 1, 4}), STATUS_OK);
    const int down[] = {0, 0, 127, 255};
    for (int y = 0; y < 4; ++y) EXPECT_EQ(canvas.At(0, y), GrayModel::Gray(down[y])) << y;
    KrnFreeBitmap(&bitmap);
}

TEST_F(GrayPaint, WideInterpolationRoundsThroughMulDiv) {
    // White, black over 20,000,000 columns: column t is (D - 2t) * 255 / D;
    // at t = 11765 that is 254.69..., which MulDiv rounds to 255 (plain
    // truncation would give 254); far right it is computed exactly.
    BitmapRecord bitmap{};
    MakePicture(&bitmap, {".#"});
    Canvas canvas(2, 1);
    ASSERT_EQ(Paint(&PaintGrayScaled, canvas, &bitmap, {-11765, 0, -11765 + 20000000, 1}), STATUS_OK);
    EXPECT_EQ(canvas.At(0, 0), GrayModel::Gray(255));
    EXPECT_EQ(canvas.At(1, 0), GrayModel::Gray(255));
    // At t = 9,000,000: x = 2,000,000 <= 0x808080, 2e6 * 255 / 2e7 = 25.5 -> 25.
    ASSERT_EQ(Paint(&PaintGrayScaled, canvas, &bitmap, {-9000000, 0, -9000000 + 20000000, 1}), STATUS_OK);
    EXPECT_EQ(canvas.At(0, 0), GrayModel::Gray(25));
    KrnFreeBitmap(&bitmap);
}

struct PathCase {
    const char *name;
    GrayPath path;
    GrayShape shape;
};

class GrayPathModel : public ::testing::TestWithParam<PathCase> {};

// Seeded random requests in all perspectives, both gray orders, against the
// model of the path's own arithmetic.
TEST_P(GrayPathModel, MatchesPerPixelModel) {
    const PathCase &pc = GetParam();
    DisplayModeScope mode(0);
    Canvas canvas(48, 40);
    for (int c = 0; c < 180; ++c) {
        std::mt19937 random(static_cast<unsigned>(7000 + c));
        const int perspective = c % 9;
        const int invert = (c / 9) % 2;
        const int width = std::uniform_int_distribution<int>(2, 60)(random);
        const int height = std::uniform_int_distribution<int>(2, 50)(random);
        BitmapRecord bitmap{};
        MakeRunImage(&bitmap, random, width, height, perspective, invert ? kWhiteBlack : kBlackWhite);
        const PaintRequest q = RandomGrayRequest(random, width, height, perspective, canvas, pc.shape);
        canvas.Clear();
        const int status = pc.path(canvas.dc(), &bitmap, &q.source, &q.sourceClip, &q.destination,
                                   &q.destinationClip, invert, SRCCOPY);
        EXPECT_EQ(status, STATUS_OK) << "case " << c << " " << Describe(q);
        const GrayModel model(&bitmap, q, invert);
        const std::string label = std::string(pc.name) + " case " + std::to_string(c) + " invert " +
                                  std::to_string(invert);
        CompareGray(canvas, q, [&](int x, int y) {
            switch (pc.shape) {
                case GrayShape::kOneToOne: return model.Unscaled(x, y);
                case GrayShape::kReduced: return model.Reduced(x, y);
                default: return model.Scaled(x, y);
            }
        }, label);
        KrnFreeBitmap(&bitmap);
        if (::testing::Test::HasFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, GrayPathModel,
                         ::testing::Values(PathCase{"Unscaled", &PaintGrayUnscaled, GrayShape::kOneToOne},
                                           PathCase{"Reduced", &PaintGrayReduced, GrayShape::kReduced},
                                           PathCase{"Scaled", &PaintGrayScaled, GrayShape::kScaled}),
                         [](const auto &info) { return std::string(info.param.name); });

// Long bands: a destination of 1000-byte lines holds 262 of them per band
// (262144 / 1000); turned, 262144 / 1000 - 3 = 259 columns. The device
// refusing the second band leaves the first drawn and returns -13.
struct BandCase {
    const char *name;
    GrayPath path;
    int perspective;
    int imageW, imageH;
    RECT destination;
    bool columns;  // bands are runs of destination columns
    int firstBandLines;
};

class GrayBands : public ::testing::TestWithParam<BandCase> {};

TEST_P(GrayBands, SecondBandRefusedLeavesFirstDrawn) {
    const BandCase &bc = GetParam();
    DisplayModeScope mode(0);
    const int cw = bc.destination.right, ch = bc.destination.bottom;
    Canvas canvas(cw, ch);
    std::mt19937 random(11);
    BitmapRecord bitmap{};
    MakeRunImage(&bitmap, random, bc.imageW, bc.imageH, bc.perspective, kBlackWhite);
    auto paint = [&] { return Paint(bc.path, canvas, &bitmap, bc.destination); };

    ASSERT_EQ(paint(), STATUS_OK);
    ZeltHostFailAllocationAfter(-1);
    ASSERT_EQ(paint(), STATUS_OK);
    const long allocations = ZeltHostFailAllocationAfter(-1);
    ASSERT_GT(allocations, 0);

    // The last allocation belongs to the second band's transfer.
    canvas.Clear();
    ZeltHostFailAllocationAfter(allocations);
    const int status = paint();
    ZeltHostFailAllocationAfter(-1);
    EXPECT_EQ(status, STATUS_BAD_PARAMETER);
    // The first band is the bottom rows, or the leftmost columns.
    const int drawnX = bc.columns ? bc.firstBandLines - 1 : cw / 2;
    const int drawnY = bc.columns ? ch / 2 : ch - bc.firstBandLines;
    const int emptyX = bc.columns ? bc.firstBandLines : cw / 2;
    const int emptyY = bc.columns ? ch / 2 : ch - bc.firstBandLines - 1;
    EXPECT_NE(canvas.At(drawnX, drawnY), kBackground) << bc.name;
    EXPECT_EQ(canvas.At(emptyX, emptyY), kBackground) << bc.name;
    KrnFreeBitmap(&bitmap);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, GrayBands,
    ::testing::Values(BandCase{"Unscaled", &PaintGrayUnscaled, 0, 1000, 300, {0, 0, 1000, 300}, false, 262},
                      BandCase{"UnscaledTurned", &PaintGrayUnscaled, 4, 1000, 300, {0, 0, 300, 1000}, true, 259},
                      BandCase{"Reduced", &PaintGrayReduced, 2, 2100, 700, {0, 0, 1000, 300}, false, 262},
                      BandCase{"ReducedTurned", &PaintGrayReduced, 8, 2100, 700, {0, 0, 300, 1000}, true, 259},
                      BandCase{"Scaled", &PaintGrayScaled, 3, 500, 150, {0, 0, 1000, 300}, false, 262},
                      BandCase{"ScaledTurned", &PaintGrayScaled, 5, 500, 150, {0, 0, 300, 1000}, true, 259}),
    [](const auto &info) { return std::string(info.param.name); });

// Every allocation failing in turn: the path's own buffers give -1 with
// nothing drawn; later failures belong to GDI's transfer (-13). Nothing
// leaks either way.
TEST_P(GrayPathModel, FailedAllocationsReturnNoMemoryAndDrawNothing) {
    const PathCase &pc = GetParam();
    DisplayModeScope mode(0);
    Canvas canvas(30, 20);
    std::mt19937 random(3);
    BitmapRecord bitmap{};
    const int perspective = 4;  // a turned band needs the turn buffer too
    MakeRunImage(&bitmap, random, 24, 36, perspective, kBlackWhite);
    const RECT source = {0, 0, 24, 36};
    RECT destination = {2, 1, 38, 25};  // one to one (axes exchanged)
    if (pc.shape == GrayShape::kReduced) destination = {2, 1, 20, 15};
    if (pc.shape == GrayShape::kScaled) destination = {2, 1, 30, 30};
    bool sawTransferFailure = false;
    long noMemory = 0;
    int status = 0;
    const long total = ForEachAllocationFailure(
        [&] {
            canvas.Clear();
            status = pc.path(canvas.dc(), &bitmap, &source, &source, &destination, &destination, 0, SRCCOPY);
        },
        [&](long failedAt) {
            if (status == STATUS_NO_MEMORY) {
                EXPECT_FALSE(sawTransferFailure) << "allocation " << failedAt << " came after a transfer";
                ++noMemory;
                for (int y = 0; y < canvas.height(); ++y)
                    for (int x = 0; x < canvas.width(); ++x)
                        ASSERT_EQ(canvas.At(x, y), kBackground) << "drawn despite -1 at " << x << "," << y;
            } else {
                EXPECT_EQ(status, STATUS_BAD_PARAMETER) << "allocation " << failedAt;
                sawTransferFailure = true;
            }
        });
    EXPECT_GE(noMemory, 3) << pc.name << " of " << total << " allocations";
    KrnFreeBitmap(&bitmap);
}

TEST_F(GrayPaint, NothingVisibleDrawsNothing) {
    BitmapRecord bitmap{};
    MakePicture(&bitmap, {"#.#.", ".#.#", "#.#."});
    Canvas canvas(8, 8);
    const RECT source = {0, 0, 4, 3};
    const RECT offImage = {10, 10, 20, 20};
    const RECT destination = {0, 0, 2, 2};
    const RECT elsewhere = {5, 5, 8, 8};
    for (GrayPath path : {&PaintGrayUnscaled, &PaintGrayReduced, &PaintGrayScaled, &PaintBitonal}) {
        EXPECT_EQ(path(canvas.dc(), &bitmap, &source, &source, &destination, &elsewhere, 0, SRCCOPY), STATUS_OK);
        EXPECT_EQ(path(canvas.dc(), &bitmap, &source, &offImage, &destination, &destination, 0, SRCCOPY), STATUS_OK);
        const RECT empty = {0, 0, 0, 2};
        EXPECT_EQ(path(canvas.dc(), &bitmap, &source, &source, &empty, &empty, 0, SRCCOPY), STATUS_OK);
    }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(canvas.At(x, y), kBackground) << x << "," << y;
    KrnFreeBitmap(&bitmap);
}

TEST_F(GrayPaint, GrayLevelsPassThroughPaintLut) {
    BitmapRecord bitmap{};
    MakePicture(&bitmap, {"#.", ".#"});
    for (int i = 0; i < 256; ++i) bitmap.PaintLut[i] = static_cast<BYTE>(255 - i / 2);
    Canvas canvas(2, 2);
    ASSERT_EQ(Paint(&PaintGrayUnscaled, canvas, &bitmap, {0, 0, 2, 2}), STATUS_OK);
    EXPECT_EQ(canvas.At(0, 0), GrayModel::Gray(255));      // black: PaintLut[0]
    EXPECT_EQ(canvas.At(1, 0), GrayModel::Gray(255 - 127));  // white: PaintLut[255]
    KrnFreeBitmap(&bitmap);
}

}  // namespace
}  // namespace zelt::test
