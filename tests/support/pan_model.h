// A model of the pan window's geometry written from its rules: the fit, the
// visible part of the bitmap, the pan rectangle, moving it to a point and the
// rectangle reported in bitmap coordinates. Plain 64-bit arithmetic on
// non-negative sizes; MulDiv is modelled as rounding half up.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "zelt/win32.h"

namespace zelt::test {

struct PanModel {
    std::int64_t displayWidth = 1, displayHeight = 1;
    RECT panRect{};    // pan window client coordinates
    RECT imageArea{};  // the client fitted to the bitmap

    static LONG L(std::int64_t v) { return static_cast<LONG>(v); }
    static std::int64_t RoundedRatio(std::int64_t a, std::int64_t b, std::int64_t c) { return (2 * a * b + c) / (2 * c); }

    RECT Fit(const RECT &r) const {
        std::int64_t h = std::llabs(std::int64_t{r.bottom} - r.top), w = RoundedRatio(h, displayWidth, displayHeight);
        if (w > r.right - r.left) h = RoundedRatio(w = r.right - r.left, displayHeight, displayWidth);
        return RECT{r.left, r.top, L(r.left + w), L(r.top + h)};
    }
    // Z_UpdatePanWindow with owner client k and view v (non-zero width);
    // panClient: the pan window's client after any resize.
    void Update(const RECT &k, const RECT &v, const RECT &panClient) {
        imageArea = Fit(panClient);
        const std::int64_t vw = v.right - v.left, d = displayWidth, iw = imageArea.right;
        const std::int64_t vl = (std::int64_t{k.left} - v.left) * d / vw, vt = (std::int64_t{k.top} - v.top) * d / vw;
        std::int64_t vr = (std::int64_t{k.right} - v.left) * d / vw, vb = (std::int64_t{k.bottom} - v.top) * d / vw;
        if (vr > d) vr = d;
        if (vb > displayHeight) vb = displayHeight;
        panRect = RECT{L((vl * iw + d - 1) / d), L((vt * iw + d - 1) / d), L(vr * iw / d), L(vb * iw / d)};
    }
    void MoveTo(std::int64_t x, std::int64_t y) {
        const std::int64_t w = panRect.right - panRect.left, h = std::llabs(std::int64_t{panRect.bottom} - panRect.top);
        std::int64_t top = y - h / 2, left = x - w / 2;
        if (top < 0) top = 0;
        else if (top + h > imageArea.bottom) top = imageArea.bottom - h;
        if (left < 0) left = 0;
        else if (left + w > imageArea.right) left = imageArea.right - w;
        panRect = RECT{L(left), L(top), L(left + w), L(top + h)};
    }
    // WM_LBUTTONDOWN reads the packed words unsigned, WM_MOUSEMOVE signed and raised to 0.
    void Press(int x, int y) { MoveTo(x & 0xFFFF, y & 0xFFFF); }
    void Drag(int x, int y) { MoveTo((std::max)(short(x), short(0)), (std::max)(short(y), short(0))); }

    RECT Reported() const {
        const std::int64_t iw = imageArea.right - imageArea.left;
        const auto scale = [&](LONG v) { return iw == 0 ? 0 : L(v * displayWidth / iw); };
        return RECT{scale(panRect.left), scale(panRect.top), scale(panRect.right), scale(panRect.bottom)};
    }
};

}  // namespace zelt::test
