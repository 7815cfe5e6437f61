// Pointer and keyboard input: the pointer position, button and key state,
// SendInput and the host's input calls, the mouse capture, and turning raw
// pointer input into window messages when the window's thread retrieves it.
#include "user/input.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "user/message_queue.h"
#include "user/user_lock.h"
#include "user/window.h"
#include "user/window_class.h"
#include "user/window_manager.h"
#include "zelt/host.h"

namespace zelt::platform {
namespace {

// Client messages of the three buttons and their non-client forms, which
// lie a fixed distance below.
constexpr UINT kNonClientOffset = WM_MOUSEMOVE - WM_NCMOUSEMOVE;
constexpr UINT kDoubleClickTime = 500;  // milliseconds
constexpr LRESULT kActivateAndEat = 2, kNoActivate = 3, kNoActivateAndEat = 4;

struct Button {
    int virtualKey;
    WPARAM keyBit;  // MK_
    UINT down;      // WM_xBUTTONDOWN; up is down + 1, double click down + 2
    DWORD downFlag, upFlag;  // MOUSEEVENTF_
};
constexpr Button kButtons[] = {
    {VK_LBUTTON, MK_LBUTTON, WM_LBUTTONDOWN, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP},
    {VK_RBUTTON, MK_RBUTTON, WM_RBUTTONDOWN, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP},
    {VK_MBUTTON, MK_MBUTTON, WM_MBUTTONDOWN, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP},
};

// Pointer position packed as two 32-bit halves, so readers never need a
// lock (messages are posted with the position while other locks are held).
std::atomic<std::uint64_t> pointer{0};
// Per virtual key: 0x80 down, 0x01 toggled.
std::atomic<BYTE> keys[256];
HWND capture = nullptr;  // guarded by the user lock

// The last button press, for double clicks; guarded by its own lock since
// every thread cooks its own input.
struct LastClick {
    std::mutex lock;
    HWND hwnd = nullptr;
    UINT message = 0;
    DWORD time = 0;
    POINT pt{0, 0};
};
LastClick lastClick;

POINT Pointer() {
    const std::uint64_t packed = pointer.load(std::memory_order_acquire);
    return POINT{static_cast<LONG>(static_cast<std::uint32_t>(packed >> 32)),
                 static_cast<LONG>(static_cast<std::uint32_t>(packed))};
}

// Moves the pointer, kept on the screen; true when it moved.
bool MovePointer(LONG x, LONG y) {
    const LONG width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    x = x < 0 ? 0 : x >= width ? width - 1 : x;
    y = y < 0 ? 0 : y >= height ? height - 1 : y;
    const std::uint64_t packed = std::uint64_t{static_cast<std::uint32_t>(x)} << 32 | static_cast<std::uint32_t>(y);
    return pointer.exchange(packed, std::memory_order_acq_rel) != packed;
}

bool KeyDown(int vk) { return (keys[vk & 0xFF].load(std::memory_order_relaxed) & 0x80) != 0; }

void SetKey(int vk, bool down) {
    std::atomic<BYTE> &key = keys[vk & 0xFF];
    BYTE old = key.load(std::memory_order_relaxed);
    BYTE now;
    do {
        // A press toggles; a held key repeating does not.
        now = down ? static_cast<BYTE>(0x80 | ((old & 0x80) != 0 ? old & 1 : (old & 1) ^ 1)) : static_cast<BYTE>(old & 1);
    } while (!key.compare_exchange_weak(old, now, std::memory_order_relaxed));
}

WPARAM KeyStateBits() {
    WPARAM bits = 0;
    for (const Button &button : kButtons)
        if (KeyDown(button.virtualKey)) bits |= button.keyBit;
    if (KeyDown(VK_SHIFT)) bits |= MK_SHIFT;
    if (KeyDown(VK_CONTROL)) bits |= MK_CONTROL;
    return bits;
}

LPARAM PackPoint(POINT p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }

// Queues raw pointer input for the capture window or the window under the
// pointer; nothing when only the desktop is there.
void QueuePointer(UINT message) {
    const POINT at = Pointer();
    HWND target;
    {
        std::lock_guard lock(UserLock());
        target = capture;
    }
    const bool captured = target != nullptr;
    if (!captured) target = WindowFromPoint(at);
    WindowTarget resolved;
    if (target == nullptr || !ResolveWindow(target, resolved)) return;
    const WPARAM raw = message | KeyStateBits() << 16 | (captured ? kRawCaptured : 0);
    resolved.queue->PostInput(MSG{target, kRawMouseMessage, raw, 0, GetTickCount(), at});
    resolved.queue->Release();
}

void PressButtons(DWORD flags) {
    for (const Button &button : kButtons) {
        if (flags & button.downFlag) {
            SetKey(button.virtualKey, true);
            QueuePointer(button.down);
        }
        if (flags & button.upFlag) {
            SetKey(button.virtualKey, false);
            QueuePointer(button.down + 1);
        }
    }
}

bool IsButtonDown(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

// Client origin on the screen, the top-level window and whether the class
// takes double clicks; false when the window is gone.
bool Describe(HWND hwnd, POINT &origin, HWND &top, bool &doubleClicks) {
    std::lock_guard lock(UserLock());
    Window *window = FindObject<Window>(hwnd);
    if (window == nullptr) return false;
    origin = POINT{window->clientRect.left, window->clientRect.top};
    doubleClicks = window->windowClass != nullptr && (window->windowClass->style & CS_DBLCLKS) != 0;
    while (window->parent != nullptr && FindObject<Window>(window->parent) != nullptr)
        window = FindObject<Window>(window->parent);
    top = static_cast<HWND>(window->Handle());
    return true;
}

// A press close enough in time and place to the previous one of the same
// button on the same window makes a double click.
UINT ClickMessage(HWND hwnd, UINT down, DWORD time, POINT pt, bool doubleClicks) {
    std::lock_guard lock(lastClick.lock);
    const LONG slack = GetSystemMetrics(SM_CXDOUBLECLK) / 2;
    const bool isDouble = doubleClicks && lastClick.hwnd == hwnd && lastClick.message == down &&
                          time - lastClick.time <= kDoubleClickTime && std::labs(pt.x - lastClick.pt.x) <= slack &&
                          std::labs(pt.y - lastClick.pt.y) <= slack;
    // A double click ends the series: a third press starts a new one.
    lastClick.hwnd = isDouble ? nullptr : hwnd;
    lastClick.message = down;
    lastClick.time = time;
    lastClick.pt = pt;
    return isDouble ? down + 2 : down;
}

}  // namespace

bool RawMousePasses(const MSG &raw, UINT filterMin, UINT filterMax) noexcept {
    if (filterMin == 0 && filterMax == 0) return true;
    const UINT client = LOWORD(raw.wParam);
    const auto inside = [&](UINT m) { return m >= filterMin && m <= filterMax; };
    return inside(client) || inside(client + 2) || inside(client - kNonClientOffset);
}

bool CookMouseInput(MSG &msg) noexcept {
    const UINT message = LOWORD(msg.wParam);
    const WPARAM keyBits = (msg.wParam >> 16) & 0xFF;
    const HWND hwnd = msg.hwnd;
    POINT origin;
    HWND top;
    bool doubleClicks;
    if (!Describe(hwnd, origin, top, doubleClicks)) return false;
    const POINT client{msg.pt.x - origin.x, msg.pt.y - origin.y};
    if ((msg.wParam & kRawCaptured) != 0) {
        // The capture window gets everything in its client coordinates.
        msg = MSG{hwnd, message, keyBits, PackPoint(client), msg.time, msg.pt};
        return true;
    }
    const LRESULT hit = SendMessageA(hwnd, WM_NCHITTEST, 0, PackPoint(msg.pt));
    bool eaten = false;
    if (IsButtonDown(message) && top != GetActiveWindow()) {
        const LRESULT answer =
            SendMessageA(hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top), MAKELPARAM(LOWORD(hit), message));
        if (answer != kNoActivate && answer != kNoActivateAndEat) SetActiveWindow(top);
        eaten = answer == kActivateAndEat || answer == kNoActivateAndEat;
    }
    SendMessageA(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(LOWORD(hit), message));
    if (eaten || hit == HTERROR || hit == HTTRANSPARENT) return false;
    if (hit == HTCLIENT) {
        const UINT delivered = IsButtonDown(message) ? ClickMessage(hwnd, message, msg.time, msg.pt, doubleClicks)
                                                     : message;
        msg = MSG{hwnd, delivered, keyBits, PackPoint(client), msg.time, msg.pt};
    } else {
        msg = MSG{hwnd, message - kNonClientOffset, static_cast<WPARAM>(hit), PackPoint(msg.pt), msg.time, msg.pt};
    }
    return true;
}

void ForgetInputWindow(HWND hwnd) noexcept {
    if (capture == hwnd) capture = nullptr;
    std::lock_guard lock(lastClick.lock);
    if (lastClick.hwnd == hwnd) lastClick.hwnd = nullptr;
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
    if (lpPoint == nullptr) return FALSE;
    *lpPoint = Pointer();
    return TRUE;
}

BOOL WINAPI SetCursorPos(int X, int Y) {
    if (MovePointer(X, Y)) QueuePointer(WM_MOUSEMOVE);
    return TRUE;
}

UINT WINAPI SendInput(UINT cInputs, LPINPUT pInputs, int cbSize) {
    if (pInputs == nullptr || cbSize != static_cast<int>(sizeof(INPUT))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (UINT i = 0; i < cInputs; ++i) {
        const INPUT &input = pInputs[i];
        if (input.type == INPUT_KEYBOARD) {
            ZeltHostKeyInput(input.ki.wVk, (input.ki.dwFlags & KEYEVENTF_KEYUP) == 0, 0);
            continue;
        }
        if (input.type != INPUT_MOUSE) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return i;
        }
        const MOUSEINPUT &mouse = input.mi;
        if (mouse.dwFlags & MOUSEEVENTF_MOVE) {
            POINT to = Pointer();
            if (mouse.dwFlags & MOUSEEVENTF_ABSOLUTE) {
                // 0..65535 spans the screen; the pixel is the one the
                // coordinate falls in.
                to.x = static_cast<LONG>(std::int64_t{mouse.dx} * GetSystemMetrics(SM_CXSCREEN) / 65536);
                to.y = static_cast<LONG>(std::int64_t{mouse.dy} * GetSystemMetrics(SM_CYSCREEN) / 65536);
            } else {
                to.x += mouse.dx;
                to.y += mouse.dy;
            }
            if (MovePointer(to.x, to.y)) QueuePointer(WM_MOUSEMOVE);
        }
        PressButtons(mouse.dwFlags);
    }
    return cInputs;
}

BOOL ZeltHostMouseInput(int x, int y, DWORD buttons) {
    if (MovePointer(x, y)) QueuePointer(WM_MOUSEMOVE);
    DWORD flags = 0;
    for (const Button &button : kButtons) {
        const bool wanted = (buttons & button.keyBit) != 0;
        if (wanted != KeyDown(button.virtualKey)) flags |= wanted ? button.downFlag : button.upFlag;
    }
    PressButtons(flags);
    return TRUE;
}

BOOL ZeltHostKeyInput(UINT virtualKey, BOOL down, UINT character) {
    if (virtualKey == 0 || virtualKey > 0xFF) return FALSE;
    const bool wasDown = KeyDown(static_cast<int>(virtualKey));
    SetKey(static_cast<int>(virtualKey), down != FALSE);
    HWND target = GetFocus();
    if (target == nullptr) target = GetActiveWindow();
    if (target == nullptr) return TRUE;  // nobody listens: only the key state changes
    // Repeat count 1; bit 30 the previous state, bit 31 set for a release.
    const LPARAM flags = 1 | (wasDown ? 1L << 30 : 0) | (down ? 0 : static_cast<LPARAM>(0xC0000000u));
    PostMessageA(target, down ? WM_KEYDOWN : WM_KEYUP, virtualKey, flags);
    if (down && character != 0) PostMessageA(target, WM_CHAR, character, flags);
    return TRUE;
}

SHORT WINAPI GetKeyState(int nVirtKey) {
    const BYTE state = keys[nVirtKey & 0xFF].load(std::memory_order_relaxed);
    return static_cast<SHORT>(((state & 0x80) != 0 ? 0xFF80 : 0) | (state & 1));
}

SHORT WINAPI GetAsyncKeyState(int vKey) { return static_cast<SHORT>(KeyDown(vKey) ? 0x8000 : 0); }

HWND WINAPI SetCapture(HWND hWnd) {
    HWND previous;
    {
        std::lock_guard lock(UserLock());
        previous = capture;
        if (hWnd != nullptr && FindObject<Window>(hWnd) == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        capture = hWnd;
    }
    if (previous != nullptr && previous != hWnd)
        SendMessageA(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd));
    return previous;
}

BOOL WINAPI ReleaseCapture(void) {
    HWND previous;
    {
        std::lock_guard lock(UserLock());
        previous = capture;
        capture = nullptr;
    }
    if (previous != nullptr) {
        SendMessageA(previous, WM_CAPTURECHANGED, 0, 0);
        // The window under the pointer learns that it is there.
        QueuePointer(WM_MOUSEMOVE);
    }
    return TRUE;
}

HWND WINAPI GetCapture(void) {
    std::lock_guard lock(UserLock());
    return capture;
}

}  // extern "C"
