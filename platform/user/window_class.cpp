// RegisterClassA, UnregisterClassA and GetModuleHandleA.
#include "user/window_class.h"

#include <cstring>

#include "user/atom_table.h"
#include "user/user_lock.h"

namespace zelt::platform {

namespace {

// Names longer than an atom holds cannot be registered.
constexpr std::size_t kMaxClassName = 255;

// Registered classes, newest first; guarded by the user lock.
WindowClass *classes = nullptr;

HINSTANCE OrProgram(HINSTANCE instance) { return instance != nullptr ? instance : ProgramInstance(); }

WindowClass **FindSlot(ATOM atom, HINSTANCE instance) {
    for (WindowClass **slot = &classes; *slot != nullptr; slot = &(*slot)->next)
        if ((*slot)->atom == atom && (*slot)->instance == instance) return slot;
    return nullptr;
}

}  // namespace

std::mutex &UserLock() noexcept {
    static std::mutex *lock = new std::mutex;  // never destroyed: threads may end after exit starts
    return *lock;
}

HINSTANCE ProgramInstance() noexcept {
    // Any distinct non-NULL value: nothing reads through it.
    static char program;
    return reinterpret_cast<HINSTANCE>(&program);
}

WindowClass *FindWindowClass(LPCSTR name, HINSTANCE instance) noexcept {
    const DWORD saved = GetLastError();
    const ATOM atom = name != nullptr ? FindAtomName(name) : 0;
    SetLastError(saved);
    if (atom != 0) {
        if (WindowClass **slot = FindSlot(atom, OrProgram(instance))) return *slot;
        for (WindowClass *c = classes; c != nullptr; c = c->next)
            if (c->atom == atom && (c->style & CS_GLOBALCLASS) != 0) return c;
    }
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return nullptr;
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

ATOM WINAPI RegisterClassA(const WNDCLASSA *lpWndClass) {
    if (lpWndClass == nullptr || lpWndClass->lpszClassName == nullptr || lpWndClass->cbWndExtra < 0 ||
        lpWndClass->cbClsExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const LPCSTR name = lpWndClass->lpszClassName;
    if (!IS_INTRESOURCE(name) && std::strlen(name) > kMaxClassName) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const ATOM atom = AddAtomName(name);
    if (atom == 0) return 0;
    WindowClass *added = NewObject<WindowClass>();
    if (added == nullptr || !added->classExtra.Reset(static_cast<std::size_t>(lpWndClass->cbClsExtra))) {
        delete added;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    added->atom = atom;
    added->style = lpWndClass->style;
    added->procedure = lpWndClass->lpfnWndProc;
    added->windowExtraBytes = lpWndClass->cbWndExtra;
    added->instance = OrProgram(lpWndClass->hInstance);
    added->icon = lpWndClass->hIcon;
    added->cursor = lpWndClass->hCursor;
    added->background = lpWndClass->hbrBackground;
    std::lock_guard lock(UserLock());
    if (FindSlot(atom, added->instance) != nullptr) {
        delete added;
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    added->next = classes;
    classes = added;
    return atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE hInstance) {
    const ATOM atom = lpClassName != nullptr ? FindAtomName(lpClassName) : 0;
    std::lock_guard lock(UserLock());
    WindowClass **slot = atom != 0 ? FindSlot(atom, OrProgram(hInstance)) : nullptr;
    if (slot == nullptr) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if ((*slot)->windows != 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    WindowClass *removed = *slot;
    *slot = removed->next;
    delete removed;
    return TRUE;
}

BOOL WINAPI GetClassInfoA(HINSTANCE hInstance, LPCSTR lpClassName, LPWNDCLASSA lpWndClass) {
    if (lpWndClass == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(UserLock());
    const WindowClass *found = FindWindowClass(lpClassName, hInstance);
    if (found == nullptr) return FALSE;
    *lpWndClass = WNDCLASSA{};
    lpWndClass->style = found->style;
    lpWndClass->lpfnWndProc = found->procedure;
    lpWndClass->cbClsExtra = static_cast<int>(found->classExtra.Size());
    lpWndClass->cbWndExtra = found->windowExtraBytes;
    lpWndClass->hInstance = found->instance;
    lpWndClass->hIcon = found->icon;
    lpWndClass->hCursor = found->cursor;
    lpWndClass->hbrBackground = found->background;
    // The name comes back as the caller gave it.
    lpWndClass->lpszClassName = lpClassName;
    // Like RegisterClassA, the class atom is the result.
    return static_cast<BOOL>(found->atom);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    if (lpModuleName == nullptr) return ProgramInstance();
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

}  // extern "C"
