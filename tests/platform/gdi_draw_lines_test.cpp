// Cosmetic lines against a slow model written from the octant table, over
// seeded random end points in every octant; ROP2 modes against their truth
// tables on every surface format; wide lines keep their end inside the cap.
#include <random>
#include <set>
#include <utility>

#include "platform/gdi_draw_canvas.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

using Pixels = std::set<std::pair<int, int>>;

// The octant table as the contract states it, kept deliberately naive.
Pixels ModelLine(int x0, int y0, int x1, int y1) {
    Pixels out;
    const int dx = x1 - x0, dy = y1 - y0;
    if (dx == 0 && dy == 0) return out;
    int octant;
    if (dx > 0 && dy > 0)
        octant = dx > dy ? 1 : 2;
    else if (dx <= 0 && dy > 0)
        octant = -dx <= dy ? 3 : 4;
    else if (dx < 0 && dy <= 0)
        octant = -dx > -dy ? 5 : 6;
    else if (dy < 0)
        octant = dx <= -dy ? 7 : 8;
    else
        octant = 1;  // dx > 0, dy == 0: horizontal, no ties
    const int bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
    const int adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
    const bool xMajor = adx > ady;
    const int major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
    int err = 2 * minor - major, x = x0, y = y0;
    for (int i = 0; i < major; ++i) {
        out.insert({x, y});
        if (err + bias > 0) {
            (xMajor ? y : x) += xMajor ? sy : sx;
            err += 2 * minor - 2 * major;
        } else {
            err += 2 * minor;
        }
        (xMajor ? x : y) += xMajor ? sx : sy;
    }
    return out;
}

Pixels Painted(const DrawCanvas &canvas, COLORREF background) {
    Pixels out;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (canvas.Color(x, y) != background) out.insert({x, y});
    return out;
}

class DrawLines : public LeakCheckedTest {};

TEST_F(DrawLines, RandomLinesInEveryOctantMatchTheModel) {
    DrawCanvas canvas(64, 64);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(canvas.dc(), pen);
    for (int caseNumber = 0; caseNumber < 800; ++caseNumber) {
        std::mt19937 rng(static_cast<unsigned>(caseNumber));
        std::uniform_int_distribution<int> coord(2, 61), small(-3, 3);
        const int x0 = coord(rng), y0 = coord(rng);
        // A quarter of the cases are short or exact diagonals, where ties live.
        int x1 = coord(rng), y1 = coord(rng);
        if (caseNumber % 4 == 1) x1 = x0 + small(rng), y1 = y0 + small(rng);
        if (caseNumber % 4 == 2) {
            const int d = small(rng) * 7;
            x1 = std::clamp(x0 + d, 0, 63), y1 = std::clamp(y0 + (caseNumber % 8 < 4 ? d : -d) / 2, 0, 63);
        }
        canvas.Fill(RGB(255, 255, 255));
        ASSERT_TRUE(MoveToEx(canvas.dc(), x0, y0, nullptr));
        ASSERT_TRUE(LineTo(canvas.dc(), x1, y1));
        POINT at{};
        GetCurrentPositionEx(canvas.dc(), &at);
        EXPECT_TRUE(at.x == x1 && at.y == y1) << "case " << caseNumber;
        EXPECT_EQ(Painted(canvas, RGB(255, 255, 255)), ModelLine(x0, y0, x1, y1))
            << "case " << caseNumber << ": (" << x0 << "," << y0 << ") -> (" << x1 << "," << y1 << ")";
    }
    SelectObject(canvas.dc(), old);
    DeleteObject(pen);
}

TEST_F(DrawLines, PolylineTouchesEveryInnerVertexOnceUnderXor) {
    DrawCanvas canvas(40, 40);
    HPEN pen = CreatePen(PS_SOLID, 0, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(canvas.dc(), pen);
    SetROP2(canvas.dc(), R2_XORPEN);
    const POINT path[] = {{3, 3}, {30, 7}, {25, 33}, {4, 20}, {3, 4}};
    ASSERT_TRUE(Polyline(canvas.dc(), path, 5));
    // XOR of white over white gives black; a doubly drawn vertex would be white again.
    Pixels model;
    for (int i = 0; i + 1 < 5; ++i) {
        const Pixels seg = ModelLine(path[i].x, path[i].y, path[i + 1].x, path[i + 1].y);
        model.insert(seg.begin(), seg.end());
    }
    EXPECT_EQ(Painted(canvas, RGB(255, 255, 255)), model);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(canvas.Color(path[i].x, path[i].y), RGB(0, 0, 0)) << "vertex " << i;
    SelectObject(canvas.dc(), old);
    DeleteObject(pen);
}

TEST_F(DrawLines, WideLinesCoverBothEndsAndStaySymmetric) {
    for (int width = 2; width <= 7; ++width) {
        DrawCanvas canvas(48, 48);
        HPEN pen = CreatePen(PS_SOLID, width, RGB(0, 0, 0));
        HGDIOBJ old = SelectObject(canvas.dc(), pen);
        MoveToEx(canvas.dc(), 10, 24, nullptr);
        LineTo(canvas.dc(), 38, 24);
        const Pixels painted = Painted(canvas, RGB(255, 255, 255));
        EXPECT_TRUE(painted.count({10, 24}) && painted.count({38, 24})) << "width " << width;
        // Each column of the body is exactly `width` pixels high.
        int high = 0;
        for (int y = 0; y < 48; ++y) high += painted.count({24, y}) ? 1 : 0;
        EXPECT_EQ(high, width) << "width " << width;
        // The caps reach half the width beyond the ends, no further.
        EXPECT_TRUE(painted.count({10 - width / 2, 24})) << "width " << width;
        EXPECT_FALSE(painted.count({10 - width / 2 - 1, 24})) << "width " << width;
        SelectObject(canvas.dc(), old);
        DeleteObject(pen);
    }
}

// result bit = table bit (pen bit << 1 | destination bit), as R2_* - 1 encodes it.
DWORD Rop2Truth(int rop2, DWORD pen, DWORD dst, DWORD ones) {
    const unsigned table = static_cast<unsigned>(rop2 - 1);
    DWORD out = 0;
    for (int p = 0; p < 2; ++p)
        for (int d = 0; d < 2; ++d)
            if ((table >> (p << 1 | d)) & 1) out |= (p ? pen : ~pen) & (d ? dst : ~dst);
    return out & ones;
}

TEST_F(DrawLines, EveryRop2OnEverySurfaceFormatFollowsItsTruthTable) {
    for (const int bits : {1, 4, 8, 16, 24, 32}) {
        DrawCanvas canvas(37, 3, bits);
        ASSERT_TRUE(canvas.ok());
        const platform::Surface &surface = canvas.surface();
        const DWORD ones = surface.AllOnes();
        // A pen colour the format stores exactly: a table entry, or 5-bit
        // exact channels.
        const COLORREF penColour = bits <= 8 ? surface.ColorOf(ones / 3 + (bits == 1 ? 1 : 0)) : RGB(0x48, 0x90, 0xD8);
        const DWORD penRaw = surface.RawOf(penColour);
        for (int rop2 = R2_BLACK; rop2 <= R2_WHITE; ++rop2) {
            std::mt19937 rng(static_cast<unsigned>(rop2 * 100 + bits));
            for (int x = 0; x < 37; ++x)
                for (int y = 0; y < 3; ++y) canvas.SetRaw(x, y, rng() & ones);
            std::vector<DWORD> before(37);
            for (int x = 0; x < 37; ++x) before[static_cast<std::size_t>(x)] = canvas.Raw(x, 1);
            HPEN pen = CreatePen(PS_SOLID, 1, penColour);
            HGDIOBJ old = SelectObject(canvas.dc(), pen);
            SetROP2(canvas.dc(), rop2);
            MoveToEx(canvas.dc(), 0, 1, nullptr);
            LineTo(canvas.dc(), 37, 1);
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(canvas.Raw(x, 1), Rop2Truth(rop2, penRaw, before[static_cast<std::size_t>(x)], ones))
                    << bits << " bpp, R2 mode " << rop2 << ", x " << x;
            SetROP2(canvas.dc(), R2_COPYPEN);
            SelectObject(canvas.dc(), old);
            DeleteObject(pen);
        }
    }
}

}  // namespace
}  // namespace zelt::test
