#include "gdi/draw_raster.h"

#include <algorithm>

#include "gdi/region_shapes.h"

namespace zelt::platform {

RegionData SpanCollector::Finish() {
    std::sort(spans_.begin(), spans_.end(), [](const RowSpan &a, const RowSpan &b) {
        return a.y != b.y ? a.y < b.y : a.x0 < b.x0;
    });
    RegionBuilder builder;
    std::size_t i = 0;
    while (i < spans_.size()) {
        const LONG y = spans_[i].y;
        builder.BeginBand(y, y + 1);
        // The builder merges spans that touch or overlap once sorted by x0.
        for (; i < spans_.size() && spans_[i].y == y; ++i) builder.AddSpan(spans_[i].x0, spans_[i].x1);
        builder.EndBand();
    }
    spans_.clear();
    return builder.Finish();
}

void AddCosmeticLine(POINT from, POINT to, SpanCollector &out) {
    ForEachLinePixel(from, to, [&out](LONG x, LONG y) { out.AddPixel(x, y); });
}

RegionData PenTip(int width) {
    const LONG before = width / 2, after = (width - 1) / 2;
    // The elliptic region never holds the last column and row of its box.
    return EllipticRegion(RECT{-before, -before, after + 2, after + 2});
}

RegionData StrokeWithTip(const RegionData &path, const RegionData &tip) {
    // Each row of the tip is one span, so a path span [x0, x1) under tip row
    // (dy, [a, b)) covers exactly [x0 + a, x1 - 1 + b) on row y + dy.
    SpanCollector out;
    out.Reserve(path.RectCount() * static_cast<std::size_t>(tip.Bounds().bottom - tip.Bounds().top));
    path.ForEachRect([&](const RECT &p) {
        tip.ForEachRect([&](const RECT &t) {
            for (LONG y = p.top; y < p.bottom; ++y)
                for (LONG dy = t.top; dy < t.bottom; ++dy) out.AddSpan(y + dy, p.left + t.left, p.right - 1 + t.right);
        });
    });
    return out.Finish();
}

RectangleParts RectangleShape(const RECT &box, int penWidth) {
    const LONG l = box.left, t = box.top, r = box.right, b = box.bottom;
    RectangleParts parts;
    if (penWidth <= 0) {
        // Without a pen the brush stops one pixel short each way.
        parts.interior = RECT{l, t, r - 1, b - 1};
        return parts;
    }
    SpanCollector out;
    if (penWidth == 1) {
        // The four sides as cosmetic lines, each end excluded and covered
        // by the next side.
        const POINT corners[5] = {{r - 1, b - 1}, {l, b - 1}, {l, t}, {r - 1, t}, {r - 1, b - 1}};
        for (int i = 0; i < 4; ++i) AddCosmeticLine(corners[i], corners[i + 1], out);
        parts.outline = out.Finish();
        parts.interior = RECT{l + 1, t + 1, r - 1, b - 1};
        return parts;
    }
    // Bands centred on the cosmetic outline; from width 3 on the round join
    // leaves out the outermost pixel of each corner.
    const LONG before = penWidth / 2, after = (penWidth - 1) / 2;
    const RECT outer{l - before, t - before, r + after, b + after};
    const RECT inner{l + after + 1, t + after + 1, r - 1 - before, b - 1 - before};
    const bool roundCorners = penWidth >= 3;
    for (LONG y = outer.top; y < outer.bottom; ++y) {
        const bool cornerRow = roundCorners && (y == outer.top || y == outer.bottom - 1);
        const LONG x0 = outer.left + (cornerRow ? 1 : 0), x1 = outer.right - (cornerRow ? 1 : 0);
        if (y >= inner.top && y < inner.bottom && inner.left < inner.right) {
            out.AddSpan(y, x0, inner.left);
            out.AddSpan(y, inner.right, x1);
        } else {
            out.AddSpan(y, x0, x1);
        }
    }
    parts.outline = out.Finish();
    parts.interior = inner;
    return parts;
}

RegionData EllipseOutline(const RECT &box) {
    const LONG width = box.right - box.left, height = box.bottom - box.top;
    if (width <= 0 || height <= 0) return RegionData();
    if (width <= 2 || height <= 2) return RectangleShape(box, 1).outline;
    SpanCollector out;
    out.Reserve(static_cast<std::size_t>(2 * (width + height)));
    EllipseQuadrant(width, height, [&](long long qx, long long qy) {
        const LONG x = static_cast<LONG>(qx), y = static_cast<LONG>(qy);
        out.AddPixel(box.left + x, box.top + y);
        out.AddPixel(box.left + width - 1 - x, box.top + y);
        out.AddPixel(box.left + x, box.top + height - 1 - y);
        out.AddPixel(box.left + width - 1 - x, box.top + height - 1 - y);
    });
    return out.Finish();
}

RegionData Shifted(RegionData region, int dx, int dy) {
    region.Offset(dx, dy);
    return region;
}

RegionData FrameOfRegion(const RegionData &region, int w, int h) {
    w = w < 0 ? -w : w;
    h = h < 0 ? -h : h;
    // The pixels whose four probes all stay inside are the core; the frame
    // is the rest.
    RegionData core = RegionData::Combine(region, Shifted(region, w, 0), RGN_AND);
    core = RegionData::Combine(core, Shifted(region, -w, 0), RGN_AND);
    core = RegionData::Combine(core, Shifted(region, 0, h), RGN_AND);
    core = RegionData::Combine(core, Shifted(region, 0, -h), RGN_AND);
    return RegionData::Combine(region, core, RGN_DIFF);
}

}  // namespace zelt::platform
