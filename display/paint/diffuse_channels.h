// 4- and 8-bit error diffusion on long rows, where each channel is
// quantized on its own. Per call, the paint table and the device palette
// are folded into one table per channel indexed by the unclamped colour
// (c + error / 16), so a channel's per-pixel chain is one lookup, one add,
// a rounding fix-up and a shift: the clamp, the paint table and the palette
// are all in the lookup, and the entry carries 7 x its error ready for the
// next pixel. The three tables (29 KiB) live on the stack for the call.
#pragma once

#include <algorithm>
#include <cstdint>

#include "paint/row_converters_reduce.h"

namespace paint_reduce {

// One table entry: 7 x the error to diffuse, the error, and the channel's
// share of the device index.
struct DiffusedLevel {
    std::int16_t seven;
    std::int16_t error;
    std::uint8_t share;
    std::uint8_t spare[3];
};

// Row-above sums the tables reach: while |sum| <= 5865 (16 x 255 + 7 x 255)
// an unclamped colour lies in -478..733.
inline constexpr int kRowAboveLimit = 5865;
inline constexpr int kLowestColour = -480;
inline constexpr int kColourSpan = 1216;

// Whether every row-above sum of count pixels lies within kRowAboveLimit;
// rows that carry larger sums (never made by the converters) take the
// general loops. One pass the compiler turns into vector compares.
inline bool RowAboveWithinLimit(const int *errors, int count) {
    unsigned outside = 0;
    for (int i = 0; i < 3 * count; ++i)
        outside |= static_cast<unsigned>(errors[i]) + unsigned{kRowAboveLimit} > 2u * kRowAboveLimit ? 1u : 0u;
    return outside == 0;
}

struct ChannelLevels {
    DiffusedLevel red[kColourSpan], green[kColourSpan], blue[kColourSpan];

    // Entries for the clamped colours 0..255 from level(channel, v); the
    // colours outside repeat the entries of 0 and 255.
    template <typename Level>
    explicit ChannelLevels(Level &&level) {
        DiffusedLevel *tables[3] = {red, green, blue};
        for (int channel = 0; channel < 3; ++channel) {
            DiffusedLevel *t = tables[channel];
            for (int v = 0; v < 256; ++v) {
                const auto [error, share] = level(channel, v);
                t[v - kLowestColour] = {static_cast<std::int16_t>(7 * error), static_cast<std::int16_t>(error),
                                        static_cast<std::uint8_t>(share), {}};
            }
            std::fill(t, t - kLowestColour, t[-kLowestColour]);
            std::fill(t + 256 - kLowestColour, t + kColourSpan, t[255 - kLowestColour]);
        }
    }
};

// What a level answers: the error to diffuse and the index share.
struct LevelShare {
    int error;
    unsigned share;
};

// The 4-bit device: each channel on at 128 after the paint table; the
// shares are the on bits, and an index of 8 + bits when any is on.
inline ChannelLevels FourBitLevels(const BYTE *lut) {
    return ChannelLevels([lut](int channel, int v) {
        const int level = lut[v];
        const bool on = level >= 128;
        return LevelShare{level - (on ? 255 : 0), on ? 1u << channel : 0u};
    });
}

inline ChannelLevels PaletteLevels(const PaletteTables &palette, const BYTE *lut) {
    return ChannelLevels([&palette, lut](int channel, int v) {
        const auto &table = channel == 0 ? palette.red : channel == 1 ? palette.green : palette.blue;
        const ChannelEntry &e = table[lut[v]];
        return LevelShare{e.residual, e.index};
    });
}

// Device index from the summed shares.
struct FourBitIndex {
    using Packer = Pack4;
    unsigned operator()(unsigned on) const { return on != 0 ? 8 + on : 0u; }
};
struct PaletteIndex {
    using Packer = Pack8;
    unsigned operator()(unsigned index) const { return index; }
};

// One channel's chain state: 7 x the previous pixel's error.
class ChannelChain {
public:
    explicit ChannelChain(const DiffusedLevel *table) : table_(table) {}

    // Pixel colour c with the row-above sum: the entry it lands on.
    // |above| <= kRowAboveLimit (RowAboveWithinLimit).
    const DiffusedLevel &Step(int c, int above) {
        // c + (7 e + above) / 16 rounded toward zero, offset to a table index;
        // the offset keeps the sum positive, so the shift is a floor.
        const int sixteenths = seven_ + above;
        // The fix-up is arithmetic, not a test: its outcome is random.
        const int fix = (sixteenths >> 31) & 15;
        const DiffusedLevel &entry = table_[(sixteenths + 16 * (c - kLowestColour) + fix) >> 4];
        seven_ = entry.seven;
        return entry;
    }
private:
    const DiffusedLevel *table_;  // entry of colour x at x - kLowestColour
    int seven_ = 0;
};

// The row loop; the row-above sums must be RowAboveWithinLimit.
template <typename Reader, typename Index>
void DiffuseChannelsRow(BYTE *dst, const Reader &reader, const ChannelLevels &levels, Index index, int xStart,
                        int count, int *errors) {
    typename Index::Packer out(dst);
    ChannelChain red(levels.red), green(levels.green), blue(levels.blue);
    RowCarries carries;
    int *slot = errors;
    for (int k = 0; k < count; ++k, slot += 3) {
        const paint_pixels::Rgb c = reader.At(xStart + k);
        // Slot k is read before slot k - 1 is written.
        const DiffusedLevel &r = red.Step(c.red, slot[0]);
        const DiffusedLevel &g = green.Step(c.green, slot[1]);
        const DiffusedLevel &b = blue.Step(c.blue, slot[2]);
        carries.Take(k, slot, r.error, g.error, b.error);
        out.Put(index(static_cast<unsigned>(r.share + g.share + b.share)));
    }
    carries.Finish(slot - 3);
    out.Finish();
}

}  // namespace paint_reduce
