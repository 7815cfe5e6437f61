// The USER rectangle helpers: table-driven edge cases, and intersections,
// unions and differences checked against pixel sets over seeded random
// rectangles biased toward shared edges.
#include <random>
#include <set>

#include <gtest/gtest.h>

#include "zelt/win32.h"

namespace zelt::test {
namespace {

bool Same(const RECT &a, const RECT &b) { return EqualRect(&a, &b) != FALSE; }

std::set<std::pair<int, int>> PixelsOf(const RECT &r) {
    std::set<std::pair<int, int>> out;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) out.insert({x, y});
    return out;
}

TEST(UserRect, SimpleHelpers) {
    RECT r{};
    ASSERT_TRUE(SetRect(&r, 1, 2, 3, 4));
    EXPECT_TRUE(Same(r, RECT{1, 2, 3, 4}));
    ASSERT_TRUE(InflateRect(&r, 2, -1));
    EXPECT_TRUE(Same(r, RECT{-1, 3, 5, 3}));
    EXPECT_TRUE(IsRectEmpty(&r));
    ASSERT_TRUE(OffsetRect(&r, 10, 20));
    EXPECT_TRUE(Same(r, RECT{9, 23, 15, 23}));
    RECT copy{};
    ASSERT_TRUE(CopyRect(&copy, &r));
    EXPECT_TRUE(EqualRect(&copy, &r));
    ASSERT_TRUE(SetRectEmpty(&copy));
    EXPECT_TRUE(Same(copy, RECT{0, 0, 0, 0}));
    EXPECT_FALSE(SetRect(nullptr, 0, 0, 1, 1));
    EXPECT_FALSE(EqualRect(&copy, nullptr));
}

TEST(UserRect, PtInRectExcludesRightAndBottom) {
    const RECT r{2, 3, 6, 8};
    const struct {
        POINT p;
        bool in;
    } cases[] = {{{2, 3}, true}, {{5, 7}, true}, {{6, 7}, false}, {{5, 8}, false}, {{1, 3}, false}, {{2, 2}, false}};
    for (const auto &c : cases) EXPECT_EQ(PtInRect(&r, c.p) != FALSE, c.in) << c.p.x << "," << c.p.y;
    const RECT inverted{6, 8, 2, 3};
    EXPECT_FALSE(PtInRect(&inverted, POINT{4, 4}));
}

TEST(UserRect, SubtractRectShrinksOnlyOnWholeSideCuts) {
    const struct {
        RECT a, b, want;
        BOOL ret;
    } cases[] = {
        {{0, 0, 10, 10}, {0, 0, 10, 4}, {0, 4, 10, 10}, TRUE},    // top cut
        {{0, 0, 10, 10}, {-5, 6, 15, 20}, {0, 0, 10, 6}, TRUE},   // bottom cut, overhanging
        {{0, 0, 10, 10}, {7, -1, 11, 11}, {0, 0, 7, 10}, TRUE},   // right cut
        {{0, 0, 10, 10}, {2, 2, 5, 5}, {0, 0, 10, 10}, TRUE},     // a hole: unchanged
        {{0, 0, 10, 10}, {-1, -1, 11, 11}, {0, 0, 0, 0}, FALSE},  // everything
        {{0, 0, 10, 10}, {20, 20, 30, 30}, {0, 0, 10, 10}, TRUE}, // disjoint
        {{5, 5, 5, 9}, {0, 0, 1, 1}, {0, 0, 0, 0}, FALSE},        // empty source
    };
    for (const auto &c : cases) {
        RECT out{-7, -7, -7, -7};
        EXPECT_EQ(SubtractRect(&out, &c.a, &c.b), c.ret);
        EXPECT_TRUE(Same(out, c.want)) << out.left << "," << out.top << "," << out.right << "," << out.bottom;
    }
}

TEST(UserRect, RandomRectanglesAgreeWithPixelSets) {
    for (int caseNumber = 0; caseNumber < 2000; ++caseNumber) {
        std::mt19937 rng(static_cast<unsigned>(caseNumber));
        // Few distinct coordinates, so edges are often shared.
        std::uniform_int_distribution<int> c(0, 6);
        const RECT a{c(rng), c(rng), c(rng), c(rng)}, b{c(rng), c(rng), c(rng), c(rng)};
        const auto pa = PixelsOf(a), pb = PixelsOf(b);

        RECT i{};
        const BOOL overlap = IntersectRect(&i, &a, &b);
        std::set<std::pair<int, int>> both;
        for (const auto &p : pa)
            if (pb.count(p)) both.insert(p);
        EXPECT_EQ(overlap != FALSE, !both.empty()) << "case " << caseNumber;
        EXPECT_EQ(PixelsOf(i), both) << "case " << caseNumber;
        if (!overlap) {
            EXPECT_TRUE(Same(i, RECT{0, 0, 0, 0})) << "case " << caseNumber;
        }

        RECT u{};
        const BOOL any = UnionRect(&u, &a, &b);
        EXPECT_EQ(any != FALSE, !(pa.empty() && pb.empty())) << "case " << caseNumber;
        const auto pu = PixelsOf(u);
        for (const auto &p : pa) EXPECT_TRUE(pu.count(p)) << "case " << caseNumber;
        for (const auto &p : pb) EXPECT_TRUE(pu.count(p)) << "case " << caseNumber;

        // SubtractRect: when a minus b is a rectangle it is exactly that.
        RECT d{};
        const BOOL left = SubtractRect(&d, &a, &b);
        std::set<std::pair<int, int>> rest;
        for (const auto &p : pa)
            if (!pb.count(p)) rest.insert(p);
        const auto pd = PixelsOf(d);
        EXPECT_EQ(left != FALSE, !pd.empty()) << "case " << caseNumber;
        for (const auto &p : rest) EXPECT_TRUE(pd.count(p)) << "case " << caseNumber << ": lost a pixel";
        for (const auto &p : pd) EXPECT_TRUE(pa.count(p)) << "case " << caseNumber << ": grew";
    }
}

}  // namespace
}  // namespace zelt::test
