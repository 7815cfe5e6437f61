// The magic wand over a 4096 x 4096 24-bit image of one colour scattered
// with obstacles of another, against a memcpy of the image's bytes in the
// same run. MP/s counts the image's pixels per second.
#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "zelt/display.h"

namespace {

constexpr int kSize = 4096;

struct WandImage {
    BitmapRecord bitmap{};
    WandImage() {
        if (KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, kSize, kSize, 24, 1, nullptr, 0, nullptr, 0) != STATUS_OK)
            return;
        auto *data = static_cast<BYTE *>(bitmap.Data);
        auto paint = [&](int x0, int y0, int x1, int y1, BYTE b, BYTE g, BYTE r) {
            for (int y = y0; y < y1; ++y) {
                BYTE *p = data + size_t(y) * size_t(bitmap.BytesPerLine) + size_t(x0) * 3;
                for (int x = x0; x < x1; ++x, p += 3) {
                    p[0] = b;
                    p[1] = g;
                    p[2] = r;
                }
            }
        };
        paint(0, 0, kSize, kSize, 40, 120, 200);
        // Obstacles: rectangles and thin bars the fill must go round.
        std::mt19937 rng(7);
        for (int i = 0; i < 3000; ++i) {
            const int x = int(rng() % kSize), y = int(rng() % kSize);
            const int w = 1 + int(rng() % 48), h = 1 + int(rng() % 48);
            paint(x, y, std::min(kSize, x + w), std::min(kSize, y + h), 200, 30, 30);
        }
        paint(0, 0, 64, 64, 40, 120, 200);  // a clear seed corner
    }
    ~WandImage() { KrnFreeBitmap(&bitmap); }
};

WandImage &Image() {
    static WandImage image;
    return image;
}

void BM_MagicWand(benchmark::State &state) {
    BitmapRecord &bitmap = Image().bitmap;
    const UINT tolerance = UINT(state.range(0));
    for (auto _ : state) {
        if (Z_SetBitmapRgnMagicWand(&bitmap, 3, 3, tolerance, RGNMODE_SET) != STATUS_OK) {
            state.SkipWithError("magic wand failed");
            break;
        }
    }
    DWORD area = 0;
    Z_GetBitmapRgnArea(&bitmap, &area);
    state.counters["selected%"] = 100.0 * double(area) / (double(kSize) * kSize);
    state.counters["MP/s"] = benchmark::Counter(double(kSize) * kSize * double(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MagicWand)->Arg(0)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_ColorRegion(benchmark::State &state) {
    BitmapRecord &bitmap = Image().bitmap;
    for (auto _ : state) {
        if (Z_SetBitmapRgnColor(&bitmap, RGB(200, 120, 40), RGNMODE_SET) != STATUS_OK) {
            state.SkipWithError("colour region failed");
            break;
        }
    }
    state.counters["MP/s"] = benchmark::Counter(double(kSize) * kSize * double(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ColorRegion)->Unit(benchmark::kMillisecond);

// The reference: copying the image's bytes once.
void BM_MemcpyImage(benchmark::State &state) {
    const BitmapRecord &bitmap = Image().bitmap;
    const size_t bytes = size_t(bitmap.BytesPerLine) * size_t(bitmap.Height);
    std::vector<BYTE> copy(bytes);
    for (auto _ : state) {
        std::memcpy(copy.data(), bitmap.Data, bytes);
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] = benchmark::Counter(double(kSize) * kSize * double(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MemcpyImage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
