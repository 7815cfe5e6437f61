// Row services against the model: whole rows, rows from a column and
// segments for every layout; 1-bit run lengths; nearest-neighbour resampling;
// turned and reversed bands; and the argument checks of each.
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "support/bitmap_model.h"
#include "support/leak_guard.h"

namespace {

using namespace zelt::test;

class KernelRows : public LeakCheckedTest {};

TEST_F(KernelRows, RowsRowTailsAndSegmentsMatchTheModelForEveryLayout) {
    for (const Layout &layout : AllLayouts()) {
        for (int seed = 0; seed < 12; ++seed) {
            std::mt19937 rng(static_cast<unsigned>(seed * 131 + layout.bits * 7 + layout.order));
            const int width = 1 + int(rng() % 70), height = 3;
            BitmapRecord bitmap = RandomBitmap(layout, width, height, rng);
            const DWORD stride = DWORD(RowBytes(width, layout.bits));
            const int y = int(rng() % height);
            const auto row = RandomBytes(rng, stride), whole = RandomBytes(rng, stride);
            SCOPED_TRACE(layout.Name() + ", case " + std::to_string(seed) + ", width " + std::to_string(width));
            ASSERT_EQ(KrnPutBitmapRow(&bitmap, row.data(), y, stride + 10), int(stride));
            for (int column = 0; column < width; ++column) {  // the rest of the row from the byte holding the column
                const DWORD offset = DWORD(std::size_t(column) * layout.bits / 8);
                std::vector<BYTE> tail(stride + 8, 0xEE), expected(row.begin() + offset, row.end());
                expected.resize(stride + 8, 0xEE);
                ASSERT_EQ(column ? KrnGetBitmapRowCol(&bitmap, tail.data(), y, column, stride + 8)
                                 : KrnGetBitmapRow(&bitmap, tail.data(), y, stride + 8),
                          int(stride - offset));
                ASSERT_EQ(tail, expected) << "column " << column;
                ASSERT_EQ(KrnGetBitmapRowCol(&bitmap, tail.data(), y, column, 2),
                          int(std::min<DWORD>(2, stride - offset)));
            }
            ASSERT_EQ(KrnGetBitmapRow(&bitmap, std::vector<BYTE>(3).data(), y, 3), int(std::min<DWORD>(3, stride)));
            // Segments from a buffer that starts at a column beginning a byte.
            const int step = layout.bits % 8 == 0 ? 1 : (layout.bits == 12 ? 2 : 8);
            const int bufferColumn = step * int(rng() % ((width + step - 1) / step));
            const std::vector<BYTE> buffer(whole.begin() + std::size_t(bufferColumn) * layout.bits / 8, whole.end());
            std::vector<int> segments;
            const int count = int(rng() % 4);
            for (int i = 0; i < count; ++i) {
                const int a = int(rng() % (width + 3)) - 1, b = int(rng() % (width + 3)) - 1;
                segments.insert(segments.end(), {std::min(a, b), std::max(a, b) + int(rng() % 2)});
            }
            const int wholeRow = int(rng() % 2);
            ASSERT_EQ(
                KrnPutBitmapRowSegments(&bitmap, buffer.data(), y, bufferColumn, segments.data(), count, wholeRow),
                STATUS_OK);
            for (int x = 0; x < width; ++x) {
                bool inside = count == 0 && wholeRow && x >= bufferColumn;
                for (int i = 0; i < count; ++i)
                    inside |= x >= segments[2 * i] && x < segments[2 * i + 1] && x >= bufferColumn;
                ASSERT_EQ(ReadPixel(RowOf(bitmap, y), x, layout.bits),
                          ReadPixel(inside ? whole.data() : row.data(), x, layout.bits))
                    << "pixel " << x << (inside ? " inside" : " outside") << ", buffer column " << bufferColumn;
            }
            KrnFreeBitmap(&bitmap);
        }
    }
}

// Runs by the definition: one pixel at a time, a run of 65535 continuing
// after an empty run of the other value.
std::vector<WORD> ModelRuns(const BYTE *row, int first, int count) {
    std::vector<WORD> runs{0};
    for (int x = first, value = 0; x < first + count; ++x) {
        if (int(ReadPixel(row, x, 1)) != value) runs.push_back(0), value ^= 1;
        if (runs.back() == 0xFFFF) runs.insert(runs.end(), {0, 0});
        ++runs.back();
    }
    return runs;
}

TEST_F(KernelRows, RowRunsMatchTheModel) {
    for (int c = 0; c <= 400; ++c) {
        std::mt19937 rng(static_cast<unsigned>(c));
        const int width = c == 400 ? 140000 : int(rng() % 300) + 1;  // the last case has runs beyond 16 bits
        BitmapRecord bitmap = RandomBitmap({1, 0}, width, 3, rng);
        for (int r = 0; r < 3; ++r) {
            BYTE *bits = static_cast<BYTE *>(bitmap.Data) + std::size_t(r) * std::size_t(bitmap.BytesPerLine);
            for (int x = 0, bit = int(rng() % 2); x < width; bit ^= 1) {
                const int n = c == 400 ? 70000 + r : rng() % 4 ? int(rng() % 9) + 1 : int(rng() % 150) + 1;
                for (int k = 0; k < n && x < width; ++k, ++x) WritePixel(bits, x, 1, unsigned(bit));
            }
        }
        const int first = c == 400 ? 0 : int(rng() % width),
                  count = c == 400 ? width : int(rng() % (width - first + 1));
        const int row = int(rng() % 3);
        std::vector<BYTE> scratch(std::size_t(count + 15) / 8);
        std::vector<WORD> runs(std::size_t(count) + 3, 0xBEEF);
        const int n = KrnGetRowRuns(&bitmap, scratch.data(), runs.data(), row, first, count);
        runs.resize(std::size_t(std::max(n, 0)));
        ASSERT_EQ(runs, ModelRuns(RowOf(bitmap, row), first, count))
            << "case " << c << " width " << width << " first " << first << " count " << count;
        KrnFreeBitmap(&bitmap);
    }
}

int FetchUnit(int bits) { return bits % 2 ? 8 : bits == 2 || bits == 6 ? 4 : bits == 4 || bits == 12 ? 2 : 1; }

TEST(ResampleRow, EveryPixelIsTheColumnOfTheProportionalMapping) {
    for (int bits : {1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 24, 32, 48, 64}) {
        for (int c = 0; c < 60; ++c) {
            std::mt19937 rng(static_cast<unsigned>(bits * 100 + c));
            auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
            const int srcW = pick(1, 70), dstW = pick(1, 90), width = pick(1, dstW);
            const int firstDst = pick(0, dstW - width), srcLeft = pick(0, 9);
            // Target pixel i shows column srcLeft + floor((firstDst + i) * srcW / dstW).
            const long long startNum = (long long)firstDst * srcW;
            const int first = srcLeft + int(startNum / dstW);
            const auto row = RandomBytes(rng, std::size_t(srcLeft + srcW + 8) * bits / 8 + 16);
            const std::vector<BYTE> source(row.begin() + (first - first % FetchUnit(bits)) * bits / 8, row.end());
            const DWORD targetBytes = DWORD((width * bits + 7) / 8);
            std::vector<BYTE> target(targetBytes + 4, 0xA5);
            ASSERT_EQ(KrnResampleRow(bits, targetBytes, first, srcW / dstW, int(startNum % dstW), srcW % dstW,
                                     source.data(), target.data(), width, dstW, srcW <= dstW),
                      STATUS_OK);
            for (int i = 0; i < width; ++i)
                ASSERT_EQ(ReadPixel(target.data(), i, bits),
                          ReadPixel(row.data(), srcLeft + int((long long)(firstDst + i) * srcW / dstW), bits))
                    << "bits " << bits << " case " << c << " pixel " << i;
            for (std::size_t b = targetBytes; b < target.size(); ++b) ASSERT_EQ(target[b], 0xA5) << "wrote past";
        }
    }
    // Row buffers hold the larger of the two rows; widths that fit no buffer need none.
    const DWORD sizes[] = {KrnGetRowBufferSize(1, 1, 1, 24),         KrnGetRowBufferSize(33, 1, 0, 0),
                           KrnGetRowBufferSize(10, 24, 10, 32),      KrnGetRowBufferSize(10, 64, 10, 24),
                           KrnGetRowBufferSize(3, 12, 3, 24),        KrnGetRowBufferSize(5, 3, 0, 24),
                           KrnGetRowBufferSize(0, 8, 0, 8),          KrnGetRowBufferSize(-4, 8, 2, 8),
                           KrnGetRowBufferSize(0x7FFFFFFF, 64, 1, 8)};
    EXPECT_EQ(std::vector<DWORD>(std::begin(sizes), std::end(sizes)),
              (std::vector<DWORD>{4, 8, 40, 80, 12, 4, 0, 4, 0}));
}

// A band of DWORD-aligned rows.
struct Band {
    int width, height, bits;
    std::vector<BYTE> bytes;
    std::size_t Stride() const { return RowBytes(width, bits); }
    std::uint64_t At(int row, int x) const { return ReadPixel(bytes.data() + Stride() * std::size_t(row), x, bits); }
};

TEST(TurnBuffer, RotateAndReverseMatchTheModel) {
    for (int bits : {1, 2, 4, 8, 16, 24, 32}) {
        for (int c = 0; c < 30; ++c) {
            std::mt19937 rng(static_cast<unsigned>(bits * 1000 + c));
            const int width = 1 + int(rng() % 37), height = 1 + int(rng() % 23);
            Band band{width, height, bits, {}};
            band.bytes = RandomBytes(rng, band.Stride() * std::size_t(height));
            SCOPED_TRACE(std::to_string(bits) + " bits, case " + std::to_string(c));
            for (int direction : {0, 1}) {
                Band turned{height, width, bits,
                            std::vector<BYTE>(RowBytes(height, bits) * std::size_t(width) + 1, 0xEE)};
                ASSERT_EQ(KrnRotateBuffer(band.bytes.data(), turned.bytes.data(), direction, width, height, bits), 1);
                for (int a = 0; a < width; ++a)
                    for (int b = 0; b < height; ++b)
                        ASSERT_EQ(turned.At(a, b), direction ? band.At(height - 1 - b, a) : band.At(b, width - 1 - a))
                            << "direction " << direction;
                EXPECT_EQ(turned.bytes.back(), 0xEE) << "wrote past the turned band";
            }
            Band reversed{width, height, bits, std::vector<BYTE>(band.bytes.size())};
            ASSERT_EQ(KrnReverseBuffer(band.bytes.data(), reversed.bytes.data(), width, height, bits), STATUS_OK);
            for (int r = 0; r < height; ++r)
                for (int x = 0; x < width; ++x) ASSERT_EQ(reversed.At(r, x), band.At(height - 1 - r, width - 1 - x));
        }
    }
    const BYTE rows[3][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
    BYTE converted[3][4] = {};
    ASSERT_EQ(KrnConvertBufferRows(rows, converted, 4, 3), STATUS_OK);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(0, std::memcmp(converted[i], rows[2 - i], 4)) << "row " << i;
}

}  // namespace
