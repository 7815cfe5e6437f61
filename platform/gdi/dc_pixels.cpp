// GetPixel and SetPixel.
#include "gdi/dc.h"
#include "gdi/palette.h"

using namespace zelt::platform;

namespace {

// Device pixel of a logical point when it may be drawn; false otherwise.
bool DrawablePixel(const DcObject &dc, int x, int y, POINT &device) {
    device = dc.ToDevice(POINT{x, y});
    if (!dc.Target().Contains(device.x, device.y)) return false;
    const RegionData *clip = dc.Clip();
    return clip == nullptr || clip->Contains(device.x, device.y);
}

}  // namespace

extern "C" {

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    const DcObject *dc = FindDc(hdc);
    POINT device;
    if (dc == nullptr || !DrawablePixel(*dc, x, y, device)) return CLR_INVALID;
    const Surface &surface = dc->Target();
    return surface.GetColor(device.x, device.y);
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    const DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return CLR_INVALID;
    const Surface &surface = dc->Target();
    const DWORD raw = DrawsThroughSystemPalette(*dc) ? PaletteDeviceRaw(*dc, color)
                                                      : surface.RawOf(ResolvePaletteColour(*dc, color));
    // Outside the clip the colour it would have stored is still reported.
    POINT device;
    if (DrawablePixel(*dc, x, y, device)) surface.SetRaw(device.x, device.y, raw);
    return surface.ColorOf(raw);
}

BOOL WINAPI SetPixelV(HDC hdc, int x, int y, COLORREF color) {
    return SetPixel(hdc, x, y, color) != CLR_INVALID ? TRUE : FALSE;
}

}  // extern "C"
