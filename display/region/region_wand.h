// The magic wand's flood fill, split from its export: the work state the
// export sets up, and the per-depth fill that runs over it.
#pragma once

#include "region/region_internal.h"

namespace zelt::region {

struct WandPoint {
    LONG x;
    LONG y;
};

// The fill's stack of pending pixels: one movable global block, locked
// while the fill runs, grown a fixed step at a time.
struct WandStack {
    HGLOBAL block = nullptr;
    WandPoint *entries = nullptr;  // null while unlocked
    DWORD count = 0;
    DWORD capacity = 0;
};

// Grows the stack by one step. False when memory runs out; the stack then
// keeps its entries and stays usable (and locked) for cleanup.
bool GrowWandStack(WandStack &stack);

// The red, green and blue ranges (inclusive) a pixel must lie in.
struct ToleranceBox {
    BYTE lowRed, highRed, lowGreen, highGreen, lowBlue, highBlue;

    bool Contains(BYTE red, BYTE green, BYTE blue) const {
        return red >= lowRed && red <= highRed && green >= lowGreen && green <= highGreen && blue >= lowBlue &&
               blue <= highBlue;
    }
};

// The fill's view of its bitmaps, all three with their data locked. The two
// work bitmaps are one-bit, most significant bit first, bitsPerLine bytes a
// row.
struct WandFill {
    BitmapRecord *image = nullptr;
    BYTE *visited = nullptr;
    BYTE *selected = nullptr;
    size_t bitsPerLine = 0;
    ToleranceBox tolerance{};
    WandStack *stack = nullptr;
};

// Marks and selects the 4-connected pixels within tolerance reachable from
// the points on the stack (which are already marked and selected). The
// pixel decoding for the image's depth is chosen once, here.
int RunWandFill(WandFill &fill);

}  // namespace zelt::region
