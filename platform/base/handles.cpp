#include "base/handles.h"

#include <mutex>
#include <new>
#include <vector>

#include "zelt/host.h"

namespace zelt::platform {

namespace {

// Handle layout (fits 32 bits, so the same values work in 32-bit builds):
//   bits 2..21  slot index + 1 (never 0, so no handle is NULL)
//   bits 22..31 slot generation, bumped on every free
// The low two bits stay zero; handles are far below any heap address, so a
// pointer passed by mistake does not decode to a live slot.
constexpr unsigned kIndexShift = 2;
constexpr unsigned kIndexBits = 20;
constexpr unsigned kGenerationShift = kIndexShift + kIndexBits;
constexpr std::uint32_t kIndexMask = (1u << kIndexBits) - 1;
constexpr std::uint32_t kGenerationMask = 0x3FF;
constexpr std::size_t kMaxSlots = kIndexMask - 1;

struct Slot {
    HandleObject *object = nullptr;
    std::uint32_t generation = 0;
    std::uint32_t nextFree = 0;  // index + 1 of the next free slot, 0 = end
};

}  // namespace

class HandleTable {
public:
    HANDLE Insert(HandleObject *object) noexcept {
        std::lock_guard lock(mutex_);
        std::uint32_t index;
        if (freeHead_ != 0) {
            index = freeHead_ - 1;
            freeHead_ = slots_[index].nextFree;
            if (freeHead_ == 0) freeTail_ = 0;
        } else {
            if (slots_.size() >= kMaxSlots) return nullptr;
            try {
                slots_.emplace_back();
            } catch (const std::bad_alloc &) {
                return nullptr;
            }
            index = static_cast<std::uint32_t>(slots_.size() - 1);
        }
        Slot &slot = slots_[index];
        slot.object = object;
        slot.nextFree = 0;
        const std::uintptr_t value = (std::uintptr_t{slot.generation} << kGenerationShift) |
                                     (std::uintptr_t{index + 1} << kIndexShift);
        object->handle_ = reinterpret_cast<HANDLE>(value);
        ++live_[FamilyOf(object->Kind()) == ObjectFamily::Gdi ? 0 : 1];
        return object->handle_;
    }

    HandleObject *Find(HANDLE handle) noexcept {
        std::lock_guard lock(mutex_);
        Slot *slot = SlotOf(handle);
        return slot != nullptr ? slot->object : nullptr;
    }

    HandleObject *Remove(HANDLE handle) noexcept {
        std::lock_guard lock(mutex_);
        Slot *slot = SlotOf(handle);
        if (slot == nullptr) return nullptr;
        HandleObject *object = slot->object;
        slot->object = nullptr;
        slot->generation = (slot->generation + 1) & kGenerationMask;
        // Freed slots go to the back of the queue so a stale handle stays
        // invalid for as long as possible.
        const std::uint32_t index = static_cast<std::uint32_t>(slot - slots_.data());
        if (freeTail_ != 0)
            slots_[freeTail_ - 1].nextFree = index + 1;
        else
            freeHead_ = index + 1;
        freeTail_ = index + 1;
        --live_[FamilyOf(object->Kind()) == ObjectFamily::Gdi ? 0 : 1];
        return object;
    }

    long Live(ObjectFamily family) noexcept {
        std::lock_guard lock(mutex_);
        return live_[family == ObjectFamily::Gdi ? 0 : 1];
    }

private:
    Slot *SlotOf(HANDLE handle) noexcept {
        std::uintptr_t value = reinterpret_cast<std::uintptr_t>(handle);
        // Handle values are 32 bits wide; a 64-bit program may hand one back
        // sign-extended (a handle kept in a LONG and widened again), which
        // names the same object once a slot's generation sets bit 31.
        if constexpr (sizeof(value) > 4)
            if ((value >> 31) == (std::uintptr_t{1} << (8 * sizeof(value) - 31)) - 1) value &= 0xFFFFFFFFu;
        if (value == 0 || (value & ((1u << kIndexShift) - 1)) != 0) return nullptr;
        if ((value >> kGenerationShift) > kGenerationMask) return nullptr;
        const std::uint32_t index = static_cast<std::uint32_t>((value >> kIndexShift) & kIndexMask);
        if (index == 0 || index > slots_.size()) return nullptr;
        Slot &slot = slots_[index - 1];
        if (slot.object == nullptr || slot.generation != (value >> kGenerationShift)) return nullptr;
        return &slot;
    }

    std::mutex mutex_;
    std::vector<Slot> slots_;
    std::uint32_t freeHead_ = 0;
    std::uint32_t freeTail_ = 0;
    long live_[2] = {0, 0};
};

namespace {
// Never destroyed: module detach at process exit may still delete objects.
HandleTable &Table() {
    static HandleTable *table = new HandleTable;
    return *table;
}
}  // namespace

HANDLE InsertObject(HandleObject *object) noexcept {
    HANDLE handle = Table().Insert(object);
    if (handle == nullptr) delete object;
    return handle;
}

HandleObject *FindAnyObject(HANDLE handle) noexcept { return Table().Find(handle); }

bool DestroyObject(HANDLE handle) noexcept {
    HandleObject *object = Table().Remove(handle);
    delete object;
    return object != nullptr;
}

long LiveObjectCount(ObjectFamily family) noexcept { return Table().Live(family); }

}  // namespace zelt::platform

extern "C" long ZeltHostLiveGdiObjects(void) {
    return zelt::platform::LiveObjectCount(zelt::platform::ObjectFamily::Gdi);
}
extern "C" long ZeltHostLiveUserObjects(void) {
    return zelt::platform::LiveObjectCount(zelt::platform::ObjectFamily::User);
}
