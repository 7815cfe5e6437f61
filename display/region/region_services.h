// The table of region operations handed to the kernel library at load, so
// that regions follow bitmaps through the kernel's own operations.
#pragma once

#include "zelt/display.h"

// Fills the 23 entries in their fixed order. Region operations this build
// does not offer yet are null; the kernel treats a null entry as a service
// it cannot call.
void BuildRegionServices(KRNSERVICEPROC (&table)[KRN_REGION_SERVICE_COUNT]);
