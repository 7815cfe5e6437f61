#include "reduce_levels.h"

#include <algorithm>
#include <cstdlib>

namespace krn_reduce {

namespace {

int ChannelOf(const RGBQUAD &c, int channel) { return channel == 0 ? c.rgbRed : channel == 1 ? c.rgbGreen : c.rgbBlue; }

bool SameColor(const RGBQUAD &a, const RGBQUAD &b) {
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

// Entries left once trailing entries that repeat an earlier one are dropped
// (a cube's unused slots stay black): a repeat never wins, the first wins.
int DistinctPrefix(const RGBQUAD *colors, int count) {
    int n = count;
    while (n > 1 && std::any_of(colors, colors + n - 1, [&](const RGBQUAD &c) { return SameColor(c, colors[n - 1]); }))
        --n;
    return n;
}

// How the entries nest: channel[0] changes slowest, channel[2] fastest;
// entry i has level i / stride[c] % size[c] of channel[c].
struct Nesting {
    int channel[3];
    int size[3];
    int stride[3];
};

// Each entry's channel value equals that of the entry holding the same
// level with the other channels at their first level.
bool Fits(const RGBQUAD *colors, int n, const Nesting &nest) {
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) {
            const int level = i / nest.stride[c] % nest.size[c];
            if (ChannelOf(colors[i], nest.channel[c]) != ChannelOf(colors[level * nest.stride[c]], nest.channel[c]))
                return false;
        }
    return true;
}

bool FindNesting(const RGBQUAD *colors, int n, Nesting *found) {
    int order[3] = {0, 1, 2};
    do {
        for (int fast = 1; fast <= n; ++fast) {
            if (n % fast != 0) continue;
            for (int middle = 1; middle <= n / fast; ++middle) {
                if ((n / fast) % middle != 0) continue;
                const Nesting nest = {{order[0], order[1], order[2]},
                                      {n / (fast * middle), middle, fast},
                                      {fast * middle, fast, 1}};
                if (Fits(colors, n, nest)) {
                    *found = nest;
                    return true;
                }
            }
        }
    } while (std::next_permutation(order, order + 3));
    return false;
}

}  // namespace

bool ChannelLevels::Build(const RGBQUAD *colors, int count) {
    if (colors == nullptr || count < 1 || count > 256) return false;
    const int n = DistinctPrefix(colors, count);
    Nesting nest{};
    if (!FindNesting(colors, n, &nest)) return false;
    for (int c = 0; c < 3; ++c) {
        const int channel = nest.channel[c];
        int nearest[256];  // level index per clamped value, the first of ties
        for (int value = 0; value < 256; ++value) {
            int best = 0, bestDistance = 256;
            for (int level = 0; level < nest.size[c]; ++level) {
                const int d = std::abs(ChannelOf(colors[level * nest.stride[c]], channel) - value);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = level;
                }
            }
            nearest[value] = best;
        }
        for (int value = kLevelLow; value <= kLevelHigh; ++value) {
            const int clamped = std::clamp(value, 0, 255);
            const int level = nearest[clamped];
            const int error = clamped - ChannelOf(colors[level * nest.stride[c]], channel);
            table_[channel][value - kLevelLow] = error * 256 + level * nest.stride[c];
        }
    }
    return true;
}

void TwoColorSplit::Build(const RGBQUAD &a, const RGBQUAD &b, bool weighted) {
    // Weighted distance to a minus that to b: sum of w (a - b) (a + b - 2v).
    const int w[3] = {weighted ? 3 : 1, weighted ? 4 : 1, weighted ? 2 : 1};
    constant_ = 0;
    for (int c = 0; c < 3; ++c) {
        const int av = ChannelOf(a, c), bv = ChannelOf(b, c);
        const int coefficient = 2 * w[c] * (av - bv);
        constant_ += w[c] * (bv * bv - av * av);
        for (int value = kLevelLow; value <= kLevelHigh; ++value)
            term_[c][value - kLevelLow] = coefficient * std::clamp(value, 0, 255);
    }
}

}  // namespace krn_reduce
