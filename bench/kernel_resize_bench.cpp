// KrnResizeBitmap on a 4096 x 4096 image, shrunk to 1024 x 1024 (area
// average) and grown to 8192 x 8192 (interpolation), against memcpy of the
// source image measured in the same run. Items are source pixels, so the
// items/s of a resize and of the copy compare directly. Each resize works
// on a fresh copy of the source, made and freed outside the timing; the
// new image it makes is inside it, so growing to 8192 x 8192 also pays for
// the first touch of 200 MB (256 MB at 32 bits) that the copy, reusing its
// buffers, does not.
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "zelt/kernel.h"

namespace {

constexpr int kSourceSize = 4096;

std::size_t ImageBytes(int bits) { return static_cast<std::size_t>((kSourceSize * bits + 31) / 32 * 4) * kSourceSize; }

void BM_MemcpySourceImage(benchmark::State &state) {
    const std::size_t bytes = ImageBytes(static_cast<int>(state.range(0)));
    std::vector<BYTE> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSourceSize * kSourceSize);
}
BENCHMARK(BM_MemcpySourceImage)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

// Arguments: depth, target width and height, flags.
void BM_ResizeBitmap(benchmark::State &state) {
    const int bits = static_cast<int>(state.range(0)), size = static_cast<int>(state.range(1));
    BitmapRecord source{}, work{};
    if (KrnCreateBitmap(&source, KRN_MEMORY_CONVENTIONAL, kSourceSize, kSourceSize, bits, 1, nullptr, 0, nullptr, 0) !=
        STATUS_OK) {
        state.SkipWithError("no bitmap");
        return;
    }
    std::mt19937 random(7);
    auto *bytes = static_cast<BYTE *>(source.Data);
    for (DWORD i = 0; i < source.DataSize; ++i) bytes[i] = static_cast<BYTE>(random());
    for (auto _ : state) {
        state.PauseTiming();
        const int copied = KrnCopyBitmap(&work, &source);
        state.ResumeTiming();
        if (copied != STATUS_OK || KrnResizeBitmap(&work, size, size, static_cast<UINT>(state.range(2))) != STATUS_OK) {
            state.SkipWithError("resize failed");
            break;
        }
        state.PauseTiming();
        KrnFreeBitmap(&work);
        state.ResumeTiming();
    }
    KrnFreeBitmap(&work);
    KrnFreeBitmap(&source);
    state.SetItemsProcessed(state.iterations() * kSourceSize * kSourceSize);
}
BENCHMARK(BM_ResizeBitmap)
    ->Args({24, 1024, 0})
    ->Args({24, 8192, 0})
    ->Args({32, 1024, 0})
    ->Args({32, 8192, 0})
    ->Args({24, 1024, KRN_RESIZE_NEAREST})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
