// Reducing row converters against the model for every depth, order, device
// and variant over random rows, pieces and long rows; golden rows.
#include <array>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "paint/paint_engine.h"
#include "support/front_fixture.h"
#include "support/paint_reference.h"

namespace zelt::test {
namespace {

// Random material of one case: palette, paint table (identity, a curve or
// arbitrary), the paint bit window (empty at times) and a level table.
struct Material {
    std::mt19937 rng;
    std::array<RGBQUAD, 256> palette{};
    BYTE lut[256];
    BitmapRecord bm{};

    Material(unsigned seed, int bits, int order, bool withLevels) : rng(seed) {
        for (auto &e : palette) e = {Byte(), Byte(), Byte(), 0};
        const int kind = Between(0, 2);
        for (int i = 0; i < 256; ++i) lut[i] = kind == 0 ? BYTE(i) : kind == 1 ? BYTE(std::min(255, i * i / 200 + i / 3)) : Byte();
        bm.BitsPerPixel = bits;
        bm.Order = order;
        bm.PaintLut = lut;
        bm.PaintHighBit = bits > 8 ? bits - 1 : 7;
        if (bits == 12 || bits == 16) {
            bm.PaintLowBit = Between(0, bits - 1);
            bm.PaintHighBit = bm.PaintLowBit + Between(-1, bits - bm.PaintLowBit);
        }
        if (withLevels) {  // random colours for every 16-bit value, made once
            static const std::vector<RGBQUAD> levels = [] {
                std::mt19937 random(16);
                std::vector<RGBQUAD> all(65536);
                for (auto &e : all) e = {BYTE(random()), BYTE(random()), BYTE(random()), 0};
                return all;
            }();
            bm.LevelLut = const_cast<RGBQUAD *>(levels.data());
            bm.LevelLutLength = DWORD(std::size_t{1} << bits);
        }
    }
    BYTE Byte() { return static_cast<BYTE>(rng()); }
    int Between(int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); }
    std::vector<BYTE> Row(int pixels) {
        std::vector<BYTE> row((static_cast<std::size_t>(pixels) * bm.BitsPerPixel + 7) / 8 + 1);
        for (auto &b : row) b = Byte();
        return row;
    }
};

// The library and the model convert [xStart, xEnd): the whole destination
// and error buffer must agree.
::testing::AssertionResult Converts(int device, UINT mode, Material &m, const std::vector<BYTE> &src, int xStart,
                                    int xEnd, int phaseX, int phaseY, std::vector<int> &errors,
                                    std::vector<int> &modelErrors, int slot) {
    std::vector<BYTE> dst(static_cast<std::size_t>(std::max(0, xEnd - xStart)) * device / 8 + 2);
    for (auto &b : dst) b = m.Byte();
    std::vector<BYTE> expected = dst;
    SelectRowConverter(m.bm.BitsPerPixel, device)(dst.data(), src.data(), &m.bm, xStart, xEnd, phaseX, phaseY,
                                                  errors.data() + slot, m.palette.data());
    if (mode & DISP_CONVERTER_ALT)
        DitherRow(expected, m.bm, src.data(), xStart, xEnd, phaseX, phaseY, m.palette.data(), device, mode);
    else
        DiffuseRow(expected, m.bm, src.data(), xStart, xEnd, modelErrors.data() + slot, m.palette.data(), device,
                   mode & DISP_FIXED_PALETTE);
    if (dst != expected) return ::testing::AssertionFailure() << "rows differ";
    if (errors != modelErrors) return ::testing::AssertionFailure() << "error buffers differ";
    return ::testing::AssertionSuccess();
}

TEST(RowConverters, MatchTheModelOverWidthsStartsAndPieces) {
    unsigned seed = 0;
    for (int bits : {1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 24, 32, 48, 64})
        for (int device : {1, 4, 8})
            for (int order : {0, 1, 2})
                for (UINT variant = 0; variant < 16; ++variant) {
                    const UINT mode = (variant & 1 ? DISP_CONVERTER_ALT : 0) | (variant & 2 ? DISP_FIXED_PALETTE : 0) |
                                      (variant & 4 ? DISP_DITHER_ALT : 0);
                    const bool levels = variant & 8, deepGray = order == 2;
                    if ((bits == 1 && device != 8) || (deepGray && bits != 12 && bits != 16) ||
                        (bits == 12 && !deepGray) || (bits <= 8 && order != 1) || (levels && !deepGray) ||
                        (mode & DISP_FIXED_PALETTE && device != 8) || (mode & DISP_DITHER_ALT && device != 1))
                        continue;
                    ModeScope scope(DISP_DEVICE_REDUCE | mode);
                    const std::string name = std::to_string(bits) + " bits order " + std::to_string(order) + " -> " +
                                             std::to_string(device) + " mode " + std::to_string(mode) +
                                             (levels ? " levels" : "") + " case ";
                    // Widths 1..64, then long rows (the folded tables of the 8-bit
                    // converters) whose incoming errors run past both ends of 0..255.
                    const int widths = bits == 8 || bits == 16 || bits == 24 ? 66 : 64;
                    for (int w = 1; w <= widths; ++w, ++seed) {
                        Material m(seed, bits, order, levels);
                        const int width = w <= 64 ? w : m.Between(500, 700), limit = w <= 64 ? 16 * 255 : 16 * 255 * 4;
                        const int xStart = m.Between(0, 9);
                        const auto src = m.Row(xStart + width + 3);
                        std::vector<int> errors(3 * static_cast<std::size_t>(width) + 6);
                        for (std::size_t i = 0; i < errors.size(); ++i)
                            errors[i] = i < 6 && w > 64 ? (i % 2 ? limit : -limit) : m.Between(-limit, limit);
                        std::vector<int> model = errors;
                        // Short rows in up to two pieces: the second starts at its own slot, the phase goes on.
                        const int split = w <= 64 ? m.Between(1, width) : width, phaseX = m.Between(-20, 20), phaseY = m.Between(-20, 20);
                        ASSERT_TRUE(
                            Converts(device, mode, m, src, xStart, xStart + split, phaseX, phaseY, errors, model, 0))
                            << name << seed;
                        if (split < width) {
                            ASSERT_TRUE(Converts(device, mode, m, src, xStart + split, xStart + width, phaseX + split,
                                                 phaseY, errors, model, 3 * split))
                                << name << seed;
                        }
                    }
                }
}

// Golden rows, independent of the model: gray 128 diffused on 1 bit is
// white (error -127), then 128 - 55 = 73: black, leaving slots 5 x -127 +
// 3 x 73 and -127 + 5 x 73; red, yellow, blue and a dark colour on 4 bits
// are 9, 11, 12 and 0. No converter exists for 1 bit on 1 or 4 bits, nor
// outside the table.
TEST(RowConverters, GoldenRowsAndSelection) {
    BYTE identity[256];
    std::iota(identity, identity + 256, 0);
    BitmapRecord bm{};
    bm.BitsPerPixel = 24;
    bm.PaintLut = identity;
    ModeScope diffusion(DISP_DEVICE_REDUCE);
    const BYTE gray128[6] = {128, 128, 128, 128, 128, 128}, colours[12] = {255, 0, 0, 255, 255, 0, 0, 0, 255, 127, 100, 20};
    int errors[12] = {};
    BYTE dst[2] = {0x3F, 0};
    SelectRowConverter(24, 1)(dst, gray128, &bm, 0, 2, 0, 0, errors, nullptr);
    EXPECT_EQ((std::array{int(dst[0]), errors[0], errors[3]}), (std::array{0xBF, -416, 238}));
    std::fill_n(errors, 12, 0);
    SelectRowConverter(24, 4)(dst, colours, &bm, 0, 4, 0, 0, errors, nullptr);
    EXPECT_EQ((std::array{dst[0], dst[1]}), (std::array<BYTE, 2>{0x9B, 0xC0}));
    for (auto [bits, device] : {std::pair{1, 1}, {1, 4}, {9, 8}, {24, 2}, {24, 24}, {0, 8}})
        EXPECT_EQ(SelectRowConverter(bits, device), nullptr) << bits << " -> " << device;
}

}  // namespace
}  // namespace zelt::test
