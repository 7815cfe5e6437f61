// Reducing row converters: the named colours and rows, then every source
// depth x device depth x variant against the per-pixel model over seeded
// random rows (widths 1..64, odd starts, random paint tables and errors).
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "converter_oracle.h"
#include "paint/paint_engine.h"
#include "zelt/display.h"

namespace {

using converter_oracle::Mode;

// Sets display-mode bits for one test and puts the old mode back.
class ModeScope {
public:
    ModeScope(UINT mask, UINT value) : old_(Z_SetDisplayMode(mask, value)) {}
    ~ModeScope() { Z_SetDisplayMode(0xFFFFFFFFu, old_); }

private:
    UINT old_;
};

UINT ModeBits(bool ordered, Mode mode) {
    return (ordered ? DISP_CONVERTER_ALT : 0u) | (mode.cube ? DISP_FIXED_PALETTE : 0u) |
           (mode.clustered ? DISP_DITHER_ALT : 0u);
}
constexpr UINT kModeMask = DISP_CONVERTER_ALT | DISP_FIXED_PALETTE | DISP_DITHER_ALT;

struct Identity {
    BYTE lut[256];
    Identity() { std::iota(lut, lut + 256, 0); }
};

BitmapRecord MakeRecord(int bits, int order, BYTE *lut) {
    BitmapRecord bm{};
    bm.BitsPerPixel = bits;
    bm.Order = order;
    bm.PaintLut = lut;
    bm.PaintLowBit = 0;
    bm.PaintHighBit = bits > 8 ? bits - 1 : 7;
    return bm;
}

// 24-bit rows in Order 0 (red first) of constant or listed colours.
std::vector<BYTE> Row24(std::initializer_list<converter_oracle::Color> colors) {
    std::vector<BYTE> row;
    for (const auto &c : colors) row.insert(row.end(), {BYTE(c.r), BYTE(c.g), BYTE(c.b)});
    return row;
}

std::vector<BYTE> Repeat24(converter_oracle::Color c, int n) {
    std::vector<BYTE> row;
    for (int i = 0; i < n; ++i) row.insert(row.end(), {BYTE(c.r), BYTE(c.g), BYTE(c.b)});
    return row;
}

TEST(RowConverterSelect, PairsWithoutAConverterGiveNull) {
    EXPECT_EQ(SelectRowConverter(1, 1), nullptr);
    EXPECT_EQ(SelectRowConverter(1, 4), nullptr);
    EXPECT_EQ(SelectRowConverter(9, 8), nullptr);
    EXPECT_EQ(SelectRowConverter(24, 2), nullptr);
    EXPECT_EQ(SelectRowConverter(24, 24), nullptr);
    EXPECT_EQ(SelectRowConverter(0, 8), nullptr);
}

TEST(RowConverterSelect, EightyDistinctConvertersByVariant) {
    const int depths[] = {1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 24, 32, 48, 64};
    std::vector<RowConverter> all;
    for (bool ordered : {false, true}) {
        ModeScope scope(DISP_CONVERTER_ALT, ordered ? DISP_CONVERTER_ALT : 0);
        for (int device : {1, 4, 8})
            for (int bits : depths) {
                RowConverter c = SelectRowConverter(bits, device);
                if (bits == 1 && device != 8) continue;
                ASSERT_NE(c, nullptr) << bits << "->" << device << " ordered " << ordered;
                all.push_back(c);
            }
    }
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::unique(all.begin(), all.end()) - all.begin(), 80);
}

TEST(RowConverterSelect, DefaultModeDiffusesErrors) {
    // Under the default mode a gray-128 pair diffuses (white then black) and
    // leaves errors behind; ordered dither would not touch the buffer.
    ModeScope scope(0xFFFFFFFFu, DISP_DEFAULT_MODE);
    Identity id;
    BitmapRecord bm = MakeRecord(24, 0, id.lut);
    const auto row = Repeat24({128, 128, 128}, 2);
    int errors[6] = {};
    BYTE dst = 0;
    SelectRowConverter(24, 1)(&dst, row.data(), &bm, 0, 2, 0, 0, errors, nullptr);
    EXPECT_EQ(dst, 0x80);
    EXPECT_NE(errors[0], 0);
}

TEST(ErrorDiffusion, GrayRowOnOneBitDevice) {
    ModeScope scope(kModeMask, 0);
    Identity id;
    BitmapRecord bm = MakeRecord(24, 0, id.lut);
    const auto row = Repeat24({128, 128, 128}, 2);
    int errors[6] = {};
    BYTE dst = 0x3F;
    SelectRowConverter(24, 1)(&dst, row.data(), &bm, 0, 2, 0, 0, errors, nullptr);
    // Pixel 0: white, error -127; pixel 1 gets -127 * 7 / 16 = -55, so 73: black.
    EXPECT_EQ(dst, 0x80 | 0x3F);
    // Slot 0: 5 * -127 + 3 * 73; slot 1: -127 (below-right share) + 5 * 73.
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_EQ(errors[ch], -635 + 219);
        EXPECT_EQ(errors[3 + ch], -127 + 365);
    }
}

TEST(ErrorDiffusion, BlackAndWhiteRowsLeaveNoError) {
    struct Case {
        int device;
        bool cube;
        BYTE whiteIndex;
    } cases[] = {{1, false, 1}, {4, false, 15}, {8, false, 255}, {8, true, 215}};
    Identity id;
    BitmapRecord bm = MakeRecord(24, 0, id.lut);
    for (const Case &c : cases) {
        ModeScope scope(kModeMask, c.cube ? DISP_FIXED_PALETTE : 0);
        for (int level : {0, 255}) {
            const auto row = Repeat24({level, level, level}, 16);
            std::vector<int> errors(48, 0);
            std::vector<BYTE> dst(16, 0x5A);
            SelectRowConverter(24, c.device)(dst.data(), row.data(), &bm, 0, 16, 0, 0, errors.data(), nullptr);
            const int bytes = 16 * c.device / 8;
            const BYTE all = level == 0 ? 0 : c.device == 1 ? 0xFF : c.device == 4 ? 0xFF : c.whiteIndex;
            for (int i = 0; i < bytes; ++i) EXPECT_EQ(dst[i], all) << c.device << " level " << level << " byte " << i;
            for (int e : errors) EXPECT_EQ(e, 0);
        }
    }
}

TEST(ErrorDiffusion, NamedColoursOnFourBitDevice) {
    ModeScope scope(kModeMask, 0);
    Identity id;
    BitmapRecord bm = MakeRecord(24, 0, id.lut);
    struct Case {
        converter_oracle::Color color;
        int index;
    } cases[] = {{{255, 0, 0}, 9}, {{255, 255, 0}, 11}, {{0, 0, 255}, 12}, {{127, 100, 20}, 0}, {{0, 255, 255}, 14}};
    for (const Case &c : cases) {
        const auto row = Row24({c.color});
        int errors[3] = {};
        BYTE dst = 0x0A;
        SelectRowConverter(24, 4)(&dst, row.data(), &bm, 0, 1, 0, 0, errors, nullptr);
        EXPECT_EQ(dst, (c.index << 4) | 0x0A) << c.color.r << "," << c.color.g << "," << c.color.b;
    }
}

TEST(ErrorDiffusion, BlackOnEightBitDeviceBothPalettes) {
    Identity id;
    BitmapRecord bm = MakeRecord(24, 0, id.lut);
    for (bool cube : {false, true}) {
        ModeScope scope(kModeMask, cube ? DISP_FIXED_PALETTE : 0);
        const auto row = Row24({{0, 0, 0}, {255, 255, 255}});
        int errors[6] = {};
        BYTE dst[2] = {9, 9};
        SelectRowConverter(24, 8)(dst, row.data(), &bm, 0, 2, 0, 0, errors, nullptr);
        EXPECT_EQ(dst[0], 0);
        EXPECT_EQ(dst[1], cube ? 215 : 255);
    }
}

TEST(OrderedDither, OneBitDispersedGrayLevels) {
    ModeScope scope(kModeMask, DISP_CONVERTER_ALT);
    Identity id;
    BitmapRecord bm = MakeRecord(24, 0, id.lut);
    const auto row = Repeat24({1, 1, 1}, 8);
    int ones = 0;
    for (int phaseY = 0; phaseY < 8; ++phaseY) {
        BYTE dst = 0;
        SelectRowConverter(24, 1)(&dst, row.data(), &bm, 0, 8, 0, phaseY, nullptr, nullptr);
        ones += __builtin_popcount(dst);
        if (phaseY == 0) {
            EXPECT_EQ(dst, 0x80);  // only row 0 column 0 has threshold 0
        }
    }
    EXPECT_EQ(ones, 1);
    for (int level : {0, 255}) {
        const auto flat = Repeat24({level, level, level}, 8);
        for (int phaseY = 0; phaseY < 8; ++phaseY) {
            BYTE dst = 0x5A;
            SelectRowConverter(24, 1)(&dst, flat.data(), &bm, 0, 8, 3, phaseY, nullptr, nullptr);
            EXPECT_EQ(dst, level == 0 ? 0x00 : 0xFF);
        }
    }
}

TEST(OrderedDither, OneBitClusteredFollowsModeAtEveryCall) {
    ModeScope scope(kModeMask, DISP_CONVERTER_ALT);
    Identity id;
    BitmapRecord bm = MakeRecord(24, 0, id.lut);
    RowConverter convert = SelectRowConverter(24, 1);
    // Gray 1 is above threshold 0 only: row 2 column 2 of the clustered matrix.
    const auto row = Repeat24({1, 1, 1}, 8);
    BYTE dst = 0;
    convert(&dst, row.data(), &bm, 0, 8, 0, 2, nullptr, nullptr);
    EXPECT_EQ(dst, 0x00);
    Z_SetDisplayMode(DISP_DITHER_ALT, DISP_DITHER_ALT);
    convert(&dst, row.data(), &bm, 0, 8, 0, 2, nullptr, nullptr);
    EXPECT_EQ(dst, 0x20);
}

TEST(OrderedDither, EightBitOffsetsAndClamping) {
    ModeScope scope(kModeMask, DISP_CONVERTER_ALT);
    Identity id;
    BitmapRecord bm = MakeRecord(24, 0, id.lut);
    RowConverter convert = SelectRowConverter(24, 8);
    // Threshold 0 (row 0 column 0): offset -16; 248 (row 7 column 0): +15.
    const auto dark = Repeat24({20, 20, 20}, 1);
    BYTE dst = 0;
    convert(&dst, dark.data(), &bm, 0, 1, 0, 0, nullptr, nullptr);
    EXPECT_EQ(dst, 0);  // 4 on every channel
    convert(&dst, dark.data(), &bm, 0, 1, 0, 7, nullptr, nullptr);
    EXPECT_EQ(dst, 32 | 4);  // 35: red and green step 1, blue 0
    const auto bright = Repeat24({250, 250, 250}, 1);
    convert(&dst, bright.data(), &bm, 0, 1, 0, 7, nullptr, nullptr);
    EXPECT_EQ(dst, 255);
    // Cube: offset t / 6 - 21, so -21 at threshold 0 and +20 at 248.
    Z_SetDisplayMode(DISP_FIXED_PALETTE, DISP_FIXED_PALETTE);
    const auto mid = Repeat24({60, 60, 60}, 1);
    convert(&dst, mid.data(), &bm, 0, 1, 0, 0, nullptr, nullptr);
    EXPECT_EQ(dst, 0);  // 39 / 51 = 0
    convert(&dst, mid.data(), &bm, 0, 1, 0, 7, nullptr, nullptr);
    EXPECT_EQ(dst, 43);  // 80 / 51 = 1 per channel: 36 + 6 + 1
}

TEST(SourceDecoding, Rgb555FollowsOrder) {
    ModeScope scope(kModeMask, 0);
    Identity id;
    const BYTE pixel[2] = {0x1F, 0x00};
    for (int order : {0, 1}) {
        BitmapRecord bm = MakeRecord(16, order, id.lut);
        int errors[3] = {};
        BYTE dst = 0;
        SelectRowConverter(16, 4)(&dst, pixel, &bm, 0, 1, 0, 0, errors, nullptr);
        EXPECT_EQ(dst >> 4, order == 1 ? 12 : 9) << "Order " << order;
    }
}

TEST(SourceDecoding, PaintTableAppliesBeforeThreshold) {
    // An inverting paint table turns black into white.
    ModeScope scope(kModeMask, 0);
    BYTE invert[256];
    for (int i = 0; i < 256; ++i) invert[i] = static_cast<BYTE>(255 - i);
    BitmapRecord bm = MakeRecord(24, 0, invert);
    const auto row = Repeat24({0, 0, 0}, 1);
    int errors[3] = {};
    BYTE dst = 0;
    SelectRowConverter(24, 4)(&dst, row.data(), &bm, 0, 1, 0, 0, errors, nullptr);
    EXPECT_EQ(dst >> 4, 15);
    EXPECT_EQ(errors[0], 0);  // 4-bit errors are measured after the table
}

TEST(RowConverters, EmptyRangeWritesNothing) {
    Identity id;
    BitmapRecord bm = MakeRecord(24, 0, id.lut);
    const auto row = Repeat24({200, 10, 10}, 4);
    for (bool ordered : {false, true}) {
        ModeScope scope(kModeMask, ordered ? DISP_CONVERTER_ALT : 0);
        for (int device : {1, 4, 8}) {
            int errors[12] = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
            BYTE dst[4] = {1, 2, 3, 4};
            SelectRowConverter(24, device)(dst, row.data(), &bm, 3, 3, 0, 0, errors, nullptr);
            SelectRowConverter(24, device)(dst, row.data(), &bm, 3, 1, 0, 0, errors, nullptr);
            EXPECT_EQ(dst[0], 1);
            EXPECT_EQ(dst[3], 4);
            for (int e : errors) EXPECT_EQ(e, 7);
        }
    }
}

// ---- against the model ------------------------------------------------------------

struct Scenario {
    int bits = 24;
    int order = 0;
    int device = 8;
    bool ordered = false;
    Mode mode;
    bool levels = false;
    std::string Describe() const {
        return std::to_string(bits) + "->" + std::to_string(device) + (ordered ? " ordered" : " diffusion") +
               " order " + std::to_string(order) + (mode.cube ? " cube" : "") + (mode.clustered ? " clustered" : "") +
               (levels ? " levels" : "");
    }
};

// Random level tables covering every 12- or 16-bit value, made once.
const std::vector<RGBQUAD> &SharedLevels(int bits) {
    static const auto make = [](int n, unsigned seed) {
        std::mt19937 rng(seed);
        std::vector<RGBQUAD> levels(size_t{1} << n);
        for (auto &e : levels) e = {BYTE(rng()), BYTE(rng()), BYTE(rng()), 0};
        return levels;
    };
    static const std::vector<RGBQUAD> levels12 = make(12, 12), levels16 = make(16, 16);
    return bits == 12 ? levels12 : levels16;
}

// Random test material for one case, seeded by the case number.
struct Material {
    std::mt19937 rng;
    std::array<RGBQUAD, 256> palette{};
    BYTE lut[256];
    BitmapRecord bm{};

    Material(unsigned seed, const Scenario &s) : rng(seed) {
        for (auto &e : palette) e = {Byte(), Byte(), Byte(), 0};
        // Identity, a rising curve, or an arbitrary (not monotone) table.
        const int kind = static_cast<int>(rng() % 3);
        for (int i = 0; i < 256; ++i)
            lut[i] = kind == 0 ? BYTE(i) : kind == 1 ? BYTE(std::min(255, i * i / 200 + i / 3)) : Byte();
        bm = MakeRecord(s.bits, s.order, lut);
        if (s.bits == 12 || s.bits == 16) {
            bm.PaintLowBit = static_cast<int>(rng() % s.bits);
            bm.PaintHighBit = bm.PaintLowBit + static_cast<int>(rng() % (s.bits - bm.PaintLowBit + 2)) - 1;
            if (s.levels) {
                const std::vector<RGBQUAD> &levels = SharedLevels(s.bits);
                bm.LevelLut = const_cast<RGBQUAD *>(levels.data());
                bm.LevelLutLength = static_cast<DWORD>(levels.size());
            }
        }
    }
    BYTE Byte() { return static_cast<BYTE>(rng()); }
    int Between(int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); }
};

// Converts [xStart, xEnd) with the library and with the model and compares
// the whole destination (bits outside the range must keep their values)
// and the whole error buffer.
void CheckAgainstModel(const Scenario &s, Material &m, const std::vector<BYTE> &src, int xStart, int xEnd,
                       int phaseX, int phaseY, std::vector<int> &errors, std::vector<int> &modelErrors,
                       int errorOffset, const std::string &where) {
    const int n = std::max(0, xEnd - xStart);
    std::vector<BYTE> dst((static_cast<size_t>(n) * s.device + 7) / 8 + 2);
    for (auto &b : dst) b = m.Byte();
    std::vector<BYTE> expected = dst;
    RowConverter convert = SelectRowConverter(s.bits, s.device);
    ASSERT_NE(convert, nullptr) << where;
    const BYTE(&cluster)[8][8] = ClusterDitherMatrix;
    const BYTE(&disperse)[8][8] = DisperseDitherMatrix;
    if (s.ordered) {
        convert(dst.data(), src.data(), &m.bm, xStart, xEnd, phaseX, phaseY, nullptr, m.palette.data());
        converter_oracle::Dither(expected, m.bm, src.data(), xStart, xEnd, phaseX, phaseY, m.palette.data(), s.device,
                                 s.mode, cluster, disperse);
    } else {
        convert(dst.data(), src.data(), &m.bm, xStart, xEnd, 0, 0, errors.data() + errorOffset, m.palette.data());
        converter_oracle::Diffuse(expected, m.bm, src.data(), xStart, xEnd, modelErrors.data() + errorOffset,
                                  m.palette.data(), s.device, s.mode);
    }
    ASSERT_EQ(dst, expected) << where;
    ASSERT_EQ(errors, modelErrors) << where;
}

std::vector<BYTE> RandomRow(Material &m, int bits, int width) {
    std::vector<BYTE> row((static_cast<size_t>(width) * bits + 7) / 8);
    for (auto &b : row) b = m.Byte();
    return row;
}

std::vector<Scenario> AllScenarios() {
    std::vector<Scenario> out;
    for (int bits : {1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 24, 32, 48, 64})
        for (int device : {1, 4, 8}) {
            if (bits == 1 && device != 8) continue;
            for (bool ordered : {false, true})
                for (int order : {0, 1, 2})
                    for (int variant = 0; variant < 2; ++variant) {
                        Scenario s{bits, order, device, ordered, {}, false};
                        if (device == 8) s.mode.cube = variant == 1;
                        if (device == 1) s.mode.clustered = variant == 1;
                        if (bits == 12 || (bits == 16 && order == 2)) s.levels = variant == 1;
                        if (variant == 1 && !s.mode.cube && !s.mode.clustered && !s.levels) continue;
                        out.push_back(s);
                    }
        }
    return out;
}

TEST(RowConvertersModel, EveryDepthDeviceAndVariantOverWidthsAndStarts) {
    int caseNumber = 0;
    for (const Scenario &s : AllScenarios()) {
        ModeScope scope(kModeMask, ModeBits(s.ordered, s.mode));
        for (int width = 1; width <= 64; ++width, ++caseNumber) {
            Material m(static_cast<unsigned>(caseNumber), s);
            const int xStart = m.Between(0, 9);
            const int rowWidth = xStart + width + m.Between(0, 3);
            const auto src = RandomRow(m, s.bits, rowWidth);
            std::vector<int> errors(3 * static_cast<size_t>(width) + 6);
            for (auto &e : errors) e = m.Between(-16 * 255, 16 * 255);
            std::vector<int> modelErrors = errors;
            const std::string where = "case " + std::to_string(caseNumber) + " " + s.Describe() + " width " +
                                      std::to_string(width) + " xStart " + std::to_string(xStart);
            CheckAgainstModel(s, m, src, xStart, xStart + width, m.Between(-20, 20), m.Between(-20, 20), errors,
                              modelErrors, 0, where);
            if (HasFailure()) return;  // one reproducible case is enough to look at
        }
    }
}

// Several rows in pieces: the error buffer carries errors from row to row
// and each piece starts at its own slot; the dither phase continues.
TEST(RowConvertersModel, RowsInPiecesCarryErrorsAndPhase) {
    int caseNumber = 100000;
    for (const Scenario &s : AllScenarios()) {
        ModeScope scope(kModeMask, ModeBits(s.ordered, s.mode));
        ++caseNumber;
        Material m(static_cast<unsigned>(caseNumber), s);
        const int width = m.Between(2, 70);
        const int split = m.Between(1, width - 1);
        std::vector<int> errors(3 * static_cast<size_t>(width), 0);
        std::vector<int> modelErrors = errors;
        for (int y = 0; y < 5; ++y) {
            const auto src = RandomRow(m, s.bits, width + 1);
            const std::string where = "case " + std::to_string(caseNumber) + " " + s.Describe() + " row " +
                                      std::to_string(y) + " split " + std::to_string(split);
            CheckAgainstModel(s, m, src, 1, 1 + split, 5, y, errors, modelErrors, 0, where + " left");
            CheckAgainstModel(s, m, src, 1 + split, 1 + width, 5 + split, y, errors, modelErrors, 3 * split,
                              where + " right");
            if (HasFailure()) return;
        }
    }
}

// Long rows take the folded-table path of the 8-bit diffusion converters.
TEST(RowConvertersModel, LongRowsOnEveryDevice) {
    int caseNumber = 200000;
    for (const Scenario &s : AllScenarios()) {
        if (s.bits != 24 && s.bits != 8 && s.bits != 16) continue;
        ModeScope scope(kModeMask, ModeBits(s.ordered, s.mode));
        for (int width : {511, 512, 700}) {
            Material m(static_cast<unsigned>(++caseNumber), s);
            const auto src = RandomRow(m, s.bits, width + 3);
            std::vector<int> errors(3 * static_cast<size_t>(width), 0);
            std::vector<int> modelErrors = errors;
            for (int y = 0; y < 2; ++y) {
                const std::string where = "case " + std::to_string(caseNumber) + " " + s.Describe() + " width " +
                                          std::to_string(width) + " row " + std::to_string(y);
                CheckAgainstModel(s, m, src, 3, 3 + width, 1, y, errors, modelErrors, 0, where);
                if (HasFailure()) return;
            }
        }
    }
}

// Long rows (the folded-table path of the 8-bit converters) whose incoming
// errors are large, so that channels run past both ends of 0..255 and the
// folded lookups must clamp exactly as the per-pixel model does.
TEST(RowConvertersModel, LongRowsWithLargeIncomingErrors) {
    int caseNumber = 300000;
    for (const Scenario &s : AllScenarios()) {
        if (s.ordered || s.device != 8 || (s.bits != 24 && s.bits != 8)) continue;
        ModeScope scope(kModeMask, ModeBits(s.ordered, s.mode));
        for (int limit : {16 * 240, 16 * 255 * 4}) {
            Material m(static_cast<unsigned>(++caseNumber), s);
            const int width = 600;
            const auto src = RandomRow(m, s.bits, width + 2);
            std::vector<int> errors(3 * static_cast<size_t>(width));
            // Slots at both extremes, then random ones in between.
            for (size_t i = 0; i < errors.size(); ++i)
                errors[i] = i < 6 ? (i % 2 ? limit : -limit) : m.Between(-limit, limit);
            std::vector<int> modelErrors = errors;
            const std::string where = "case " + std::to_string(caseNumber) + " " + s.Describe() + " limit " +
                                      std::to_string(limit);
            CheckAgainstModel(s, m, src, 2, 2 + width, 0, 0, errors, modelErrors, 0, where);
            if (HasFailure()) return;
        }
    }
}

TEST(OrderedDither, PiecesContinueThePatternOfTheWholeRow) {
    ModeScope scope(kModeMask, DISP_CONVERTER_ALT);
    std::mt19937 rng(7);
    BYTE lut[256];
    for (int i = 0; i < 256; ++i) lut[i] = static_cast<BYTE>(i);
    for (int device : {1, 4, 8}) {
        BitmapRecord bm = MakeRecord(24, 1, lut);
        std::vector<BYTE> src(3 * 96);
        for (auto &b : src) b = static_cast<BYTE>(rng());
        std::vector<BYTE> whole(96), pieces(96);
        RowConverter convert = SelectRowConverter(24, device);
        convert(whole.data(), src.data(), &bm, 0, 96, 3, 5, nullptr, nullptr);
        // Pieces on byte boundaries of every device depth: 8, 16, 72 pixels.
        int at = 0;
        for (int length : {8, 16, 72}) {
            convert(pieces.data() + at * device / 8, src.data(), &bm, at, at + length, 3 + at, 5, nullptr, nullptr);
            at += length;
        }
        EXPECT_EQ(whole, pieces) << "device " << device;
    }
}

}  // namespace
