// The two dither matrices: the clustered one cell by cell, the dispersed
// one as four times the Bayer matrix with its five irregular cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "paint/paint_engine.h"

namespace {

// The 2^n Bayer matrix built by the usual doubling recurrence.
std::vector<std::vector<int>> Bayer(int size) {
    std::vector<std::vector<int>> m = {{0}};
    for (int n = 1; n < size; n *= 2) {
        std::vector<std::vector<int>> next(2 * n, std::vector<int>(2 * n));
        const int add[2][2] = {{0, 2}, {3, 1}};
        for (int y = 0; y < 2 * n; ++y)
            for (int x = 0; x < 2 * n; ++x) next[y][x] = 4 * m[y % n][x % n] + add[y / n][x / n];
        m = next;
    }
    return m;
}

TEST(DitherMatrices, DispersedIsFourTimesBayerButForFiveCells) {
    const auto bayer = Bayer(8);
    struct Cell {
        int row, column, value;
    } irregular[] = {{3, 0, 236}, {3, 4, 244}, {5, 2, 232}, {7, 0, 248}, {7, 4, 240}};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            int expected = 4 * bayer[y][x];
            for (const Cell &c : irregular)
                if (c.row == y && c.column == x) expected = c.value;
            EXPECT_EQ(DisperseDitherMatrix[y][x], expected) << "row " << y << " column " << x;
        }
    EXPECT_EQ(4 * bayer[3][0], 240);  // the regular values the five cells replace
    EXPECT_EQ(4 * bayer[7][4], 244);
}

TEST(DitherMatrices, ClusteredCells) {
    const int expected[8][8] = {
        {112, 40, 72, 104, 144, 176, 208, 136}, {88, 8, 16, 48, 192, 232, 240, 168},
        {56, 24, 0, 80, 160, 224, 248, 200},    {96, 64, 32, 120, 128, 216, 184, 152},
        {148, 180, 212, 140, 116, 44, 76, 108}, {196, 236, 244, 172, 92, 12, 20, 52},
        {164, 228, 252, 204, 60, 28, 4, 84},    {132, 220, 188, 156, 100, 68, 36, 124},
    };
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(ClusterDitherMatrix[y][x], expected[y][x]) << y << "," << x;
}

TEST(DitherMatrices, ClusteredHoldsEveryMultipleOfFourOnce) {
    std::vector<int> values;
    for (const auto &row : ClusterDitherMatrix) values.insert(values.end(), row, row + 8);
    std::sort(values.begin(), values.end());
    for (int i = 0; i < 64; ++i) EXPECT_EQ(values[i], 4 * i);
}

}  // namespace
