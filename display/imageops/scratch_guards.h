// Scope guards for the temporaries of the image operations: kernel memory
// blocks, scratch bitmap records and access brackets, each released on
// every exit path.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>

#include "zelt/kernel.h"

namespace imageops {

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

// A bitmap record in a record-sized kernel block: its image (if any) and
// the block are freed at the end unless the record was handed over.
class ScratchRecord {
public:
    // wanted false: no record (get() is null) and nothing to free.
    explicit ScratchRecord(bool wanted = true)
        : record_(wanted ? static_cast<BitmapRecord *>(KrnAllocZeroed(sizeof(BitmapRecord))) : nullptr) {}
    ~ScratchRecord() {
        if (record_ == nullptr) return;
        KrnFreeBitmap(record_);
        KrnFreeMem(record_);
    }
    ScratchRecord(const ScratchRecord &) = delete;
    ScratchRecord &operator=(const ScratchRecord &) = delete;
    BitmapRecord *get() const { return record_; }
    explicit operator bool() const { return record_ != nullptr; }
    // Copies the record over `destination`; this guard keeps only an empty record.
    void HandOver(BitmapRecord *destination) {
        *destination = *record_;
        std::memset(static_cast<void *>(record_), 0, sizeof(BitmapRecord));
    }

private:
    BitmapRecord *record_;
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

}  // namespace imageops
