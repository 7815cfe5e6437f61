// A growable array of plain values for the metafile players (object
// tables, figure points, save stacks). Storage comes from the fallible
// allocator; a failed growth leaves the array as it was and says so.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "base/allocator.h"

namespace zelt::platform {

template <class T>
class PodArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    std::size_t Size() const noexcept { return size_; }
    bool Empty() const noexcept { return size_ == 0; }
    T *Data() noexcept { return reinterpret_cast<T *>(storage_.Data()); }
    const T *Data() const noexcept { return reinterpret_cast<const T *>(storage_.Data()); }
    T &operator[](std::size_t i) noexcept { return Data()[i]; }
    const T &operator[](std::size_t i) const noexcept { return Data()[i]; }
    T &Back() noexcept { return Data()[size_ - 1]; }

    // Room for `count` values in all; false (nothing changed) when memory
    // runs out.
    [[nodiscard]] bool Reserve(std::size_t count) noexcept {
        if (count <= capacity_) return true;
        if (count > kMaxBytes / sizeof(T)) return false;
        ByteBuffer grown;
        if (!grown.Reset(count * sizeof(T))) return false;
        if (size_ != 0) std::memcpy(grown.Data(), storage_.Data(), size_ * sizeof(T));
        storage_ = std::move(grown);
        capacity_ = count;
        return true;
    }
    [[nodiscard]] bool Push(const T &value) noexcept {
        if (size_ == capacity_ && !Reserve(capacity_ < 8 ? 8 : capacity_ * 2)) return false;
        Data()[size_++] = value;
        return true;
    }
    // Grows to `count` values, the new ones zero-filled (the storage is).
    [[nodiscard]] bool Resize(std::size_t count) noexcept {
        if (!Reserve(count)) return false;
        if (count > size_) std::memset(static_cast<void *>(Data() + size_), 0, (count - size_) * sizeof(T));
        size_ = count;
        return true;
    }
    void Pop() noexcept { --size_; }
    void Clear() noexcept { size_ = 0; }

private:
    // No array of the players needs more; a file that asks for more is lying.
    static constexpr std::size_t kMaxBytes = std::size_t{1} << 30;

    ByteBuffer storage_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace zelt::platform
