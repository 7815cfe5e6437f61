// Selection regions for the kernel tests: run-list records allocated as the
// display library allocates them (the kernel frees them with their bitmap),
// stand-in copy and offset services, just enough of the display library to
// see the kernel call them as documented, and a leak-checked fixture that
// clears the services after each test.
#pragma once

#include <algorithm>
#include <array>
#include <vector>

#include "support/leak_guard.h"
#include "zelt/kernel.h"

namespace zelt::test {

using Runs = std::vector<std::vector<LONG>>;  // per row: pairs start, end (exclusive)

// A region of `rows` from row `top` on; NULL when memory runs out.
inline RegionRecord *MakeRunRegion(const Runs &rows, LONG top) {
    std::vector<LONG> values;
    auto *region = static_cast<RegionRecord *>(KrnAllocZeroed(sizeof(RegionRecord)));
    if (region == nullptr || (region->RowTable = static_cast<RowEntry *>(KrnAllocZeroed(
                                  region->RowTableBytes = DWORD(rows.size() * sizeof(RowEntry))))) == nullptr)
        return KrnFreeRegion(region), nullptr;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        region->RowTable[r] = RowEntry{DWORD(rows[r].size()), DWORD(values.size() * sizeof(LONG))};
        values.insert(values.end(), rows[r].begin(), rows[r].end());
    }
    region->RunData = static_cast<LONG *>(KrnAllocMem(std::max<DWORD>(region->RunBytes = DWORD(values.size() * 4), 4)));
    if (region->RunData == nullptr) return KrnFreeRegion(region), nullptr;
    std::copy(values.begin(), values.end(), region->RunData);
    const LONG left = values.empty() ? 0 : *std::min_element(values.begin(), values.end());
    const LONG right = values.empty() ? 0 : *std::max_element(values.begin(), values.end());
    region->Bounds = RECT{left, top, right, top + LONG(rows.size())};
    return region;
}

inline RegionRecord *MakeRectRegion(const RECT &r) {
    return MakeRunRegion(Runs(std::size_t(r.bottom - r.top), {r.left, r.right}), r.top);
}

inline Runs RunsOf(const RegionRecord &region) {
    Runs rows(region.RowTableBytes / sizeof(RowEntry));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const LONG *first = region.RunData + region.RowTable[r].Offset / sizeof(LONG);
        rows[r].assign(first, first + region.RowTable[r].Count);
    }
    return rows;
}

struct FakeRegionServices {
    static inline int copyOffsetCalls = 0;

    static int ZELT_API Copy(RegionRecord **destination, RegionRecord *source) {
        *destination = source != nullptr ? MakeRunRegion(RunsOf(*source), source->Bounds.top) : nullptr;
        return source == nullptr || *destination != nullptr ? STATUS_OK : STATUS_NO_MEMORY;
    }
    static int ZELT_API Offset(RegionRecord *region, int dx, int dy) {
        region->Bounds = RECT{region->Bounds.left + dx, region->Bounds.top + dy, region->Bounds.right + dx,
                              region->Bounds.bottom + dy};
        for (DWORD i = 0; i < region->RunBytes / sizeof(LONG); ++i) region->RunData[i] += dx;
        return STATUS_OK;
    }
    static int ZELT_API CopyOffset(BitmapRecord *destination, BitmapRecord *source, int dx, int dy) {
        ++copyOffsetCalls;
        const int status = Copy(&destination->Region, source->Region);
        return status == STATUS_OK && destination->Region != nullptr ? Offset(destination->Region, dx, dy) : status;
    }
    static void Register(bool withCopyOffset) {
        std::array<KRNSERVICEPROC, KRN_REGION_SERVICE_COUNT> table{};
        table[KRN_RGN_COPY] = reinterpret_cast<KRNSERVICEPROC>(Copy);
        table[KRN_RGN_OFFSET_RECORD] = reinterpret_cast<KRNSERVICEPROC>(Offset);
        if (withCopyOffset) table[KRN_RGN_COPY_OFFSET] = reinterpret_cast<KRNSERVICEPROC>(CopyOffset);
        KrnRegisterRegionServices(table.data());
        copyOffsetCalls = 0;
    }
    static void Clear() { KrnRegisterRegionServices(nullptr); }
};

class RegionServicesTest : public LeakCheckedTest {
protected:
    void TearDown() override {
        FakeRegionServices::Clear();
        LeakCheckedTest::TearDown();
    }
};

}  // namespace zelt::test
