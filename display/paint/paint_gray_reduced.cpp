// A 1-bit grayscale image shrunk in both directions to 8-bit gray by exact
// box averaging: each destination pixel is 255 less 255 times the black
// share of its cell, rounded down.
#include <algorithm>

#include "frame/display_settings.h"
#include "paint/paint_gray_band.h"

namespace {

using namespace paint_gray;

class BoxAveragedLines final : public LineSource {
public:
    BoxAveragedLines(BitmapRecord *bitmap, const PaintGeometry &g, const Layout &layout, int invert)
        : bitmap_(bitmap), g_(g), layout_(layout), invert_(invert) {}

    bool Allocate() {
        const auto cells = static_cast<std::size_t>(layout_.width);
        bounds_ = paint_band::Allocate((cells + 1) * sizeof(std::int64_t));
        counts_ = paint_band::Allocate(cells * sizeof(std::int64_t));
        if (!bounds_ || !counts_) return false;
        std::int64_t *bounds = As<std::int64_t>(bounds_);
        ColumnBounds(g_, layout_, bounds);
        return row_.Prepare(bitmap_, bounds[0], bounds[layout_.width], invert_);
    }

    int Fill(std::int64_t t, BYTE *line, const BYTE *) override {
        const int cells = layout_.width;
        const std::int64_t *bounds = As<std::int64_t>(bounds_);
        std::int64_t *counts = As<std::int64_t>(counts_);
        std::fill(counts, counts + cells, 0);
        const Cell rows = CellAt(g_.row, t);
        for (std::int64_t r = rows.lo; r < rows.hi; ++r) {
            const int status = row_.Read(static_cast<int>(std::clamp<std::int64_t>(r, 0, g_.storedHeight - 1)));
            if (status != STATUS_OK) return status;
            row_.AddBlack(bounds, cells, counts);
        }
        for (int i = 0; i < cells; ++i) {
            const std::int64_t area = (bounds[i + 1] - bounds[i]) * rows.Size();
            const std::int64_t black = counts[i];
            line[i] = black >= area ? 0 : static_cast<BYTE>(255 - 255 * black / area);
        }
        return STATUS_OK;
    }

private:
    BitmapRecord *bitmap_;
    const PaintGeometry &g_;
    const Layout &layout_;
    int invert_;
    Block bounds_, counts_;
    RunRow row_;
};

}  // namespace

int PaintGrayReduced(HDC hdc, BitmapRecord *bitmap, const RECT *srcRect, const RECT *srcClip, const RECT *dstRect,
                     const RECT *dstClip, int invert, DWORD rop) {
    DisplaySettings *settings = GetDisplaySettings();
    PaintGeometry g;
    if (!paint_geometry::PrepareScaled(bitmap, *srcRect, *srcClip, *dstRect, *dstClip, &g)) return STATUS_OK;
    // Every cell must hold a pixel both ways; anything else is scaled.
    if (g.srcW <= g.dstW || g.srcH <= g.dstH)
        return PaintGrayScaled(hdc, bitmap, srcRect, srcClip, dstRect, dstClip, invert, rop);
    Layout layout;
    if (!LayoutFor(g, &layout)) return STATUS_BAD_PARAMETER;

    BandTarget target{hdc, paint_band::SelectHeader(hdc, settings), DIB_RGB_COLORS, rop};
    target.usage = FillGrayColorTable(target.info, bitmap, settings->DisplayMode);
    BoxAveragedLines lines(bitmap, g, layout, invert);
    if (!lines.Allocate()) return STATUS_NO_MEMORY;
    return PaintLines(g, layout, target, lines);
}
