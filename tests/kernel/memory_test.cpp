// Kernel memory, thread slots and the per-thread status callback.
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/leak_guard.h"
#include "zelt/host.h"
#include "zelt/kernel.h"

namespace {

using zelt::test::LeakCheckedTest;

class KernelMemory : public LeakCheckedTest {};

TEST_F(KernelMemory, ZeroedBlocksAreZeroAndEmptyRequestsGiveBlocks) {
    for (DWORD bytes : {0u, 1u, 3u, 64u, 4097u}) {
        auto *block = static_cast<BYTE *>(KrnAllocZeroed(bytes));
        ASSERT_NE(block, nullptr) << bytes;
        for (DWORD i = 0; i < bytes; ++i) ASSERT_EQ(block[i], 0) << bytes << " at " << i;
        KrnFreeMem(block);
        void *plain = KrnAllocMem(bytes);
        EXPECT_NE(plain, nullptr) << bytes;
        KrnFreeMem(plain);
    }
    KrnFreeMem(nullptr);
}

TEST_F(KernelMemory, ReallocKeepsContentsOverRandomSizes) {
    for (int testCase = 0; testCase < 50; ++testCase) {
        std::mt19937 random(testCase);
        DWORD size = random() % 300;
        std::vector<BYTE> model(size);
        auto *block = static_cast<BYTE *>(KrnReallocMem(nullptr, size));
        ASSERT_NE(block, nullptr) << "case " << testCase;
        for (auto &b : model) b = static_cast<BYTE>(random());
        std::memcpy(block, model.data(), size);
        for (int step = 0; step < 10; ++step) {
            const DWORD next = random() % 5000;
            block = static_cast<BYTE *>(KrnReallocMem(block, next));
            ASSERT_NE(block, nullptr) << "case " << testCase << " step " << step;
            const DWORD kept = std::min(size, next);
            ASSERT_EQ(std::memcmp(block, model.data(), kept), 0) << "case " << testCase << " step " << step;
            model.resize(next);
            for (DWORD i = kept; i < next; ++i) model[i] = block[i] = static_cast<BYTE>(random());
            size = next;
        }
        KrnFreeMem(block);
    }
}

TEST_F(KernelMemory, FailedReallocKeepsTheOldBlock) {
    auto *block = static_cast<BYTE *>(KrnAllocMem(16));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 16; ++i) block[i] = static_cast<BYTE>(i * 7);
    const long allocations = zelt::test::ForEachAllocationFailure(
        [&] {
            void *grown = KrnReallocMem(block, 1 << 20);
            if (grown != nullptr) {
                // Shrink back so that every run starts alike.
                void *shrunk = KrnReallocMem(grown, 16);
                block = static_cast<BYTE *>(shrunk != nullptr ? shrunk : grown);
            }
        },
        [&](long) {
            for (int i = 0; i < 16; ++i) ASSERT_EQ(block[i], static_cast<BYTE>(i * 7));
        });
    EXPECT_GE(allocations, 1);
    ZeltHostFailAllocationAfter(1);
    EXPECT_EQ(KrnAllocMem(8), nullptr);
    ZeltHostFailAllocationAfter(1);
    EXPECT_EQ(KrnAllocZeroed(8), nullptr);
    ZeltHostFailAllocationAfter(1);
    EXPECT_EQ(KrnReallocMem(nullptr, 8), nullptr);
    ZeltHostFailAllocationAfter(-1);
    KrnFreeMem(block);
}

TEST(KernelThreadSlots, ValuesArePerThread) {
    const DWORD slot = KrnAllocThreadSlot();
    ASSERT_NE(slot, KRN_INVALID_SLOT);
    int here = 0;
    EXPECT_EQ(KrnGetThreadSlot(slot), nullptr);
    EXPECT_TRUE(KrnSetThreadSlot(slot, &here));
    void *seenElsewhere = &here;
    int there = 0;
    void *ownElsewhere = nullptr;
    std::thread other([&] {
        seenElsewhere = KrnGetThreadSlot(slot);
        KrnSetThreadSlot(slot, &there);
        ownElsewhere = KrnGetThreadSlot(slot);
    });
    other.join();
    EXPECT_EQ(seenElsewhere, nullptr);
    EXPECT_EQ(ownElsewhere, &there);
    EXPECT_EQ(KrnGetThreadSlot(slot), &here);
    EXPECT_TRUE(KrnFreeThreadSlot(slot));
    EXPECT_EQ(KrnGetThreadSlot(KRN_INVALID_SLOT), nullptr);
    EXPECT_FALSE(KrnSetThreadSlot(KRN_INVALID_SLOT, &here));
    EXPECT_FALSE(KrnFreeThreadSlot(KRN_INVALID_SLOT));
}

int ZELT_CDECL CallbackA(int, void *) { return STATUS_OK; }
int ZELT_CDECL CallbackB(int, void *) { return STATUS_OK; }

TEST(KernelStatusCallback, IsPerThreadAndReturnsTheUserData) {
    int data = 0;
    ASSERT_EQ(KrnSetStatusCallback(CallbackA, &data), STATUS_OK);
    void *user = nullptr;
    EXPECT_EQ(KrnGetStatusCallback(&user), CallbackA);
    EXPECT_EQ(user, &data);
    EXPECT_EQ(KrnGetStatusCallback(nullptr), CallbackA);

    KRNSTATUSCALLBACK seenElsewhere = CallbackB;
    void *userElsewhere = &data;
    std::thread other([&] {
        seenElsewhere = KrnGetStatusCallback(&userElsewhere);
        KrnSetStatusCallback(CallbackB, nullptr);
    });
    other.join();
    EXPECT_EQ(seenElsewhere, nullptr);
    EXPECT_EQ(userElsewhere, nullptr);
    EXPECT_EQ(KrnGetStatusCallback(&user), CallbackA);

    KrnSetStatusCallback(nullptr, nullptr);
    EXPECT_EQ(KrnGetStatusCallback(&user), nullptr);
    EXPECT_EQ(user, nullptr);
}

}  // namespace
