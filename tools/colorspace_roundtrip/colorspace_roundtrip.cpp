// colorspace_roundtrip: takes every one of the 2^24 BGR colours to each
// colour space and back with Z_ConvertColorSpace, and prints, per space, the
// largest and the mean absolute error of each channel, how many colours come
// back exactly, how the per-colour errors are spread and one colour with the
// largest error. The output is the Markdown of docs/color-spaces.md.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "zelt/display.h"

namespace {

constexpr int kColours = 1 << 24;
constexpr int kChunk = 1 << 20;  // colours per call

struct SpaceName {
    int code;
    const char *name;
};
constexpr SpaceName kSpaces[] = {{COLORSPACE_YUV, "YUV"}, {COLORSPACE_CMYK, "CMYK"}, {COLORSPACE_HSV, "HSV"},
                                 {COLORSPACE_HLS, "HLS"}, {COLORSPACE_YIQ, "YIQ"},   {COLORSPACE_CMY, "CMY"}};

// Buckets of a colour's largest channel error: 0, 1, 2-3, 4-15, 16 and up.
constexpr int kBuckets = 5;
int BucketOf(int error) { return error == 0 ? 0 : error == 1 ? 1 : error < 4 ? 2 : error < 16 ? 3 : 4; }

struct RoundTrip {
    int largest[3] = {};
    uint64_t total[3] = {};
    uint64_t buckets[kBuckets] = {};
    int worstColour = 0;
    int worstError = -1;
};

bool Measure(int space, RoundTrip &trip) {
    std::vector<BYTE> bgr(kChunk * 3), middle(kChunk * 6), back(kChunk * 3);
    for (int base = 0; base < kColours; base += kChunk) {
        for (int i = 0; i < kChunk; ++i) {
            const int colour = base + i;  // 0xRRGGBB
            bgr[3 * i] = static_cast<BYTE>(colour);
            bgr[3 * i + 1] = static_cast<BYTE>(colour >> 8);
            bgr[3 * i + 2] = static_cast<BYTE>(colour >> 16);
        }
        if (Z_ConvertColorSpace(bgr.data(), middle.data(), kChunk, COLORSPACE_BGR, space) != STATUS_OK ||
            Z_ConvertColorSpace(middle.data(), back.data(), kChunk, space, COLORSPACE_BGR) != STATUS_OK)
            return false;
        for (int i = 0; i < kChunk; ++i) {
            int colourError = 0;
            for (int c = 0; c < 3; ++c) {
                const int error = std::abs(int{back[3 * i + c]} - int{bgr[3 * i + c]});
                trip.total[c] += static_cast<uint64_t>(error);
                if (error > trip.largest[c]) trip.largest[c] = error;
                if (error > colourError) colourError = error;
            }
            ++trip.buckets[BucketOf(colourError)];
            if (colourError > trip.worstError) trip.worstError = colourError, trip.worstColour = base + i;
        }
    }
    return true;
}

}  // namespace

int main() {
    std::printf("| Space | Largest error B / G / R | Mean error B / G / R | Exact | Off by 1 | 2-3 | 4-15 | 16+ |"
                " A worst colour (B, G, R) |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    for (const SpaceName &space : kSpaces) {
        RoundTrip trip;
        if (!Measure(space.code, trip)) {
            std::fprintf(stderr, "conversion through %s failed\n", space.name);
            return 1;
        }
        std::printf("| %s | %d / %d / %d | %.4f / %.4f / %.4f |", space.name, trip.largest[0], trip.largest[1],
                    trip.largest[2], static_cast<double>(trip.total[0]) / kColours,
                    static_cast<double>(trip.total[1]) / kColours, static_cast<double>(trip.total[2]) / kColours);
        for (uint64_t count : trip.buckets)
            std::printf(" %llu (%.2f%%) |", static_cast<unsigned long long>(count), 100.0 * count / kColours);
        std::printf(" (%d, %d, %d) |\n", trip.worstColour & 255, (trip.worstColour >> 8) & 255,
                    trip.worstColour >> 16);
    }
    return 0;
}
