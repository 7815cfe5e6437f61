// The pixel size of a clipboard metafile picture (METAFILEPICT): fixed-scale
// modes convert their extents by the screen's resolution; the scalable
// modes scale positive extents by the resolution over 1000 (640 x 480 when
// the picture suggests none), and extents that only give an aspect ratio
// make the picture 640 pixels wide.
#include <cstdlib>

#include "interchange/metafile_info.h"

namespace {

constexpr LONG kDefaultWidth = 640, kDefaultHeight = 480;

// Logical units per inch of the fixed-scale modes MM_TEXT .. MM_TWIPS
// (0: units are pixels).
constexpr int kUnitsPerInch[] = {0, 254, 2540, 100, 1000, 1440};

}  // namespace

SIZE MetafilePictSize(METAFILEPICT *picture, int logPixelsX, int logPixelsY) {
    const LONG mode = picture->mm;
    if (mode >= MM_TEXT && mode <= MM_TWIPS) {
        const int units = kUnitsPerInch[mode - MM_TEXT];
        const LONG x = std::abs(picture->xExt), y = std::abs(picture->yExt);
        if (units == 0) return {x, y};
        return {MulDiv(x, logPixelsX, units), MulDiv(y, logPixelsY, units)};
    }
    if (mode != MM_ISOTROPIC && mode != MM_ANISOTROPIC) return {kDefaultWidth, kDefaultHeight};
    if (picture->xExt == 0) picture->xExt = kDefaultWidth;
    if (picture->yExt == 0) picture->yExt = kDefaultHeight;
    if (picture->xExt >= 1 && picture->yExt >= 1)
        return {MulDiv(picture->xExt, logPixelsX, 1000), MulDiv(picture->yExt, logPixelsY, 1000)};
    return {kDefaultWidth, MulDiv(kDefaultWidth, picture->yExt, picture->xExt)};
}
