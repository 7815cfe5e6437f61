// CreateWindowExA, DestroyWindow, the stacking order and the window lookups
// the message and clipboard code build on.
#include "user/window.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

#include "user/clipboard.h"
#include "user/message_queue.h"
#include "user/user_lock.h"
#include "user/window_class.h"
#include "user/window_frame.h"
#include "user/window_manager.h"

namespace zelt::platform {

namespace {

Window *newest = nullptr;  // the window list; guarded by the user lock

void Link(Window *window) {
    window->older = newest;
    if (newest != nullptr) newest->newer = window;
    newest = window;
}

void Unlink(Window *window) {
    if (window->newer != nullptr)
        window->newer->older = window->older;
    else
        newest = window->older;
    if (window->older != nullptr) window->older->newer = window->newer;
    window->older = window->newer = nullptr;
}

// Links an unlinked window just below `anchor`, or at the top for null.
void LinkBelow(Window *window, Window *anchor) {
    if (anchor == nullptr) {
        Link(window);
        return;
    }
    window->newer = anchor;
    window->older = anchor->older;
    if (anchor->older != nullptr) anchor->older->newer = window;
    anchor->older = window;
}

bool IsTopmost(const Window *w) { return w->parent == nullptr && (w->exStyle & WS_EX_TOPMOST) != 0; }

// The lowest topmost window: ordinary windows go below it.
Window *LowestTopmost() {
    Window *lowest = nullptr;
    for (Window *w = newest; w != nullptr; w = w->older)
        if (IsTopmost(w)) lowest = w;
    return lowest;
}

bool OwnedBy(const Window *w, HWND owner) {
    for (int depth = 0; w != nullptr && depth < 64; ++depth) {
        if (w->owner == owner) return true;
        w = w->owner != nullptr ? FindObject<Window>(w->owner) : nullptr;
    }
    return false;
}

bool CopyText(ByteBuffer &text, LPCSTR source) {
    const std::size_t length = source != nullptr && !IS_INTRESOURCE(source) ? std::strlen(source) : 0;
    if (!text.Reset(length + 1)) return false;
    if (length != 0) std::memcpy(text.Data(), source, length);
    return true;
}

// The top-level window a new top-level window is owned by, for an owner
// given as any window.
HWND TopLevelOf(Window *window) {
    while (window != nullptr && window->parent != nullptr) window = FindObject<Window>(window->parent);
    return window != nullptr ? static_cast<HWND>(window->Handle()) : nullptr;
}

// Removes a window whose messages are done: nothing refers to it any more.
// Call with the user lock held.
void Remove(Window *window) {
    const HWND hwnd = static_cast<HWND>(window->Handle());
    ForgetInputWindow(hwnd);
    ForgetActivation(hwnd);
    ForgetUpdateArea(*window);
    ForgetProperties(*window);
    if (window->visible) {
        window->visible = false;
        ExposeScreenArea(window->windowRect);
    }
    for (Window *other = newest; other != nullptr; other = other->older) {
        if (other->owner == hwnd) other->owner = nullptr;
        if (other->parent == hwnd) other->parent = nullptr;
    }
    Unlink(window);
    --window->windowClass->windows;
    DestroyObject(hwnd);
}

// The newest window of this thread related to `hwnd` (as owned window or as
// child) that is not already being destroyed.
HWND NewestRelated(HWND hwnd, bool children) {
    std::lock_guard lock(UserLock());
    const DWORD me = GetCurrentThreadId();
    for (Window *other = newest; other != nullptr; other = other->older)
        if ((children ? other->parent : other->owner) == hwnd && other->threadId == me && !other->destroying)
            return static_cast<HWND>(other->Handle());
    return nullptr;
}

// The last step of every destruction: WM_NCDESTROY, then the handle dies.
void FinishDestroy(HWND hwnd) {
    CallWindowProcedure(hwnd, WM_NCDESTROY, 0, 0);
    ThreadQueue *queue = nullptr;
    {
        std::lock_guard lock(UserLock());
        Window *window = FindObject<Window>(hwnd);
        if (window == nullptr) return;
        queue = window->queue;
        queue->AddRef();
        Remove(window);
    }
    queue->ForgetWindow(hwnd);
    queue->Release();
}

// Where a new window goes: CW_USEDEFAULT places overlapped windows in a
// cascade and gives them three quarters of the screen; others get 0.
void DefaultPlacement(DWORD style, int &x, int &y, int &cx, int &cy) {
    static int cascade = 0;
    const bool overlapped = (style & (WS_POPUP | WS_CHILD)) == 0;
    if (x == CW_USEDEFAULT) {
        const int step = overlapped ? 26 * (cascade++ % 8) : 0;
        x = y = step;
    }
    if (cx == CW_USEDEFAULT) {
        cx = overlapped ? GetSystemMetrics(SM_CXSCREEN) * 3 / 4 : 0;
        cy = overlapped ? GetSystemMetrics(SM_CYSCREEN) * 3 / 4 : 0;
    }
}

// WM_GETMINMAXINFO and the tracking limits a new size is held to.
void ApplyTrackingLimits(HWND hwnd, DWORD style, int &cx, int &cy) {
    if (!HasTrackingLimits(style)) return;
    MINMAXINFO info;
    DefaultMinMaxInfo(style, info);
    CallWindowProcedure(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    cx = std::clamp<int>(cx, info.ptMinTrackSize.x, (std::max)(info.ptMinTrackSize.x, info.ptMaxTrackSize.x));
    cy = std::clamp<int>(cy, info.ptMinTrackSize.y, (std::max)(info.ptMinTrackSize.y, info.ptMaxTrackSize.y));
}

// WM_NCCALCSIZE on a new window rectangle (parent coordinates); the result
// is stored in screen coordinates.
void SetInitialRect(HWND hwnd, int x, int y, int cx, int cy) {
    RECT rect{x, y, x + cx, y + cy};
    {
        std::lock_guard lock(UserLock());
        Window *window = FindObject<Window>(hwnd);
        if (window == nullptr) return;
        const POINT origin = ParentOrigin(*window);
        window->windowRect = window->clientRect = OffsetCopy(rect, origin.x, origin.y);
    }
    CallWindowProcedure(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&rect));
    std::lock_guard lock(UserLock());
    if (Window *window = FindObject<Window>(hwnd)) {
        const POINT origin = ParentOrigin(*window);
        window->clientRect = OffsetCopy(rect, origin.x, origin.y);
    }
}

}  // namespace

Window *TopWindow() noexcept { return newest; }

void PlaceInStack(Window &window, HWND insertAfter) noexcept {
    Unlink(&window);
    if (insertAfter == HWND_TOPMOST) window.exStyle |= WS_EX_TOPMOST;
    if (insertAfter == HWND_NOTOPMOST || insertAfter == HWND_BOTTOM) window.exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
    Window *anchor = FindObject<Window>(insertAfter);
    if (insertAfter == HWND_BOTTOM || (anchor != nullptr && anchor->older == nullptr)) {
        Window *last = newest;
        while (last != nullptr && last->older != nullptr) last = last->older;
        LinkBelow(&window, last);
    } else if (anchor != nullptr && anchor != &window) {
        LinkBelow(&window, anchor);
    } else {
        LinkBelow(&window, IsTopmost(&window) ? nullptr : LowestTopmost());
    }
    // Owned windows stay above their owner, in their own order.
    const HWND hwnd = static_cast<HWND>(window.Handle());
    bool below = false;
    for (Window *w = newest; w != nullptr;) {
        Window *next = w->older;
        if (w == &window) below = true;
        else if (below && OwnedBy(w, hwnd)) {
            Unlink(w);
            LinkBelow(w, window.newer);  // at the top when `window` is
        }
        w = next;
    }
}

Window::~Window() {
    if (queue != nullptr) queue->Release();
}

bool ResolveWindow(HWND hwnd, WindowTarget &target) noexcept {
    std::lock_guard lock(UserLock());
    Window *window = FindObject<Window>(hwnd);
    if (window == nullptr) return false;
    target.procedure = window->procedure;
    target.threadId = window->threadId;
    target.queue = window->queue;
    target.queue->AddRef();
    return true;
}

LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    WNDPROC procedure;
    {
        std::lock_guard lock(UserLock());
        Window *window = FindObject<Window>(hwnd);
        if (window == nullptr || window->threadId != GetCurrentThreadId()) return 0;
        procedure = window->procedure;
    }
    return procedure != nullptr ? procedure(hwnd, message, wParam, lParam) : DefWindowProcA(hwnd, message, wParam, lParam);
}

void DestroyThreadWindows(DWORD threadId) noexcept {
    std::lock_guard lock(UserLock());
    Window *window = newest;
    while (window != nullptr) {
        Window *older = window->older;
        if (window->threadId == threadId) {
            ClipboardWindowGone(static_cast<HWND>(window->Handle()));
            Remove(window);
            // Removing clears other windows' owner and parent, never their
            // place in the list, so `older` is still the next to look at.
        }
        window = older;
    }
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                            LPVOID lpParam) {
    ThreadQueue *queue = CurrentQueue(true);
    if (queue == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HWND hwnd;
    {
        std::lock_guard lock(UserLock());
        WindowClass *windowClass = FindWindowClass(lpClassName, hInstance);
        if (windowClass == nullptr) return nullptr;
        Window *related = hWndParent != nullptr ? FindObject<Window>(hWndParent) : nullptr;
        if (hWndParent != nullptr && (related == nullptr || related->destroying)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if ((dwStyle & WS_CHILD) != 0 && related == nullptr) {
            SetLastError(ERROR_TLW_WITH_WSCHILD);
            return nullptr;
        }
        Window *window = nullptr;
        hwnd = static_cast<HWND>(CreateObject<Window>(&window));
        if (hwnd == nullptr || !window->extraBytes.Reset(static_cast<std::size_t>(windowClass->windowExtraBytes)) ||
            !CopyText(window->text, lpWindowName)) {
            if (hwnd != nullptr) DestroyObject(hwnd);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        window->windowClass = windowClass;
        window->procedure = windowClass->procedure;
        if ((dwStyle & WS_CHILD) != 0)
            window->parent = hWndParent;
        else
            window->owner = TopLevelOf(related);
        // A framed window gets the raised edge whether asked for or not.
        if ((dwStyle & (WS_DLGFRAME | WS_THICKFRAME)) != 0) dwExStyle |= WS_EX_WINDOWEDGE;
        // Windows start hidden (WS_VISIBLE shows them once created); an
        // overlapped window always has a caption and clips its siblings.
        window->style = dwStyle & ~static_cast<DWORD>(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
        if ((dwStyle & (WS_POPUP | WS_CHILD)) == 0) window->style |= WS_CLIPSIBLINGS | WS_CAPTION;
        window->exStyle = dwExStyle;
        window->menu = hMenu;
        window->instance = hInstance;
        window->threadId = GetCurrentThreadId();
        window->queue = queue;
        queue->AddRef();
        ++windowClass->windows;
        Link(window);
        if (window->parent == nullptr) PlaceInStack(*window, (dwExStyle & WS_EX_TOPMOST) != 0 ? HWND_TOPMOST : HWND_TOP);
    }
    int x = X, y = Y, cx = nWidth, cy = nHeight;
    DefaultPlacement(dwStyle, x, y, cx, cy);
    ApplyTrackingLimits(hwnd, dwStyle, cx, cy);
    CREATESTRUCTA create{lpParam, hInstance, hMenu,   hWndParent,   nHeight,     nWidth,
                         Y,       X,         static_cast<LONG>(dwStyle), lpWindowName, lpClassName, dwExStyle};
    // Sizing (WM_GETMINMAXINFO, WM_NCCALCSIZE) joins the sequence with
    // geometry; a procedure refusing WM_NCCREATE or failing WM_CREATE gets
    // only WM_NCDESTROY.
    const auto sendCreate = [&](UINT message) {
        return CallWindowProcedure(hwnd, message, 0, reinterpret_cast<LPARAM>(&create));
    };
    bool created = IsWindow(hwnd) && sendCreate(WM_NCCREATE) != 0;
    if (created && IsWindow(hwnd)) SetInitialRect(hwnd, x, y, cx, cy);
    created = created && IsWindow(hwnd) && sendCreate(WM_CREATE) != -1;
    if (!created && IsWindow(hwnd)) FinishDestroy(hwnd);
    if (created && IsWindow(hwnd) && (dwStyle & WS_VISIBLE) != 0) ShowWindow(hwnd, SW_SHOW);
    if (!IsWindow(hwnd)) {
        // Refused, failed, or destroyed by its own WM_CREATE.
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return hwnd;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    {
        std::lock_guard lock(UserLock());
        Window *window = FindObject<Window>(hWnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (window->threadId != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        // A second call from inside the destruction has nothing left to do.
        if (window->destroying) return TRUE;
        window->destroying = true;
    }
    ClipboardWindowDestroying(hWnd);
    // Hidden first: what it covered is exposed and activation moves on.
    if (IsWindowVisible(hWnd))
        PositionWindow(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    else
        PassActivation(hWnd);
    // Owned windows first, the most recent first; children after the
    // parent's WM_DESTROY and before its WM_NCDESTROY.
    while (HWND owned = NewestRelated(hWnd, false)) DestroyWindow(owned);
    CallWindowProcedure(hWnd, WM_DESTROY, 0, 0);
    while (HWND child = NewestRelated(hWnd, true)) DestroyWindow(child);
    FinishDestroy(hWnd);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) {
    std::lock_guard lock(UserLock());
    return FindObject<Window>(hWnd) != nullptr;
}

DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
    DWORD threadId;
    {
        std::lock_guard lock(UserLock());
        Window *window = FindObject<Window>(hWnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        threadId = window->threadId;
    }
    if (lpdwProcessId != nullptr) *lpdwProcessId = GetCurrentProcessId();
    return threadId;
}

DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

}  // extern "C"
