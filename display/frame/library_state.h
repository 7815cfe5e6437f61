// The little global state of the display library, set up and torn down only
// by DllMain (which the system serialises).
#pragma once

#include "zelt/display.h"

inline constexpr DWORD kInvalidSettingsSlot = 0xFFFFFFFFu;
inline constexpr int kFrameBrushCount = 8;
inline constexpr const char *kRegionClipboardFormatName = "ZELTWORKS 8.0 Region";

struct LibraryState {
    HINSTANCE Instance = nullptr;
    long AttachCount = 0;
    DWORD SettingsSlot = kInvalidSettingsSlot;
    UINT RegionClipboardFormat = 0;
    HBRUSH FrameBrushes[kFrameBrushCount] = {};
};

LibraryState &Library();
