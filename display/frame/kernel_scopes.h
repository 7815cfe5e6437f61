// Scope guards for kernel resources the display library's operations borrow
// for one call: memory blocks and access brackets, each released on every
// exit path.
#pragma once

#include <cstdint>

#include "zelt/kernel.h"

namespace zelt {

// A kernel memory block; null when the allocation failed.
class KernelBlock {
public:
    KernelBlock() = default;
    // Sizes past a DWORD cannot be allocated: the block stays null.
    explicit KernelBlock(std::uint64_t bytes, bool zeroed = false)
        : block_(bytes > 0xFFFFFFFFu ? nullptr
                                     : static_cast<BYTE *>(zeroed ? KrnAllocZeroed(static_cast<DWORD>(bytes))
                                                                  : KrnAllocMem(static_cast<DWORD>(bytes)))) {}
    ~KernelBlock() { KrnFreeMem(block_); }
    KernelBlock(const KernelBlock &) = delete;
    KernelBlock &operator=(const KernelBlock &) = delete;
    BYTE *get() const { return block_; }
    explicit operator bool() const { return block_ != nullptr; }

private:
    BYTE *block_ = nullptr;
};

// An access bracket on a bitmap for one scope.
class AccessBracket {
public:
    explicit AccessBracket(BitmapRecord *bitmap) : bitmap_(bitmap), token_(KrnAccessBitmap(bitmap)) {}
    ~AccessBracket() {
        if (token_ >= 1) KrnReleaseBitmapAccess(bitmap_, token_);
    }
    AccessBracket(const AccessBracket &) = delete;
    AccessBracket &operator=(const AccessBracket &) = delete;
    bool IsOpen() const { return token_ >= 1; }
    // The status KrnAccessBitmap answered when the bracket did not open.
    int Status() const { return token_ >= 1 ? STATUS_OK : token_; }

private:
    BitmapRecord *bitmap_;
    int token_;
};

}  // namespace zelt
