// RealizePalette: mapping a DC's logical palette into the system palette of
// an 8-bit screen. Foreground: each entry reuses an exact match among the
// colours in use (unless PC_NOCOLLAPSE or PC_RESERVED), else takes the
// lowest free entry, else maps to the nearest colour in use; PC_EXPLICIT
// entries name a system index. Background: nearest colours only, the system
// palette stays as it is. The count returned is the number of logical
// entries that now show differently: another system index, or one whose
// colour changed. An entry of a palette never realised counts as showing its
// nearest colour in use, so realising a palette of static colours returns 0.
#include <algorithm>

#include "gdi/dc.h"
#include "gdi/metafile/meta_recorder.h"
#include "gdi/palette.h"
#include "gdi/surface.h"
#include "gdi/system_palette.h"
#include "gdi/screen.h"
#include "gdi/window_dc.h"

namespace zelt::platform {
namespace {

bool SameColour(const PALETTEENTRY &a, const PALETTEENTRY &b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

COLORREF ColourOf(const PALETTEENTRY &e) { return RGB(e.peRed, e.peGreen, e.peBlue); }

// A PC_EXPLICIT entry carries the system index in its low word.
int ExplicitIndex(const PALETTEENTRY &e) { return (e.peRed | (e.peGreen << 8)) % kSystemPaletteSize; }

// Where entry `i` showed before this realisation, judged on `before`.
int ShownBefore(const PaletteObject &logical, const SystemPalette &before, UINT i) {
    if (logical.Realised()) return logical.Translation()[i];
    const PALETTEENTRY &e = logical.Entries()[i];
    if (e.peFlags & PC_EXPLICIT) return ExplicitIndex(e);
    return NearestInUse(before, ColourOf(e));
}

// System index of entry `i` in a foreground realisation, taking a free
// entry when it needs one.
int MapForeground(SystemPalette &system, const PALETTEENTRY &e) {
    if (e.peFlags & PC_EXPLICIT) return ExplicitIndex(e);
    const COLORREF colour = ColourOf(e);
    const bool ownEntry = (e.peFlags & (PC_NOCOLLAPSE | PC_RESERVED)) != 0;
    if (!ownEntry) {
        const int exact = ExactInUse(system, colour);
        if (exact >= 0) return exact;
    }
    const int free = FirstFree(system);
    if (free < 0) return NearestInUse(system, colour);
    system.entries[free] = PALETTEENTRY{e.peRed, e.peGreen, e.peBlue, 0};
    system.use[free] = (e.peFlags & PC_RESERVED) ? SystemEntryUse::Reserved : SystemEntryUse::Taken;
    return free;
}

UINT Realize(PaletteObject &logical, HPALETTE handle, bool foreground, bool &systemChanged) {
    SystemPalette &system = LiveSystemPalette();
    const SystemPalette before = system;
    if (foreground) {
        // Whatever the previous foreground palette took goes back first.
        for (SystemEntryUse &use : system.use)
            if (use == SystemEntryUse::Taken || use == SystemEntryUse::Reserved) use = SystemEntryUse::Free;
        system.foreground = handle;
    }
    UINT changed = 0;
    WORD *translation = logical.Translation();
    for (UINT i = 0; i < logical.Count(); ++i) {
        const PALETTEENTRY &e = logical.Entries()[i];
        const int old = ShownBefore(logical, before, i);
        int now;
        if (foreground)
            now = MapForeground(system, e);
        else
            now = (e.peFlags & PC_EXPLICIT) ? ExplicitIndex(e) : NearestInUse(system, ColourOf(e));
        if (now != old || !SameColour(before.entries[now], system.entries[now])) ++changed;
        translation[i] = static_cast<WORD>(now);
    }
    logical.SetRealised(true);
    if (!std::equal(std::begin(before.entries), std::end(before.entries), std::begin(system.entries), SameColour)) {
        std::copy(std::begin(before.entries), std::end(before.entries), system.previous);
        PublishSystemPalette();
        systemChanged = true;
    }
    return changed;
}

}  // namespace
}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

UINT WINAPI RealizePalette(HDC hdc) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->RealizePalette();
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return GDI_ERROR;
    // Without RC_PALETTE there is no settable palette: nothing changes.
    if (!IsPaletteScreen()) return 0;
    HPALETTE handle = dc->State().palette;
    PaletteObject *logical = FindObject<PaletteObject>(handle);
    if (logical == nullptr) {
        // The selected palette was deleted: the DC draws with the default.
        handle = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
        logical = FindObject<PaletteObject>(handle);
        if (logical == nullptr) return GDI_ERROR;
    }
    bool systemChanged = false;
    const UINT changed = Realize(*logical, handle, !dc->State().paletteBackground, systemChanged);
    // Windows hear of a new system palette so they can realise their own.
    if (systemChanged) BroadcastPaletteChanged(dc->windowView != nullptr ? dc->windowView->hwnd : nullptr);
    return changed;
}

BOOL WINAPI AnimatePalette(HPALETTE hPal, UINT iStartIndex, UINT cEntries, const PALETTEENTRY *ppe) {
    PaletteObject *logical = FindObject<PaletteObject>(hPal);
    if (logical == nullptr || ppe == nullptr) return FALSE;
    const UINT count = ClipEntryRange(logical->Count(), iStartIndex, cEntries);
    SystemPalette &system = LiveSystemPalette();
    // Only the foreground palette's reserved entries own system entries to
    // change in place.
    const bool live = IsPaletteScreen() && system.foreground == hPal && logical->Realised();
    bool systemChanged = false;
    for (UINT k = 0; k < count; ++k) {
        const UINT i = iStartIndex + k;
        PALETTEENTRY &entry = logical->Entries()[i];
        if ((entry.peFlags & PC_RESERVED) == 0) continue;
        entry.peRed = ppe[k].peRed;
        entry.peGreen = ppe[k].peGreen;
        entry.peBlue = ppe[k].peBlue;
        const WORD slot = logical->Translation()[i];
        if (live && system.use[slot] == SystemEntryUse::Reserved) {
            if (!systemChanged) RememberSystemPalette();
            systemChanged = true;
            system.entries[slot] = PALETTEENTRY{entry.peRed, entry.peGreen, entry.peBlue, 0};
        }
    }
    if (systemChanged) PublishSystemPalette();
    return TRUE;
}

BOOL WINAPI UpdateColors(HDC hdc) {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return FALSE;
    if (!DrawsThroughSystemPalette(*dc)) return TRUE;
    // Each pixel keeps the colour it had under the previous system palette,
    // as near as the live one allows: one lookup per index.
    const SystemPalette &system = LiveSystemPalette();
    BYTE remap[kSystemPaletteSize];
    for (int i = 0; i < kSystemPaletteSize; ++i)
        remap[i] = static_cast<BYTE>(NearestInUse(system, ColourOf(system.previous[i])));
    const Surface &surface = dc->Target();
    try {
        dc->DrawableRegion().ForEachRect([&](const RECT &rect) {
            for (int y = rect.top; y < rect.bottom; ++y)
                for (int x = rect.left; x < rect.right; ++x) surface.SetRaw(x, y, remap[surface.GetRaw(x, y) & 0xFF]);
        });
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
