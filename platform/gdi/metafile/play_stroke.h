// Stroking the figures of playback. Straight figures under a pen with
// round ends and joins go to the device polyline call and come out as the
// drawing calls draw them. Curved figures, and pens with flat or square
// ends or mitred or bevelled joins, are outlined in floating point instead:
// a quadrilateral per piece, then the joins and ends as polygons, their
// union painted (the whole-pixel pieces of the polyline rasteriser show as
// lumps along a finely flattened curve).
#pragma once

#include "gdi/draw_paint.h"
#include "gdi/metafile/play_geometry.h"

namespace zelt::platform {

// The end and join bits of an extended pen's style.
struct StrokeStyle {
    static constexpr DWORD kEndSquare = 0x100, kEndFlat = 0x200, kEndMask = 0xF00;
    static constexpr DWORD kJoinBevel = 0x1000, kJoinMiter = 0x2000, kJoinMask = 0xF000;
    DWORD bits = 0;  // round ends and joins
    double miterLimit = 10;

    bool Round() const noexcept { return (bits & (kEndMask | kJoinMask)) == 0; }
};

// Strokes figure `index` of `figures` with the pen; `scratch` is reused
// storage. False when memory runs out.
bool StrokeFigure(DcObject &dc, const FigureSet &figures, std::size_t index, const DevicePen &pen,
                  const StrokeStyle &style, FigurePoints &scratch) noexcept;

// The dashes of figure `index` as open figures of `out` (emptied first):
// `pattern` holds `count` lengths in device pixels, drawn and skipped in
// turn, starting again at every figure. False when memory runs out; a
// pattern too fine for the figure's length (or empty) gives the whole
// figure.
bool DashFigure(const FigureSet &figures, std::size_t index, const double *pattern, int count,
                FigureSet &out) noexcept;

}  // namespace zelt::platform
