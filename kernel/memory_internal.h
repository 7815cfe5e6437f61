// RAII owners for kernel blocks and GDI objects, so every temporary is
// released on every exit path.
#pragma once

#include <memory>
#include <type_traits>

#include "zelt/kernel.h"

namespace zelt::kernel {

struct KernelBlockDeleter {
    void operator()(void *block) const { KrnFreeMem(block); }
};

// A block from KrnAllocMem/KrnAllocZeroed owned until released.
template <typename T>
using KernelBlock = std::unique_ptr<T, KernelBlockDeleter>;

template <typename T>
KernelBlock<T> AllocBlock(DWORD bytes, bool zeroed = false) {
    return KernelBlock<T>(static_cast<T *>(zeroed ? KrnAllocZeroed(bytes) : KrnAllocMem(bytes)));
}

struct GdiObjectDeleter {
    void operator()(void *object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};

// A palette handle owned until released.
using OwnedPalette = std::unique_ptr<std::remove_pointer_t<HPALETTE>, GdiObjectDeleter>;

}  // namespace zelt::kernel
