// What the window pieces ask of each other: geometry and stacking
// (window_geometry.cpp, window_show.cpp), painting and exposure
// (window_paint.cpp), input and cursors (input.cpp, cursor.cpp). Functions
// marked "lock held" expect the user lock; the others take it themselves and
// may run window procedures.
#pragma once

#include "user/window.h"
#include "zelt/win32.h"

namespace zelt::platform {

// ---- stacking and geometry (window manager) ----
// The topmost window; walk down with `older`. Lock held.
Window *TopWindow() noexcept;
// The visible top-level window under a screen point and the hit-test code
// its frame gives (HTCLIENT, HTCAPTION, ...); null when only the desktop is
// there. Lock held.
Window *WindowAtPoint(POINT screen) noexcept;
// The part of a window's client area (client coordinates) not covered by
// visible windows above it and inside the screen; an empty region for a
// hidden or minimised window. False when memory runs out. Lock held.
bool VisibleClientRegion(const Window &window, HRGN into) noexcept;

// ---- painting (window_paint.cpp) ----
// Adds a client-coordinate area (null: the whole client) to a window's
// update region; `erase` asks for WM_ERASEBKGND. Lock held.
void AddUpdateArea(Window &window, const RECT *clientArea, bool erase) noexcept;
// After a window was hidden, moved, resized or destroyed: every visible
// window that the screen rectangle now shows gets that part invalidated
// with erasing, and the uncovered desktop is filled with the desktop
// colour. Lock held.
void ExposeScreenArea(const RECT &screen) noexcept;
// Drops the update region of a window being destroyed. Lock held.
void ForgetUpdateArea(Window &window) noexcept;
// The next window of `threadId` that needs WM_PAINT (matching `filter` when
// not null), or null. Lock held.
HWND NextWindowToPaint(DWORD threadId, HWND filter) noexcept;
// WM_ERASEBKGND in DefWindowProcA: fills the update area with the class
// brush; returns 1 when it painted, 0 when the class has no brush.
LRESULT DefaultEraseBackground(HWND hwnd, HDC hdc) noexcept;
// WM_NCPAINT in DefWindowProcA: draws frame and caption on the screen.
void DrawNonClient(HWND hwnd) noexcept;

// ---- input and cursors (input.cpp, cursor.cpp) ----
// WM_SETCURSOR in DefWindowProcA: the class cursor for HTCLIENT, the arrow
// elsewhere.
LRESULT DefaultSetCursor(HWND hwnd, LPARAM lParam) noexcept;
// A window is going away: it loses the capture, focus and activation
// without messages. Lock held.
void ForgetInputWindow(HWND hwnd) noexcept;

}  // namespace zelt::platform
