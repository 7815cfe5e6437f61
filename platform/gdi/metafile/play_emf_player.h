// The enhanced metafile player's state and its record handlers, shared by
// play_emf.cpp (header, record walk, set-up), play_emf_state.cpp (mapping,
// attributes, save/restore, clipping), play_emf_objects.cpp,
// play_emf_shapes.cpp (lines, shapes, paths) and play_emf_bitmaps.cpp.
//
// Coordinates are taken to device pixels by the player itself, in floating
// point: world transform, then the picture's page mapping (into pixels of
// the reference device), then the frame-to-rectangle mapping, then the
// DC's own mapping. The DC's mapping is made the identity while the
// records play, and everything is drawn with the device-space calls.
#pragma once

#include "gdi/dc.h"
#include "gdi/draw_paint.h"
#include "gdi/metafile/play_array.h"
#include "gdi/metafile/play_bytes.h"
#include "gdi/metafile/play_geometry.h"

namespace zelt::platform {

// A pen as the picture describes it; it takes device units when drawn,
// under the transform of that moment.
struct EmfPen {
    static constexpr UINT kUserStyle = 7, kAlternate = 8;
    static constexpr int kMostDashes = 8;

    UINT style;     // PS_SOLID … PS_INSIDEFRAME, kUserStyle, kAlternate
    double width;   // logical units; 0 = one pixel whatever the mapping
    COLORREF colour;
    DWORD ends;     // end and join bits of a geometric extended pen
    bool extended;  // made by EMR_EXTCREATEPEN: dashes at any width
    int dashCount;  // kUserStyle: lengths in logical units
    float dashes[kMostDashes];
};

// What EMR_SAVEDC keeps besides what the DC keeps.
struct EmfPictureState {
    Affine world;
    int mapMode;
    POINT windowOrg, viewportOrg;
    SIZE windowExt, viewportExt;
    EmfPen pen;
    DPoint position;  // current position, logical units
    bool clockwise;   // arc direction
    double miterLimit;
};

struct EmfObject {
    enum class Kind : unsigned char { Empty, Pen, Brush, Palette, Other };
    Kind kind;
    HGDIOBJ handle;  // brushes and palettes
    EmfPen pen;
};

class EmfPlayer {
public:
    EmfPlayer(HDC hdc, DcObject &dc) noexcept : hdc_(hdc), dc_(dc) {}
    ~EmfPlayer();
    EmfPlayer(const EmfPlayer &) = delete;
    EmfPlayer &operator=(const EmfPlayer &) = delete;

    // Checks the header, sets the DC up, walks the records; false for a bad
    // header or rectangle or a truncated record.
    bool Play(ByteView file, const RECT &rect) noexcept;
    bool Failed() const noexcept { return failed_; }
    void Fail() noexcept { failed_ = true; }

    HDC Hdc() const noexcept { return hdc_; }
    DcObject &Dc() noexcept { return dc_; }

    EmfPictureState state{};

    // ---- mapping ----
    // World to device, recomputed after a mapping record.
    const Affine &Transform() noexcept;
    void MappingChanged() noexcept { transformValid_ = false; }
    // Pixels of the reference device to device pixels (for regions the
    // records give in reference pixels).
    const Affine &ReferenceToDevice() const noexcept { return referenceToDevice_; }
    // The extents of a fixed mapping mode, on the reference device.
    void SetFixedExtents() noexcept;
    // MM_ISOTROPIC shrinks one viewport extent so that units are square.
    void FixIsotropic() noexcept;
    DPoint ToDevice(DPoint logical) noexcept { return Transform().Apply(logical); }
    // The current pen in device units.
    DevicePen Pen() noexcept;
    // Its dash pattern in device pixels; 0 entries for a solid pen.
    int DashPattern(const DevicePen &pen, double *out) noexcept;

    // ---- save and restore ----
    void Save() noexcept;
    void Restore(int relative) noexcept;

    // ---- objects ----
    void SetObject(DWORD index, const EmfObject &object) noexcept;
    const EmfObject *ObjectAt(DWORD index) const noexcept;
    void DeleteObjectAt(DWORD index) noexcept;

    // ---- clipping ----
    // Combines a device region with the picture's clip by `mode`
    // (RGN_AND … RGN_COPY); what the DC allowed before playback stays the
    // limit.
    void CombineClip(const RegionData &device, int mode);
    void ResetClip();
    // The drawable bounds grown by a pixel: device regions need no more.
    RECT ClipLimit() const noexcept;

    // ---- paths and figures ----
    // While a path is open, figures go to the path instead of being drawn.
    bool PathOpen() const noexcept { return pathOpen_; }
    void BeginPath() noexcept;
    void EndPath() noexcept { pathOpen_ = false; }
    void AbortPath() noexcept;
    // The path, or the scratch figure set (emptied) when no path is open.
    FigureSet &FigureTarget() noexcept;
    FigureSet &Path() noexcept { return path_; }
    // Draws the scratch figures (no path open): every figure filled as one
    // polygon set when `fill`, each stroked with the pen when `stroke`.
    void DrawFigures(const FigureSet &figures, bool fill, bool stroke);

    FigurePoints device;

private:
    bool Begin(ByteView header, const RECT &rect) noexcept;
    Affine PageMapping() const noexcept;

    HDC hdc_;
    DcObject &dc_;
    bool failed_ = false;
    bool begun_ = false;
    int baseLevel_ = 0;  // the DC's save level once playback saved it
    PodArray<EmfPictureState> saved_;
    int savesSkipped_ = 0;  // saves past the depth limit, undone first
    PodArray<EmfObject> objects_;
    Affine referenceToDevice_;
    Affine transform_;
    bool transformValid_ = false;
    SIZE referencePixels_{1, 1};
    SIZE referenceMillimetres_{1, 1};
    RegionData base_;  // where the DC allowed drawing before playback
    FigureSet path_;
    FigureSet scratch_;
    FigureSet dashes_;
    bool pathOpen_ = false;
};

// A record: type, size, then its body; offsets count from the record start.
using EmfHandler = void (*)(EmfPlayer &, const ByteView &);

// play_emf_state.cpp
void EmfSetWindowExt(EmfPlayer &, const ByteView &);
void EmfSetWindowOrg(EmfPlayer &, const ByteView &);
void EmfSetViewportExt(EmfPlayer &, const ByteView &);
void EmfSetViewportOrg(EmfPlayer &, const ByteView &);
void EmfScaleViewportExt(EmfPlayer &, const ByteView &);
void EmfScaleWindowExt(EmfPlayer &, const ByteView &);
void EmfSetMapMode(EmfPlayer &, const ByteView &);
void EmfSetWorldTransform(EmfPlayer &, const ByteView &);
void EmfModifyWorldTransform(EmfPlayer &, const ByteView &);
void EmfSetBrushOrg(EmfPlayer &, const ByteView &);
void EmfSetBkMode(EmfPlayer &, const ByteView &);
void EmfSetPolyFillMode(EmfPlayer &, const ByteView &);
void EmfSetRop2(EmfPlayer &, const ByteView &);
void EmfSetStretchBltMode(EmfPlayer &, const ByteView &);
void EmfSetTextColor(EmfPlayer &, const ByteView &);
void EmfSetBkColor(EmfPlayer &, const ByteView &);
void EmfSetArcDirection(EmfPlayer &, const ByteView &);
void EmfSetMiterLimit(EmfPlayer &, const ByteView &);
void EmfSaveDc(EmfPlayer &, const ByteView &);
void EmfRestoreDc(EmfPlayer &, const ByteView &);
void EmfExcludeClipRect(EmfPlayer &, const ByteView &);
void EmfIntersectClipRect(EmfPlayer &, const ByteView &);
void EmfExtSelectClipRgn(EmfPlayer &, const ByteView &);

// play_emf_objects.cpp
void EmfSelectObject(EmfPlayer &, const ByteView &);
void EmfCreatePen(EmfPlayer &, const ByteView &);
void EmfExtCreatePen(EmfPlayer &, const ByteView &);
void EmfCreateBrushIndirect(EmfPlayer &, const ByteView &);
void EmfCreateDibPatternBrush(EmfPlayer &, const ByteView &);
void EmfCreateMonoBrush(EmfPlayer &, const ByteView &);
void EmfCreatePalette(EmfPlayer &, const ByteView &);
void EmfCreateFont(EmfPlayer &, const ByteView &);
void EmfDeleteObject(EmfPlayer &, const ByteView &);
void EmfSelectPalette(EmfPlayer &, const ByteView &);
void EmfRealizePalette(EmfPlayer &, const ByteView &);

// play_emf_shapes.cpp
void EmfMoveTo(EmfPlayer &, const ByteView &);
void EmfLineTo(EmfPlayer &, const ByteView &);
void EmfPolyline(EmfPlayer &, const ByteView &);
void EmfPolyline16(EmfPlayer &, const ByteView &);
void EmfPolylineTo(EmfPlayer &, const ByteView &);
void EmfPolylineTo16(EmfPlayer &, const ByteView &);
void EmfPolygon(EmfPlayer &, const ByteView &);
void EmfPolygon16(EmfPlayer &, const ByteView &);
void EmfPolyBezier(EmfPlayer &, const ByteView &);
void EmfPolyBezier16(EmfPlayer &, const ByteView &);
void EmfPolyBezierTo(EmfPlayer &, const ByteView &);
void EmfPolyBezierTo16(EmfPlayer &, const ByteView &);
void EmfPolyPolyline(EmfPlayer &, const ByteView &);
void EmfPolyPolyline16(EmfPlayer &, const ByteView &);
void EmfPolyPolygon(EmfPlayer &, const ByteView &);
void EmfPolyPolygon16(EmfPlayer &, const ByteView &);
void EmfRectangle(EmfPlayer &, const ByteView &);
void EmfEllipse(EmfPlayer &, const ByteView &);
void EmfRoundRect(EmfPlayer &, const ByteView &);
void EmfArc(EmfPlayer &, const ByteView &);
void EmfChord(EmfPlayer &, const ByteView &);
void EmfPie(EmfPlayer &, const ByteView &);
void EmfSetPixel(EmfPlayer &, const ByteView &);
void EmfBeginPath(EmfPlayer &, const ByteView &);
void EmfEndPath(EmfPlayer &, const ByteView &);
void EmfCloseFigure(EmfPlayer &, const ByteView &);
void EmfAbortPath(EmfPlayer &, const ByteView &);
void EmfFillPath(EmfPlayer &, const ByteView &);
void EmfStrokePath(EmfPlayer &, const ByteView &);
void EmfStrokeAndFillPath(EmfPlayer &, const ByteView &);
void EmfSelectClipPath(EmfPlayer &, const ByteView &);

// play_emf_bitmaps.cpp
void EmfBitBlt(EmfPlayer &, const ByteView &);
void EmfStretchBlt(EmfPlayer &, const ByteView &);
void EmfStretchDiBits(EmfPlayer &, const ByteView &);
void EmfSetDiBitsToDevice(EmfPlayer &, const ByteView &);
void EmfAlphaBlend(EmfPlayer &, const ByteView &);

}  // namespace zelt::platform
