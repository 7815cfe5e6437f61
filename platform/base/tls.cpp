// Thread-local storage slots. A slot index carries a generation: values a
// thread stored under an earlier owner of the same index read as NULL, so a
// freshly allocated slot is NULL on every thread, as Windows guarantees.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "base/tls_internal.h"
#include "zelt/win32.h"

namespace {

// As many slots as a Windows process gets (64 plus the expansion slots).
constexpr DWORD kSlotCount = 1088;

struct SlotTable {
    std::mutex mutex;
    // Odd generation = allocated. Read without the lock by Get/Set.
    std::atomic<std::uint32_t> generation[kSlotCount] = {};
};

SlotTable &Slots() {
    static SlotTable *table = new SlotTable;  // never destroyed
    return *table;
}

struct ThreadValue {
    void *value = nullptr;
    std::uint32_t generation = 0;
};

// The calling thread's values. Constructed before the thread-detach
// sentinel is armed, so it is destroyed after the sentinel: the modules'
// DLL_THREAD_DETACH handlers still read and clear their slots.
std::vector<ThreadValue> &ThreadValuesArmed() {
    thread_local std::vector<ThreadValue> values;
    zelt::platform::ArmThreadDetachSentinel();
    return values;
}

bool IsAllocated(DWORD index, std::uint32_t &generation) {
    if (index >= kSlotCount) return false;
    generation = Slots().generation[index].load(std::memory_order_acquire);
    return (generation & 1) != 0;
}

std::atomic<DWORD> nextThreadId{0x100};
thread_local DWORD threadId = 0;

}  // namespace

extern "C" {

DWORD WINAPI TlsAlloc(void) {
    SlotTable &slots = Slots();
    std::lock_guard lock(slots.mutex);
    for (DWORD index = 0; index < kSlotCount; ++index) {
        const std::uint32_t generation = slots.generation[index].load(std::memory_order_relaxed);
        if ((generation & 1) == 0) {
            slots.generation[index].store(generation + 1, std::memory_order_release);
            return index;
        }
    }
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return TLS_OUT_OF_INDEXES;
}

BOOL WINAPI TlsFree(DWORD dwTlsIndex) {
    SlotTable &slots = Slots();
    std::lock_guard lock(slots.mutex);
    std::uint32_t generation;
    if (!IsAllocated(dwTlsIndex, generation)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    slots.generation[dwTlsIndex].store(generation + 1, std::memory_order_release);
    return TRUE;
}

LPVOID WINAPI TlsGetValue(DWORD dwTlsIndex) {
    std::vector<ThreadValue> &threadValues = ThreadValuesArmed();
    std::uint32_t generation;
    if (!IsAllocated(dwTlsIndex, generation)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Success clears the last error so that a NULL value can be told apart.
    SetLastError(ERROR_SUCCESS);
    if (dwTlsIndex >= threadValues.size()) return nullptr;
    const ThreadValue &slot = threadValues[dwTlsIndex];
    return slot.generation == generation ? slot.value : nullptr;
}

BOOL WINAPI TlsSetValue(DWORD dwTlsIndex, LPVOID lpTlsValue) {
    std::vector<ThreadValue> &threadValues = ThreadValuesArmed();
    std::uint32_t generation;
    if (!IsAllocated(dwTlsIndex, generation)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (dwTlsIndex >= threadValues.size()) {
        try {
            threadValues.resize(kSlotCount);
        } catch (const std::bad_alloc &) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
    }
    threadValues[dwTlsIndex] = {lpTlsValue, generation};
    return TRUE;
}

DWORD WINAPI GetCurrentThreadId(void) {
    if (threadId == 0) threadId = nextThreadId.fetch_add(4, std::memory_order_relaxed);
    return threadId;
}

}  // extern "C"
