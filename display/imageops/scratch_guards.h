// Scope guards for the temporaries of the image operations: scratch bitmap
// records here, kernel memory blocks and access brackets from the shared
// guards, each released on every exit path.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>

#include "frame/kernel_scopes.h"
#include "zelt/kernel.h"

namespace imageops {

using zelt::AccessBracket;
using zelt::KernelBlock;

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

}  // namespace imageops
