// Metafile interchange: a 4096 x 4096 24-bit record recorded as an enhanced
// metafile and played back into a new record (Z_ConvertToEMF then
// Z_ConvertFromMetafile), against memcpy of the image's bytes; and playback
// of a drawing a vector editor exported (about 10 000 records of paths,
// Bezier curves, pens and brushes), in records per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "zelt/display.h"

namespace {

constexpr int kSide = 4096;

// A random 24-bit record, made once.
BitmapRecord *SharedImage() {
    static BitmapRecord image = [] {
        BitmapRecord record{};
        if (KrnCreateBitmap(&record, KRN_MEMORY_CONVENTIONAL, kSide, kSide, 24, 1, nullptr, 0, nullptr, 0) != STATUS_OK) return record;
        std::vector<BYTE> row(kSide * 3);
        unsigned x = 0x51D0u;
        for (int y = 0; y < kSide; ++y) {
            for (BYTE &b : row) x ^= x << 13, x ^= x >> 17, x ^= x << 5, b = static_cast<BYTE>(x);
            KrnPutBitmapRow(&record, row.data(), y, static_cast<UINT>(row.size()));
        }
        return record;
    }();
    return &image;
}

void BM_Memcpy_Image24(benchmark::State &state) {
    const std::size_t bytes = static_cast<std::size_t>(kSide) * kSide * 3;
    std::vector<BYTE> from(bytes, 1), to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

void BM_EmfRoundTrip_Image24(benchmark::State &state) {
    BitmapRecord *image = SharedImage();
    if (!(image->Flags & BITMAP_ALLOCATED)) return state.SkipWithError("no image");
    for (auto _ : state) {
        HENHMETAFILE metafile = reinterpret_cast<HENHMETAFILE>(Z_ConvertToEMF(image));
        BitmapRecord back{};
        if (metafile == nullptr || Z_ChangeFromMetafile(&back, metafile, kSide, kSide) != STATUS_OK)
            return state.SkipWithError("round trip failed");
        KrnFreeBitmap(&back);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kSide) * kSide * 3);
}

void BM_PlayVectorDrawing(benchmark::State &state) {
    std::ifstream file(ZELT_BENCH_DATA "/inkscape_paths.emf", std::ios::binary);
    const std::vector<BYTE> bytes{std::istreambuf_iterator<char>(file), {}};
    std::uint64_t records = 0;
    for (std::size_t at = 0; at + 8 <= bytes.size(); ++records) {
        std::uint32_t size;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        if (size < 8) break;
        at += size;
    }
    MetaBitmap meta{};
    if (bytes.empty() || Z_ParseMetaBits(const_cast<BYTE *>(bytes.data()), static_cast<DWORD>(bytes.size()), &meta, 1) != STATUS_OK)
        return state.SkipWithError("drawing not loaded");
    for (auto _ : state) {
        BitmapRecord picture{};
        if (Z_ConvertFromMetafile(&picture, meta.Handle, 800, 600) != STATUS_OK) return state.SkipWithError("play failed");
        KrnFreeBitmap(&picture);
    }
    Z_DeleteMetaBitmap(&meta);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(records));
    state.counters["records"] = static_cast<double>(records);
}

BENCHMARK(BM_Memcpy_Image24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmfRoundTrip_Image24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayVectorDrawing)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
