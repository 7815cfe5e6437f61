// The platform's one fallible allocator. Global memory blocks, GDI and USER
// objects and the buffers they own all come from here, so a test can make
// exactly the n-th allocation fail and check that callers clean up.
#pragma once

#include <cstddef>
#include <new>
#include <utility>

namespace zelt::platform {

// Counts one allocation and says whether it may go ahead (false when the
// failure injection has chosen this one).
[[nodiscard]] bool TakeAllocationTicket() noexcept;

// Sets up injection: the n-th following allocation fails (n >= 1), -1 turns
// it off. Returns the number of allocations counted since the previous call.
long FailAllocationAfter(long n) noexcept;

// Raw bytes aligned to 2 * sizeof(void*); nullptr when injected or when the
// system is out of memory. Release with FreeBytes.
[[nodiscard]] void *AllocateBytes(std::size_t bytes) noexcept;
void FreeBytes(void *block) noexcept;

// Constructs a T through the allocator; nullptr on failure.
template <class T, class... Args>
[[nodiscard]] T *NewObject(Args &&...args) noexcept {
    if (!TakeAllocationTicket()) return nullptr;
    return new (std::nothrow) T(std::forward<Args>(args)...);
}

// An owned, counted byte buffer for the pixel and entry storage of objects.
class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(const ByteBuffer &) = delete;
    ByteBuffer &operator=(const ByteBuffer &) = delete;
    ByteBuffer(ByteBuffer &&other) noexcept { Swap(other); }
    ByteBuffer &operator=(ByteBuffer &&other) noexcept {
        ByteBuffer moved(std::move(other));
        Swap(moved);
        return *this;
    }
    ~ByteBuffer() { FreeBytes(data_); }

    // Replaces the contents with `bytes` zero bytes; false (contents kept)
    // when the allocation fails.
    [[nodiscard]] bool Reset(std::size_t bytes) noexcept;
    // Copies another buffer; false on allocation failure.
    [[nodiscard]] bool CopyFrom(const ByteBuffer &other) noexcept;

    unsigned char *Data() noexcept { return data_; }
    const unsigned char *Data() const noexcept { return data_; }
    std::size_t Size() const noexcept { return size_; }

private:
    void Swap(ByteBuffer &other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
    }
    unsigned char *data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace zelt::platform
