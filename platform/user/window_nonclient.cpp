// The frame around a window's client: its size (WM_NCCALCSIZE), what each
// part of it is (WM_NCHITTEST) and how it looks (WM_NCPAINT): border,
// sizing or dialog frame, caption bar in the active or inactive colour and
// a close box for windows with a system menu.
#include <algorithm>
#include <memory>

#include "user/user_lock.h"
#include "user/window_frame.h"
#include "user/window_manager.h"

namespace zelt::platform {

namespace {

struct GdiDeleter {
    void operator()(void *object) const noexcept { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
using RegionGuard = std::unique_ptr<std::remove_pointer_t<HRGN>, GdiDeleter>;

// Everything the drawing needs, copied under the lock.
struct FrameLook {
    RECT window{}, client{};
    DWORD style = 0;
    bool active = false, minimized = false;
};

bool HasCaption(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION; }

// The caption bar and the close box in it, screen coordinates.
RECT CaptionBar(const RECT &window, DWORD style) {
    const int frame = OuterFrameWidth(style);
    return RECT{window.left + frame, window.top + frame, window.right - frame,
                window.top + frame + GetSystemMetrics(SM_CYCAPTION) - 1};
}

RECT CloseBox(const RECT &caption) {
    const int size = caption.bottom - caption.top - 4;
    return RECT{caption.right - 2 - size, caption.top + 2, caption.right - 2, caption.bottom - 2};
}

void Fill(HDC dc, const RECT &r, int colour) { FillRect(dc, &r, GetSysColorBrush(colour)); }

// Draws a frame band `width` pixels wide inside `outer`.
void Band(HDC dc, const RECT &outer, int width, int colour) {
    if (width <= 0) return;
    Fill(dc, RECT{outer.left, outer.top, outer.right, outer.top + width}, colour);
    Fill(dc, RECT{outer.left, outer.bottom - width, outer.right, outer.bottom}, colour);
    Fill(dc, RECT{outer.left, outer.top + width, outer.left + width, outer.bottom - width}, colour);
    Fill(dc, RECT{outer.right - width, outer.top + width, outer.right, outer.bottom - width}, colour);
}

void DrawCloseBox(HDC dc, const RECT &box) {
    Fill(dc, box, COLOR_BTNFACE);
    FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNTEXT));
    // The cross: one diagonal pixel run each way.
    const int size = (std::min)(box.right - box.left, box.bottom - box.top) - 6;
    for (int i = 0; i < size; ++i) {
        Fill(dc, RECT{box.left + 3 + i, box.top + 3 + i, box.left + 4 + i, box.top + 4 + i}, COLOR_BTNTEXT);
        Fill(dc, RECT{box.left + 3 + i, box.top + 2 + size - i, box.left + 4 + i, box.top + 3 + size - i},
             COLOR_BTNTEXT);
    }
}

void Paint(HDC dc, const FrameLook &look) {
    RECT outer = look.window;
    const int frame = OuterFrameWidth(look.style);
    const bool border = (look.style & WS_BORDER) != 0 || (look.style & WS_THICKFRAME) != 0;
    if (border) {
        Band(dc, outer, 1, COLOR_WINDOWFRAME);
        InflateRect(&outer, -1, -1);
    }
    Band(dc, outer, frame - (border ? 1 : 0), look.active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER);
    if (!HasCaption(look.style)) return;
    const RECT caption = CaptionBar(look.window, look.style);
    Fill(dc, caption, look.active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    // The line between the caption and the client.
    Fill(dc, RECT{caption.left, caption.bottom, caption.right, caption.bottom + 1}, COLOR_WINDOWFRAME);
    if ((look.style & WS_SYSMENU) != 0) DrawCloseBox(dc, CloseBox(caption));
}

}  // namespace

LRESULT DefaultNcCalcSize(HWND hwnd, BOOL calcValidRects, LPARAM lParam) noexcept {
    if (lParam == 0) return 0;
    RECT &rect = calcValidRects ? reinterpret_cast<NCCALCSIZE_PARAMS *>(lParam)->rgrc[0] : *reinterpret_cast<RECT *>(lParam);
    DWORD style, exStyle;
    bool menu, minimized;
    {
        std::lock_guard lock(UserLock());
        const Window *w = FindObject<Window>(hwnd);
        if (w == nullptr) return 0;
        style = w->style;
        exStyle = w->exStyle;
        menu = w->menu != nullptr && (style & WS_CHILD) == 0;
        minimized = w->minimized;
    }
    if (minimized) {
        // A minimised window is all frame.
        rect.right = rect.left;
        rect.bottom = rect.top;
        return 0;
    }
    const FrameInsets insets = NonClientInsets(style, exStyle, menu);
    rect.left += insets.left;
    rect.top += insets.top;
    rect.right = (std::max)(rect.left, rect.right - insets.right);
    rect.bottom = (std::max)(rect.top, rect.bottom - insets.bottom);
    return 0;
}

LRESULT HitTestLocked(const Window &window, POINT pt) noexcept {
    const RECT &r = window.windowRect;
    if (!PtInRect(&r, pt)) return HTNOWHERE;
    if (PtInRect(&window.clientRect, pt)) return HTCLIENT;
    const int frame = OuterFrameWidth(window.style);
    const bool left = pt.x < r.left + frame, right = pt.x >= r.right - frame;
    const bool top = pt.y < r.top + frame, bottom = pt.y >= r.bottom - frame;
    if ((window.style & WS_THICKFRAME) != 0 && (left || right || top || bottom)) {
        // Corners reach as far along each edge as a caption button.
        const int corner = GetSystemMetrics(SM_CXSIZE) + frame;
        const bool nearLeft = pt.x < r.left + corner, nearRight = pt.x >= r.right - corner;
        const bool nearTop = pt.y < r.top + corner, nearBottom = pt.y >= r.bottom - corner;
        if ((top && nearLeft) || (left && nearTop)) return HTTOPLEFT;
        if ((top && nearRight) || (right && nearTop)) return HTTOPRIGHT;
        if ((bottom && nearLeft) || (left && nearBottom)) return HTBOTTOMLEFT;
        if ((bottom && nearRight) || (right && nearBottom)) return HTBOTTOMRIGHT;
        return left ? HTLEFT : right ? HTRIGHT : top ? HTTOP : HTBOTTOM;
    }
    if (left || right || top || bottom) return HTBORDER;
    if (HasCaption(window.style)) {
        const RECT caption = CaptionBar(r, window.style);
        if (pt.y < caption.bottom + 1) {
            const RECT close = CloseBox(caption);
            return (window.style & WS_SYSMENU) != 0 && PtInRect(&close, pt) ? HTCLOSE : HTCAPTION;
        }
    }
    if (window.minimized) return HTCAPTION;
    return window.menu != nullptr && (window.style & WS_CHILD) == 0 ? HTMENU : HTBORDER;
}

LRESULT DefaultNcHitTest(HWND hwnd, LPARAM lParam) noexcept {
    const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    std::lock_guard lock(UserLock());
    const Window *w = FindObject<Window>(hwnd);
    return w != nullptr ? HitTestLocked(*w, pt) : HTNOWHERE;
}

void DrawNonClient(HWND hwnd) noexcept {
    FrameLook look;
    RegionGuard visible(CreateRectRgn(0, 0, 0, 0));
    if (visible == nullptr) return;
    {
        std::lock_guard lock(UserLock());
        const Window *w = FindObject<Window>(hwnd);
        if (w == nullptr || !w->visible) return;
        look = {w->windowRect, w->clientRect, w->style, ActiveWindowLocked() == hwnd, w->minimized};
        if (!VisibleScreenRegion(*w, w->windowRect, visible.get())) return;
    }
    // The frame only: the client is the window's own to paint.
    RegionGuard client(CreateRectRgn(look.client.left, look.client.top, look.client.right, look.client.bottom));
    if (client == nullptr || CombineRgn(visible.get(), visible.get(), client.get(), RGN_DIFF) == ERROR) return;
    HDC dc = GetDC(nullptr);
    if (dc == nullptr) return;
    SelectClipRgn(dc, visible.get());
    Paint(dc, look);
    ReleaseDC(nullptr, dc);
}

}  // namespace zelt::platform
