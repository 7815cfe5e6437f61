// Pens as objects (creation, GetObjectA, stock pens, failure injection),
// system colours, return values of the region painters and DrawEdge, and
// the rasteriser's building blocks against slow pixel models.
#include <random>
#include <set>
#include <string>
#include <vector>

#include "gdi/draw_raster.h"
#include "gdi/region_shapes.h"
#include "platform/gdi_draw_canvas.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

using platform::RegionData;

class DrawObjects : public LeakCheckedTest {};

TEST_F(DrawObjects, CreatePenDescribesItselfAsALogPen) {
    struct Case {
        int style, width;
        COLORREF colour;
        LONG wantWidth;
    };
    const Case cases[] = {{PS_SOLID, 0, RGB(1, 2, 3), 0},     {PS_SOLID, 3, RGB(255, 0, 0), 3},
                          {PS_DASH, 1, RGB(0, 0, 0), 1},      {PS_NULL, 0, RGB(9, 9, 9), 0},
                          {PS_INSIDEFRAME, 4, 0xABCDEF, 4},   {PS_SOLID, -5, RGB(0, 0, 0), 5}};
    for (const Case &c : cases) {
        HPEN pen = CreatePen(c.style, c.width, c.colour);
        ASSERT_NE(pen, nullptr);
        EXPECT_EQ(GetObjectType(pen), static_cast<DWORD>(OBJ_PEN));
        LOGPEN lp{};
        EXPECT_EQ(GetObjectA(pen, 0, nullptr), static_cast<int>(sizeof(LOGPEN)));
        EXPECT_EQ(GetObjectA(pen, sizeof lp, &lp), static_cast<int>(sizeof(LOGPEN)));
        EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(c.style));
        EXPECT_EQ(lp.lopnWidth.x, c.wantWidth);
        EXPECT_EQ(lp.lopnColor, c.colour);
        EXPECT_TRUE(DeleteObject(pen));
    }
    EXPECT_EQ(CreatePen(7, 1, 0), nullptr);  // PS_USERSTYLE needs ExtCreatePen
    const LOGPEN indirect{PS_SOLID, POINT{2, 9}, RGB(4, 5, 6)};
    HPEN pen = CreatePenIndirect(&indirect);
    LOGPEN back{};
    GetObjectA(pen, sizeof back, &back);
    EXPECT_EQ(back.lopnWidth.x, 2);
    EXPECT_EQ(back.lopnColor, RGB(4, 5, 6));
    DeleteObject(pen);
    EXPECT_EQ(CreatePenIndirect(nullptr), nullptr);
}

TEST_F(DrawObjects, StockPensExistAndSurviveDeleteObject) {
    const std::pair<int, COLORREF> stock[] = {{WHITE_PEN, RGB(255, 255, 255)}, {BLACK_PEN, RGB(0, 0, 0)}};
    for (const auto &[index, colour] : stock) {
        HGDIOBJ pen = GetStockObject(index);
        ASSERT_NE(pen, nullptr);
        LOGPEN lp{};
        ASSERT_EQ(GetObjectA(pen, sizeof lp, &lp), static_cast<int>(sizeof lp));
        EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_SOLID));
        EXPECT_EQ(lp.lopnColor, colour);
        EXPECT_TRUE(DeleteObject(pen));
        EXPECT_EQ(GetObjectType(pen), static_cast<DWORD>(OBJ_PEN));
    }
    LOGPEN lp{};
    GetObjectA(GetStockObject(NULL_PEN), sizeof lp, &lp);
    EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_NULL));
    // A fresh DC holds the black pen.
    DrawCanvas canvas(4, 4);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), GetStockObject(BLACK_PEN));
}

TEST_F(DrawObjects, CreatePenFailsCleanlyAtEveryAllocation) {
    HPEN made = nullptr;
    int created = 0;
    const long allocations = ForEachAllocationFailure(
        [&] {
            made = CreatePen(PS_SOLID, 2, RGB(1, 2, 3));
            if (made != nullptr) {
                ++created;
                DeleteObject(made);
            }
        },
        [&](long failedAt) {
            EXPECT_EQ(made, nullptr) << "allocation " << failedAt;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)) << "allocation " << failedAt;
        });
    EXPECT_GE(allocations, 1);
    EXPECT_EQ(created, 1);  // only the undisturbed run succeeds
}

TEST_F(DrawObjects, DrawingFailsCleanlyAtEveryAllocation) {
    DrawCanvas canvas(30, 30);
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(0, 0, 0));
    // A pattern brush: realising it for the surface takes an allocation.
    const WORD rows[8] = {0x0F, 0x1E, 0x3C, 0x78, 0xF0, 0xE1, 0xC3, 0x87};
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = CreatePatternBrush(pattern);
    DeleteObject(pattern);
    SelectObject(canvas.dc(), pen);
    SelectObject(canvas.dc(), brush);
    BOOL result = FALSE;
    const long allocations =
        ForEachAllocationFailure([&] { result = Ellipse(canvas.dc(), 2, 2, 27, 21); },
                                 [&](long failedAt) { EXPECT_FALSE(result) << "allocation " << failedAt; });
    EXPECT_GE(allocations, 1);
    EXPECT_TRUE(Ellipse(canvas.dc(), 2, 2, 27, 21));
    SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
    SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
    DeleteObject(pen);
    DeleteObject(brush);
}

TEST_F(DrawObjects, SystemColoursAndTheirBrushes) {
    EXPECT_EQ(GetSysColor(COLOR_3DHIGHLIGHT), RGB(255, 255, 255));
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), RGB(0, 0, 0));
    EXPECT_EQ(GetSysColor(COLOR_3DFACE), GetSysColor(COLOR_BTNFACE));
    HBRUSH face = GetSysColorBrush(COLOR_3DFACE);
    LOGBRUSH lb{};
    ASSERT_EQ(GetObjectA(face, sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_3DFACE));
    EXPECT_TRUE(DeleteObject(face));  // not really deleted
    EXPECT_EQ(GetObjectType(face), static_cast<DWORD>(OBJ_BRUSH));

    const INT index = COLOR_3DFACE;
    const COLORREF saved = GetSysColor(index), changed = RGB(12, 34, 56);
    ASSERT_TRUE(SetSysColors(1, &index, &changed));
    EXPECT_EQ(GetSysColor(index), changed);
    GetObjectA(GetSysColorBrush(index), sizeof lb, &lb);
    EXPECT_EQ(lb.lbColor, changed);
    ASSERT_TRUE(SetSysColors(1, &index, &saved));
    EXPECT_EQ(GetSysColorBrush(99), nullptr);
}

TEST_F(DrawObjects, FrameRgnReturnValues) {
    DrawCanvas canvas(16, 12);
    HRGN rect = CreateRectRgn(2, 2, 14, 10), empty = CreateRectRgn(0, 0, 0, 0);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    EXPECT_FALSE(FrameRgn(canvas.dc(), empty, black, 1, 1));
    EXPECT_TRUE(FrameRgn(canvas.dc(), rect, black, 0, 1));
    EXPECT_TRUE(FrameRgn(canvas.dc(), rect, black, -1, -1));
    EXPECT_TRUE(FrameRgn(canvas.dc(), rect, black, 1, 1));
    EXPECT_FALSE(FrameRgn(canvas.dc(), rect, nullptr, 1, 1));
    EXPECT_FALSE(FrameRgn(nullptr, rect, black, 1, 1));
    DeleteObject(rect);
    DeleteObject(empty);
}

TEST_F(DrawObjects, RegionPaintersUseTheirRops) {
    DrawCanvas canvas(10, 10);
    HRGN region = CreateRectRgn(2, 2, 6, 6);
    HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
    EXPECT_TRUE(FillRgn(canvas.dc(), region, brush));
    EXPECT_EQ(canvas.Color(2, 2), RGB(0, 255, 0));
    EXPECT_EQ(canvas.Color(6, 6), RGB(255, 255, 255));
    EXPECT_TRUE(InvertRgn(canvas.dc(), region));
    EXPECT_EQ(canvas.Color(5, 5), RGB(255, 0, 255));
    SelectObject(canvas.dc(), brush);
    SetROP2(canvas.dc(), R2_XORPEN);
    EXPECT_TRUE(PaintRgn(canvas.dc(), region));  // magenta ^ green
    EXPECT_EQ(canvas.Color(3, 3), RGB(255, 255, 255));
    SetViewportOrgEx(canvas.dc(), 3, 0, nullptr);  // logical regions move with the origin
    SetROP2(canvas.dc(), R2_COPYPEN);
    EXPECT_TRUE(PaintRgn(canvas.dc(), region));
    EXPECT_EQ(canvas.Color(8, 2), RGB(0, 255, 0));
    EXPECT_EQ(canvas.Color(4, 2), RGB(255, 255, 255));
    SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
    DeleteObject(region);
}

TEST_F(DrawObjects, RectPaintersOnPixels) {
    DrawCanvas canvas(12, 10);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 0));
    const RECT box{2, 2, 9, 7};
    EXPECT_TRUE(FrameRect(canvas.dc(), &box, brush));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 2 && x < 9 && y >= 2 && y < 7;
            const bool ring = inside && (x == 2 || x == 8 || y == 2 || y == 6);
            ASSERT_EQ(canvas.Color(x, y), ring ? RGB(0, 0, 0) : RGB(255, 255, 255)) << x << "," << y;
        }
    EXPECT_TRUE(InvertRect(canvas.dc(), &box));
    EXPECT_EQ(canvas.Color(2, 2), RGB(255, 255, 255));
    EXPECT_EQ(canvas.Color(4, 4), RGB(0, 0, 0));
    DeleteObject(brush);
}

TEST_F(DrawObjects, DrawEdgeAdjustsOnlyWhenAsked) {
    DrawCanvas canvas(20, 20);
    struct Case {
        UINT edge, flags;
        RECT want;
    };
    const Case cases[] = {{EDGE_SUNKEN, BF_RECT, {3, 3, 17, 15}},
                          {EDGE_SUNKEN, BF_RECT | BF_ADJUST, {5, 5, 15, 13}},
                          {BDR_RAISEDOUTER, BF_LEFT | BF_TOP | BF_ADJUST, {4, 4, 17, 15}},
                          {EDGE_RAISED, BF_BOTTOM | BF_ADJUST, {3, 3, 17, 13}}};
    for (const Case &c : cases) {
        RECT box{3, 3, 17, 15};
        EXPECT_TRUE(DrawEdge(canvas.dc(), &box, c.edge, c.flags));
        EXPECT_TRUE(EqualRect(&box, &c.want)) << c.edge << "/" << c.flags;
    }
    // BF_MIDDLE fills what the rings leave with COLOR_3DFACE.
    RECT box{3, 3, 17, 15};
    DrawEdge(canvas.dc(), &box, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    EXPECT_EQ(canvas.Color(10, 10), GetSysColor(COLOR_3DFACE));
    EXPECT_EQ(canvas.Color(3, 3), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(canvas.Color(16, 14), GetSysColor(COLOR_3DDKSHADOW));
}

// ---- rasteriser building blocks -------------------------------------------------

std::set<std::pair<LONG, LONG>> PixelsOf(const RegionData &region) {
    std::set<std::pair<LONG, LONG>> out;
    region.ForEachRect([&](const RECT &r) {
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x) out.insert({x, y});
    });
    return out;
}

TEST(DrawRaster, PenTipsHaveTheBandWidthAndRoundCorners) {
    for (int width = 2; width <= 9; ++width) {
        const RegionData tip = platform::PenTip(width);
        ASSERT_TRUE(tip.Validate());
        const RECT box = tip.Bounds();
        EXPECT_EQ(box.left, -(width / 2)) << width;
        EXPECT_EQ(box.right, (width - 1) / 2 + 1) << width;
        EXPECT_EQ(box.bottom - box.top, width) << width;
        // Square for 2; from 3 on the corner pixels are cut.
        EXPECT_EQ(tip.Contains(box.left, box.top), width == 2) << width;
    }
}

TEST(DrawRaster, PenTipsAreTheEllipticRegionsOfTheirSquare) {
    // Rows from the top, as CreateEllipticRgn gives them for the square.
    const struct {
        int width;
        std::vector<std::string> rows;
    } cases[] = {
        {3, {".#.", "###", ".#."}},
        {4, {".##.", "####", "####", ".##."}},
        {6, {"..##..", ".####.", "######", "######", ".####.", "..##.."}},
        {7, {"..###..", ".#####.", "#######", "#######", "#######", ".#####.", "..###.."}},
    };
    for (const auto &c : cases) {
        const RegionData tip = platform::PenTip(c.width);
        const LONG first = -(c.width / 2);
        for (int y = 0; y < c.width; ++y)
            for (int x = 0; x < c.width; ++x)
                EXPECT_EQ(tip.Contains(first + x, first + y), c.rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '#')
                    << "width " << c.width << " at " << x << "," << y;
    }
}

TEST(DrawRaster, FrameOfRegionMatchesTheNeighbourRule) {
    for (int caseNumber = 0; caseNumber < 150; ++caseNumber) {
        std::mt19937 rng(static_cast<unsigned>(caseNumber));
        std::uniform_int_distribution<int> c(0, 24), stroke(-3, 3);
        RegionData region;
        for (int i = 0; i < 3; ++i) {
            const RECT r{c(rng), c(rng), c(rng) + 2, c(rng) + 2};
            const RegionData piece = i == 1 ? platform::EllipticRegion(r) : RegionData::FromRect(
                RECT{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right), std::max(r.top, r.bottom)});
            region = RegionData::Combine(region, piece, RGN_OR);
        }
        const int w = stroke(rng), h = stroke(rng);
        const auto inside = PixelsOf(region);
        std::set<std::pair<LONG, LONG>> model;
        for (const auto &[x, y] : inside)
            if (!inside.count({x + w, y}) || !inside.count({x - w, y}) || !inside.count({x, y + h}) || !inside.count({x, y - h}))
                model.insert({x, y});
        const RegionData frame = platform::FrameOfRegion(region, w, h);
        ASSERT_TRUE(frame.Validate()) << "case " << caseNumber;
        EXPECT_EQ(PixelsOf(frame), model) << "case " << caseNumber << " w " << w << " h " << h;
    }
}

TEST(DrawRaster, EllipseOutlineIsSymmetricAndInsideItsBox) {
    for (int w = 1; w <= 40; ++w)
        for (int h = 1; h <= 30; h += 3) {
            const RECT box{5, 7, 5 + w, 7 + h};
            const auto outline = PixelsOf(platform::EllipseOutline(box));
            for (const auto &[x, y] : outline) {
                ASSERT_TRUE(x >= box.left && x < box.right && y >= box.top && y < box.bottom) << w << "x" << h;
                ASSERT_TRUE(outline.count({box.left + box.right - 1 - x, y})) << w << "x" << h;
                ASSERT_TRUE(outline.count({x, box.top + box.bottom - 1 - y})) << w << "x" << h;
            }
            if (w >= 2) {
                // The recurrence starts on the middle row at the box's side,
                // so the outline always reaches left and right.
                bool left = false;
                for (const auto &[x, y] : outline) left |= x == box.left && y == box.top + h / 2;
                EXPECT_TRUE(left) << w << "x" << h;
            }
        }
}

}  // namespace
}  // namespace zelt::test
