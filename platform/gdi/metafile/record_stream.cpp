#include "gdi/metafile/record_stream.h"

#include <cstring>

#include "base/allocator.h"

namespace zelt::platform {

void FieldWriter::U16(unsigned value) noexcept {
    at_[0] = static_cast<unsigned char>(value);
    at_[1] = static_cast<unsigned char>(value >> 8);
    at_ += 2;
}

void FieldWriter::U32(std::uint32_t value) noexcept {
    for (int i = 0; i < 4; ++i) at_[i] = static_cast<unsigned char>(value >> (8 * i));
    at_ += 4;
}

void FieldWriter::Bytes(const void *data, std::size_t size) noexcept {
    if (size != 0) std::memcpy(at_, data, size);
    at_ += size;
}

RecordStream::~RecordStream() { FreeBytes(data_); }

bool RecordStream::Reserve(std::size_t size) noexcept {
    if (size <= capacity_ - size_) return true;
    // Doubling keeps recording linear in the bytes written.
    std::size_t wanted = capacity_ < 256 ? 256 : capacity_;
    while (wanted - size_ < size) {
        if (wanted > (std::size_t{1} << 40)) return false;
        wanted *= 2;
    }
    auto *grown = static_cast<unsigned char *>(AllocateBytes(wanted));
    if (grown == nullptr) return false;
    if (size_ != 0) std::memcpy(grown, data_, size_);
    FreeBytes(data_);
    data_ = grown;
    capacity_ = wanted;
    return true;
}

unsigned char *RecordStream::Append(std::size_t size) noexcept {
    if (!Reserve(size)) return nullptr;
    unsigned char *start = data_ + size_;
    std::memset(start, 0, size);
    size_ += size;
    return start;
}

void RecordStream::Truncate(std::size_t size) noexcept {
    if (size < size_) size_ = size;
}

}  // namespace zelt::platform
