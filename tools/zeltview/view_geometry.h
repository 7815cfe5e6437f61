// Where the viewer shows its image: the zoomed image offset by the scroll
// position, the scroll limits, the zoom steps of the +/- keys, and the pan
// window's rectangle as the pan window computes it from the view, so that
// --print-geometry can tell a test where to press.
#pragma once

#include "zelt/win32.h"

namespace zeltview {

inline constexpr int kMinZoom = 5;
inline constexpr int kMaxZoom = 3200;

struct ViewState {
    int imageWidth = 0;   // displayed size of the bitmap at 100 %
    int imageHeight = 0;
    int zoom = 100;       // percent
    int scrollX = 0;      // client pixel of the zoomed image shown at the client's left edge
    int scrollY = 0;
    int clientWidth = 0;
    int clientHeight = 0;

    int ZoomedWidth() const { return MulDiv(imageWidth, zoom, 100); }
    int ZoomedHeight() const { return MulDiv(imageHeight, zoom, 100); }
};

// Keeps the scroll position inside [0, zoomed size - client size].
void ClampScroll(ViewState &view);

// Where the whole zoomed image lies in client coordinates.
RECT DestinationRect(const ViewState &view);

// The next zoom step above (direction > 0) or below the current zoom.
int NextZoom(int zoom, int direction);

// Changes the zoom keeping the image point at the client's centre in place.
void SetZoomKeepingCentre(ViewState &view, int zoom);

// Scrolls so that the bitmap point (x, y) (displayed coordinates) is at the
// client's top-left corner.
void ScrollToBitmapPoint(ViewState &view, int x, int y);

// A rectangle fitted to an image of width x height: same left and top, the
// largest size of the image's aspect inside it.
RECT FitToImage(RECT r, int width, int height);

// The rectangle the pan window marks for this view, in its client
// coordinates, given the pan window's client size.
RECT PanRectFor(const ViewState &view, int panClientWidth, int panClientHeight);

}  // namespace zeltview
