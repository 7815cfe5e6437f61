#include "demo_image.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zeltpaint {
namespace {

struct Rgb {
    BYTE r, g, b;
};

Rgb Hue(double h, double value) {
    // h in [0, 6): the six sectors of the colour wheel at full saturation.
    const double f = h - std::floor(h);
    const auto level = [value](double x) { return static_cast<BYTE>(std::lround(std::clamp(x, 0.0, 1.0) * value * 255)); };
    switch (static_cast<int>(h) % 6) {
        case 0: return {level(1), level(f), level(0)};
        case 1: return {level(1 - f), level(1), level(0)};
        case 2: return {level(0), level(1), level(f)};
        case 3: return {level(0), level(1 - f), level(1)};
        case 4: return {level(f), level(0), level(1)};
        default: return {level(1), level(0), level(1 - f)};
    }
}

// The colours of the patch rows: primaries, secondaries, skin and sky tones.
constexpr Rgb kPatches[12] = {
    {255, 0, 0},   {0, 255, 0},     {0, 0, 255},     {0, 255, 255},   {255, 0, 255},  {255, 255, 0},
    {115, 82, 68}, {194, 150, 130}, {98, 122, 157},  {87, 108, 67},   {133, 128, 177}, {103, 189, 170},
};

Rgb DemoPixel(int x, int y) {
    const int w = kDemoWidth, h = kDemoHeight;
    // Bottom band: a gray ramp over the full width.
    if (y >= h - 48) {
        const BYTE g = static_cast<BYTE>(x * 255 / (w - 1));
        return {g, g, g};
    }
    // Right column: saturated patches, two columns of six.
    if (x >= w - 128) {
        const int column = (x - (w - 128)) / 64;
        const int row = y * 6 / (h - 48);
        if ((x - (w - 128)) % 64 < 4 || y % ((h - 48) / 6) < 4) return {32, 32, 32};
        return kPatches[column * 6 + row];
    }
    // Circles of fine rings in the upper left quadrant.
    const double cx = 128, cy = 128;
    const double d = std::hypot(x - cx, y - cy);
    if (d < 112) {
        const bool ring = static_cast<int>(d) % 8 < 2;
        return ring ? Rgb{255, 255, 255} : Rgb{16, 16, 48};
    }
    // Fine diagonal lines in the lower left corner.
    if (x < 256 && y >= 256 && (x + y) % 6 == 0) return {0, 0, 0};
    // Elsewhere: hue across, brightness down.
    const double hue = 6.0 * x / (w - 128);
    const double value = 1.0 - 0.7 * y / (h - 48);
    return Hue(hue, value);
}

}  // namespace

int CreateDemoImage(BitmapRecord *bitmap) {
    int status = KrnCreateBitmap(bitmap, KRN_MEMORY_CONVENTIONAL, kDemoWidth, kDemoHeight, 24, 1, nullptr, 0,
                                 nullptr, 0);
    if (status != STATUS_OK) return status;
    std::vector<BYTE> row(static_cast<size_t>(bitmap->BytesPerLine));
    for (int y = 0; y < kDemoHeight && status == STATUS_OK; ++y) {
        for (int x = 0; x < kDemoWidth; ++x) {
            const Rgb c = DemoPixel(x, y);
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
        }
        const int copied = KrnPutBitmapRow(bitmap, row.data(), y, static_cast<DWORD>(row.size()));
        if (copied < 0) status = copied;
    }
    if (status != STATUS_OK) KrnFreeBitmap(bitmap);
    return status;
}

}  // namespace zeltpaint
