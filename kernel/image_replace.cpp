#include "image_replace.h"

#include "record_internal.h"

namespace zelt::kernel {

int ReplacementImage::Allocate(int width, int height, int bitsPerPixel) {
    const std::int64_t bytes = DataBytesFor(width, height, bitsPerPixel);
    if (bytes < 0) return STATUS_NO_MEMORY;
    data_ = AllocBlock<BYTE>(static_cast<DWORD>(bytes));
    if (!data_) return STATUS_NO_MEMORY;
    size_ = static_cast<DWORD>(bytes);
    width_ = width;
    height_ = height;
    bits_ = bitsPerPixel;
    bytesPerLine_ = static_cast<LONG>(BytesPerLineFor(width, bitsPerPixel));
    coveredBytes_ = static_cast<std::size_t>(std::int64_t{width} * bitsPerPixel / 8);
    return STATUS_OK;
}

void ReplacementImage::CommitTo(BitmapRecord &bitmap) {
    if ((bitmap.KernelFlags & KRN_OWNS_DATA) != 0) KrnFreeMem(bitmap.Data);
    bitmap.Data = data_.release();
    bitmap.DataSize = size_;
    bitmap.KernelFlags |= KRN_OWNS_DATA;
    bitmap.Width = width_;
    bitmap.Height = height_;
    bitmap.BitsPerPixel = bits_;
    bitmap.BytesPerLine = bytesPerLine_;
}

}  // namespace zelt::kernel
