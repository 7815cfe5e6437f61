// Helpers of the paint front-end tests: leak-checked fixtures, scoped
// bitmaps, display modes and screen depths, gray ramps.
#pragma once

#include <vector>

#include <gtest/gtest.h>

#include "support/host_controls.h"
#include "support/leak_guard.h"

#include "zelt/display.h"

namespace zelt::test {

// Leak-checked tests that start with the thread's settings record in place,
// so its lazy creation is not counted against the test.
class FrontTest : public LeakCheckedTest {
protected:
    void SetUp() override {
        Z_GetDisplayMode();
        LeakCheckedTest::SetUp();
    }
};

// A bitmap record freed at the end of the scope.
struct ScopedBitmap {
    BitmapRecord record{};
    ScopedBitmap() = default;
    ScopedBitmap(const ScopedBitmap &) = delete;
    ScopedBitmap &operator=(const ScopedBitmap &) = delete;
    ~ScopedBitmap() { KrnFreeBitmap(&record); }
    BitmapRecord *operator->() { return &record; }
    BitmapRecord *get() { return &record; }
};

// A zeroed bitmap; palette images get `palette` (empty: the kernel's gray ramp).
inline int CreateBitmap(BitmapRecord *bitmap, int width, int height, int bits, std::vector<RGBQUAD> palette = {},
                        int order = 1, int perspective = 0) {
    return KrnCreateBitmap(bitmap, KRN_MEMORY_CONVENTIONAL, width, height, bits, order,
                           palette.empty() ? nullptr : palette.data(), perspective, nullptr, 0);
}

// The screen at another depth for one scope; the default screen afterwards.
// Windows cannot change the screen's depth: there the scope holds only when
// the screen already has the depth asked for, and cases under a scope that
// does not hold are left out.
class ScreenScope {
public:
    explicit ScreenScope(int bits) : held_(Configure(bits)) {}
    ~ScreenScope() {
        if (kHostControls) ZeltHostConfigureScreen(1024, 768, 32);
    }
    ScreenScope(const ScreenScope &) = delete;
    ScreenScope &operator=(const ScreenScope &) = delete;
    bool held() const { return held_; }

private:
    static bool Configure(int bits) {
        if (!kHostControls) return ScreenBitsPerPixel() == bits;
        const bool configured = ZeltHostConfigureScreen(64, 48, bits);
        EXPECT_TRUE(configured) << bits << " bits";
        return configured;
    }
    bool held_;
};

// The thread's display mode for one scope.
class ModeScope {
public:
    explicit ModeScope(UINT mode) : old_(Z_SetDisplayMode(0xFFFFFFFF, mode)) {}
    ~ModeScope() { Z_SetDisplayMode(0xFFFFFFFF, old_); }
    ModeScope(const ModeScope &) = delete;
    ModeScope &operator=(const ModeScope &) = delete;

private:
    UINT old_;
};

inline std::vector<RGBQUAD> GrayRamp(int count, bool descending = false) {
    std::vector<RGBQUAD> ramp(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto level = static_cast<BYTE>((descending ? count - 1 - i : i) * 255 / (count - 1));
        ramp[static_cast<std::size_t>(i)] = RGBQUAD{level, level, level, 0};
    }
    return ramp;
}

}  // namespace zelt::test
