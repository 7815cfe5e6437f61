// Shared pieces of the paint paths for 1-bit grayscale images (gray
// unscaled, reduced and scaled, bitonal): the cell grid along each stored
// axis, the source row read as runs and spread over the cells, and the band
// loop that fills destination lines in stored order, turns each band for
// the view perspective and sends it at 1:1.
//
// Band line j is one destination row (angles 0, 180) or column (90, 270);
// band pixel i walks the stored columns upwards. A line or pixel is known
// by its anchor distance t (paint_geometry.h); its cell on a stored axis is
// the stored positions whose displayed position p satisfies floor(t srcN /
// dstN) <= p < floor((t + 1) srcN / dstN). Positions past the image edge
// are held at the edge pixel.
#pragma once

#include <cstdint>

#include "paint/band.h"
#include "paint/paint_geometry.h"

namespace paint_gray {

using paint_band::Block;
using paint_geometry::AxisMap;
using paint_geometry::PaintGeometry;

template <typename T>
T *As(const Block &block) {
    return reinterpret_cast<T *>(block.get());
}

// Stored positions [lo, hi) along one axis.
struct Cell {
    std::int64_t lo = 0;
    std::int64_t hi = 0;
    std::int64_t Size() const { return hi - lo; }
    bool operator==(const Cell &) const = default;
};

// The grid cell of destination line t; empty on an enlarging axis when no
// displayed position starts inside t.
Cell CellAt(const AxisMap &map, std::int64_t t);
// The grid cell, or on an enlarging axis the one pixel at t's proportional
// position.
Cell SampleCell(const AxisMap &map, std::int64_t t);
// Offset of t's exact position past its pixel, in 1/den: (t num) mod den.
inline std::int64_t Fraction(const AxisMap &map, std::int64_t t) {
    return paint_geometry::FloorMod(t * map.num, map.den);
}

// How the lines of the visible area make up bands.
struct Layout {
    paint_band::TurnGeometry turn{};
    int width = 0;  // pixels per band line
    int lines = 0;  // lines in all
    std::int64_t pixelT0 = 0;
    int pixelDir = 1;

    std::int64_t PixelT(int i) const { return pixelT0 + pixelDir * static_cast<std::int64_t>(i); }
};

// False when the perspective's turn would not walk the stored columns
// upwards (never for a geometry from paint_geometry).
bool LayoutFor(const PaintGeometry &g, Layout *layout);

// Lines per band: a band and its turned copy hold at most kMaxBandBytes.
int BandRows(const Layout &layout, int bits);

// Stored column cells of the band pixels: cell i is [bounds[i], bounds[i +
// 1]); width + 1 entries. Only for a reducing horizontal axis.
void ColumnBounds(const PaintGeometry &g, const Layout &layout, std::int64_t *bounds);

// Makes one band line. `previous` is the line made just before in the same
// band, or null at a band's start.
class LineSource {
public:
    virtual ~LineSource() = default;
    virtual int Fill(std::int64_t t, BYTE *line, const BYTE *previous) = 0;
};

struct BandTarget {
    HDC hdc = nullptr;
    BITMAPINFO *info = nullptr;  // biBitCount and colours set
    UINT usage = DIB_RGB_COLORS;
    DWORD rop = 0;
};

// Fills and sends every band. STATUS_NO_MEMORY before anything is sent,
// STATUS_BAD_PARAMETER when GDI refuses a band (earlier bands stay), or the
// status of a line.
int PaintLines(const PaintGeometry &g, const Layout &layout, const BandTarget &target, LineSource &source);

// The 8-bit gray colour table: identity indices with DISP_INDEXED_PAINT,
// else PaintLut levels; returns the colour use.
UINT FillGrayColorTable(BITMAPINFO *info, const BitmapRecord *bitmap, UINT displayMode);

// One stored row of a 1-bit image over a range of stored columns, read as
// runs; columns outside the image repeat its edge pixels.
class RunRow {
public:
    // The columns [lo, hi) to be read (widened to take in at least one
    // pixel of the image); false when out of memory.
    bool Prepare(BitmapRecord *bitmap, std::int64_t lo, std::int64_t hi, int invert);
    int Read(int row);

    // Adds the black pixels of the row inside cell i = [bounds[i], bounds[i
    // + 1]) to counts[i], for cells inside [lo, hi).
    void AddBlack(const std::int64_t *bounds, int cells, std::int64_t *counts) const;
    // One byte per column lo .. hi - 1: 1 when black.
    void BlackFlags(BYTE *flags) const;

    std::int64_t lo() const { return lo_; }
    std::int64_t hi() const { return hi_; }

private:
    template <typename Segment>
    void ForEachSegment(Segment segment) const;

    BitmapRecord *bitmap_ = nullptr;
    std::int64_t lo_ = 0, hi_ = 0;
    int first_ = 0, count_ = 0;  // the columns inside the image
    bool invert_ = false;
    Block scratch_, runs_;
    int runCount_ = 0;
};

}  // namespace paint_gray
