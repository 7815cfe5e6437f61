// The table of region operations handed to the kernel library at load, so
// that regions follow bitmaps through the kernel's own operations.
#pragma once

#include "zelt/display.h"

// Fills the 23 entries in their fixed order.
void BuildRegionServices(KRNSERVICEPROC (&table)[KRN_REGION_SERVICE_COUNT]);
