// Drawing against pixel models over seeded random input: cosmetic lines
// against the octant table in every octant, every ROP2 code on every surface
// format against its truth table, the pen band of Rectangle for every width,
// and Ellipse painting the elliptic region of its box grown by one with the
// outline on that region's boundary.
#include <random>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "support/leak_guard.h"
#include "support/surface_model.h"

namespace zelt::test {
namespace {

using Pixels = std::set<std::pair<int, int>>;
constexpr DWORD kWhite = 0xFFFFFF, kPen = 0x000000, kBrush = 0x0000FF;  // raw 32-bpp values

// The octant table, kept deliberately naive: the end point is not drawn,
// ties in octants 3, 5, 6 and 8 step the minor axis late.
Pixels ModelLine(int x0, int y0, int x1, int y1) {
    Pixels out;
    const int dx = x1 - x0, dy = y1 - y0;
    if (dx == 0 && dy == 0) return out;
    int octant = 1;
    if (dx > 0 && dy > 0) octant = dx > dy ? 1 : 2;
    else if (dx <= 0 && dy > 0) octant = -dx <= dy ? 3 : 4;
    else if (dx < 0 && dy <= 0) octant = -dx > -dy ? 5 : 6;
    else if (dy < 0) octant = dx <= -dy ? 7 : 8;
    const int bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
    const int adx = std::abs(dx), ady = std::abs(dy), sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
    const bool xMajor = adx > ady;
    const int major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
    int err = 2 * minor - major, x = x0, y = y0;
    for (int i = 0; i < major; ++i) {
        out.insert({x, y});
        if (err + bias > 0) (xMajor ? y : x) += xMajor ? sy : sx, err -= 2 * major;
        err += 2 * minor;
        (xMajor ? x : y) += xMajor ? sx : sy;
    }
    return out;
}

Pixels Painted(const ModelDc &canvas) {
    Pixels out;
    const SurfaceModel now = canvas.Read();
    for (int y = 0; y < now.height; ++y)
        for (int x = 0; x < now.width; ++x)
            if ((now.At(x, y) & 0xFFFFFF) != kWhite) out.insert({x, y});
    return out;
}

class DrawLines : public LeakCheckedTest {};

TEST_F(DrawLines, CosmeticLinesInEveryOctantMatchTheModel) {
    ModelDc canvas(White(64, 64));
    for (int n = 0; n < 800; ++n) {
        std::mt19937 rng{unsigned(n)};
        std::uniform_int_distribution<int> coord(2, 61), small(-3, 3);
        const int x0 = coord(rng), y0 = coord(rng);
        int x1 = coord(rng), y1 = coord(rng);
        if (n % 4 == 1) x1 = x0 + small(rng), y1 = y0 + small(rng);  // short lines and diagonals, where ties live
        if (n % 4 == 2) {
            const int d = small(rng) * 7;
            x1 = std::clamp(x0 + d, 0, 63), y1 = std::clamp(y0 + (n % 8 < 4 ? d : -d) / 2, 0, 63);
        }
        canvas.Write(White(64, 64));
        ASSERT_TRUE(MoveToEx(canvas.dc(), x0, y0, nullptr));
        ASSERT_TRUE(LineTo(canvas.dc(), x1, y1));
        POINT at{};
        GetCurrentPositionEx(canvas.dc(), &at);
        EXPECT_TRUE(at.x == x1 && at.y == y1) << "case " << n;
        EXPECT_EQ(Painted(canvas), ModelLine(x0, y0, x1, y1)) << "case " << n << ": " << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
    // A polyline touches every inner vertex once: under XOR a vertex drawn twice would be white again.
    canvas.Write(White(64, 64));
    HGDIOBJ old = SelectObject(canvas.dc(), GetStockObject(WHITE_PEN));
    SetROP2(canvas.dc(), R2_XORPEN);
    const POINT path[] = {{3, 3}, {30, 7}, {25, 33}, {4, 20}, {3, 4}};
    ASSERT_TRUE(Polyline(canvas.dc(), path, 5));
    Pixels model;
    for (int i = 0; i + 1 < 5; ++i) model.merge(ModelLine(path[i].x, path[i].y, path[i + 1].x, path[i + 1].y));
    EXPECT_EQ(Painted(canvas), model);
    SetROP2(canvas.dc(), R2_COPYPEN), SelectObject(canvas.dc(), old);
}

TEST_F(DrawLines, EveryRop2OnEveryFormatFollowsItsTruthTable) {
    for (const int format : {1, 4, 8, 15, 16, 24, 32}) {
        for (int code = R2_BLACK; code <= R2_WHITE; ++code) {
            std::mt19937 rng{unsigned(code * 100 + format)};
            SurfaceModel m(37, 3, format, format == 1 ? NamedTable("bw") : format <= 8 ? NamedTable("grey", format) : std::vector<RGBQUAD>{});
            for (DWORD &v : m.pixels) v = DWORD(rng()) & m.Ones();
            ModelDc canvas(m);
            // A pen colour the format stores exactly.
            const COLORREF colour = m.ColourOf(DWORD(rng()) & m.Ones());
            HPEN pen = CreatePen(PS_SOLID, 1, colour);
            HGDIOBJ old = SelectObject(canvas.dc(), pen);
            SetROP2(canvas.dc(), code);
            MoveToEx(canvas.dc(), 0, 1, nullptr);
            LineTo(canvas.dc(), 37, 1);
            for (int x = 0; x < 37; ++x) m.At(x, 1) = Rop2(code, m.RawOf(colour), m.At(x, 1), m.Ones());
            EXPECT_EQ(canvas.Read().pixels, m.pixels) << "format " << format << " R2 code " << code;
            SelectObject(canvas.dc(), old);
            DeleteObject(pen);
        }
    }
}

// The canvas's pixels as '.', '#' (pen), 'o' (brush), '?' (anything else).
std::string Chars(const ModelDc &canvas) {
    std::string out;
    for (DWORD v : canvas.Read().pixels) out += v == kWhite ? '.' : v == kPen ? '#' : v == kBrush ? 'o' : '?';
    return out;
}

// Rectangle's band: w/2 pixels outside the box's left/top edge, (w-1)/2
// inside; corners of pens 3 or wider cut; the brush fills inside the band.
char RectangleModel(int x, int y, int l, int t, int r, int b, int w, bool brush) {
    const int before = w / 2, after = (w - 1) / 2, R = r - 1, B = b - 1;
    const bool outer = x >= l - before && x <= R + after && y >= t - before && y <= B + after;
    const bool inner = x > l + after && x < R - before && y > t + after && y < B - before;
    const bool corner = w >= 3 && (x == l - before || x == R + after) && (y == t - before || y == B + after);
    return outer && !inner && !corner ? '#' : inner && brush ? 'o' : '.';
}

class DrawShapes : public LeakCheckedTest {};

TEST_F(DrawShapes, RectangleFollowsTheBandRuleForEveryWidth) {
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    for (int n = 0; n < 300; ++n) {
        std::mt19937 rng{unsigned(n)};
        std::uniform_int_distribution<int> c(4, 26), width(1, 7);
        int l = c(rng), t = c(rng), r = c(rng), b = c(rng);
        const int w = width(rng);
        const bool filled = rng() % 2 == 0;
        ModelDc canvas(White(32, 32));
        HPEN pen = CreatePen(n % 5 == 0 ? PS_INSIDEFRAME : PS_SOLID, w, RGB(0, 0, 0));
        SelectObject(canvas.dc(), pen);
        SelectObject(canvas.dc(), filled ? brush : GetStockObject(NULL_BRUSH));
        ASSERT_TRUE(Rectangle(canvas.dc(), l, t, r, b));
        if (l > r) std::swap(l, r);
        if (t > b) std::swap(t, b);
        if (n % 5 == 0) {  // an inside-frame pen draws the band of the box shrunk to hold it
            l += w / 2, t += w / 2, r -= (w - 1) / 2, b -= (w - 1) / 2;
        }
        std::string want;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) want += RectangleModel(x, y, l, t, r, b, w, filled);
        // The rule holds from two pixels between the band's inner edges.
        if (r - l > w + 1 && b - t > w + 1) { EXPECT_EQ(Chars(canvas), want) << "case " << n << " width " << w; }
        SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
        SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
        DeleteObject(pen);
    }
    DeleteObject(brush);
}

TEST_F(DrawShapes, EllipsePaintsItsGrownRegionWithTheOutlineOnItsBoundary) {
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    for (int n = 0; n < 200; ++n) {
        std::mt19937 rng{unsigned(n)};
        std::uniform_int_distribution<int> c(1, 38);
        const int l = c(rng), t = c(rng), r = c(rng), b = c(rng);
        const bool nullPen = n % 3 == 0;
        ModelDc canvas(White(42, 42));
        SelectObject(canvas.dc(), nullPen ? GetStockObject(NULL_PEN) : pen);
        SelectObject(canvas.dc(), brush);
        ASSERT_TRUE(Ellipse(canvas.dc(), l, t, r, b));
        const int x0 = std::min(l, r), y0 = std::min(t, b), x1 = std::max(l, r), y1 = std::max(t, b);
        HRGN region = CreateEllipticRgn(x0, y0, x1 + 1, y1 + 1);
        // The outline is the region's boundary wherever the region's own
        // recurrence reaches the tips: sides of 5 or more, at most 2:1.
        const bool outlineRule = !nullPen && x1 - x0 >= 5 && y1 - y0 >= 5 && x1 - x0 <= 2 * (y1 - y0) && y1 - y0 <= 2 * (x1 - x0);
        const SurfaceModel now = canvas.Read();
        int wrong = 0;
        for (int y = 0; y < 42; ++y)
            for (int x = 0; x < 42; ++x) {
                const bool in = PtInRegion(region, x, y) && x1 > x0 && y1 > y0;
                wrong += (now.At(x, y) != kWhite) != in;
                const bool boundary = !PtInRegion(region, x - 1, y) || !PtInRegion(region, x + 1, y) ||
                                      !PtInRegion(region, x, y - 1) || !PtInRegion(region, x, y + 1);
                if (outlineRule && in) wrong += (now.At(x, y) == kPen) != boundary;
            }
        EXPECT_EQ(wrong, 0) << "case " << n << " (" << l << "," << t << "," << r << "," << b << ")";
        DeleteObject(region);
        SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
        SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
    }
    DeleteObject(pen);
    DeleteObject(brush);
}

}  // namespace
}  // namespace zelt::test
