// Kernel memory: every block is a fixed global block, so its address is its
// handle and the platform's allocation accounting sees every kernel block.
#include "zelt/kernel.h"

extern "C" {

void *ZELT_API KrnAllocMem(DWORD bytes) { return GlobalAlloc(GMEM_FIXED, bytes); }

void *ZELT_API KrnAllocZeroed(DWORD bytes) { return GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, bytes); }

void *ZELT_API KrnReallocMem(void *block, DWORD bytes) {
    if (block == nullptr) return KrnAllocMem(bytes);
    // A fixed block may only change size when it is allowed to move; it
    // stays fixed, so the result is again its own handle. Shrinking to 0
    // would turn it into a discarded handle, so the smallest block kept is
    // one byte.
    return GlobalReAlloc(block, bytes == 0 ? 1 : bytes, GMEM_MOVEABLE);
}

void ZELT_API KrnFreeMem(void *block) {
    if (block != nullptr) GlobalFree(block);
}

}  // extern "C"
