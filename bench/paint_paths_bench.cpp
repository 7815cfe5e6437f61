// The general and unscaled paint paths on 4096 x 4096 sources painted into
// memory DIB sections, in megapixels of destination per second, beside
// memcpy of the destination's bytes measured in the same run
// (BM_MemcpyDestination/<device bits>/<scale percent>).
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

// The paint paths are internal to the display library.
#include "../display/paint/paint_engine.h"
#include "../display/paint/stored_rows.h"
#include "zelt/host.h"

namespace {

constexpr int kSource = 4096;

// A memory DC over a top-down DIB section of the given depth.
class Device {
public:
    Device(int width, int height, int bits) {
        dc_ = CreateCompatibleDC(nullptr);
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[256];
        } info{};
        info.header.biSize = sizeof(BITMAPINFOHEADER);
        info.header.biWidth = width;
        info.header.biHeight = -height;
        info.header.biPlanes = 1;
        info.header.biBitCount = static_cast<WORD>(bits);
        for (int i = 0; i < 256; ++i)
            info.colors[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
        void *pixels = nullptr;
        bitmap_ = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &pixels, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Device() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    bool ok() const { return bitmap_ != nullptr; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// One 24-bit source shared by every case (random pixels).
BitmapRecord *Source() {
    static BitmapRecord bitmap = [] {
        BitmapRecord b{};
        KrnCreateBitmap(&b, KRN_MEMORY_CONVENTIONAL, kSource, kSource, 24, 1, nullptr, 0, nullptr, 0);
        std::mt19937 random(3);
        auto *bytes = static_cast<std::uint32_t *>(b.Data);
        for (DWORD i = 0; i < b.DataSize / 4; ++i) bytes[i] = random();
        return b;
    }();
    return &bitmap;
}

int Destination(int scalePercent) { return static_cast<int>(static_cast<long long>(kSource) * scalePercent / 100); }

void BM_MemcpyDestination(benchmark::State &state) {
    const int bits = static_cast<int>(state.range(0));
    const int size = Destination(static_cast<int>(state.range(1)));
    const size_t bytes = static_cast<size_t>((size * bits + 31) / 32 * 4) * size;
    std::vector<BYTE> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(size) * size * state.iterations() / 1e6,
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MemcpyDestination)->Args({24, 100})->Args({32, 100})->Args({32, 200})->Args({32, 50})->Args({8, 100})
    ->Args({1, 100})->Unit(benchmark::kMillisecond);

// Arguments: device bits, scale percent, paint mode, display mode.
void BM_Paint(benchmark::State &state) {
    const int deviceBits = static_cast<int>(state.range(0));
    const int size = Destination(static_cast<int>(state.range(1)));
    const int paintMode = static_cast<int>(state.range(2));
    const UINT oldMode = Z_SetDisplayMode(0xFFFFFFFFu, static_cast<UINT>(state.range(3)));
    Device device(size, size, deviceBits);
    if (!device.ok()) {
        state.SkipWithError("no device surface");
        Z_SetDisplayMode(0xFFFFFFFFu, oldMode);
        return;
    }
    BitmapRecord *bitmap = Source();
    const RECT src = {0, 0, kSource, kSource}, dst = {0, 0, size, size};
    const bool unscaled = size == kSource;
    const int analysed = deviceBits > 8 ? 24 : deviceBits;
    for (auto _ : state) {
        const int status = unscaled ? PaintUnscaled(device.dc(), bitmap, nullptr, 0, 0, &src, &src, &dst, &dst,
                                                    analysed, paintMode, SRCCOPY)
                                    : PaintGeneral(device.dc(), bitmap, nullptr, 0, 0, &src, &src, &dst, &dst,
                                                   analysed, paintMode, SRCCOPY);
        if (status != STATUS_OK) {
            state.SkipWithError("paint failed");
            break;
        }
    }
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(size) * size * state.iterations() / 1e6,
                                                benchmark::Counter::kIsRate);
    Z_SetDisplayMode(0xFFFFFFFFu, oldMode);
}
BENCHMARK(BM_Paint)
    ->ArgNames({"device", "scale%", "mode", "disp"})
    ->Args({24, 100, PAINTMODE_DIRECT, 0})                   // unscaled 24 -> 24
    ->Args({32, 100, PAINTMODE_DIRECT, 0})                   // unscaled 24 -> 32
    ->Args({32, 200, PAINTMODE_DIRECT, 0})                   // general 2x up 24 -> 32
    ->Args({32, 50, PAINTMODE_DIRECT, 0})                    // general 0.5x down 24 -> 32
    ->Args({8, 100, PAINTMODE_REDUCE, 0})                    // 24 -> 8, error diffusion
    ->Args({8, 100, PAINTMODE_REDUCE, DISP_CONVERTER_ALT})   // 24 -> 8, ordered dither
    ->Args({1, 100, PAINTMODE_REDUCE, DISP_CONVERTER_ALT})   // 24 -> 1, ordered dither
    ->Args({1, 100, PAINTMODE_REDUCE, 0})                    // 24 -> 1, error diffusion
    ->Args({8, 101, PAINTMODE_REDUCE, 0})                    // general 24 -> 8, diffusion (beside the kernel route)
    ->Args({8, 101, PAINTMODE_REDUCE, DISP_CONVERTER_ALT})   // general 24 -> 8, ordered
    ->Args({1, 101, PAINTMODE_REDUCE, DISP_CONVERTER_ALT})   // general 24 -> 1, ordered
    ->Args({8, 101, PAINTMODE_REDUCE, DISP_KERNEL_REDUCE})   // kernel route, diffusion
    ->Args({8, 101, PAINTMODE_REDUCE, DISP_KERNEL_REDUCE | DISP_CONVERTER_ALT})  // kernel route, ordered
    ->Args({1, 101, PAINTMODE_REDUCE, DISP_KERNEL_REDUCE | DISP_CONVERTER_ALT})
    ->Unit(benchmark::kMillisecond);

// The same work through the public entry (dispatch, device analysis and
// rectangles included), with the screen at the device's depth so that the
// analysis reduces for 1- and 8-bit devices. Arguments: device bits, scale
// percent, display mode, rows read in place (1) or copied out first (0: the
// band path as it was, for a same-run before and after).
void BM_PaintDC(benchmark::State &state) {
    const int deviceBits = static_cast<int>(state.range(0));
    const int size = Destination(static_cast<int>(state.range(1)));
    const UINT oldMode = Z_SetDisplayMode(0xFFFFFFFFu, static_cast<UINT>(state.range(2)));
    paint_band::SetPaintShortcuts(state.range(3) != 0);
    ZeltHostConfigureScreen(1024, 768, deviceBits <= 8 ? deviceBits : 32);
    {
        Device device(size, size, deviceBits);
        const RECT dst = {0, 0, size, size};
        for (auto _ : state) {
            if (!device.ok() || Z_PaintDC(device.dc(), Source(), nullptr, nullptr, &dst, nullptr, SRCCOPY) != STATUS_OK) {
                state.SkipWithError("paint failed");
                break;
            }
        }
    }
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(size) * size * state.iterations() / 1e6,
                                                benchmark::Counter::kIsRate);
    ZeltHostConfigureScreen(1024, 768, 32);
    paint_band::SetPaintShortcuts(true);
    Z_SetDisplayMode(0xFFFFFFFFu, oldMode);
}
BENCHMARK(BM_PaintDC)
    ->ArgNames({"device", "scale%", "disp", "inplace"})
    ->ArgsProduct({{24, 32}, {100}, {0}, {0, 1}})                       // unscaled 24 -> 24 and 24 -> 32
    ->ArgsProduct({{32}, {200, 50}, {0}, {0, 1}})                       // general 2x up, 0.5x down 24 -> 32
    ->ArgsProduct({{8, 1}, {100}, {DISP_DEVICE_REDUCE}, {0, 1}})        // 24 -> 8 and 24 -> 1, error diffusion
    ->ArgsProduct({{8, 1}, {100}, {DISP_DEVICE_REDUCE | DISP_CONVERTER_ALT}, {0, 1}})  // ordered dither
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
