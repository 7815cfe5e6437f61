// The tick clock: milliseconds of the monotonic clock (time since boot on
// Linux), or a fixed value a test has set.
#include <atomic>
#include <chrono>
#include <thread>

#include "zelt/host.h"

namespace {

std::atomic<bool> clockFixed{false};
std::atomic<DWORD> fixedTicks{0};

ULONGLONG RealTicks() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<ULONGLONG>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

extern "C" {

DWORD WINAPI GetTickCount(void) { return static_cast<DWORD>(GetTickCount64()); }

ULONGLONG WINAPI GetTickCount64(void) {
    if (clockFixed.load(std::memory_order_acquire)) return fixedTicks.load(std::memory_order_relaxed);
    return RealTicks();
}

void WINAPI Sleep(DWORD dwMilliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds)); }

void ZeltHostSetTickCount(DWORD ticks) {
    fixedTicks.store(ticks, std::memory_order_relaxed);
    clockFixed.store(true, std::memory_order_release);
}

void ZeltHostUseRealClock(void) { clockFixed.store(false, std::memory_order_release); }

}  // extern "C"
