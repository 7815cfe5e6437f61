// Z_ConvertColorSpace against the per-pixel model for every pair of spaces, golden values worked
// out by hand, and the status rules (bad codes, empty counts, no memory: the destination untouched).
#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/color_space_model.h"
#include "support/host_controls.h"
#include "support/leak_guard.h"
#include "zelt/display.h"

namespace zelt::test {
namespace {

using colorspace::PixelBytes;
constexpr int kSpaces = 7;
constexpr uint8_t kUntouched = 0xA5;

// Source pixels of a space after a pad byte: the 64^3 colours of a 6-bit
// grid (levels widened to 8 bits, so 0 and 255 are in) taken there by the
// model, then random raw pixels, which for YUV and YIQ reach far outside the
// range BGR maps to. The count is not a multiple of any chunk size.
std::vector<uint8_t> SourcePixels(int space, unsigned seed) {
    const int bytes = PixelBytes(space);
    std::vector<uint8_t> pixels(1, kUntouched);
    uint8_t pixel[6];
    for (int b = 0; b < 64; ++b)
        for (int g = 0; g < 64; ++g)
            for (int r = 0; r < 64; ++r) {
                const auto widen = [](int level) { return (level << 2) | (level >> 4); };
                colorspace::FromBgr(space, {widen(b), widen(g), widen(r)}, pixel);
                pixels.insert(pixels.end(), pixel, pixel + bytes);
            }
    std::mt19937 random(seed);
    for (int n = 0; n < 20011 * bytes; ++n) pixels.push_back(static_cast<uint8_t>(random()));
    return pixels;
}

std::string Bytes(const uint8_t *pixel, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += ' ' + std::to_string(pixel[i]);
    return text;
}

class ColorSpacePairs : public ::testing::TestWithParam<int> {};

TEST_P(ColorSpacePairs, MatchTheModel) {
    const int from = GetParam();
    // The arrays start at odd addresses: 16-bit components need no alignment.
    const std::vector<uint8_t> source = SourcePixels(from, 1000u + static_cast<unsigned>(from));
    const int count = static_cast<int>(source.size() - 1) / PixelBytes(from);
    for (int to = 0; to < kSpaces; ++to) {
        std::vector<uint8_t> destination(static_cast<size_t>(count) * PixelBytes(to) + 2, kUntouched);
        ASSERT_EQ(Z_ConvertColorSpace(&source[1], &destination[1], count, from, to), STATUS_OK);
        EXPECT_TRUE(destination.front() == kUntouched && destination.back() == kUntouched) << from << " to " << to;
        int mismatches = 0;
        for (int n = 0; n < count; ++n) {
            const uint8_t *in = &source[1 + static_cast<size_t>(n) * PixelBytes(from)];
            const uint8_t *out = &destination[1 + static_cast<size_t>(n) * PixelBytes(to)];
            uint8_t expected[6];
            colorspace::FromBgr(to, colorspace::ToBgr(from, in), expected);
            if (!std::equal(expected, expected + PixelBytes(to), out) && ++mismatches <= 5)
                ADD_FAILURE() << from << " to " << to << ", pixel " << n << ":" << Bytes(in, PixelBytes(from))
                              << " gave" << Bytes(out, PixelBytes(to)) << ", expected"
                              << Bytes(expected, PixelBytes(to));
        }
        EXPECT_EQ(mismatches, 0) << "of " << count << " pixels, " << from << " to " << to;
    }
}

INSTANTIATE_TEST_SUITE_P(FromEachSpace, ColorSpacePairs, ::testing::Range(0, kSpaces));

// Spot values worked out by hand from the formulas; YUV and YIQ pixels are
// given as their three components and packed in host byte order.
struct Spot { const char *what; int from, to; std::vector<int> in, out; };

std::vector<uint8_t> Pack(int space, const std::vector<int> &values) {
    const bool words = PixelBytes(space) == 6;
    std::vector<uint8_t> bytes(values.size() * (words ? 2 : 1));
    for (size_t i = 0; i < values.size(); ++i)
        words ? colorspace::SetWord(bytes.data(), static_cast<int>(i), values[i])
              : void(bytes[i] = static_cast<uint8_t>(values[i]));
    return bytes;
}

TEST(ColorSpaceSpots, HandWorkedValues) {
    const Spot spots[] = {
        {"pure red to HSV", COLORSPACE_BGR, COLORSPACE_HSV, {0, 0, 255}, {0, 255, 255}},
        {"pure green to HSV", COLORSPACE_BGR, COLORSPACE_HSV, {0, 255, 0}, {85, 255, 255}},
        {"pure blue to HSV", COLORSPACE_BGR, COLORSPACE_HSV, {255, 0, 0}, {171, 255, 255}},
        {"red HSV back", COLORSPACE_HSV, COLORSPACE_BGR, {0, 255, 255}, {0, 0, 255}},
        {"white to CMYK", COLORSPACE_BGR, COLORSPACE_CMYK, {255, 255, 255}, {0, 0, 0, 0}},
        {"black to CMYK", COLORSPACE_BGR, COLORSPACE_CMYK, {0, 0, 0}, {0, 0, 0, 255}},
        {"CMYK red clamped at 0", COLORSPACE_CMYK, COLORSPACE_BGR, {200, 0, 0, 100}, {155, 155, 0}},
        {"white to YUV", COLORSPACE_BGR, COLORSPACE_YUV, {255, 255, 255}, {16384, 0, 0}},
        {"YUV white back", COLORSPACE_YUV, COLORSPACE_BGR, {16384, 0, 0}, {255, 255, 255}},
        {"YUV -1/16384 truncates to 0", COLORSPACE_YUV, COLORSPACE_BGR, {0, -1, 0}, {0, 0, 0}},
        {"YUV blue -255 wraps to 1", COLORSPACE_YUV, COLORSPACE_BGR, {0, -16384, 0}, {1, 49, 0}},
        {"white to YIQ, Q truncated toward 0", COLORSPACE_BGR, COLORSPACE_YIQ, {255, 255, 255}, {16384, 0, -81}},
        {"YIQ white back", COLORSPACE_YIQ, COLORSPACE_BGR, {16384, 0, -81}, {254, 255, 254}},
        {"pure red to HLS", COLORSPACE_BGR, COLORSPACE_HLS, {0, 0, 255}, {0, 127, 255}},
        {"pure green to HLS", COLORSPACE_BGR, COLORSPACE_HLS, {0, 255, 0}, {85, 127, 255}},
        {"pure blue to HLS", COLORSPACE_BGR, COLORSPACE_HLS, {255, 0, 0}, {170, 127, 255}},
        {"red HLS back", COLORSPACE_HLS, COLORSPACE_BGR, {0, 127, 255}, {0, 0, 254}},
    };
    for (const Spot &spot : spots) {
        const std::vector<uint8_t> in = Pack(spot.from, spot.in), expected = Pack(spot.to, spot.out);
        std::vector<uint8_t> out(expected.size(), kUntouched);
        EXPECT_EQ(Z_ConvertColorSpace(in.data(), out.data(), 1, spot.from, spot.to), STATUS_OK) << spot.what;
        EXPECT_EQ(out, expected) << spot.what;
    }
}

TEST(ColorSpaceSpots, BgrToBgrCopiesOverlappingArrays) {
    const std::vector<uint8_t> original = SourcePixels(COLORSPACE_BGR, 5);
    std::vector<uint8_t> bytes = original;  // moved on by one pixel over itself
    const int count = static_cast<int>(bytes.size() / 3) - 1;
    ASSERT_EQ(Z_ConvertColorSpace(&bytes[0], &bytes[3], count, 0, 0), STATUS_OK);
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + 3 * count, bytes.begin() + 3));
}

class ColorSpaceStatus : public LeakCheckedTest {};

// Allocations made by one call (0 without host controls).
long AllocationsOf(const void *source, void *destination, int count, int from, int to, int expectedStatus) {
    if (kHostControls) ZeltHostFailAllocationAfter(-1);
    EXPECT_EQ(Z_ConvertColorSpace(source, destination, count, from, to), expectedStatus)
        << count << " pixels, " << from << " to " << to;
    return kHostControls ? ZeltHostFailAllocationAfter(-1) : 0;
}

TEST_F(ColorSpaceStatus, BadCodesFailBeforeWritingAndFreeTheScratch) {
    const int badCodes[] = {7, 8, 100, -1, INT_MIN, INT_MAX};
    std::vector<uint8_t> source(64 * 6, 0x11), destination(64 * 6, kUntouched);
    for (int bad : badCodes)
        for (int good = 0; good < kSpaces; ++good) {
            // A bad source code is refused before the scratch is allocated...
            EXPECT_EQ(AllocationsOf(source.data(), destination.data(), 64, bad, good, STATUS_BAD_PARAMETER), 0);
            // ...a bad target code after it, which is then freed (the
            // fixture checks that no block is left).
            const long made = AllocationsOf(source.data(), destination.data(), 64, good, bad, STATUS_BAD_PARAMETER);
            EXPECT_EQ(made, kHostControls && good != COLORSPACE_BGR ? 1 : 0) << good;
            EXPECT_EQ(Z_ConvertColorSpace(source.data(), destination.data(), 0, good, bad), STATUS_BAD_PARAMETER);
            EXPECT_EQ(Z_ConvertColorSpace(source.data(), destination.data(), -5, bad, good), STATUS_BAD_PARAMETER);
        }
    EXPECT_EQ(std::count(destination.begin(), destination.end(), kUntouched), 64 * 6);
}

TEST_F(ColorSpaceStatus, EmptyCountsSucceedOthersFailWritingNothing) {
    std::vector<uint8_t> source(24, 0x11), destination(24, kUntouched);
    for (int count : {0, -1, -3, INT_MIN})
        for (int from = 0; from < kSpaces; ++from)
            for (int to = 0; to < kSpaces; ++to)
                EXPECT_EQ(AllocationsOf(source.data(), destination.data(), count, from, to, STATUS_OK), 0);
    // Nothing is read for an empty count: the arrays may be absent then, not otherwise.
    EXPECT_EQ(Z_ConvertColorSpace(nullptr, nullptr, 0, COLORSPACE_YUV, COLORSPACE_HLS), STATUS_OK);
    EXPECT_EQ(AllocationsOf(nullptr, destination.data(), 1, COLORSPACE_YUV, COLORSPACE_HSV, STATUS_BAD_PARAMETER), 0);
    EXPECT_EQ(AllocationsOf(source.data(), nullptr, 1, COLORSPACE_BGR, COLORSPACE_CMY, STATUS_BAD_PARAMETER), 0);
    // An intermediate of INT_MAX * 3 bytes is more than the allocator can be asked for.
    EXPECT_EQ(Z_ConvertColorSpace(source.data(), destination.data(), INT_MAX, 1, 0), STATUS_NO_MEMORY);
    EXPECT_EQ(std::count(destination.begin(), destination.end(), kUntouched), 24);
}

TEST_F(ColorSpaceStatus, WithoutScratchMemoryNothingIsWritten) {
    ZELT_REQUIRE_HOST_CONTROLS("failing the scratch allocation");
    const std::vector<uint8_t> source = SourcePixels(COLORSPACE_YIQ, 9);  // any bytes will do
    for (int from = 1; from < kSpaces; ++from)
        for (int to = 0; to < kSpaces; ++to) {
            std::vector<uint8_t> destination(5000 * 6, kUntouched);
            int status = 0;
            const long made = ForEachAllocationFailure(
                [&] {
                    std::fill(destination.begin(), destination.end(), kUntouched);
                    status = Z_ConvertColorSpace(source.data(), destination.data(), 5000, from, to);
                },
                [&](long failedAt) {
                    EXPECT_EQ(status, STATUS_NO_MEMORY) << from << " to " << to << ", allocation " << failedAt;
                    EXPECT_EQ(std::count(destination.begin(), destination.end(), kUntouched), 5000 * 6)
                        << from << " to " << to;
                });
            EXPECT_EQ(made, 1) << "one scratch buffer, " << from << " to " << to;
        }
    std::vector<uint8_t> out(5000 * 6);  // a BGR source needs no memory at all
    for (int to = 0; to < kSpaces; ++to) EXPECT_EQ(AllocationsOf(source.data(), out.data(), 5000, 0, to, STATUS_OK), 0);
}

}  // namespace
}  // namespace zelt::test
