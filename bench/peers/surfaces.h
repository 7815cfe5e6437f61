// The inputs every contender reads and the surfaces Zelt draws into: a
// seeded random 24-bit source (also as 32-bit pixels for the peers that
// want them) and memory DCs over top-down DIB sections.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zelt/display.h"

namespace peers {

// Entry i of the 3-3-2 table the 8-bit reduction paints with: red
// L[i >> 5], green L[(i >> 2) & 7], blue (0, 85, 170, 255)[i & 3], where
// L[k] = k * 255 / 7 rounded.
RGBQUAD Rgb332(int index);

// A size x size 24-bit image owned by the kernel (blue, green, red); ok()
// is false when it could not be made.
class Image24 {
public:
    explicit Image24(int size);
    ~Image24();
    Image24(const Image24 &) = delete;
    Image24 &operator=(const Image24 &) = delete;

    bool ok() const { return bitmap_.Data != nullptr; }
    int size() const { return size_; }
    BitmapRecord *bitmap() { return &bitmap_; }
    const BYTE *row(int y) const { return static_cast<const BYTE *>(bitmap_.Data) + std::size_t(y) * bitmap_.BytesPerLine; }
    BYTE *row(int y) { return static_cast<BYTE *>(bitmap_.Data) + std::size_t(y) * bitmap_.BytesPerLine; }
    int stride() const { return bitmap_.BytesPerLine; }

protected:
    int size_;
    BitmapRecord bitmap_{};
};

// A seeded random 24-bit image.
class SourceImage : public Image24 {
public:
    SourceImage(int size, std::uint32_t seed);

    // The same pixels as x8r8g8b8 words.
    const std::vector<std::uint32_t> &pixels32() const { return pixels32_; }
    // A bottom-up 24-bit DIB header over the same bytes (StretchDIBits).
    const BITMAPINFO *dibInfo() const { return &info_; }

private:
    std::vector<std::uint32_t> pixels32_;
    BITMAPINFO info_{};
};

// A memory DC over a top-down DIB section of the given depth: 1 bit black
// and white, 8 bits the 3-3-2 table, 24 and 32 bits plain.
class Surface {
public:
    Surface(int width, int height, int bits);
    ~Surface();
    Surface(const Surface &) = delete;
    Surface &operator=(const Surface &) = delete;

    bool ok() const { return old_ != nullptr && pixels_ != nullptr; }
    HDC dc() const { return dc_; }
    const BYTE *pixels() const { return static_cast<const BYTE *>(pixels_); }
    std::size_t stride() const { return stride_; }
    std::size_t bytes() const { return stride_ * static_cast<std::size_t>(height_); }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void *pixels_ = nullptr;
    std::size_t stride_ = 0;
    int height_ = 0;
};

}  // namespace peers
