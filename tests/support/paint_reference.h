// Per-pixel models of painting, written from the rules (no bands, no walks,
// no per-depth tables): the stored pixel a destination pixel shows, colours
// decoded, diffused and dithered for a device, the gray paths of 1-bit images.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "support/bitmap_model.h"
#include "zelt/kernel.h"

namespace zelt::test {

struct PaintRequest {
    int width = 0, height = 0, perspective = 0;  // the stored image
    RECT source{}, sourceClip{};                 // stored coordinates
    RECT destination{}, destinationClip{};       // upside down (bottom above top): painted mirrored
};

struct StoredPixel {
    int column, row;
    bool operator==(const StoredPixel &) const = default;
};

// The stored pixel (x, y) shows: displayed pixel (src.left + floor((x -
// D.left) srcW / dstW), src.bottom - 1 - floor((D.bottom - 1 - y) srcH /
// dstH)) of the upright destination D, when inside every clip and the picture.
std::optional<StoredPixel> ReferenceSourcePixel(const PaintRequest &request, int x, int y);
// The painted part of the destination (its bounding box; empty when none).
RECT VisibleArea(const PaintRequest &request);

// Pixel x of a row as the reducing converters decode it.
Rgb DecodePixel(const BitmapRecord &bitmap, const BYTE *row, int x, const RGBQUAD *palette);
// The fixed palettes of 1-, 4- and 8-bit devices.
Rgb DeviceColor(int deviceBits, bool cube, int index);
int DeviceIndex(int deviceBits, bool cube, int r, int g, int b);
// The index ordered dither gives colour c at matrix cell (row, column).
int DitherIndex(Rgb c, int deviceBits, UINT displayMode, int row, int column, const BYTE *paintLut);

// Reducing converters of pixels [xStart, xEnd) into a packed device row.
void DiffuseRow(std::vector<BYTE> &dst, const BitmapRecord &bitmap, const BYTE *src, int xStart, int xEnd,
                int *errors, const RGBQUAD *palette, int deviceBits, bool cube);
void DitherRow(std::vector<BYTE> &dst, const BitmapRecord &bitmap, const BYTE *src, int xStart, int xEnd, int phaseX,
               int phaseY, const RGBQUAD *palette, int deviceBits, UINT displayMode);
// The direct converter of deep gray: 8-bit gray or 24-bit rows.
void DeepGrayRow(std::vector<BYTE> &dst, const BitmapRecord &bitmap, const BYTE *src, int xStart, int xEnd, bool gray);

// Dither cell of pixel (x, y) in a scaled paint: rows take phases
// (visible.top - dst.top, y - dst.left), turned columns (visible.left -
// dst.left, x - dst.top), pixels counted from where the converted row starts.
struct MatrixCell {
    int row, column;
};
MatrixCell ScaledDitherCell(const PaintRequest &request, const RECT &visible, int x, int y);

// The paths of 1-bit gray images per destination pixel (0xRRGGBB).
class GrayModel {
public:
    GrayModel(BitmapRecord *bitmap, const PaintRequest &request, int invert);
    static DWORD Gray(int level);
    DWORD Unscaled(int x, int y) const;
    DWORD Reduced(int x, int y) const;
    DWORD Scaled(int x, int y) const;
    DWORD Bitonal(int x, int y, int invert, const RGBQUAD *palette) const;

private:
    std::int64_t Pixel(std::int64_t kx, std::int64_t ky) const;
    int width_, height_;
    RECT src_;
    bool columnsFirst_;        // the pass along stored rows comes first
    std::vector<BYTE> black_;  // displayed picture, already mirrored
    std::int64_t nx_ = 1, dx_ = 1, ny_ = 1, dy_ = 1;  // source and destination extents
    int left_ = 0, bottom_ = 0;
};

}  // namespace zelt::test
