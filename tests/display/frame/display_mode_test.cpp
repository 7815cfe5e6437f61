// Per-thread display mode: mask arithmetic, the identity index table, and
// isolation between threads.
#include <array>
#include <barrier>
#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "frame/display_settings.h"
#include "zelt/display.h"

namespace {

bool HoldsIdentityIndexTable(const DisplaySettings &settings) {
    WORD indices[256];
    std::memcpy(indices, settings.PaintColors, sizeof(indices));
    for (int i = 0; i < 256; ++i)
        if (indices[i] != i) return false;
    return true;
}

// Runs body on a thread of its own, so it starts without a settings record.
template <typename Body>
void OnFreshThread(Body body) {
    std::thread worker(body);
    worker.join();
}

TEST(DisplayMode, FreshThreadStartsWithTheDefaultMode) {
    OnFreshThread([] {
        EXPECT_EQ(Z_GetDisplayMode(), 12u);
        const DisplaySettings *settings = GetDisplaySettings();
        EXPECT_NE(settings, FallbackDisplaySettings());
        EXPECT_EQ(settings->PaintHeader.biSize, 40u);
        EXPECT_EQ(settings->PaintHeader.biPlanes, 1);
        EXPECT_EQ(settings->PaintHeader.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(settings->PaintHeader.biWidth, 0);
        EXPECT_EQ(settings->PrintDC, nullptr);
        EXPECT_TRUE(HoldsIdentityIndexTable(*settings));
        // The second half of the colour slots starts zero.
        for (int i = 128; i < 256; ++i) EXPECT_EQ(std::memcmp(&settings->PaintColors[i], "\0\0\0\0", 4), 0);
    });
}

struct MaskCase {
    UINT start, mask, value, expected;
};

TEST(DisplayMode, NewModeTakesTheMaskedBitsOfValue) {
    const MaskCase cases[] = {
        {12, 0, 0xFFFFFFFF, 12},           // mask 0 changes nothing
        {12, 0xFFFFFFFF, 0, 0},            // full mask replaces
        {12, 0xFFFFFFFF, 0x123, 0x123},
        {12, 0x1, 0x1, 13},                // one bit on
        {13, 0x8, 0, 5},                   // one bit off
        {12, 0x30, 0xFF, 0x3C},            // only masked bits of value count
        {0x7FF, 0x700, 0, 0xFF},
        {0, 0x80000000, 0xFFFFFFFF, 0x80000000},  // unlisted bits are kept too
    };
    OnFreshThread([&] {
        for (const MaskCase &c : cases) {
            Z_SetDisplayMode(0xFFFFFFFF, c.start);
            EXPECT_EQ(Z_SetDisplayMode(c.mask, c.value), c.start);
            EXPECT_EQ(Z_GetDisplayMode(), c.expected) << "start " << c.start << " mask " << c.mask;
        }
    });
}

TEST(DisplayMode, SwitchingIndexedPaintOnRefillsTheIdentityTable) {
    OnFreshThread([] {
        DisplaySettings *settings = GetDisplaySettings();
        Z_SetDisplayMode(DISP_INDEXED_PAINT, 0);
        std::memset(settings->PaintColors, 0xAB, sizeof(settings->PaintColors));
        Z_SetDisplayMode(DISP_INDEXED_PAINT, DISP_INDEXED_PAINT);
        EXPECT_TRUE(HoldsIdentityIndexTable(*settings));
        EXPECT_EQ(settings->PaintColors[200].rgbBlue, 0xAB) << "only the first 512 bytes are rewritten";
    });
}

TEST(DisplayMode, IndexedPaintAlreadyOnLeavesTheTableAlone) {
    OnFreshThread([] {
        DisplaySettings *settings = GetDisplaySettings();
        ASSERT_TRUE(Z_GetDisplayMode() & DISP_INDEXED_PAINT);
        std::memset(settings->PaintColors, 0x5C, sizeof(settings->PaintColors));
        Z_SetDisplayMode(DISP_INDEXED_PAINT, DISP_INDEXED_PAINT);
        EXPECT_EQ(settings->PaintColors[0].rgbBlue, 0x5C);
    });
}

TEST(DisplayMode, RefillFollowsTheValueEvenWhenTheMaskLeavesTheModeAlone) {
    // The refill is keyed to the old mode and the value, not to the mask: a
    // caller restoring a saved mode with mask 0 still gets a clean table.
    OnFreshThread([] {
        DisplaySettings *settings = GetDisplaySettings();
        Z_SetDisplayMode(DISP_INDEXED_PAINT, 0);
        std::memset(settings->PaintColors, 0x5C, sizeof(settings->PaintColors));
        EXPECT_EQ(Z_SetDisplayMode(0, DISP_INDEXED_PAINT), 8u);
        EXPECT_EQ(Z_GetDisplayMode(), 8u) << "the mode itself is unchanged";
        EXPECT_TRUE(HoldsIdentityIndexTable(*settings));
    });
}

TEST(DisplayMode, ThreadsDoNotSeeEachOthersModes) {
    constexpr int kThreads = 6;
    constexpr int kRounds = 200;
    std::barrier sync(kThreads);
    std::array<int, kThreads> mismatches{};
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                const UINT mine = 0x1000u * static_cast<UINT>(t + 1) + static_cast<UINT>(round);
                Z_SetDisplayMode(0xFFFFFFFF, mine);
                sync.arrive_and_wait();  // every thread has written its own value
                if (Z_GetDisplayMode() != mine) ++mismatches[t];
                sync.arrive_and_wait();
            }
        });
    }
    for (std::thread &worker : workers) worker.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

}  // namespace
