// The cell threshold: floor(sqrt(area)), the black pixels of a one-pixel
// stroke crossing a square cell.
#include <cmath>
#include <climits>
#include <random>

#include <gtest/gtest.h>

#include "zelt/kernel.h"

namespace {

TEST(CellThreshold, GoldenAreas) {
    const struct {
        int area, threshold;
    } cases[] = {{-7, 1}, {0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 2}, {8, 2}, {9, 3}, {15, 3}, {16, 4},
                 {24, 4}, {25, 5}, {100, 10}, {2147395600, 46340}, {INT_MAX, 46340}};
    for (const auto &c : cases) EXPECT_EQ(KrnCellThreshold(c.area), c.threshold) << "area " << c.area;
}

TEST(CellThreshold, IsTheIntegerSquareRootOfRandomAreas) {
    for (int c = 0; c < 2000; ++c) {
        std::mt19937 random(static_cast<unsigned>(c));
        const int area = c < 1000 ? c + 1 : static_cast<int>(random() % INT_MAX) + 1;
        const long long t = KrnCellThreshold(area);
        EXPECT_LE(t * t, area) << "case " << c << " area " << area;
        EXPECT_GT((t + 1) * (t + 1), area) << "case " << c << " area " << area;
    }
}

}  // namespace
