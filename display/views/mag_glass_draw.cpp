// Drawing the magnifying glass: its geometry, uncovering what the previous
// glass hid, composing the enlarged bitmap off-screen with background,
// crosshair and outline, and transferring it in one blit.
#include <cmath>
#include <utility>

#include "frame/gdi_scopes.h"
#include "views/mag_record.h"

namespace {

using zelt::MemoryDc;
using zelt::OwnedBitmap;
using zelt::OwnedPalette;
using zelt::OwnedRegion;
using zelt::SelectedPalette;
using zelt::Selection;
using zelt::TextMapMode;
using zelt::WindowDc;

// The glass's own display mode for the scope; 0 keeps the thread's mode.
class GlassDisplayMode {
public:
    explicit GlassDisplayMode(UINT mode) : active_(mode != 0) {
        if (!active_) return;
        old_ = Z_SetDisplayMode(0xFFFFFFFFu, 0);
        Z_SetDisplayMode(mode, mode);
    }
    ~GlassDisplayMode() {
        if (active_) Z_SetDisplayMode(0xFFFFFFFFu, old_);
    }
    GlassDisplayMode(const GlassDisplayMode &) = delete;
    GlassDisplayMode &operator=(const GlassDisplayMode &) = delete;

private:
    bool active_;
    UINT old_ = 0;
};

// ---- geometry ----

// Float to int toward zero, saturating (a zero-width DestRect gives an
// infinite source rectangle, which must not become undefined behaviour).
int Truncate(float value) {
    constexpr float kLimit = 1073741824.0f;
    if (std::isnan(value)) return 0;
    if (value >= kLimit) return 1 << 30;
    if (value <= -kLimit) return -(1 << 30);
    return static_cast<int>(value);
}
int RoundHalfUp(float value) { return Truncate(value + 0.5f); }

// The magnification factor: exactly Zoom / 100 (a zoom of 250 enlarges
// 2.5 times what the window shows).
float Magnification(LONG zoom) { return static_cast<float>(zoom) / 100.0f; }

RECT GlassRectAt(const MagnifierRecord &record, int x, int y) {
    const int left = x - record.GlassWidth / 2;
    const int top = y - record.GlassHeight / 2;
    return RECT{left, top, left + record.GlassWidth, top + record.GlassHeight};
}

HRGN CreateGlassShape(const MagnifierRecord &record, const RECT &glass) {
    return record.Elliptic != 0 ? CreateEllipticRgnIndirect(&glass) : CreateRectRgnIndirect(&glass);
}

// The bitmap area under the glass, in displayed bitmap coordinates.
RECT SourceRectAt(const MagnifierRecord &record, int x, int y) {
    const float a = static_cast<float>((x - record.GlassWidth / 2) - record.DestRect.left);
    const float b = static_cast<float>((y - record.GlassHeight / 2) - record.DestRect.top);
    RECT source;
    source.left = RoundHalfUp(a / record.Scale);
    source.top = RoundHalfUp(b / record.Scale);
    source.right = source.left + RoundHalfUp(static_cast<float>(record.GlassWidth) / record.Scale);
    source.bottom = source.top + RoundHalfUp(static_cast<float>(record.GlassHeight) / record.Scale);
    return source;
}

// Where that area lands enlarged, centred on the cursor (client coordinates).
RECT MagnifiedRectAt(const MagnifierRecord &record, int x, int y) {
    const float z = Magnification(record.Zoom);
    const float halfWidth = (static_cast<float>(record.GlassWidth / 2) + 0.5f) * z;
    const float halfHeight = (static_cast<float>(record.GlassHeight / 2) + 0.5f) * z;
    const auto fx = static_cast<float>(x), fy = static_cast<float>(y);
    return RECT{Truncate(fx - halfWidth), Truncate(fy - halfHeight), Truncate(fx + halfWidth),
                Truncate(fy + halfHeight)};
}

// Half an enlarged pixel of shift along an axis, by the parity of the
// source extent and the centring rule.
int AlignmentShift(int sourceExtent, int magnifiedExtent, LONG centerRule) {
    if (sourceExtent <= 0) return 0;
    const int pixel = magnifiedExtent / sourceExtent;
    const bool even = sourceExtent % 2 == 0;
    return even == (centerRule != 0) ? pixel / 2 : 0;
}

// ---- uncovering ----

// `area` is repainted by the application: the part over the bitmap without
// erasing, the part beside it (when there is one) with erasing.
void RepaintAround(HWND window, HRGN area, HRGN destination) {
    OwnedRegion part(CreateRectRgn(0, 0, 0, 0));
    if (!part) {
        InvalidateRgn(window, area, TRUE);
        UpdateWindow(window);
        return;
    }
    CombineRgn(part.get(), area, destination, RGN_AND);
    InvalidateRgn(window, part.get(), FALSE);
    UpdateWindow(window);
    if (CombineRgn(part.get(), area, destination, RGN_DIFF) > NULLREGION) {
        InvalidateRgn(window, part.get(), TRUE);
        UpdateWindow(window);
    }
}

// What the glass at (LastX, LastY) covered and the glass at (x, y) will not.
void Uncover(const MagnifierRecord &record, int x, int y) {
    const RECT oldGlass = GlassRectAt(record, record.LastX, record.LastY);
    const RECT newGlass = GlassRectAt(record, x, y);
    OwnedRegion uncovered(CreateGlassShape(record, oldGlass));
    OwnedRegion covered(CreateGlassShape(record, newGlass));
    OwnedRegion destination(CreateRectRgnIndirect(&record.DestRect));
    if (!uncovered || !covered || !destination) {
        // Without regions the whole old glass is repainted.
        InvalidateRect(record.Window, &oldGlass, TRUE);
        UpdateWindow(record.Window);
        return;
    }
    CombineRgn(uncovered.get(), uncovered.get(), covered.get(), RGN_DIFF);
    RepaintAround(record.Window, uncovered.get(), destination.get());
}

// ---- composition ----

struct Segment {
    int x0, y0, x1, y1;
};

void DrawSegment(HDC dc, const Segment &segment) {
    MoveToEx(dc, segment.x0, segment.y0, nullptr);
    LineTo(dc, segment.x1, segment.y1);
}

// The raster mode of the flanking lines per crosshair kind; 0: none.
constexpr int kFlankRasterMode[4] = {0, 0, R2_NOTCOPYPEN, R2_NOT};

void DrawCrosshair(HDC dc, const MagnifierRecord &record, const RECT &t) {
    if (record.Crosshair < 1 || record.Crosshair > 3) return;
    const int cx = t.left + (t.right - t.left) / 2;
    const int cy = t.top + (t.bottom - t.top) / 2;
    SelectObject(dc, record.CrosshairPen);
    DrawSegment(dc, {t.left, cy, t.right, cy});
    DrawSegment(dc, {cx, t.top, cx, t.bottom});
    const int flankMode = kFlankRasterMode[record.Crosshair];
    if (flankMode == 0) return;
    const Segment flanks[8] = {
        {cx - 1, t.top, cx - 1, cy},      {cx + 1, t.top, cx + 1, cy},
        {cx - 1, cy + 1, cx - 1, t.bottom}, {cx + 1, cy + 1, cx + 1, t.bottom},
        {t.left, cy - 1, cx, cy - 1},     {t.left, cy + 1, cx, cy + 1},
        {cx + 1, cy - 1, t.right, cy - 1}, {cx + 1, cy + 1, t.right, cy + 1},
    };
    const int oldMode = SetROP2(dc, flankMode);
    for (const Segment &flank : flanks) DrawSegment(dc, flank);
    if (oldMode != 0) SetROP2(dc, oldMode);
}

void DrawOutline(HDC dc, const MagnifierRecord &record, RECT t) {
    SelectObject(dc, record.BorderPen);
    if (record.Elliptic != 0)
        Ellipse(dc, t.left, t.top, t.right - 1, t.bottom - 1);
    else if (record.Edge3D != 0)
        DrawEdge(dc, &t, EDGE_SUNKEN, BF_RECT);
    else
        Rectangle(dc, t.left, t.top, t.right, t.bottom);
}

}  // namespace

namespace mag {

void DrawGlass(MagnifierRecord &record, int x, int y) {
    HWND window = record.Window;
    if ((record.View.Flags & BITMAP_ALLOCATED) == 0) {
        ReleaseMagnifier(window, true);
        return;
    }
    WindowDc dc(window);
    if (dc.get() == nullptr) return;
    TextMapMode mapMode(dc.get());
    if (x != record.LastX || y != record.LastY) {
        Uncover(record, x, y);
        // The application's painting may have stopped the glass.
        if (FindRecord(window) != &record) return;
    }

    const RECT glass = GlassRectAt(record, x, y);
    RECT source = SourceRectAt(record, x, y);
    KrnRectToBitmap(&record.View, 0, &source);
    RECT magnified = MagnifiedRectAt(record, x, y);
    record.GlassRect = glass;

    const int width = glass.right - glass.left;
    const int height = glass.bottom - glass.top;
    MemoryDc memory(dc.get());
    if (memory.get() == nullptr) return;
    OwnedBitmap bitmap(CreateCompatibleBitmap(dc.get(), width, height));
    if (!bitmap) return;
    Selection bitmapSelection(memory.get(), bitmap.get());
    SetMapMode(memory.get(), MM_TEXT);
    const RECT t{0, 0, width, height};
    GlassDisplayMode displayMode(record.GlassDisplayMode);
    OwnedPalette palette(Z_CreatePaintPalette(dc.get(), &record.View));
    const HPALETTE paintPalette = palette.get();
    {
        SelectedPalette memoryPalette(memory.get(), paintPalette, TRUE, true);
        FillRect(memory.get(), &t, record.BackBrush);
        const int dx = AlignmentShift(source.right - source.left, magnified.right - magnified.left, record.CenterRule);
        const int dy = AlignmentShift(source.bottom - source.top, magnified.bottom - magnified.top, record.CenterRule);
        OffsetRect(&magnified, -(glass.left + dx), -(glass.top + dy));
        if (record.View.Region != nullptr)
            Z_PaintRgnDC(memory.get(), &record.View, &source, nullptr, &magnified, &t, SRCCOPY);
        else
            Z_PaintDC(memory.get(), &record.View, &source, nullptr, &magnified, &t, SRCCOPY);
        Selection pen(memory.get(), record.BorderPen);
        Selection brush(memory.get(), GetStockObject(NULL_BRUSH));
        DrawCrosshair(memory.get(), record, t);
        DrawOutline(memory.get(), record, t);
    }

    OwnedRegion clip(record.Elliptic != 0 ? CreateEllipticRgnIndirect(&glass) : nullptr);
    if (clip) SelectClipRgn(dc.get(), clip.get());
    {
        SelectedPalette windowPalette(dc.get(), paintPalette, TRUE, true);
        BitBlt(dc.get(), glass.left, glass.top, width, height, memory.get(), 0, 0, SRCCOPY);
    }
    if (clip) SelectClipRgn(dc.get(), nullptr);
}

void EraseGlass(MagnifierRecord &record) {
    // Copied first: the application's painting may stop the glass.
    HWND window = record.Window;
    const RECT drawn = record.GlassRect;
    const RECT oldGlass = GlassRectAt(record, record.LastX, record.LastY);
    OwnedRegion covered(CreateGlassShape(record, oldGlass));
    OwnedRegion destination(CreateRectRgnIndirect(&record.DestRect));
    WindowDc dc(window);
    if (dc.get() == nullptr) return;
    TextMapMode mapMode(dc.get());
    if (!covered || !destination) {
        InvalidateRect(window, &drawn, TRUE);
        UpdateWindow(window);
        return;
    }
    RepaintAround(window, covered.get(), destination.get());
    // The rectangle as drawn, for what an elliptical glass reached beside
    // the bitmap.
    OwnedRegion beside(CreateRectRgnIndirect(&drawn));
    if (beside && CombineRgn(beside.get(), beside.get(), destination.get(), RGN_DIFF) > NULLREGION) {
        InvalidateRgn(window, beside.get(), TRUE);
        UpdateWindow(window);
    }
}

}  // namespace mag
