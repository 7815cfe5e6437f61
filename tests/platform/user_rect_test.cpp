// The USER rectangle helpers against pixel sets over seeded random
// rectangles biased toward shared edges, and their edge cases by table.
#include <random>
#include <set>

#include <gtest/gtest.h>

#include "zelt/win32.h"

namespace zelt::test {
namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels PixelsOf(const RECT &r) {
    Pixels out;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) out.insert({x, y});
    return out;
}

TEST(UserRect, RandomRectanglesAgreeWithPixelSets) {
    for (int n = 0; n < 2000; ++n) {
        std::mt19937 rng{unsigned(n)};
        std::uniform_int_distribution<int> c(0, 6);  // few coordinates: edges are often shared
        const RECT a{c(rng), c(rng), c(rng), c(rng)}, b{c(rng), c(rng), c(rng), c(rng)};
        const Pixels pa = PixelsOf(a), pb = PixelsOf(b);
        Pixels both, rest;
        for (const auto &p : pa) (pb.count(p) ? both : rest).insert(p);
        RECT i{}, u{}, d{};
        ASSERT_TRUE((IntersectRect(&i, &a, &b) != 0) == !both.empty() && PixelsOf(i) == both) << "case " << n;
        if (both.empty()) { ASSERT_TRUE(i.left == 0 && i.top == 0 && i.right == 0 && i.bottom == 0) << "case " << n; }
        ASSERT_EQ(UnionRect(&u, &a, &b) != 0, !(pa.empty() && pb.empty())) << "case " << n;
        const Pixels pu = PixelsOf(u);
        for (const Pixels *part : {&pa, &pb})
            for (const auto &p : *part) ASSERT_TRUE(pu.count(p)) << "case " << n;
        // SubtractRect leaves the smallest rectangle holding a minus b, inside a.
        const BOOL left = SubtractRect(&d, &a, &b);
        const Pixels pd = PixelsOf(d);
        ASSERT_EQ(left != 0, !pd.empty()) << "case " << n;
        for (const auto &p : rest) ASSERT_TRUE(pd.count(p)) << "case " << n << ": lost a pixel";
        for (const auto &p : pd) ASSERT_TRUE(pa.count(p)) << "case " << n << ": grew";
        const POINT pt{c(rng), c(rng)};
        ASSERT_TRUE((IsRectEmpty(&a) != 0) == pa.empty() && (PtInRect(&a, pt) != 0) == (pa.count({pt.x, pt.y}) != 0)) << "case " << n;
        ASSERT_EQ(EqualRect(&a, &b) != 0, a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom);
    }
}

TEST(UserRect, SettersAndEdgeCases) {
    RECT r{}, copy{};
    const RECT want{9, 23, 15, 23};
    ASSERT_TRUE(SetRect(&r, 1, 2, 3, 4) && InflateRect(&r, 2, -1) && OffsetRect(&r, 10, 20) && EqualRect(&r, &want));
    ASSERT_TRUE(CopyRect(&copy, &r) && EqualRect(&copy, &r) && SetRectEmpty(&copy));
    EXPECT_TRUE(copy.left == 0 && copy.right == 0 && IsRectEmpty(&copy));
    for (auto call : {+[](RECT *p) { return SetRect(p, 0, 0, 1, 1); }, +[](RECT *p) { return SetRectEmpty(p); },
                      +[](RECT *p) { return InflateRect(p, 1, 1); }, +[](RECT *p) { return OffsetRect(p, 1, 1); },
                      +[](RECT *p) { return CopyRect(p, p); },
                      +[](RECT *p) { return EqualRect(p, p); }, +[](RECT *p) { return IntersectRect(p, p, p); },
                      +[](RECT *p) { return UnionRect(p, p, p); }, +[](RECT *p) { return SubtractRect(p, p, p); },
                      +[](RECT *p) { return PtInRect(p, POINT{0, 0}); }})
        EXPECT_EQ(call(nullptr), FALSE);
    EXPECT_TRUE(IsRectEmpty(nullptr)) << "no rectangle is an empty one";
    const RECT inverted{6, 8, 2, 3};
    EXPECT_FALSE(PtInRect(&inverted, POINT{4, 4}));
    const struct {
        RECT a, b, want;
        BOOL ret;
    } cuts[] = {{{0, 0, 10, 10}, {0, 0, 10, 4}, {0, 4, 10, 10}, TRUE},     {{0, 0, 10, 10}, {-5, 6, 15, 20}, {0, 0, 10, 6}, TRUE},
                {{0, 0, 10, 10}, {7, -1, 11, 11}, {0, 0, 7, 10}, TRUE},    {{0, 0, 10, 10}, {-1, -2, 3, 12}, {3, 0, 10, 10}, TRUE},
                {{0, 0, 10, 10}, {2, 2, 5, 5}, {0, 0, 10, 10}, TRUE},      {{0, 0, 10, 10}, {-1, -1, 11, 11}, {0, 0, 0, 0}, FALSE},
                {{0, 0, 10, 10}, {20, 20, 30, 30}, {0, 0, 10, 10}, TRUE}, {{5, 5, 5, 9}, {0, 0, 1, 1}, {0, 0, 0, 0}, FALSE}};
    for (const auto &c : cuts) {
        RECT out{-7, -7, -7, -7};
        EXPECT_EQ(SubtractRect(&out, &c.a, &c.b), c.ret);
        EXPECT_TRUE(EqualRect(&out, &c.want)) << out.left << "," << out.top << "," << out.right << "," << out.bottom;
    }
}

}  // namespace
}  // namespace zelt::test
