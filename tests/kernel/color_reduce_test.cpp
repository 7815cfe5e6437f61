// The colour reduction service: exact palettes reproduced, the mean colour
// of flat areas kept by diffusion, ordered dither following the Bayer
// ranks, rows requested out of order, row suppliers and allocation failures.
#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "support/leak_guard.h"
#include "zelt/kernel.h"

namespace {

using zelt::test::ForEachAllocationFailure;

int IndexAt(const std::vector<BYTE> &row, int bits, int x) {
    if (bits == 8) return row[x];
    if (bits == 4) return (row[x / 2] >> ((x & 1) ? 0 : 4)) & 15;
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

std::vector<RGBQUAD> DistinctColors(std::mt19937 &random, int count) {
    std::vector<RGBQUAD> colors;
    while (static_cast<int>(colors.size()) < count) {
        const unsigned v = random();
        const RGBQUAD c = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16), 0};
        if (std::none_of(colors.begin(), colors.end(), [&](const RGBQUAD &o) {
                return o.rgbRed == c.rgbRed && o.rgbGreen == c.rgbGreen && o.rgbBlue == c.rgbBlue;
            }))
            colors.push_back(c);
    }
    return colors;
}

// The 3-3-2 table as kernel.h describes the 8-bit device palette.
std::vector<RGBQUAD> Table332() {
    std::vector<RGBQUAD> colors(256);
    const BYTE blue[4] = {0, 85, 170, 255};
    for (int i = 0; i < 256; ++i) {
        auto level = [](int k) { return static_cast<BYTE>((k * 255 + 3) / 7); };
        colors[i] = {blue[i & 3], level((i >> 2) & 7), level(i >> 5), 0};
    }
    return colors;
}

const std::vector<RGBQUAD> kBlackWhite = {{0, 0, 0, 0}, {255, 255, 255, 0}};

struct Handle {
    HKRNREDUCE h = nullptr;
    ~Handle() { KrnEndColorReduce(h); }
};

std::vector<BYTE> Row(HKRNREDUCE h, int bits, int rowIndex, int first, int count) {
    std::vector<BYTE> out((static_cast<std::size_t>(count) * bits + 7) / 8 + 4, 0xEE);
    EXPECT_EQ(KrnReduceRow(h, out.data(), rowIndex, first, static_cast<DWORD>((count * bits + 7) / 8)), STATUS_OK)
        << "row " << rowIndex;
    return out;
}

// Flat 24-bit image (order 1: blue first).
void MakeFlat(BitmapRecord *bitmap, int width, int height, BYTE red, BYTE green, BYTE blue) {
    ASSERT_EQ(KrnCreateBitmap(bitmap, KRN_MEMORY_CONVENTIONAL, width, height, 24, 1, nullptr, 0, nullptr, 0), STATUS_OK);
    std::vector<BYTE> row(bitmap->BytesPerLine);
    for (int x = 0; x < width; ++x) {
        row[3 * x] = blue;
        row[3 * x + 1] = green;
        row[3 * x + 2] = red;
    }
    for (int r = 0; r < height; ++r) KrnPutBitmapRow(bitmap, row.data(), r, static_cast<DWORD>(row.size()));
}

struct ExactCase {
    int sourceBits, targetBits, colorCount;
    UINT flags;
};

class ExactPalettes : public ::testing::TestWithParam<ExactCase> {};

// A palette image reduced to its own colours at any scale is its source
// pixel for pixel, both by diffusion and (black and white) by ordered dither.
TEST_P(ExactPalettes, ReproduceTheSourceAtAnyScale) {
    const ExactCase param = GetParam();
    for (int c = 0; c < 12; ++c) {
        std::mt19937 random(static_cast<unsigned>(100 * param.sourceBits + c));
        const int width = std::uniform_int_distribution<int>(1, 40)(random);
        const int height = std::uniform_int_distribution<int>(1, 30)(random);
        const int dstW = std::uniform_int_distribution<int>(1, 70)(random);
        const int dstH = std::uniform_int_distribution<int>(1, 50)(random);
        const std::vector<RGBQUAD> colors =
            param.colorCount == 2 ? kBlackWhite : DistinctColors(random, param.colorCount);
        BitmapRecord bitmap{};
        ASSERT_EQ(KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, width, height, param.sourceBits, 1, colors.data(),
                                  0, nullptr, 0),
                  STATUS_OK);
        std::vector<BYTE> row(bitmap.BytesPerLine);
        for (int r = 0; r < height; ++r) {
            for (int x = 0; x < width; ++x) {
                const int v = std::uniform_int_distribution<int>(0, param.colorCount - 1)(random);
                if (param.sourceBits == 8) {
                    row[x] = static_cast<BYTE>(v);
                } else if (param.sourceBits == 4) {
                    row[x / 2] = static_cast<BYTE>((row[x / 2] & ((x & 1) ? 0xF0 : 0x0F)) | (v << ((x & 1) ? 0 : 4)));
                } else {
                    row[x / 8] = static_cast<BYTE>((row[x / 8] & ~(0x80 >> (x % 8))) | (v << (7 - x % 8)));
                }
            }
            KrnPutBitmapRow(&bitmap, row.data(), r, static_cast<DWORD>(row.size()));
        }
        Handle h;
        ASSERT_EQ(KrnStartColorReduce(&bitmap, dstW, dstH, param.targetBits, colors.data(), param.colorCount,
                                      param.flags, nullptr, nullptr, &h.h),
                  STATUS_OK);
        for (int i = 0; i < dstH; ++i) {
            const int first = i % 3 == 0 ? 0 : std::min(dstW - 1, i % 5);
            const std::vector<BYTE> out = Row(h.h, param.targetBits, i, first, dstW - first);
            std::vector<BYTE> source(bitmap.BytesPerLine);
            KrnGetBitmapRow(&bitmap, source.data(), i * height / dstH, static_cast<DWORD>(source.size()));
            for (int x = first; x < dstW; ++x) {
                const int want = IndexAt(source, param.sourceBits, x * width / dstW);
                ASSERT_EQ(IndexAt(out, param.targetBits, x - first), want)
                    << "case " << c << " row " << i << " column " << x << " size " << width << "x" << height
                    << " to " << dstW << "x" << dstH;
            }
        }
        KrnFreeBitmap(&bitmap);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExactPalettes,
    ::testing::Values(ExactCase{8, 8, 256, KRN_REDUCE_DIFFUSE | KRN_REDUCE_SERPENTINE | KRN_REDUCE_PLAIN},
                      ExactCase{8, 8, 200, KRN_REDUCE_DIFFUSE | KRN_REDUCE_WEIGHTED},
                      ExactCase{4, 4, 16, KRN_REDUCE_DIFFUSE | KRN_REDUCE_SERPENTINE},
                      ExactCase{1, 1, 2, KRN_REDUCE_DIFFUSE}, ExactCase{1, 1, 2, KRN_REDUCE_ORDERED},
                      ExactCase{1, 8, 2, KRN_REDUCE_ORDERED | KRN_REDUCE_WEIGHTED}));

struct FlatCase {
    int bits;
    BYTE red, green, blue;
};

// Diffusion keeps the mean colour of a flat area within about one level.
TEST(ColorReduce, DiffusionKeepsTheMeanColourOfFlatAreas) {
    const std::vector<RGBQUAD> table = Table332();
    for (const FlatCase f : {FlatCase{8, 100, 150, 37}, FlatCase{8, 13, 200, 250}, FlatCase{1, 100, 100, 100},
                             FlatCase{1, 200, 200, 200}, FlatCase{8, 128, 128, 128}}) {
        for (const UINT flags : {UINT{KRN_REDUCE_DIFFUSE}, UINT{KRN_REDUCE_DIFFUSE | KRN_REDUCE_SERPENTINE}}) {
            BitmapRecord bitmap{};
            MakeFlat(&bitmap, 16, 16, f.red, f.green, f.blue);
            const std::vector<RGBQUAD> &colors = f.bits == 1 ? kBlackWhite : table;
            Handle h;
            const int size = 96;
            ASSERT_EQ(KrnStartColorReduce(&bitmap, size, size, f.bits, colors.data(), static_cast<int>(colors.size()),
                                          flags, nullptr, nullptr, &h.h),
                      STATUS_OK);
            double sum[3] = {};
            for (int i = 0; i < size; ++i) {
                const std::vector<BYTE> out = Row(h.h, f.bits, i, 0, size);
                for (int x = 0; x < size; ++x) {
                    const RGBQUAD &c = colors[IndexAt(out, f.bits, x)];
                    sum[0] += c.rgbRed;
                    sum[1] += c.rgbGreen;
                    sum[2] += c.rgbBlue;
                }
            }
            const double want[3] = {double(f.red), double(f.green), double(f.blue)};
            for (int ch = 0; ch < 3; ++ch)
                EXPECT_NEAR(sum[ch] / (size * size), want[ch], 1.5)
                    << "bits " << f.bits << " channel " << ch << " flags " << flags;
            KrnFreeBitmap(&bitmap);
        }
    }
}

// The standard 8x8 Bayer rank of a cell, from the bit interleave of
// (row xor column, row), reversed.
int BayerRank(int x, int y) {
    const int a = x ^ y, b = y;
    int v = 0;
    for (int bit = 0; bit < 3; ++bit) {
        v = (v << 1) | ((a >> bit) & 1);
        v = (v << 1) | ((b >> bit) & 1);
    }
    return v;
}

// Ordered dither of flat gray to black and white: each cell turns white at
// a gray level that rises with its Bayer rank, stays white above it, and a
// tile holds as many white cells as the gray level's share of 64.
TEST(ColorReduce, OrderedDitherOfFlatGrayFollowsTheMatrixRanks) {
    int turnsWhiteAt[8][8];
    for (auto &r : turnsWhiteAt) std::fill(std::begin(r), std::end(r), -1);
    for (int gray = 0; gray < 256; ++gray) {
        BitmapRecord bitmap{};
        MakeFlat(&bitmap, 3, 3, static_cast<BYTE>(gray), static_cast<BYTE>(gray), static_cast<BYTE>(gray));
        Handle h;
        ASSERT_EQ(KrnStartColorReduce(&bitmap, 16, 16, 1, kBlackWhite.data(), 2, KRN_REDUCE_ORDERED, nullptr, nullptr,
                                      &h.h),
                  STATUS_OK);
        int white = 0;
        for (int y = 0; y < 16; ++y) {
            const std::vector<BYTE> out = Row(h.h, 1, y, 0, 16);
            for (int x = 0; x < 16; ++x) {
                const int bit = IndexAt(out, 1, x);
                ASSERT_EQ(bit, IndexAt(Row(h.h, 1, y & 7, 0, 16), 1, x & 7)) << "tiles repeat; gray " << gray;
                if (y < 8 && x < 8) {
                    white += bit;
                    if (bit && turnsWhiteAt[y][x] < 0) turnsWhiteAt[y][x] = gray;
                    if (!bit) {
                        ASSERT_LT(turnsWhiteAt[y][x], 0) << "cell (" << x << "," << y << ") went dark at " << gray;
                    }
                }
            }
        }
        EXPECT_NEAR(white, gray * 64.0 / 255.0, 1.0) << "gray " << gray;
        KrnFreeBitmap(&bitmap);
    }
    // Cells ordered by rank turn white at non-decreasing levels, strictly
    // apart by about four levels.
    std::vector<int> byRank(64);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) byRank[BayerRank(x, y)] = turnsWhiteAt[y][x];
    for (int k = 1; k < 64; ++k) {
        EXPECT_GT(byRank[k], byRank[k - 1]) << "rank " << k;
        EXPECT_NEAR(byRank[k] - byRank[k - 1], 4, 1) << "rank " << k;
    }
}

void RandomImage(BitmapRecord *bitmap, std::mt19937 &random, int width, int height) {
    ASSERT_EQ(KrnCreateBitmap(bitmap, KRN_MEMORY_CONVENTIONAL, width, height, 24, 1, nullptr, 0, nullptr, 0), STATUS_OK);
    std::vector<BYTE> row(bitmap->BytesPerLine);
    for (int r = 0; r < height; ++r) {
        for (BYTE &b : row) b = static_cast<BYTE>(random());
        KrnPutBitmapRow(bitmap, row.data(), r, static_cast<DWORD>(row.size()));
    }
}

// Ordered dither answers the same whatever the order of requests.
TEST(ColorReduce, OrderedRowsDoNotDependOnTheRequestOrder) {
    std::mt19937 random(5);
    BitmapRecord bitmap{};
    RandomImage(&bitmap, random, 23, 17);
    const std::vector<RGBQUAD> table = Table332();
    Handle a, b;
    ASSERT_EQ(KrnStartColorReduce(&bitmap, 41, 29, 8, table.data(), 256, KRN_REDUCE_ORDERED, nullptr, nullptr, &a.h), 1);
    ASSERT_EQ(KrnStartColorReduce(&bitmap, 41, 29, 8, table.data(), 256, KRN_REDUCE_ORDERED, nullptr, nullptr, &b.h), 1);
    std::vector<std::vector<BYTE>> sequential;
    for (int i = 0; i < 29; ++i) sequential.push_back(Row(a.h, 8, i, 0, 41));
    std::vector<int> order(29);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), random);
    for (int i : order) EXPECT_EQ(Row(b.h, 8, i, 0, 41), sequential[i]) << "row " << i;
    KrnFreeBitmap(&bitmap);
}

// Diffusion follows the direction of the requests: rows asked for from the
// bottom up are the rows of the upside-down image asked for from the top
// down; a jump restarts with zero error, like a fresh start at that row.
TEST(ColorReduce, DiffusionFollowsTheRequestDirectionAndRestartsOnJumps) {
    std::mt19937 random(9);
    const int w = 31, h = 19;
    BitmapRecord bitmap{}, flipped{};
    RandomImage(&bitmap, random, w, h);
    ASSERT_EQ(KrnCreateBitmap(&flipped, KRN_MEMORY_CONVENTIONAL, w, h, 24, 1, nullptr, 0, nullptr, 0), STATUS_OK);
    std::vector<BYTE> row(bitmap.BytesPerLine);
    for (int r = 0; r < h; ++r) {
        KrnGetBitmapRow(&bitmap, row.data(), r, static_cast<DWORD>(row.size()));
        KrnPutBitmapRow(&flipped, row.data(), h - 1 - r, static_cast<DWORD>(row.size()));
    }
    const std::vector<RGBQUAD> table = Table332();
    Handle up, down, fresh, jumping;
    for (Handle *x : {&up, &jumping, &fresh})
        ASSERT_EQ(KrnStartColorReduce(&bitmap, w, h, 8, table.data(), 256, KRN_REDUCE_DIFFUSE, nullptr, nullptr, &x->h), 1);
    ASSERT_EQ(KrnStartColorReduce(&flipped, w, h, 8, table.data(), 256, KRN_REDUCE_DIFFUSE, nullptr, nullptr, &down.h), 1);
    for (int i = h - 1; i >= 0; --i)
        EXPECT_EQ(Row(up.h, 8, i, 0, w), Row(down.h, 8, h - 1 - i, 0, w)) << "row " << i;
    Row(jumping.h, 8, 2, 0, w);
    Row(jumping.h, 8, 3, 0, w);
    const std::vector<BYTE> afterJump = Row(jumping.h, 8, 11, 0, w);
    EXPECT_EQ(afterJump, Row(fresh.h, 8, 11, 0, w));
    EXPECT_EQ(Row(jumping.h, 8, 12, 0, w), Row(fresh.h, 8, 12, 0, w));
    KrnFreeBitmap(&bitmap);
    KrnFreeBitmap(&flipped);
}

struct SupplierData {
    BitmapRecord *bitmap;
    int calls = 0;
    int failAt = -1;
};

int ZELT_CDECL SupplyRow(void *data, int row, void *buffer, int pixelCount) {
    auto *d = static_cast<SupplierData *>(data);
    if (d->calls++ == d->failAt) return STATUS_FILE_READ;
    EXPECT_EQ(pixelCount, d->bitmap->Width);
    const int copied = KrnGetBitmapRow(d->bitmap, buffer, row, static_cast<DWORD>(d->bitmap->BytesPerLine));
    return copied < 0 ? copied : STATUS_OK;
}

// A described record without data takes its rows from the supplier; the
// supplier's failure is the row's status.
TEST(ColorReduce, RowSupplierFeedsARecordWithoutData) {
    std::mt19937 random(3);
    BitmapRecord bitmap{}, described{};
    RandomImage(&bitmap, random, 20, 14);
    ASSERT_EQ(KrnInitBitmapFrom(&described, &bitmap, 20, 14, 24, 0), STATUS_OK);
    SupplierData data{&bitmap};
    const std::vector<RGBQUAD> table = Table332();
    Handle direct, supplied;
    const UINT flags = KRN_REDUCE_DIFFUSE | KRN_REDUCE_SERPENTINE;
    ASSERT_EQ(KrnStartColorReduce(&bitmap, 33, 25, 8, table.data(), 256, flags, nullptr, nullptr, &direct.h), 1);
    ASSERT_EQ(KrnStartColorReduce(&described, 33, 25, 8, table.data(), 256, flags, &SupplyRow, &data, &supplied.h), 1);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(Row(direct.h, 8, i, 0, 33), Row(supplied.h, 8, i, 0, 33)) << "row " << i;
    EXPECT_EQ(data.calls, 14);  // a repeated source row is not asked for again
    data.failAt = data.calls;
    std::vector<BYTE> out(40);
    EXPECT_EQ(KrnReduceRow(supplied.h, out.data(), 0, 0, 33), STATUS_FILE_READ);
    KrnReleaseBitmapRecord(&described);
    KrnFreeBitmap(&bitmap);
}

TEST(ColorReduce, TwentyFourBitTargetIsTheResampledRow) {
    std::mt19937 random(4);
    BitmapRecord bitmap{};
    RandomImage(&bitmap, random, 9, 7);
    Handle h;
    ASSERT_EQ(KrnStartColorReduce(&bitmap, 20, 15, 24, nullptr, 0, KRN_REDUCE_DIFFUSE, nullptr, nullptr, &h.h), 1);
    for (int i = 0; i < 15; ++i) {
        const std::vector<BYTE> out = Row(h.h, 24, i, 3, 17);
        const BYTE *source = static_cast<const BYTE *>(bitmap.Data) + (i * 7 / 15) * bitmap.BytesPerLine;
        for (int x = 3; x < 20; ++x)
            for (int b = 0; b < 3; ++b) ASSERT_EQ(out[3 * (x - 3) + b], source[3 * (x * 9 / 20) + b]) << i << "," << x;
    }
    KrnFreeBitmap(&bitmap);
}

TEST(ColorReduce, RejectsBadArguments) {
    std::mt19937 random(2);
    BitmapRecord bitmap{};
    RandomImage(&bitmap, random, 4, 4);
    HKRNREDUCE h = reinterpret_cast<HKRNREDUCE>(1);
    const RGBQUAD *bw = kBlackWhite.data();
    EXPECT_EQ(KrnStartColorReduce(nullptr, 4, 4, 1, bw, 2, 0, nullptr, nullptr, &h), STATUS_BAD_PARAMETER);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(KrnStartColorReduce(&bitmap, 0, 4, 1, bw, 2, 0, nullptr, nullptr, &h), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnStartColorReduce(&bitmap, 4, 4, 2, bw, 2, 0, nullptr, nullptr, &h), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnStartColorReduce(&bitmap, 4, 4, 1, bw, 3, 0, nullptr, nullptr, &h), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnStartColorReduce(&bitmap, 4, 4, 1, nullptr, 2, 0, nullptr, nullptr, &h), STATUS_BAD_PARAMETER);
    Handle ok;
    ASSERT_EQ(KrnStartColorReduce(&bitmap, 4, 4, 1, bw, 2, 0, nullptr, nullptr, &ok.h), STATUS_OK);
    BYTE out[4];
    EXPECT_EQ(KrnReduceRow(ok.h, out, 4, 0, 1), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnReduceRow(ok.h, out, 0, 4, 1), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnReduceRow(nullptr, out, 0, 0, 1), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnEndColorReduce(nullptr), STATUS_OK);
    KrnFreeBitmap(&bitmap);
}

class ColorReduceFailures : public zelt::test::LeakCheckedTest {};

// Every allocation of a start and three rows fails in turn: the failure is
// reported and nothing stays allocated.
TEST_F(ColorReduceFailures, EachAllocationFailureIsReported) {
    std::mt19937 random(6);
    BitmapRecord bitmap{};
    RandomImage(&bitmap, random, 30, 10);
    const std::vector<RGBQUAD> table = Table332();
    int status = 0;
    const long allocations = ForEachAllocationFailure(
        [&] {
            HKRNREDUCE h = nullptr;
            status = KrnStartColorReduce(&bitmap, 45, 10, 8, table.data(), 256, KRN_REDUCE_DIFFUSE, nullptr, nullptr, &h);
            std::vector<BYTE> out(48);
            for (int i = 0; i < 3 && status == STATUS_OK; ++i) status = KrnReduceRow(h, out.data(), i, 0, 45);
            KrnEndColorReduce(h);
        },
        [&](long failedAt) { EXPECT_EQ(status, STATUS_NO_MEMORY) << "allocation " << failedAt; });
    EXPECT_GE(allocations, 5);
    KrnFreeBitmap(&bitmap);
}

}  // namespace
