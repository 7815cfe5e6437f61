// A 1-bit grayscale image scaled to 1 bit: a destination pixel is black
// when its cell holds at least the kernel's threshold of black pixels. On
// an enlarging axis a cell is the one pixel at the line's proportional
// position. Destination rows made from the same stored rows as the row
// before are copied.
#include <algorithm>
#include <climits>
#include <cstring>

#include "frame/display_settings.h"
#include "paint/paint_gray_band.h"

namespace {

using namespace paint_gray;

class ThresholdLines final : public LineSource {
public:
    ThresholdLines(BitmapRecord *bitmap, const PaintGeometry &g, const Layout &layout, int invert, int threshold)
        : bitmap_(bitmap), g_(g), layout_(layout), invert_(invert), threshold_(threshold),
          reduceColumns_(g.column.num > g.column.den) {}

    bool Allocate() {
        const auto width = static_cast<std::size_t>(layout_.width);
        counts_ = paint_band::Allocate(width * sizeof(std::int64_t));
        bounds_ = paint_band::Allocate((width + 1) * sizeof(std::int64_t));
        if (!counts_ || !bounds_) return false;
        std::int64_t *bounds = As<std::int64_t>(bounds_);
        if (reduceColumns_) {
            ColumnBounds(g_, layout_, bounds);
            return row_.Prepare(bitmap_, bounds[0], bounds[layout_.width], invert_);
        }
        // Enlarging: band pixel i counts the one column at its position;
        // bounds holds those columns (increasing), read as black flags.
        for (int i = 0; i < layout_.width; ++i)
            bounds[i] = std::clamp<std::int64_t>(g_.column.At(layout_.PixelT(i)), 0, g_.storedWidth - 1);
        flags_ = paint_band::Allocate(static_cast<std::size_t>(bounds[layout_.width - 1] - bounds[0] + 1));
        return flags_ && row_.Prepare(bitmap_, bounds[0], bounds[layout_.width - 1] + 1, invert_);
    }

    int Fill(std::int64_t t, BYTE *line, const BYTE *previous) override {
        const Cell rows = SampleCell(g_.row, t);
        const std::size_t bytes = (static_cast<std::size_t>(layout_.width) + 7) / 8;
        if (previous != nullptr && rows == lastRows_) {
            std::memcpy(line, previous, bytes);
            return STATUS_OK;
        }
        lastRows_ = rows;
        const int width = layout_.width;
        std::int64_t *counts = As<std::int64_t>(counts_);
        const std::int64_t *bounds = As<std::int64_t>(bounds_);
        std::fill(counts, counts + width, 0);
        for (std::int64_t r = rows.lo; r < rows.hi; ++r) {
            const int status = row_.Read(static_cast<int>(std::clamp<std::int64_t>(r, 0, g_.storedHeight - 1)));
            if (status != STATUS_OK) return status;
            if (reduceColumns_) {
                row_.AddBlack(bounds, width, counts);
            } else {
                BYTE *black = flags_.get();
                row_.BlackFlags(black);
                for (int i = 0; i < width; ++i) counts[i] += black[bounds[i] - bounds[0]];
            }
        }
        // All white, then the black cells: white is bit 1, or 0 inverted.
        std::memset(line, invert_ ? 0x00 : 0xFF, bytes);
        for (int i = 0; i < width; ++i) {
            if (counts[i] < threshold_) continue;
            const BYTE bit = static_cast<BYTE>(0x80 >> (i & 7));
            if (invert_) line[i >> 3] |= bit;
            else line[i >> 3] &= static_cast<BYTE>(~bit);
        }
        return STATUS_OK;
    }

private:
    BitmapRecord *bitmap_;
    const PaintGeometry &g_;
    const Layout &layout_;
    int invert_;
    std::int64_t threshold_;
    bool reduceColumns_;
    Block counts_, bounds_, flags_;
    Cell lastRows_{-1, -1};
    RunRow row_;
};

// The 1-bit colour table: identity indices for indexed painting unless
// same-depth reduction is asked for, else the bitmap's colours.
UINT FillBitonalColorTable(BITMAPINFO *info, BitmapRecord *bitmap, UINT displayMode) {
    info->bmiHeader.biBitCount = 1;
    info->bmiHeader.biClrUsed = 2;
    if ((displayMode & DISP_INDEXED_PAINT) && !(displayMode & DISP_REDUCE_SAME_DEPTH)) {
        FillIdentityIndexTable(*reinterpret_cast<RGBQUAD(*)[256]>(info->bmiColors));
        return DIB_PAL_COLORS;
    }
    GetPaintColors(bitmap, bitmap->Palette, 0, std::clamp(static_cast<int>(bitmap->ColorCount), 0, 256),
                   info->bmiColors);
    return DIB_RGB_COLORS;
}

}  // namespace

int PaintBitonal(HDC hdc, BitmapRecord *bitmap, const RECT *srcRect, const RECT *srcClip, const RECT *dstRect,
                 const RECT *dstClip, int invert, DWORD rop) {
    DisplaySettings *settings = GetDisplaySettings();
    PaintGeometry g;
    if (!paint_geometry::PrepareScaled(bitmap, *srcRect, *srcClip, *dstRect, *dstClip, &g)) return STATUS_OK;
    // Sizes whose proportional products overflow 31 bits go to the general
    // path, which paints them by nearest neighbour.
    if (INT_MAX / g.srcW < g.dstW || INT_MAX / g.srcH < g.dstH) {
        int deviceBits = 0, paintMode = 0;
        AnalyzeDevice(hdc, bitmap, &deviceBits, &paintMode);
        return PaintGeneral(hdc, bitmap, nullptr, 0, 0, srcRect, srcClip, dstRect, dstClip, deviceBits, paintMode,
                            rop);
    }
    Layout layout;
    if (!LayoutFor(g, &layout)) return STATUS_BAD_PARAMETER;

    const std::int64_t xq = std::max<std::int64_t>(g.srcW / g.dstW, 1);
    const std::int64_t yq = std::max<std::int64_t>(g.srcH / g.dstH, 1);
    int threshold = KrnCellThreshold(static_cast<int>(std::min<std::int64_t>(xq * yq, INT_MAX)));
    if (threshold <= 4) threshold = std::max(threshold - 1, 1);

    BandTarget target{hdc, paint_band::SelectHeader(hdc, settings), DIB_RGB_COLORS, rop};
    target.usage = FillBitonalColorTable(target.info, bitmap, settings->DisplayMode);
    ThresholdLines lines(bitmap, g, layout, invert, threshold);
    if (!lines.Allocate()) return STATUS_NO_MEMORY;
    return PaintLines(g, layout, target, lines);
}
