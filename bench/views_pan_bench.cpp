// Pan window repaint: a 4096 x 4096 24-bit image reduced into a pan window
// of about 256 x 256 pixels, the whole client invalidated and updated each
// frame (BM_PanRepaint), in frames per second, beside a plain BitBlt of the
// same client area from a memory DC (BM_BitBltClient) and memcpy of the
// client's 32-bit bytes (BM_MemcpyClient), all measured in the same run.
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "zelt/display.h"

namespace {

constexpr int kSource = 4096;
constexpr int kPanSize = 256;

int ZELT_CDECL KeepHandle(HWND pan, HWND, UINT code, RECT *, void *user) {
    if (code == PAN_CREATED) *static_cast<HWND *>(user) = pan;
    return 1;
}

// An owner, a random 4096 x 4096 image and its pan window showing the top-left
// quarter; everything released at the end.
class PanScene {
public:
    PanScene() {
        WNDCLASSA ownerClass{0, DefWindowProcA, 0, 0, GetModuleHandleA(nullptr), {}, {}, {}, {}, "PanBenchOwner"};
        RegisterClassA(&ownerClass);
        owner_ = CreateWindowExA(0, "PanBenchOwner", "", WS_POPUP, 0, 0, 1024, 1024, {}, {}, {}, {});
        if (KrnCreateBitmap(&bitmap_, KRN_MEMORY_CONVENTIONAL, kSource, kSource, 24, 1, nullptr, 0, nullptr, 0) !=
            STATUS_OK)
            return;
        std::mt19937 random(11);
        auto *words = static_cast<std::uint32_t *>(bitmap_.Data);
        for (DWORD i = 0; i < bitmap_.DataSize / 4; ++i) words[i] = random();
        if (Z_CreatePanWindow(owner_, &bitmap_, 0, 100, 100, kPanSize, kPanSize, const_cast<char *>("PanBench"),
                              nullptr, nullptr, 0, KeepHandle, &pan_) != STATUS_OK)
            return;
        RECT view{0, 0, 2 * 1024, 2 * 1024};
        Z_UpdatePanWindow(pan_, &bitmap_, 0, RGB(255, 0, 0), const_cast<char *>("Pan"), &view);
        UpdateWindow(pan_);
        GetClientRect(pan_, &client_);
    }
    ~PanScene() {
        if (pan_ != nullptr) Z_DestroyPanWindow(pan_);
        DestroyWindow(owner_);
        UnregisterClassA("PanBenchOwner", GetModuleHandleA(nullptr));
        KrnFreeBitmap(&bitmap_);
    }
    PanScene(const PanScene &) = delete;
    PanScene &operator=(const PanScene &) = delete;
    HWND pan() const { return pan_; }
    const RECT &client() const { return client_; }

private:
    HWND owner_ = nullptr;
    HWND pan_ = nullptr;
    BitmapRecord bitmap_{};
    RECT client_{};
};

void CountFrames(benchmark::State &state, const RECT &client) {
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["client"] = static_cast<double>(client.right) * client.bottom;
}

void BM_PanRepaint(benchmark::State &state) {
    PanScene scene;
    if (scene.pan() == nullptr) {
        state.SkipWithError("no pan window");
        return;
    }
    for (auto _ : state) {
        InvalidateRect(scene.pan(), nullptr, FALSE);
        UpdateWindow(scene.pan());
    }
    CountFrames(state, scene.client());
}
BENCHMARK(BM_PanRepaint)->Unit(benchmark::kMicrosecond);

void BM_BitBltClient(benchmark::State &state) {
    PanScene scene;
    if (scene.pan() == nullptr) {
        state.SkipWithError("no pan window");
        return;
    }
    const RECT client = scene.client();
    HDC window = GetDC(scene.pan());
    HDC memory = CreateCompatibleDC(window);
    HBITMAP picture = CreateCompatibleBitmap(window, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, client.right, client.bottom, window, 0, 0, SRCCOPY);
    for (auto _ : state) {
        if (!BitBlt(window, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY)) {
            state.SkipWithError("BitBlt failed");
            break;
        }
    }
    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(scene.pan(), window);
    CountFrames(state, client);
}
BENCHMARK(BM_BitBltClient)->Unit(benchmark::kMicrosecond);

void BM_MemcpyClient(benchmark::State &state) {
    const std::size_t bytes = static_cast<std::size_t>(kPanSize) * kPanSize * 4;
    std::vector<unsigned char> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MemcpyClient)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
