// The region services table and the release of region records.
#include <array>

#include <gtest/gtest.h>

#include "support/leak_guard.h"
#include "zelt/kernel.h"

namespace {

using zelt::test::LeakCheckedTest;

class KernelRegionServices : public LeakCheckedTest {
protected:
    void TearDown() override {
        KrnRegisterRegionServices(nullptr);
        LeakCheckedTest::TearDown();
    }
};

template <int N>
void ZELT_API Service() {}

TEST_F(KernelRegionServices, KeepsItsOwnCopyOfTheTable) {
    std::array<KRNSERVICEPROC, KRN_REGION_SERVICE_COUNT> table{};
    table[KRN_RGN_FLIP_HORZ] = Service<0>;
    table[KRN_RGN_COPY] = Service<8>;
    table[KRN_RGN_SET_LIST_ITEM] = Service<22>;
    ASSERT_EQ(KrnRegisterRegionServices(table.data()), STATUS_OK);
    table.fill(Service<99>);  // the caller's table may be gone after registration
    for (int i = 0; i < KRN_REGION_SERVICE_COUNT; ++i) {
        const KRNSERVICEPROC expected = i == 0 ? Service<0> : i == 8 ? Service<8> : i == 22 ? Service<22> : nullptr;
        EXPECT_EQ(KrnGetRegionService(i), expected) << "position " << i;
    }
    EXPECT_EQ(KrnGetRegionService(-1), nullptr);
    EXPECT_EQ(KrnGetRegionService(KRN_REGION_SERVICE_COUNT), nullptr);
    ASSERT_EQ(KrnRegisterRegionServices(nullptr), STATUS_OK);
    for (int i = 0; i < KRN_REGION_SERVICE_COUNT; ++i) EXPECT_EQ(KrnGetRegionService(i), nullptr) << i;
}

TEST_F(KernelRegionServices, FreeRegionReleasesBuffersAndCachedObjects) {
    KrnFreeRegion(nullptr);
    auto *region = static_cast<RegionRecord *>(KrnAllocZeroed(sizeof(RegionRecord)));
    ASSERT_NE(region, nullptr);
    region->RowTableBytes = 16;
    region->RowTable = static_cast<RowEntry *>(KrnAllocZeroed(16));
    region->RunBytes = 32;
    region->RunData = static_cast<LONG *>(KrnAllocMem(32));
    region->hFrameMask = CreateBitmap(8, 8, 1, 1, nullptr);
    region->hColorMask = CreateBitmap(4, 4, 1, 1, nullptr);
    ASSERT_NE(region->hFrameMask, nullptr);
    ASSERT_NE(region->hColorMask, nullptr);
    KrnFreeRegion(region);  // TearDown checks that every block and object is gone

    auto *empty = static_cast<RegionRecord *>(KrnAllocZeroed(sizeof(RegionRecord)));
    ASSERT_NE(empty, nullptr);
    KrnFreeRegion(empty);
}

}  // namespace
