// Rasterising shapes into regions: the rounded-rectangle corner recurrence
// (which also gives ellipses) and a scanline polygon filler.
#include "gdi/region_shapes.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace zelt::platform {

namespace {

using Span = RegionData::Span;

// Above this corner size the recurrence's terms (about 4·a³) leave 64 bits.
constexpr std::int64_t kLargeCorner = std::int64_t{1} << 20;

// Spans of the rows of the lower half of a corner ellipse ew x eh, indexed
// by ellipse row; the rows from eh/2 down are stepped by the midpoint
// recurrence with insets x from the rectangle's sides. Rows the recurrence
// never reaches (very thin ellipses) keep the tip span.
template <class Int>
void StepCornerRows(LONG left, LONG right, Int ew, Int eh, std::vector<Span> &span) {
    const Int a = ew - 1;
    const Int c = eh - 1;
    const Int stepX = 8 * c * c;
    const Int stepY = 8 * a * a;
    Int dx = 4 * c * c * (1 - a);
    Int dy = 4 * a * a * (1 + c % 2);
    Int err = dx + dy + a * a * (c % 2);
    Int x = 0;
    Int y = eh / 2;
    span[static_cast<std::size_t>(y)] = {left, right};
    while (x <= ew / 2) {
        const Int e2 = 2 * err;
        if (e2 >= dx) {
            x += 1;
            dx += stepX;
            err += dx;
        }
        if (e2 <= dy) {
            y += 1;
            dy += stepY;
            err += dy;
            if (y >= eh) break;
            span[static_cast<std::size_t>(y)] = {static_cast<LONG>(left + x), static_cast<LONG>(right - x)};
        }
    }
}

void AddRow(RegionBuilder &out, LONG top, LONG bottom, const Span &span) {
    out.BeginBand(top, bottom);
    out.AddSpan(span.x0, span.x1);
    out.EndBand();
}

struct Edge {
    LONG x1, y1, x2, y2;  // y1 < y2
    int direction;        // +1 downward along the point order, -1 upward
};

// An edge crossing the current row. The crossing's exact abscissa is
// x1 + (y - y1)·dx/dy; it is kept as x1 + whole + fraction/dy with
// 0 <= fraction < dy and stepped one row at a time without dividing.
struct ActiveEdge {
    std::int64_t base;      // x1 + whole
    std::int64_t fraction;  // numerator of the fractional part
    std::int64_t stepWhole, stepFraction, dy;
    LONG lastRow;  // y2: the edge is active on rows below it
    int direction;
    LONG x;  // crossing rounded up: a pixel whose point is on the edge is inside

    explicit ActiveEdge(const Edge &edge)
        : base(edge.x1), fraction(0), dy(std::int64_t{edge.y2} - edge.y1), lastRow(edge.y2),
          direction(edge.direction), x(edge.x1) {
        const std::int64_t dx = std::int64_t{edge.x2} - edge.x1;
        stepWhole = dx / dy;
        stepFraction = dx % dy;
        if (stepFraction < 0) {  // floor division
            stepWhole -= 1;
            stepFraction += dy;
        }
    }
    void NextRow() {
        base += stepWhole;
        fraction += stepFraction;
        if (fraction >= dy) {
            fraction -= dy;
            base += 1;
        }
        x = static_cast<LONG>(base + (fraction > 0 ? 1 : 0));
    }
};

// The active edges stay ordered by crossing from row to row but for a few
// swaps, so insertion sort is linear in practice.
void SortByCrossing(std::vector<ActiveEdge> &active) {
    for (std::size_t i = 1; i < active.size(); ++i) {
        if (!(active[i].x < active[i - 1].x)) continue;
        ActiveEdge moving = active[i];
        std::size_t j = i;
        for (; j > 0 && moving.x < active[j - 1].x; --j) active[j] = active[j - 1];
        active[j] = moving;
    }
}

}  // namespace

RegionData RoundRectRegion(const RECT &box, int cornerWidth, int cornerHeight) {
    const LONG left = std::min(box.left, box.right);
    const LONG top = std::min(box.top, box.bottom);
    const LONG right = std::max(box.left, box.right);
    const LONG bottom = std::max(box.top, box.bottom);
    // The last column and row of the rectangle are never part of the shape.
    if (left == right || top == bottom) return RegionData();
    const LONG lastX = right - 1;
    const LONG lastY = bottom - 1;
    const std::int64_t ew = std::min<std::int64_t>(std::int64_t{lastX} - left, std::llabs(static_cast<long long>(cornerWidth)));
    const std::int64_t eh = std::min<std::int64_t>(std::int64_t{lastY} - top, std::llabs(static_cast<long long>(cornerHeight)));
    if (ew < 2 || eh < 2) return RegionData::FromRect({left, top, lastX, lastY});

    const LONG tipInset = static_cast<LONG>((ew - 1) / 2);
    std::vector<Span> span(static_cast<std::size_t>(eh), Span{left + tipInset, lastX - tipInset});
    if (ew > kLargeCorner || eh > kLargeCorner)
        StepCornerRows<__int128>(left, lastX, ew, eh, span);
    else
        StepCornerRows<std::int64_t>(left, lastX, ew, eh, span);

    const LONG half = static_cast<LONG>(eh / 2);
    const LONG corner = static_cast<LONG>(eh);
    const LONG c = corner - 1;
    RegionBuilder out;
    for (LONG i = 0; i < half; ++i) AddRow(out, top + i, top + i + 1, span[static_cast<std::size_t>(c - i)]);
    // The straight middle runs up to and including the first lower corner row.
    AddRow(out, top + half, lastY - corner + half + 1, span[static_cast<std::size_t>(half)]);
    for (LONG i = half + 1; i < corner; ++i)
        AddRow(out, lastY - corner + i, lastY - corner + i + 1, span[static_cast<std::size_t>(i)]);
    return out.Finish();
}

RegionData EllipticRegion(const RECT &box) {
    return RoundRectRegion(box, box.right - box.left, box.bottom - box.top);
}

RegionData PolygonRegion(const POINT *points, const INT *counts, int polygonCount, int fillMode) {
    std::vector<Edge> edges;
    const POINT *polygon = points;
    for (int p = 0; p < polygonCount; ++p) {
        const int n = counts[p];
        for (int i = 0; i < n; ++i) {
            const POINT &from = polygon[i == 0 ? n - 1 : i - 1];
            const POINT &to = polygon[i];
            if (from.y == to.y) continue;  // horizontal edges cross no row
            if (from.y < to.y)
                edges.push_back({from.x, from.y, to.x, to.y, +1});
            else
                edges.push_back({to.x, to.y, from.x, from.y, -1});
        }
        polygon += n;
    }
    RegionBuilder out;
    if (edges.empty()) return out.Finish();
    std::sort(edges.begin(), edges.end(), [](const Edge &a, const Edge &b) { return a.y1 < b.y1; });
    LONG lastRow = edges.front().y2;
    for (const Edge &edge : edges) lastRow = std::max(lastRow, edge.y2);

    const bool winding = fillMode == WINDING;
    std::vector<ActiveEdge> active;
    active.reserve(edges.size());
    std::size_t nextEdge = 0;
    for (LONG y = edges.front().y1; y < lastRow; ++y) {
        if (active.empty()) {  // skip the gap before the next piece
            if (nextEdge == edges.size()) break;
            y = edges[nextEdge].y1;
        }
        while (nextEdge < edges.size() && edges[nextEdge].y1 == y) active.emplace_back(edges[nextEdge++]);
        SortByCrossing(active);
        out.BeginBand(y, y + 1);
        if (winding) {
            int number = 0;
            LONG start = 0;
            for (const ActiveEdge &edge : active) {
                const int next = number + edge.direction;
                if (number == 0 && next != 0) start = edge.x;
                if (number != 0 && next == 0) out.AddSpan(start, edge.x);
                number = next;
            }
        } else {
            for (std::size_t i = 0; i + 1 < active.size(); i += 2) out.AddSpan(active[i].x, active[i + 1].x);
        }
        out.EndBand();
        // An edge is active on rows y1 <= y < y2.
        std::erase_if(active, [y](const ActiveEdge &edge) { return edge.lastRow <= y + 1; });
        for (ActiveEdge &edge : active) edge.NextRow();
    }
    return out.Finish();
}

}  // namespace zelt::platform
