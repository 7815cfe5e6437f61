// Bitmap lists: an ordered array of records kept by value, grown in steps.
#include <cstring>

#include "record_internal.h"

namespace {

struct BitmapList {
    BitmapRecord *items;
    UINT count;
    UINT capacity;
};

// Growth doubles the capacity, starting from a few frames.
constexpr UINT kFirstCapacity = 8;

BitmapList *FromHandle(HBITMAPLIST list) { return reinterpret_cast<BitmapList *>(list); }

bool IsItemIndex(const BitmapList *list, int index) {
    return index >= 0 && static_cast<UINT>(index) < list->count;
}

int Grow(BitmapList &list) {
    const UINT capacity = list.capacity == 0 ? kFirstCapacity : list.capacity * 2;
    const std::uint64_t bytes = std::uint64_t{capacity} * sizeof(BitmapRecord);
    if (capacity <= list.capacity || bytes > zelt::kernel::kMaxDataBytes) return STATUS_NO_MEMORY;
    void *grown = KrnReallocMem(list.items, static_cast<DWORD>(bytes));
    if (grown == nullptr) return STATUS_NO_MEMORY;
    list.items = static_cast<BitmapRecord *>(grown);
    list.capacity = capacity;
    return STATUS_OK;
}

}  // namespace

extern "C" {

int ZELT_API KrnCreateBitmapList(HBITMAPLIST *list) {
    if (list == nullptr) return STATUS_BAD_PARAMETER;
    *list = nullptr;
    auto *created = static_cast<BitmapList *>(KrnAllocZeroed(sizeof(BitmapList)));
    if (created == nullptr) return STATUS_NO_MEMORY;
    *list = reinterpret_cast<HBITMAPLIST>(created);
    return STATUS_OK;
}

int ZELT_API KrnDestroyBitmapList(HBITMAPLIST list) {
    BitmapList *l = FromHandle(list);
    if (l == nullptr) return STATUS_OK;
    for (UINT i = 0; i < l->count; ++i) KrnFreeBitmap(&l->items[i]);
    KrnFreeMem(l->items);
    KrnFreeMem(l);
    return STATUS_OK;
}

int ZELT_API KrnInsertBitmapListItem(HBITMAPLIST list, int index, const BitmapRecord *item) {
    BitmapList *l = FromHandle(list);
    if (l == nullptr || item == nullptr) return STATUS_BAD_PARAMETER;
    if (index == -1) index = static_cast<int>(l->count);
    if (index < 0 || static_cast<UINT>(index) > l->count) return STATUS_BAD_PARAMETER;
    const BitmapRecord copy = *item;  // the item may lie inside the list
    if (l->count == l->capacity) {
        const int status = Grow(*l);
        if (status != STATUS_OK) return status;
    }
    std::memmove(&l->items[index + 1], &l->items[index], (l->count - static_cast<UINT>(index)) * sizeof(BitmapRecord));
    l->items[index] = copy;
    ++l->count;
    return STATUS_OK;
}

UINT ZELT_API KrnGetBitmapListCount(HBITMAPLIST list) {
    const BitmapList *l = FromHandle(list);
    return l == nullptr ? 0 : l->count;
}

int ZELT_API KrnGetBitmapListItem(HBITMAPLIST list, int index, BitmapRecord *item) {
    const BitmapList *l = FromHandle(list);
    if (l == nullptr || item == nullptr || !IsItemIndex(l, index)) return STATUS_BAD_PARAMETER;
    *item = l->items[index];
    return STATUS_OK;
}

int ZELT_API KrnSetBitmapListItem(HBITMAPLIST list, int index, const BitmapRecord *item) {
    BitmapList *l = FromHandle(list);
    if (l == nullptr || item == nullptr || !IsItemIndex(l, index)) return STATUS_BAD_PARAMETER;
    l->items[index] = *item;
    return STATUS_OK;
}

int ZELT_API KrnResetListedBitmap(BitmapRecord *item) {
    if (item == nullptr) return STATUS_BAD_PARAMETER;
    item->AccessCount = 0;
    item->LockCount = 0;
    return STATUS_OK;
}

}  // extern "C"
