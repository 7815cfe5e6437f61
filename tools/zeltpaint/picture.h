// A picture in memory: what a device showed, or the contact sheet being
// composed. Pixels are 0x00RRGGBB, rows top to bottom.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zeltpaint {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    Picture() = default;
    Picture(int w, int h, std::uint32_t fill) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}

    std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Pixels outside the picture are ignored, so callers need not clip.
    void Set(int x, int y, std::uint32_t rgb) {
        if (x >= 0 && y >= 0 && x < width && y < height) pixels[static_cast<size_t>(y) * width + x] = rgb;
    }
    void FillRect(int x, int y, int w, int h, std::uint32_t rgb) {
        for (int row = y; row < y + h; ++row)
            for (int column = x; column < x + w; ++column) Set(column, row, rgb);
    }
    // Copies `from` with its top-left corner at (x, y).
    void Paste(const Picture &from, int x, int y) {
        for (int row = 0; row < from.height; ++row)
            for (int column = 0; column < from.width; ++column) Set(x + column, y + row, from.At(column, row));
    }
};

}  // namespace zeltpaint
