// CreateWindowExA, DestroyWindow, DefWindowProcA and the window lookups the
// message and clipboard code build on.
#include "user/window.h"

#include <cstring>
#include <unistd.h>

#include "user/clipboard.h"
#include "user/message_queue.h"
#include "user/user_lock.h"
#include "user/window_class.h"

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

}  // namespace

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
        window->style = dwStyle;
        window->exStyle = dwExStyle;
        window->menu = hMenu;
        window->instance = hInstance;
        window->threadId = GetCurrentThreadId();
        window->queue = queue;
        queue->AddRef();
        ++windowClass->windows;
        Link(window);
    }
    CREATESTRUCTA create{lpParam, hInstance, hMenu,   hWndParent,   nHeight,     nWidth,
                         Y,       X,         static_cast<LONG>(dwStyle), lpWindowName, lpClassName, dwExStyle};
    // Sizing (WM_GETMINMAXINFO, WM_NCCALCSIZE) joins the sequence with
    // geometry; a procedure refusing WM_NCCREATE or failing WM_CREATE gets
    // only WM_NCDESTROY.
    const auto sendCreate = [&](UINT message) {
        return CallWindowProcedure(hwnd, message, 0, reinterpret_cast<LPARAM>(&create));
    };
    if (sendCreate(WM_NCCREATE) == 0 || (IsWindow(hwnd) && sendCreate(WM_CREATE) == -1)) {
        if (IsWindow(hwnd)) FinishDestroy(hwnd);
    }
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

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    switch (Msg) {
        case WM_NCCREATE: return TRUE;
        case WM_CLOSE: DestroyWindow(hWnd); return 0;
        default: return 0;
    }
}

}  // extern "C"
