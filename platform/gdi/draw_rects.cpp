// The USER rectangle painters: FillRect, FrameRect, InvertRect, DrawEdge.
// They draw with brushes or system colours whatever the DC's ROP2.
#include "gdi/brush.h"
#include "gdi/draw_paint.h"
#include "gdi/draw_raster.h"

using namespace zelt::platform;

namespace {

// The device pixels PatBlt(l, t, r - l, b - t) covers: a negative extent
// counts back from, and includes, the start column or row.
RECT PatBltArea(const DcObject &dc, const RECT &logical) {
    const POINT a = dc.ToDevice(POINT{logical.left, logical.top});
    const POINT b = dc.ToDevice(POINT{logical.right, logical.bottom});
    RECT area;
    if (a.x <= b.x) {
        area.left = a.x, area.right = b.x;
    } else {
        area.left = b.x + 1, area.right = a.x + 1;
    }
    if (a.y <= b.y) {
        area.top = a.y, area.bottom = b.y;
    } else {
        area.top = b.y + 1, area.bottom = a.y + 1;
    }
    return area;
}

// One ring of DrawEdge: the top and left sides in `topLeft`, then the
// bottom and right sides in `bottomRight` (which so own the bottom-left and
// top-right corners).
bool DrawRing(DcObject &dc, const RECT &box, UINT sides, COLORREF topLeft, COLORREF bottomRight) {
    const LONG l = box.left, t = box.top, r = box.right, b = box.bottom;
    if (l >= r || t >= b) return true;
    SpanCollector light, dark;
    if (sides & BF_TOP) dark.AddSpan(t, l, r - 1);
    if (sides & BF_LEFT)
        for (LONG y = t; y < b - 1; ++y) dark.AddPixel(l, y);
    if (sides & BF_BOTTOM) light.AddSpan(b - 1, l, r);
    if (sides & BF_RIGHT)
        for (LONG y = t; y < b; ++y) light.AddPixel(r - 1, y);
    bool ok = PaintWithColor(dc, dark.Finish(), topLeft, R2_COPYPEN);
    return PaintWithColor(dc, light.Finish(), bottomRight, R2_COPYPEN) && ok;
}

struct RingColours {
    COLORREF topLeft, bottomRight;
};

// Colours of the outer ring (BDR_*OUTER bits) or inner ring (BDR_*INNER).
bool RingColoursOf(UINT edge, bool outer, UINT flags, RingColours &out) {
    const UINT raised = outer ? BDR_RAISEDOUTER : BDR_RAISEDINNER;
    const UINT sunken = outer ? BDR_SUNKENOUTER : BDR_SUNKENINNER;
    if ((edge & (raised | sunken)) == 0) return false;
    if (flags & BF_MONO) {
        const COLORREF c = GetSysColor(outer ? COLOR_WINDOWFRAME : COLOR_WINDOW);
        out = {c, c};
    } else if (flags & BF_FLAT) {
        const COLORREF c = GetSysColor(outer ? COLOR_3DSHADOW : COLOR_3DFACE);
        out = {c, c};
    } else if (edge & sunken) {
        out = outer ? RingColours{GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DHIGHLIGHT)}
                    : RingColours{GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT)};
    } else {
        out = outer ? RingColours{GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW)}
                    : RingColours{GetSysColor(COLOR_3DHIGHLIGHT), GetSysColor(COLOR_3DSHADOW)};
    }
    return true;
}

}  // namespace

extern "C" {

int WINAPI FillRect(HDC hDC, const RECT *lprc, HBRUSH hbr) {
    DcObject *dc = FindDc(hDC);
    if (dc == nullptr || lprc == nullptr || FindObject<BrushObject>(hbr) == nullptr) return FALSE;
    return GuardedDraw([&] { return PaintWithBrush(*dc, RegionData::FromRect(PatBltArea(*dc, *lprc)), hbr, PATCOPY); });
}

BOOL WINAPI InvertRect(HDC hDC, const RECT *lprc) {
    DcObject *dc = FindDc(hDC);
    if (dc == nullptr || lprc == nullptr) return FALSE;
    return GuardedDraw([&] { return PaintWithBrush(*dc, RegionData::FromRect(PatBltArea(*dc, *lprc)), nullptr, DSTINVERT); });
}

int WINAPI FrameRect(HDC hDC, const RECT *lprc, HBRUSH hbr) {
    DcObject *dc = FindDc(hDC);
    if (dc == nullptr || lprc == nullptr || FindObject<BrushObject>(hbr) == nullptr) return FALSE;
    return GuardedDraw([&] {
        const RECT box = dc->ToDeviceRect(*lprc);
        if (box.left >= box.right || box.top >= box.bottom) return true;
        const RegionData inner = RegionData::FromRect(RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1});
        const RegionData frame = RegionData::Combine(RegionData::FromRect(box), inner, RGN_DIFF);
        return PaintWithBrush(*dc, frame, hbr, PATCOPY);
    });
}

BOOL WINAPI DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags) {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr || qrc == nullptr) return FALSE;
    const BOOL drawn = GuardedDraw([&] {
        RECT box = dc->ToDeviceRect(*qrc);
        bool ok = true;
        for (const bool outer : {true, false}) {
            RingColours colours;
            if (!RingColoursOf(edge, outer, grfFlags, colours)) continue;
            ok = DrawRing(*dc, box, grfFlags, colours.topLeft, colours.bottomRight) && ok;
            box = RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
        }
        if ((grfFlags & BF_MIDDLE) && box.left < box.right && box.top < box.bottom)
            ok = PaintWithColor(*dc, RegionData::FromRect(box), GetSysColor(COLOR_3DFACE), R2_COPYPEN) && ok;
        return ok;
    });
    if (drawn && (grfFlags & BF_ADJUST)) {
        // Each drawn side moves in by the rings drawn.
        const int rings = ((edge & BDR_OUTER) ? 1 : 0) + ((edge & BDR_INNER) ? 1 : 0);
        if (grfFlags & BF_LEFT) qrc->left += rings;
        if (grfFlags & BF_TOP) qrc->top += rings;
        if (grfFlags & BF_RIGHT) qrc->right -= rings;
        if (grfFlags & BF_BOTTOM) qrc->bottom -= rings;
    }
    return drawn;
}

}  // extern "C"
