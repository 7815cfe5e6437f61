// Building the GDI region of a selection: 4096 rows of 50 runs each.
//
// BM_BuildRgnHandle/<xform> is the library's build: every run mapped to a
// display rectangle through per-edge tables, the rectangles listed in
// RGNDATA and joined by one ExtCreateRegion call. Without a quarter turn
// (xform 0 and 1) the list is already banded; the turned view (xform 2)
// makes every row a display column, so the union is swept from a sorted
// list and its result holds about seven times as many rectangles.
// Two references run beside it:
// - BM_AppendRowsOneByOne builds each row's region with CombineRgn and ORs
//   it into one accumulating region, row after row: the straightforward
//   way (every append copies the whole region built so far).
// - BM_MemcpyRuns copies the run bytes once: the floor any conversion of
//   the run list has to pay for touching its input.
// items_per_second counts runs.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "region/region_internal.h"

namespace {

using namespace zelt::region;

constexpr LONG kRows = 4096;
constexpr LONG kRunsPerRow = 50;
constexpr LONG kSlot = 80;  // each run lies in its own 80-column slot

// A record of kRows rows with kRunsPerRow runs each, in varying places.
RegionRecord *MakeRegion() {
    RegionBuilder builder;
    if (BeginRegion(builder, RECT{0, 0, kRunsPerRow * kSlot, kRows}) != STATUS_OK) return nullptr;
    for (LONG y = 0; y < kRows; ++y) {
        for (LONG k = 0; k < kRunsPerRow; ++k) {
            const LONG start = k * kSlot + (y * 7 + k * 13) % 40;
            AppendRun(builder, start, start + 1 + (y + k) % 30);
        }
        if (EndRegionRow(builder) != STATUS_OK) return nullptr;
    }
    return FinishRegion(builder);
}

struct Fixture {
    BitmapRecord bitmap{};
    Fixture() {
        KrnInitBitmapRecord(&bitmap, kRunsPerRow * kSlot, kRows, 1);
        bitmap.Region = MakeRegion();
    }
    ~Fixture() { KrnFreeRegion(bitmap.Region); }
};

const RegionXForm kXForms[] = {
    {0, 1, 1, 1, 1, 0, 0},  // identity
    {0, 1, 2, 1, 2, 0, 0},  // halved: runs of neighbouring rows land on one display row
    {4, 1, 1, 1, 1, 0, 0},  // turned: every row becomes a display column
};

void BM_BuildRgnHandle(benchmark::State &state) {
    Fixture fixture;
    const RegionXForm &xform = kXForms[state.range(0)];
    for (auto _ : state) {
        HRGN handle = nullptr;
        if (BuildRgnHandle(&fixture.bitmap, fixture.bitmap.Region, &xform, &handle) != STATUS_OK) {
            state.SkipWithError("build failed");
            break;
        }
        benchmark::DoNotOptimize(handle);
        DeleteObject(handle);
    }
    state.SetItemsProcessed(state.iterations() * kRows * kRunsPerRow);
}
BENCHMARK(BM_BuildRgnHandle)->ArgName("xform")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_AppendRowsOneByOne(benchmark::State &state) {
    Fixture fixture;
    const RegionXForm &xform = kXForms[state.range(0)];
    const RegionRecord &region = *fixture.bitmap.Region;
    for (auto _ : state) {
        HRGN all = CreateRectRgn(0, 0, 0, 0);
        HRGN row = CreateRectRgn(0, 0, 0, 0);
        HRGN piece = CreateRectRgn(0, 0, 0, 0);
        for (LONG y = region.Bounds.top; y < region.Bounds.bottom; ++y) {
            const RowRuns runs = RowOf(region, y);
            SetRectRgn(row, 0, 0, 0, 0);
            for (DWORD i = 0; i + 1 < runs.count; i += 2) {
                RECT rect{runs.values[i], y, runs.values[i + 1], y + 1};
                BitmapRectToDisplay(&fixture.bitmap, &xform, &rect);
                SetRectRgn(piece, rect.left, rect.top, rect.right, rect.bottom);
                CombineRgn(row, row, piece, RGN_OR);
            }
            CombineRgn(all, all, row, RGN_OR);
        }
        benchmark::DoNotOptimize(all);
        DeleteObject(piece);
        DeleteObject(row);
        DeleteObject(all);
    }
    state.SetItemsProcessed(state.iterations() * kRows * kRunsPerRow);
}
BENCHMARK(BM_AppendRowsOneByOne)->ArgName("xform")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_MemcpyRuns(benchmark::State &state) {
    Fixture fixture;
    const RegionRecord &region = *fixture.bitmap.Region;
    std::vector<LONG> copy(region.RunBytes / sizeof(LONG));
    for (auto _ : state) {
        std::memcpy(copy.data(), region.RunData, region.RunBytes);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kRows * kRunsPerRow);
    state.SetBytesProcessed(state.iterations() * int64_t(region.RunBytes));
}
BENCHMARK(BM_MemcpyRuns)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
