// The system palette of an 8-bit screen: its state, the searches the
// realisation and the colour mapping use, and the calls that read it or
// change how many static colours it keeps.
#include "gdi/system_palette.h"

#include <algorithm>
#include <cstring>

#include "gdi/dc.h"
#include "gdi/screen.h"
#include "gdi/surface.h"

namespace zelt::platform {
namespace {

constexpr int kStaticHalf = 10;
constexpr PALETTEENTRY kBlack{0, 0, 0, 0};

bool SameColour(const PALETTEENTRY &a, const PALETTEENTRY &b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

PALETTEENTRY EntryOf(COLORREF colour) { return PALETTEENTRY{GetRValue(colour), GetGValue(colour), GetBValue(colour), 0}; }

// System index of static colour k (0..19).
int StaticSlot(int k) { return k < kStaticHalf ? k : kSystemPaletteSize - 2 * kStaticHalf + k; }

// Whether static colour k stays static under a SetSystemPaletteUse mode:
// all of them, black and white only, or none.
bool KeepsStatic(UINT use, int k) {
    switch (use) {
        case SYSPAL_STATIC: return true;
        case SYSPAL_NOSTATIC: return k == 0 || k == 2 * kStaticHalf - 1;
        default: return false;
    }
}

// Nearest among the entries a predicate admits; -1 when it admits none.
template <class Admit>
int NearestWhere(const SystemPalette &palette, COLORREF colour, Admit admit) {
    const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    int best = -1;
    int bestDistance = 0x7FFFFFFF;
    for (int i = 0; i < kSystemPaletteSize; ++i) {
        if (!admit(palette.use[i])) continue;
        const PALETTEENTRY &e = palette.entries[i];
        const int dr = e.peRed - r, dg = e.peGreen - g, db = e.peBlue - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

bool InUse(SystemEntryUse use) { return use == SystemEntryUse::Static || use == SystemEntryUse::Taken; }

void SetStatics(SystemPalette &palette) {
    for (int k = 0; k < 2 * kStaticHalf; ++k) {
        const int slot = StaticSlot(k);
        if (KeepsStatic(palette.staticUse, k)) {
            palette.entries[slot] = kStaticColours[k];
            palette.use[slot] = SystemEntryUse::Static;
        } else if (palette.use[slot] == SystemEntryUse::Static) {
            // Freed statics keep their colour until something takes them.
            palette.use[slot] = SystemEntryUse::Free;
        }
    }
}

SystemPalette MakeReset() {
    SystemPalette palette{};
    std::fill(std::begin(palette.entries), std::end(palette.entries), kBlack);
    std::fill(std::begin(palette.use), std::end(palette.use), SystemEntryUse::Free);
    palette.staticUse = SYSPAL_STATIC;
    palette.foreground = nullptr;
    SetStatics(palette);
    std::copy(std::begin(palette.entries), std::end(palette.entries), palette.previous);
    return palette;
}

}  // namespace

bool IsPaletteScreen() noexcept { return (ScreenDeviceCaps(RASTERCAPS) & RC_PALETTE) != 0; }

SystemPalette &LiveSystemPalette() noexcept {
    static SystemPalette palette = MakeReset();
    return palette;
}

void ResetSystemPalette() noexcept {
    LiveSystemPalette() = MakeReset();
    PublishSystemPalette();
}

void RememberSystemPalette() noexcept {
    SystemPalette &palette = LiveSystemPalette();
    std::copy(std::begin(palette.entries), std::end(palette.entries), palette.previous);
}

void PublishSystemPalette() noexcept {
    if (!IsPaletteScreen()) return;
    Surface &screen = ScreenSurface();
    if (screen.Format() != PixelFormatId::Index8) return;
    const SystemPalette &palette = LiveSystemPalette();
    for (int i = 0; i < kSystemPaletteSize; ++i) {
        const PALETTEENTRY &e = palette.entries[i];
        screen.table[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
    }
    screen.tableSize = kSystemPaletteSize;
}

UINT NearestEntry(const PALETTEENTRY *entries, UINT count, COLORREF colour) noexcept {
    return static_cast<UINT>(NearestEntryIndex(entries, static_cast<int>(count), colour, &PALETTEENTRY::peRed,
                                               &PALETTEENTRY::peGreen, &PALETTEENTRY::peBlue));
}

int ExactInUse(const SystemPalette &palette, COLORREF colour) noexcept {
    const PALETTEENTRY wanted = EntryOf(colour);
    for (int i = 0; i < kSystemPaletteSize; ++i)
        if (InUse(palette.use[i]) && SameColour(palette.entries[i], wanted)) return i;
    return -1;
}

int NearestInUse(const SystemPalette &palette, COLORREF colour) noexcept {
    const int found = NearestWhere(palette, colour, InUse);
    // Nothing in use (no statics, nothing realised): every entry counts.
    return found >= 0 ? found : NearestWhere(palette, colour, [](SystemEntryUse) { return true; });
}

int NearestStatic(const SystemPalette &palette, COLORREF colour) noexcept {
    const int found = NearestWhere(palette, colour, [](SystemEntryUse use) { return use == SystemEntryUse::Static; });
    return found >= 0 ? found : NearestInUse(palette, colour);
}

int FirstFree(const SystemPalette &palette) noexcept {
    for (int i = 0; i < kSystemPaletteSize; ++i)
        if (palette.use[i] == SystemEntryUse::Free) return i;
    return -1;
}

void ForgetRealisation(HPALETTE handle) noexcept {
    SystemPalette &palette = LiveSystemPalette();
    if (palette.foreground == handle) palette.foreground = nullptr;
}

namespace {
// The system palette exists from load on, like the screen it belongs to.
[[maybe_unused]] SystemPalette &kSystemPaletteAtLoad = LiveSystemPalette();
}  // namespace

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

UINT WINAPI GetSystemPaletteEntries(HDC hdc, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries) {
    if (FindDc(hdc) == nullptr || !IsPaletteScreen()) return 0;
    if (pPalEntries == nullptr) return kSystemPaletteSize;
    const SystemPalette &palette = LiveSystemPalette();
    const UINT count = std::min(cEntries, iStart >= kSystemPaletteSize ? 0u : kSystemPaletteSize - iStart);
    for (UINT i = 0; i < count; ++i) {
        pPalEntries[i] = palette.entries[iStart + i];
        pPalEntries[i].peFlags = 0;
    }
    return count;
}

UINT WINAPI GetSystemPaletteUse(HDC hdc) {
    if (FindDc(hdc) == nullptr) return SYSPAL_ERROR;
    return LiveSystemPalette().staticUse;
}

UINT WINAPI SetSystemPaletteUse(HDC hdc, UINT use) {
    if (FindDc(hdc) == nullptr || !IsPaletteScreen()) return SYSPAL_ERROR;
    if (use != SYSPAL_STATIC && use != SYSPAL_NOSTATIC && use != SYSPAL_NOSTATIC256) return SYSPAL_ERROR;
    SystemPalette &palette = LiveSystemPalette();
    const UINT previous = palette.staticUse;
    if (use == previous) return previous;
    RememberSystemPalette();
    palette.staticUse = use;
    SetStatics(palette);
    // Statics coming back may have overwritten what the foreground palette
    // took; it has to be realised again.
    palette.foreground = nullptr;
    PublishSystemPalette();
    return previous;
}

}  // extern "C"
