// Logical palette objects and the calls that create, read and change them.
#include "gdi/palette.h"

#include <algorithm>
#include <cstring>

#include "gdi/system_palette.h"

namespace zelt::platform {

bool PaletteObject::Init(const PALETTEENTRY *entries, UINT count) noexcept {
    if (!storage_.Reset(EntryBytes(count) + std::size_t{count} * sizeof(WORD))) return false;
    count_ = count;
    realised_ = false;
    if (count != 0) std::memcpy(storage_.Data(), entries, EntryBytes(count));
    return true;
}

bool PaletteObject::Resize(UINT count) noexcept {
    ByteBuffer fresh;
    if (!fresh.Reset(EntryBytes(count) + std::size_t{count} * sizeof(WORD))) return false;
    // Reset zero-fills, so the entries that are new come out black, no flags.
    const UINT kept = std::min(count, count_);
    if (kept != 0) std::memcpy(fresh.Data(), storage_.Data(), EntryBytes(kept));
    storage_ = std::move(fresh);
    count_ = count;
    realised_ = false;
    return true;
}

int PaletteObject::Describe(int size, void *buffer) const {
    return DescribeRecord(static_cast<WORD>(Count()), size, buffer);
}

}  // namespace zelt::platform

using zelt::platform::ClipEntryRange;
using zelt::platform::FindObject;
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
    const PaletteObject *palette = FindObject<PaletteObject>(hpal);
    if (palette == nullptr) return 0;
    if (pPalEntries == nullptr) return palette->Count();
    const UINT count = ClipEntryRange(palette->Count(), iStart, cEntries);
    if (count != 0) std::memcpy(pPalEntries, palette->Entries() + iStart, count * sizeof(PALETTEENTRY));
    return count;
}

UINT WINAPI SetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, const PALETTEENTRY *pPalEntries) {
    PaletteObject *palette = FindObject<PaletteObject>(hpal);
    // The stock palette is shared by every DC and stays as it is.
    if (palette == nullptr || palette->stock || pPalEntries == nullptr) return 0;
    const UINT count = ClipEntryRange(palette->Count(), iStart, cEntries);
    if (count != 0) std::memcpy(palette->Entries() + iStart, pPalEntries, count * sizeof(PALETTEENTRY));
    return count;
}

BOOL WINAPI ResizePalette(HPALETTE hpal, UINT n) {
    PaletteObject *palette = FindObject<PaletteObject>(hpal);
    if (palette == nullptr || palette->stock) return FALSE;
    if (!palette->Resize(n)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    zelt::platform::ForgetRealisation(hpal);
    return TRUE;
}

UINT WINAPI GetNearestPaletteIndex(HPALETTE h, COLORREF color) {
    const PaletteObject *palette = FindObject<PaletteObject>(h);
    // An invalid or empty palette answers 0, as the reference does.
    if (palette == nullptr || palette->Count() == 0) return 0;
    return zelt::platform::NearestEntry(palette->Entries(), palette->Count(), color);
}

BOOL WINAPI UnrealizeObject(HGDIOBJ h) {
    zelt::platform::GdiObject *object = FindObject<zelt::platform::GdiObject>(h);
    if (object == nullptr) return FALSE;
    // Brushes carry no realised state here; a palette maps afresh next time.
    if (PaletteObject *palette = FindObject<PaletteObject>(h)) {
        palette->SetRealised(false);
        zelt::platform::ForgetRealisation(static_cast<HPALETTE>(h));
    }
    return TRUE;
}

}  // extern "C"
