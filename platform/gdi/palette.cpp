#include "gdi/palette.h"

#include <algorithm>
#include <cstring>

namespace zelt::platform {

bool PaletteObject::Init(const PALETTEENTRY *entries, UINT count) noexcept {
    if (!entries_.Reset(std::size_t{count} * sizeof(PALETTEENTRY))) return false;
    if (count != 0) std::memcpy(entries_.Data(), entries, std::size_t{count} * sizeof(PALETTEENTRY));
    return true;
}

int PaletteObject::Describe(int size, void *buffer) const {
    return DescribeRecord(static_cast<WORD>(Count()), size, buffer);
}

namespace {

// The part of [start, start + count) that lies inside the palette.
UINT ClipRange(const PaletteObject &palette, UINT start, UINT count) {
    if (start >= palette.Count()) return 0;
    return std::min(count, palette.Count() - start);
}

}  // namespace

}  // namespace zelt::platform

using zelt::platform::PaletteObject;

extern "C" {

HPALETTE WINAPI CreatePalette(const LOGPALETTE *plpal) {
    if (plpal == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    PaletteObject *palette = zelt::platform::NewObject<PaletteObject>();
    if (palette == nullptr || !palette->Init(plpal->palPalEntry, plpal->palNumEntries)) {
        delete palette;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HANDLE handle = zelt::platform::InsertObject(palette);
    if (handle == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<HPALETTE>(handle);
}

UINT WINAPI GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries) {
    const PaletteObject *palette = zelt::platform::FindObject<PaletteObject>(hpal);
    if (palette == nullptr) return 0;
    if (pPalEntries == nullptr) return palette->Count();
    const UINT count = zelt::platform::ClipRange(*palette, iStart, cEntries);
    if (count != 0) std::memcpy(pPalEntries, palette->Entries() + iStart, count * sizeof(PALETTEENTRY));
    return count;
}

UINT WINAPI SetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, const PALETTEENTRY *pPalEntries) {
    PaletteObject *palette = zelt::platform::FindObject<PaletteObject>(hpal);
    if (palette == nullptr || pPalEntries == nullptr) return 0;
    const UINT count = zelt::platform::ClipRange(*palette, iStart, cEntries);
    if (count != 0) std::memcpy(palette->Entries() + iStart, pPalEntries, count * sizeof(PALETTEENTRY));
    return count;
}

}  // extern "C"
