// Whole-image kernel operations against plain memory operations on the same
// bytes, measured in the same run: KrnFillBitmap against memset of the
// image, KrnConvertColorRes against memcpy of the source image. Items are
// pixels, so the items/s of an operation and of its reference compare
// directly.
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "zelt/kernel.h"

namespace {

constexpr int kFillSize = 4096;
constexpr int kConvertSize = 2048;

void FillRandom(BitmapRecord &bitmap) {
    std::mt19937 random(7);
    auto *bytes = static_cast<BYTE *>(bitmap.Data);
    for (DWORD i = 0; i < bitmap.DataSize; ++i) bytes[i] = static_cast<BYTE>(random());
}

// A region of one run per row over the middle half of the columns, every
// row sharing the one pair.
RegionRecord *MiddleColumnsRegion(int width, int height) {
    auto *region = static_cast<RegionRecord *>(KrnAllocZeroed(sizeof(RegionRecord)));
    region->Bounds = RECT{width / 4, 0, width - width / 4, height};
    region->RowTableBytes = static_cast<DWORD>(height) * sizeof(RowEntry);
    region->RowTable = static_cast<RowEntry *>(KrnAllocZeroed(region->RowTableBytes));
    region->RunBytes = 2 * sizeof(LONG);
    region->RunData = static_cast<LONG *>(KrnAllocMem(region->RunBytes));
    for (int r = 0; r < height; ++r) region->RowTable[r] = RowEntry{2, 0};
    region->RunData[0] = width / 4;
    region->RunData[1] = width - width / 4;
    return region;
}

void BM_MemsetImage(benchmark::State &state) {
    const int bits = static_cast<int>(state.range(0));
    const size_t bytes = static_cast<size_t>((kFillSize * bits + 31) / 32 * 4) * kFillSize;
    std::vector<BYTE> image(bytes);
    for (auto _ : state) {
        std::memset(image.data(), 0x5A, bytes);
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFillSize * kFillSize);
}
BENCHMARK(BM_MemsetImage)->Arg(1)->Arg(12)->Arg(24);

// Depth in the first argument; the second selects the middle-columns region.
void BM_FillBitmap(benchmark::State &state) {
    const int bits = static_cast<int>(state.range(0));
    BitmapRecord bitmap;
    if (KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, kFillSize, kFillSize, bits, bits == 12 ? 2 : 1, nullptr, 0,
                        nullptr, 0) != STATUS_OK) {
        state.SkipWithError("no bitmap");
        return;
    }
    if (state.range(1) != 0) bitmap.Region = MiddleColumnsRegion(kFillSize, kFillSize);
    for (auto _ : state) {
        if (KrnFillBitmap(&bitmap, RGB(200, 100, 50)) != STATUS_OK) state.SkipWithError("fill failed");
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFillSize * kFillSize);
    KrnFreeBitmap(&bitmap);
}
BENCHMARK(BM_FillBitmap)->Args({1, 0})->Args({12, 0})->Args({24, 0})->Args({1, 1})->Args({24, 1});

void BM_MemcpySource(benchmark::State &state) {
    const int bits = static_cast<int>(state.range(0));
    const size_t bytes = static_cast<size_t>((kConvertSize * bits + 31) / 32 * 4) * kConvertSize;
    std::vector<BYTE> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kConvertSize * kConvertSize);
}
BENCHMARK(BM_MemcpySource)->Arg(8)->Arg(16)->Arg(24);

// Arguments: source depth, source Order, target depth, flags.
void BM_ConvertColorRes(benchmark::State &state) {
    const int sourceBits = static_cast<int>(state.range(0));
    BitmapRecord source, target;
    if (KrnCreateBitmap(&source, KRN_MEMORY_CONVENTIONAL, kConvertSize, kConvertSize, sourceBits,
                        static_cast<int>(state.range(1)), nullptr, 0, nullptr, 0) != STATUS_OK) {
        state.SkipWithError("no bitmap");
        return;
    }
    FillRandom(source);
    for (auto _ : state) {
        if (KrnConvertColorRes(&source, &target, static_cast<int>(state.range(2)), static_cast<UINT>(state.range(3)),
                               nullptr, nullptr, 0, 0, 0) != STATUS_OK) {
            state.SkipWithError("conversion failed");
            break;
        }
        KrnFreeBitmap(&target);
    }
    state.SetItemsProcessed(state.iterations() * kConvertSize * kConvertSize);
    KrnFreeBitmap(&source);
}
BENCHMARK(BM_ConvertColorRes)
    ->Args({24, 1, 8, KRN_COLORRES_FIXED_PALETTE})
    ->Args({24, 1, 8, KRN_COLORRES_FIXED_PALETTE | KRN_COLORRES_DIFFUSE})
    ->Args({24, 1, 1, KRN_COLORRES_FIXED_PALETTE})
    ->Args({8, 0, 24, KRN_COLORRES_BGR})
    ->Args({16, 2, 24, KRN_COLORRES_BGR})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
