// Region throughput: CombineRgn of two 4000x3000 ellipses in every mode,
// creating that ellipse, a 1000-point star polygon in both fill modes, and
// point lookups. The reference is memcpy of the combined region's data
// (GetRegionData bytes) in the same run: compare BM_CombineEllipses with
// BM_MemcpyCombinedData for the cost per byte of result.
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "zelt/win32.h"

namespace {

HRGN FirstEllipse() { return CreateEllipticRgn(0, 0, 4000, 3000); }
HRGN SecondEllipse() { return CreateEllipticRgn(500, 400, 4500, 3400); }

std::vector<POINT> Star(int points) {
    std::vector<POINT> star(static_cast<size_t>(points));
    for (int i = 0; i < points; ++i) {
        const double angle = 2 * 3.14159265358979 * i / points;
        const double radius = i % 2 == 0 ? 1500.0 : 700.0;
        star[static_cast<size_t>(i)] = {static_cast<LONG>(std::lround(2000 + radius * std::cos(angle))),
                                        static_cast<LONG>(std::lround(2000 + radius * std::sin(angle)))};
    }
    return star;
}

void BM_CombineEllipses(benchmark::State &state) {
    const int mode = static_cast<int>(state.range(0));
    HRGN a = FirstEllipse(), b = SecondEllipse(), out = CreateRectRgn(0, 0, 0, 0);
    for (auto _ : state) benchmark::DoNotOptimize(CombineRgn(out, a, b, mode));
    state.counters["rects"] = static_cast<double>((GetRegionData(out, 0, nullptr) - sizeof(RGNDATAHEADER)) / sizeof(RECT));
    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(out);
}
BENCHMARK(BM_CombineEllipses)->DenseRange(RGN_AND, RGN_DIFF)->Unit(benchmark::kMicrosecond);

void BM_MemcpyCombinedData(benchmark::State &state) {
    HRGN a = FirstEllipse(), b = SecondEllipse();
    CombineRgn(a, a, b, RGN_XOR);
    const DWORD bytes = GetRegionData(a, 0, nullptr);
    std::vector<unsigned char> from(bytes), to(bytes);
    GetRegionData(a, bytes, reinterpret_cast<RGNDATA *>(from.data()));
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
    DeleteObject(a);
    DeleteObject(b);
}
BENCHMARK(BM_MemcpyCombinedData)->Unit(benchmark::kMicrosecond);

void BM_CreateEllipse(benchmark::State &state) {
    for (auto _ : state) {
        HRGN region = FirstEllipse();
        benchmark::DoNotOptimize(region);
        DeleteObject(region);
    }
}
BENCHMARK(BM_CreateEllipse)->Unit(benchmark::kMicrosecond);

void BM_CreateStarPolygon(benchmark::State &state) {
    const std::vector<POINT> star = Star(1000);
    const int mode = static_cast<int>(state.range(0));
    for (auto _ : state) {
        HRGN region = CreatePolygonRgn(star.data(), static_cast<int>(star.size()), mode);
        benchmark::DoNotOptimize(region);
        DeleteObject(region);
    }
    HRGN region = CreatePolygonRgn(star.data(), static_cast<int>(star.size()), mode);
    state.counters["rects"] = static_cast<double>((GetRegionData(region, 0, nullptr) - sizeof(RGNDATAHEADER)) / sizeof(RECT));
    DeleteObject(region);
}
BENCHMARK(BM_CreateStarPolygon)->Arg(ALTERNATE)->Arg(WINDING)->Unit(benchmark::kMicrosecond);

void BM_PtInRegion(benchmark::State &state) {
    HRGN a = FirstEllipse(), b = SecondEllipse();
    CombineRgn(a, a, b, RGN_XOR);
    std::mt19937 random(11);
    std::vector<POINT> points(4096);
    for (POINT &p : points) p = {static_cast<LONG>(random() % 4600), static_cast<LONG>(random() % 3500)};
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PtInRegion(a, points[i].x, points[i].y));
        i = (i + 1) % points.size();
    }
    DeleteObject(a);
    DeleteObject(b);
}
BENCHMARK(BM_PtInRegion);

}  // namespace

BENCHMARK_MAIN();
