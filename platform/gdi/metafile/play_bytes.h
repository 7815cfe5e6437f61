// Little-endian reads from metafile bytes that can never leave their record:
// a read that would reach past the end gives 0, so a handler that checked
// its fixed part first and one that forgot both stay inside the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zelt::platform {

class ByteView {
public:
    ByteView() = default;
    ByteView(const unsigned char *data, std::size_t size) noexcept : data_(data), size_(size) {}

    const unsigned char *Data() const noexcept { return data_; }
    std::size_t Size() const noexcept { return size_; }
    bool Has(std::size_t offset, std::size_t count) const noexcept {
        return offset <= size_ && count <= size_ - offset;
    }
    // The bytes [offset, offset + count), or an empty view when they are not
    // all inside.
    ByteView Sub(std::size_t offset, std::size_t count) const noexcept {
        return Has(offset, count) ? ByteView(data_ + offset, count) : ByteView();
    }

    std::uint16_t U16(std::size_t offset) const noexcept { return Read<std::uint16_t>(offset); }
    std::int16_t I16(std::size_t offset) const noexcept { return static_cast<std::int16_t>(U16(offset)); }
    std::uint32_t U32(std::size_t offset) const noexcept { return Read<std::uint32_t>(offset); }
    std::int32_t I32(std::size_t offset) const noexcept { return static_cast<std::int32_t>(U32(offset)); }
    float F32(std::size_t offset) const noexcept {
        const std::uint32_t bits = U32(offset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    template <class T>
    T Read(std::size_t offset) const noexcept {
        if (!Has(offset, sizeof(T))) return 0;
        T value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) value = static_cast<T>(value | (T{data_[offset + i]} << (8 * i)));
        return value;
    }

    const unsigned char *data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace zelt::platform
