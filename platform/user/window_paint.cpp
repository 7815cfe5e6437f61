// Update regions and painting: InvalidateRect/Rgn, ValidateRect/Rgn,
// GetUpdateRect/Rgn, UpdateWindow, BeginPaint/EndPaint, the windows
// WM_PAINT goes to, and what uncovering part of the screen repaints.
#include <algorithm>
#include <mutex>

#include "gdi/window_dc.h"
#include "user/message_queue.h"
#include "user/user_lock.h"
#include "user/window_class.h"
#include "user/window_manager.h"

namespace zelt::platform {
namespace {

// Owns a region handle for the length of a scope.
struct Rgn {
    HRGN handle;
    explicit Rgn(const RECT &r = RECT{0, 0, 0, 0}) noexcept : handle(CreateRectRgnIndirect(&r)) {}
    Rgn(const Rgn &) = delete;
    Rgn &operator=(const Rgn &) = delete;
    ~Rgn() {
        if (handle != nullptr) DeleteObject(handle);
    }
};

RECT ClientBox(const Window &window) {
    return RECT{0, 0, window.clientRect.right - window.clientRect.left,
                window.clientRect.bottom - window.clientRect.top};
}

// Only what shows can be invalid: hidden and minimised windows keep nothing.
bool Drawable(const Window &window) { return window.visible && !window.minimized && !window.destroying; }

void DropUpdate(Window &window) {
    if (window.updateRegion != nullptr) DeleteObject(window.updateRegion);
    window.updateRegion = nullptr;
    window.eraseNeeded = false;
}

// Adds `area` (client coordinates, already inside the client) to the update
// region. Lock held.
void AddUpdateRegion(Window &window, HRGN area, bool erase) {
    if (window.updateRegion == nullptr) {
        window.updateRegion = CreateRectRgn(0, 0, 0, 0);
        if (window.updateRegion == nullptr) return;
    }
    if (CombineRgn(window.updateRegion, window.updateRegion, area, RGN_OR) == NULLREGION) {
        DropUpdate(window);
        return;
    }
    window.eraseNeeded = window.eraseNeeded || erase;
    if (window.queue != nullptr) window.queue->Wake();
}

// Removes `area` (null: everything) from the update region. Lock held.
void RemoveUpdateRegion(Window &window, HRGN area) {
    if (area == nullptr) {
        DropUpdate(window);
        window.ncPaintNeeded = false;
        return;
    }
    if (window.updateRegion != nullptr &&
        CombineRgn(window.updateRegion, window.updateRegion, area, RGN_DIFF) == NULLREGION)
        DropUpdate(window);
}

// Runs `f` on the window under the user lock; FALSE for a dead handle.
template <class F>
BOOL WithWindow(HWND hwnd, F f) {
    std::lock_guard lock(UserLock());
    Window *window = FindObject<Window>(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    f(*window);
    return TRUE;
}

// The class brush as a brush handle: COLOR_x + 1 stands for a system colour.
HBRUSH ClassBrush(HWND hwnd) {
    HBRUSH brush = nullptr;
    WithWindow(hwnd, [&](Window &w) { brush = w.windowClass != nullptr ? w.windowClass->background : nullptr; });
    const auto value = reinterpret_cast<ULONG_PTR>(brush);
    if (value != 0 && value <= COLOR_MENUBAR + 1) return GetSysColorBrush(static_cast<int>(value - 1));
    return brush;
}

// WM_ERASEBKGND when an invalidation asked for it; true when the
// procedure erased.
bool EraseIfNeeded(HWND hwnd, bool pending, HDC hdc) {
    if (!pending) return true;
    return SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) != 0;
}

// Invalidates (area null: the whole client) one window, or every window for
// a null handle. `clientArea` is either a rectangle or a region.
BOOL Invalidate(HWND hwnd, const RECT *rect, HRGN region, bool erase) {
    std::lock_guard lock(UserLock());
    const auto one = [&](Window &window) {
        if (!Drawable(window)) return;
        const RECT client = ClientBox(window);
        Rgn area(client);
        if (area.handle == nullptr) return;
        if (rect != nullptr) {
            Rgn part(*rect);
            CombineRgn(area.handle, area.handle, part.handle, RGN_AND);
        } else if (region != nullptr) {
            CombineRgn(area.handle, area.handle, region, RGN_AND);
        }
        AddUpdateRegion(window, area.handle, erase);
    };
    if (hwnd == nullptr) {
        for (Window *w = TopWindow(); w != nullptr; w = w->older) one(*w);
        return TRUE;
    }
    Window *window = FindObject<Window>(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    one(*window);
    return TRUE;
}

}  // namespace

void AddUpdateArea(Window &window, const RECT *clientArea, bool erase) noexcept {
    if (!Drawable(window)) return;
    RECT area = ClientBox(window);
    if (clientArea != nullptr && !IntersectRect(&area, &area, clientArea)) return;
    Rgn region(area);
    if (region.handle != nullptr) AddUpdateRegion(window, region.handle, erase);
}

void ForgetUpdateArea(Window &window) noexcept {
    DropUpdate(window);
    window.ncPaintNeeded = false;
    window.insidePaint = false;
}

HWND NextWindowToPaint(DWORD threadId, HWND filter) noexcept {
    for (Window *w = TopWindow(); w != nullptr; w = w->older) {
        if (w->threadId != threadId || !Drawable(*w)) continue;
        if (w->updateRegion == nullptr && !w->ncPaintNeeded) continue;
        const HWND hwnd = static_cast<HWND>(w->Handle());
        if (filter == nullptr || filter == hwnd) return hwnd;
    }
    return nullptr;
}

void ExposeScreenArea(const RECT &screen) noexcept {
    const RECT desktop{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT exposed;
    if (!IntersectRect(&exposed, &screen, &desktop)) return;
    NoteScreenDamage(exposed);
    // What is still to be shown, shrinking as windows from the top down
    // take their part of it.
    Rgn uncovered(exposed);
    Rgn part;
    if (uncovered.handle == nullptr || part.handle == nullptr) return;
    for (Window *w = TopWindow(); w != nullptr; w = w->older) {
        if (w->parent != nullptr || !Drawable(*w)) continue;
        const RECT &frame = w->windowRect;
        SetRectRgn(part.handle, frame.left, frame.top, frame.right, frame.bottom);
        if (CombineRgn(part.handle, part.handle, uncovered.handle, RGN_AND) == NULLREGION) continue;
        CombineRgn(uncovered.handle, uncovered.handle, part.handle, RGN_DIFF);
        RECT box;
        GetRgnBox(part.handle, &box);
        const RECT &c = w->clientRect;
        if (box.left < c.left || box.top < c.top || box.right > c.right || box.bottom > c.bottom) {
            w->ncPaintNeeded = true;
            if (w->queue != nullptr) w->queue->Wake();
        }
        OffsetRgn(part.handle, -c.left, -c.top);
        Rgn client(ClientBox(*w));
        if (CombineRgn(part.handle, part.handle, client.handle, RGN_AND) > NULLREGION)
            AddUpdateRegion(*w, part.handle, true);
        // Children show through their parent's client area.
        for (Window *child = TopWindow(); child != nullptr; child = child->older)
            if (child->parent == w->Handle()) AddUpdateArea(*child, nullptr, true);
    }
    HDC dc = GetDC(nullptr);
    if (dc == nullptr) return;
    FillRgn(dc, uncovered.handle, GetSysColorBrush(COLOR_DESKTOP));
    ReleaseDC(nullptr, dc);
}

LRESULT DefaultEraseBackground(HWND hwnd, HDC hdc) noexcept {
    HBRUSH brush = ClassBrush(hwnd);
    if (brush == nullptr) return 0;
    // The DC's clip says what needs erasing: BeginPaint's covers the update
    // region, GetDC's the visible client.
    RECT box;
    if (GetClipBox(hdc, &box) == ERROR) return 0;
    FillRect(hdc, &box, brush);
    return 1;
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT *lpRect, BOOL bErase) {
    return Invalidate(hWnd, lpRect, nullptr, bErase != FALSE);
}

BOOL WINAPI InvalidateRgn(HWND hWnd, HRGN hRgn, BOOL bErase) {
    return Invalidate(hWnd, nullptr, hRgn, bErase != FALSE);
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT *lpRect) {
    if (hWnd == nullptr) return TRUE;  // nothing of the desktop's to validate
    Rgn area(lpRect != nullptr ? *lpRect : RECT{0, 0, 0, 0});
    if (lpRect != nullptr && area.handle == nullptr) return FALSE;
    return WithWindow(hWnd, [&](Window &w) { RemoveUpdateRegion(w, lpRect != nullptr ? area.handle : nullptr); });
}

BOOL WINAPI ValidateRgn(HWND hWnd, HRGN hRgn) {
    if (hWnd == nullptr) return TRUE;
    return WithWindow(hWnd, [&](Window &w) { RemoveUpdateRegion(w, hRgn); });
}

BOOL WINAPI GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase) {
    bool invalid = false, erase = false;
    RECT box{0, 0, 0, 0};
    if (!WithWindow(hWnd, [&](Window &w) {
            invalid = w.updateRegion != nullptr;
            if (invalid) GetRgnBox(w.updateRegion, &box);
            erase = invalid && w.eraseNeeded && bErase;
        }))
        return FALSE;
    if (lpRect != nullptr) *lpRect = box;
    if (erase) {
        Rgn update;
        if (GetUpdateRgn(hWnd, update.handle, FALSE) > NULLREGION) {
            HDC dc = MakeWindowDc(hWnd, false, update.handle);
            if (dc != nullptr && EraseIfNeeded(hWnd, true, dc))
                WithWindow(hWnd, [](Window &w) { w.eraseNeeded = false; });
            if (dc != nullptr) ReleaseDC(hWnd, dc);
        }
    }
    return invalid ? TRUE : FALSE;
}

int WINAPI GetUpdateRgn(HWND hWnd, HRGN hRgn, BOOL bErase) {
    int type = ERROR;
    bool erase = false;
    if (!WithWindow(hWnd, [&](Window &w) {
            type = w.updateRegion != nullptr ? CombineRgn(hRgn, w.updateRegion, nullptr, RGN_COPY)
                                             : (SetRectRgn(hRgn, 0, 0, 0, 0) ? NULLREGION : ERROR);
            erase = type > NULLREGION && w.eraseNeeded && bErase;
        }))
        return ERROR;
    if (erase) {
        RECT ignored;
        GetUpdateRect(hWnd, &ignored, TRUE);
    }
    return type;
}

BOOL WINAPI UpdateWindow(HWND hWnd) {
    bool paint = false;
    if (!WithWindow(hWnd, [&](Window &w) { paint = Drawable(w) && (w.updateRegion != nullptr || w.ncPaintNeeded); }))
        return FALSE;
    if (paint) SendMessageA(hWnd, WM_PAINT, 0, 0);
    return TRUE;
}

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    if (lpPaint == nullptr) return nullptr;
    HRGN update = nullptr;
    bool erase = false, frame = false;
    // The update region passes to this paint: the window is valid again.
    if (!WithWindow(hWnd, [&](Window &w) {
            update = w.updateRegion;
            erase = w.eraseNeeded;
            frame = w.ncPaintNeeded;
            w.updateRegion = nullptr;
            w.eraseNeeded = w.ncPaintNeeded = false;
            w.insidePaint = true;
        }))
        return nullptr;
    if (frame) SendMessageA(hWnd, WM_NCPAINT, 1, 0);
    *lpPaint = PAINTSTRUCT{};
    HDC dc = nullptr;
    if (update != nullptr) {
        GetRgnBox(update, &lpPaint->rcPaint);
        dc = MakeWindowDc(hWnd, false, update);
        DeleteObject(update);
    } else {
        // Nothing invalid (WM_PAINT sent by hand): an empty paint area.
        Rgn nothing;
        dc = MakeWindowDc(hWnd, false, nothing.handle);
    }
    if (dc == nullptr) return nullptr;
    lpPaint->hdc = dc;
    lpPaint->fErase = EraseIfNeeded(hWnd, erase, dc) ? FALSE : TRUE;
    return dc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT *lpPaint) {
    WithWindow(hWnd, [](Window &w) { w.insidePaint = false; });
    if (lpPaint != nullptr && lpPaint->hdc != nullptr) ReleaseDC(hWnd, lpPaint->hdc);
    return TRUE;
}

}  // extern "C"
