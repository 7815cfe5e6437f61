// Logical palettes.
#pragma once

#include "base/allocator.h"
#include "gdi/gdi_object.h"

namespace zelt::platform {

class PaletteObject final : public GdiObject {
public:
    static constexpr ObjectKind kKind = ObjectKind::Palette;
    PaletteObject() noexcept : GdiObject(kKind) {}

    [[nodiscard]] bool Init(const PALETTEENTRY *entries, UINT count) noexcept;

    UINT Count() const noexcept { return static_cast<UINT>(entries_.Size() / sizeof(PALETTEENTRY)); }
    PALETTEENTRY *Entries() noexcept { return reinterpret_cast<PALETTEENTRY *>(entries_.Data()); }
    const PALETTEENTRY *Entries() const noexcept { return reinterpret_cast<const PALETTEENTRY *>(entries_.Data()); }

    // GetObjectA of a palette: the entry count as a WORD.
    int Describe(int size, void *buffer) const override;

private:
    ByteBuffer entries_;
};

}  // namespace zelt::platform
