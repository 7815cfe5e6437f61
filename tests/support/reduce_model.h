// A plain model of the kernel's colour reduction: each pixel searches the
// whole palette, diffusion keeps this row's and the next row's errors apart,
// the Bayer matrix comes from its recursion. Rows are asked for in a run
// (each next to the previous one, one way), as a paint does.
#pragma once

#include <cmath>
#include <vector>

#include "support/bitmap_model.h"

namespace zelt::test {

struct ReduceModel {
    const BitmapRecord &source;
    Layout layout;
    std::vector<RGBQUAD> sourceColors, palette;
    int dstWidth, dstHeight, bits;
    bool weighted, ordered, serpentine;
    std::vector<int> current, next;  // slots 0 .. count + 1, red, green, blue, times 16

    int Nearest(const int v[3]) const {
        const long w[3] = {weighted ? 3 : 1, weighted ? 4 : 1, weighted ? 2 : 1};
        auto distance = [&](const Rgb &c) {
            return w[0] * (c.r - v[0]) * (c.r - v[0]) + w[1] * (c.g - v[1]) * (c.g - v[1]) + w[2] * (c.b - v[2]) * (c.b - v[2]);
        };
        int best = 0;
        for (std::size_t i = 1; i < palette.size(); ++i)
            if (distance(ToRgb(palette[i])) < distance(ToRgb(palette[std::size_t(best)]))) best = int(i);
        return best;
    }
    static int Bayer(int x, int y, int size = 8) {
        const int half = size / 2, two[2][2] = {{0, 2}, {3, 1}};
        return (size == 2 ? 0 : 4 * Bayer(x % half, y % half, half)) + two[y / half][x / half];
    }
    std::vector<int> Row(int row, int first, int count) {
        if (current.empty()) current.assign(std::size_t(3 * (count + 2)), 0), next = current;
        const BYTE *line = RowOf(source, int(std::int64_t(row) * source.Height / dstHeight));
        std::vector<int> out(static_cast<std::size_t>(count));
        const int dx = serpentine && (row & 1) ? -1 : 1, amplitude = bits == 1 ? 255 : bits == 4 ? 120 : 32;
        for (int n = 0; n < count; ++n) {
            const int k = dx < 0 ? count - 1 - n : n, slot = 3 * (k + 1);
            const int column = int(std::int64_t(first + k) * source.Width / dstWidth);
            const Rgb c = PixelColor(line, column, layout, sourceColors.data(), int(sourceColors.size()));
            const long offset = std::lround((63 - 2 * Bayer((first + k) & 7, row & 7)) * amplitude / 128.0);
            int v[3] = {c.r, c.g, c.b};
            for (int ch = 0; ch < 3; ++ch)
                v[ch] = std::clamp(v[ch] + int(ordered ? offset : current[std::size_t(slot + ch)] / 16), 0, 255);
            const Rgb p = ToRgb(palette[std::size_t(out[std::size_t(k)] = Nearest(v))]);
            const int error[3] = {v[0] - p.r, v[1] - p.g, v[2] - p.b};
            for (int ch = 0; ch < 3 && !ordered; ++ch) {
                current[std::size_t(slot + 3 * dx + ch)] += 7 * error[ch];
                next[std::size_t(slot - 3 * dx + ch)] += 3 * error[ch];
                next[std::size_t(slot + ch)] += 5 * error[ch];
                next[std::size_t(slot + 3 * dx + ch)] += error[ch];
            }
        }
        current.swap(next);
        std::fill(next.begin(), next.end(), 0);
        return out;
    }
};

}  // namespace zelt::test
