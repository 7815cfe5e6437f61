// Error-diffusion dithering of 24-bit rows against the plain model, a
// uniform patch's mean colour against the input, the checks of the calls,
// and every allocation failing once.
#include <gtest/gtest.h>

#include "support/bitmap_model.h"
#include "support/dither_model.h"
#include "support/host_controls.h"
#include "support/leak_guard.h"

namespace {

using namespace zelt::test;

class Dither : public LeakCheckedTest {};

std::vector<BYTE> Packed(const std::vector<int> &indices, int bits) {
    std::vector<BYTE> row((indices.size() * std::size_t(bits) + 7) / 8);
    for (std::size_t x = 0; x < indices.size(); ++x) WritePixel(row.data(), int(x), bits, std::uint64_t(indices[x]));
    return row;
}

// Smooth runs with noise, so errors both pile up and cancel.
std::vector<BYTE> RandomRow(std::mt19937 &rng, int width) {
    std::vector<BYTE> row(3 * std::size_t(width));
    int level[3] = {int(rng() % 256), int(rng() % 256), int(rng() % 256)};
    for (std::size_t i = 0; i < row.size(); ++i) {
        int &l = level[i % 3];
        l = rng() % 8 == 0 ? int(rng() % 256) : std::clamp(l + int(rng() % 9) - 4, 0, 255);
        row[i] = BYTE(l);
    }
    return row;
}

TEST_F(Dither, RowsMatchTheReferenceDiffusion) {
    for (int testCase = 0; testCase < 500; ++testCase) {
        std::mt19937 rng(static_cast<unsigned>(testCase));
        const int bits = 1 + int(rng() % 8), width = 1 + int(rng() % 90);
        const int count = 1 + int(rng() % (1u << bits));
        const auto colors = RandomPalette(rng, count);
        BitmapRecord record{};
        ASSERT_EQ(KrnInitBitmapRecord(&record, width, 4, 24), STATUS_OK);
        ASSERT_EQ(KrnStartDither(&record, colors.data(), count, bits, 0), STATUS_OK);
        DitherModel model(colors, width);
        const bool inPlace = testCase % 3 == 0;
        for (int row = 0; row < 1 + testCase % 7; ++row) {
            std::vector<BYTE> source = RandomRow(rng, width), target(source.size(), 0xCD);
            const auto expected = Packed(model.Row(source.data()), bits);
            ASSERT_EQ(KrnDitherRow(&record, inPlace ? source.data() : target.data(), source.data()), STATUS_OK);
            const std::vector<BYTE> got(inPlace ? source.begin() : target.begin(),
                                        (inPlace ? source.begin() : target.begin()) + std::ptrdiff_t(expected.size()));
            ASSERT_EQ(got, expected) << "case " << testCase << ", " << bits << " bits, " << count << " colours, row " << row;
        }
        EXPECT_EQ(KrnStopDither(&record), STATUS_OK);
        EXPECT_EQ(record.Data, nullptr);
    }
}

TEST_F(Dither, AUniformPatchAveragesToItsColour) {
    const std::vector<RGBQUAD> corners = {{0, 0, 0, 0},     {255, 0, 0, 0},   {0, 255, 0, 0},   {255, 255, 0, 0},
                                          {0, 0, 255, 0},   {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0}};
    const std::vector<RGBQUAD> vga = DeviceTable(4), blackWhite = DeviceTable(1);
    for (const auto &[colors, bits, colour] :
         {std::tuple{corners, 3, Rgb{200, 37, 90}}, {corners, 3, Rgb{128, 128, 128}}, {vga, 4, Rgb{100, 150, 120}},
          {vga, 4, Rgb{150, 100, 90}}, {blackWhite, 1, Rgb{60, 60, 60}}, {blackWhite, 1, Rgb{250, 250, 250}}}) {
        constexpr int kSize = 256;
        BitmapRecord record{};
        ASSERT_EQ(KrnInitBitmapRecord(&record, kSize, kSize, 24), STATUS_OK);
        ASSERT_EQ(KrnStartDither(&record, colors.data(), int(colors.size()), bits, 0), STATUS_OK);
        double sum[3] = {};
        std::vector<BYTE> row(3 * kSize);
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) row[3 * x] = BYTE(colour.b), row[3 * x + 1] = BYTE(colour.g), row[3 * x + 2] = BYTE(colour.r);
            ASSERT_EQ(KrnDitherRow(&record, row.data(), row.data()), STATUS_OK);
            for (int x = 0; x < kSize; ++x) {
                const std::uint64_t index = ReadPixel(row.data(), x, bits);
                ASSERT_LT(index, colors.size());
                sum[0] += colors[index].rgbRed, sum[1] += colors[index].rgbGreen, sum[2] += colors[index].rgbBlue;
            }
        }
        const double pixels = double(kSize) * kSize;
        EXPECT_NEAR(sum[0] / pixels, colour.r, 1.0) << colour << " with " << colors.size() << " colours";
        EXPECT_NEAR(sum[1] / pixels, colour.g, 1.0) << colour;
        EXPECT_NEAR(sum[2] / pixels, colour.b, 1.0) << colour;
        KrnStopDither(&record);
    }
}

TEST_F(Dither, ChecksItsArgumentsAndReleasesWhatItMade) {
    const auto colors = DeviceTable(4);
    BitmapRecord record{}, image{};
    ASSERT_EQ(KrnInitBitmapRecord(&record, 10, 1, 24), STATUS_OK);
    for (const auto &[count, bits, flags] : {std::tuple{16, 0, 0u}, {16, 9, 0u}, {0, 4, 0u}, {17, 4, 0u}, {16, 4, 1u}})
        EXPECT_EQ(KrnStartDither(&record, colors.data(), count, bits, flags), STATUS_BAD_PARAMETER) << count << " " << bits;
    EXPECT_EQ(KrnStartDither(&record, nullptr, 16, 4, 0), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnStartDither(nullptr, colors.data(), 16, 4, 0), STATUS_BAD_PARAMETER);
    ASSERT_EQ(KrnCreateBitmap(&image, 0, 10, 1, 24, 1, nullptr, 0, nullptr, 0), STATUS_OK);
    EXPECT_EQ(KrnStartDither(&image, colors.data(), 16, 4, 0), STATUS_BAD_PARAMETER) << "image data is not replaced";
    std::vector<BYTE> row(30);
    EXPECT_EQ(KrnDitherRow(&record, row.data(), row.data()), STATUS_BAD_PARAMETER) << "not started";
    EXPECT_EQ(KrnStopDither(&image), STATUS_OK);
    EXPECT_NE(image.Data, nullptr) << "stopping a record Start did not prepare leaves it";
    ASSERT_EQ(KrnStartDither(&record, colors.data(), 16, 4, 0), STATUS_OK);
    ASSERT_EQ(KrnStartDither(&record, colors.data(), 2, 1, 0), STATUS_OK) << "a second start replaces the first";
    EXPECT_EQ(KrnDitherRow(&record, nullptr, row.data()), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnStopDither(&record), STATUS_OK);
    EXPECT_EQ(KrnStopDither(&record), STATUS_OK);
    KrnFreeBitmap(&image);
}

TEST_F(Dither, EveryAllocationFailureKeepsTheState) {
    ZELT_REQUIRE_HOST_CONTROLS("failing each allocation of the dither");
    std::mt19937 rng(3);
    const auto colors = RandomPalette(rng, 256);
    std::vector<std::vector<BYTE>> rows;
    for (int i = 0; i < 4; ++i) rows.push_back(RandomRow(rng, 120));
    int status = 0;
    ForEachAllocationFailure(
        [&] {
            BitmapRecord record{};
            KrnInitBitmapRecord(&record, 120, 4, 24);
            const BitmapRecord described = record;
            status = KrnStartDither(&record, colors.data(), 256, 8, 0);
            if (status != STATUS_OK) {
                EXPECT_TRUE(SameBytes(record, described)) << "a failed start leaves the record";
                return;
            }
            // A failed row leaves its target and the carried errors: done again, it is the model's.
            DitherModel model(colors, 120);
            for (const auto &source : rows) {
                std::vector<BYTE> target(120, 0xEE);
                const auto expected = Packed(model.Row(source.data()), 8);
                const int rowStatus = KrnDitherRow(&record, target.data(), source.data());
                if (rowStatus != STATUS_OK) {
                    status = rowStatus;
                    EXPECT_EQ(target, std::vector<BYTE>(120, 0xEE));
                    ASSERT_EQ(KrnDitherRow(&record, target.data(), source.data()), STATUS_OK);
                }
                EXPECT_EQ(target, expected);
            }
            KrnStopDither(&record);
        },
        [&](long failedAt) { EXPECT_EQ(status, STATUS_NO_MEMORY) << "allocation " << failedAt; });
}

}  // namespace
