// Window classes: registered per module instance under an atom of the
// shared atom table, so names compare without regard to case. A class
// cannot be unregistered while windows of it exist.
#pragma once

#include "base/allocator.h"
#include "zelt/win32.h"

namespace zelt::platform {

class WindowClass {
public:
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC procedure = nullptr;
    int windowExtraBytes = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    ByteBuffer classExtra;  // cbClsExtra bytes, zeroed
    long windows = 0;       // live windows of the class
    WindowClass *next = nullptr;
};

// The instance that stands for "this program" (GetModuleHandleA(NULL)); a
// NULL instance in RegisterClassA and CreateWindowExA means it.
HINSTANCE ProgramInstance() noexcept;

// The class a window of `instance` is created from: the class of that name
// registered by the instance, else a CS_GLOBALCLASS one. Sets
// ERROR_CLASS_DOES_NOT_EXIST when there is none. Call with the user lock
// held; the class stays valid while the lock is held or a window of it
// lives.
WindowClass *FindWindowClass(LPCSTR name, HINSTANCE instance) noexcept;

}  // namespace zelt::platform
