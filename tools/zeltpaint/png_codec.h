// zeltpaint's PNG codec over zlib: reads every standard PNG form and writes
// 8-bit RGB (or 16-bit gray) PNGs whose bytes are the same on every platform
// that has the same zlib.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zeltpaint {

// A decoded PNG: 16-bit gray stays deep (one little-endian sample a
// pixel); every other form is 8-bit BGR, palettes expanded, gray widened,
// alpha dropped and 16-bit channels cut to their high bytes.
struct DecodedPng {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool deepGray = false;
    std::vector<std::uint8_t> pixels;  // rows top to bottom, RowBytes() each

    std::size_t RowBytes() const { return std::size_t{width} * (deepGray ? 2 : 3); }
};

enum class PngStatus { kOk, kUnreadable, kSizeOutOfRange, kNoMemory };

bool HasPngSignature(std::span<const std::uint8_t> bytes);

// Decodes a whole PNG file held in memory. Sides must be 1..65535.
PngStatus DecodePng(std::span<const std::uint8_t> file, DecodedPng &image);

enum class PngFormat { kRgb8, kGray16 };

// Encodes `width` x `height` pixels, rows top to bottom without padding, in
// PNG's own sample order (RGB; 16-bit samples big-endian). False when memory
// runs out.
bool EncodePng(std::span<const std::uint8_t> pixels, std::uint32_t width, std::uint32_t height, PngFormat format,
               std::vector<std::uint8_t> &file);

}  // namespace zeltpaint
