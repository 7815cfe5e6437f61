#include "region/region_services.h"

namespace {

template <typename Function>
KRNSERVICEPROC AsService(Function function) {
    return reinterpret_cast<KRNSERVICEPROC>(function);
}

}  // namespace

void BuildRegionServices(KRNSERVICEPROC (&table)[KRN_REGION_SERVICE_COUNT]) {
    for (KRNSERVICEPROC &entry : table) entry = nullptr;
    // Positions 21 to 23 are the kernel's own list operations, handed back
    // so that region code and the kernel agree on one table.
    table[KRN_RGN_LIST_COUNT] = AsService(&KrnGetBitmapListCount);
    table[KRN_RGN_LIST_ITEM] = AsService(&KrnGetBitmapListItem);
    table[KRN_RGN_SET_LIST_ITEM] = AsService(&KrnSetBitmapListItem);
}
