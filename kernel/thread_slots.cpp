// Thread slots: one pointer per thread per slot, on Win32 thread-local storage.
#include "zelt/kernel.h"

namespace {
// TlsAlloc's failure value is the same all-ones value as ours.
constexpr DWORD kTlsOutOfIndexes = 0xFFFFFFFFu;
}  // namespace

extern "C" {

DWORD ZELT_API KrnAllocThreadSlot(void) {
    const DWORD slot = TlsAlloc();
    return slot == kTlsOutOfIndexes ? KRN_INVALID_SLOT : slot;
}

BOOL ZELT_API KrnSetThreadSlot(DWORD slot, void *value) {
    if (slot == KRN_INVALID_SLOT) return FALSE;
    return TlsSetValue(slot, value);
}

void *ZELT_API KrnGetThreadSlot(DWORD slot) {
    if (slot == KRN_INVALID_SLOT) return nullptr;
    return TlsGetValue(slot);
}

BOOL ZELT_API KrnFreeThreadSlot(DWORD slot) {
    if (slot == KRN_INVALID_SLOT) return FALSE;
    return TlsFree(slot);
}

}  // extern "C"
