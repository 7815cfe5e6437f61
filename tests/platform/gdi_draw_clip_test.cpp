// Clipping: every shape drawn through a clip region equals the same shape
// drawn unclipped, intersected with the clip (seeded random shapes, pens,
// clips and viewport origins); drawing is also held to the surface.
#include <random>

#include "platform/gdi_draw_canvas.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

constexpr COLORREF kBackground = RGB(255, 255, 255);

struct ShapeCase {
    int kind;  // 0 Rectangle, 1 Ellipse, 2 RoundRect, 3 LineTo, 4 Polygon, 5 FrameRgn, 6 DrawEdge
    int coords[6];
    int penWidth;
    bool nullPen;
    POINT viewport;
};

ShapeCase MakeCase(int caseNumber) {
    std::mt19937 rng(static_cast<unsigned>(caseNumber));
    // Coordinates run past the 40 x 30 surface to exercise its edges too.
    std::uniform_int_distribution<int> x(-6, 46), y(-6, 36), width(1, 5), shift(-4, 4);
    ShapeCase c{};
    c.kind = caseNumber % 7;
    for (int i = 0; i < 6; i += 2) c.coords[i] = x(rng), c.coords[i + 1] = y(rng);
    c.penWidth = width(rng);
    c.nullPen = rng() % 5 == 0;
    c.viewport = POINT{shift(rng), shift(rng)};
    return c;
}

void Draw(HDC dc, const ShapeCase &c, HBRUSH brush) {
    SetViewportOrgEx(dc, c.viewport.x, c.viewport.y, nullptr);
    const int *k = c.coords;
    switch (c.kind) {
        case 0: Rectangle(dc, k[0], k[1], k[2], k[3]); break;
        case 1: Ellipse(dc, k[0], k[1], k[2], k[3]); break;
        case 2: RoundRect(dc, k[0], k[1], k[2], k[3], k[4] & 15, k[5] & 15); break;
        case 3:
            MoveToEx(dc, k[0], k[1], nullptr);
            LineTo(dc, k[2], k[3]);
            break;
        case 4: {
            const POINT points[3] = {{k[0], k[1]}, {k[2], k[3]}, {k[4], k[5]}};
            Polygon(dc, points, 3);
            break;
        }
        case 5: {
            HRGN region = CreateEllipticRgn(k[0], k[1], k[2], k[3]);
            FrameRgn(dc, region, brush, c.penWidth, 6 - c.penWidth);
            DeleteObject(region);
            break;
        }
        default: {
            RECT box{k[0], k[1], k[2], k[3]};
            DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
            break;
        }
    }
    SetViewportOrgEx(dc, 0, 0, nullptr);
}

HRGN MakeClip(int caseNumber) {
    std::mt19937 rng(static_cast<unsigned>(caseNumber) ^ 0x5EEDu);
    std::uniform_int_distribution<int> x(-4, 44), y(-4, 34);
    HRGN clip = CreateRectRgn(0, 0, 0, 0);
    const int pieces = 1 + static_cast<int>(rng() % 3);
    for (int i = 0; i < pieces; ++i) {
        HRGN piece = i % 2 ? CreateEllipticRgn(x(rng), y(rng), x(rng), y(rng)) : CreateRectRgn(x(rng), y(rng), x(rng), y(rng));
        CombineRgn(clip, clip, piece, i == 2 ? RGN_XOR : RGN_OR);
        DeleteObject(piece);
    }
    return clip;
}

class DrawClip : public LeakCheckedTest {};

TEST_F(DrawClip, ClippedShapeIsTheShapeIntersectedWithTheClip) {
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    for (int caseNumber = 0; caseNumber < 500; ++caseNumber) {
        const ShapeCase c = MakeCase(caseNumber);
        HPEN pen = c.nullPen ? static_cast<HPEN>(GetStockObject(NULL_PEN)) : CreatePen(PS_SOLID, c.penWidth, RGB(255, 0, 0));
        DrawCanvas free(40, 30), clipped(40, 30);
        for (DrawCanvas *canvas : {&free, &clipped}) {
            SelectObject(canvas->dc(), pen);
            SelectObject(canvas->dc(), brush);
        }
        HRGN clip = MakeClip(caseNumber);
        ASSERT_NE(SelectClipRgn(clipped.dc(), clip), ERROR) << "case " << caseNumber;
        Draw(free.dc(), c, brush);
        Draw(clipped.dc(), c, brush);
        int wrong = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const COLORREF want = PtInRegion(clip, x, y) ? free.Color(x, y) : kBackground;
                wrong += clipped.Color(x, y) != want;
            }
        EXPECT_EQ(wrong, 0) << "case " << caseNumber << " shape kind " << c.kind << " pen " << c.penWidth;
        for (DrawCanvas *canvas : {&free, &clipped}) {
            SelectObject(canvas->dc(), GetStockObject(BLACK_PEN));
            SelectObject(canvas->dc(), GetStockObject(WHITE_BRUSH));
        }
        DeleteObject(clip);
        DeleteObject(pen);
    }
    DeleteObject(brush);
}

TEST_F(DrawClip, EmptyClipDrawsNothingAndShapesReturnTrue) {
    DrawCanvas canvas(20, 20);
    HRGN empty = CreateRectRgn(0, 0, 0, 0);
    SelectClipRgn(canvas.dc(), empty);
    DeleteObject(empty);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 0));
    SelectObject(canvas.dc(), brush);
    EXPECT_TRUE(Rectangle(canvas.dc(), 1, 1, 18, 18));
    EXPECT_TRUE(Ellipse(canvas.dc(), 1, 1, 18, 18));
    EXPECT_TRUE(MoveToEx(canvas.dc(), 0, 0, nullptr) && LineTo(canvas.dc(), 19, 19));
    RECT box{2, 2, 10, 10};
    EXPECT_TRUE(FillRect(canvas.dc(), &box, brush));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(canvas.Color(x, y), kBackground) << x << "," << y;
    SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
}

}  // namespace
}  // namespace zelt::test
