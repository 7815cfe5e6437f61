// A 1-bit grayscale image scaled to 8-bit gray when it is enlarged in at
// least one direction. Each axis is treated by itself: an enlarging axis
// interpolates linearly between the pixel at a line's exact position and
// the next one, a reducing axis averages the pixels of the line's cell.
// White pixels count 255, black ones 0. The pass along the stored columns
// makes one value row per stored row; the two last are kept, so a stored
// row is read and converted once even when two destination lines use it.
#include <algorithm>

#include "frame/display_settings.h"
#include "paint/paint_gray_band.h"

namespace {

using namespace paint_gray;

// x * 255 / extent, through MulDiv where the product would not fit 32 bits.
int Scale255(std::int64_t x, std::int64_t extent) {
    if (x > 0x808080) return MulDiv(static_cast<int>(x), 255, static_cast<int>(extent));
    return static_cast<int>(x * 255 / extent);
}

// value * weight / extent, the same way.
int Weigh(int value, std::int64_t weight, std::int64_t extent) {
    const std::int64_t x = value * weight;
    if (x > 0x808080) return MulDiv(value, static_cast<int>(weight), static_cast<int>(extent));
    return static_cast<int>(x / extent);
}

class ScaledLines final : public LineSource {
public:
    ScaledLines(BitmapRecord *bitmap, const PaintGeometry &g, const Layout &layout, int invert)
        : bitmap_(bitmap), g_(g), layout_(layout), invert_(invert),
          enlargeColumns_(g.column.num <= g.column.den), enlargeRows_(g.row.num <= g.row.den) {}

    bool Allocate() {
        const auto width = static_cast<std::size_t>(layout_.width);
        cache_ = paint_band::Allocate(2 * width);
        if (!cache_) return false;
        if (!enlargeRows_) {
            sums_ = paint_band::Allocate(width * sizeof(int));
            if (!sums_) return false;
        }
        return enlargeColumns_ ? PreparePairs() : PrepareCells();
    }

    int Fill(std::int64_t t, BYTE *line, const BYTE *) override {
        const int width = layout_.width;
        if (enlargeRows_) {
            const std::int64_t r = g_.row.At(t);
            const std::int64_t f = Fraction(g_.row, t);
            const BYTE *nearest = nullptr;
            int status = ValueRow(r, &nearest);
            if (status != STATUS_OK) return status;
            if (f == 0) {
                std::copy(nearest, nearest + width, line);
                return STATUS_OK;
            }
            const BYTE *next = nullptr;
            status = ValueRow(r + g_.row.sign, &next);
            if (status != STATUS_OK) return status;
            // `nearest` is still valid: the two rows differ in parity, or are one row.
            const std::int64_t extent = g_.row.den;
            for (int i = 0; i < width; ++i)
                line[i] = static_cast<BYTE>(Weigh(nearest[i], extent - f, extent) + Weigh(next[i], f, extent));
            return STATUS_OK;
        }
        const Cell rows = CellAt(g_.row, t);
        int *sums = As<int>(sums_);
        std::fill(sums, sums + width, 0);
        for (std::int64_t r = rows.lo; r < rows.hi; ++r) {
            const BYTE *values = nullptr;
            const int status = ValueRow(r, &values);
            if (status != STATUS_OK) return status;
            for (int i = 0; i < width; ++i) sums[i] += values[i];
        }
        const int count = static_cast<int>(rows.Size());
        for (int i = 0; i < width; ++i) line[i] = static_cast<BYTE>(sums[i] / count);
        return STATUS_OK;
    }

private:
    // Interpolation pairs: band pixel i lies between stored columns near[i]
    // and next[i] (offsets into the flag row), fraction[i] / den of the way.
    bool PreparePairs() {
        const auto width = static_cast<std::size_t>(layout_.width);
        pairs_ = paint_band::Allocate(width * 3 * sizeof(std::int64_t));
        if (!pairs_) return false;
        const std::int64_t last = g_.storedWidth - 1;
        auto clampColumn = [&](std::int64_t c) { return std::clamp<std::int64_t>(c, 0, last); };
        const AxisMap &map = g_.column;
        const std::int64_t lo = clampColumn(std::min(map.At(layout_.PixelT(0)) - 1, map.At(layout_.PixelT(0))));
        const std::int64_t hi =
            clampColumn(std::max(map.At(layout_.PixelT(layout_.width - 1)) + 1, map.At(layout_.PixelT(layout_.width - 1)))) + 1;
        std::int64_t *pairs = As<std::int64_t>(pairs_);
        for (int i = 0; i < layout_.width; ++i) {
            const std::int64_t t = layout_.PixelT(i);
            const std::int64_t p = map.At(t);
            pairs[3 * i] = clampColumn(p) - lo;
            pairs[3 * i + 1] = clampColumn(p + map.sign) - lo;
            pairs[3 * i + 2] = Fraction(map, t);
        }
        flags_ = paint_band::Allocate(static_cast<std::size_t>(hi - lo));
        return flags_ && row_.Prepare(bitmap_, lo, hi, invert_);
    }

    bool PrepareCells() {
        const auto width = static_cast<std::size_t>(layout_.width);
        bounds_ = paint_band::Allocate((width + 1) * sizeof(std::int64_t));
        counts_ = paint_band::Allocate(width * sizeof(std::int64_t));
        if (!bounds_ || !counts_) return false;
        std::int64_t *bounds = As<std::int64_t>(bounds_);
        ColumnBounds(g_, layout_, bounds);
        return row_.Prepare(bitmap_, bounds[0], bounds[layout_.width], invert_);
    }

    BYTE *Slot(std::int64_t storedRow) { return cache_.get() + (storedRow & 1) * layout_.width; }

    // The value row of a stored row (held inside the image), from the cache
    // or made now.
    int ValueRow(std::int64_t r, const BYTE **values) {
        const int row = static_cast<int>(std::clamp<std::int64_t>(r, 0, g_.storedHeight - 1));
        BYTE *slot = Slot(row);
        *values = slot;
        if (cachedRow_[row & 1] == row) return STATUS_OK;
        cachedRow_[row & 1] = -1;
        const int status = row_.Read(row);
        if (status != STATUS_OK) return status;
        if (enlargeColumns_) Interpolate(slot);
        else Average(slot);
        cachedRow_[row & 1] = row;
        return STATUS_OK;
    }

    void Interpolate(BYTE *out) {
        BYTE *black = flags_.get();
        row_.BlackFlags(black);
        const std::int64_t *pairs = As<std::int64_t>(pairs_);
        const std::int64_t extent = g_.column.den;
        for (int i = 0; i < layout_.width; ++i) {
            const std::int64_t e = pairs[3 * i + 2];
            const std::int64_t x = (black[pairs[3 * i]] ? 0 : extent - e) + (black[pairs[3 * i + 1]] ? 0 : e);
            out[i] = static_cast<BYTE>(x == 0 ? 0 : Scale255(x, extent));
        }
    }

    void Average(BYTE *out) {
        const int cells = layout_.width;
        const std::int64_t *bounds = As<std::int64_t>(bounds_);
        std::int64_t *counts = As<std::int64_t>(counts_);
        std::fill(counts, counts + cells, 0);
        row_.AddBlack(bounds, cells, counts);
        for (int i = 0; i < cells; ++i) {
            const std::int64_t size = bounds[i + 1] - bounds[i];
            out[i] = static_cast<BYTE>(Scale255(size - counts[i], size));
        }
    }

    BitmapRecord *bitmap_;
    const PaintGeometry &g_;
    const Layout &layout_;
    int invert_;
    bool enlargeColumns_, enlargeRows_;
    Block cache_, sums_, pairs_, flags_, bounds_, counts_;
    int cachedRow_[2] = {-1, -1};
    RunRow row_;
};

}  // namespace

int PaintGrayScaled(HDC hdc, BitmapRecord *bitmap, const RECT *srcRect, const RECT *srcClip, const RECT *dstRect,
                    const RECT *dstClip, int invert, DWORD rop) {
    DisplaySettings *settings = GetDisplaySettings();
    PaintGeometry g;
    if (!paint_geometry::PrepareScaled(bitmap, *srcRect, *srcClip, *dstRect, *dstClip, &g)) return STATUS_OK;
    Layout layout;
    if (!LayoutFor(g, &layout)) return STATUS_BAD_PARAMETER;

    BandTarget target{hdc, paint_band::SelectHeader(hdc, settings), DIB_RGB_COLORS, rop};
    target.usage = FillGrayColorTable(target.info, bitmap, settings->DisplayMode);
    ScaledLines lines(bitmap, g, layout, invert);
    if (!lines.Allocate()) return STATUS_NO_MEMORY;
    return PaintLines(g, layout, target, lines);
}
