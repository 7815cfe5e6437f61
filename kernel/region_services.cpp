// The region services table handed over by the display library at load,
// the release of region records, which the kernel frees with bitmaps, and
// the check of a record's run list before the kernel walks it itself.
#include <algorithm>
#include <array>
#include <cstdint>

#include "region_internal.h"

namespace {
// The kernel's own copy; the caller's table may live on its stack.
std::array<KRNSERVICEPROC, KRN_REGION_SERVICE_COUNT> registeredServices{};

void DeleteIfSet(void *object) {
    if (object != nullptr) DeleteObject(static_cast<HGDIOBJ>(object));
}
}  // namespace

LONG zelt::kernel::CheckedRegionRows(const RegionRecord &region) {
    if (region.Bounds.bottom <= region.Bounds.top || region.RowTable == nullptr) return 0;
    const LONG stored = static_cast<LONG>(region.RowTableBytes / sizeof(RowEntry));
    const LONG rows = std::min<LONG>(region.Bounds.bottom - region.Bounds.top, stored);
    for (LONG i = 0; i < rows; ++i) {
        const RowEntry &entry = region.RowTable[i];
        if (entry.Count == 0) continue;
        const std::uint64_t end = std::uint64_t{entry.Offset} + std::uint64_t{entry.Count} * sizeof(LONG);
        if (entry.Offset % sizeof(LONG) != 0 || end > region.RunBytes || region.RunData == nullptr) return -1;
    }
    return rows;
}

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
