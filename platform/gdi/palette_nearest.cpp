// How a COLORREF resolves in a DC: PALETTEINDEX and PALETTERGB through the
// DC's logical palette, and on an 8-bit palette screen through the system
// palette; GetNearestColor, which answers what SetPixel would store.
#include "gdi/bitmap.h"
#include "gdi/dc.h"
#include "gdi/palette.h"
#include "gdi/screen.h"
#include "gdi/surface.h"
#include "gdi/system_palette.h"

namespace zelt::platform {
namespace {

constexpr COLORREF kIndexFlag = 0x01000000;  // PALETTEINDEX
constexpr COLORREF kNearestFlag = 0x02000000;  // PALETTERGB

COLORREF ColourOf(const PALETTEENTRY &e) { return RGB(e.peRed, e.peGreen, e.peBlue); }

}  // namespace

COLORREF PaletteIndexColor(const DcObject &dc, UINT index) noexcept {
    const PaletteObject &palette = *dc.SelectedPalette();
    if (palette.Count() == 0) return RGB(0, 0, 0);
    return ColourOf(palette.Entries()[index < palette.Count() ? index : 0]);
}

COLORREF ResolvePaletteColour(const DcObject &dc, COLORREF colour) noexcept {
    if (colour & kIndexFlag) return PaletteIndexColor(dc, colour & 0xFFFF);
    return colour & 0xFFFFFF;
}

bool DrawsThroughSystemPalette(const DcObject &dc) noexcept {
    if (!IsPaletteScreen()) return false;
    const BitmapObject *bitmap = dc.SelectedBitmap();
    if (bitmap == nullptr) return !dc.IsMemory();
    return !bitmap->IsDibSection() && bitmap->BitsPixel() == CurrentScreen().bitsPixel;
}

int SystemPaletteIndexOf(const DcObject &dc, UINT index) noexcept {
    if (!IsPaletteScreen()) return -1;
    const PaletteObject &palette = *dc.SelectedPalette();
    if (palette.Count() == 0) return 0;
    if (index >= palette.Count()) index = 0;
    if (palette.Realised()) return palette.Translation()[index];
    return NearestInUse(LiveSystemPalette(), ColourOf(palette.Entries()[index]));
}

DWORD PaletteDeviceRaw(const DcObject &dc, COLORREF colour) noexcept {
    if (colour & kIndexFlag) return static_cast<DWORD>(SystemPaletteIndexOf(dc, colour & 0xFFFF));
    if (colour & kNearestFlag) {
        const PaletteObject &palette = *dc.SelectedPalette();
        if (palette.Count() != 0)
            return static_cast<DWORD>(SystemPaletteIndexOf(dc, NearestEntry(palette.Entries(), palette.Count(), colour)));
    }
    return static_cast<DWORD>(NearestStatic(LiveSystemPalette(), colour & 0xFFFFFF));
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" COLORREF WINAPI GetNearestColor(HDC hdc, COLORREF color) {
    const DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return CLR_INVALID;
    if (DrawsThroughSystemPalette(*dc)) {
        const PALETTEENTRY &e = LiveSystemPalette().entries[PaletteDeviceRaw(*dc, color) & 0xFF];
        return RGB(e.peRed, e.peGreen, e.peBlue);
    }
    // Anything else stores the colour in the target's own format.
    const Surface &surface = dc->Target();
    return surface.ColorOf(surface.RawOf(ResolvePaletteColour(*dc, color)));
}
