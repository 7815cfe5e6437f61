// Window geometry: rectangles, coordinate mapping, what lies under a point
// and which part of a client area the screen shows.
#include <memory>

#include "user/user_lock.h"
#include "user/window_frame.h"
#include "user/window_manager.h"

namespace zelt::platform {

namespace {

struct RegionDeleter {
    void operator()(HRGN region) const noexcept { DeleteObject(region); }
};
using RegionGuard = std::unique_ptr<std::remove_pointer_t<HRGN>, RegionDeleter>;

Window *ParentOf(const Window &window) { return window.parent != nullptr ? FindObject<Window>(window.parent) : nullptr; }

const Window *TopLevelOf(const Window &window) {
    const Window *top = &window;
    while (const Window *parent = ParentOf(*top)) top = parent;
    return top;
}

// Shown, not minimised, and so are all its ancestors.
bool ShowsOnScreen(const Window &window) {
    for (const Window *w = &window; w != nullptr; w = ParentOf(*w))
        if (!w->visible || w->minimized) return false;
    return true;
}

bool Subtract(HRGN from, const RECT &r) {
    RegionGuard cut(CreateRectRgn(r.left, r.top, r.right, r.bottom));
    return cut != nullptr && CombineRgn(from, from, cut.get(), RGN_DIFF) != ERROR;
}

bool Intersect(HRGN into, const RECT &r) {
    RegionGuard keep(CreateRectRgn(r.left, r.top, r.right, r.bottom));
    return keep != nullptr && CombineRgn(into, into, keep.get(), RGN_AND) != ERROR;
}

// Runs `body` on a window looked up under the lock; sets the invalid-handle
// error otherwise.
template <class Body>
BOOL WithWindow(HWND hwnd, Body body) {
    std::lock_guard lock(UserLock());
    Window *window = FindObject<Window>(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    body(*window);
    return TRUE;
}

// The screen point the client origin of `hwnd` sits at; (0, 0) for null
// (the desktop). False for an invalid window.
bool ClientOrigin(HWND hwnd, POINT &origin) {
    origin = {0, 0};
    if (hwnd == nullptr) return true;
    return WithWindow(hwnd, [&](Window &w) { origin = {w.clientRect.left, w.clientRect.top}; }) != FALSE;
}

}  // namespace

POINT ParentOrigin(const Window &window) noexcept {
    const Window *parent = ParentOf(window);
    return parent != nullptr ? POINT{parent->clientRect.left, parent->clientRect.top} : POINT{0, 0};
}

void DefaultMinMaxInfo(DWORD style, MINMAXINFO &info) noexcept {
    const int frame = OuterFrameWidth(style);
    info = MINMAXINFO{};
    info.ptMaxSize = {GetSystemMetrics(SM_CXSCREEN) + 2 * frame, GetSystemMetrics(SM_CYSCREEN) + 2 * frame};
    info.ptMaxPosition = {-frame, -frame};
    info.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    info.ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
}

void OffsetWindowTree(Window &window, int dx, int dy) noexcept {
    if (dx == 0 && dy == 0) return;
    window.windowRect = OffsetCopy(window.windowRect, dx, dy);
    window.clientRect = OffsetCopy(window.clientRect, dx, dy);
    const HWND hwnd = static_cast<HWND>(window.Handle());
    for (Window *w = TopWindow(); w != nullptr; w = w->older)
        if (w->parent == hwnd) OffsetWindowTree(*w, dx, dy);
}

Window *WindowAtPoint(POINT screen) noexcept {
    for (Window *w = TopWindow(); w != nullptr; w = w->older)
        if (w->parent == nullptr && w->visible && !w->destroying && PtInRect(&w->windowRect, screen)) return w;
    return nullptr;
}

bool VisibleScreenRegion(const Window &window, const RECT &area, HRGN into) noexcept {
    if (SetRectRgn(into, 0, 0, 0, 0) == 0) return false;
    if (!ShowsOnScreen(window)) return true;
    if (SetRectRgn(into, area.left, area.top, area.right, area.bottom) == 0) return false;
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!Intersect(into, screen)) return false;
    for (const Window *a = ParentOf(window); a != nullptr; a = ParentOf(*a))
        if (!Intersect(into, a->clientRect)) return false;
    // Top-level windows above this one's top-level window cover it.
    const Window *top = TopLevelOf(window);
    for (const Window *w = TopWindow(); w != nullptr && w != top; w = w->older)
        if (w->parent == nullptr && w->visible && !w->minimized && !Subtract(into, w->windowRect)) return false;
    const HWND hwnd = static_cast<HWND>(window.Handle());
    // Sibling children above it, when it clips siblings, and its own
    // children when it clips children.
    bool above = true;
    for (const Window *w = TopWindow(); w != nullptr; w = w->older) {
        if (w == &window) above = false;
        if (!w->visible || w == &window) continue;
        const bool sibling = above && window.parent != nullptr && w->parent == window.parent &&
                             (window.style & WS_CLIPSIBLINGS) != 0;
        const bool child = w->parent == hwnd && (window.style & WS_CLIPCHILDREN) != 0;
        if ((sibling || child) && !Subtract(into, w->windowRect)) return false;
    }
    return true;
}

bool VisibleClientRegion(const Window &window, HRGN into) noexcept {
    const RECT &c = window.clientRect;
    return VisibleScreenRegion(window, c, into) && OffsetRgn(into, -c.left, -c.top) != ERROR;
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    if (lpRect == nullptr) return FALSE;
    return WithWindow(hWnd, [&](Window &w) { *lpRect = w.windowRect; });
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    if (lpRect == nullptr) return FALSE;
    return WithWindow(hWnd, [&](Window &w) {
        *lpRect = RECT{0, 0, w.clientRect.right - w.clientRect.left, w.clientRect.bottom - w.clientRect.top};
    });
}

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
    POINT origin;
    if (lpPoint == nullptr || hWnd == nullptr || !ClientOrigin(hWnd, origin)) return FALSE;
    lpPoint->x += origin.x;
    lpPoint->y += origin.y;
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
    POINT origin;
    if (lpPoint == nullptr || hWnd == nullptr || !ClientOrigin(hWnd, origin)) return FALSE;
    lpPoint->x -= origin.x;
    lpPoint->y -= origin.y;
    return TRUE;
}

int WINAPI MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints) {
    POINT from, to;
    if (!ClientOrigin(hWndFrom, from) || !ClientOrigin(hWndTo, to)) return 0;
    const int dx = from.x - to.x, dy = from.y - to.y;
    for (UINT i = 0; lpPoints != nullptr && i < cPoints; ++i) {
        lpPoints[i].x += dx;
        lpPoints[i].y += dy;
    }
    return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

HWND WINAPI WindowFromPoint(POINT Point) {
    std::lock_guard lock(UserLock());
    Window *found = WindowAtPoint(Point);
    // Descend into the deepest visible child under the point.
    for (bool deeper = found != nullptr; deeper;) {
        deeper = false;
        const HWND hwnd = static_cast<HWND>(found->Handle());
        for (Window *w = TopWindow(); w != nullptr; w = w->older)
            if (w->parent == hwnd && w->visible && PtInRect(&w->windowRect, Point)) {
                found = w;
                deeper = true;
                break;
            }
    }
    return found != nullptr ? static_cast<HWND>(found->Handle()) : nullptr;
}

}  // extern "C"
