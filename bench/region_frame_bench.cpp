// Framing a large region: a call served from the cached outline mask (one
// pattern blit through the mask) against a plain BitBlt of the same
// monochrome mask size with the same raster operation in the same run, and
// the first call, which builds the mask from the run lists.
//
// Compare BM_FrameCached with BM_ReferenceMaskBlit (same pixels moved), and
// BM_FrameBuildMask with BM_FrameCached for the cost of a rebuild.
#include <cmath>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "region/region_internal.h"

namespace {

constexpr int kSize = 2048;

// A 32-bit top-down DIB section in a memory DC.
class DibDc {
public:
    DibDc() {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), kSize, -kSize, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        dc_ = CreateCompatibleDC(nullptr);
        void *bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        if (bits != nullptr) std::memset(bits, 0x5A, size_t(kSize) * kSize * 4);
    }
    ~DibDc() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// A bitmap record (no image data) whose region is a large disc with a
// rectangular hole: curved and straight edges, two runs on many rows.
struct DiscBitmap {
    BitmapRecord record{};
    DiscBitmap() {
        KrnInitBitmapRecord(&record, kSize, kSize, 24);
        zelt::region::RegionBuilder builder;
        zelt::region::BeginRegion(builder, RECT{0, 0, kSize, kSize});
        const double r = kSize / 2.0 - 1;
        for (LONG y = 0; y < kSize; ++y) {
            const double dy = y + 0.5 - kSize / 2.0;
            const LONG half = dy * dy < r * r ? LONG(std::sqrt(r * r - dy * dy)) : 0;
            const LONG left = kSize / 2 - half, right = kSize / 2 + half;
            const bool hole = y >= kSize / 3 && y < 2 * kSize / 3;
            if (half > 0 && hole) {
                zelt::region::AppendRun(builder, left, kSize / 3);
                zelt::region::AppendRun(builder, 2 * kSize / 3, right);
            } else if (half > 0) {
                zelt::region::AppendRun(builder, left, right);
            }
            zelt::region::EndRegionRow(builder);
        }
        record.Region = zelt::region::FinishRegion(builder);
    }
    ~DiscBitmap() { KrnFreeRegion(record.Region); }
};

void SetPixels(benchmark::State &state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kSize * kSize);
}

void BM_ReferenceMaskBlit(benchmark::State &state) {
    DibDc device;
    HDC memory = CreateCompatibleDC(device.Dc());
    HBITMAP mask = CreateBitmap(kSize, kSize, 1, 1, nullptr);
    HGDIOBJ previousBitmap = SelectObject(memory, mask);
    PatBlt(memory, 0, 0, kSize, kSize, BLACKNESS);
    const WORD rows[8] = {0x0F, 0x1E, 0x3C, 0x78, 0xF0, 0xE1, 0xC3, 0x87};
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = CreatePatternBrush(pattern);
    DeleteObject(pattern);
    HGDIOBJ previousBrush = SelectObject(device.Dc(), brush);
    for (auto _ : state) {
        if (!BitBlt(device.Dc(), 0, 0, kSize, kSize, memory, 0, 0, 0x00E20746)) state.SkipWithError("BitBlt failed");
        benchmark::ClobberMemory();
    }
    SelectObject(device.Dc(), previousBrush);
    DeleteObject(brush);
    SelectObject(memory, previousBitmap);
    DeleteObject(mask);
    DeleteDC(memory);
    SetPixels(state);
}

void BM_FrameCached(benchmark::State &state) {
    DibDc device;
    DiscBitmap bitmap;
    if (Z_FrameBitmapRgn(device.Dc(), &bitmap.record, nullptr, 0) != STATUS_OK) state.SkipWithError("frame failed");
    UINT type = 0;
    for (auto _ : state) {
        type = (type + 1) % 8;
        if (Z_FrameBitmapRgn(device.Dc(), &bitmap.record, nullptr, type) != STATUS_OK) state.SkipWithError("frame failed");
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}

void BM_FrameBuildMask(benchmark::State &state) {
    DibDc device;
    DiscBitmap bitmap;
    for (auto _ : state) {
        // Dropping the mask makes every call a first call.
        DeleteObject(bitmap.record.Region->hFrameMask);
        bitmap.record.Region->hFrameMask = nullptr;
        if (Z_FrameBitmapRgn(device.Dc(), &bitmap.record, nullptr, 0) != STATUS_OK) state.SkipWithError("frame failed");
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}

BENCHMARK(BM_ReferenceMaskBlit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameCached)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameBuildMask)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
