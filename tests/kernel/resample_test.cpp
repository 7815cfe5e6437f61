// KrnResampleRow against the column formula, and KrnRotateBuffer /
// KrnReverseBuffer against per-pixel oracles and round trips, at odd sizes.
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "zelt/kernel.h"

namespace {

int Unit(int bits) {
    switch (bits) {
        case 1: case 3: case 5: case 7: return 8;
        case 2: case 6: return 4;
        case 4: case 12: return 2;
        default: return 1;
    }
}

// Pixel x of a row, read independently of the kernel: big-endian bit
// stream below 8 bits, little-endian stream at 12, bytes above.
unsigned long long PixelAt(const std::vector<BYTE> &row, int bits, long long x) {
    unsigned long long v = 0;
    if (bits < 8) {
        for (int b = 0; b < bits; ++b) {
            const long long bit = x * bits + b;
            v = (v << 1) | ((row[bit / 8] >> (7 - bit % 8)) & 1);
        }
    } else if (bits == 12) {
        for (int b = 0; b < 12; ++b) {
            const long long bit = x * 12 + b;
            v |= static_cast<unsigned long long>((row[bit / 8] >> (bit % 8)) & 1) << b;
        }
    } else {
        for (int b = bits / 8 - 1; b >= 0; --b) v = (v << 8) | row[x * (bits / 8) + b];
    }
    return v;
}

TEST(KrnResampleRow, EveryPixelIsTheColumnOfTheProportionalMapping) {
    for (int bits : {1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 24, 32, 48, 64}) {
        for (int c = 0; c < 60; ++c) {
            std::mt19937 random(static_cast<unsigned>(bits * 100 + c));
            auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
            const int srcW = pick(1, 70), dstW = pick(1, 90);
            const int width = pick(1, dstW);
            const int firstDst = pick(0, dstW - width);
            const int srcLeft = pick(0, 9);
            // Column of destination i: srcLeft + floor((firstDst + i) srcW / dstW).
            const long long startNum = static_cast<long long>(firstDst) * srcW;
            const int first = srcLeft + static_cast<int>(startNum / dstW);
            const int error = static_cast<int>(startNum % dstW);
            const int bufferStart = first - first % Unit(bits);
            const int rowPixels = srcLeft + srcW + 8;
            std::vector<BYTE> row((static_cast<std::size_t>(rowPixels) * bits + 7) / 8 + 8);
            for (BYTE &b : row) b = static_cast<BYTE>(random());
            std::vector<BYTE> source(row.begin() + (static_cast<long long>(bufferStart) * bits) / 8, row.end());
            const DWORD targetBytes = static_cast<DWORD>((static_cast<long long>(width) * bits + 7) / 8);
            std::vector<BYTE> target(targetBytes + 4, 0xA5);
            ASSERT_EQ(KrnResampleRow(bits, targetBytes, first, srcW / dstW, error, srcW % dstW, source.data(),
                                     target.data(), width, dstW, srcW <= dstW),
                      STATUS_OK);
            for (int i = 0; i < width; ++i) {
                const long long column = srcLeft + (static_cast<long long>(firstDst + i) * srcW) / dstW;
                ASSERT_EQ(PixelAt(target, bits, i), PixelAt(row, bits, column))
                    << "bits " << bits << " case " << c << " pixel " << i;
            }
            for (std::size_t b = targetBytes; b < target.size(); ++b)
                ASSERT_EQ(target[b], 0xA5) << "bits " << bits << " case " << c << ": wrote past the target";
        }
    }
}

TEST(KrnResampleRow, RejectsBadArguments) {
    BYTE buffer[16] = {};
    EXPECT_EQ(KrnResampleRow(9, 16, 0, 1, 0, 0, buffer, buffer + 8, 2, 1, TRUE), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnResampleRow(8, 16, 0, 1, 2, 0, buffer, buffer + 8, 2, 2, TRUE), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnResampleRow(24, 5, 0, 1, 0, 0, buffer, buffer + 8, 2, 1, TRUE), STATUS_BAD_PARAMETER);
}

struct Band {
    int width, height, bits;
    std::vector<BYTE> bytes;
    std::size_t Stride() const { return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4; }
    unsigned long long At(int row, int x) const {
        std::vector<BYTE> line(bytes.begin() + static_cast<long long>(Stride() * row),
                               bytes.begin() + static_cast<long long>(Stride() * (row + 1)));
        return PixelAt(line, bits, x);
    }
};

Band RandomBand(std::mt19937 &random, int width, int height, int bits) {
    Band band{width, height, bits, {}};
    band.bytes.resize(band.Stride() * static_cast<std::size_t>(height));
    for (BYTE &b : band.bytes) b = static_cast<BYTE>(random());
    return band;
}

TEST(KrnTurnBuffer, RotateAndReverseMatchPerPixelOracles) {
    for (int bits : {1, 4, 8, 24}) {
        for (int c = 0; c < 40; ++c) {
            std::mt19937 random(static_cast<unsigned>(bits * 1000 + c));
            const int width = std::uniform_int_distribution<int>(1, 37)(random) | 1;
            const int height = std::uniform_int_distribution<int>(1, 23)(random) | 1;
            const Band band = RandomBand(random, width, height, bits);
            for (int direction : {0, 1}) {
                Band turned{height, width, bits, {}};
                turned.bytes.assign(turned.Stride() * static_cast<std::size_t>(width) + 1, 0xEE);
                ASSERT_EQ(KrnRotateBuffer(band.bytes.data(), turned.bytes.data(), direction, width, height, bits),
                          STATUS_OK);
                for (int a = 0; a < width; ++a)
                    for (int b = 0; b < height; ++b) {
                        const unsigned long long want =
                            direction == 1 ? band.At(height - 1 - b, a) : band.At(b, width - 1 - a);
                        ASSERT_EQ(turned.At(a, b), want) << "bits " << bits << " case " << c << " dir " << direction;
                    }
                EXPECT_EQ(turned.bytes.back(), 0xEE) << "wrote past the turned band";
                // Turning back restores the band's pixels.
                Band back{width, height, bits, std::vector<BYTE>(band.bytes.size())};
                turned.bytes.pop_back();
                ASSERT_EQ(KrnRotateBuffer(turned.bytes.data(), back.bytes.data(), 1 - direction, height, width, bits),
                          STATUS_OK);
                for (int r = 0; r < height; ++r)
                    for (int x = 0; x < width; ++x) ASSERT_EQ(back.At(r, x), band.At(r, x));
            }
            Band reversed{width, height, bits, std::vector<BYTE>(band.bytes.size())};
            ASSERT_EQ(KrnReverseBuffer(band.bytes.data(), reversed.bytes.data(), width, height, bits), STATUS_OK);
            for (int r = 0; r < height; ++r)
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(reversed.At(r, x), band.At(height - 1 - r, width - 1 - x)) << "bits " << bits;
        }
    }
}

TEST(KrnConvertBufferRows, ReversesTheRowOrder) {
    const BYTE rows[3][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
    BYTE converted[3][4] = {};
    ASSERT_EQ(KrnConvertBufferRows(rows, converted, 4, 3), STATUS_OK);
    for (int i = 0; i < 3; ++i)
        for (int b = 0; b < 4; ++b) EXPECT_EQ(converted[i][b], rows[2 - i][b]);
    EXPECT_EQ(KrnConvertBufferRows(converted, converted, 4, 3), STATUS_BAD_PARAMETER);
}

}  // namespace
