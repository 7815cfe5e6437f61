// KrnGetRowRuns against a bit-by-bit reading of the row: seeded random rows
// with runs of every length, random first columns and counts.
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "zelt/kernel.h"

namespace {

struct Image {
    BitmapRecord record{};
    Image(int width, int height) {
        EXPECT_EQ(KrnCreateBitmap(&record, KRN_MEMORY_CONVENTIONAL, width, height, 1, 1, nullptr, 0, nullptr, 0),
                  STATUS_OK);
    }
    ~Image() { KrnFreeBitmap(&record); }
};

// Rows of runs: mostly short, sometimes whole bytes and more.
void FillRuns(BitmapRecord *bitmap, std::mt19937 &random) {
    std::vector<BYTE> row(static_cast<std::size_t>(bitmap->BytesPerLine));
    for (int r = 0; r < bitmap->Height; ++r) {
        std::fill(row.begin(), row.end(), 0);
        int bit = static_cast<int>(random() & 1);
        for (int x = 0; x < bitmap->Width;) {
            const int length = (random() % 4 == 0) ? static_cast<int>(random() % 150) + 1 : static_cast<int>(random() % 9) + 1;
            for (int k = 0; k < length && x < bitmap->Width; ++k, ++x)
                if (bit) row[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
            bit ^= 1;
        }
        KrnPutBitmapRow(bitmap, row.data(), r, static_cast<DWORD>(row.size()));
    }
}

// The runs by the definition: one bit at a time, splitting at 65535.
std::vector<WORD> OracleRuns(BitmapRecord *bitmap, int row, int first, int count) {
    std::vector<BYTE> bytes(static_cast<std::size_t>(bitmap->BytesPerLine));
    KrnGetBitmapRow(bitmap, bytes.data(), row, static_cast<DWORD>(bytes.size()));
    std::vector<WORD> runs{0};
    int value = 0;
    for (int x = first; x < first + count; ++x) {
        const int bit = (bytes[x / 8] >> (7 - x % 8)) & 1;
        if (bit != value) {
            runs.push_back(0);
            value = bit;
        }
        if (runs.back() == 0xFFFF) {
            runs.push_back(0);
            runs.push_back(0);
        }
        ++runs.back();
    }
    return runs;
}

TEST(RowRuns, MatchBitByBitReadingAtRandomColumns) {
    for (int c = 0; c < 400; ++c) {
        std::mt19937 random(static_cast<unsigned>(c));
        const int width = static_cast<int>(random() % 300) + 1;
        Image image(width, 3);
        FillRuns(&image.record, random);
        const int first = static_cast<int>(random() % width);
        const int count = static_cast<int>(random() % (width - first + 1));
        const int row = static_cast<int>(random() % 3);
        std::vector<BYTE> scratch((count + 15) / 8);
        std::vector<WORD> runs(static_cast<std::size_t>(count) + 3, 0xBEEF);
        const int n = KrnGetRowRuns(&image.record, scratch.data(), runs.data(), row, first, count);
        const std::vector<WORD> want = OracleRuns(&image.record, row, first, count);
        ASSERT_EQ(n, static_cast<int>(want.size())) << "case " << c << " width " << width << " first " << first
                                                     << " count " << count;
        runs.resize(static_cast<std::size_t>(n));
        ASSERT_EQ(runs, want) << "case " << c << " width " << width << " first " << first << " count " << count;
    }
}

TEST(RowRuns, GoldenRows) {
    Image image(20, 1);
    // 0111 0000 1111 1111 0101: starts with one 0.
    const BYTE row[4] = {0x70, 0xFF, 0x50, 0};
    KrnPutBitmapRow(&image.record, row, 0, sizeof row);
    BYTE scratch[8];
    WORD runs[32];
    ASSERT_EQ(KrnGetRowRuns(&image.record, scratch, runs, 0, 0, 20), 8);
    const WORD want[] = {1, 3, 4, 8, 1, 1, 1, 1};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(runs[i], want[i]) << i;
    // From column 1 the row starts with a 1: a zero-length first run.
    ASSERT_EQ(KrnGetRowRuns(&image.record, scratch, runs, 0, 1, 5), 3);
    const WORD fromOne[] = {0, 3, 2};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(runs[i], fromOne[i]) << i;
    // Nothing asked: one empty run.
    ASSERT_EQ(KrnGetRowRuns(&image.record, scratch, runs, 0, 20, 0), 1);
    EXPECT_EQ(runs[0], 0);
}

TEST(RowRuns, RunsLongerThan16BitsAreSplit) {
    const int width = 140000;
    Image image(width, 1);
    std::vector<BYTE> row(static_cast<std::size_t>(image.record.BytesPerLine), 0xFF);
    row[100000 / 8] = 0x7F;  // one 0 at column 100000
    KrnPutBitmapRow(&image.record, row.data(), 0, static_cast<DWORD>(row.size()));
    std::vector<BYTE> scratch((width + 15) / 8);
    std::vector<WORD> runs(width + 3);
    const int n = KrnGetRowRuns(&image.record, scratch.data(), runs.data(), 0, 0, width);
    const std::vector<WORD> want = {0, 65535, 0, 100000 - 65535, 1, 39999};
    ASSERT_EQ(n, static_cast<int>(want.size()));
    runs.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(runs, want);
    EXPECT_EQ(runs, OracleRuns(&image.record, 0, 0, width));
}

TEST(RowRuns, RefusesBadArguments) {
    Image image(16, 2);
    BYTE scratch[8];
    WORD runs[32];
    EXPECT_EQ(KrnGetRowRuns(nullptr, scratch, runs, 0, 0, 4), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnGetRowRuns(&image.record, nullptr, runs, 0, 0, 4), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnGetRowRuns(&image.record, scratch, nullptr, 0, 0, 4), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnGetRowRuns(&image.record, scratch, runs, 2, 0, 4), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnGetRowRuns(&image.record, scratch, runs, -1, 0, 4), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnGetRowRuns(&image.record, scratch, runs, 0, 13, 4), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnGetRowRuns(&image.record, scratch, runs, 0, -1, 4), STATUS_BAD_PARAMETER);
    BitmapRecord gray{};
    ASSERT_EQ(KrnCreateBitmap(&gray, KRN_MEMORY_CONVENTIONAL, 16, 2, 8, 1, nullptr, 0, nullptr, 0), STATUS_OK);
    EXPECT_EQ(KrnGetRowRuns(&gray, scratch, runs, 0, 0, 4), STATUS_BAD_PARAMETER);
    KrnFreeBitmap(&gray);
}

}  // namespace
