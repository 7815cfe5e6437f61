// Window DCs (GetDC(hwnd), GetWindowDC, BeginPaint's DC), WindowFromDC,
// GetDCOrgEx, and the screen damage record the host reads.
#include "gdi/window_dc.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "base/allocator.h"
#include "gdi/dc.h"
#include "gdi/screen.h"
#include "user/user_lock.h"
#include "user/window_manager.h"
#include "zelt/host.h"

namespace zelt::platform {
namespace {

// Owns a region handle for the length of a scope.
struct RegionGuard {
    HRGN handle = CreateRectRgn(0, 0, 0, 0);
    RegionGuard() = default;
    RegionGuard(const RegionGuard &) = delete;
    RegionGuard &operator=(const RegionGuard &) = delete;
    ~RegionGuard() {
        if (handle != nullptr) DeleteObject(handle);
    }
};

// The whole window (window coordinates) less what visible top-level windows
// above its own top-level window cover and what lies off the screen.
bool VisibleWindowRegion(const Window &window, HRGN into) {
    const RECT &w = window.windowRect;
    if (SetRectRgn(into, w.left, w.top, w.right, w.bottom) == 0) return false;
    if (!window.visible || window.minimized) return SetRectRgn(into, 0, 0, 0, 0) != 0;
    const ScreenFormat screen = CurrentScreen();
    RegionGuard scratch;
    if (scratch.handle == nullptr) return false;
    SetRectRgn(scratch.handle, 0, 0, screen.width, screen.height);
    if (CombineRgn(into, into, scratch.handle, RGN_AND) == ERROR) return false;
    const Window *top = &window;
    while (top->parent != nullptr) {
        const Window *parent = FindObject<Window>(top->parent);
        if (parent == nullptr) break;
        top = parent;
    }
    for (const Window *above = top->newer; above != nullptr; above = above->newer) {
        if (above->parent != nullptr || !above->visible || above->minimized) continue;
        const RECT &a = above->windowRect;
        SetRectRgn(scratch.handle, a.left, a.top, a.right, a.bottom);
        if (CombineRgn(into, into, scratch.handle, RGN_DIFF) == ERROR) return false;
    }
    return OffsetRgn(into, -w.left, -w.top) != ERROR;
}

struct Damage {
    std::mutex lock;
    RECT bounds{0, 0, 0, 0};
    bool any = false;
};

Damage &ScreenDamage() {
    static Damage *damage = new Damage;  // never destroyed: drawing may run at exit
    return *damage;
}

}  // namespace

Surface &WindowViewSurface(WindowView &view) noexcept {
    const Surface &screen = ScreenSurface();
    Surface &s = view.surface;
    s.ops = screen.ops;
    s.stride = screen.stride;
    // Pixels left of or above the screen are never drawn (WindowViewBounds
    // keeps drawing off them), so the row pointer may stand outside it.
    const std::ptrdiff_t columnBytes = static_cast<std::ptrdiff_t>(view.origin.x) * screen.BitsPixel() / 8;
    s.top = screen.top + static_cast<std::ptrdiff_t>(view.origin.y) * screen.stride + columnBytes;
    s.width = std::max(0, std::min<int>(view.origin.x + view.size.cx, screen.width) - view.origin.x);
    s.height = std::max(0, std::min<int>(view.origin.y + view.size.cy, screen.height) - view.origin.y);
    if (screen.tableSize != 0 || s.tableSize != 0) {
        std::memcpy(s.table, screen.table, sizeof s.table);
        s.tableSize = screen.tableSize;
    }
    return s;
}

RECT WindowViewBounds(const WindowView &view) noexcept {
    const ScreenFormat screen = CurrentScreen();
    RECT r{std::max<LONG>(0, -view.origin.x), std::max<LONG>(0, -view.origin.y),
           std::min<LONG>(view.size.cx, screen.width - view.origin.x),
           std::min<LONG>(view.size.cy, screen.height - view.origin.y)};
    if (r.left >= r.right || r.top >= r.bottom) r = RECT{0, 0, 0, 0};
    return r;
}

void FreeWindowView(WindowView *view) noexcept { delete view; }

HDC MakeWindowDc(HWND hwnd, bool wholeWindow, HRGN extraClip) noexcept {
    WindowView *view = NewObject<WindowView>();
    RegionGuard visible;
    if (view == nullptr || visible.handle == nullptr) {
        FreeWindowView(view);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    {
        std::lock_guard lock(UserLock());
        Window *window = FindObject<Window>(hwnd);
        if (window == nullptr) {
            FreeWindowView(view);
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        const RECT &area = wholeWindow ? window->windowRect : window->clientRect;
        view->hwnd = hwnd;
        view->origin = POINT{area.left, area.top};
        view->size = SIZE{area.right - area.left, area.bottom - area.top};
        const bool ok = wholeWindow ? VisibleWindowRegion(*window, visible.handle)
                                    : VisibleClientRegion(*window, visible.handle);
        if (!ok) {
            FreeWindowView(view);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    if (extraClip != nullptr && CombineRgn(visible.handle, visible.handle, extraClip, RGN_AND) == ERROR) {
        FreeWindowView(view);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    DcObject *dc = nullptr;
    HDC handle = NewDcObject(&dc, false);
    if (handle == nullptr) {
        FreeWindowView(view);
        return nullptr;
    }
    dc->windowView = view;  // the DC frees it
    if (SelectClipRgn(static_cast<HDC>(handle), visible.handle) == ERROR) {
        DestroyObject(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return static_cast<HDC>(handle);
}

void NoteScreenDamage(const RECT &area) noexcept {
    if (area.left >= area.right || area.top >= area.bottom) return;
    Damage &damage = ScreenDamage();
    std::lock_guard lock(damage.lock);
    if (!damage.any) {
        damage.bounds = area;
        damage.any = true;
        return;
    }
    damage.bounds = RECT{std::min(damage.bounds.left, area.left), std::min(damage.bounds.top, area.top),
                         std::max(damage.bounds.right, area.right), std::max(damage.bounds.bottom, area.bottom)};
}

void BroadcastPaletteChanged(HWND realizer) noexcept {
    // Collected first: no procedure runs while the user lock is held.
    HWND targets[256];
    int count = 0;
    {
        std::lock_guard lock(UserLock());
        for (Window *w = TopWindow(); w != nullptr && count < 256; w = w->older)
            if (w->parent == nullptr && !w->destroying) targets[count++] = static_cast<HWND>(w->Handle());
    }
    for (int i = 0; i < count; ++i)
        SendNotifyMessageA(targets[i], WM_PALETTECHANGED, reinterpret_cast<WPARAM>(realizer), 0);
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

HDC WINAPI GetWindowDC(HWND hWnd) {
    if (hWnd == nullptr) return GetDC(nullptr);
    return MakeWindowDc(hWnd, true, nullptr);
}

HWND WINAPI WindowFromDC(HDC hDC) {
    const DcObject *dc = FindObject<DcObject>(hDC);
    return dc != nullptr && dc->windowView != nullptr ? dc->windowView->hwnd : nullptr;
}

BOOL WINAPI GetDCOrgEx(HDC hdc, LPPOINT lppt) {
    const DcObject *dc = FindObject<DcObject>(hdc);
    if (dc == nullptr || lppt == nullptr) return FALSE;
    *lppt = dc->windowView != nullptr ? dc->windowView->origin : POINT{0, 0};
    return TRUE;
}

BOOL ZeltHostTakeScreenDamage(RECT *bounds) {
    Damage &damage = ScreenDamage();
    std::lock_guard lock(damage.lock);
    const BOOL any = damage.any ? TRUE : FALSE;
    if (bounds != nullptr) *bounds = any ? damage.bounds : RECT{0, 0, 0, 0};
    damage.any = false;
    damage.bounds = RECT{0, 0, 0, 0};
    return any;
}

}  // extern "C"
