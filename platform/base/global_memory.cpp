// Global memory: fixed blocks (the handle is the data address) and moveable
// blocks (the handle names a small record that points at the data).
//
// Every data area has a header in front of it with its size, its capacity
// and, for moveable data, the owning record. Live data addresses and live
// moveable handles are kept in hash maps, so validating a handle, GlobalFree
// and GlobalHandle cost one lookup, never a scan.
//
// Moveable handles are the address of a record aligned to 2 * sizeof(void*)
// plus sizeof(void*), so they are told apart from data addresses (always a
// multiple of 2 * sizeof(void*)) by their alignment alone.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include "base/allocator.h"
#include "zelt/host.h"
#include "zelt/win32.h"

namespace {

using zelt::platform::AllocateBytes;
using zelt::platform::FreeBytes;

constexpr std::uintptr_t kAlign = 2 * sizeof(void *);
constexpr UINT kKeptFlags = GMEM_DISCARDABLE | GMEM_DDESHARE;

struct MoveableRecord;

struct alignas(kAlign) DataHeader {
    std::size_t size;
    std::size_t capacity;
    MoveableRecord *owner;  // nullptr for a fixed block
};
static_assert(sizeof(DataHeader) % kAlign == 0);

struct alignas(kAlign) MoveableRecord {
    void *reserved;  // the handle points just past this field
    unsigned char *data;  // nullptr while discarded
    UINT flags;           // GMEM_DISCARDABLE | GMEM_DDESHARE as allocated
    unsigned lockCount;
};

DataHeader *HeaderOf(const void *data) {
    return reinterpret_cast<DataHeader *>(const_cast<unsigned char *>(static_cast<const unsigned char *>(data))) - 1;
}

HGLOBAL HandleOf(MoveableRecord *record) {
    return reinterpret_cast<HGLOBAL>(reinterpret_cast<std::uintptr_t>(record) + sizeof(void *));
}

bool LooksMoveable(const void *handle) {
    return (reinterpret_cast<std::uintptr_t>(handle) % kAlign) == sizeof(void *);
}

// Fixed blocks get some slack so that small growth in place works, as the
// system heap allows.
std::size_t CapacityFor(std::size_t size) {
    const std::size_t slack = std::max<std::size_t>(size / 4, 32);
    if (size > SIZE_MAX / 2) return size;
    return (size + slack + kAlign - 1) & ~(kAlign - 1);
}

class GlobalHeap {
public:
    HGLOBAL Alloc(UINT flags, SIZE_T bytes) {
        std::lock_guard lock(mutex_);
        if ((flags & GMEM_MOVEABLE) == 0) {
            // A zero-byte fixed block still gets a byte, so it has an address.
            unsigned char *data = NewData(std::max<SIZE_T>(bytes, 1), CapacityFor(bytes), nullptr, flags & GMEM_ZEROINIT);
            return data;
        }
        MoveableRecord *record = NewRecord(flags);
        if (record == nullptr) return nullptr;
        if (bytes != 0) {
            record->data = NewData(bytes, bytes, record, flags & GMEM_ZEROINIT);
            if (record->data == nullptr) {
                DeleteRecord(record);
                return nullptr;
            }
        }
        return HandleOf(record);
    }

    HGLOBAL Free(HGLOBAL handle) {
        if (handle == nullptr) return nullptr;
        std::lock_guard lock(mutex_);
        if (MoveableRecord *record = FindRecord(handle)) {
            if (record->data != nullptr) DeleteData(record->data);
            DeleteRecord(record);
            return nullptr;
        }
        if (IsFixed(handle)) {
            DeleteData(static_cast<unsigned char *>(handle));
            return nullptr;
        }
        SetLastError(ERROR_INVALID_HANDLE);
        return handle;
    }

    LPVOID Lock(HGLOBAL handle) {
        if (handle == nullptr) return nullptr;
        if (!LooksMoveable(handle)) return handle;  // fixed: the address itself
        std::lock_guard lock(mutex_);
        MoveableRecord *record = FindRecord(handle);
        if (record == nullptr) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        if (record->data == nullptr) {
            SetLastError(ERROR_DISCARDED);
            return nullptr;
        }
        ++record->lockCount;
        return record->data;
    }

    BOOL Unlock(HGLOBAL handle) {
        if (handle == nullptr) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (!LooksMoveable(handle)) return TRUE;
        std::lock_guard lock(mutex_);
        MoveableRecord *record = FindRecord(handle);
        if (record == nullptr) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (record->lockCount == 0) {
            SetLastError(ERROR_NOT_LOCKED);
            return FALSE;
        }
        if (--record->lockCount != 0) return TRUE;
        // FALSE with no error is how a caller tells "now unlocked" from failure.
        SetLastError(NO_ERROR);
        return FALSE;
    }

    HGLOBAL Handle(LPCVOID pointer) {
        if (pointer == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        std::lock_guard lock(mutex_);
        if (MoveableRecord *record = FindRecord(pointer)) return HandleOf(record);
        auto found = data_.find(pointer);
        if (found == data_.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        MoveableRecord *owner = HeaderOf(pointer)->owner;
        return owner != nullptr ? HandleOf(owner) : const_cast<void *>(pointer);
    }

    SIZE_T Size(HGLOBAL handle) {
        std::lock_guard lock(mutex_);
        if (MoveableRecord *record = FindRecord(handle)) return record->data ? HeaderOf(record->data)->size : 0;
        if (handle != nullptr && data_.count(handle) != 0) return HeaderOf(handle)->size;
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }

    UINT Flags(HGLOBAL handle) {
        std::lock_guard lock(mutex_);
        if (MoveableRecord *record = FindRecord(handle)) {
            UINT flags = record->flags | std::min<unsigned>(record->lockCount, GMEM_LOCKCOUNT);
            if (record->data == nullptr) flags |= GMEM_DISCARDED;
            return flags;
        }
        if (IsFixed(handle)) return 0;
        SetLastError(ERROR_INVALID_HANDLE);
        return GMEM_INVALID_HANDLE;
    }

    HGLOBAL ReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags) {
        std::lock_guard lock(mutex_);
        if (MoveableRecord *record = FindRecord(handle)) return ReAllocMoveable(record, bytes, flags);
        if (IsFixed(handle)) return ReAllocFixed(static_cast<unsigned char *>(handle), bytes, flags);
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }

    long LiveBlocks() {
        std::lock_guard lock(mutex_);
        return static_cast<long>(records_.size() + data_.size()) - moveableData_;
    }

private:
    HGLOBAL ReAllocMoveable(MoveableRecord *record, SIZE_T bytes, UINT flags) {
        HGLOBAL handle = HandleOf(record);
        if (flags & GMEM_MODIFY) {
            if (flags & GMEM_DISCARDABLE)
                record->flags |= GMEM_DISCARDABLE;
            else
                record->flags &= ~UINT{GMEM_DISCARDABLE};
            return handle;
        }
        if (bytes == 0 && (flags & GMEM_MOVEABLE)) {
            if (record->lockCount != 0) return OutOfMemory();
            if (record->data != nullptr) DeleteData(record->data);
            record->data = nullptr;
            return handle;
        }
        if (record->data == nullptr) {
            // Reviving a discarded block.
            record->data = NewData(bytes, bytes, record, flags & GMEM_ZEROINIT);
            return record->data != nullptr ? handle : nullptr;
        }
        DataHeader *header = HeaderOf(record->data);
        if (bytes <= header->capacity) {
            Resize(header, record->data, bytes, flags);
            return handle;
        }
        // The data may move only while unlocked, or when the caller allows it.
        if (record->lockCount != 0 && (flags & GMEM_MOVEABLE) == 0) return OutOfMemory();
        unsigned char *moved = Move(record->data, bytes, bytes, record, flags);
        if (moved == nullptr) return nullptr;
        record->data = moved;
        return handle;
    }

    HGLOBAL ReAllocFixed(unsigned char *data, SIZE_T bytes, UINT flags) {
        if (flags & GMEM_MODIFY) return data;
        bytes = std::max<SIZE_T>(bytes, 1);  // a fixed block always has an address
        DataHeader *header = HeaderOf(data);
        if (bytes <= header->capacity) {
            Resize(header, data, bytes, flags);
            return data;
        }
        // A fixed block stays fixed; it may change address only with
        // GMEM_MOVEABLE.
        if ((flags & GMEM_MOVEABLE) == 0) return OutOfMemory();
        return Move(data, bytes, CapacityFor(bytes), nullptr, flags);
    }

    static void Resize(DataHeader *header, unsigned char *data, SIZE_T bytes, UINT flags) {
        if (bytes > header->size && (flags & GMEM_ZEROINIT)) std::memset(data + header->size, 0, bytes - header->size);
        header->size = bytes;
    }

    unsigned char *Move(unsigned char *data, SIZE_T bytes, SIZE_T capacity, MoveableRecord *owner, UINT flags) {
        unsigned char *moved = NewData(bytes, capacity, owner, 0);
        if (moved == nullptr) return nullptr;
        const SIZE_T kept = std::min(bytes, HeaderOf(data)->size);
        std::memcpy(moved, data, kept);
        if (flags & GMEM_ZEROINIT) std::memset(moved + kept, 0, bytes - kept);
        DeleteData(data);
        return moved;
    }

    static HGLOBAL OutOfMemory() {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }

    unsigned char *NewData(SIZE_T bytes, SIZE_T capacity, MoveableRecord *owner, UINT zero) {
        capacity = std::max(capacity, bytes);
        void *raw = capacity > SIZE_MAX - sizeof(DataHeader) ? nullptr : AllocateBytes(sizeof(DataHeader) + capacity);
        if (raw == nullptr) {
            OutOfMemory();
            return nullptr;
        }
        auto *header = new (raw) DataHeader{bytes, capacity, owner};
        auto *data = reinterpret_cast<unsigned char *>(header + 1);
        try {
            data_.emplace(data, header);
        } catch (const std::bad_alloc &) {
            FreeBytes(raw);
            OutOfMemory();
            return nullptr;
        }
        if (zero) std::memset(data, 0, bytes);
        if (owner != nullptr) ++moveableData_;
        return data;
    }

    void DeleteData(unsigned char *data) {
        DataHeader *header = HeaderOf(data);
        if (header->owner != nullptr) --moveableData_;
        data_.erase(data);
        FreeBytes(header);
    }

    MoveableRecord *NewRecord(UINT flags) {
        void *raw = AllocateBytes(sizeof(MoveableRecord));
        if (raw == nullptr) {
            OutOfMemory();
            return nullptr;
        }
        auto *record = new (raw) MoveableRecord{nullptr, nullptr, flags & kKeptFlags, 0};
        try {
            records_.emplace(HandleOf(record), record);
        } catch (const std::bad_alloc &) {
            FreeBytes(raw);
            OutOfMemory();
            return nullptr;
        }
        return record;
    }

    void DeleteRecord(MoveableRecord *record) {
        records_.erase(HandleOf(record));
        FreeBytes(record);
    }

    MoveableRecord *FindRecord(const void *handle) {
        if (!LooksMoveable(handle)) return nullptr;
        auto found = records_.find(handle);
        return found != records_.end() ? found->second : nullptr;
    }

    bool IsFixed(const void *handle) {
        if (handle == nullptr) return false;
        auto found = data_.find(handle);
        return found != data_.end() && found->second->owner == nullptr;
    }

    std::mutex mutex_;
    std::unordered_map<const void *, DataHeader *> data_;         // every live data area
    std::unordered_map<const void *, MoveableRecord *> records_;  // moveable handle -> record
    long moveableData_ = 0;  // data areas owned by moveable records
};

// Never destroyed: the kernel may free blocks while the process exits.
GlobalHeap &Heap() {
    static GlobalHeap *heap = new GlobalHeap;
    return *heap;
}

}  // namespace

extern "C" {

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) { return Heap().Alloc(uFlags, dwBytes); }
HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) { return Heap().ReAlloc(hMem, dwBytes, uFlags); }
HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) { return Heap().Free(hMem); }
LPVOID WINAPI GlobalLock(HGLOBAL hMem) { return Heap().Lock(hMem); }
BOOL WINAPI GlobalUnlock(HGLOBAL hMem) { return Heap().Unlock(hMem); }
HGLOBAL WINAPI GlobalHandle(LPCVOID pMem) { return Heap().Handle(pMem); }
SIZE_T WINAPI GlobalSize(HGLOBAL hMem) { return Heap().Size(hMem); }
UINT WINAPI GlobalFlags(HGLOBAL hMem) { return Heap().Flags(hMem); }

long ZeltHostLiveGlobalBlocks(void) { return Heap().LiveBlocks(); }

}  // extern "C"
