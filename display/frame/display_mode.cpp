#include "frame/display_settings.h"

extern "C" UINT ZELT_API Z_SetDisplayMode(UINT mask, UINT value) {
    DisplaySettings *settings = GetDisplaySettings();
    const UINT old = settings->DisplayMode;
    settings->DisplayMode = (old & ~mask) | (value & mask);
    // Indexed paint needs the identity table back, whatever a previous
    // paint left in the colour slots.
    if (!(old & DISP_INDEXED_PAINT) && (value & DISP_INDEXED_PAINT)) FillIdentityIndexTable(settings->PaintColors);
    return old;
}

extern "C" UINT ZELT_API Z_GetDisplayMode(void) { return GetDisplaySettings()->DisplayMode; }
