// Magnifying glass frames: the cursor moved by one pixel with the button
// held (WM_MOUSEMOVE through SendMessageA), which repaints the uncovered
// strip through the application's WM_PAINT and composes and transfers a
// 256 x 256 glass at 4x. Against, in the same run, a plain BitBlt of the same
// 256 x 256 area onto the window and a memcpy of its bytes.
//
// Compare BM_GlassFrame with BM_ReferenceBlit (frames per second in the
// counters).
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "zelt/display.h"

namespace {

constexpr int kGlass = 256, kBitmap = 512;

BitmapRecord image{};
RECT destination{0, 0, kBitmap, kBitmap};

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcA(hwnd, message, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    Z_PaintDC(dc, &image, nullptr, nullptr, &destination, nullptr, SRCCOPY);
    EndPaint(hwnd, &ps);
    return 0;
}

// A shown window displaying a 512 x 512 colour bitmap at its own size.
class Viewer {
public:
    Viewer() {
        KrnCreateBitmap(&image, KRN_MEMORY_CONVENTIONAL, kBitmap, kBitmap, 24, 1, nullptr, 0, nullptr, 0);
        auto *bytes = static_cast<BYTE *>(image.Data);
        for (DWORD i = 0; i < image.DataSize; ++i) bytes[i] = static_cast<BYTE>(i * 7 + i / 1536);
        WNDCLASSA wc{0, ViewerProc, 0, 0, GetModuleHandleA(nullptr), {}, {}, {}, {}, "ZeltMagBench"};
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, "ZeltMagBench", "", WS_POPUP, 0, 0, kBitmap, kBitmap, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
    }
    ~Viewer() {
        DestroyWindow(window_);
        UnregisterClassA("ZeltMagBench", GetModuleHandleA(nullptr));
        KrnFreeBitmap(&image);
    }
    HWND Window() const { return window_; }

private:
    HWND window_ = nullptr;
};

void BM_GlassFrame(benchmark::State &state) {
    Viewer viewer;
    HWND window = viewer.Window();
    if (Z_StartMagGlass(window, &image, &destination, kGlass, kGlass, 400, RGB(255, 0, 0), nullptr, RGB(0, 0, 0),
                        0, 1, 0, 0, nullptr, 0, 1, 0, 0) != STATUS_OK) {
        state.SkipWithError("Z_StartMagGlass failed");
        return;
    }
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(256, 256));
    int step = 0;
    for (auto _ : state) {
        const int x = 256 + (step++ & 1);
        SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 256));
    }
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(256, 256));
    Z_StopMagGlass(window);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(state.iterations() * kGlass * kGlass * 4);
}
BENCHMARK(BM_GlassFrame)->Unit(benchmark::kMicrosecond);

void BM_ReferenceBlit(benchmark::State &state) {
    Viewer viewer;
    HDC dc = GetDC(viewer.Window());
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, kGlass, kGlass);
    HGDIOBJ old = SelectObject(memory, bitmap);
    int step = 0;
    for (auto _ : state) BitBlt(dc, 128 + (step++ & 1), 128, kGlass, kGlass, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(viewer.Window(), dc);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(state.iterations() * kGlass * kGlass * 4);
}
BENCHMARK(BM_ReferenceBlit)->Unit(benchmark::kMicrosecond);

void BM_ReferenceMemcpy(benchmark::State &state) {
    std::vector<BYTE> from(kGlass * kGlass * 4, 0x5A), to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(from.size()));
}
BENCHMARK(BM_ReferenceMemcpy)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
