// Floyd-Steinberg dithering of 24-bit blue-green-red rows to a palette, as
// plainly as it can be written: errors in sixteenths spread 7 ahead and
// 3, 5, 1 below, rows alternately left to right and right to left, a
// pixel's wanted colour its value plus its error rounded half up and
// clamped, the nearest entry found by a linear search.
#pragma once

#include <array>
#include <vector>

#include "support/bitmap_model.h"

namespace zelt::test {

class DitherModel {
public:
    DitherModel(std::vector<RGBQUAD> colors, int width)
        : colors_(std::move(colors)), width_(width), errors_(2, std::vector<std::array<int, 3>>(std::size_t(width))) {}

    // The indices of the next row of `width` pixels.
    std::vector<int> Row(const BYTE *bgr) {
        auto &here = errors_[rows_ & 1], &next = errors_[(rows_ + 1) & 1];
        const int direction = rows_ % 2 == 0 ? 1 : -1;
        std::vector<int> indices(static_cast<std::size_t>(width_));
        std::array<int, 3> ahead{};
        for (int n = 0; n < width_; ++n) {
            const int x = direction > 0 ? n : width_ - 1 - n;
            int wanted[3];
            for (int c = 0; c < 3; ++c) {
                const int sixteenths = here[std::size_t(x)][std::size_t(c)] + ahead[std::size_t(c)] + 8;
                const int rounded = sixteenths >= 0 ? sixteenths / 16 : -((15 - sixteenths) / 16);
                wanted[c] = std::clamp(bgr[3 * x + c] + rounded, 0, 255);
            }
            const int index = NearestIndex(colors_.data(), int(colors_.size()), Rgb{wanted[2], wanted[1], wanted[0]});
            indices[std::size_t(x)] = index;
            const RGBQUAD &chosen = colors_[std::size_t(index)];
            const int error[3] = {wanted[0] - chosen.rgbBlue, wanted[1] - chosen.rgbGreen, wanted[2] - chosen.rgbRed};
            for (int c = 0; c < 3; ++c) {
                ahead[std::size_t(c)] = 7 * error[c];
                for (const auto &[dx, weight] : {std::pair{-direction, 3}, {0, 5}, {direction, 1}})
                    if (x + dx >= 0 && x + dx < width_) next[std::size_t(x + dx)][std::size_t(c)] += weight * error[c];
            }
        }
        for (auto &e : here) e = {};
        ++rows_;
        return indices;
    }

private:
    std::vector<RGBQUAD> colors_;
    int width_;
    int rows_ = 0;
    std::vector<std::vector<std::array<int, 3>>> errors_;
};

}  // namespace zelt::test
