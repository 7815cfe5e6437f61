// System colours, the region and rectangle painters, DrawEdge, and pens
// and drawing under allocation failures.
#include <functional>

#include <gtest/gtest.h>

#include "support/leak_guard.h"
#include "support/surface_model.h"

namespace zelt::test {
namespace {


class DrawObjects : public LeakCheckedTest {};

TEST_F(DrawObjects, SystemColoursAndTheirBrushes) {
    EXPECT_TRUE(GetSysColor(COLOR_3DHIGHLIGHT) == RGB(255, 255, 255) && GetSysColor(COLOR_WINDOWTEXT) == 0);
    EXPECT_EQ(GetSysColor(COLOR_3DFACE), GetSysColor(COLOR_BTNFACE));
    HBRUSH face = GetSysColorBrush(COLOR_3DFACE);
    LOGBRUSH lb{};
    ASSERT_EQ(GetObjectA(face, sizeof lb, &lb), int(sizeof lb));
    EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_3DFACE));
    EXPECT_TRUE(DeleteObject(face) && GetObjectType(face) == OBJ_BRUSH) << "not really deleted";
    const INT index = COLOR_3DFACE;
    const COLORREF saved = GetSysColor(index), changed = RGB(12, 34, 56);
    ASSERT_TRUE(SetSysColors(1, &index, &changed));
    GetObjectA(GetSysColorBrush(index), sizeof lb, &lb);
    EXPECT_TRUE(GetSysColor(index) == changed && lb.lbColor == changed);
    ASSERT_TRUE(SetSysColors(1, &index, &saved));
    EXPECT_EQ(GetSysColorBrush(99), nullptr);
}

TEST_F(DrawObjects, PaintersAndTheirReturnValues) {
    ModelDc canvas(White(16, 12));
    const HDC dc = canvas.dc();
    HRGN region = CreateRectRgn(2, 2, 6, 6), empty = CreateRectRgn(0, 0, 0, 0);
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0)), black = HBRUSH(GetStockObject(BLACK_BRUSH));
    const auto at = [&](int x, int y) { return canvas.Read().At(x, y) & 0xFFFFFF; };
    EXPECT_TRUE(FillRgn(dc, region, green) && at(2, 2) == 0x00FF00u);
    EXPECT_TRUE(InvertRgn(dc, region) && at(5, 5) == 0xFF00FFu);
    SelectObject(dc, green), SetROP2(dc, R2_XORPEN);
    EXPECT_TRUE(PaintRgn(dc, region) && at(3, 3) == 0xFFFFFFu) << "magenta ^ green";
    SetViewportOrgEx(dc, 3, 0, nullptr), SetROP2(dc, R2_COPYPEN);  // logical regions move with the origin
    EXPECT_TRUE(PaintRgn(dc, region));
    EXPECT_TRUE(at(8, 2) == 0x00FF00u && at(4, 2) == 0xFFFFFFu);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    EXPECT_TRUE(FrameRgn(dc, region, black, 0, 1) && FrameRgn(dc, region, black, -1, -1));
    EXPECT_FALSE(FrameRgn(dc, empty, black, 1, 1) || FrameRgn(dc, region, nullptr, 1, 1) || FrameRgn(nullptr, region, black, 1, 1));

    canvas.Write(White(16, 12));
    const RECT box{2, 2, 9, 7};
    EXPECT_TRUE(FrameRect(dc, &box, black));
    SurfaceModel want = White(16, 12);
    for (int y = 2; y < 7; ++y)
        for (int x = 2; x < 9; ++x)
            if (x == 2 || x == 8 || y == 2 || y == 6) want.At(x, y) = 0;
    EXPECT_EQ(canvas.Read().pixels, want.pixels);
    EXPECT_TRUE(InvertRect(dc, &box));
    EXPECT_TRUE(at(2, 2) == 0xFFFFFFu && at(4, 4) == 0);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    for (HGDIOBJ o : {HGDIOBJ(region), HGDIOBJ(empty), HGDIOBJ(green)}) DeleteObject(o);
}

TEST_F(DrawObjects, DrawEdgeAdjustsOnlyWhenAsked) {
    ModelDc canvas(White(20, 20));
    const struct {
        UINT edge, flags;
        RECT want;
    } cases[] = {{EDGE_SUNKEN, BF_RECT, {3, 3, 17, 15}},
                 {EDGE_SUNKEN, BF_RECT | BF_ADJUST, {5, 5, 15, 13}},
                 {BDR_RAISEDOUTER, BF_LEFT | BF_TOP | BF_ADJUST, {4, 4, 17, 15}},
                 {EDGE_RAISED, BF_BOTTOM | BF_ADJUST, {3, 3, 17, 13}}};
    for (const auto &c : cases) {
        RECT box{3, 3, 17, 15};
        EXPECT_TRUE(DrawEdge(canvas.dc(), &box, c.edge, c.flags));
        EXPECT_TRUE(EqualRect(&box, &c.want)) << c.edge << "/" << c.flags;
    }
    RECT box{3, 3, 17, 15};
    DrawEdge(canvas.dc(), &box, EDGE_RAISED, BF_RECT | BF_MIDDLE);  // the middle takes COLOR_3DFACE
    const SurfaceModel now = canvas.Read();
    EXPECT_TRUE(now.ColourOf(now.At(10, 10)) == GetSysColor(COLOR_3DFACE) && now.ColourOf(now.At(3, 3)) == GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(now.ColourOf(now.At(16, 14)), GetSysColor(COLOR_3DDKSHADOW));
}

TEST_F(DrawObjects, CreatingAndDrawingFailCleanlyAtEveryAllocation) {
    HPEN made = nullptr;
    EXPECT_GE(ForEachAllocationFailure([&] { made = CreatePen(PS_SOLID, 2, RGB(1, 2, 3)), DeleteObject(made); },
                  [&](long failedAt) {
                      EXPECT_EQ(made, nullptr) << "allocation " << failedAt;
                      EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
                  }),
              1);
    ModelDc canvas(White(30, 30));
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(0, 0, 0));
    const WORD rows[8] = {0x0F, 0x1E, 0x3C, 0x78, 0xF0, 0xE1, 0xC3, 0x87};
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = CreatePatternBrush(pattern);  // realising it for the surface allocates
    DeleteObject(pattern);
    SelectObject(canvas.dc(), pen), SelectObject(canvas.dc(), brush);
    const POINT star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
    const std::function<BOOL()> draws[] = {[&] { return Ellipse(canvas.dc(), 2, 2, 27, 21); },
                                           [&] { return RoundRect(canvas.dc(), 1, 1, 28, 25, 9, 7); },
                                           [&] { return Polygon(canvas.dc(), star, 5); },
                                           [&] { return Polyline(canvas.dc(), star, 5); }};
    // A failed drawing returns FALSE and leaves every pixel as it was, the
    // fill included when only the outline could not be made.
    long allocations = 0;
    const SurfaceModel before = canvas.Read();
    for (const auto &draw : draws) {
        BOOL result = FALSE;
        allocations += ForEachAllocationFailure([&] { canvas.Write(before), result = draw(); },
                                                [&](long failedAt) {
                                                    EXPECT_FALSE(result) << "allocation " << failedAt;
                                                    EXPECT_TRUE(canvas.Read().pixels == before.pixels)
                                                        << "pixels changed, allocation " << failedAt;
                                                });
        EXPECT_TRUE(draw());
    }
    EXPECT_GE(allocations, 3);
    SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
    SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
    DeleteObject(pen);
    DeleteObject(brush);
}

}  // namespace
}  // namespace zelt::test
