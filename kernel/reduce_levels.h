// Palettes made of every combination of a few levels per channel (a 3-3-2
// table, a colour cube): the weighted distance is a sum of one term per
// channel, so the nearest entry is made of the nearest level of each
// channel taken alone, and one small table per channel replaces the search.
// Ties keep the first entry, as the general search does: the entry index
// grows with each channel's level index, so the first level of each
// channel's ties gives the first entry of the palette's ties.
#pragma once

#include <cstdint>

#include "zelt/kernel.h"

namespace krn_reduce {

// Channel values a table accepts: a pixel value plus or minus one whole
// carried error (a diffused error never exceeds 255 either way).
constexpr int kLevelLow = -255;
constexpr int kLevelHigh = 510;
constexpr int kLevelSpan = kLevelHigh - kLevelLow + 1;

class ChannelLevels {
public:
    // True when the palette is such a product, its channels nested in any
    // order, followed only by entries that repeat earlier ones; the tables
    // are then ready. False leaves the tables unspecified.
    bool Build(const RGBQUAD *colors, int count);

    // For channel 0 (red), 1 (green) or 2 (blue) and a value in
    // kLevelLow..kLevelHigh, clamped to 0..255 first:
    // (clamped value - nearest level) * 256 + that level's share of the
    // entry index. The error is the entry >> 8, the share entry & 255.
    std::int32_t Entry(int channel, int value) const { return table_[channel][value - kLevelLow]; }

private:
    std::int32_t table_[3][kLevelSpan] = {};
};

// Two-colour palettes: entry b is nearer than entry a where a linear form
// of the clamped channel values is negative; each channel's term comes
// from a table.
class TwoColorSplit {
public:
    void Build(const RGBQUAD &a, const RGBQUAD &b, bool weighted);

    // 1 when entry b is strictly nearer than entry a, for channel values
    // in kLevelLow..kLevelHigh (clamped to 0..255 first).
    int Pick(int red, int green, int blue) const {
        return term_[0][red - kLevelLow] + term_[1][green - kLevelLow] + term_[2][blue - kLevelLow] + constant_ < 0;
    }

private:
    std::int32_t term_[3][kLevelSpan] = {};  // every term stays within a few million
    std::int32_t constant_ = 0;
};

}  // namespace krn_reduce
