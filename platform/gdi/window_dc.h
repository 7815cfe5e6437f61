// Window DCs: a DC whose (0, 0) is a window's client (or frame) corner on
// the screen and whose clip is the part of the window other windows leave
// visible. The DC draws through a view of the screen surface that follows
// the screen's pixels and colour table at every use.
#pragma once

#include "gdi/surface.h"
#include "zelt/win32.h"

namespace zelt::platform {

struct WindowView {
    HWND hwnd = nullptr;
    POINT origin{0, 0};  // screen position of device (0, 0)
    SIZE size{0, 0};     // the client's or the whole window's size
    Surface surface;     // rebuilt from the screen by WindowViewSurface
};

// The screen pixels under the view, with device (0, 0) at its origin.
Surface &WindowViewSurface(WindowView &view) noexcept;
// The device rectangle of the view that lies on the screen.
RECT WindowViewBounds(const WindowView &view) noexcept;
void FreeWindowView(WindowView *view) noexcept;

// A DC on a window: its client (or the whole window), clipped to what is
// visible and, when `extraClip` is given (client coordinates), to that
// region too. Null when the window is gone or memory runs out.
HDC MakeWindowDc(HWND hwnd, bool wholeWindow, HRGN extraClip) noexcept;

// A drawing call on the screen may have changed the pixels of `area`
// (screen coordinates).
void NoteScreenDamage(const RECT &area) noexcept;

// RealizePalette changed the system palette: every top-level window hears
// of it, with the window whose DC realised it (null for the screen).
void BroadcastPaletteChanged(HWND realizer) noexcept;

}  // namespace zelt::platform
