// The colour reduction service: exact palettes reproduced at any scale, the
// mean colour of flat areas kept by diffusion and ordered dither, rows
// requested in any order, and row suppliers.
#include <numeric>
#include <random>

#include <gtest/gtest.h>

#include "support/bitmap_model.h"

namespace {

using namespace zelt::test;

const std::vector<RGBQUAD> kBlackWhite = {{0, 0, 0, 0}, {255, 255, 255, 0}};

struct Reduction {
    HKRNREDUCE h = nullptr;
    int bits;
    Reduction(const BitmapRecord &source, int w, int h, int bits, const std::vector<RGBQUAD> &colors, UINT flags,
              KRNROWSUPPLIER supplier = nullptr, void *data = nullptr)
        : bits(bits) {
        EXPECT_EQ(KrnStartColorReduce(&source, w, h, bits, colors.data(), int(colors.size()), flags, supplier, data,
                                      &this->h),
                  1);
    }
    ~Reduction() { KrnEndColorReduce(h); }
    std::vector<BYTE> Row(int rowIndex, int first, int count) const {
        std::vector<BYTE> out(std::size_t(count * bits + 7) / 8 + 4, 0xEE);
        EXPECT_EQ(KrnReduceRow(h, out.data(), rowIndex, first, DWORD((count * bits + 7) / 8)), STATUS_OK) << rowIndex;
        return out;
    }
};

// A palette image reduced to its own colours at any scale, or a 24-bit image
// to 24 bits, is its source resampled (destination (c, i) shows source
// (c * w / dstW, i * h / dstH)), by diffusion and (black and white) by
// ordered dither alike.
TEST(ColorReduce, ExactPalettesReproduceTheSourceAtAnyScale) {
    const struct {
        int sourceBits, targetBits, colorCount;
        UINT flags;
    } cases[] = {{8, 8, 256, KRN_REDUCE_DIFFUSE | KRN_REDUCE_SERPENTINE | KRN_REDUCE_PLAIN},
                 {4, 4, 16, KRN_REDUCE_DIFFUSE},
                 {8, 8, 200, KRN_REDUCE_DIFFUSE | KRN_REDUCE_WEIGHTED},
                 {1, 1, 2, KRN_REDUCE_DIFFUSE | KRN_REDUCE_SERPENTINE},
                 {1, 1, 2, KRN_REDUCE_ORDERED},
                 {1, 8, 2, KRN_REDUCE_ORDERED | KRN_REDUCE_WEIGHTED},
                 {24, 24, 0, KRN_REDUCE_DIFFUSE}};
    for (const auto &c : cases) {
        for (int n = 0; n < 12; ++n) {
            std::mt19937 rng(static_cast<unsigned>(100 * c.sourceBits + n));
            const int width = 1 + int(rng() % 40), height = 1 + int(rng() % 30), dstW = 1 + int(rng() % 70),
                      dstH = 1 + int(rng() % 50);
            std::vector<RGBQUAD> colors =
                c.colorCount == 2 ? kBlackWhite : RandomPalette(rng, 1 << std::min(c.sourceBits, 8));
            for (std::size_t i = 0; c.colorCount > 2 && i < colors.size(); ++i)
                colors[i].rgbBlue = BYTE(i * 97);  // distinct
            BitmapRecord bitmap{};
            ASSERT_EQ(KrnCreateBitmap(&bitmap, 0, width, height, c.sourceBits, c.sourceBits > 8, colors.data(), 0,
                                      nullptr, 0),
                      1);
            colors.resize(std::size_t(c.colorCount));  // the first colours only are used
            for (int y = 0; y < height; ++y)           // indices inside the table only
                for (int x = 0; x < width; ++x)
                    WritePixel(const_cast<BYTE *>(RowOf(bitmap, y)), x, c.sourceBits,
                               rng() % unsigned(c.colorCount ? c.colorCount : 1 << 24));
            Reduction reduction(bitmap, dstW, dstH, c.targetBits, colors, c.flags);
            for (int i = 0; i < dstH; ++i) {
                const int first = i % 3 == 0 ? 0 : std::min(dstW - 1, i % 5);
                const auto out = reduction.Row(i, first, dstW - first);
                for (int x = first; x < dstW; ++x)
                    ASSERT_EQ(ReadPixel(out.data(), x - first, c.targetBits),
                              ReadPixel(RowOf(bitmap, i * height / dstH), x * width / dstW, c.sourceBits))
                        << "case " << n << " flags " << c.flags << " pixel " << x << "," << i << " of " << dstW << "x"
                        << dstH;
            }
            KrnFreeBitmap(&bitmap);
        }
    }
}

// Flat colours keep their mean within about a level, whichever the method;
// ordered dither of gray fills each 8x8 tile with the level's share of 64.
TEST(ColorReduce, DitheringKeepsTheMeanColourOfFlatAreas) {
    const auto table = DeviceTable(8);
    for (UINT flags : {KRN_REDUCE_DIFFUSE, KRN_REDUCE_DIFFUSE | KRN_REDUCE_SERPENTINE, KRN_REDUCE_ORDERED}) {
        for (int colour : {0x649625, 0x0DC8FA, 0x646464, 0xC8C8C8, 0x808080}) {
            const bool gray = colour % 0x10101 == 0, ordered = flags == KRN_REDUCE_ORDERED;
            if (ordered && !gray) continue;
            const auto &colors = gray ? kBlackWhite : table;
            std::mt19937 rng(1);
            BitmapRecord bitmap = RandomBitmap({24, 1}, 16, 16, rng);
            ASSERT_EQ(KrnFillBitmap(&bitmap, RGB(colour >> 16, colour >> 8 & 255, colour & 255)), STATUS_OK);
            Reduction reduction(bitmap, 96, 96, gray ? 1 : 8, colors, flags);
            double sum[3] = {};
            int tileWhite[12] = {};
            for (int i = 95; i >= 0; --i) {
                const auto out = reduction.Row(i, 0, 96);
                for (int x = 0; x < 96; ++x) {
                    const Rgb c = ToRgb(colors[ReadPixel(out.data(), x, gray ? 1 : 8)]);
                    sum[0] += c.r, sum[1] += c.g, sum[2] += c.b, tileWhite[x / 8] += c.r > 0;
                }
                for (int t = 0; ordered && i % 8 == 0 && t < 12; tileWhite[t++] = 0)
                    ASSERT_NEAR(tileWhite[t], (colour & 255) * 64 / 255.0, 1.0) << "tile " << t << " above row " << i;
            }
            for (int ch = 0; ch < 3; ++ch)
                EXPECT_NEAR(sum[ch] / (96 * 96), colour >> (16 - 8 * ch) & 255, ordered ? 4.0 : 1.5)
                    << std::hex << colour;
            KrnFreeBitmap(&bitmap);
        }
    }
}

struct SupplierData {
    BitmapRecord *bitmap;
    int calls = 0, failAt = -1;
};

int ZELT_CDECL SupplyRow(void *data, int row, void *buffer, int pixelCount) {
    auto *d = static_cast<SupplierData *>(data);
    EXPECT_EQ(pixelCount, d->bitmap->Width);
    if (d->calls++ == d->failAt) return STATUS_FILE_READ;
    return std::min(KrnGetBitmapRow(d->bitmap, buffer, row, DWORD(d->bitmap->BytesPerLine)), STATUS_OK);
}

// Ordered rows do not depend on the request order. Diffusion rows asked for
// bottom up are those of the upside-down image asked for top down; a jump
// restarts with zero error like a fresh start at that row. A described
// record without data takes its rows from the supplier, each once however
// many destination rows show it; the supplier's failure is the row's status.
TEST(ColorReduce, RequestOrderAndRowSuppliers) {
    std::mt19937 rng(5);
    const int w = 31, h = 19;
    const auto table = DeviceTable(8);
    BitmapRecord bitmap = RandomBitmap({24, 1}, w, h, rng), flipped = RandomBitmap({24, 1}, w, h, rng), described{};
    for (int r = 0; r < h; ++r) KrnPutBitmapRow(&flipped, RowOf(bitmap, r), h - 1 - r, DWORD(bitmap.BytesPerLine));
    ASSERT_EQ(KrnInitBitmapFrom(&described, &bitmap, w, h, 24, 0), STATUS_OK);
    SupplierData data{&bitmap};
    Reduction a(bitmap, 41, 29, 8, table, KRN_REDUCE_ORDERED), b(bitmap, 41, 29, 8, table, KRN_REDUCE_ORDERED);
    std::vector<int> order(29);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), rng);
    std::vector<std::vector<BYTE>> sequential;
    for (int i = 0; i < 29; ++i) sequential.push_back(a.Row(i, 0, 41));
    for (int i : order) EXPECT_EQ(b.Row(i, 0, 41), sequential[std::size_t(i)]) << "row " << i;
    // Twice as high: each source row serves two destination rows but is supplied once.
    Reduction up(described, w, 2 * h, 8, table, KRN_REDUCE_DIFFUSE, SupplyRow, &data),
        down(flipped, w, 2 * h, 8, table, KRN_REDUCE_DIFFUSE);
    Reduction jumping(bitmap, w, h, 8, table, KRN_REDUCE_DIFFUSE), fresh(bitmap, w, h, 8, table, KRN_REDUCE_DIFFUSE);
    for (int i = 2 * h - 1; i >= 0; --i) EXPECT_EQ(up.Row(i, 0, w), down.Row(2 * h - 1 - i, 0, w)) << "row " << i;
    EXPECT_EQ(data.calls, h);
    jumping.Row(2, 0, w), jumping.Row(3, 0, w);
    EXPECT_EQ(jumping.Row(11, 0, w), fresh.Row(11, 0, w));
    EXPECT_EQ(jumping.Row(12, 0, w), fresh.Row(12, 0, w));
    data.failAt = data.calls;
    std::vector<BYTE> out(40);
    EXPECT_EQ(KrnReduceRow(up.h, out.data(), 2 * h - 1, 0, w), STATUS_FILE_READ);
    KrnReleaseBitmapRecord(&described);
    KrnFreeBitmap(&bitmap);
    KrnFreeBitmap(&flipped);
}

}  // namespace
