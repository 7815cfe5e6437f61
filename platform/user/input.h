// What the message queue asks of the input code: pointer input waits in the
// queue in its raw form (where the pointer was, which button changed) and
// becomes a window message when the owning thread retrieves it, after the
// window has answered WM_NCHITTEST and WM_SETCURSOR.
#pragma once

#include "zelt/win32.h"

namespace zelt::platform {

// The raw form: hwnd = the window under the pointer or holding the capture,
// wParam = the client message (WM_MOUSEMOVE, WM_LBUTTONDOWN, ...) in the low
// word, the MK_ key state in bits 16..23, kRawCaptured; pt = the screen
// point. In the system range, so no program posts it.
constexpr UINT kRawMouseMessage = 0x03FE;
constexpr WPARAM kRawCaptured = WPARAM{1} << 31;

// True when a raw message may become a message of [filterMin, filterMax].
bool RawMousePasses(const MSG &raw, UINT filterMin, UINT filterMax) noexcept;

// Turns a raw message into the message to deliver, sending WM_NCHITTEST,
// WM_MOUSEACTIVATE and WM_SETCURSOR on the way; false when nothing is to be
// delivered (the window is gone, or activation ate the click). Runs on the
// window's thread without any lock held.
bool CookMouseInput(MSG &msg) noexcept;

}  // namespace zelt::platform
