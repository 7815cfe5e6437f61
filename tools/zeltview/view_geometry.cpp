#include "view_geometry.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace zeltview {

namespace {

constexpr std::array kZoomSteps = {5, 10, 25, 33, 50, 75, 100, 150, 200, 300, 400, 600, 800, 1600, 3200};

}  // namespace

void ClampScroll(ViewState &view) {
    const int maxX = (std::max)(0, view.ZoomedWidth() - view.clientWidth);
    const int maxY = (std::max)(0, view.ZoomedHeight() - view.clientHeight);
    view.scrollX = std::clamp(view.scrollX, 0, maxX);
    view.scrollY = std::clamp(view.scrollY, 0, maxY);
}

RECT DestinationRect(const ViewState &view) {
    return RECT{-view.scrollX, -view.scrollY, view.ZoomedWidth() - view.scrollX, view.ZoomedHeight() - view.scrollY};
}

int NextZoom(int zoom, int direction) {
    if (direction > 0) {
        for (int step : kZoomSteps)
            if (step > zoom) return step;
        return kMaxZoom;
    }
    for (auto it = kZoomSteps.rbegin(); it != kZoomSteps.rend(); ++it)
        if (*it < zoom) return *it;
    return kMinZoom;
}

void SetZoomKeepingCentre(ViewState &view, int zoom) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    const int centreX = view.scrollX + view.clientWidth / 2;
    const int centreY = view.scrollY + view.clientHeight / 2;
    view.scrollX = MulDiv(centreX, zoom, view.zoom) - view.clientWidth / 2;
    view.scrollY = MulDiv(centreY, zoom, view.zoom) - view.clientHeight / 2;
    view.zoom = zoom;
    ClampScroll(view);
}

void ScrollToBitmapPoint(ViewState &view, int x, int y) {
    view.scrollX = MulDiv(x, view.zoom, 100);
    view.scrollY = MulDiv(y, view.zoom, 100);
    ClampScroll(view);
}

RECT FitToImage(RECT r, int width, int height) {
    int h = std::abs(r.bottom - r.top);
    int w = MulDiv(h, width, height);
    if (w > r.right - r.left) {
        w = r.right - r.left;
        h = MulDiv(w, height, width);
    }
    return RECT{r.left, r.top, r.left + w, r.top + h};
}

RECT PanRectFor(const ViewState &view, int panClientWidth, int panClientHeight) {
    const RECT v = DestinationRect(view);
    const long long vw = v.right - v.left;
    const long long d = view.imageWidth;
    if (vw == 0 || d == 0) return RECT{0, 0, 0, 0};
    // The visible part in bitmap coordinates, the horizontal scale for both axes.
    const long long vl = (0 - v.left) * d / vw;
    const long long vt = (0 - v.top) * d / vw;
    const long long vr = (std::min)((view.clientWidth - v.left) * d / vw, d);
    const long long vb = (std::min)((view.clientHeight - v.top) * d / vw, static_cast<long long>(view.imageHeight));
    const long long iw = FitToImage(RECT{0, 0, panClientWidth, panClientHeight}, view.imageWidth, view.imageHeight).right;
    return RECT{static_cast<LONG>((vl * iw + d - 1) / d), static_cast<LONG>((vt * iw + d - 1) / d),
                static_cast<LONG>(vr * iw / d), static_cast<LONG>(vb * iw / d)};
}

}  // namespace zeltview
