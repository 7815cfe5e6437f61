// A 1-bit 300-dpi page (2480 x 3508, text-like runs) painted at a quarter
// of its size into a 32-bit memory surface: gray by box averaging (paint
// mode 3) and bitonal by cell threshold (paint mode 5). Rates are given in
// source and in destination megapixels per second; memcpy of the
// destination's bytes runs in the same program as the reference.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "zelt/display.h"

namespace {

constexpr int kPageW = 2480, kPageH = 3508;
constexpr int kDstW = kPageW / 4, kDstH = kPageH / 4;

// Lines of "text": 40-row bands of short black strokes between white
// margins and leading, like a scanned letter.
struct Page {
    BitmapRecord record{};
    Page() {
        const RGBQUAD grays[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        KrnCreateBitmap(&record, KRN_MEMORY_CONVENTIONAL, kPageW, kPageH, 1, 1, grays, 2, nullptr, 0);
        std::vector<BYTE> row(static_cast<std::size_t>(record.BytesPerLine));
        unsigned x = 0x2545F491u;
        auto next = [&] { return x ^= x << 13, x ^= x >> 17, x ^= x << 5; };
        for (int r = 0; r < kPageH; ++r) {
            std::fill(row.begin(), row.end(), 0xFF);
            const bool textLine = r > 200 && r < kPageH - 200 && (r % 60) < 40;
            for (int c = 200; textLine && c < kPageW - 200;) {
                const int ink = static_cast<int>(next() % 6) + 1, gap = static_cast<int>(next() % 14) + 2;
                for (int k = 0; k < ink && c < kPageW - 200; ++k, ++c)
                    row[static_cast<std::size_t>(c / 8)] &= static_cast<BYTE>(~(0x80 >> (c % 8)));
                c += gap;
            }
            KrnPutBitmapRow(&record, row.data(), r, static_cast<DWORD>(row.size()));
        }
    }
    ~Page() { KrnFreeBitmap(&record); }
};

Page &SharedPage() {
    static Page page;
    return page;
}

class Surface {
public:
    Surface() : dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), kDstW, -kDstH, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void *bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Surface() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

void SetRates(benchmark::State &state) {
    const double iterations = static_cast<double>(state.iterations());
    state.counters["src_MPix/s"] =
        benchmark::Counter(iterations * kPageW * kPageH / 1e6, benchmark::Counter::kIsRate);
    state.counters["dst_MPix/s"] = benchmark::Counter(iterations * kDstW * kDstH / 1e6, benchmark::Counter::kIsRate);
}

// Display mode bits choose the path: 0x10 gray (mode 3), 0x40 bitonal (mode 5).
void PaintQuarter(benchmark::State &state, UINT displayMode) {
    Page &page = SharedPage();
    Surface surface;
    const UINT old = Z_SetDisplayMode(0xFFFFFFFF, displayMode);
    const RECT destination = {0, 0, kDstW, kDstH};
    for (auto _ : state) {
        if (Z_PaintDC(surface.dc(), &page.record, nullptr, nullptr, &destination, nullptr, SRCCOPY) != STATUS_OK)
            state.SkipWithError("paint failed");
    }
    Z_SetDisplayMode(0xFFFFFFFF, old);
    SetRates(state);
}

void BM_GrayQuarterMode3(benchmark::State &state) { PaintQuarter(state, DISP_BITONAL_GRAY); }
BENCHMARK(BM_GrayQuarterMode3)->Unit(benchmark::kMillisecond);

void BM_BitonalQuarterMode5(benchmark::State &state) { PaintQuarter(state, DISP_BITONAL_RESAMPLE); }
BENCHMARK(BM_BitonalQuarterMode5)->Unit(benchmark::kMillisecond);

void BM_MemcpyDestination(benchmark::State &state) {
    const std::size_t bytes = static_cast<std::size_t>(kDstW) * kDstH * 4;
    std::vector<BYTE> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    SetRates(state);
}
BENCHMARK(BM_MemcpyDestination)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
