// A 1-bit grayscale image at its own size as 8-bit gray: every pixel
// becomes 0 (black) or 255 (white), through the gray colour table.
#include <algorithm>

#include "frame/display_settings.h"
#include "paint/paint_gray_band.h"

namespace {

using namespace paint_gray;

class ExpandedLines final : public LineSource {
public:
    ExpandedLines(BitmapRecord *bitmap, const PaintGeometry &g, const Layout &layout, int invert)
        : bitmap_(bitmap), g_(g), width_(layout.width), invert_(invert) {
        // The band pixels are the stored columns first .. first + width - 1.
        const int first = static_cast<int>(g.column.At(layout.PixelT(0)));
        spanStart_ = first & ~7;
        offset_ = first & 7;
        spanBytes_ = (static_cast<std::size_t>(offset_) + static_cast<std::size_t>(width_) + 7) / 8;
    }

    bool Allocate() {
        fetch_ = paint_band::Allocate(spanBytes_);
        return static_cast<bool>(fetch_);
    }

    int Fill(std::int64_t t, BYTE *line, const BYTE *) override {
        const int row = static_cast<int>(std::clamp<std::int64_t>(g_.row.At(t), 0, g_.storedHeight - 1));
        const int copied = KrnGetBitmapRowCol(bitmap_, fetch_.get(), row, spanStart_, static_cast<DWORD>(spanBytes_));
        if (copied < 0) return copied;
        ExpandMonoRow(line, fetch_.get(), offset_, width_, invert_);
        return STATUS_OK;
    }

private:
    BitmapRecord *bitmap_;
    const PaintGeometry &g_;
    int width_;
    int invert_;
    int spanStart_ = 0;
    int offset_ = 0;
    std::size_t spanBytes_ = 0;
    Block fetch_;
};

}  // namespace

int PaintGrayUnscaled(HDC hdc, BitmapRecord *bitmap, const RECT *srcRect, const RECT *srcClip, const RECT *dstRect,
                      const RECT *dstClip, int invert, DWORD rop) {
    DisplaySettings *settings = GetDisplaySettings();
    PaintGeometry g;
    if (!paint_geometry::PrepareUnscaled(bitmap, *srcRect, *srcClip, *dstRect, *dstClip, &g)) return STATUS_OK;
    Layout layout;
    if (!LayoutFor(g, &layout)) return STATUS_BAD_PARAMETER;

    BandTarget target{hdc, paint_band::SelectHeader(hdc, settings), DIB_RGB_COLORS, rop};
    target.usage = FillGrayColorTable(target.info, bitmap, settings->DisplayMode);
    ExpandedLines lines(bitmap, g, layout, invert);
    if (!lines.Allocate()) return STATUS_NO_MEMORY;
    return PaintLines(g, layout, target, lines);
}
