// Every input a fuzzer ever kept (the seed corpus and each input that once
// crashed, under corpus/<target>/) and every metafile of the recorded
// vectors goes through both fuzz entry points once more: a fixed crash stays
// fixed, and nothing an input makes outlives it.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "fuzz_targets.h"
#include "support/host_controls.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesUnder(const fs::path &folder) {
    std::vector<fs::path> files;
    if (fs::is_directory(folder))
        for (const auto &entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file()) files.push_back(entry.path());
    return files;
}

TEST(FuzzReplay, EveryKeptInputRunsCleanly) {
    std::vector<fs::path> inputs = FilesUnder(ZELT_FUZZ_CORPUS);
    for (const fs::path &vector : FilesUnder(ZELT_VECTORS_DIR))
        if (vector.extension() == ".wmf" || vector.extension() == ".emf") inputs.push_back(vector);
    ASSERT_GT(inputs.size(), 20u) << "the corpus and the vectors are missing";
    // The paste target keeps one owner window for the whole run.
    fuzz::PasteDibBytes(nullptr, 0);
    // Windows has no live-object counts: there the run only must not crash.
    const LiveCounts start = kHostControls ? LiveCounts::Now() : LiveCounts{};
    for (const fs::path &input : inputs) {
        std::ifstream file(input, std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
        fuzz::PlayMetafileBytes(bytes.data(), bytes.size());
        fuzz::PasteDibBytes(bytes.data(), bytes.size());
        if (kHostControls) {
            EXPECT_EQ(LiveCounts::Now(), start) << input;
        }
    }
}

}  // namespace
}  // namespace zelt::test
