// BitBlt and PatBlt throughput against memcpy of the destination bytes,
// measured in the same run: compare BM_BitBlt32To32 and BM_BitBlt8To32 with
// BM_MemcpyDestination32, and BM_PatBltPatternBrush with the same reference.
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "zelt/win32.h"

namespace {

constexpr int kSize = 4096;

// A memory DC holding a top-down DIB section, released on scope exit.
class DibDc {
public:
    DibDc(int bpp) {
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colours[256];
        } info{};
        info.header = {sizeof(BITMAPINFOHEADER), kSize, -kSize, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
        for (int i = 0; i < 256; ++i) info.colours[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0};
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        if (bits_ != nullptr) std::memset(bits_, 0x5A, static_cast<std::size_t>(kSize) * kSize * bpp / 8);
    }
    ~DibDc() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void *bits_ = nullptr;
};

void SetBytes(benchmark::State &state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSize * kSize * 4);
}

void BM_MemcpyDestination32(benchmark::State &state) {
    const std::size_t bytes = static_cast<std::size_t>(kSize) * kSize * 4;
    std::vector<unsigned char> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}

void BitBltFrom(benchmark::State &state, int sourceBpp) {
    DibDc source(sourceBpp), destination(32);
    for (auto _ : state) {
        if (!BitBlt(destination.Dc(), 0, 0, kSize, kSize, source.Dc(), 0, 0, SRCCOPY)) state.SkipWithError("BitBlt failed");
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}

void BM_BitBlt32To32(benchmark::State &state) { BitBltFrom(state, 32); }
void BM_BitBlt8To32(benchmark::State &state) { BitBltFrom(state, 8); }

void BM_PatBltPatternBrush(benchmark::State &state) {
    DibDc destination(32);
    const WORD rows[8] = {0x0F, 0x1E, 0x3C, 0x78, 0xF0, 0xE1, 0xC3, 0x87};
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = CreatePatternBrush(bitmap);
    DeleteObject(bitmap);
    HGDIOBJ old = SelectObject(destination.Dc(), brush);
    for (auto _ : state) {
        if (!PatBlt(destination.Dc(), 0, 0, kSize, kSize, PATCOPY)) state.SkipWithError("PatBlt failed");
        benchmark::ClobberMemory();
    }
    SetBytes(state);
    SelectObject(destination.Dc(), old);
    DeleteObject(brush);
}

}  // namespace

BENCHMARK(BM_MemcpyDestination32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BitBlt32To32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BitBlt8To32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PatBltPatternBrush)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
