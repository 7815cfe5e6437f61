// Z_ConvertColorSpace on 16 M pixels (a 4096 x 4096 image's worth) of
// random colours: BGR to each space, each space to BGR, and the BGR - YUV -
// BGR round trip, against memcpy of the same 48 MiB of BGR bytes measured
// in the same run. Items are pixels, so items/s compare directly.
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "zelt/display.h"

namespace {

constexpr int kPixels = 4096 * 4096;
constexpr size_t kLargestPixelBytes = 6;

const std::vector<BYTE> &RandomBgr() {
    static const std::vector<BYTE> pixels = [] {
        std::vector<BYTE> bytes(static_cast<size_t>(kPixels) * 3);
        std::mt19937 random(24);
        for (auto &byte : bytes) byte = static_cast<BYTE>(random());
        return bytes;
    }();
    return pixels;
}

void BM_MemcpyBgr(benchmark::State &state) {
    const std::vector<BYTE> &from = RandomBgr();
    std::vector<BYTE> to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_MemcpyBgr)->Unit(benchmark::kMillisecond);

// The space's code in the argument.
void BM_FromBgr(benchmark::State &state) {
    const int space = static_cast<int>(state.range(0));
    std::vector<BYTE> to(static_cast<size_t>(kPixels) * kLargestPixelBytes);
    for (auto _ : state) {
        if (Z_ConvertColorSpace(RandomBgr().data(), to.data(), kPixels, COLORSPACE_BGR, space) != STATUS_OK)
            state.SkipWithError("conversion failed");
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_FromBgr)->DenseRange(COLORSPACE_YUV, COLORSPACE_CMY)->Unit(benchmark::kMillisecond);

void BM_ToBgr(benchmark::State &state) {
    const int space = static_cast<int>(state.range(0));
    std::vector<BYTE> from(static_cast<size_t>(kPixels) * kLargestPixelBytes), to(static_cast<size_t>(kPixels) * 3);
    if (Z_ConvertColorSpace(RandomBgr().data(), from.data(), kPixels, COLORSPACE_BGR, space) != STATUS_OK) {
        state.SkipWithError("no source pixels");
        return;
    }
    for (auto _ : state) {
        if (Z_ConvertColorSpace(from.data(), to.data(), kPixels, space, COLORSPACE_BGR) != STATUS_OK)
            state.SkipWithError("conversion failed");
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_ToBgr)->DenseRange(COLORSPACE_YUV, COLORSPACE_CMY)->Unit(benchmark::kMillisecond);

void BM_BgrYuvRoundTrip(benchmark::State &state) {
    std::vector<BYTE> yuv(static_cast<size_t>(kPixels) * 6), back(static_cast<size_t>(kPixels) * 3);
    for (auto _ : state) {
        if (Z_ConvertColorSpace(RandomBgr().data(), yuv.data(), kPixels, COLORSPACE_BGR, COLORSPACE_YUV) != STATUS_OK ||
            Z_ConvertColorSpace(yuv.data(), back.data(), kPixels, COLORSPACE_YUV, COLORSPACE_BGR) != STATUS_OK)
            state.SkipWithError("conversion failed");
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_BgrYuvRoundTrip)->Unit(benchmark::kMillisecond);

// Through the intermediate: YUV to HSV, both sides converted.
void BM_YuvToHsv(benchmark::State &state) {
    std::vector<BYTE> yuv(static_cast<size_t>(kPixels) * 6), hsv(static_cast<size_t>(kPixels) * 3);
    if (Z_ConvertColorSpace(RandomBgr().data(), yuv.data(), kPixels, COLORSPACE_BGR, COLORSPACE_YUV) != STATUS_OK) {
        state.SkipWithError("no source pixels");
        return;
    }
    for (auto _ : state) {
        if (Z_ConvertColorSpace(yuv.data(), hsv.data(), kPixels, COLORSPACE_YUV, COLORSPACE_HSV) != STATUS_OK)
            state.SkipWithError("conversion failed");
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_YuvToHsv)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
