// Windows: handle-table objects owned by the thread that created them. Only
// that thread runs their procedures and destroys them; other threads reach
// them through their thread's queue. Every field is guarded by the user
// lock.
#pragma once

#include "base/allocator.h"
#include "base/handles.h"
#include "zelt/win32.h"

namespace zelt::platform {

class ThreadQueue;
class WindowClass;

class Window final : public HandleObject {
public:
    static constexpr ObjectKind kKind = ObjectKind::Window;
    Window() noexcept : HandleObject(kKind) {}
    ~Window() override;

    WindowClass *windowClass = nullptr;
    WNDPROC procedure = nullptr;
    HWND owner = nullptr;   // top-level windows: the owner
    HWND parent = nullptr;  // WS_CHILD windows: the parent
    DWORD style = 0;
    DWORD exStyle = 0;
    HMENU menu = nullptr;
    HINSTANCE instance = nullptr;
    DWORD threadId = 0;
    ThreadQueue *queue = nullptr;  // referenced
    ByteBuffer text;               // NUL-terminated caption
    ByteBuffer extraBytes;         // cbWndExtra bytes, zeroed
    bool destroying = false;

    // Geometry and state (window_manager.h): rectangles in screen
    // coordinates; the client rectangle comes from WM_NCCALCSIZE.
    RECT windowRect{};
    RECT clientRect{};
    bool visible = false;    // WS_VISIBLE mirrors it in `style`
    bool minimized = false;  // WS_MINIMIZE mirrors it
    RECT restoredRect{};     // window rectangle to come back to from minimized
    HICON smallIcon = nullptr;
    HICON bigIcon = nullptr;
    struct Property *properties = nullptr;  // SetPropA entries, newest first
    LONG_PTR userData = 0;                  // GWLP_USERDATA
    bool sizeSent = false;                  // WM_SIZE/WM_MOVE delivered since creation
    bool hiddenWithOwner = false;           // hidden because its owner was minimised

    // Painting (window_paint.cpp): the update region in client coordinates,
    // null when nothing is invalid.
    HRGN updateRegion = nullptr;
    bool eraseNeeded = false;      // an invalidation asked for WM_ERASEBKGND
    bool ncPaintNeeded = false;    // the frame needs drawing
    bool insidePaint = false;      // between BeginPaint and EndPaint

    // All windows in stacking order: `newer` is above, `older` below; the
    // head of the list (newest) is the topmost window.
    Window *older = nullptr;
    Window *newer = nullptr;
};

// What a thread needs to reach a window without holding the user lock.
struct WindowTarget {
    WNDPROC procedure = nullptr;
    DWORD threadId = 0;
    ThreadQueue *queue = nullptr;  // referenced: release it when done
};

// Fills `target` for a live window; false (nothing referenced) otherwise.
bool ResolveWindow(HWND hwnd, WindowTarget &target) noexcept;

// Runs a window's procedure on the calling thread, which must own it; 0
// when the window is gone.
LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// Removes, without messages, the windows of a thread that has ended.
void DestroyThreadWindows(DWORD threadId) noexcept;

}  // namespace zelt::platform
