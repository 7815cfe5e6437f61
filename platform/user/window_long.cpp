// Window data: GetWindowLongA / SetWindowLongA and their pointer forms
// (extra bytes and the GWL_ values), class data through a window, the
// window text, and the relations between windows (GetWindow, GetParent,
// GetAncestor).
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "user/user_lock.h"
#include "user/window_class.h"
#include "user/window_frame.h"
#include "user/window_manager.h"

namespace zelt::platform {

namespace {

constexpr int kClassAtomIndex = -32;  // GCW_ATOM

Window *Find(HWND hwnd) {
    Window *w = FindObject<Window>(hwnd);
    if (w == nullptr) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

// The extra bytes at `index`, `size` of them, or null with
// ERROR_INVALID_INDEX when they are not all inside.
unsigned char *ExtraBytes(ByteBuffer &bytes, int index, std::size_t size) {
    if (index < 0 || static_cast<std::size_t>(index) + size > bytes.Size()) {
        SetLastError(ERROR_INVALID_INDEX);
        return nullptr;
    }
    return bytes.Data() + index;
}

LONG_PTR ReadExtra(ByteBuffer &bytes, int index, std::size_t size) {
    const unsigned char *at = ExtraBytes(bytes, index, size);
    if (at == nullptr) return 0;
    if (size == sizeof(LONG)) {
        LONG value;
        std::memcpy(&value, at, sizeof value);
        return value;
    }
    LONG_PTR value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

LONG_PTR WriteExtra(ByteBuffer &bytes, int index, std::size_t size, LONG_PTR value) {
    unsigned char *at = ExtraBytes(bytes, index, size);
    if (at == nullptr) return 0;
    const LONG_PTR previous = ReadExtra(bytes, index, size);
    if (size == sizeof(LONG)) {
        const LONG narrow = static_cast<LONG>(value);
        std::memcpy(at, &narrow, sizeof narrow);
    } else {
        std::memcpy(at, &value, sizeof value);
    }
    return previous;
}

// The window's own value at a GWL_ index; false for an unknown index.
bool ReadField(const Window &w, int index, LONG_PTR &value) {
    switch (index) {
        case GWL_STYLE: value = static_cast<LONG>(w.style); return true;
        case GWL_EXSTYLE: value = static_cast<LONG>(w.exStyle); return true;
        case GWLP_WNDPROC: value = reinterpret_cast<LONG_PTR>(w.procedure); return true;
        case GWLP_HINSTANCE: value = reinterpret_cast<LONG_PTR>(w.instance); return true;
        case GWLP_HWNDPARENT: value = reinterpret_cast<LONG_PTR>(w.parent != nullptr ? w.parent : w.owner); return true;
        case GWLP_ID: value = reinterpret_cast<LONG_PTR>(w.menu); return true;
        case GWLP_USERDATA: value = w.userData; return true;
        default: return false;
    }
}

void WriteField(Window &w, int index, LONG_PTR value) {
    switch (index) {
        case GWL_STYLE: {
            // Visibility and the minimised state change only through
            // ShowWindow and SetWindowPos: their bits keep the real state.
            const DWORD kept = WS_VISIBLE | WS_MINIMIZE;
            w.style = (static_cast<DWORD>(value) & ~kept) | (w.style & kept);
            break;
        }
        case GWL_EXSTYLE: w.exStyle = static_cast<DWORD>(value); break;
        case GWLP_WNDPROC: w.procedure = reinterpret_cast<WNDPROC>(value); break;
        case GWLP_HINSTANCE: w.instance = reinterpret_cast<HINSTANCE>(value); break;
        case GWLP_HWNDPARENT:
            if (w.parent == nullptr) w.owner = reinterpret_cast<HWND>(value);
            break;
        case GWLP_ID: w.menu = reinterpret_cast<HMENU>(value); break;
        case GWLP_USERDATA: w.userData = value; break;
        default: break;
    }
}

LONG_PTR GetLong(HWND hwnd, int index, std::size_t size) {
    std::lock_guard lock(UserLock());
    Window *w = Find(hwnd);
    if (w == nullptr) return 0;
    if (index >= 0) return ReadExtra(w->extraBytes, index, size);
    LONG_PTR value = 0;
    if (!ReadField(*w, index, value)) SetLastError(ERROR_INVALID_INDEX);
    return value;
}

LONG_PTR SetLong(HWND hwnd, int index, std::size_t size, LONG_PTR value) {
    std::lock_guard lock(UserLock());
    Window *w = Find(hwnd);
    if (w == nullptr) return 0;
    if (index >= 0) return WriteExtra(w->extraBytes, index, size, value);
    LONG_PTR previous = 0;
    if (!ReadField(*w, index, previous)) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    WriteField(*w, index, value);
    return previous;
}

ULONG_PTR ClassValue(HWND hwnd, int index, std::size_t size) {
    std::lock_guard lock(UserLock());
    Window *w = Find(hwnd);
    if (w == nullptr) return 0;
    const WindowClass &c = *w->windowClass;
    if (index >= 0) return static_cast<ULONG_PTR>(ReadExtra(w->windowClass->classExtra, index, size));
    switch (index) {
        case GCL_STYLE: return c.style;
        case GCL_WNDPROC: return reinterpret_cast<ULONG_PTR>(c.procedure);
        case GCL_CBWNDEXTRA: return static_cast<ULONG_PTR>(c.windowExtraBytes);
        case GCL_CBCLSEXTRA: return c.classExtra.Size();
        case GCL_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(c.background);
        case GCL_HCURSOR: return reinterpret_cast<ULONG_PTR>(c.cursor);
        case GCL_HICON: return reinterpret_cast<ULONG_PTR>(c.icon);
        case GCL_MENUNAME: return 0;
        case kClassAtomIndex: return c.atom;
        default: SetLastError(ERROR_INVALID_INDEX); return 0;
    }
}

HWND HandleOf(const Window *w) { return w != nullptr ? static_cast<HWND>(w->Handle()) : nullptr; }

// The next window in stacking order with the same parent, walking older
// (down) or newer (up).
const Window *Sibling(const Window *from, bool down) {
    const HWND parent = from->parent;
    for (const Window *w = down ? from->older : from->newer; w != nullptr; w = down ? w->older : w->newer)
        if (w->parent == parent) return w;
    return nullptr;
}

}  // namespace

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex) { return static_cast<LONG>(GetLong(hWnd, nIndex, sizeof(LONG))); }

LONG WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
    return static_cast<LONG>(SetLong(hWnd, nIndex, sizeof(LONG), dwNewLong));
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex) { return GetLong(hWnd, nIndex, sizeof(LONG_PTR)); }

LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    return SetLong(hWnd, nIndex, sizeof(LONG_PTR), dwNewLong);
}

DWORD WINAPI GetClassLongA(HWND hWnd, int nIndex) { return static_cast<DWORD>(ClassValue(hWnd, nIndex, sizeof(DWORD))); }

ULONG_PTR WINAPI GetClassLongPtrA(HWND hWnd, int nIndex) { return ClassValue(hWnd, nIndex, sizeof(ULONG_PTR)); }

LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return lpPrevWndFunc != nullptr ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

int WINAPI GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount) {
    ATOM atom;
    {
        std::lock_guard lock(UserLock());
        Window *w = Find(hWnd);
        if (w == nullptr) return 0;
        atom = w->windowClass->atom;
    }
    if (lpClassName == nullptr || nMaxCount <= 0) return 0;
    if (atom < 0xC000) {
        // A class registered by number is named "#number".
        const int written = std::snprintf(lpClassName, static_cast<std::size_t>(nMaxCount), "#%u", atom);
        return (std::min)(written, nMaxCount - 1);
    }
    return GetClipboardFormatNameA(atom, lpClassName, nMaxCount);
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) != 0 ? TRUE : FALSE;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
    if (lpString == nullptr || nMaxCount <= 0) return 0;
    lpString[0] = '\0';
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextLengthA(HWND hWnd) {
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

HWND WINAPI GetWindow(HWND hWnd, UINT uCmd) {
    std::lock_guard lock(UserLock());
    const Window *w = Find(hWnd);
    if (w == nullptr) return nullptr;
    switch (uCmd) {
        case GW_OWNER: return w->owner;
        case GW_HWNDNEXT: return HandleOf(Sibling(w, true));
        case GW_HWNDPREV: return HandleOf(Sibling(w, false));
        case GW_HWNDFIRST:
            while (const Window *up = Sibling(w, false)) w = up;
            return HandleOf(w);
        case GW_HWNDLAST:
            while (const Window *down = Sibling(w, true)) w = down;
            return HandleOf(w);
        case GW_CHILD:
            for (const Window *c = TopWindow(); c != nullptr; c = c->older)
                if (c->parent == hWnd) return HandleOf(c);
            return nullptr;
        default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

HWND WINAPI GetParent(HWND hWnd) {
    std::lock_guard lock(UserLock());
    const Window *w = Find(hWnd);
    if (w == nullptr) return nullptr;
    if ((w->style & WS_CHILD) != 0) return w->parent;
    return (w->style & WS_POPUP) != 0 ? w->owner : nullptr;
}

HWND WINAPI GetDesktopWindow(void) {
    // A handle no window of the table can have.
    static char desktop;
    return reinterpret_cast<HWND>(&desktop);
}

HWND WINAPI GetAncestor(HWND hwnd, UINT gaFlags) {
    std::lock_guard lock(UserLock());
    const Window *w = Find(hwnd);
    if (w == nullptr) return nullptr;
    switch (gaFlags) {
        case GA_PARENT: return w->parent != nullptr ? w->parent : GetDesktopWindow();
        case GA_ROOT:
        case GA_ROOTOWNER:
            while (const Window *up = FindObject<Window>(w->parent)) w = up;
            if (gaFlags == GA_ROOTOWNER)
                while (const Window *up = FindObject<Window>(w->owner)) w = up;
            return HandleOf(w);
        default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

}  // extern "C"
