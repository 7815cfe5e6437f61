#include "gdi/screen.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "base/allocator.h"
#include "gdi/dc.h"
#include "gdi/printer_dc.h"
#include "gdi/surface.h"
#include "gdi/system_palette.h"
#include "gdi/window_dc.h"
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

// The screen's pixels: made at load and on every reconfiguration.
struct ScreenPixels {
    ByteBuffer bits;
    Surface surface;
};

ScreenPixels &Pixels() {
    static ScreenPixels *pixels = new ScreenPixels;  // never destroyed
    return *pixels;
}

bool IsPaletteDevice(const ScreenFormat &screen) { return screen.bitsPixel == 8; }

int Millimetres(int pixels) { return static_cast<int>(std::lround(pixels * 25.4 / kLogPixels)); }

// Lays out a top-down surface of the format in `pixels`; false when the
// pixels cannot be allocated (the previous surface is kept).
bool BuildScreen(ScreenPixels &pixels, const ScreenFormat &format) {
    const std::int64_t rowBytes = DibRowBytes(format.width, format.bitsPixel);
    ByteBuffer fresh;
    if (!fresh.Reset(static_cast<std::size_t>(rowBytes * format.height))) return false;
    pixels.bits = std::move(fresh);
    PixelFormatId id = PixelFormatId::Bgrx32;
    switch (format.bitsPixel) {
        case 1: id = PixelFormatId::Mono; break;
        case 4: id = PixelFormatId::Index4; break;
        case 8: id = PixelFormatId::Index8; break;
        case 16: id = PixelFormatId::Rgb565; break;
        case 24: id = PixelFormatId::Bgr24; break;
        default: break;
    }
    pixels.surface = Surface{};
    DescribeSurface(pixels.surface, id, format.width, -format.height, pixels.bits.Data(), rowBytes);
    if (id == PixelFormatId::Index4) {
        std::copy(std::begin(kVgaTable), std::end(kVgaTable), pixels.surface.table);
        pixels.surface.tableSize = 16;
    } else if (id == PixelFormatId::Index8) {
        // The system palette: static colours at both ends, black between
        // until a palette is realised.
        for (int i = 0; i < 256; ++i) pixels.surface.table[i] = RGBQUAD{0, 0, 0, 0};
        for (int i = 0; i < 10; ++i) {
            const PALETTEENTRY &low = kStaticColours[i], &high = kStaticColours[10 + i];
            pixels.surface.table[i] = RGBQUAD{low.peBlue, low.peGreen, low.peRed, 0};
            pixels.surface.table[246 + i] = RGBQUAD{high.peBlue, high.peGreen, high.peRed, 0};
        }
        pixels.surface.tableSize = 256;
    }
    return true;
}

}  // namespace

const PALETTEENTRY kStaticColours[20] = {
    {0x00, 0x00, 0x00, 0}, {0x80, 0x00, 0x00, 0}, {0x00, 0x80, 0x00, 0}, {0x80, 0x80, 0x00, 0},
    {0x00, 0x00, 0x80, 0}, {0x80, 0x00, 0x80, 0}, {0x00, 0x80, 0x80, 0}, {0xC0, 0xC0, 0xC0, 0},
    {0xC0, 0xDC, 0xC0, 0}, {0xA6, 0xCA, 0xF0, 0}, {0xFF, 0xFB, 0xF0, 0}, {0xA0, 0xA0, 0xA4, 0},
    {0x80, 0x80, 0x80, 0}, {0xFF, 0x00, 0x00, 0}, {0x00, 0xFF, 0x00, 0}, {0xFF, 0xFF, 0x00, 0},
    {0x00, 0x00, 0xFF, 0}, {0xFF, 0x00, 0xFF, 0}, {0x00, 0xFF, 0xFF, 0}, {0xFF, 0xFF, 0xFF, 0},
};

Surface &ScreenSurface() noexcept {
    ScreenPixels &pixels = Pixels();
    if (pixels.surface.ops == nullptr) (void)BuildScreen(pixels, CurrentScreen());
    return pixels.surface;
}

namespace {
// The default screen exists from load on, so that no GetDC has to make it.
[[maybe_unused]] Surface &kScreenAtLoad = ScreenSurface();
}  // namespace

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
        case ASPECTX:
        case ASPECTY: return 36;
        case ASPECTXY: return 51;
        case CLIPCAPS: return 1;
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
    if (!BuildScreen(Pixels(), ScreenFormat{width, height, bitsPerPixel})) return FALSE;
    Packed().value.store((std::uint64_t(width) << 32) | (std::uint64_t(height) << 8) | std::uint64_t(bitsPerPixel),
                         std::memory_order_release);
    // A new screen starts with a fresh system palette.
    ResetSystemPalette();
    return TRUE;
}

HDC WINAPI GetDC(HWND hWnd) {
    // A window's DC draws on its client area (window_dc.cpp).
    if (hWnd != nullptr) return MakeWindowDc(hWnd, false, nullptr);
    DcObject *dc = nullptr;
    return NewDcObject(&dc, false);
}

HDC WINAPI CreateDCA(LPCSTR pszDriver, LPCSTR pszDevice, LPCSTR /*pszPort*/, const DEVMODEA * /*pdm*/) {
    if (pszDriver != nullptr && lstrcmpiA(pszDriver, "DISPLAY") == 0) return GetDC(nullptr);
    // Any other driver: the device names a registered printer.
    return CreatePrinterDc(pszDevice);
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
    DcObject *dc = FindDc(hDC);
    if (dc == nullptr || dc->IsMemory() || dc->printer != nullptr) return 0;
    return DestroyObject(hDC) ? 1 : 0;
}

// GetSystemPaletteEntries lives with the system palette (system_palette.cpp).

}  // extern "C"
