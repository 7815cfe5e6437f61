// A model of what the magnifying glass shows, written from its rules: the
// glass rectangle at a cursor position, the bitmap area under it and where
// that lands enlarged, the background for unselected pixels, and the
// crosshair strokes (counted per pixel, so that an inverting stroke drawn
// twice cancels out).
#pragma once

#include <functional>
#include <optional>

#include "support/paint_reference.h"
#include "zelt/win32.h"

namespace zelt::test {

struct GlassSettings {
    int glassWidth = 0, glassHeight = 0, zoom = 100;
    RECT dest{};              // where the window shows the bitmap (client coordinates)
    int bitmapWidth = 0, bitmapHeight = 0;
    bool center = false;
    int crosshair = 0;        // 0..3
    DWORD pen = 0, back = 0;  // 0xRRGGBB
};

struct GlassPlacement {
    RECT glass;      // client coordinates
    RECT source;     // bitmap coordinates
    RECT magnified;  // glass-local coordinates, aligned
};

inline int ModelRound(float value) { return static_cast<int>(value + 0.5f); }

inline GlassPlacement PlaceGlass(const GlassSettings &s, int x, int y) {
    GlassPlacement p{};
    const int halfW = s.glassWidth / 2, halfH = s.glassHeight / 2;
    p.glass = {x - halfW, y - halfH, x - halfW + s.glassWidth, y - halfH + s.glassHeight};
    const float scale = static_cast<float>(s.dest.right - s.dest.left) / static_cast<float>(s.bitmapWidth);
    p.source.left = ModelRound(static_cast<float>(p.glass.left - s.dest.left) / scale);
    p.source.top = ModelRound(static_cast<float>(p.glass.top - s.dest.top) / scale);
    p.source.right = p.source.left + ModelRound(static_cast<float>(s.glassWidth) / scale);
    p.source.bottom = p.source.top + ModelRound(static_cast<float>(s.glassHeight) / scale);
    // Enlarged exactly zoom / 100 times, centred on the cursor.
    const float z = static_cast<float>(s.zoom) / 100.0f;
    const float spanX = (static_cast<float>(halfW) + 0.5f) * z, spanY = (static_cast<float>(halfH) + 0.5f) * z;
    RECT m{static_cast<int>(static_cast<float>(x) - spanX), static_cast<int>(static_cast<float>(y) - spanY),
           static_cast<int>(static_cast<float>(x) + spanX), static_cast<int>(static_cast<float>(y) + spanY)};
    auto shift = [&](int sourceExtent, int magnifiedExtent) {
        const int pixel = sourceExtent > 0 ? magnifiedExtent / sourceExtent : 0;
        const bool even = sourceExtent % 2 == 0;
        return (even && s.center) || (!even && !s.center) ? pixel / 2 : 0;
    };
    const int dx = shift(p.source.right - p.source.left, m.right - m.left);
    const int dy = shift(p.source.bottom - p.source.top, m.bottom - m.top);
    p.magnified = {m.left - p.glass.left - dx, m.top - p.glass.top - dy, m.right - p.glass.left - dx,
                   m.bottom - p.glass.top - dy};
    return p;
}

// Strokes of the crosshair over glass-local pixel (u, v): whether a plain
// line covers it, and how many flanking lines do.
struct CrosshairHits {
    bool plain = false;
    int flanks = 0;
};

inline CrosshairHits CrosshairAt(const GlassSettings &s, int u, int v) {
    CrosshairHits hits;
    if (s.crosshair < 1 || s.crosshair > 3) return hits;
    const int w = s.glassWidth, h = s.glassHeight, cx = w / 2, cy = h / 2;
    hits.plain = u == cx || v == cy;
    if (s.crosshair == 1) return hits;
    auto on = [&](int x0, int y0, int x1, int y1) {  // horizontal or vertical, end excluded
        if (x0 == x1) return u == x0 && v >= y0 && v < y1;
        return v == y0 && u >= x0 && u < x1;
    };
    const int segments[8][4] = {{cx - 1, 0, cx - 1, cy},     {cx + 1, 0, cx + 1, cy},
                                {cx - 1, cy + 1, cx - 1, h}, {cx + 1, cy + 1, cx + 1, h},
                                {0, cy - 1, cx, cy - 1},     {0, cy + 1, cx, cy + 1},
                                {cx + 1, cy - 1, w, cy - 1}, {cx + 1, cy + 1, w, cy + 1}};
    for (const auto &g : segments) hits.flanks += on(g[0], g[1], g[2], g[3]) ? 1 : 0;
    return hits;
}

// The colour of glass-local pixel (u, v) without an outline: the enlarged
// bitmap pixel when it is selected, else the background; then the
// crosshair. `pixel` gives a stored pixel's colour, `selected` whether the
// glass shows it.
inline DWORD GlassPixel(const GlassSettings &s, const GlassPlacement &p, int u, int v,
                        const std::function<DWORD(int, int)> &pixel,
                        const std::function<bool(int, int)> &selected) {
    PaintRequest request;
    request.width = s.bitmapWidth;
    request.height = s.bitmapHeight;
    request.source = p.source;
    request.sourceClip = {0, 0, s.bitmapWidth, s.bitmapHeight};
    request.destination = p.magnified;
    request.destinationClip = {0, 0, s.glassWidth, s.glassHeight};
    const std::optional<StoredPixel> from = ReferenceSourcePixel(request, u, v);
    DWORD colour = from && selected(from->column, from->row) ? pixel(from->column, from->row) : s.back;
    const CrosshairHits hits = CrosshairAt(s, u, v);
    if (hits.plain) colour = s.pen;
    if (hits.flanks % 2 == 1 && s.crosshair == 3) colour = ~colour & 0xFFFFFF;
    if (hits.flanks > 0 && s.crosshair == 2) colour = ~s.pen & 0xFFFFFF;
    return colour;
}

}  // namespace zelt::test
