// The fast reducing row loops (the luminance chain of 1-bit diffusion, the
// folded channel tables of 4- and 8-bit diffusion, the 16-pixel ordered
// dither of 24- and 32-bit rows) against the per-pixel model, over seeded
// rows: every source depth, widths 1..70 and rows across the pass and
// folding lengths, random starts, row pieces, error rows carried from row to
// row or drawn far outside their usual range, and paint tables that are the
// identity, increasing, flat, stepped or in no order.
#include <array>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "paint/paint_engine.h"
#include "support/front_fixture.h"
#include "support/paint_reference.h"

namespace zelt::test {
namespace {

struct Case {
    std::mt19937 rng;
    explicit Case(unsigned seed) : rng(seed) {}
    int Between(int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); }

    // Paint table of one of six kinds; all but the last never decrease.
    void Table(BYTE *lut) {
        const int kind = Between(0, 5), step = Between(1, 255), from = Between(0, 255);
        int level = 0;
        for (int i = 0; i < 256; ++i) {
            if (kind == 2) level = std::min(255, level + (Between(0, 3) == 0 ? Between(0, 9) : 0));
            lut[i] = BYTE(kind == 0 ? i : kind == 1 ? i * i / 255 : kind == 2 ? level
                        : kind == 3 ? from : kind == 4 ? (i >= step ? 255 : 0) : Between(0, 255));
        }
    }
};

constexpr int kDepths[] = {1, 4, 8, 16, 24, 32, 48, 64};

// Rows of one case converted by the library and the model, piece by piece
// and row after row; the destination and the error row must agree.
void ConvertRows(unsigned seed, bool ordered) {
    Case c(seed);
    const int bits = kDepths[c.Between(0, 7)];
    const int device = bits == 1 ? 8 : std::array{1, 4, 8}[std::size_t(c.Between(0, 2))];
    const UINT mode = (ordered ? DISP_CONVERTER_ALT : 0) | (device == 8 && c.Between(0, 1) ? DISP_FIXED_PALETTE : 0) |
                      (device == 1 && c.Between(0, 1) ? DISP_DITHER_ALT : 0);
    ModeScope scope(DISP_DEVICE_REDUCE | mode);
    BYTE lut[256];
    c.Table(lut);
    std::array<RGBQUAD, 256> palette{};
    for (auto &e : palette) e = {BYTE(c.rng()), BYTE(c.rng()), BYTE(c.rng()), 0};
    BitmapRecord bm{};
    bm.BitsPerPixel = bits;
    bm.Order = bits <= 8 ? 1 : c.Between(0, 1);
    bm.PaintLut = lut;
    bm.PaintHighBit = bits > 8 ? bits - 1 : 7;
    // Short rows, rows around the 256-pixel passes, rows past the folding length.
    const int kind = c.Between(0, 2);
    const int width = kind == 0 ? c.Between(1, 70) : kind == 1 ? c.Between(250, 530) : c.Between(500, 1100);
    const int xStart = c.Between(0, 17), reach = c.Between(0, 3) == 0 ? 1000000 : 16 * 255;
    std::vector<int> errors(3 * std::size_t(width));
    for (int &e : errors) e = c.Between(-reach, reach);
    std::vector<int> model = errors;
    const RowConverter convert = SelectRowConverter(bits, device);
    ASSERT_NE(convert, nullptr);
    for (int row = 0, phaseY = c.Between(-9, 9); row < 3; ++row, ++phaseY) {
        std::vector<BYTE> src((std::size_t(xStart + width) * bits + 7) / 8 + 1);
        for (auto &b : src) b = BYTE(c.rng());
        // Dark or bright runs push the errors to their ends.
        if (c.Between(0, 2) == 0) std::fill(src.begin(), src.end(), BYTE(c.Between(0, 1) ? 0xFF : 0x00));
        const int split = c.Between(0, 1) ? width : c.Between(1, width), phaseX = c.Between(-9, 9);
        std::vector<BYTE> dst(std::size_t(width) * device / 8 + 2);
        for (auto &b : dst) b = BYTE(c.rng());
        std::vector<BYTE> expected = dst;
        for (const auto &[from, to] : {std::pair{0, split}, {split, width}}) {
            if (from == to) continue;
            const std::size_t at = std::size_t(from) * device / 8;  // pieces begin on whole bytes here
            if ((from * device) % 8 != 0) break;
            std::vector<BYTE> piece(expected.begin() + std::ptrdiff_t(at), expected.end());
            convert(dst.data() + at, src.data(), &bm, xStart + from, xStart + to, phaseX + from, phaseY,
                    errors.data() + 3 * from, palette.data());
            if (ordered)
                DitherRow(piece, bm, src.data(), xStart + from, xStart + to, phaseX + from, phaseY, palette.data(),
                          device, mode);
            else
                DiffuseRow(piece, bm, src.data(), xStart + from, xStart + to, model.data() + 3 * from,
                           palette.data(), device, mode & DISP_FIXED_PALETTE);
            std::copy(piece.begin(), piece.end(), expected.begin() + std::ptrdiff_t(at));
        }
        ASSERT_EQ(dst, expected) << "case " << seed << ": " << bits << " -> " << device << " mode " << mode
                                 << " width " << width << " row " << row;
        ASSERT_EQ(errors, model) << "case " << seed << " row " << row;
    }
}

TEST(ReduceFastPaths, DiffusionMatchesTheModel) {
    for (unsigned seed = 0; seed < 3000; ++seed) ASSERT_NO_FATAL_FAILURE(ConvertRows(seed, false));
}

TEST(ReduceFastPaths, OrderedDitherMatchesTheModel) {
    for (unsigned seed = 0; seed < 3000; ++seed) ASSERT_NO_FATAL_FAILURE(ConvertRows(100000 + seed, true));
}

}  // namespace
}  // namespace zelt::test
