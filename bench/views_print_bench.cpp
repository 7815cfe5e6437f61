// Printing: a 4096 x 4096 24-bit image printed as large as it fits on a
// 600 dpi letter page (5100 x 6600 pixels, 24 bits), against memcpy of the
// page's bytes measured in the same run.
//
//   BM_PrintIntoPage/0   Z_PrintBitmapExt into an open page, one paint
//   BM_PrintIntoPage/1   the same with a progress callback: one paint per
//                        destination row (5099 of them)
//   BM_PrintDocument     a whole job: page made, image painted, the PDF
//                        encoded and written (EndDoc), reported apart
//   BM_MemcpyPage        memcpy of the page's bytes as the printer keeps
//                        them (32 bits a pixel)
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "zelt/display.h"
#ifndef _WIN32
#include "zelt/host.h"
#endif

namespace {

constexpr int kDpi = 600, kPageWidth = 5100, kPageHeight = 6600, kImageSide = 4096;
constexpr std::size_t kPageBytes = std::size_t(kPageWidth) * kPageHeight * 4;

int ZELT_CDECL KeepGoing(int, void *) { return 1; }

// The image and the default printer, set up once.
struct PrintSetup {
    BitmapRecord image{};
    std::string directory;
    bool ready = false;

    PrintSetup() {
#ifndef _WIN32
        directory = (std::filesystem::temp_directory_path() / "zelt-print-bench").string();
        std::filesystem::create_directories(directory);
        if (!ZeltHostAddPrinter("Bench Printer", kDpi, kPageWidth, kPageHeight, 24,
                                (directory + "/bench-%d.pdf").c_str()))
            return;
        ZeltHostSetProfileString("windows", "device", "Bench Printer,bench,FILE:");
        if (KrnCreateBitmap(&image, 0, kImageSide, kImageSide, 24, 1, nullptr, 0, nullptr, 0) != STATUS_OK) return;
        std::mt19937 random(5);
        auto *bytes = static_cast<BYTE *>(image.Data);
        for (DWORD i = 0; i < image.DataSize; ++i) bytes[i] = BYTE(random());
        ready = true;
#endif
    }
    ~PrintSetup() {
        KrnFreeBitmap(&image);
        if (!directory.empty()) std::filesystem::remove_all(directory);
    }
};

PrintSetup &Setup() {
    static PrintSetup setup;
    return setup;
}

void BM_PrintIntoPage(benchmark::State &state) {
    PrintSetup &setup = Setup();
    if (!setup.ready) return state.SkipWithError("printers are the software platform's (not on Windows)");
    const UINT job = Z_PrintBitmapExt(nullptr, nullptr, 0, 0, 0, 0, 0);
    if (job == 0) return state.SkipWithError("cannot open the print job");
    HDC dc = reinterpret_cast<HDC>(static_cast<LONG_PTR>(static_cast<LONG>(job)));
    KrnSetStatusCallback(state.range(0) != 0 ? KeepGoing : nullptr, nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(Z_PrintBitmapExt(dc, &setup.image, 0, 0, 0, 0, 0));
    KrnSetStatusCallback(nullptr, nullptr);
    AbortDoc(dc);
    DeleteDC(dc);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kPageBytes));
}
BENCHMARK(BM_PrintIntoPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PrintDocument(benchmark::State &state) {
    PrintSetup &setup = Setup();
    if (!setup.ready) return state.SkipWithError("printers are the software platform's (not on Windows)");
    for (auto _ : state) {
        if (Z_PrintBitmapExt(nullptr, &setup.image, 0, 0, 0, 0, 1) == 0) return state.SkipWithError("print failed");
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kPageBytes));
}
BENCHMARK(BM_PrintDocument)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MemcpyPage(benchmark::State &state) {
    std::vector<unsigned char> from(kPageBytes, 0x5A), to(kPageBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kPageBytes);
        benchmark::DoNotOptimize(to.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kPageBytes));
}
BENCHMARK(BM_MemcpyPage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
