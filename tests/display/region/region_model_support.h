// Small helpers shared by the region model tests: pixel models built from a
// predicate, and a 1-bit bitmap record that owns a test region.
#pragma once

#include "region_test_support.h"

namespace zelt::test {

// A mask on the given canvas whose pixel (x, y) is selected(x, y).
template <typename Selected>
PixelMask ModelOf(LONG w, LONG h, LONG ox, LONG oy, Selected selected) {
    PixelMask mask(w, h, ox, oy);
    for (LONG y = oy; y < oy + h; ++y)
        for (LONG x = ox; x < ox + w; ++x)
            if (selected(x, y)) mask.Set(x, y);
    return mask;
}

// A bitmap record without image data; the region it holds is freed with it.
struct RegionBitmap {
    BitmapRecord record{};
    RegionBitmap(LONG width, LONG height, RecordPtr region = nullptr, LONG perspective = 0) {
        EXPECT_EQ(KrnInitBitmapRecord(&record, width, height, 1), STATUS_OK);
        record.ViewPerspective = perspective;
        record.Region = region.release();
    }
    RegionBitmap(const RegionBitmap &) = delete;
    RegionBitmap &operator=(const RegionBitmap &) = delete;
    ~RegionBitmap() { KrnFreeRegion(record.Region); }
    // The selected pixels on the bitmap's own canvas (no region: all).
    PixelMask Selection() const {
        if (record.Region == nullptr)
            return ModelOf(record.Width, record.Height, 0, 0, [](LONG, LONG) { return true; });
        return MaskFromRecord(*record.Region, record.Width, record.Height);
    }
};

}  // namespace zelt::test
