// Rectangle and Ellipse over seeded random boxes against the pixel rules:
// the pen band of Rectangle for every width, the painted area of Ellipse
// equal to the elliptic region of the box grown by one, the outline being
// that region's 4-neighbour boundary.
#include <random>

#include "platform/gdi_draw_canvas.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255), kPen = RGB(0, 0, 0), kBrush = RGB(0, 0, 255);

// Rectangle's band rule written out per pixel.
char RectangleModel(int x, int y, int l, int t, int r, int b, int w, bool brush) {
    const int before = w / 2, after = (w - 1) / 2, R = r - 1, B = b - 1;
    const bool outer = x >= l - before && x <= R + after && y >= t - before && y <= B + after;
    const bool inner = x > l + after && x < R - before && y > t + after && y < B - before;
    const bool corner = w >= 3 && (x == l - before || x == R + after) && (y == t - before || y == B + after);
    if (outer && !inner && !corner) return '#';
    if (inner && brush) return 'o';
    return '.';
}

char CharOf(COLORREF c) { return c == kPen ? '#' : c == kBrush ? 'o' : c == kWhite ? '.' : '?'; }

class DrawShapes : public LeakCheckedTest {};

TEST_F(DrawShapes, RectangleFollowsTheBandRuleForEveryWidth) {
    HBRUSH brush = CreateSolidBrush(kBrush);
    for (int caseNumber = 0; caseNumber < 300; ++caseNumber) {
        std::mt19937 rng(static_cast<unsigned>(caseNumber));
        std::uniform_int_distribution<int> c(4, 26), width(1, 7);
        int l = c(rng), t = c(rng), r = c(rng), b = c(rng);
        const int w = width(rng);
        const bool useBrush = rng() % 2 == 0;
        DrawCanvas canvas(32, 32);
        HPEN pen = CreatePen(PS_SOLID, w, kPen);
        SelectObject(canvas.dc(), pen);
        SelectObject(canvas.dc(), useBrush ? brush : GetStockObject(NULL_BRUSH));
        ASSERT_TRUE(Rectangle(canvas.dc(), l, t, r, b));
        if (l > r) std::swap(l, r);
        if (t > b) std::swap(t, b);
        int wrong = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) wrong += CharOf(canvas.Color(x, y)) != RectangleModel(x, y, l, t, r, b, w, useBrush);
        // Boxes thinner than the pen are all band; the rule above holds from
        // two pixels between the band's inner edges.
        if (r - l > w + 1 && b - t > w + 1) {
            EXPECT_EQ(wrong, 0) << "case " << caseNumber << " (" << l << "," << t << "," << r << "," << b << ") w " << w;
        }
        SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
        SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
        DeleteObject(pen);
    }
    DeleteObject(brush);
}

TEST_F(DrawShapes, EllipsePaintsItsGrownRegionAndOutlinesItsBoundary) {
    HBRUSH brush = CreateSolidBrush(kBrush);
    HPEN pen = CreatePen(PS_SOLID, 1, kPen);
    for (int caseNumber = 0; caseNumber < 200; ++caseNumber) {
        std::mt19937 rng(static_cast<unsigned>(caseNumber));
        std::uniform_int_distribution<int> c(1, 38);
        const int l = c(rng), t = c(rng), r = c(rng), b = c(rng);
        const bool nullPen = caseNumber % 3 == 0;
        DrawCanvas canvas(42, 42);
        SelectObject(canvas.dc(), nullPen ? GetStockObject(NULL_PEN) : pen);
        SelectObject(canvas.dc(), brush);
        ASSERT_TRUE(Ellipse(canvas.dc(), l, t, r, b));
        const int x0 = std::min(l, r), y0 = std::min(t, b), x1 = std::max(l, r), y1 = std::max(t, b);
        HRGN region = CreateEllipticRgn(x0, y0, x1 + 1, y1 + 1);
        int wrong = 0, outlineWrong = 0;
        for (int y = 0; y < 42; ++y)
            for (int x = 0; x < 42; ++x) {
                const bool in = PtInRegion(region, x, y) != 0 && x1 > x0 && y1 > y0;
                const COLORREF got = canvas.Color(x, y);
                wrong += (got != kWhite) != in;
                if (!nullPen && in) {
                    const bool boundary = !PtInRegion(region, x - 1, y) || !PtInRegion(region, x + 1, y) ||
                                          !PtInRegion(region, x, y - 1) || !PtInRegion(region, x, y + 1);
                    outlineWrong += (got == kPen) != boundary;
                }
            }
        EXPECT_EQ(wrong, 0) << "case " << caseNumber << " (" << l << "," << t << "," << r << "," << b << ")";
        // The outline is the region's boundary wherever the region's own
        // recurrence reaches the tips (not thin: sides of 5 or more, at most 2:1).
        const int w = x1 - x0, h = y1 - y0;
        if (!nullPen && w >= 5 && h >= 5 && w <= 2 * h && h <= 2 * w) {
            EXPECT_EQ(outlineWrong, 0) << "case " << caseNumber << " (" << l << "," << t << "," << r << "," << b << ")";
        }
        DeleteObject(region);
        SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
        SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
    }
    DeleteObject(pen);
    DeleteObject(brush);
}

TEST_F(DrawShapes, InsideFramePensStayInsideTheBox) {
    for (int width = 2; width <= 7; ++width) {
        DrawCanvas canvas(40, 40);
        HPEN pen = CreatePen(PS_INSIDEFRAME, width, kPen);
        SelectObject(canvas.dc(), pen);
        SelectObject(canvas.dc(), GetStockObject(NULL_BRUSH));
        for (const bool ellipse : {false, true}) {
            canvas.Fill(kWhite);
            ASSERT_TRUE(ellipse ? Ellipse(canvas.dc(), 8, 6, 31, 33) : Rectangle(canvas.dc(), 8, 6, 31, 33));
            int outside = 0;
            bool left = false, top = false, right = false, bottom = false;
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 40; ++x) {
                    if (canvas.Color(x, y) != kPen) continue;
                    outside += x < 8 || x >= 31 || y < 6 || y >= 33;
                    left |= x == 8, right |= x == 30, top |= y == 6, bottom |= y == 32;
                }
            EXPECT_EQ(outside, 0) << "width " << width << (ellipse ? " ellipse" : " rectangle");
            // The pen's outer edge lies on the box (the ellipse reaches its sides).
            EXPECT_TRUE(left && right && (ellipse || (top && bottom))) << "width " << width;
        }
        SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
        SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
        DeleteObject(pen);
    }
}

}  // namespace
}  // namespace zelt::test
