// Buffer painting: bands of caller rows reach the device where the
// rectangles put them, in the right row order, with the buffer unchanged.
#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "front_test_support.h"
#include "paint/paint_engine.h"
#include "paint_test_canvas.h"

namespace {

using namespace zelt::test;

// 24-bit rows (blue, green, red) whose colour encodes the stored position.
DWORD PositionColor(int column, int row) { return 0x00800000u | (DWORD(row) << 8) | DWORD(column * 9 + 1); }

std::vector<BYTE> MakeBand(const BitmapRecord &bitmap, int firstRow, int rows) {
    std::vector<BYTE> band(static_cast<std::size_t>(bitmap.BytesPerLine) * static_cast<std::size_t>(rows), 0);
    for (int r = 0; r < rows; ++r)
        for (int x = 0; x < bitmap.Width; ++x) {
            const DWORD rgb = PositionColor(x, firstRow + r);
            BYTE *p = &band[static_cast<std::size_t>(r * bitmap.BytesPerLine + 3 * x)];
            p[0] = BYTE(rgb), p[1] = BYTE(rgb >> 8), p[2] = BYTE(rgb >> 16);
        }
    return band;
}

// A 24-bit image described only: no data, no allocated flag.
BitmapRecord Described(int width, int height, int perspective) {
    BitmapRecord bitmap{};
    EXPECT_EQ(KrnInitBitmapRecord(&bitmap, width, height, 24), STATUS_OK);
    bitmap.ViewPerspective = perspective;
    return bitmap;
}

class PaintBufferTest : public LeakCheckedTest {
protected:
    ModeScope mode_{DISP_DEFAULT_MODE};
};

struct BandRequest {
    RECT source, sourceClip, destination, destinationClip;
    int firstRow, rowCount;
};

// Where a stored pixel lands in a one-to-one transfer with kept axes, and
// whether the request draws it.
struct BandOracle {
    const BitmapRecord &bitmap;
    const BandRequest &q;
    bool Drawn(int column, int row, int *x, int *y) const {
        const int rows = q.rowCount < 0 ? -q.rowCount : q.rowCount;
        if (row < q.firstRow || row >= q.firstRow + rows) return false;
        const RECT image{0, 0, bitmap.Width, bitmap.Height};
        RECT clip;
        if (!ClipRect(&clip, &q.source, &q.sourceClip) || !ClipRect(&clip, &clip, &image)) return false;
        if (column < clip.left || column >= clip.right || row < clip.top || row >= clip.bottom) return false;
        *x = column + q.destination.left - q.source.left;
        *y = bitmap.ViewPerspective == 2 ? q.destination.top + q.source.bottom - 1 - row
                                         : row + q.destination.top - q.source.top;
        const RECT &d = q.destinationClip;
        const RECT &t = q.destination;
        return *x >= std::max(d.left, t.left) && *x < std::min(d.right, t.right) && *y >= std::max(d.top, t.top) &&
               *y < std::min(d.bottom, t.bottom);
    }
};

int ExpectPainted(const Canvas &canvas, const BitmapRecord &bitmap, const BandRequest &q, const std::string &label) {
    std::vector<DWORD> want(static_cast<std::size_t>(canvas.width() * canvas.height()), kBackground);
    const BandOracle oracle{bitmap, q};
    for (int row = 0; row < bitmap.Height; ++row)
        for (int column = 0; column < bitmap.Width; ++column) {
            int x, y;
            if (oracle.Drawn(column, row, &x, &y) && x >= 0 && y >= 0 && x < canvas.width() && y < canvas.height())
                want[static_cast<std::size_t>(y * canvas.width() + x)] = PositionColor(column, row);
        }
    int mismatches = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (canvas.At(x, y) != want[static_cast<std::size_t>(y * canvas.width() + x)] && ++mismatches <= 4)
                ADD_FAILURE() << label << " pixel (" << x << "," << y << ") is " << std::hex << canvas.At(x, y)
                              << ", want " << want[static_cast<std::size_t>(y * canvas.width() + x)];
    return mismatches;
}

TEST_F(PaintBufferTest, DescribedImagePaintsTheBandTopDownAndBottomUp) {
    for (int perspective : {0, 2}) {
        BitmapRecord bitmap = Described(4, 10, perspective);
        Canvas canvas(20, 24);
        auto band = MakeBand(bitmap, 2, 4);
        const auto original = band;
        const BandRequest q{{0, 0, 4, 10}, {0, 0, 4, 10}, {10, 10, 14, 20}, {0, 0, 20, 24}, 2, 4};
        const RECT destination = q.destination;
        EXPECT_EQ(Z_PaintDCBuffer(canvas.dc(), &bitmap, nullptr, nullptr, &destination, nullptr, SRCCOPY, band.data(),
                                  2, 4),
                  STATUS_OK);
        EXPECT_EQ(ExpectPainted(canvas, bitmap, q, "perspective " + std::to_string(perspective)), 0);
        EXPECT_EQ(band, original) << "the caller's buffer is unchanged";
        // Spot check of the orientation: stored row 2 is near the top for 0,
        // near the bottom for 2.
        EXPECT_EQ(canvas.At(10, perspective == 0 ? 12 : 17), PositionColor(0, 2));
    }
}

TEST_F(PaintBufferTest, NegativeCountTakesTheRowsLastFirstAndKeepsTheBuffer) {
    BitmapRecord bitmap = Described(5, 6, 0);
    auto band = MakeBand(bitmap, 1, 3);
    // The same three rows, delivered last row first.
    const size_t rowBytes = static_cast<size_t>(bitmap.BytesPerLine);
    auto reversed = band;
    for (size_t r = 0; r < 3; ++r)
        std::copy_n(band.begin() + static_cast<std::ptrdiff_t>((2 - r) * rowBytes), rowBytes,
                    reversed.begin() + static_cast<std::ptrdiff_t>(r * rowBytes));
    const auto original = reversed;
    Canvas positive(8, 8), negative(8, 8);
    const RECT destination{1, 1, 6, 7};
    ASSERT_EQ(Z_PaintDCBuffer(positive.dc(), &bitmap, nullptr, nullptr, &destination, nullptr, SRCCOPY, band.data(), 1, 3),
              STATUS_OK);
    ASSERT_EQ(Z_PaintDCBuffer(negative.dc(), &bitmap, nullptr, nullptr, &destination, nullptr, SRCCOPY,
                              reversed.data(), 1, -3),
              STATUS_OK);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(positive.At(x, y), negative.At(x, y)) << x << "," << y;
    EXPECT_EQ(reversed, original);
    EXPECT_EQ(negative.At(1, 2), PositionColor(0, 1));
}

TEST_F(PaintBufferTest, BandOutsideTheSourceClipDrawsNothing) {
    BitmapRecord bitmap = Described(4, 10, 0);
    Canvas canvas(12, 12);
    auto band = MakeBand(bitmap, 6, 3);
    const RECT destination{0, 0, 4, 10}, sourceClip{0, 0, 4, 5};
    EXPECT_EQ(Z_PaintDCBuffer(canvas.dc(), &bitmap, nullptr, &sourceClip, &destination, nullptr, SRCCOPY, band.data(), 6, 3),
              STATUS_OK);
    const RECT offImage{0, 0, 4, 10};
    EXPECT_EQ(Z_PaintDCBuffer(canvas.dc(), &bitmap, nullptr, nullptr, &offImage, nullptr, SRCCOPY, band.data(), 20, 3),
              STATUS_OK);
    EXPECT_EQ(Z_PaintDCBuffer(canvas.dc(), &bitmap, nullptr, nullptr, &offImage, nullptr, SRCCOPY, band.data(), 2, 0),
              STATUS_OK);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) ASSERT_EQ(canvas.At(x, y), kBackground) << x << "," << y;
}

TEST_F(PaintBufferTest, ArgumentsAreCheckedInOrder) {
    BitmapRecord bitmap = Described(2, 2, 0);
    BYTE rows[16] = {};
    const RECT destination{0, 0, 2, 2};
    Canvas canvas(2, 2);
    EXPECT_EQ(Z_PaintDCBuffer(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, SRCCOPY, rows, 0, 1), STATUS_NO_BITMAP);
    EXPECT_EQ(Z_PaintDCBuffer(nullptr, &bitmap, nullptr, nullptr, nullptr, nullptr, SRCCOPY, nullptr, 0, 1), STATUS_NO_BITMAP);
    EXPECT_EQ(Z_PaintDCBuffer(canvas.dc(), &bitmap, nullptr, nullptr, nullptr, nullptr, SRCCOPY, rows, 0, 1),
              STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_PaintDCBuffer(nullptr, &bitmap, nullptr, nullptr, &destination, nullptr, SRCCOPY, rows, 0, 1),
              STATUS_BAD_PARAMETER);
}

// Seeded random bands, sources and clips; the clip may cut into the band from
// any side, and exactly the mapped pixels inside it are drawn.
TEST_F(PaintBufferTest, RandomClipsDrawExactlyTheMappedPixels) {
    for (unsigned seed = 0; seed < 150; ++seed) {
        std::mt19937 random(seed);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
        BitmapRecord bitmap = Described(pick(1, 9), pick(1, 9), pick(0, 1) * 2);
        Canvas canvas(16, 16);
        const int l = pick(0, bitmap.Width - 1), t = pick(0, bitmap.Height - 1);
        BandRequest q{};
        q.source = {l, t, pick(l + 1, bitmap.Width), pick(t + 1, bitmap.Height)};
        q.sourceClip = pick(0, 1) ? q.source : RECT{pick(-2, 6), pick(-2, 6), pick(2, 11), pick(2, 11)};
        const int dl = pick(-3, 12), dt = pick(-3, 12);
        q.destination = {dl, dt, dl + q.source.right - q.source.left, dt + q.source.bottom - q.source.top};
        q.destinationClip = pick(0, 1) ? RECT{0, 0, 16, 16} : RECT{pick(-2, 10), pick(-2, 10), pick(4, 18), pick(4, 18)};
        q.firstRow = pick(0, bitmap.Height - 1);
        q.rowCount = pick(1, bitmap.Height - q.firstRow) * (pick(0, 3) == 0 ? -1 : 1);
        auto band = MakeBand(bitmap, q.firstRow, std::abs(q.rowCount));
        if (q.rowCount < 0) {  // a negative count delivers the rows last first
            const size_t rowBytes = static_cast<size_t>(bitmap.BytesPerLine);
            for (size_t top = 0, bottom = band.size() / rowBytes - 1; top < bottom; ++top, --bottom)
                std::swap_ranges(band.begin() + static_cast<std::ptrdiff_t>(top * rowBytes),
                                 band.begin() + static_cast<std::ptrdiff_t>((top + 1) * rowBytes),
                                 band.begin() + static_cast<std::ptrdiff_t>(bottom * rowBytes));
        }
        const auto original = band;
        const int status = Z_PaintDCBuffer(canvas.dc(), &bitmap, &q.source, &q.sourceClip, &q.destination,
                                           &q.destinationClip, SRCCOPY, band.data(), q.firstRow, q.rowCount);
        ASSERT_EQ(status, STATUS_OK) << "case " << seed;
        ASSERT_EQ(ExpectPainted(canvas, bitmap, q, "case " + std::to_string(seed)), 0);
        ASSERT_EQ(band, original) << "case " << seed;
    }
}

// With indexed painting the device's palette gives the colours, not the
// image's: the band travels as palette indices.
TEST_F(PaintBufferTest, IndexedPaintSendsPaletteIndices) {
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 4, 3, 8), STATUS_OK);  // gray ramp palette
    std::vector<BYTE> band(static_cast<std::size_t>(bitmap->BytesPerLine) * 3, 0);
    for (int r = 0; r < 3; ++r)
        for (int x = 0; x < 4; ++x) band[static_cast<std::size_t>(r * bitmap->BytesPerLine + x)] = BYTE(r * 4 + x);
    const auto original = band;

    struct {
        WORD version, count;
        PALETTEENTRY entries[256];
    } logical{0x300, 256, {}};
    for (int i = 0; i < 256; ++i) logical.entries[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
    HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE *>(&logical));
    ASSERT_NE(palette, nullptr);
    Canvas canvas(4, 3);
    HPALETTE old = SelectPalette(canvas.dc(), palette, FALSE);
    const RECT destination{0, 0, 4, 3};
    {
        ModeScope rgb(DISP_DEVICE_REDUCE);
        ASSERT_EQ(Z_PaintDCBuffer(canvas.dc(), bitmap.get(), nullptr, nullptr, &destination, nullptr, SRCCOPY,
                                  band.data(), 0, 3),
                  STATUS_OK);
        EXPECT_EQ(canvas.At(3, 2), 0x0B0B0Bu) << "the image's gray palette";
    }
    {
        ModeScope indexed(DISP_DEVICE_REDUCE | DISP_INDEXED_PAINT);
        ASSERT_EQ(Z_PaintDCBuffer(canvas.dc(), bitmap.get(), nullptr, nullptr, &destination, nullptr, SRCCOPY,
                                  band.data(), 0, 3),
                  STATUS_OK);
        for (int r = 0; r < 3; ++r)
            for (int x = 0; x < 4; ++x) {
                const PALETTEENTRY &e = logical.entries[r * 4 + x];
                EXPECT_EQ(canvas.At(x, r), (DWORD(e.peRed) << 16) | (DWORD(e.peGreen) << 8) | e.peBlue) << x << "," << r;
            }
    }
    EXPECT_EQ(band, original);
    SelectPalette(canvas.dc(), old, FALSE);
    DeleteObject(palette);
}

// Failures while converting or reversing the band: the status says so or
// the band still paints, and the caller's rows are never left changed.
TEST_F(PaintBufferTest, AllocationFailuresLeaveTheBufferAlone) {
    BitmapRecord bitmap = Described(3, 5, 0);
    auto band = MakeBand(bitmap, 0, 5);
    const auto original = band;
    Canvas canvas(3, 5);
    const RECT destination{0, 0, 3, 5};
    int status = 0;
    ForEachAllocationFailure(
        [&] {
            status = Z_PaintDCBuffer(canvas.dc(), &bitmap, nullptr, nullptr, &destination, nullptr, SRCCOPY,
                                     band.data(), 0, -5);
        },
        [&](long failedAt) {
            // A transfer GDI cannot make is a refused transfer.
            EXPECT_TRUE(status == STATUS_OK || status == STATUS_NO_MEMORY || status == STATUS_BAD_PARAMETER)
                << failedAt << ": " << status;
            EXPECT_EQ(band, original) << failedAt;
        });
}

// A band scaled by two goes through the general path with the caller's rows.
TEST_F(PaintBufferTest, ScaledBandTakesTheGeneralPath) {
    BitmapRecord bitmap = Described(3, 4, 0);
    auto band = MakeBand(bitmap, 1, 2);
    Canvas canvas(6, 8);
    const RECT destination{0, 0, 6, 8};
    ASSERT_EQ(Z_PaintDCBuffer(canvas.dc(), &bitmap, nullptr, nullptr, &destination, nullptr, SRCCOPY, band.data(), 1, 2),
              STATUS_OK);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 6; ++x) {
            const int row = y / 2;
            const DWORD want = row >= 1 && row < 3 ? PositionColor(x / 2, row) : kBackground;
            EXPECT_EQ(canvas.At(x, y), want) << x << "," << y;
        }
}

}  // namespace
