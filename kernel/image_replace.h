// A new image for a record, made beside the old one and swapped in only when
// everything else has succeeded, so that an operation that fails leaves the
// record as it was.
#pragma once

#include <cstring>

#include "memory_internal.h"
#include "zelt/kernel.h"

namespace zelt::kernel {

class ReplacementImage {
public:
    // Data for width x height pixels of bitsPerPixel bits, not cleared:
    // every row is begun with BeginRow before it is written. STATUS_NO_MEMORY
    // when it cannot be made or exceeds the data limit.
    int Allocate(int width, int height, int bitsPerPixel);

    // Row `row`, with the bytes its pixels do not wholly cover (a shared last
    // byte, the DWORD padding) set to 0, so that writers that merge bits
    // leave the unused ones 0 and writers of whole pixels need not care.
    BYTE *BeginRow(int row) const {
        BYTE *start = Row(row);
        std::memset(start + coveredBytes_, 0, static_cast<std::size_t>(bytesPerLine_) - coveredBytes_);
        return start;
    }

    int Width() const { return width_; }
    int Height() const { return height_; }
    LONG BytesPerLine() const { return bytesPerLine_; }
    BYTE *Row(int row) const {
        return data_.get() + static_cast<std::size_t>(row) * static_cast<std::size_t>(bytesPerLine_);
    }

    // Frees the record's old data when it owns it and installs this image
    // (Data, DataSize, Width, Height, BitsPerPixel, BytesPerLine); the
    // record then owns the new data. Cannot fail.
    void CommitTo(BitmapRecord &bitmap);

private:
    KernelBlock<BYTE> data_;
    DWORD size_ = 0;
    int width_ = 0, height_ = 0, bits_ = 0;
    LONG bytesPerLine_ = 0;
    std::size_t coveredBytes_ = 0;  // bytes wholly inside the row's pixels
};

}  // namespace zelt::kernel
