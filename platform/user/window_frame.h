// What the window manager's own pieces share: frame sizes, stacking,
// positioning and activation. Functions marked "lock held" expect the user
// lock; the others take it themselves and may run window procedures.
#pragma once

#include "user/window.h"
#include "zelt/win32.h"

namespace zelt::platform {

// ---- frame geometry (system_metrics.cpp) ----
// How far the frame reaches beyond the client on each side.
struct FrameInsets {
    int left = 0, top = 0, right = 0, bottom = 0;
};
FrameInsets NonClientInsets(DWORD style, DWORD exStyle, bool menu) noexcept;
// The width of the sizing or dialog frame alone (what a maximised window
// pushes beyond the screen edge).
int OuterFrameWidth(DWORD style) noexcept;
// Whether sizes of this style are bound by WM_GETMINMAXINFO.
bool HasTrackingLimits(DWORD style) noexcept;
// The size and place of a minimised window.
RECT MinimizedRect() noexcept;

// ---- geometry (window_geometry.cpp) ----
// Screen position of the parent's client origin ((0, 0) for top-level
// windows). Lock held.
POINT ParentOrigin(const Window &window) noexcept;
// Fills the defaults of WM_GETMINMAXINFO for a style.
void DefaultMinMaxInfo(DWORD style, MINMAXINFO &info) noexcept;
// The part of a screen area inside a window that the screen shows: inside
// its ancestors' clients and the screen, not under windows above it.
// Lock held.
bool VisibleScreenRegion(const Window &window, const RECT &area, HRGN into) noexcept;
// Moves a window and its descendants by (dx, dy). Lock held.
void OffsetWindowTree(Window &window, int dx, int dy) noexcept;

// ---- stacking (window.cpp) ----
// Puts a top-level window at HWND_TOP, HWND_BOTTOM, HWND_TOPMOST,
// HWND_NOTOPMOST or below another window; windows it owns move above it.
// Lock held.
void PlaceInStack(Window &window, HWND insertAfter) noexcept;

// ---- positioning (window_show.cpp) ----
// SetWindowPos after validation, for any flags including state changes.
BOOL PositionWindow(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) noexcept;

// ---- activation and focus (window_activate.cpp) ----
// Makes a top-level window the active one with the message sequence
// (nothing when it already is); its WM_ACTIVATE, through DefWindowProcA,
// gives it the keyboard focus.
void ActivateWindow(HWND hwnd) noexcept;
// A window is hidden, minimised or going away: when it is active (or holds
// the focus), activation passes to its owner or the next visible top-level
// window of the thread, or, with none, the thread deactivates.
void PassActivation(HWND leaving) noexcept;
// The active window; null when none. Lock held.
HWND ActiveWindowLocked() noexcept;
// A window is going away: it stops being active or focused, without
// messages. Lock held.
void ForgetActivation(HWND hwnd) noexcept;

// ---- properties (window_props.cpp) ----
// Frees every property of a window. Lock held.
void ForgetProperties(Window &window) noexcept;

// ---- default processing (window_nonclient.cpp) ----
LRESULT DefaultNcCalcSize(HWND hwnd, BOOL calcValidRects, LPARAM lParam) noexcept;
LRESULT DefaultNcHitTest(HWND hwnd, LPARAM lParam) noexcept;
// The hit-test code of a screen point over a window's frame. Lock held.
LRESULT HitTestLocked(const Window &window, POINT screen) noexcept;

// Screen rectangle helpers.
inline RECT OffsetCopy(RECT r, int dx, int dy) noexcept {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
    return r;
}

}  // namespace zelt::platform
