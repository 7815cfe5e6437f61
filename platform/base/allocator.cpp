#include "base/allocator.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "zelt/host.h"

namespace zelt::platform {
namespace {

// The count since the last FailAllocationAfter call and the ordinal that must
// fail (0 = none). Atomics: allocations happen on any thread.
std::atomic<long> allocationsCounted{0};
std::atomic<long> failingOrdinal{0};

constexpr std::size_t kAlignment = 2 * sizeof(void *);
// No single allocation is larger than 4 GiB (the library's sizes are 32-bit
// quantities); larger requests fail cleanly instead of reaching malloc.
constexpr std::size_t kMaxAllocation = sizeof(void *) >= 8 ? (std::size_t{1} << 32) : (std::size_t{1} << 31);

}  // namespace

bool TakeAllocationTicket() noexcept {
    const long ordinal = allocationsCounted.fetch_add(1, std::memory_order_relaxed) + 1;
    return ordinal != failingOrdinal.load(std::memory_order_relaxed);
}

long FailAllocationAfter(long n) noexcept {
    const long counted = allocationsCounted.exchange(0, std::memory_order_relaxed);
    failingOrdinal.store(n >= 1 ? n : 0, std::memory_order_relaxed);
    return counted;
}

void *AllocateBytes(std::size_t bytes) noexcept {
    if (!TakeAllocationTicket() || bytes > kMaxAllocation) return nullptr;
    const std::size_t rounded = (bytes + kAlignment - 1) & ~(kAlignment - 1);
    if (rounded < bytes) return nullptr;
    return std::aligned_alloc(kAlignment, rounded == 0 ? kAlignment : rounded);
}

void FreeBytes(void *block) noexcept { std::free(block); }

bool ByteBuffer::Reset(std::size_t bytes) noexcept {
    void *fresh = AllocateBytes(bytes);
    if (fresh == nullptr) return false;
    std::memset(fresh, 0, bytes);
    FreeBytes(data_);
    data_ = static_cast<unsigned char *>(fresh);
    size_ = bytes;
    return true;
}

bool ByteBuffer::CopyFrom(const ByteBuffer &other) noexcept {
    if (!Reset(other.size_)) return false;
    if (other.size_ != 0) std::memcpy(data_, other.data_, other.size_);
    return true;
}

}  // namespace zelt::platform

extern "C" long ZeltHostFailAllocationAfter(long n) { return zelt::platform::FailAllocationAfter(n); }
