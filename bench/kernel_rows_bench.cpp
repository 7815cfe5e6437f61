// Row conversion throughput of the kernel against memcpy of the same
// destination bytes, measured in the same run. Reported as pixels per
// second; compare each conversion's time with BM_MemcpyDestination at the
// same width and depth.
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "zelt/kernel.h"

namespace {

constexpr int kWidth = 4096;

std::vector<BYTE> RandomBytes(size_t n) {
    std::mt19937 random(7);
    std::vector<BYTE> bytes(n);
    for (BYTE &b : bytes) b = static_cast<BYTE>(random());
    return bytes;
}

std::vector<RGBQUAD> GrayPalette(int entries) {
    std::vector<RGBQUAD> colors(static_cast<size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const BYTE g = static_cast<BYTE>(i * 255 / (entries - 1));
        colors[static_cast<size_t>(i)] = {g, g, g, 0};
    }
    return colors;
}

void BM_MemcpyDestination(benchmark::State &state) {
    const size_t bytes = static_cast<size_t>(kWidth) * 3;
    std::vector<BYTE> from = RandomBytes(bytes), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth);
}
BENCHMARK(BM_MemcpyDestination);

// Source depth in the argument; destination 24-bit blue first.
void BM_ConvertRowTo24(benchmark::State &state) {
    const int bits = static_cast<int>(state.range(0));
    const std::vector<BYTE> source = RandomBytes(static_cast<size_t>(kWidth) * 8);
    std::vector<BYTE> target(static_cast<size_t>(kWidth) * 8);
    const std::vector<RGBQUAD> palette = bits <= 8 ? GrayPalette(1 << bits) : std::vector<RGBQUAD>();
    const int order = bits == 12 ? 2 : 0;
    const UINT flags = bits == 12 ? KRN_CONVERT_GRAY : 0;
    for (auto _ : state) {
        const int status = KrnConvertRowTo24(target.data(), source.data(), kWidth, bits, order, 24, 1,
                                             palette.empty() ? nullptr : palette.data(),
                                             static_cast<int>(palette.size()), flags, 0, bits - 1);
        if (status != STATUS_OK) state.SkipWithError("conversion failed");
        benchmark::DoNotOptimize(target.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth);
}
BENCHMARK(BM_ConvertRowTo24)->Arg(1)->Arg(4)->Arg(8)->Arg(12)->Arg(16)->Arg(24)->Arg(32)->Arg(48)->Arg(64);

}  // namespace

BENCHMARK_MAIN();
