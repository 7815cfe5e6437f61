// The object table of a metafile being recorded: which GDI object each slot
// (index) stands for. A deleted object frees its slot and the next object
// created takes the lowest free one, as players expect.
#pragma once

#include "zelt/win32.h"

namespace zelt::platform {

class ObjectSlots {
public:
    ObjectSlots() = default;
    ObjectSlots(const ObjectSlots &) = delete;
    ObjectSlots &operator=(const ObjectSlots &) = delete;
    ~ObjectSlots();

    // The slot holding `object`, or -1.
    int Find(HGDIOBJ object) const noexcept;
    // Puts `object` into the lowest free slot; -1 when memory runs out.
    [[nodiscard]] int Claim(HGDIOBJ object) noexcept;
    void Release(int slot) noexcept;
    // Keeps the slot taken but no longer by `object` (its deletion could not
    // be recorded, so the player still holds it there).
    void Retire(int slot) noexcept;
    // Slots ever in use at once: the table size a player must provide.
    int HighWater() const noexcept { return highWater_; }

private:
    HGDIOBJ *slots_ = nullptr;
    int capacity_ = 0;
    int highWater_ = 0;
};

}  // namespace zelt::platform
