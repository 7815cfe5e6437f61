// The magic wand over a 4096 x 4096 image of one colour scattered with
// obstacles of another (24, 32 and 8 bits), and over a 1024 x 1024 24-bit
// image of two colours at random (short runs, many holes), against a
// memcpy of the image's bytes in the same run. MP/s counts the image's
// pixels per second.
#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "zelt/display.h"

namespace {

constexpr int kSize = 4096;
constexpr BYTE kOpen[3] = {40, 120, 200}, kWall[3] = {200, 30, 30};  // blue, green, red

struct WandImage {
    BitmapRecord bitmap{};
    WandImage(int bits, int size, bool noisy) {
        const RGBQUAD palette[2] = {{kOpen[0], kOpen[1], kOpen[2], 0}, {kWall[0], kWall[1], kWall[2], 0}};
        if (KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, size, size, bits, 1, bits == 8 ? palette : nullptr, 0,
                            nullptr, 0) != STATUS_OK)
            return;
        auto *data = static_cast<BYTE *>(bitmap.Data);
        const int bytes = bits / 8;
        auto put = [&](int x, int y, bool wall) {
            BYTE *p = data + size_t(y) * size_t(bitmap.BytesPerLine) + size_t(x) * size_t(bytes);
            if (bits == 8) *p = wall ? 1 : 0;
            else std::memcpy(p, wall ? kWall : kOpen, 3);
        };
        auto paint = [&](int x0, int y0, int x1, int y1, bool wall) {
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) put(x, y, wall);
        };
        std::mt19937 rng(7);
        paint(0, 0, size, size, false);
        if (noisy) {
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) put(x, y, rng() % 10 < 4);
        } else {
            // Obstacles: rectangles and thin bars the fill must go round.
            for (int i = 0; i < 3000; ++i) {
                const int x = int(rng() % size), y = int(rng() % size);
                const int w = 1 + int(rng() % 48), h = 1 + int(rng() % 48);
                paint(x, y, std::min(size, x + w), std::min(size, y + h), true);
            }
        }
        paint(0, 0, 64, 64, false);  // a clear seed corner
    }
    ~WandImage() { KrnFreeBitmap(&bitmap); }
};

WandImage &Image(int bits = 24, bool noisy = false) {
    static WandImage image24(24, kSize, false), image32(32, kSize, false), image8(8, kSize, false),
        noisy24(24, kSize / 4, true);
    return noisy ? noisy24 : bits == 32 ? image32 : bits == 8 ? image8 : image24;
}

// Arguments: tolerance, depth, noisy.
void BM_MagicWand(benchmark::State &state) {
    BitmapRecord &bitmap = Image(int(state.range(1)), state.range(2) != 0).bitmap;
    const UINT tolerance = UINT(state.range(0));
    for (auto _ : state) {
        if (Z_SetBitmapRgnMagicWand(&bitmap, 3, 3, tolerance, RGNMODE_SET) != STATUS_OK) {
            state.SkipWithError("magic wand failed");
            break;
        }
    }
    const double pixels = double(bitmap.Width) * double(bitmap.Height);
    DWORD area = 0;
    Z_GetBitmapRgnArea(&bitmap, &area);
    state.counters["selected%"] = 100.0 * double(area) / pixels;
    state.counters["MP/s"] = benchmark::Counter(pixels * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MagicWand)
    ->ArgNames({"tolerance", "bits", "noisy"})
    ->Args({0, 24, 0})
    ->Args({16, 24, 0})
    ->Args({16, 32, 0})
    ->Args({16, 8, 0})
    ->Args({0, 24, 1})
    ->Unit(benchmark::kMillisecond);

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
