// What the window core tells the clipboard about windows and threads going
// away, so that it never keeps a dead owner or an open clipboard nobody can
// close.
#pragma once

#include "zelt/win32.h"

namespace zelt::platform {

// On the window's thread, before its WM_DESTROY: an owner with formats still
// to render gets WM_RENDERALLFORMATS; then the clipboard forgets the window.
void ClipboardWindowDestroying(HWND hwnd) noexcept;

// A window removed without messages (its thread ended). May be called with
// the user lock held.
void ClipboardWindowGone(HWND hwnd) noexcept;

// A thread ended: a clipboard it holds open is closed.
void ClipboardThreadEnded(DWORD threadId) noexcept;

}  // namespace zelt::platform
