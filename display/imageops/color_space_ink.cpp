// CMY and CMYK: the complements of the three bytes, CMYK with the common
// part moved into black. Coming back from CMYK a channel is 255 - ink -
// black, which is clamped at 0 (it cannot exceed 255).
#include <algorithm>

#include "imageops/color_space_formulas.h"

void BgrToCmy(const BYTE *bgr, BYTE *cmy, size_t count) {
    for (size_t n = 0; n < count; ++n, bgr += 3, cmy += 3) {
        cmy[0] = static_cast<BYTE>(255 - bgr[2]);
        cmy[1] = static_cast<BYTE>(255 - bgr[1]);
        cmy[2] = static_cast<BYTE>(255 - bgr[0]);
    }
}

void CmyToBgr(const BYTE *cmy, BYTE *bgr, size_t count) {
    for (size_t n = 0; n < count; ++n, cmy += 3, bgr += 3) {
        bgr[0] = static_cast<BYTE>(255 - cmy[2]);
        bgr[1] = static_cast<BYTE>(255 - cmy[1]);
        bgr[2] = static_cast<BYTE>(255 - cmy[0]);
    }
}

void BgrToCmyk(const BYTE *bgr, BYTE *cmyk, size_t count) {
    for (size_t n = 0; n < count; ++n, bgr += 3, cmyk += 4) {
        const int cyan = 255 - bgr[2], magenta = 255 - bgr[1], yellow = 255 - bgr[0];
        const int black = (std::min)((std::min)(cyan, magenta), yellow);
        cmyk[0] = static_cast<BYTE>(cyan - black);
        cmyk[1] = static_cast<BYTE>(magenta - black);
        cmyk[2] = static_cast<BYTE>(yellow - black);
        cmyk[3] = static_cast<BYTE>(black);
    }
}

void CmykToBgr(const BYTE *cmyk, BYTE *bgr, size_t count) {
    for (size_t n = 0; n < count; ++n, cmyk += 4, bgr += 3) {
        const int white = 255 - cmyk[3];
        bgr[0] = static_cast<BYTE>((std::max)(white - cmyk[2], 0));
        bgr[1] = static_cast<BYTE>((std::max)(white - cmyk[1], 0));
        bgr[2] = static_cast<BYTE>((std::max)(white - cmyk[0], 0));
    }
}
