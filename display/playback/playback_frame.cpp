// The two steps of playback that change canvas pixels: drawing the frame
// that is due, and disposing of it after its display time.
//
// Transparency and frame regions both come down to one rule of the kernel's
// combine: only source pixels inside the source's region are copied. A
// transparent frame therefore gets a temporary region, its own region (or
// the whole frame) minus the pixels of its transparent colour, for the
// length of one draw; the listed record never sees it.
#include <algorithm>
#include <cstring>

#include "playback/playback_internal.h"
#include "region/region_internal.h"

namespace zelt::playback {
namespace {

constexpr UINT kCopyInsideRegion = KRN_COMBINE_COPY | KRN_COMBINE_SOURCE_REGION;

// A bitmap's own region, put back when the scope ends (on every path) in
// place of the temporary region the bitmap was given meanwhile, which is
// freed.
class RegionSwap {
public:
    explicit RegionSwap(BitmapRecord &bitmap) : bitmap_(bitmap), saved_(bitmap.Region) {}
    ~RegionSwap() { zelt::region::AttachRegion(bitmap_, saved_); }
    RegionSwap(const RegionSwap &) = delete;
    RegionSwap &operator=(const RegionSwap &) = delete;

    // Gives the bitmap a private copy of its region to change; false when
    // the copy cannot be made (the bitmap then keeps its own).
    bool MakePrivate() {
        if (saved_ == nullptr) return true;
        RegionRecord *copy = nullptr;
        if (Z_CopyZeltRgn(&copy, saved_) != STATUS_OK) {
            KrnFreeRegion(copy);
            return false;
        }
        bitmap_.Region = copy;
        return true;
    }

private:
    BitmapRecord &bitmap_;
    RegionRecord *saved_;
};

// A frame converted to the canvas's layout, freed at the end.
class ConvertedFrame {
public:
    ConvertedFrame() = default;
    ~ConvertedFrame() { KrnFreeBitmap(&record); }
    ConvertedFrame(const ConvertedFrame &) = delete;
    ConvertedFrame &operator=(const ConvertedFrame &) = delete;
    BitmapRecord record{};
};

// The canvas's first colours, as many as it has (256 at most); the rest of
// the buffer stays zero.
struct CanvasColors {
    RGBQUAD entries[256] = {};
    int count = 0;
};

CanvasColors ReadCanvasColors(BitmapRecord &canvas) {
    CanvasColors colors;
    colors.count = std::clamp<int>(canvas.ColorCount, 0, 256);
    KrnGetBitmapColors(&canvas, 0, colors.count, colors.entries);
    return colors;
}

// True when the frame's pixels can go onto the canvas as they stand: the
// same depth and, above 8 bits, the same colour order, or at 8 bits and
// less the frame's colours equal to the canvas's first ones word for word.
bool SameFormat(BitmapRecord &frame, const BitmapRecord &canvas, const CanvasColors &canvasColors) {
    if (frame.BitsPerPixel != canvas.BitsPerPixel) return false;
    if (frame.BitsPerPixel > 8) return frame.Order == canvas.Order;
    const int count = std::clamp<int>(frame.ColorCount, 0, 256);
    if (count == 0) return true;
    RGBQUAD frameColors[256] = {};
    KrnGetBitmapColors(&frame, 0, count, frameColors);
    return std::memcmp(frameColors, canvasColors.entries, sizeof(RGBQUAD) * static_cast<size_t>(count)) == 0;
}

UINT ConversionFlags(const BitmapRecord &canvas) {
    if (canvas.BitsPerPixel <= 8) return KRN_REDUCE_DIFFUSE | KRN_COLORRES_GIVEN_PALETTE;
    return canvas.Order == 1 ? KRN_COLORRES_BGR : 0;
}

// Copies the frame (converted when it must be) onto the canvas at its
// place; false when it could not be converted.
bool ComposeOnCanvas(BitmapRecord &canvas, BitmapRecord &frame) {
    const CanvasColors canvasColors = ReadCanvasColors(canvas);
    ConvertedFrame converted;
    BitmapRecord *source = &frame;
    if (!SameFormat(frame, canvas, canvasColors)) {
        if (KrnConvertColorRes(&frame, &converted.record, canvas.BitsPerPixel, ConversionFlags(canvas),
                               canvasColors.entries, nullptr, canvasColors.count, 0, 0) != STATUS_OK) {
            return false;
        }
        source = &converted.record;
    }
    // A frame that does not fit its canvas is clipped; nothing to report.
    KrnCombineBitmap(&canvas, source->Left, source->Top, source->Width, source->Height, source, 0, 0,
                     kCopyInsideRegion);
    return true;
}

// The frame without its transparent pixels, drawn; false when the
// temporary region cannot be made.
bool DrawTransparent(BitmapRecord &canvas, BitmapRecord &frame) {
    RegionSwap swap(frame);
    if (!swap.MakePrivate()) return false;
    if (zelt::region::SetBitmapRgnColorInt(&frame, frame.TransparentColor, RGNMODE_ANDNOTNEW) != STATUS_OK) {
        return false;
    }
    return ComposeOnCanvas(canvas, frame);
}

void SaveAreaUnder(PlaybackRecord &playback, const BitmapRecord &frame) {
    BitmapRecord &canvas = *playback.Target;
    KrnFreeBitmap(&playback.SavedArea);
    // On failure the record stays cleared and the disposal does nothing.
    KrnCopyBitmapRect(&playback.SavedArea, &canvas, frame.Left, MirroredRow(canvas, frame), frame.Width,
                      frame.Height);
}

// Fills the frame's rectangle with the canvas background, inside the
// canvas's own region when it has one.
void ClearToBackground(BitmapRecord &canvas, const BitmapRecord &frame) {
    const LONG y = MirroredRow(canvas, frame);
    const RECT area{frame.Left, y, frame.Left + frame.Width, y + frame.Height};
    RegionSwap swap(canvas);
    if (!swap.MakePrivate()) return;
    if (zelt::region::SetBitmapRgnRectInt(&canvas, nullptr, &area, RGNMODE_AND) == STATUS_OK) {
        KrnFillBitmap(&canvas, canvas.BackgroundColor);
    }
}

}  // namespace

void DrawFrame(PlaybackRecord &playback, BitmapRecord &frame) {
    BitmapRecord &canvas = *playback.Target;
    if (frame.DisposalMethod == 3) SaveAreaUnder(playback, frame);
    const bool drawn = (frame.Flags & BITMAP_TRANSPARENT) != 0 ? DrawTransparent(canvas, frame)
                                                               : ComposeOnCanvas(canvas, frame);
    if (drawn) AddFrameArea(playback, frame);
}

void DisposeFrame(PlaybackRecord &playback, BitmapRecord &frame) {
    BitmapRecord &canvas = *playback.Target;
    if (frame.DisposalMethod == 2) {
        ClearToBackground(canvas, frame);
        AddFrameArea(playback, frame);
    } else if (frame.DisposalMethod == 3 && (playback.SavedArea.Flags & BITMAP_ALLOCATED) != 0) {
        KrnCombineBitmap(&canvas, frame.Left, MirroredRow(canvas, frame), frame.Width, frame.Height,
                         &playback.SavedArea, 0, 0, kCopyInsideRegion);
        KrnFreeBitmap(&playback.SavedArea);
        AddFrameArea(playback, frame);
    }
}

}  // namespace zelt::playback
