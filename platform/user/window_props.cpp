// Window properties: SetPropA / GetPropA / RemovePropA. Names are global
// atoms, so they compare without regard to case and MAKEINTATOM values
// name the same entries; a window's entries go with it.
#include "user/atom_table.h"
#include "user/user_lock.h"
#include "user/window_frame.h"

namespace zelt::platform {

struct Property {
    ATOM atom = 0;
    HANDLE data = nullptr;
    Property *next = nullptr;
};

namespace {

Property **FindSlot(Window &window, ATOM atom) {
    for (Property **slot = &window.properties; *slot != nullptr; slot = &(*slot)->next)
        if ((*slot)->atom == atom) return slot;
    return nullptr;
}

// The atom of a property name that exists; 0 (error untouched) otherwise.
ATOM ExistingAtom(LPCSTR name) {
    if (name == nullptr) return 0;
    const DWORD saved = GetLastError();
    const ATOM atom = FindAtomName(name);
    SetLastError(saved);
    return atom;
}

}  // namespace

void ForgetProperties(Window &window) noexcept {
    while (Property *p = window.properties) {
        window.properties = p->next;
        delete p;
    }
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

BOOL WINAPI SetPropA(HWND hWnd, LPCSTR lpString, HANDLE hData) {
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const ATOM atom = lpString != nullptr ? AddAtomName(lpString) : 0;
    if (atom == 0) return FALSE;
    Property *added = NewObject<Property>();
    std::lock_guard lock(UserLock());
    Window *window = FindObject<Window>(hWnd);
    if (window == nullptr) {
        delete added;
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (Property **slot = FindSlot(*window, atom)) {
        (*slot)->data = hData;
        delete added;
        return TRUE;
    }
    if (added == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    added->atom = atom;
    added->data = hData;
    added->next = window->properties;
    window->properties = added;
    return TRUE;
}

HANDLE WINAPI GetPropA(HWND hWnd, LPCSTR lpString) {
    const ATOM atom = ExistingAtom(lpString);
    std::lock_guard lock(UserLock());
    Window *window = FindObject<Window>(hWnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    Property **slot = atom != 0 ? FindSlot(*window, atom) : nullptr;
    return slot != nullptr ? (*slot)->data : nullptr;
}

HANDLE WINAPI RemovePropA(HWND hWnd, LPCSTR lpString) {
    const ATOM atom = ExistingAtom(lpString);
    Property *removed = nullptr;
    {
        std::lock_guard lock(UserLock());
        Window *window = FindObject<Window>(hWnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        Property **slot = atom != 0 ? FindSlot(*window, atom) : nullptr;
        if (slot == nullptr) return nullptr;
        removed = *slot;
        *slot = removed->next;
    }
    const HANDLE data = removed->data;
    delete removed;
    return data;
}

}  // extern "C"
