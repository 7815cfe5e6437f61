#include "devices.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "dib_surface.h"

#ifndef _WIN32
#include "zelt/host.h"
#endif

namespace zeltpaint {
namespace {

// The device to paint into: a DC and the pixels behind it, released in
// reverse order of making.
class Device {
public:
    virtual ~Device() = default;
    HDC dc() const { return dc_; }

protected:
    HDC dc_ = nullptr;
};

// The screen itself (the 8-bit palette device).
class ScreenDevice : public Device {
public:
    ScreenDevice() { dc_ = GetDC(nullptr); }
    ~ScreenDevice() override {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
};

// A memory DC over a top-down DIB section; 1, 4 and 8-bit sections carry
// the library's device colours, so reduced pixels land on them exactly.
class MemoryDevice : public Device {
public:
    MemoryDevice(int width, int height, int bits) {
        RGBQUAD colors[256] = {};
        int count = 0;
        if (bits <= 8) {
            HPALETTE palette = KrnCreateDevicePalette(bits);
            count = KrnGetPaletteColors(palette, 0, 1 << bits, colors);
            DeleteObject(palette);
            if (count != (1 << bits)) return;
        }
        surface_ = std::make_unique<DibSurface>(width, height, bits, colors, count);
        if (surface_->Ready()) dc_ = surface_->dc();
    }

private:
    std::unique_ptr<DibSurface> surface_;
};

// The paint palette selected and realised for the duration of the paint
// (indexed paint sends palette indices, which mean nothing without it).
class RealizedPalette {
public:
    RealizedPalette(HDC dc, BitmapRecord *bitmap) : dc_(dc), palette_(Z_CreatePaintPalette(dc, bitmap)) {
        if (!palette_) return;
        old_ = SelectPalette(dc_, palette_, FALSE);
        RealizePalette(dc_);
    }
    ~RealizedPalette() {
        if (!palette_) return;
        SelectPalette(dc_, old_, FALSE);
        DeleteObject(palette_);
    }
    RealizedPalette(const RealizedPalette &) = delete;
    RealizedPalette &operator=(const RealizedPalette &) = delete;

private:
    HDC dc_;
    HPALETTE palette_;
    HPALETTE old_ = nullptr;
};

// The thread's display mode for one paint.
class ModeScope {
public:
    explicit ModeScope(UINT mode) : old_(Z_SetDisplayMode(0xFFFFFFFF, mode)) {}
    ~ModeScope() { Z_SetDisplayMode(0xFFFFFFFF, old_); }
    ModeScope(const ModeScope &) = delete;
    ModeScope &operator=(const ModeScope &) = delete;

private:
    UINT old_;
};

// Marching ants around the selection: the region is mapped from the
// displayed image onto the device the way the picture was scaled.
int FrameSelection(HDC dc, BitmapRecord *bitmap, const PaintRequest &request) {
    RECT shown = request.source;
    KrnRectFromBitmap(bitmap, 0, &shown);
    const LONG shownWidth = shown.right - shown.left, shownHeight = shown.bottom - shown.top;
    const RegionXForm onDevice = {0,
                                  request.width,
                                  shownWidth,
                                  request.height,
                                  shownHeight,
                                  -MulDiv(shown.left, request.width, shownWidth),
                                  -MulDiv(shown.top, request.height, shownHeight)};
    return Z_FrameBitmapRgn(dc, bitmap, &onDevice, 0);
}

#ifdef _WIN32
// On Windows the screen stays as its user set it, and memory DCs report its
// depth: a device is painted as on a machine of its depth only when the
// screen has that depth (the library treats 16 bits and more alike, so the
// 16-, 24- and 32-bit devices always are). Other devices are painted as the
// library paints the screen, GDI mapping the colours onto the device's.
int ScreenBits() {
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    return bits;
}
bool PaletteScreen() { return ScreenBits() == 8; }
bool ConfigureScreen(int, int, int bits) {
    const int have = ScreenBits();
    if (bits < 16 && have != bits)
        std::fprintf(stderr, "zeltpaint: the screen has %d bits: the %d-bit device is painted as on this screen\n", have,
                     bits);
    return true;
}
// The device's pixels, copied into a 32-bit top-down section: 0x00RRGGBB.
bool ReadPixels(HDC dc, int width, int height, DWORD *rgb) {
    const DibSurface copy(width, height, 32);
    if (!copy.Ready() || !BitBlt(copy.dc(), 0, 0, width, height, dc, 0, 0, SRCCOPY) || !GdiFlush()) return false;
    std::memcpy(rgb, copy.pixels(), static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    return true;
}
#else
// Memory DCs report the screen's depth, so the screen always takes the
// device's depth for the library's device analysis to see it.
bool PaletteScreen() { return true; }
bool ConfigureScreen(int width, int height, int bits) { return ZeltHostConfigureScreen(width, height, bits); }
bool ReadPixels(HDC dc, int width, int height, DWORD *rgb) { return ZeltHostReadPixels(dc, 0, 0, width, height, rgb); }
#endif

}  // namespace

const char *DeviceName(int deviceBits) {
    switch (deviceBits) {
        case 1: return "1-bit black and white";
        case 4: return "4-bit 16 colours";
        case 8: return "8-bit palette screen";
        case 16: return "16-bit 5-5-5";
        case 24: return "24-bit true colour";
        case 32: return "32-bit true colour";
        default: return "unknown device";
    }
}

int PaintOnDevice(BitmapRecord *bitmap, const PaintRequest &request, Picture &shown, std::string &error) {
    if (!ConfigureScreen(request.width, request.height, request.deviceBits)) {
        error = "cannot set up a " + std::to_string(request.width) + " x " + std::to_string(request.height) +
                " screen at " + std::to_string(request.deviceBits) + " bits";
        return STATUS_BAD_PARAMETER;
    }
    std::unique_ptr<Device> device;
    if (request.deviceBits == 8 && PaletteScreen())
        device = std::make_unique<ScreenDevice>();
    else
        device = std::make_unique<MemoryDevice>(request.width, request.height, request.deviceBits);
    if (!device->dc()) {
        error = std::string("cannot make the ") + DeviceName(request.deviceBits) + " device";
        return STATUS_NO_MEMORY;
    }
    PatBlt(device->dc(), 0, 0, request.width, request.height, BLACKNESS);

    const ModeScope mode(request.displayMode);
    int status;
    {
        const RealizedPalette palette(device->dc(), bitmap);
        const RECT destination = {0, 0, request.width, request.height};
        if (Z_BitmapHasRgn(bitmap)) {
            const RECT *source = request.wholeImage ? nullptr : &request.source;
            status = Z_PaintRgnDC(device->dc(), bitmap, source, nullptr, &destination, nullptr, SRCCOPY);
            if (status == STATUS_OK) status = FrameSelection(device->dc(), bitmap, request);
        } else {
            status = Z_PaintDC(device->dc(), bitmap, &request.source, nullptr, &destination, nullptr, SRCCOPY);
        }
    }
    if (status != STATUS_OK) {
        error = std::string("painting on the ") + DeviceName(request.deviceBits) + " device failed";
        return status;
    }
    shown = Picture(request.width, request.height, 0);
    std::vector<DWORD> rgb(shown.pixels.size());
    if (!ReadPixels(device->dc(), request.width, request.height, rgb.data())) {
        error = "cannot read the device's pixels";
        return STATUS_BAD_PARAMETER;
    }
    for (size_t i = 0; i < rgb.size(); ++i) shown.pixels[i] = rgb[i] & 0xFFFFFF;
    return STATUS_OK;
}

}  // namespace zeltpaint
