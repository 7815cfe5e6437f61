// DefWindowProcA: what a window does with a message its procedure passes
// on.
#include <cstring>

#include "user/user_lock.h"
#include "user/window_class.h"
#include "user/window_frame.h"
#include "user/window_manager.h"

namespace zelt::platform {

namespace {

// WM_SETTEXT: the caption becomes a copy of the text.
LRESULT StoreText(HWND hwnd, LPCSTR text) {
    const std::size_t length = text != nullptr ? std::strlen(text) : 0;
    ByteBuffer copy;
    if (!copy.Reset(length + 1)) return FALSE;
    if (length != 0) std::memcpy(copy.Data(), text, length);
    std::lock_guard lock(UserLock());
    Window *w = FindObject<Window>(hwnd);
    if (w == nullptr) return FALSE;
    std::swap(w->text, copy);
    return TRUE;
}

// WM_GETTEXT: characters copied, the NUL excluded.
LRESULT CopyTextOut(HWND hwnd, WPARAM size, LPSTR out) {
    std::lock_guard lock(UserLock());
    const Window *w = FindObject<Window>(hwnd);
    if (w == nullptr || out == nullptr || size == 0) return 0;
    const char *text = reinterpret_cast<const char *>(w->text.Data());
    const std::size_t length = text != nullptr ? (std::min)(std::strlen(text), static_cast<std::size_t>(size - 1)) : 0;
    if (length != 0) std::memcpy(out, text, length);
    out[length] = '\0';
    return static_cast<LRESULT>(length);
}

LRESULT TextLength(HWND hwnd) {
    std::lock_guard lock(UserLock());
    const Window *w = FindObject<Window>(hwnd);
    return w != nullptr && w->text.Data() != nullptr ? static_cast<LRESULT>(std::strlen(reinterpret_cast<const char *>(w->text.Data()))) : 0;
}

LRESULT SwapIcon(HWND hwnd, WPARAM which, HICON icon, bool set) {
    std::lock_guard lock(UserLock());
    Window *w = FindObject<Window>(hwnd);
    if (w == nullptr) return 0;
    HICON &slot = which == ICON_BIG ? w->bigIcon : w->smallIcon;
    const HICON previous = slot;
    if (set) slot = icon;
    return reinterpret_cast<LRESULT>(previous);
}

// WM_WINDOWPOSCHANGED: WM_MOVE and WM_SIZE for a client that moved or
// changed size.
void ReportPosition(HWND hwnd, const WINDOWPOS &pos) {
    constexpr UINT kNoClientSize = 0x0800, kNoClientMove = 0x1000;
    RECT client;
    POINT origin;
    WPARAM type;
    {
        std::lock_guard lock(UserLock());
        Window *w = FindObject<Window>(hwnd);
        if (w == nullptr) return;
        client = w->clientRect;
        origin = ParentOrigin(*w);
        type = w->minimized ? SIZE_MINIMIZED : (w->style & WS_MAXIMIZE) != 0 ? SIZE_MAXIMIZED : SIZE_RESTORED;
        if ((pos.flags & (kNoClientSize | kNoClientMove)) != (kNoClientSize | kNoClientMove)) w->sizeSent = true;
    }
    if ((pos.flags & kNoClientMove) == 0)
        SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(client.left - origin.x, client.top - origin.y));
    if ((pos.flags & kNoClientSize) == 0)
        SendMessageA(hwnd, WM_SIZE, type, MAKELPARAM(client.right - client.left, client.bottom - client.top));
}

LRESULT DefaultPaint(HWND hwnd) {
    PAINTSTRUCT paint;
    if (BeginPaint(hwnd, &paint) != nullptr) EndPaint(hwnd, &paint);
    return 0;
}

}  // namespace

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    switch (Msg) {
        case WM_NCCREATE: return TRUE;
        case WM_NCCALCSIZE: return DefaultNcCalcSize(hWnd, static_cast<BOOL>(wParam), lParam);
        case WM_NCHITTEST: return DefaultNcHitTest(hWnd, lParam);
        case WM_NCPAINT: DrawNonClient(hWnd); return 0;
        case WM_NCACTIVATE:
            // The caption shows the new state at once.
            DrawNonClient(hWnd);
            return TRUE;
        case WM_ERASEBKGND: return DefaultEraseBackground(hWnd, reinterpret_cast<HDC>(wParam));
        case WM_SETCURSOR: return DefaultSetCursor(hWnd, lParam);
        case WM_MOUSEACTIVATE: return MA_ACTIVATE;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0) SetFocus(hWnd);
            return 0;
        case WM_QUERYOPEN: return TRUE;
        case WM_CLOSE: DestroyWindow(hWnd); return 0;
        case WM_SETTEXT: {
            const LRESULT stored = StoreText(hWnd, reinterpret_cast<LPCSTR>(lParam));
            if (stored != 0 && IsWindowVisible(hWnd)) DrawNonClient(hWnd);
            return stored;
        }
        case WM_GETTEXT: return CopyTextOut(hWnd, wParam, reinterpret_cast<LPSTR>(lParam));
        case WM_GETTEXTLENGTH: return TextLength(hWnd);
        case WM_SETICON: return SwapIcon(hWnd, wParam, reinterpret_cast<HICON>(lParam), true);
        case WM_GETICON: return SwapIcon(hWnd, wParam, nullptr, false);
        case WM_GETMINMAXINFO: return 0;  // the defaults are filled in before sending
        case WM_WINDOWPOSCHANGED:
            if (lParam != 0) ReportPosition(hWnd, *reinterpret_cast<const WINDOWPOS *>(lParam));
            return 0;
        case WM_PAINT: return DefaultPaint(hWnd);
        default: return 0;
    }
}

}  // extern "C"
