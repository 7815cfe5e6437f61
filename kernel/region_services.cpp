// The region services table handed over by the display library at load,
// and the release of region records, which the kernel frees with bitmaps.
#include <array>

#include "zelt/kernel.h"

namespace {
// The kernel's own copy; the caller's table may live on its stack.
std::array<KRNSERVICEPROC, KRN_REGION_SERVICE_COUNT> registeredServices{};

void DeleteIfSet(void *object) {
    if (object != nullptr) DeleteObject(static_cast<HGDIOBJ>(object));
}
}  // namespace

extern "C" {

int ZELT_API KrnRegisterRegionServices(const KRNSERVICEPROC *services) {
    for (int i = 0; i < KRN_REGION_SERVICE_COUNT; ++i) {
        registeredServices[i] = services != nullptr ? services[i] : nullptr;
    }
    return STATUS_OK;
}

KRNSERVICEPROC ZELT_API KrnGetRegionService(int position) {
    if (position < 0 || position >= KRN_REGION_SERVICE_COUNT) return nullptr;
    return registeredServices[position];
}

void ZELT_API KrnFreeRegion(RegionRecord *region) {
    if (region == nullptr) return;
    KrnFreeMem(region->RowTable);
    KrnFreeMem(region->RunData);
    DeleteIfSet(region->hRgnCache);
    DeleteIfSet(region->hFrameMask);
    DeleteIfSet(region->hColorMask);
    KrnFreeMem(region);
}

}  // extern "C"
