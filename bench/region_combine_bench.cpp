// Region combination throughput: CombineBitmapRgn of two large overlapping
// ellipse records on a 4096 x 4096 bitmap, in every mode. The reference in
// the same run is memcpy of both input records' row tables and runs: the
// bytes any combination must at least read once. Compare BM_CombineRecords
// with BM_MemcpyInputRecords for the cost per input byte.
#include <cmath>
#include <cstring>

#include <benchmark/benchmark.h>

#include "region/region_internal.h"

namespace {

using namespace zelt::region;

constexpr LONG kSize = 4096;

RegionRecord *Ellipse(double cx, double cy, double rx, double ry) {
    RegionBuilder builder;
    if (BeginRegion(builder, RECT{0, 0, kSize, kSize}) != STATUS_OK) return nullptr;
    for (LONG y = 0; y < kSize; ++y) {
        const double dy = (y + 0.5 - cy) / ry;
        if (dy * dy < 1.0) {
            const double half = rx * std::sqrt(1.0 - dy * dy);
            const LONG start = std::max(0L, long(std::lround(cx - half)));
            const LONG end = std::min(long(kSize), long(std::lround(cx + half)));
            if (start < end) AppendRun(builder, start, end);
        }
        if (EndRegionRow(builder) != STATUS_OK) return nullptr;
    }
    return FinishRegion(builder);
}

RegionRecord *Copy(const RegionRecord &source) {
    auto *copy = static_cast<RegionRecord *>(KrnAllocZeroed(sizeof(RegionRecord)));
    copy->Bounds = source.Bounds;
    copy->RowTableBytes = source.RowTableBytes;
    copy->RunBytes = source.RunBytes;
    copy->RowTable = static_cast<RowEntry *>(KrnAllocMem(source.RowTableBytes));
    copy->RunData = static_cast<LONG *>(KrnAllocMem(source.RunBytes));
    std::memcpy(copy->RowTable, source.RowTable, source.RowTableBytes);
    std::memcpy(copy->RunData, source.RunData, source.RunBytes);
    return copy;
}

struct Inputs {
    RegionRecord *existing = Ellipse(1900, 2000, 1700, 1900);
    RegionRecord *fresh = Ellipse(2300, 2150, 1650, 1500);
    ~Inputs() {
        KrnFreeRegion(existing);
        KrnFreeRegion(fresh);
    }
    size_t Bytes() const {
        return existing->RowTableBytes + existing->RunBytes + fresh->RowTableBytes + fresh->RunBytes;
    }
};

void BM_CombineRecords(benchmark::State &state) {
    const int mode = int(state.range(0));
    Inputs inputs;
    BitmapRecord bitmap{};
    KrnInitBitmapRecord(&bitmap, kSize, kSize, 1);
    for (auto _ : state) {
        state.PauseTiming();
        KrnFreeRegion(bitmap.Region);
        bitmap.Region = Copy(*inputs.existing);
        RegionRecord *fresh = Copy(*inputs.fresh);
        state.ResumeTiming();
        if (CombineBitmapRgn(&bitmap, nullptr, fresh, mode) != STATUS_OK) state.SkipWithError("combine failed");
    }
    state.counters["result_runs"] = double(bitmap.Region->RunBytes / 8);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(inputs.Bytes()));
    KrnFreeRegion(bitmap.Region);
}
BENCHMARK(BM_CombineRecords)->DenseRange(RGNMODE_AND, RGNMODE_SETNOT)->Unit(benchmark::kMicrosecond);

void BM_MemcpyInputRecords(benchmark::State &state) {
    Inputs inputs;
    RegionRecord *a = Copy(*inputs.existing), *b = Copy(*inputs.fresh);
    for (auto _ : state) {
        std::memcpy(a->RowTable, inputs.existing->RowTable, a->RowTableBytes);
        std::memcpy(a->RunData, inputs.existing->RunData, a->RunBytes);
        std::memcpy(b->RowTable, inputs.fresh->RowTable, b->RowTableBytes);
        std::memcpy(b->RunData, inputs.fresh->RunData, b->RunBytes);
        benchmark::DoNotOptimize(a->RunData);
        benchmark::DoNotOptimize(b->RunData);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(inputs.Bytes()));
    KrnFreeRegion(a);
    KrnFreeRegion(b);
}
BENCHMARK(BM_MemcpyInputRecords)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
