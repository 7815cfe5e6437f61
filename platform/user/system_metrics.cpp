// GetSystemMetrics and the frame sizes that follow from it: AdjustWindowRect
// and the insets WM_NCCALCSIZE takes off a window rectangle.
#include <algorithm>
#include <iterator>

#include "gdi/screen.h"
#include "user/window_frame.h"

namespace zelt::platform {

namespace {

// Sizes of the frame pieces, in pixels at 96 DPI.
constexpr int kBorder = 1;
constexpr int kDialogFrame = 3;
constexpr int kSizingFrame = 4;
constexpr int kCaption = 19;
constexpr int kMenu = 19;
constexpr int kMinimizedWidth = 160;
constexpr int kMinimizedHeight = 24;
// A maximised sizing window may be tracked this much beyond the screen.
constexpr int kMaxTrackMargin = 12;

struct FixedMetric {
    int index;
    int value;
};

constexpr FixedMetric kFixedMetrics[] = {
    {SM_CXVSCROLL, 16},     {SM_CYHSCROLL, 16},  {SM_CYCAPTION, kCaption},   {SM_CXBORDER, kBorder},
    {SM_CYBORDER, kBorder}, {SM_CXDLGFRAME, kDialogFrame}, {SM_CYDLGFRAME, kDialogFrame},
    {SM_CXICON, 32},        {SM_CYICON, 32},     {SM_CXCURSOR, 32},          {SM_CYCURSOR, 32},
    {SM_CYMENU, kMenu},     {SM_MOUSEPRESENT, 1}, {SM_SWAPBUTTON, 0},        {SM_CXMIN, 112},
    {SM_CYMIN, 27},         {SM_CXSIZE, 18},     {SM_CYSIZE, 18},            {SM_CXFRAME, kSizingFrame},
    {SM_CYFRAME, kSizingFrame}, {SM_CXMINTRACK, 112}, {SM_CYMINTRACK, 27},  {SM_CXDOUBLECLK, 4},
    {SM_CYDOUBLECLK, 4},    {SM_CXSMICON, 16},   {SM_CYSMICON, 16},          {SM_CXPADDEDBORDER, 0},
};

}  // namespace

int OuterFrameWidth(DWORD style) noexcept {
    if ((style & WS_THICKFRAME) != 0) return kSizingFrame;
    if ((style & WS_DLGFRAME) != 0) return kDialogFrame;
    if ((style & WS_BORDER) != 0) return kBorder;
    return 0;
}

FrameInsets NonClientInsets(DWORD style, DWORD /*exStyle*/, bool menu) noexcept {
    const int frame = OuterFrameWidth(style);
    FrameInsets insets{frame, frame, frame, frame};
    if ((style & WS_CAPTION) == WS_CAPTION) insets.top += kCaption;
    if (menu) insets.top += kMenu;
    return insets;
}

bool HasTrackingLimits(DWORD style) noexcept {
    return (style & WS_THICKFRAME) != 0 || (style & (WS_POPUP | WS_CHILD)) == 0;
}

RECT MinimizedRect() noexcept {
    const int height = CurrentScreen().height;
    return RECT{0, height - kMinimizedHeight, kMinimizedWidth, height};
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

int WINAPI GetSystemMetrics(int nIndex) {
    const ScreenFormat screen = CurrentScreen();
    switch (nIndex) {
        case SM_CXSCREEN: return screen.width;
        case SM_CYSCREEN: return screen.height;
        case SM_CXMAXTRACK: return screen.width + kMaxTrackMargin;
        case SM_CYMAXTRACK: return screen.height + kMaxTrackMargin;
        default: break;
    }
    const auto *found = std::find_if(std::begin(kFixedMetrics), std::end(kFixedMetrics),
                                     [&](const FixedMetric &m) { return m.index == nIndex; });
    return found != std::end(kFixedMetrics) ? found->value : 0;
}

BOOL WINAPI AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle) {
    if (lpRect == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const FrameInsets insets = NonClientInsets(dwStyle, dwExStyle, bMenu != FALSE);
    lpRect->left -= insets.left;
    lpRect->top -= insets.top;
    lpRect->right += insets.right;
    lpRect->bottom += insets.bottom;
    return TRUE;
}

BOOL WINAPI AdjustWindowRect(LPRECT lpRect, DWORD dwStyle, BOOL bMenu) {
    return AdjustWindowRectEx(lpRect, dwStyle, bMenu, 0);
}

}  // extern "C"
