// Activation and keyboard focus: one active top-level window and one focus
// window, with the WM_NCACTIVATE / WM_ACTIVATE / WM_ACTIVATEAPP /
// WM_KILLFOCUS / WM_SETFOCUS sequences that go with their changes.
#include "gdi/screen.h"
#include "user/user_lock.h"
#include "user/window_frame.h"
#include "user/window_manager.h"

namespace zelt::platform {

namespace {

HWND active = nullptr;  // guarded by the user lock
HWND focus = nullptr;

WPARAM ActivateParam(WORD state, bool minimized) {
    return static_cast<WPARAM>(state) | (static_cast<WPARAM>(minimized ? 1 : 0) << 16);
}

bool Minimized(HWND hwnd) {
    std::lock_guard lock(UserLock());
    const Window *w = FindObject<Window>(hwnd);
    return w != nullptr && w->minimized;
}

HWND TopLevelOf(HWND hwnd) {
    const Window *w = FindObject<Window>(hwnd);
    while (w != nullptr && w->parent != nullptr) w = FindObject<Window>(w->parent);
    return w != nullptr ? static_cast<HWND>(w->Handle()) : nullptr;
}

bool Within(HWND inner, HWND outer) {
    for (const Window *w = FindObject<Window>(inner); w != nullptr; w = FindObject<Window>(w->parent))
        if (w->Handle() == outer) return true;
    return false;
}

// The top-level windows of this thread, in stacking order, at most `max`.
int ThreadTopLevels(HWND *out, int max, HWND first) {
    std::lock_guard lock(UserLock());
    int n = 0;
    if (first != nullptr && FindObject<Window>(first) != nullptr) out[n++] = first;
    for (Window *w = TopWindow(); w != nullptr && n < max; w = w->older)
        if (w->parent == nullptr && w->threadId == GetCurrentThreadId() && w->Handle() != first)
            out[n++] = static_cast<HWND>(w->Handle());
    return n;
}

void TellApplication(bool activating, HWND first) {
    HWND windows[64];
    const int n = ThreadTopLevels(windows, 64, first);
    for (int i = 0; i < n; ++i) SendMessageA(windows[i], WM_ACTIVATEAPP, activating ? TRUE : FALSE, 0);
}

// Who takes over from a window that stops being active: its owner when it
// can, else the topmost shown window of the thread.
HWND Successor(HWND leaving) {
    std::lock_guard lock(UserLock());
    const Window *gone = FindObject<Window>(leaving);
    const auto usable = [&](const Window *w) {
        return w != nullptr && w != gone && w->parent == nullptr && w->visible && !w->minimized && !w->destroying &&
               w->threadId == GetCurrentThreadId();
    };
    if (gone != nullptr && gone->owner != nullptr && usable(FindObject<Window>(gone->owner))) return gone->owner;
    for (Window *w = TopWindow(); w != nullptr; w = w->older)
        if (usable(w)) return static_cast<HWND>(w->Handle());
    return nullptr;
}

// Moves the focus, with WM_KILLFOCUS to the old window and WM_SETFOCUS to
// the new one; returns the old one.
HWND MoveFocus(HWND to) {
    HWND old;
    {
        std::lock_guard lock(UserLock());
        old = focus;
        if (old == to) return old;
        focus = to;
    }
    if (old != nullptr && IsWindow(old)) SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(to), 0);
    if (to != nullptr && IsWindow(to)) SendMessageA(to, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

}  // namespace

HWND ActiveWindowLocked() noexcept { return active; }

void ForgetActivation(HWND hwnd) noexcept {
    if (active == hwnd) active = nullptr;
    if (focus == hwnd) focus = nullptr;
}

void ActivateWindow(HWND hwnd) noexcept {
    HWND old;
    {
        std::lock_guard lock(UserLock());
        hwnd = TopLevelOf(hwnd);
        if (hwnd == nullptr || hwnd == active) return;
        old = active;
        active = hwnd;
    }
    if (old != nullptr && IsWindow(old)) {
        SendMessageA(old, WM_NCACTIVATE, FALSE, 0);
        SendMessageA(old, WM_ACTIVATE, ActivateParam(WA_INACTIVE, Minimized(old)), reinterpret_cast<LPARAM>(hwnd));
    }
    // A palette device lets the newly active window realise its palette.
    if (CurrentScreen().bitsPixel == 8) SendMessageA(hwnd, WM_QUERYNEWPALETTE, 0, 0);
    if (old == nullptr) TellApplication(true, hwnd);
    SendMessageA(hwnd, WM_NCACTIVATE, TRUE, 0);
    SendMessageA(hwnd, WM_ACTIVATE, ActivateParam(WA_ACTIVE, Minimized(hwnd)), reinterpret_cast<LPARAM>(old));
}

void PassActivation(HWND leaving) noexcept {
    bool wasActive, heldFocus;
    {
        std::lock_guard lock(UserLock());
        wasActive = active == leaving;
        heldFocus = focus != nullptr && Within(focus, leaving);
    }
    if (wasActive) {
        if (HWND next = Successor(leaving)) {
            ActivateWindow(next);
            return;
        }
        {
            std::lock_guard lock(UserLock());
            active = nullptr;
        }
        SendMessageA(leaving, WM_NCACTIVATE, FALSE, 0);
        SendMessageA(leaving, WM_ACTIVATE, ActivateParam(WA_INACTIVE, Minimized(leaving)), 0);
        TellApplication(false, leaving);
    }
    if (heldFocus || wasActive) {
        bool stillInside;
        {
            std::lock_guard lock(UserLock());
            stillInside = focus != nullptr && Within(focus, leaving);
        }
        if (stillInside) MoveFocus(nullptr);
    }
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

HWND WINAPI GetActiveWindow(void) {
    std::lock_guard lock(UserLock());
    return active;
}

HWND WINAPI SetActiveWindow(HWND hWnd) {
    HWND previous;
    {
        std::lock_guard lock(UserLock());
        if (FindObject<Window>(hWnd) == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        previous = active;
    }
    ActivateWindow(hWnd);
    return previous;
}

HWND WINAPI GetForegroundWindow(void) { return GetActiveWindow(); }

BOOL WINAPI SetForegroundWindow(HWND hWnd) {
    if (!IsWindow(hWnd)) return FALSE;
    return PositionWindow(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

HWND WINAPI GetFocus(void) {
    std::lock_guard lock(UserLock());
    return focus;
}

HWND WINAPI SetFocus(HWND hWnd) {
    const HWND previous = GetFocus();
    if (hWnd != nullptr) {
        HWND top;
        {
            std::lock_guard lock(UserLock());
            const Window *w = FindObject<Window>(hWnd);
            if (w == nullptr) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return nullptr;
            }
            top = TopLevelOf(hWnd);
        }
        // The focus lives in the active window: take activation first.
        ActivateWindow(top);
    }
    MoveFocus(hWnd);
    return previous;
}

}  // extern "C"
