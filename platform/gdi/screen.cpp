#include "gdi/screen.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "zelt/host.h"

namespace zelt::platform {

namespace {

// Packed width, height and depth, so a reader never sees a half-written
// configuration.
struct PackedScreen {
    std::atomic<std::uint64_t> value{(std::uint64_t{1024} << 32) | (std::uint64_t{768} << 8) | 32};
};

PackedScreen &Packed() {
    static PackedScreen *screen = new PackedScreen;  // never destroyed
    return *screen;
}

constexpr int kLogPixels = 96;
// Raster capabilities of the screen driver; RC_PALETTE joins them on a
// palette device.
constexpr int kRasterCaps = 0xBE99;

bool IsPaletteDevice(const ScreenFormat &screen) { return screen.bitsPixel == 8; }

int Millimetres(int pixels) { return static_cast<int>(std::lround(pixels * 25.4 / kLogPixels)); }

}  // namespace

const PALETTEENTRY kStaticColours[20] = {
    {0x00, 0x00, 0x00, 0}, {0x80, 0x00, 0x00, 0}, {0x00, 0x80, 0x00, 0}, {0x80, 0x80, 0x00, 0},
    {0x00, 0x00, 0x80, 0}, {0x80, 0x00, 0x80, 0}, {0x00, 0x80, 0x80, 0}, {0xC0, 0xC0, 0xC0, 0},
    {0xC0, 0xDC, 0xC0, 0}, {0xA6, 0xCA, 0xF0, 0}, {0xFF, 0xFB, 0xF0, 0}, {0xA0, 0xA0, 0xA4, 0},
    {0x80, 0x80, 0x80, 0}, {0xFF, 0x00, 0x00, 0}, {0x00, 0xFF, 0x00, 0}, {0xFF, 0xFF, 0x00, 0},
    {0x00, 0x00, 0xFF, 0}, {0xFF, 0x00, 0xFF, 0}, {0x00, 0xFF, 0xFF, 0}, {0xFF, 0xFF, 0xFF, 0},
};

ScreenFormat CurrentScreen() noexcept {
    const std::uint64_t value = Packed().value.load(std::memory_order_acquire);
    return {static_cast<int>(value >> 32), static_cast<int>((value >> 8) & 0xFFFFFF), static_cast<int>(value & 0xFF)};
}

int ScreenDeviceCaps(int index) noexcept {
    const ScreenFormat screen = CurrentScreen();
    const bool palette = IsPaletteDevice(screen);
    switch (index) {
        case TECHNOLOGY: return DT_RASDISPLAY;
        case HORZRES: return screen.width;
        case VERTRES: return screen.height;
        case HORZSIZE: return Millimetres(screen.width);
        case VERTSIZE: return Millimetres(screen.height);
        case BITSPIXEL: return screen.bitsPixel;
        case PLANES: return 1;
        // Colour-table entries up to 8 bits (a palette device reports its
        // static colours), -1 above.
        case NUMCOLORS: return palette ? 20 : screen.bitsPixel <= 8 ? (1 << screen.bitsPixel) : -1;
        case RASTERCAPS: return palette ? (kRasterCaps | RC_PALETTE) : kRasterCaps;
        case SIZEPALETTE: return palette ? 256 : 0;
        case NUMRESERVED: return 20;
        // A palette device's DAC has 6 bits per primary.
        case COLORRES: return palette ? 18 : 24;
        case LOGPIXELSX:
        case LOGPIXELSY: return kLogPixels;
        default: return 0;
    }
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

BOOL ZeltHostConfigureScreen(int width, int height, int bitsPerPixel) {
    static constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};
    if (std::find(std::begin(kDepths), std::end(kDepths), bitsPerPixel) == std::end(kDepths)) return FALSE;
    if (width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF) return FALSE;
    Packed().value.store((std::uint64_t(width) << 32) | (std::uint64_t(height) << 8) | std::uint64_t(bitsPerPixel),
                         std::memory_order_release);
    return TRUE;
}

HDC WINAPI GetDC(HWND hWnd) {
    if (hWnd != nullptr) {
        // Window DCs come with the window manager.
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HANDLE handle = CreateObject<ScreenDc>(nullptr);
    if (handle == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<HDC>(handle);
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
    if (FindObject<ScreenDc>(hDC) == nullptr) return 0;
    return DestroyObject(hDC) ? 1 : 0;
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
    if (FindObject<ScreenDc>(hdc) == nullptr) return 0;
    return ScreenDeviceCaps(index);
}

UINT WINAPI GetSystemPaletteEntries(HDC hdc, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries) {
    if (FindObject<ScreenDc>(hdc) == nullptr) return 0;
    if (!IsPaletteDevice(CurrentScreen())) return 0;
    constexpr UINT kSize = 256;
    if (pPalEntries == nullptr) return kSize;
    if (iStart >= kSize) return 0;
    const UINT count = std::min(cEntries, kSize - iStart);
    for (UINT i = 0; i < count; ++i) {
        const UINT index = iStart + i;
        // Entries between the static colours are black until a palette is
        // realised into them.
        if (index < 10)
            pPalEntries[i] = kStaticColours[index];
        else if (index >= kSize - 10)
            pPalEntries[i] = kStaticColours[index - (kSize - 20)];
        else
            pPalEntries[i] = PALETTEENTRY{0, 0, 0, 0};
    }
    return count;
}

}  // extern "C"
