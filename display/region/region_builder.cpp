// The row-by-row writer of region records. The run buffer grows in steps
// of whole largest rows (up to 16 KiB) and is trimmed once at the end.
#include "region/region_box_limits.h"

namespace zelt::region {

namespace {

constexpr DWORD kGrowthLimit = 16384;

int FailBuilder(RegionBuilder &builder) {
    KrnFreeRegion(builder.record);
    builder = RegionBuilder{};
    return STATUS_NO_MEMORY;
}

}  // namespace

int BeginRegion(RegionBuilder &builder, const RECT &box) {
    builder = RegionBuilder{};
    if (!BoxFitsBuilder(box)) return STATUS_NO_MEMORY;
    builder.record = static_cast<RegionRecord *>(KrnAllocZeroed(sizeof(RegionRecord)));
    if (builder.record == nullptr) return STATUS_NO_MEMORY;
    builder.currentRow = box.top;

    const LONG rows = box.bottom > box.top ? box.bottom - box.top : 0;
    if (rows > 0) {
        builder.record->RowTable = static_cast<RowEntry *>(KrnAllocZeroed(DWORD(rows) * sizeof(RowEntry)));
        if (builder.record->RowTable == nullptr) return FailBuilder(builder);
    }
    builder.rowWrite = builder.record->RowTable;

    // A row of n pixels holds at most n + 1 values rounded down to pairs.
    const LONG span = box.right - box.left + 1;
    builder.largestRow = DWORD(span > 0 ? span & ~1L : 0) * sizeof(LONG);
    if (builder.largestRow > 0) {
        const DWORD step = kGrowthLimit / builder.largestRow * builder.largestRow;
        builder.growthStep = step > builder.largestRow ? step : builder.largestRow;
    }
    builder.capacity = builder.growthStep;
    if (builder.capacity > 0) {
        builder.record->RunData = static_cast<LONG *>(KrnAllocMem(builder.capacity));
        if (builder.record->RunData == nullptr) return FailBuilder(builder);
    }
    builder.write = builder.record->RunData;
    return STATUS_OK;
}

int EndRegionRow(RegionBuilder &builder) {
    RegionRecord &record = *builder.record;
    const LONG row = builder.currentRow++;
    const bool anyStored = record.RowTableBytes > 0;
    if (builder.rowValues == 0) {
        // Leading empty rows are not stored; inner ones become zero entries
        // that count only once a later row is non-empty.
        if (anyStored) {
            ++builder.rowWrite;
            builder.rowTableUsed += sizeof(RowEntry);
        }
        return STATUS_OK;
    }
    const LONG *values = builder.write - builder.rowValues;
    const LONG first = values[0];
    const LONG last = values[builder.rowValues - 1];
    if (!anyStored) {
        record.Bounds = RECT{first, row, last, row + 1};
    } else {
        if (first < record.Bounds.left) record.Bounds.left = first;
        if (last > record.Bounds.right) record.Bounds.right = last;
        record.Bounds.bottom = row + 1;
    }
    builder.rowWrite->Count = builder.rowValues;
    builder.rowWrite->Offset = record.RunBytes;
    ++builder.rowWrite;
    builder.rowTableUsed += sizeof(RowEntry);
    record.RowTableBytes = builder.rowTableUsed;
    record.RunBytes += builder.rowValues * sizeof(LONG);

    if (builder.capacity < builder.largestRow + record.RunBytes) {
        const DWORD grown = builder.capacity + builder.growthStep;
        void *block = KrnReallocMem(record.RunData, grown);
        if (block == nullptr) return FailBuilder(builder);
        record.RunData = static_cast<LONG *>(block);
        builder.capacity = grown;
    }
    builder.rowValues = 0;
    builder.write = record.RunData + record.RunBytes / sizeof(LONG);
    return STATUS_OK;
}

RegionRecord *FinishRegion(RegionBuilder &builder) {
    RegionRecord *record = builder.record;
    builder = RegionBuilder{};
    if (record == nullptr) return nullptr;
    if (record->RowTableBytes == 0) {
        KrnFreeMem(record->RowTable);
        record->RowTable = nullptr;
    } else if (void *block = KrnReallocMem(record->RowTable, record->RowTableBytes)) {
        record->RowTable = static_cast<RowEntry *>(block);
    }
    if (record->RunBytes == 0) {
        KrnFreeMem(record->RunData);
        record->RunData = nullptr;
    } else if (void *block = KrnReallocMem(record->RunData, record->RunBytes)) {
        record->RunData = static_cast<LONG *>(block);
    }
    if (IsRectEmpty(record->Bounds)) record->Bounds = RECT{0, 0, 0, 0};
    return record;
}

int BuildWholeRegion(LONG width, LONG height, RegionRecord **out) {
    *out = nullptr;
    RegionBuilder builder;
    const RECT box{0, 0, width, height};
    int status = BeginRegion(builder, box);
    if (status != STATUS_OK) return status;
    for (LONG y = 0; y < height; ++y) {
        if (width > 0) AppendRun(builder, 0, width);
        status = EndRegionRow(builder);
        if (status != STATUS_OK) return status;
    }
    *out = FinishRegion(builder);
    return STATUS_OK;
}

}  // namespace zelt::region
