// Typed access to the region services the display library registers.
#pragma once

#include "zelt/kernel.h"

namespace zelt::kernel {

// Signatures of the entries the kernel itself calls.
using RegionCopyProc = int(ZELT_API *)(RegionRecord **destination, RegionRecord *source);
using RegionOffsetRecordProc = int(ZELT_API *)(RegionRecord *region, int dx, int dy);
using RegionCopyOffsetProc = int(ZELT_API *)(BitmapRecord *destination, BitmapRecord *source, int dx, int dy);

// Gives `copy` a deep copy of the source's region moved by (dx, dy) and
// cut to the copy's size, through the registered services (no region when
// none are registered). `copy.Region` is overwritten, never freed.
int CopyRegion(BitmapRecord &copy, const BitmapRecord &source, int dx, int dy);

// Rows of the region's row table that lie in the record (a table may stop
// at its last non-empty row) once every row's runs are known to lie in the
// run data; -1 for a record that does not hold together.
LONG CheckedRegionRows(const RegionRecord &region);

// The registered entry at `position` cast to its signature, or NULL.
template <typename Proc>
Proc RegionService(KrnRegionService position) {
    return reinterpret_cast<Proc>(KrnGetRegionService(position));
}

}  // namespace zelt::kernel
