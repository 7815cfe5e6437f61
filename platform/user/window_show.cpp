// Positioning and showing: SetWindowPos and the calls built on it
// (ShowWindow, MoveWindow, BringWindowToTop), minimising, maximising and
// restoring, with the message sequence of each change.
#include <algorithm>

#include "user/user_lock.h"
#include "user/window_frame.h"
#include "user/window_manager.h"

namespace zelt::platform {

namespace {

// Flags the system adds for the receiver of WM_WINDOWPOSCHANGED.
constexpr UINT kNoClientSize = 0x0800;
constexpr UINT kNoClientMove = 0x1000;
constexpr UINT kStateChanged = 0x8000;
constexpr UINT kStateFlags = kStateChanged | SWP_NOCOPYBITS | SWP_FRAMECHANGED;
constexpr UINT kQuietHide = SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER;
constexpr UINT kQuietShow = SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER;

int Width(const RECT &r) { return r.right - r.left; }
int Height(const RECT &r) { return r.bottom - r.top; }

// A window's state as SetWindowPos starts.
struct Before {
    RECT window{}, client{};
    POINT origin{};  // the parent's client origin
    bool visible = false, child = false, minimized = false;
    DWORD style = 0;
};

bool Snapshot(HWND hwnd, Before &before) {
    std::lock_guard lock(UserLock());
    const Window *w = FindObject<Window>(hwnd);
    if (w == nullptr) return false;
    before = {w->windowRect, w->clientRect, ParentOrigin(*w), w->visible, w->parent != nullptr, w->minimized,
              w->style};
    return true;
}

// What the change did, for the messages after it.
struct Outcome {
    bool shown = false, hidden = false, resized = false, moved = false, restacked = false;
    RECT client{};
};

// Exposes the part of `old` outside `now`: up to four strips.
void ExposeUncovered(const RECT &old, const RECT &now) {
    RECT inner;
    if (!IntersectRect(&inner, &old, &now)) {
        ExposeScreenArea(old);
        return;
    }
    const RECT strips[] = {{old.left, old.top, old.right, inner.top},
                           {old.left, inner.bottom, old.right, old.bottom},
                           {old.left, inner.top, inner.left, inner.bottom},
                           {inner.right, inner.top, old.right, inner.bottom}};
    for (const RECT &strip : strips)
        if (strip.left < strip.right && strip.top < strip.bottom) ExposeScreenArea(strip);
}

// Stores the new rectangles, stacking and visibility, and exposes what the
// window no longer covers.
Outcome Apply(HWND hwnd, const Before &before, const RECT &window, const RECT &client, HWND insertAfter, UINT flags) {
    Outcome out;
    std::lock_guard lock(UserLock());
    Window *w = FindObject<Window>(hwnd);
    if (w == nullptr) return out;
    out.moved = window.left != before.window.left || window.top != before.window.top;
    out.resized = Width(window) != Width(before.window) || Height(window) != Height(before.window);
    w->windowRect = window;
    w->clientRect = client;
    out.client = client;
    // Children keep their place in the client area.
    const int dx = client.left - before.client.left, dy = client.top - before.client.top;
    for (Window *c = TopWindow(); c != nullptr; c = c->older)
        if (c->parent == hwnd) OffsetWindowTree(*c, dx, dy);
    if ((flags & SWP_NOZORDER) == 0 && w->parent == nullptr) {
        const Window *newer = w->newer, *older = w->older;
        PlaceInStack(*w, insertAfter);
        out.restacked = w->newer != newer || w->older != older;
    }
    if ((flags & SWP_SHOWWINDOW) != 0 && !w->visible) out.shown = w->visible = true;
    if ((flags & SWP_HIDEWINDOW) != 0 && w->visible) {
        w->visible = false;
        out.hidden = true;
    }
    w->style = w->visible ? (w->style | WS_VISIBLE) : (w->style & ~static_cast<DWORD>(WS_VISIBLE));
    if (before.visible && out.hidden) ExposeScreenArea(before.window);
    else if (before.visible && (out.moved || out.resized)) ExposeUncovered(before.window, window);
    return out;
}

// WM_NCPAINT and an immediate WM_ERASEBKGND for a window that shows new
// parts; the client is left invalid for WM_PAINT.
void Repaint(HWND hwnd, const RECT &client, UINT flags) {
    SendMessageA(hwnd, WM_NCPAINT, 1, 0);
    if ((flags & SWP_NOREDRAW) != 0 || Width(client) <= 0 || Height(client) <= 0) return;
    LRESULT erased = 0;
    if (HDC dc = GetDC(hwnd)) {
        erased = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseDC(hwnd, dc);
    }
    std::lock_guard lock(UserLock());
    if (Window *w = FindObject<Window>(hwnd)) AddUpdateArea(*w, nullptr, erased == 0);
}

// Windows owned by `owner` that are `visible` (or, hidden with it).
int OwnedWindows(HWND owner, bool hiddenWithOwner, HWND *out, int max) {
    std::lock_guard lock(UserLock());
    int n = 0;
    for (Window *w = TopWindow(); w != nullptr && n < max; w = w->older)
        if (w->owner == owner && !w->destroying && (hiddenWithOwner ? w->hiddenWithOwner : w->visible))
            out[n++] = static_cast<HWND>(w->Handle());
    return n;
}

// Minimising an owner hides its owned windows; restoring shows them again.
void ShowOwnedWindows(HWND owner, bool show) {
    HWND owned[64];
    const int n = OwnedWindows(owner, show, owned, 64);
    for (int i = 0; i < n; ++i) {
        SendMessageA(owned[i], WM_SHOWWINDOW, show ? TRUE : FALSE, show ? SW_PARENTOPENING : SW_PARENTCLOSING);
        PositionWindow(owned[i], nullptr, 0, 0, 0, 0, show ? kQuietShow : kQuietHide);
        std::lock_guard lock(UserLock());
        if (Window *w = FindObject<Window>(owned[i])) w->hiddenWithOwner = !show;
    }
}

// Enters or leaves the minimised or maximised state: the rectangle to
// take, in parent coordinates.
RECT ChangeState(HWND hwnd, int cmd) {
    std::lock_guard lock(UserLock());
    Window *w = FindObject<Window>(hwnd);
    if (w == nullptr) return {};
    const POINT origin = ParentOrigin(*w);
    if (!w->minimized && (w->style & WS_MAXIMIZE) == 0) w->restoredRect = w->windowRect;
    const DWORD states = WS_MINIMIZE | WS_MAXIMIZE;
    w->style &= ~states;
    w->minimized = cmd == SW_MINIMIZE;
    if (cmd == SW_MINIMIZE) {
        w->style |= WS_MINIMIZE;
        return MinimizedRect();
    }
    if (cmd == SW_MAXIMIZE) {
        w->style |= WS_MAXIMIZE;
        MINMAXINFO info;
        DefaultMinMaxInfo(w->style, info);
        return RECT{info.ptMaxPosition.x, info.ptMaxPosition.y, info.ptMaxPosition.x + info.ptMaxSize.x,
                    info.ptMaxPosition.y + info.ptMaxSize.y};
    }
    return OffsetCopy(w->restoredRect, -origin.x, -origin.y);
}

BOOL SetState(HWND hwnd, int state, bool activate, bool wasVisible) {
    const bool minimizing = state == SW_MINIMIZE;
    if (minimizing) ShowOwnedWindows(hwnd, false);
    if (!minimizing && IsIconic(hwnd) && SendMessageA(hwnd, WM_QUERYOPEN, 0, 0) == 0) return wasVisible;
    if (!wasVisible) SendMessageA(hwnd, WM_SHOWWINDOW, TRUE, 0);
    const RECT r = ChangeState(hwnd, state);
    UINT flags = kStateFlags | (activate ? 0 : SWP_NOACTIVATE | SWP_NOZORDER);
    if (minimizing) flags |= SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER;
    else if (!wasVisible) flags |= SWP_SHOWWINDOW;
    PositionWindow(hwnd, HWND_TOP, r.left, r.top, Width(r), Height(r), flags);
    // A minimised window hands activation on.
    if (minimizing) PassActivation(hwnd);
    else ShowOwnedWindows(hwnd, true);
    return wasVisible;
}

// The first showing of a window brings the WM_SIZE and WM_MOVE its
// creation did not send.
void SendFirstSize(HWND hwnd) {
    RECT client{};
    POINT origin{};
    WPARAM type = SIZE_RESTORED;
    {
        std::lock_guard lock(UserLock());
        Window *w = FindObject<Window>(hwnd);
        if (w == nullptr || w->sizeSent) return;
        w->sizeSent = true;
        client = w->clientRect;
        origin = ParentOrigin(*w);
        type = w->minimized ? SIZE_MINIMIZED : (w->style & WS_MAXIMIZE) != 0 ? SIZE_MAXIMIZED : SIZE_RESTORED;
    }
    SendMessageA(hwnd, WM_SIZE, type, MAKELPARAM(Width(client), Height(client)));
    SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(client.left - origin.x, client.top - origin.y));
}

}  // namespace

BOOL PositionWindow(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) noexcept {
    Before before;
    if (!Snapshot(hwnd, before)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (before.child) flags |= SWP_NOACTIVATE;
    WINDOWPOS pos{hwnd, insertAfter, x, y, cx, cy, flags};
    if ((flags & SWP_NOSENDCHANGING) == 0) SendMessageA(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    flags = pos.flags;
    RECT window = OffsetCopy(before.window, -before.origin.x, -before.origin.y);
    if ((flags & SWP_NOMOVE) == 0) window = OffsetCopy(window, pos.x - window.left, pos.y - window.top);
    if ((flags & SWP_NOSIZE) == 0) {
        int width = pos.cx, height = pos.cy;
        if (HasTrackingLimits(before.style)) {
            MINMAXINFO info;
            DefaultMinMaxInfo(before.style, info);
            SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
            if (!IsIconic(hwnd)) {
                width = (std::max)(static_cast<int>(info.ptMinTrackSize.x), (std::min)(width, static_cast<int>(info.ptMaxTrackSize.x)));
                height = (std::max)(static_cast<int>(info.ptMinTrackSize.y), (std::min)(height, static_cast<int>(info.ptMaxTrackSize.y)));
            }
        }
        window.right = window.left + (std::max)(width, 0);
        window.bottom = window.top + (std::max)(height, 0);
    }
    // The client follows from the frame: WM_NCCALCSIZE for every change of
    // size, place or frame.
    RECT client = OffsetCopy(before.client, -before.origin.x, -before.origin.y);
    if ((flags & (SWP_NOSIZE | SWP_NOMOVE)) != (SWP_NOSIZE | SWP_NOMOVE) || (flags & SWP_FRAMECHANGED) != 0) {
        NCCALCSIZE_PARAMS params{};
        params.rgrc[0] = window;
        params.rgrc[1] = OffsetCopy(before.window, -before.origin.x, -before.origin.y);
        params.rgrc[2] = client;
        params.lppos = &pos;
        SendMessageA(hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
        client = params.rgrc[0];
    }
    const RECT screenWindow = OffsetCopy(window, before.origin.x, before.origin.y);
    const RECT screenClient = OffsetCopy(client, before.origin.x, before.origin.y);
    const Outcome out = Apply(hwnd, before, screenWindow, screenClient, insertAfter, flags);
    const bool visible = out.shown || (before.visible && !out.hidden);
    if (visible && (flags & SWP_NOACTIVATE) == 0) ActivateWindow(hwnd);
    if (visible && (out.shown || out.resized || out.moved || out.restacked || (flags & SWP_FRAMECHANGED) != 0))
        Repaint(hwnd, out.client, flags);
    UINT done = flags & ~static_cast<UINT>(before.visible ? SWP_SHOWWINDOW : 0);
    if (!out.restacked) done |= SWP_NOZORDER;
    if (Width(screenClient) == Width(before.client) && Height(screenClient) == Height(before.client)) done |= kNoClientSize;
    if (screenClient.left == before.client.left && screenClient.top == before.client.top) done |= kNoClientMove;
    WINDOWPOS changed{hwnd, insertAfter, window.left, window.top, Width(window), Height(window), done};
    SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&changed));
    if (out.hidden) PassActivation(hwnd);
    return TRUE;
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
    return PositionWindow(hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags);
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    return PositionWindow(hWnd, nullptr, X, Y, nWidth, nHeight,
                          SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW));
}

BOOL WINAPI BringWindowToTop(HWND hWnd) { return PositionWindow(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    Before before;
    if (!Snapshot(hWnd, before)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const BOOL was = before.visible ? TRUE : FALSE;
    const bool maximized = (before.style & WS_MAXIMIZE) != 0;
    switch (nCmdShow) {
        case SW_HIDE:
            if (!before.visible) return FALSE;
            SendMessageA(hWnd, WM_SHOWWINDOW, FALSE, 0);
            PositionWindow(hWnd, nullptr, 0, 0, 0, 0, kQuietHide);
            return TRUE;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
            if (before.minimized) break;
            return SetState(hWnd, SW_MINIMIZE, false, before.visible);
        case SW_MAXIMIZE:
            if (maximized) break;
            SetState(hWnd, SW_MAXIMIZE, !before.child, before.visible);
            SendFirstSize(hWnd);
            return was;
        case SW_RESTORE:
        case SW_SHOWNORMAL:
            if (!before.minimized && !maximized) break;
            SetState(hWnd, SW_RESTORE, !before.child, before.visible);
            SendFirstSize(hWnd);
            return was;
        default: break;
    }
    if (before.visible) return TRUE;
    const bool quiet = before.child || nCmdShow == SW_SHOWNA || nCmdShow == SW_SHOWNOACTIVATE ||
                       nCmdShow == SW_SHOWMINNOACTIVE;
    SendMessageA(hWnd, WM_SHOWWINDOW, TRUE, 0);
    PositionWindow(hWnd, HWND_TOP, 0, 0, 0, 0,
                   SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | (quiet ? SWP_NOACTIVATE | SWP_NOZORDER : 0));
    SendFirstSize(hWnd);
    return FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
    std::lock_guard lock(UserLock());
    for (const Window *w = FindObject<Window>(hWnd); w != nullptr; w = FindObject<Window>(w->parent)) {
        if (!w->visible) return FALSE;
        if (w->parent == nullptr) return TRUE;
    }
    return FALSE;
}

BOOL WINAPI IsIconic(HWND hWnd) {
    std::lock_guard lock(UserLock());
    const Window *w = FindObject<Window>(hWnd);
    return w != nullptr && w->minimized ? TRUE : FALSE;
}

BOOL WINAPI IsZoomed(HWND hWnd) {
    std::lock_guard lock(UserLock());
    const Window *w = FindObject<Window>(hWnd);
    return w != nullptr && (w->style & WS_MAXIMIZE) != 0 ? TRUE : FALSE;
}

}  // extern "C"
