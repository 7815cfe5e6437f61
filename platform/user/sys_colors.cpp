// System colours: the default scheme, SetSysColors, and one solid brush per
// colour that follows it. The brushes are made at load, like the stock
// objects, so live-object counts never see them appear.
#include <array>

#include "gdi/brush.h"
#include "gdi/dc.h"

namespace zelt::platform {
namespace {

constexpr int kSysColorCount = COLOR_MENUBAR + 1;

// The system's default scheme; index 25 has no colour. The 3-D element
// colours (face, shadow, dark shadow, light, highlight) are those of the
// scheme the recorded drawing vectors were measured with, so edges drawn
// here match them pixel for pixel.
constexpr std::array<COLORREF, kSysColorCount> kDefaultColors = {
    RGB(200, 200, 200),  // COLOR_SCROLLBAR
    RGB(0, 0, 0),        // COLOR_BACKGROUND
    RGB(153, 180, 209),  // COLOR_ACTIVECAPTION
    RGB(191, 205, 219),  // COLOR_INACTIVECAPTION
    RGB(240, 240, 240),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(100, 100, 100),  // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(0, 0, 0),        // COLOR_CAPTIONTEXT
    RGB(180, 180, 180),  // COLOR_ACTIVEBORDER
    RGB(244, 247, 252),  // COLOR_INACTIVEBORDER
    RGB(171, 171, 171),  // COLOR_APPWORKSPACE
    RGB(0, 120, 215),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(245, 245, 245),  // COLOR_BTNFACE
    RGB(166, 166, 166),  // COLOR_BTNSHADOW
    RGB(109, 109, 109),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(0, 0, 0),        // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(106, 106, 106),  // COLOR_3DDKSHADOW
    RGB(227, 227, 227),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(0, 0, 0),        // 25: unused
    RGB(0, 102, 204),    // COLOR_HOTLIGHT
    RGB(185, 209, 234),  // COLOR_GRADIENTACTIVECAPTION
    RGB(215, 228, 242),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(0, 120, 215),    // COLOR_MENUHILIGHT
    RGB(240, 240, 240),  // COLOR_MENUBAR
};

struct SysColors {
    std::array<COLORREF, kSysColorCount> colors = kDefaultColors;
    std::array<HBRUSH, kSysColorCount> brushes = {};
};

HBRUSH MakeSysBrush(COLORREF colour) {
    BrushObject *brush = NewObject<BrushObject>(LOGBRUSH{BS_SOLID, colour, 0});
    if (brush == nullptr) return nullptr;
    brush->stock = true;  // DeleteObject leaves it alone
    return static_cast<HBRUSH>(InsertObject(brush));
}

SysColors &State() {
    static SysColors state = [] {
        SysColors made;
        for (int i = 0; i < kSysColorCount; ++i) made.brushes[i] = MakeSysBrush(made.colors[i]);
        return made;
    }();
    return state;
}

[[maybe_unused]] SysColors &kSysColorsAtLoad = State();

// Gives colour `index` a new brush; the old one goes as soon as no DC holds
// it any more.
void ReplaceBrush(SysColors &state, int index) {
    HBRUSH fresh = MakeSysBrush(state.colors[index]);
    if (fresh == nullptr) return;  // keep the old brush rather than none
    HBRUSH old = state.brushes[index];
    state.brushes[index] = fresh;
    if (GdiObject *object = FindObject<GdiObject>(old)) {
        object->stock = false;
        if (object->selections > 0)
            object->deletePending = true;
        else
            DestroyObject(old);
    }
}

}  // namespace
}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

DWORD WINAPI GetSysColor(int nIndex) {
    if (nIndex < 0 || nIndex >= kSysColorCount) return 0;
    return State().colors[nIndex];
}

BOOL WINAPI SetSysColors(int cElements, const INT *lpaElements, const COLORREF *lpaRgbValues) {
    if (cElements < 0 || (cElements > 0 && (lpaElements == nullptr || lpaRgbValues == nullptr))) return FALSE;
    SysColors &state = State();
    for (int i = 0; i < cElements; ++i) {
        const int index = lpaElements[i];
        if (index < 0 || index >= kSysColorCount) continue;
        state.colors[index] = lpaRgbValues[i] & 0x00FFFFFF;
        ReplaceBrush(state, index);
    }
    return TRUE;
}

HBRUSH WINAPI GetSysColorBrush(int nIndex) {
    if (nIndex < 0 || nIndex >= kSysColorCount) return nullptr;
    return State().brushes[nIndex];
}

}  // extern "C"
