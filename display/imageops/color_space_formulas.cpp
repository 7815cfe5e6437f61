// The table of row converters, indexed by COLORSPACE_ code.
#include "imageops/color_space_formulas.h"

#include <cstring>

#include "zelt/display.h"

void CopyBgr(const BYTE *source, BYTE *destination, size_t count) { std::memmove(destination, source, count * 3); }

namespace {

const ColorSpaceFormulas kFormulas[kColorSpaceCount] = {
    {3, CopyBgr, CopyBgr},      // COLORSPACE_BGR
    {6, YuvToBgr, BgrToYuv},    // COLORSPACE_YUV
    {4, CmykToBgr, BgrToCmyk},  // COLORSPACE_CMYK
    {3, HsvToBgr, BgrToHsv},    // COLORSPACE_HSV
    {3, HlsToBgr, BgrToHls},    // COLORSPACE_HLS
    {6, YiqToBgr, BgrToYiq},    // COLORSPACE_YIQ
    {3, CmyToBgr, BgrToCmy},    // COLORSPACE_CMY
};
static_assert(COLORSPACE_BGR == 0 && COLORSPACE_YUV == 1 && COLORSPACE_CMYK == 2 && COLORSPACE_HSV == 3 &&
                  COLORSPACE_HLS == 4 && COLORSPACE_YIQ == 5 && COLORSPACE_CMY == 6,
              "the table above is in code order");

}  // namespace

const ColorSpaceFormulas *FormulasOfColorSpace(int space) {
    // Compared as unsigned, a negative code is as far out of range as 7.
    if (static_cast<unsigned>(space) >= static_cast<unsigned>(kColorSpaceCount)) return nullptr;
    return &kFormulas[space];
}
