// Halftoning and underlay of a 4096 x 4096 24-bit image, beside memcpy of
// the same image bytes measured in the same run (BM_MemcpyImage). Items are
// pixels, so items/s compare directly. Halftoning consumes its source, so
// each iteration halftones a fresh copy made outside the timed part.
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "zelt/display.h"

namespace {

constexpr int kSize = 4096;
constexpr int kTextureSize = 256;

void FillRandom(BitmapRecord &bitmap, unsigned seed) {
    std::mt19937 random(seed);
    auto *bytes = static_cast<BYTE *>(bitmap.Data);
    for (DWORD i = 0; i < bitmap.DataSize; ++i) bytes[i] = static_cast<BYTE>(random());
}

bool MakeImage(BitmapRecord &bitmap, int size, unsigned seed) {
    if (KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, size, size, 24, 1, nullptr, 0, nullptr, 0) != STATUS_OK)
        return false;
    FillRandom(bitmap, seed);
    return true;
}

void BM_MemcpyImage(benchmark::State &state) {
    const size_t bytes = static_cast<size_t>(kSize) * kSize * 3;
    std::vector<BYTE> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSize * kSize);
}
BENCHMARK(BM_MemcpyImage)->Unit(benchmark::kMillisecond);

// Argument: screen angle in hundredths of a degree, or -1 for the unturned
// screen of Z_HalfToneBitmap.
void BM_HalfTone(benchmark::State &state) {
    const int angle = static_cast<int>(state.range(0));
    BitmapRecord source{};
    if (!MakeImage(source, kSize, 3)) {
        state.SkipWithError("no image");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        BitmapRecord work{};
        const bool copied = KrnCopyBitmap(&work, &source) == STATUS_OK;
        state.ResumeTiming();
        if (!copied) {
            state.SkipWithError("no copy");
            break;
        }
        const int status = angle < 0 ? Z_HalfToneBitmap(&work, HALFTONE_CLUSTER)
                                     : Z_HalfToneBitmapExt(&work, HALFTONE_CLUSTER, angle);
        if (status != STATUS_OK) state.SkipWithError("halftone failed");
        state.PauseTiming();
        KrnFreeBitmap(&work);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kSize * kSize);
    KrnFreeBitmap(&source);
}
BENCHMARK(BM_HalfTone)->Arg(-1)->Arg(4500)->Unit(benchmark::kMillisecond);

// Argument: UNDERLAY_TILE or UNDERLAY_STRETCH of a 256 x 256 24-bit texture.
void BM_Underlay(benchmark::State &state) {
    BitmapRecord image{}, texture{};
    if (!MakeImage(image, kSize, 5) || !MakeImage(texture, kTextureSize, 9)) {
        state.SkipWithError("no image");
        KrnFreeBitmap(&image);
        return;
    }
    for (auto _ : state) {
        if (Z_UnderlayBitmap(&image, &texture, static_cast<UINT>(state.range(0))) != STATUS_OK)
            state.SkipWithError("underlay failed");
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSize * kSize);
    KrnFreeBitmap(&image);
    KrnFreeBitmap(&texture);
}
BENCHMARK(BM_Underlay)->Arg(UNDERLAY_TILE)->Arg(UNDERLAY_STRETCH)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
