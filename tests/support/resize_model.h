// Models of the whole-image operations written from their documented rules
// in floating point, independent of the kernel's fixed-point code: the taps
// of a resize axis (box footprint when shrinking, linear between centres when
// growing), the channels the resize averages for each layout, and the level
// a pixel turns into under grayscale conversion.
#pragma once

#include <cmath>
#include <utility>
#include <vector>

#include "support/bitmap_model.h"

namespace zelt::test {

using Taps = std::vector<std::pair<int, double>>;  // (source index, weight)

inline std::vector<Taps> AxisTaps(int source, int target) {
    std::vector<Taps> taps(static_cast<std::size_t>(target));
    const double scale = double(source) / target;
    for (int i = 0; i < target; ++i) {
        if (target <= source) {  // the part of each source pixel under [i, i + 1) * scale
            const double from = double(i) * source / target, to = double(i + 1) * source / target;  // exact at integers
            for (int j = int(std::floor(from)); j < to; ++j)
                taps[std::size_t(i)].push_back({j, (std::min(to, j + 1.0) - std::max(from, double(j))) / scale});
        } else {  // between the centres around (i + 1/2) scale - 1/2, borders repeated
            const double centre = std::clamp((i + 0.5) * scale - 0.5, 0.0, source - 1.0);
            const int j = int(std::floor(centre));
            taps[std::size_t(i)].push_back({j, 1 - (centre - j)});
            if (j + 1 < source) taps[std::size_t(i)].push_back({j + 1, centre - j});
        }
    }
    return taps;
}

// The channels a resize averages: the index of gray-ramp palettes, the
// sample of deep gray, the 5-bit fields, the first three channels of direct
// colour (the fourth of 32 and 64 bits is unused).
inline std::vector<double> ChannelsOf(const Layout &layout, std::uint64_t raw) {
    if (layout.Indexed() || layout.Gray()) return {double(raw)};
    const int width = layout.bits == 16 ? 5 : layout.bits >= 48 ? 16 : 8;
    std::vector<double> channels;
    for (int c = 0; c < 3; ++c) channels.push_back(double((raw >> (c * width)) & ((1u << width) - 1)));
    return channels;
}

// Level of a pixel on the 16-bit scale before a grayscale conversion rounds
// it to the target: the luminance of its colour (16-bit channels for 48 and
// 64 bits, else the 8-bit colour times 257), or deep gray's window scaled up.
inline double Level16(const Layout &layout, const BYTE *row, int x, const BitmapRecord &bitmap,
                      const RGBQUAD *palette, int paletteCount) {
    const std::uint64_t raw = ReadPixel(row, x, layout.bits);
    if (layout.Gray()) {
        std::uint32_t mask;
        int shift;
        Window(layout.bits, layout.bits, bitmap.LowBit, bitmap.HighBit, &mask, &shift);
        return mask == 0 ? 0 : std::floor(((raw >> shift) & mask) * 65535.0 / mask + 0.5);
    }
    if (layout.bits >= 48) {
        const auto channel = [&](int i) { return long((raw >> (16 * i)) & 0xFFFF); };
        const long red = channel(layout.order == 1 ? 2 : 0), blue = channel(layout.order == 1 ? 0 : 2);
        return double((299 * red + 587 * channel(1) + 114 * blue) / 1000);
    }
    return 257.0 * Luminance(PixelColor(row, x, layout, palette, paletteCount));
}

}  // namespace zelt::test
