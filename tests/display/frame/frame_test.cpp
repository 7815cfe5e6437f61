// The library frame: the per-thread display mode and settings, and the
// entry point's steps for each reason.
#include <array>
#include <cstring>
#include <numeric>
#include <thread>

#include <gtest/gtest.h>

#include "frame/display_settings.h"
#include "frame/frame_brushes.h"
#include "frame/library_state.h"
#include "support/host_controls.h"
#include "support/leak_guard.h"
#include "zelt/display.h"

namespace zelt::test {
namespace {

// Entries 0..127 of the colour table hold the 256 indices 0..255 as WORDs.
bool HoldsIdentityIndexTable(const DisplaySettings &settings) {
    WORD indices[256];
    std::iota(indices, indices + 256, WORD{0});
    return std::memcmp(indices, settings.PaintColors, sizeof(indices)) == 0;
}

// Runs body on a thread of its own, which starts without a settings record.
template <typename Body>
void OnFreshThread(Body body) {
    std::thread(body).join();
}

TEST(DisplayMode, DefaultsMaskArithmeticAndThreads) {
    Z_SetDisplayMode(0xFFFFFFFF, 0x77);
    OnFreshThread([] {
        EXPECT_EQ(Z_GetDisplayMode(), 12u) << "not the other thread's mode";
        DisplaySettings *settings = GetDisplaySettings();
        EXPECT_NE(settings, FallbackDisplaySettings());
        EXPECT_EQ(settings->PaintHeader.biSize, 40u);
        EXPECT_EQ(settings->PaintHeader.biPlanes, 1);
        EXPECT_EQ(settings->PaintHeader.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(settings->PrintDC, nullptr);
        EXPECT_TRUE(HoldsIdentityIndexTable(*settings));
        for (int i = 128; i < 256; ++i) EXPECT_EQ(std::memcmp(&settings->PaintColors[i], "\0\0\0\0", 4), 0);
        // start, mask, value -> new mode (unlisted bits are kept too).
        const std::array<UINT, 4> cases[] = {{12, 0, 0xFFFFFFFF, 12},    {12, 0xFFFFFFFF, 0, 0},
                                             {12, 0xFFFFFFFF, 0x123, 0x123}, {12, 0x1, 0x1, 13},
                                             {13, 0x8, 0, 5},            {12, 0x30, 0xFF, 0x3C},
                                             {0x7FF, 0x700, 0, 0xFF},    {0, 0x80000000, 0xFFFFFFFF, 0x80000000}};
        for (const auto &[start, mask, value, expected] : cases) {
            Z_SetDisplayMode(0xFFFFFFFF, start);
            EXPECT_EQ(Z_SetDisplayMode(mask, value), start);
            EXPECT_EQ(Z_GetDisplayMode(), expected) << start << " " << mask << " " << value;
        }
        // The identity table is re-filled (its first 512 bytes) when the old
        // mode lacked DISP_INDEXED_PAINT and the value has it, whatever the mask.
        const std::array<UINT, 4> refills[] = {{0, 4, 4, 1}, {4, 4, 4, 0}, {0, 0, 4, 1}, {0, 4, 0, 0}};
        for (const auto &[before, mask, value, refilled] : refills) {
            Z_SetDisplayMode(0xFFFFFFFF, before);
            std::memset(settings->PaintColors, 0xAB, sizeof(settings->PaintColors));
            Z_SetDisplayMode(mask, value);
            EXPECT_EQ(HoldsIdentityIndexTable(*settings), refilled != 0) << before << " " << mask << " " << value;
            EXPECT_EQ(settings->PaintColors[200].rgbBlue, 0xAB);
        }
    });
    EXPECT_EQ(Z_SetDisplayMode(0xFFFFFFFF, DISP_DEFAULT_MODE), 0x77u) << "nor this one's";
}

class Lifecycle : public LeakCheckedTest {};

TEST_F(Lifecycle, LoadedStateAndThreadRecords) {
    ZELT_REQUIRE_HOST_CONTROLS("counting the global blocks of thread records");
    const LibraryState &library = Library();
    EXPECT_GE(library.AttachCount, 1);
    EXPECT_NE(library.SettingsSlot, kInvalidSettingsSlot);
    EXPECT_NE(library.Instance, nullptr);
    EXPECT_EQ(RegisterClipboardFormatA("ZELTWORKS 8.0 Region"), library.RegionClipboardFormat);
    EXPECT_EQ(KrnGetRegionService(KRN_RGN_LIST_COUNT), reinterpret_cast<KRNSERVICEPROC>(&KrnGetBitmapListCount));
    for (int phase = 0; phase < kFrameBrushCount; ++phase) {
        EXPECT_EQ(GetObjectType(FrameBrush(phase)), static_cast<DWORD>(OBJ_BRUSH));
        for (int other = 0; other < phase; ++other) EXPECT_NE(FrameBrush(phase), FrameBrush(other));
    }
    EXPECT_EQ(FrameBrush(-1), nullptr);
    EXPECT_EQ(FrameBrush(8), nullptr);
    // A thread's record is one block, freed at its exit.
    const long blocks = ZeltHostLiveGlobalBlocks();
    long whileAlive = 0;
    OnFreshThread([&] { Z_SetDisplayMode(0xFFFFFFFF, 0x55), whileAlive = ZeltHostLiveGlobalBlocks(); });
    EXPECT_EQ(whileAlive, blocks + 1);
    EXPECT_EQ(ZeltHostLiveGlobalBlocks(), blocks);
    // Threads whose record cannot be made share the fallback record; a
    // later call makes the record after all.
    DisplaySettings *fallback = FallbackDisplaySettings();
    const UINT saved = fallback->DisplayMode;
    OnFreshThread([&] {
        ZeltHostFailAllocationAfter(1);
        EXPECT_EQ(GetDisplaySettings(), fallback);
        ZeltHostFailAllocationAfter(-1);
        EXPECT_EQ(Z_GetDisplayMode(), 12u);
    });
    for (UINT set : {1u, 0u})
        OnFreshThread([&] {
            ZeltHostFailAllocationAfter(1);
            if (set) Z_SetDisplayMode(0xFFFFFFFF, 0x2468);
            else EXPECT_EQ(Z_GetDisplayMode(), 0x2468u);
            ZeltHostFailAllocationAfter(-1);
        });
    fallback->DisplayMode = saved;
}

TEST_F(Lifecycle, AttachAndDetachCountSlotsAndBrushes) {
    ZELT_REQUIRE_HOST_CONTROLS("counting the frame brushes");
    LibraryState &library = Library();
    const long count = library.AttachCount, gdi = ZeltHostLiveGdiObjects();
    const HBRUSH brush = FrameBrush(0);
    const DWORD oldSlot = library.SettingsSlot;
    void *oldRecord = KrnGetThreadSlot(oldSlot);
    // Another attach: a new slot and record; its detach frees the slot only.
    ASSERT_TRUE(DllMain(library.Instance, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(library.AttachCount, count + 1);
    EXPECT_NE(library.SettingsSlot, oldSlot);
    DisplaySettings *attachRecord = GetDisplaySettings();
    ASSERT_TRUE(DllMain(library.Instance, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(library.AttachCount, count);
    EXPECT_EQ(library.SettingsSlot, kInvalidSettingsSlot);
    EXPECT_EQ(FrameBrush(0), brush);
    KrnFreeMem(attachRecord);
    EXPECT_EQ(Z_GetDisplayMode(), 12u) << "the next call takes a fresh slot";
    FreeThreadDisplaySettings();
    EXPECT_EQ(KrnGetThreadSlot(oldSlot), oldRecord);
    // The last detach deletes the brushes; attaching again brings them back.
    for (long i = 0; i < count; ++i) ASSERT_TRUE(DllMain(library.Instance, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(ZeltHostLiveGdiObjects(), gdi - kFrameBrushCount);
    EXPECT_EQ(FrameBrush(7), nullptr);
    for (long i = 0; i < count; ++i) ASSERT_TRUE(DllMain(library.Instance, DLL_THREAD_ATTACH, nullptr));
    for (long i = 0; i < count; ++i) ASSERT_TRUE(DllMain(library.Instance, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_NE(FrameBrush(7), nullptr);
    FreeThreadDisplaySettings();
    EXPECT_EQ(ZeltHostLiveGdiObjects(), gdi);
    // Without memory for the record the attach fails and is not counted.
    ZeltHostFailAllocationAfter(1);
    EXPECT_FALSE(DllMain(library.Instance, DLL_PROCESS_ATTACH, nullptr));
    ZeltHostFailAllocationAfter(-1);
    EXPECT_EQ(library.AttachCount, count);
    EXPECT_EQ(Z_GetDisplayMode(), 12u);
    FreeThreadDisplaySettings();
}

TEST_F(Lifecycle, BrushCreationIsAllOrNothing) {
    ZELT_REQUIRE_HOST_CONTROLS("failing each frame brush");
    DeleteFrameBrushes();
    int status = 0;
    const long made = ForEachAllocationFailure(
        [&] {
            status = CreateFrameBrushes();
            if (status == STATUS_OK) DeleteFrameBrushes();
        },
        [&](long failedAt) {
            EXPECT_EQ(status, STATUS_NO_MEMORY) << failedAt;
            for (int phase = 0; phase < kFrameBrushCount; ++phase) EXPECT_EQ(FrameBrush(phase), nullptr) << failedAt;
        });
    EXPECT_GE(made, 2 * kFrameBrushCount);
    ASSERT_EQ(CreateFrameBrushes(), STATUS_OK);
}

}  // namespace
}  // namespace zelt::test
