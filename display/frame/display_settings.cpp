#include "frame/display_settings.h"

#include <cstring>

#include "frame/library_state.h"

namespace {

// Zero at load; shared by every thread whose own record cannot be made.
DisplaySettings fallbackSettings{};

void SetDefaults(DisplaySettings &settings) {
    settings.PaintHeader.biSize = sizeof(BITMAPINFOHEADER);
    settings.PaintHeader.biPlanes = 1;
    settings.PaintHeader.biCompression = BI_RGB;
    FillIdentityIndexTable(settings.PaintColors);
    settings.DisplayMode = DISP_DEFAULT_MODE;
}

}  // namespace

void FillIdentityIndexTable(RGBQUAD (&colors)[256]) {
    WORD indices[256];
    for (WORD i = 0; i < 256; ++i) indices[i] = i;
    std::memcpy(colors, indices, sizeof(indices));
}

DisplaySettings *FallbackDisplaySettings() { return &fallbackSettings; }

int CreateDisplaySettings(bool newSlot) {
    LibraryState &library = Library();
    if (newSlot || library.SettingsSlot == kInvalidSettingsSlot) {
        library.SettingsSlot = KrnAllocThreadSlot();
        if (library.SettingsSlot == kInvalidSettingsSlot) return STATUS_NO_MEMORY;
    }
    auto *settings = static_cast<DisplaySettings *>(KrnAllocZeroed(sizeof(DisplaySettings)));
    if (settings == nullptr) return STATUS_NO_MEMORY;
    if (!KrnSetThreadSlot(library.SettingsSlot, settings)) {
        KrnFreeMem(settings);
        return STATUS_NO_MEMORY;
    }
    SetDefaults(*settings);
    return STATUS_OK;
}

DisplaySettings *GetDisplaySettings() {
    const DWORD slot = Library().SettingsSlot;
    if (slot != kInvalidSettingsSlot) {
        if (auto *settings = static_cast<DisplaySettings *>(KrnGetThreadSlot(slot))) return settings;
    }
    if (CreateDisplaySettings(false) == STATUS_OK) {
        if (auto *settings = static_cast<DisplaySettings *>(KrnGetThreadSlot(Library().SettingsSlot)))
            return settings;
    }
    return &fallbackSettings;
}

void FreeThreadDisplaySettings() {
    const DWORD slot = Library().SettingsSlot;
    if (slot == kInvalidSettingsSlot) return;
    if (auto *settings = static_cast<DisplaySettings *>(KrnGetThreadSlot(slot))) {
        KrnSetThreadSlot(slot, nullptr);
        KrnFreeMem(settings);
    }
}
