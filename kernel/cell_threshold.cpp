// The black-pixel threshold of a reduced cell of a 1-bit image.
#include <cstdint>

#include "zelt/kernel.h"

extern "C" int ZELT_API KrnCellThreshold(int area) {
    if (area < 1) return 1;
    // Integer square root by Newton's method from above: exact for every
    // int, no floating point rounding at perfect squares.
    std::int64_t root = area;
    std::int64_t next = (root + 1) / 2;
    while (next < root) {
        root = next;
        next = (root + area / root) / 2;
    }
    return static_cast<int>(root);
}
