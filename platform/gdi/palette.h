// Logical palettes, and how a DC's colours resolve through them.
#pragma once

#include "base/allocator.h"
#include "gdi/gdi_object.h"

namespace zelt::platform {

class DcObject;

class PaletteObject final : public GdiObject {
public:
    static constexpr ObjectKind kKind = ObjectKind::Palette;
    PaletteObject() noexcept : GdiObject(kKind) {}

    // Copies `count` entries; false on allocation failure.
    [[nodiscard]] bool Init(const PALETTEENTRY *entries, UINT count) noexcept;
    // ResizePalette: entries past the old end are black with no flags. The
    // palette must be realised again. False (palette unchanged) on
    // allocation failure.
    [[nodiscard]] bool Resize(UINT count) noexcept;

    UINT Count() const noexcept { return count_; }
    PALETTEENTRY *Entries() noexcept { return reinterpret_cast<PALETTEENTRY *>(storage_.Data()); }
    const PALETTEENTRY *Entries() const noexcept { return reinterpret_cast<const PALETTEENTRY *>(storage_.Data()); }

    // On a palette device: the system palette index each logical entry was
    // realised into. Meaningful only while Realised().
    WORD *Translation() noexcept { return reinterpret_cast<WORD *>(storage_.Data() + EntryBytes(count_)); }
    const WORD *Translation() const noexcept {
        return reinterpret_cast<const WORD *>(storage_.Data() + EntryBytes(count_));
    }
    bool Realised() const noexcept { return realised_; }
    void SetRealised(bool realised) noexcept { realised_ = realised; }

    // GetObjectA of a palette: the entry count as a WORD.
    int Describe(int size, void *buffer) const override;

private:
    static std::size_t EntryBytes(UINT count) noexcept { return std::size_t{count} * sizeof(PALETTEENTRY); }

    // The entries, then one WORD of translation per entry: one allocation.
    ByteBuffer storage_;
    UINT count_ = 0;
    bool realised_ = false;
};

// The part of [start, start + count) that lies inside a table of `size`.
constexpr UINT ClipEntryRange(UINT size, UINT start, UINT count) noexcept {
    return start >= size ? 0 : (count < size - start ? count : size - start);
}

// Colour of logical entry `index` of the DC's palette; an index past its
// end names entry 0 (black for an empty palette).
COLORREF PaletteIndexColor(const DcObject &dc, UINT index) noexcept;

// The colour a COLORREF stands for in a DC: PALETTEINDEX(i) is entry i of
// its logical palette, anything else its low 24 bits (PALETTERGB is plain
// RGB except on a palette device).
COLORREF ResolvePaletteColour(const DcObject &dc, COLORREF colour) noexcept;

// True when the DC's pixels are system palette indices: the screen, or a
// memory DC holding a DDB of the screen's format, on an 8-bit palette screen.
bool DrawsThroughSystemPalette(const DcObject &dc) noexcept;

// The system palette index logical entry `index` of the DC's palette shows
// as: its realised translation, or else the nearest colour in use in the
// system palette. -1 when the screen is not a palette device.
int SystemPaletteIndexOf(const DcObject &dc, UINT index) noexcept;

// The raw pixel (system index) a COLORREF draws as on a palette device:
// PALETTEINDEX through the realised palette, PALETTERGB by the nearest
// logical entry, plain RGB by the nearest static colour.
DWORD PaletteDeviceRaw(const DcObject &dc, COLORREF colour) noexcept;

}  // namespace zelt::platform
