// Bitmap lists against a std::vector model, and their ownership of images.
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "support/leak_guard.h"
#include "zelt/host.h"
#include "zelt/kernel.h"

namespace {

using zelt::test::LeakCheckedTest;

class KernelLists : public LeakCheckedTest {};

// Records told apart by their Delay field.
BitmapRecord Tagged(DWORD tag) {
    BitmapRecord record{};
    record.Delay = tag;
    return record;
}

void ExpectListEquals(HBITMAPLIST list, const std::vector<DWORD> &model, int testCase) {
    ASSERT_EQ(KrnGetBitmapListCount(list), model.size()) << "case " << testCase;
    for (std::size_t i = 0; i < model.size(); ++i) {
        BitmapRecord item{};
        ASSERT_EQ(KrnGetBitmapListItem(list, static_cast<int>(i), &item), STATUS_OK);
        ASSERT_EQ(item.Delay, model[i]) << "case " << testCase << " item " << i;
    }
}

TEST_F(KernelLists, RandomEditsMatchAVectorModel) {
    for (int testCase = 0; testCase < 30; ++testCase) {
        std::mt19937 random(testCase);
        HBITMAPLIST list = nullptr;
        ASSERT_EQ(KrnCreateBitmapList(&list), STATUS_OK);
        std::vector<DWORD> model;
        for (int step = 0; step < 100; ++step) {
            const DWORD tag = random();
            const int count = static_cast<int>(model.size());
            switch (random() % 4) {
            case 0: {  // append
                const BitmapRecord item = Tagged(tag);
                ASSERT_EQ(KrnInsertBitmapListItem(list, random() % 2 ? -1 : count, &item), STATUS_OK);
                model.push_back(tag);
                break;
            }
            case 1: {  // insert anywhere
                const int index = static_cast<int>(random() % (count + 1));
                const BitmapRecord item = Tagged(tag);
                ASSERT_EQ(KrnInsertBitmapListItem(list, index, &item), STATUS_OK);
                model.insert(model.begin() + index, tag);
                break;
            }
            case 2:  // replace
                if (count > 0) {
                    const int index = static_cast<int>(random() % count);
                    const BitmapRecord item = Tagged(tag);
                    ASSERT_EQ(KrnSetBitmapListItem(list, index, &item), STATUS_OK);
                    model[index] = tag;
                }
                break;
            default: {  // out of range
                BitmapRecord item = Tagged(tag);
                EXPECT_EQ(KrnGetBitmapListItem(list, count, &item), STATUS_BAD_PARAMETER);
                EXPECT_EQ(KrnSetBitmapListItem(list, -1, &item), STATUS_BAD_PARAMETER);
                EXPECT_EQ(KrnInsertBitmapListItem(list, count + 1, &item), STATUS_BAD_PARAMETER);
                EXPECT_EQ(KrnInsertBitmapListItem(list, -2, &item), STATUS_BAD_PARAMETER);
            }
            }
        }
        ExpectListEquals(list, model, testCase);
        EXPECT_EQ(KrnDestroyBitmapList(list), STATUS_OK);
    }
}

TEST_F(KernelLists, InsertingAnItemOfTheListItselfCopiesItFirst) {
    HBITMAPLIST list = nullptr;
    ASSERT_EQ(KrnCreateBitmapList(&list), STATUS_OK);
    std::vector<DWORD> model;
    for (DWORD i = 0; i < 8; ++i) {
        const BitmapRecord item = Tagged(i);
        ASSERT_EQ(KrnInsertBitmapListItem(list, -1, &item), STATUS_OK);
        model.push_back(i);
    }
    // Reading item 3 by value and inserting it at the front forces growth.
    BitmapRecord item{};
    ASSERT_EQ(KrnGetBitmapListItem(list, 3, &item), STATUS_OK);
    ASSERT_EQ(KrnInsertBitmapListItem(list, 0, &item), STATUS_OK);
    model.insert(model.begin(), 3);
    ExpectListEquals(list, model, 0);
    KrnDestroyBitmapList(list);
}

TEST_F(KernelLists, DestroyFreesTheImagesOfItsItems) {
    HBITMAPLIST list = nullptr;
    ASSERT_EQ(KrnCreateBitmapList(&list), STATUS_OK);
    for (int bits : {1, 8, 24}) {
        BitmapRecord frame{};
        ASSERT_EQ(KrnCreateBitmap(&frame, KRN_MEMORY_CONVENTIONAL, 5, 4, bits, 1, nullptr, 0, nullptr, 0), STATUS_OK);
        ASSERT_EQ(KrnInsertBitmapListItem(list, -1, &frame), STATUS_OK);
    }
    // A listed copy read back, reset and written back keeps the image.
    BitmapRecord item{};
    ASSERT_EQ(KrnGetBitmapListItem(list, 1, &item), STATUS_OK);
    ASSERT_GE(KrnAccessBitmap(&item), 1);
    ASSERT_EQ(KrnResetListedBitmap(&item), STATUS_OK);
    EXPECT_EQ(item.AccessCount, 0);
    EXPECT_EQ(item.LockCount, 0);
    EXPECT_NE(item.Flags & BITMAP_ALLOCATED, 0u);
    ASSERT_EQ(KrnSetBitmapListItem(list, 1, &item), STATUS_OK);
    EXPECT_EQ(KrnDestroyBitmapList(list), STATUS_OK);  // TearDown: nothing left
}

TEST_F(KernelLists, FailedGrowthLeavesTheListAsItWas) {
    HBITMAPLIST list = nullptr;
    ASSERT_EQ(KrnCreateBitmapList(&list), STATUS_OK);
    std::vector<DWORD> model;
    for (DWORD i = 0; i < 8; ++i) {  // fills the first capacity exactly
        const BitmapRecord item = Tagged(i);
        ASSERT_EQ(KrnInsertBitmapListItem(list, -1, &item), STATUS_OK);
        model.push_back(i);
    }
    // The ninth item needs a larger array; that one allocation fails.
    const BitmapRecord item = Tagged(99);
    ZeltHostFailAllocationAfter(1);
    EXPECT_EQ(KrnInsertBitmapListItem(list, 2, &item), STATUS_NO_MEMORY);
    EXPECT_EQ(ZeltHostFailAllocationAfter(-1), 1);
    ExpectListEquals(list, model, 0);
    ASSERT_EQ(KrnInsertBitmapListItem(list, 2, &item), STATUS_OK);
    model.insert(model.begin() + 2, 99);
    ExpectListEquals(list, model, 0);
    KrnDestroyBitmapList(list);

    HBITMAPLIST none = reinterpret_cast<HBITMAPLIST>(1);
    ZeltHostFailAllocationAfter(1);
    EXPECT_EQ(KrnCreateBitmapList(&none), STATUS_NO_MEMORY);
    ZeltHostFailAllocationAfter(-1);
    EXPECT_EQ(none, nullptr);
}

TEST_F(KernelLists, NullArguments) {
    BitmapRecord item{};
    EXPECT_EQ(KrnCreateBitmapList(nullptr), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnDestroyBitmapList(nullptr), STATUS_OK);
    EXPECT_EQ(KrnGetBitmapListCount(nullptr), 0u);
    EXPECT_EQ(KrnInsertBitmapListItem(nullptr, -1, &item), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnGetBitmapListItem(nullptr, 0, &item), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnResetListedBitmap(nullptr), STATUS_BAD_PARAMETER);
}

}  // namespace
