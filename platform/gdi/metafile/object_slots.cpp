#include "gdi/metafile/object_slots.h"

#include <algorithm>
#include <cstdint>

#include "base/allocator.h"

namespace zelt::platform {

ObjectSlots::~ObjectSlots() { FreeBytes(slots_); }

int ObjectSlots::Find(HGDIOBJ object) const noexcept {
    if (object == nullptr) return -1;
    for (int i = 0; i < highWater_; ++i)
        if (slots_[i] == object) return i;
    return -1;
}

int ObjectSlots::Claim(HGDIOBJ object) noexcept {
    int slot = 0;
    while (slot < highWater_ && slots_[slot] != nullptr) ++slot;
    if (slot == capacity_) {
        const int grown = capacity_ == 0 ? 8 : capacity_ * 2;
        auto *fresh = static_cast<HGDIOBJ *>(AllocateBytes(sizeof(HGDIOBJ) * static_cast<std::size_t>(grown)));
        if (fresh == nullptr) return -1;
        std::fill(fresh, fresh + grown, nullptr);
        std::copy(slots_, slots_ + capacity_, fresh);
        FreeBytes(slots_);
        slots_ = fresh;
        capacity_ = grown;
    }
    slots_[slot] = object;
    highWater_ = std::max(highWater_, slot + 1);
    return slot;
}

void ObjectSlots::Release(int slot) noexcept {
    if (slot >= 0 && slot < highWater_) slots_[slot] = nullptr;
}

void ObjectSlots::Retire(int slot) noexcept {
    // No handle is odd, so this marker never matches an object.
    if (slot >= 0 && slot < highWater_) slots_[slot] = reinterpret_cast<HGDIOBJ>(std::uintptr_t{1});
}

}  // namespace zelt::platform
