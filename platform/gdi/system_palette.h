// The system palette of a palette-based (8-bit) screen: 256 hardware
// entries, the static colours at both ends, the rest free until a logical
// palette is realised into them. The screen surface's colour table mirrors
// it, so whatever is drawn on the screen reads back through the live
// palette. Only a foreground realisation takes entries, and it first gives
// back what the previous one took, so at most one logical palette owns
// entries at a time.
#pragma once

#include <cstdint>

#include "zelt/win32.h"

namespace zelt::platform {

inline constexpr int kSystemPaletteSize = 256;

enum class SystemEntryUse : std::uint8_t {
    Static,    // one of the static colours
    Free,      // may be taken by the next foreground realisation
    Taken,     // holds a colour of the foreground palette
    Reserved,  // taken for a PC_RESERVED entry: animated, never shared
};

struct SystemPalette {
    PALETTEENTRY entries[kSystemPaletteSize];
    SystemEntryUse use[kSystemPaletteSize];
    UINT staticUse;
    // The palette whose foreground realisation took the entries.
    HPALETTE foreground;
    // The entries before the latest change, for UpdateColors.
    PALETTEENTRY previous[kSystemPaletteSize];
};

// True when the screen is a palette device (8 bits per pixel).
bool IsPaletteScreen() noexcept;

// The live system palette. Library state set up at load, reset whenever
// the screen is configured anew.
SystemPalette &LiveSystemPalette() noexcept;
void ResetSystemPalette() noexcept;
// Records the entries as they are now as the previous ones (call before a
// change), and copies the live entries into the screen surface's table
// (call after it).
void RememberSystemPalette() noexcept;
void PublishSystemPalette() noexcept;

// Nearest entry of a table (squared RGB distance, lowest index on ties);
// only the low 24 bits of the COLORREF count. `count` at least 1.
UINT NearestEntry(const PALETTEENTRY *entries, UINT count, COLORREF colour) noexcept;

// Searches of the system palette. "In use" means a static or taken entry
// (reserved entries animate and are never matched).
int ExactInUse(const SystemPalette &palette, COLORREF colour) noexcept;
int NearestInUse(const SystemPalette &palette, COLORREF colour) noexcept;
int NearestStatic(const SystemPalette &palette, COLORREF colour) noexcept;
int FirstFree(const SystemPalette &palette) noexcept;

// The palette no longer holds what it took (deleted, resized, unrealised).
void ForgetRealisation(HPALETTE palette) noexcept;

}  // namespace zelt::platform
