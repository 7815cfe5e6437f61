// The system's standard cursors and icon, drawn at first use on a 32 x 32
// grid: black strokes with a one-pixel white outline, so they read on any
// background.
#include "user/cursor_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace zelt::platform {
namespace {

constexpr int kSide = 32;
constexpr double kPi = 3.14159265358979323846;
enum : char { kClear = 0, kBlack = 1, kWhite = 2 };

struct Grid {
    char px[kSide][kSide] = {};
    void Set(int x, int y, char v = kBlack) {
        if (x >= 0 && y >= 0 && x < kSide && y < kSide) px[y][x] = v;
    }
    void Line(int x0, int y0, int x1, int y1) {
        const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
        for (int i = 0; i <= steps; ++i)
            Set(x0 + (steps != 0 ? (x1 - x0) * i / steps : 0), y0 + (steps != 0 ? (y1 - y0) * i / steps : 0));
    }
    // A double-headed arrow from (x0, y0) to (x1, y1) with heads of `head`.
    void Arrow(int x0, int y0, int x1, int y1, int head, bool both = true) {
        Line(x0, y0, x1, y1);
        const double length = std::hypot(x1 - x0, y1 - y0), ux = (x1 - x0) / length, uy = (y1 - y0) / length;
        const auto tip = [&](int x, int y, double dx, double dy) {
            for (int s = 1; s <= head; ++s) {
                const int bx = static_cast<int>(std::lround(x + dx * s)), by = static_cast<int>(std::lround(y + dy * s));
                Line(bx - static_cast<int>(std::lround(dy * s)), by + static_cast<int>(std::lround(dx * s)),
                     bx + static_cast<int>(std::lround(dy * s)), by - static_cast<int>(std::lround(dx * s)));
            }
        };
        tip(x1, y1, -ux, -uy);
        if (both) tip(x0, y0, ux, uy);
    }
    // Every clear pixel touching a black one turns white.
    void Outline() {
        char copy[kSide][kSide];
        std::memcpy(copy, px, sizeof copy);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                if (copy[y][x] != kClear) continue;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx >= 0 && ny >= 0 && nx < kSide && ny < kSide && copy[ny][nx] == kBlack) px[y][x] = kWhite;
                    }
            }
    }
    void Art(const char *const *rows, int count) {
        for (int y = 0; y < count; ++y)
            for (int x = 0; rows[y][x] != 0; ++x)
                if (rows[y][x] != ' ') Set(x, y, rows[y][x] == 'B' ? kBlack : kWhite);
    }
};

constexpr const char *kArrow[] = {
    "B",           "BB",          "BWB",         "BWWB",        "BWWWB",       "BWWWWB",      "BWWWWWB",
    "BWWWWWWB",    "BWWWWWWWB",   "BWWWWWWWWB",  "BWWWWWWWWWB", "BWWWWWWBBBBB", "BWWWBWWB",  "BWWB BWWB",
    "BWB  BWWB",   "BB    BWWB",  "B     BWWB",  "       BWWB", "       BWWB", "        BB",
};

constexpr const char *kHand[] = {
    "     BB",          "    BWWB",         "    BWWB",         "    BWWB",         "    BWWB",
    "    BWWBBB",       "    BWWBWWBBB",    "    BWWBWWBWWBB",  " BB BWWBWWBWWBWB", "BWWBBWWWWWWWWBWB",
    "BWWWBWWWWWWWWWWB", " BWWBWWWWWWWWWWB", "  BWWWWWWWWWWWWB", "  BWWWWWWWWWWWB",  "   BWWWWWWWWWWB",
    "   BWWWWWWWWWB",   "    BWWWWWWWWB",   "    BWWWWWWWWB",   "    BBBBBBBBBB",
};

struct Shape {
    ULONG_PTR id;
    POINT hotSpot;
    void (*draw)(Grid &);
};

const Shape kShapes[] = {
    {32512, {0, 0}, [](Grid &g) { g.Art(kArrow, 20); }},                                        // IDC_ARROW
    {32513, {15, 15}, [](Grid &g) { g.Line(15, 6, 15, 24); g.Line(12, 5, 18, 5); g.Line(12, 25, 18, 25); }},  // IBEAM
    {32514, {15, 15}, [](Grid &g) {                                                              // IDC_WAIT
         g.Line(8, 4, 22, 4); g.Line(8, 26, 22, 26);
         for (int y = 5; y <= 25; ++y) {
             const int half = std::abs(y - 15) * 7 / 10;
             g.Set(15 - half, y); g.Set(15 + half, y);
         }
     }},
    {32515, {15, 15}, [](Grid &g) { g.Line(15, 4, 15, 26); g.Line(4, 15, 26, 15); }},           // IDC_CROSS
    {32516, {15, 4}, [](Grid &g) { g.Arrow(15, 26, 15, 4, 5, false); }},                         // IDC_UPARROW
    {32642, {15, 15}, [](Grid &g) { g.Arrow(7, 7, 23, 23, 4); }},                                // IDC_SIZENWSE
    {32643, {15, 15}, [](Grid &g) { g.Arrow(23, 7, 7, 23, 4); }},                                // IDC_SIZENESW
    {32644, {15, 15}, [](Grid &g) { g.Arrow(4, 15, 26, 15, 4); }},                               // IDC_SIZEWE
    {32645, {15, 15}, [](Grid &g) { g.Arrow(15, 4, 15, 26, 4); }},                               // IDC_SIZENS
    {32646, {15, 15}, [](Grid &g) { g.Arrow(4, 15, 26, 15, 4); g.Arrow(15, 4, 15, 26, 4); }},   // IDC_SIZEALL
    {32648, {15, 15}, [](Grid &g) {                                                              // IDC_NO
         for (int a = 0; a < 96; ++a)
             g.Set(15 + static_cast<int>(std::lround(9 * std::cos(a * kPi / 48))),
                   15 + static_cast<int>(std::lround(9 * std::sin(a * kPi / 48))));
         g.Line(9, 9, 21, 21);
     }},
    {32649, {5, 0}, [](Grid &g) { g.Art(kHand, 19); }},                                          // IDC_HAND
};

bool FromGrid(const Grid &grid, POINT hotSpot, CursorImage &image) {
    if (!image.Allocate(kSide, kSide)) return false;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const char v = grid.px[y][x];
            image.Colours()[y * kSide + x] = v == kWhite ? 0xFFFFFF : 0;
            image.andMask.Data()[y * kSide + x] = v == kClear ? 1 : 0;
        }
    image.hotSpot = hotSpot;
    return true;
}

}  // namespace

bool DrawStandardCursor(ULONG_PTR id, CursorImage &image) noexcept {
    for (const Shape &shape : kShapes) {
        if (shape.id != id) continue;
        Grid grid;
        shape.draw(grid);
        grid.Outline();
        return FromGrid(grid, shape.hotSpot, image);
    }
    return false;
}

bool DrawStandardIcon(ULONG_PTR id, CursorImage &image) noexcept {
    if (id < 32512 || id > 32518) return false;  // IDI_APPLICATION .. IDI_SHIELD
    // A framed window: white body, blue title bar, black edge.
    if (!image.Allocate(kSide, kSide)) return false;
    for (int y = 2; y < 30; ++y)
        for (int x = 2; x < 30; ++x) {
            const bool edge = x == 2 || y == 2 || x == 29 || y == 29;
            image.Colours()[y * kSide + x] = 0xFF000000u | (edge ? 0 : y < 8 ? 0x0000A0u : 0xFFFFFFu);
            image.andMask.Data()[y * kSide + x] = 0;
        }
    image.hasAlpha = true;
    image.hotSpot = POINT{kSide / 2, kSide / 2};
    return true;
}

}  // namespace zelt::platform
