// Reducing row converters on 4096-pixel rows, as pixels per second, beside
// memcpy of the same destination bytes measured in the same run
// (BM_MemcpyDestination/<device bits>).
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

// The converters are internal to the display library.
#include "../display/paint/paint_engine.h"

namespace {

constexpr int kWidth = 4096;

std::vector<BYTE> RandomBytes(size_t n) {
    std::mt19937 random(7);
    std::vector<BYTE> bytes(n);
    for (BYTE &b : bytes) b = static_cast<BYTE>(random());
    return bytes;
}

void BM_MemcpyDestination(benchmark::State &state) {
    const size_t bytes = static_cast<size_t>(kWidth) * state.range(0) / 8;
    std::vector<BYTE> from = RandomBytes(bytes), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth);
}
BENCHMARK(BM_MemcpyDestination)->Arg(1)->Arg(4)->Arg(8);

// Arguments: source depth, device depth, ordered (1) or error diffusion (0).
void BM_ReduceRow(benchmark::State &state) {
    const int sourceBits = static_cast<int>(state.range(0));
    const int deviceBits = static_cast<int>(state.range(1));
    const bool ordered = state.range(2) != 0;
    const UINT oldMode = Z_SetDisplayMode(DISP_CONVERTER_ALT, ordered ? DISP_CONVERTER_ALT : 0);
    RowConverter convert = SelectRowConverter(sourceBits, deviceBits);
    Z_SetDisplayMode(0xFFFFFFFFu, oldMode);
    if (convert == nullptr) {
        state.SkipWithError("no converter");
        return;
    }
    BYTE lut[256];
    std::iota(lut, lut + 256, 0);
    BitmapRecord bitmap{};
    bitmap.BitsPerPixel = sourceBits;
    bitmap.Order = 1;
    bitmap.PaintLut = lut;
    bitmap.PaintHighBit = sourceBits > 8 ? sourceBits - 1 : 7;
    std::vector<RGBQUAD> palette(256);
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = {BYTE(i * 7), BYTE(i * 13), BYTE(i * 29), 0};
    const std::vector<BYTE> source = RandomBytes(static_cast<size_t>(kWidth) * sourceBits / 8);
    std::vector<BYTE> target(static_cast<size_t>(kWidth) * deviceBits / 8);
    std::vector<int> errors(3 * static_cast<size_t>(kWidth), 0);
    int row = 0;
    for (auto _ : state) {
        convert(target.data(), source.data(), &bitmap, 0, kWidth, 0, row++, errors.data(), palette.data());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth);
}
BENCHMARK(BM_ReduceRow)
    ->ArgNames({"src", "dev", "ordered"})
    ->Args({24, 8, 0})
    ->Args({24, 8, 1})
    ->Args({24, 1, 0})
    ->Args({24, 1, 1})
    ->Args({32, 1, 1})
    ->Args({24, 4, 0})
    ->Args({8, 4, 0})
    ->Args({16, 8, 0});

}  // namespace

BENCHMARK_MAIN();
