// StretchDIBits throughput on a 4096 x 4096 image: 24-bpp data into a
// 32-bpp DIB section at 1:1, enlarged 2x and shrunk to half, into a 24-bpp
// DIB section at 1:1 and 2x, and into an 8-bpp palette DIB section at 1:1.
// Items are destination pixels; a memcpy of the destination's bytes (32
// and 24 bpp) runs in the same program as the reference.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "zelt/win32.h"

namespace {

constexpr int kSide = 4096;

struct Source {
    BITMAPINFO info{};
    std::vector<BYTE> bits;
    Source() {
        info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), kSide, kSide, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        bits.resize(static_cast<std::size_t>(kSide) * kSide * 3);
        unsigned x = 0x51D0u;
        for (BYTE &b : bits) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            b = static_cast<BYTE>(x);
        }
    }
};

const Source &SharedSource() {
    static const Source source;
    return source;
}

// A memory DC holding a DIB section of `bpp` (8 bpp: a 3-3-2 table).
class Target {
public:
    Target(int side, int bpp) {
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colours[256];
        } info{};
        info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), side, side, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
        if (bpp == 8) {
            static const BYTE levels[8] = {0, 36, 73, 109, 146, 182, 219, 255};
            for (int i = 0; i < 256; ++i)
                info.colours[i] = RGBQUAD{static_cast<BYTE>((i & 3) * 85), levels[(i >> 2) & 7], levels[i >> 5], 0};
            info.header.biClrUsed = 256;
        }
        dc_ = CreateCompatibleDC(nullptr);
        void *bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        SetStretchBltMode(dc_, COLORONCOLOR);
    }
    ~Target() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    bool ok() const { return old_ != nullptr; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

void Stretch(benchmark::State &state, int destSide, int srcSide, int bpp) {
    const Source &source = SharedSource();
    Target target(destSide, bpp);
    if (!target.ok()) {
        state.SkipWithError("target not created");
        return;
    }
    for (auto _ : state) {
        const int lines = StretchDIBits(target.dc(), 0, 0, destSide, destSide, 0, 0, srcSide, srcSide, source.bits.data(),
                                        &source.info, DIB_RGB_COLORS, SRCCOPY);
        benchmark::DoNotOptimize(lines);
    }
    state.SetItemsProcessed(state.iterations() * destSide * destSide);
    state.SetBytesProcessed(state.iterations() * destSide * destSide * (bpp / 8));
}

void BM_StretchDIBits_24To32_1to1(benchmark::State &state) { Stretch(state, kSide, kSide, 32); }
void BM_StretchDIBits_24To32_Up2x(benchmark::State &state) { Stretch(state, kSide, kSide / 2, 32); }
void BM_StretchDIBits_24To32_Down2x(benchmark::State &state) { Stretch(state, kSide / 2, kSide, 32); }
void BM_StretchDIBits_24To24_1to1(benchmark::State &state) { Stretch(state, kSide, kSide, 24); }
void BM_StretchDIBits_24To24_Up2x(benchmark::State &state) { Stretch(state, kSide, kSide / 2, 24); }
void BM_StretchDIBits_24To8Palette_1to1(benchmark::State &state) { Stretch(state, kSide, kSide, 8); }

// The reference: copying the destination's bytes.
void CopyDestination(benchmark::State &state, int bytesPerPixel) {
    const std::size_t bytes = static_cast<std::size_t>(kSide) * kSide * bytesPerPixel;
    std::vector<BYTE> from(bytes, 1), to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

void BM_Memcpy_Destination32(benchmark::State &state) { CopyDestination(state, 4); }
void BM_Memcpy_Destination24(benchmark::State &state) { CopyDestination(state, 3); }

BENCHMARK(BM_Memcpy_Destination32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy_Destination24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchDIBits_24To32_1to1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchDIBits_24To32_Up2x)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchDIBits_24To32_Down2x)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchDIBits_24To24_1to1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchDIBits_24To24_Up2x)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchDIBits_24To8Palette_1to1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
