// Load, unload and thread lifecycle of the library: the entry point's steps
// for each reason, the fallback record, and the frame brushes.
#include <thread>

#include <gtest/gtest.h>

#include "frame/display_settings.h"
#include "frame/frame_brushes.h"
#include "frame/library_state.h"
#include "support/leak_guard.h"
#include "zelt/display.h"
#include "zelt/host.h"

namespace {

using zelt::test::ForEachAllocationFailure;
using zelt::test::LeakCheckedTest;
using zelt::test::LiveCounts;

template <typename Body>
void OnFreshThread(Body body) {
    std::thread worker(body);
    worker.join();
}

class Lifecycle : public LeakCheckedTest {};

TEST_F(Lifecycle, LoadingRegisteredFormatServicesAndBrushes) {
    const LibraryState &library = Library();
    EXPECT_GE(library.AttachCount, 1);
    EXPECT_NE(library.SettingsSlot, kInvalidSettingsSlot);
    EXPECT_NE(library.Instance, nullptr);
    EXPECT_GE(library.RegionClipboardFormat, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormatA("ZELTWORKS 8.0 Region"), library.RegionClipboardFormat);
    EXPECT_EQ(KrnGetRegionService(KRN_RGN_LIST_COUNT), reinterpret_cast<KRNSERVICEPROC>(&KrnGetBitmapListCount));
    EXPECT_EQ(KrnGetRegionService(KRN_RGN_SET_LIST_ITEM), reinterpret_cast<KRNSERVICEPROC>(&KrnSetBitmapListItem));
    for (int phase = 0; phase < kFrameBrushCount; ++phase) {
        ASSERT_NE(FrameBrush(phase), nullptr) << phase;
        EXPECT_EQ(GetObjectType(FrameBrush(phase)), static_cast<DWORD>(OBJ_BRUSH));
        for (int other = 0; other < phase; ++other) EXPECT_NE(FrameBrush(phase), FrameBrush(other));
    }
    EXPECT_EQ(FrameBrush(-1), nullptr);
    EXPECT_EQ(FrameBrush(8), nullptr);
}

TEST_F(Lifecycle, ThreadDetachFreesTheThreadsRecord) {
    const long blocksBefore = ZeltHostLiveGlobalBlocks();
    long blocksWhileAlive = 0;
    OnFreshThread([&] {
        Z_SetDisplayMode(0xFFFFFFFF, 0x55);
        blocksWhileAlive = ZeltHostLiveGlobalBlocks();
    });
    EXPECT_EQ(blocksWhileAlive, blocksBefore + 1) << "the thread's record is one kernel block";
    EXPECT_EQ(ZeltHostLiveGlobalBlocks(), blocksBefore) << "thread exit frees it";
}

TEST_F(Lifecycle, ThreadWithoutMemoryUsesTheSharedFallback) {
    DisplaySettings *fallback = FallbackDisplaySettings();
    const UINT savedMode = fallback->DisplayMode;
    OnFreshThread([&] {
        ZeltHostFailAllocationAfter(1);
        DisplaySettings *settings = GetDisplaySettings();
        ZeltHostFailAllocationAfter(-1);
        EXPECT_EQ(settings, fallback);
        EXPECT_EQ(Z_GetDisplayMode(), 12u) << "a later call creates the record after all";
        EXPECT_NE(GetDisplaySettings(), fallback);
    });
    EXPECT_EQ(fallback->DisplayMode, savedMode);

    // Two threads that both cannot get a record share what they write.
    OnFreshThread([&] {
        ZeltHostFailAllocationAfter(1);
        Z_SetDisplayMode(0xFFFFFFFF, 0x2468);
        ZeltHostFailAllocationAfter(-1);
    });
    EXPECT_EQ(fallback->DisplayMode, 0x2468u);
    OnFreshThread([&] {
        ZeltHostFailAllocationAfter(1);
        EXPECT_EQ(Z_GetDisplayMode(), 0x2468u);
        ZeltHostFailAllocationAfter(-1);
    });
    fallback->DisplayMode = savedMode;
}

TEST_F(Lifecycle, SecondAttachCountsAndKeepsTheBrushes) {
    LibraryState &library = Library();
    const long count = library.AttachCount;
    const HBRUSH firstBrush = FrameBrush(0);
    const long gdiBefore = ZeltHostLiveGdiObjects();

    // The attaching thread gets a new slot and a new record.
    const DWORD oldSlot = library.SettingsSlot;
    void *oldRecord = KrnGetThreadSlot(oldSlot);
    ASSERT_TRUE(DllMain(library.Instance, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(library.AttachCount, count + 1);
    EXPECT_NE(library.SettingsSlot, oldSlot);
    EXPECT_EQ(FrameBrush(0), firstBrush);
    EXPECT_EQ(ZeltHostLiveGdiObjects(), gdiBefore) << "brushes are made once";
    EXPECT_EQ(Z_GetDisplayMode(), 12u);
    DisplaySettings *attachRecord = GetDisplaySettings();

    // Detach releases the slot (not the detaching thread's record) and keeps
    // the brushes while an attach remains.
    ASSERT_TRUE(DllMain(library.Instance, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(library.AttachCount, count);
    EXPECT_EQ(library.SettingsSlot, kInvalidSettingsSlot);
    EXPECT_EQ(FrameBrush(0), firstBrush);
    KrnFreeMem(attachRecord);

    // The next call takes a fresh slot and a fresh record; the old slot and
    // record of this thread stay where they were.
    EXPECT_EQ(Z_GetDisplayMode(), 12u);
    EXPECT_NE(library.SettingsSlot, kInvalidSettingsSlot);
    FreeThreadDisplaySettings();
    // The old slot still holds this thread's original record, as it would
    // after a real detach; it is no longer the library's to free.
    EXPECT_EQ(KrnGetThreadSlot(oldSlot), oldRecord);
}

TEST_F(Lifecycle, LastDetachDeletesTheBrushes) {
    LibraryState &library = Library();
    const long count = library.AttachCount;
    const HINSTANCE instance = library.Instance;
    const long gdiBefore = ZeltHostLiveGdiObjects();
    for (long i = 0; i < count; ++i) ASSERT_TRUE(DllMain(instance, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(library.AttachCount, 0);
    EXPECT_EQ(ZeltHostLiveGdiObjects(), gdiBefore - kFrameBrushCount);
    for (int phase = 0; phase < kFrameBrushCount; ++phase) EXPECT_EQ(FrameBrush(phase), nullptr);

    // Attaching again restores a working library.
    for (long i = 0; i < count; ++i) ASSERT_TRUE(DllMain(instance, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(library.AttachCount, count);
    EXPECT_NE(FrameBrush(7), nullptr);
    // Each attach made a record for this thread in a new slot; only the last
    // slot is the library's now. Free the rest so the test leaves no trace.
    FreeThreadDisplaySettings();
    EXPECT_EQ(ZeltHostLiveGdiObjects(), gdiBefore);
}

TEST_F(Lifecycle, AttachFailsWithoutMemoryForTheRecord) {
    LibraryState &library = Library();
    const long count = library.AttachCount;
    ZeltHostFailAllocationAfter(1);
    EXPECT_FALSE(DllMain(library.Instance, DLL_PROCESS_ATTACH, nullptr));
    ZeltHostFailAllocationAfter(-1);
    EXPECT_EQ(library.AttachCount, count) << "a failed attach is not counted";
    // The new slot stays allocated and current; this thread gets its record lazily.
    EXPECT_EQ(Z_GetDisplayMode(), 12u);
    FreeThreadDisplaySettings();
}

TEST_F(Lifecycle, BrushCreationIsAllOrNothing) {
    DeleteFrameBrushes();
    const long made = ForEachAllocationFailure(
        [] {
            if (CreateFrameBrushes() == STATUS_OK) DeleteFrameBrushes();
        },
        [](long failedAt) {
            for (int phase = 0; phase < kFrameBrushCount; ++phase)
                EXPECT_EQ(FrameBrush(phase), nullptr) << "allocation " << failedAt << " failed, phase " << phase;
        });
    EXPECT_GE(made, 2 * kFrameBrushCount) << "at least a bitmap and a brush per phase";
    // Every failure point reports the shortage.
    for (long n = 1; n <= made; ++n) {
        ZeltHostFailAllocationAfter(n);
        EXPECT_EQ(CreateFrameBrushes(), STATUS_NO_MEMORY) << n;
        ZeltHostFailAllocationAfter(-1);
    }
    ASSERT_EQ(CreateFrameBrushes(), STATUS_OK);
}

}  // namespace
