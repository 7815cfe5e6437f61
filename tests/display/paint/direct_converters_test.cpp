// Direct row converters: the depth table, named pixels, and every source
// layout against a per-pixel model over seeded random rows.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "converter_oracle.h"
#include "paint/paint_engine.h"

namespace {

using converter_oracle::BigEndianBits;
using converter_oracle::GraySample;

BitmapRecord Record(int bits, int order) {
    BitmapRecord bm{};
    bm.BitsPerPixel = bits;
    bm.Order = order;
    bm.PaintLowBit = 0;
    bm.PaintHighBit = bits - 1;
    return bm;
}

TEST(DirectConverterSelect, BandDepthPerSourceDepth) {
    struct Case {
        int bits, order;
        bool gray;
        int bandBits;
        bool converter;
    } cases[] = {
        {1, 0, false, 1, false},  {4, 0, false, 4, false},  {8, 0, false, 8, false},  {24, 1, false, 24, false},
        {2, 0, false, 4, true},   {3, 0, false, 4, true},   {5, 0, false, 8, true},   {6, 0, false, 8, true},
        {7, 0, false, 8, true},   {12, 2, true, 8, true},   {12, 2, false, 24, true}, {16, 2, true, 8, true},
        {16, 2, false, 24, true}, {16, 1, false, 24, true}, {32, 1, false, 24, true}, {48, 0, false, 24, true},
        {64, 0, false, 24, true}, {10, 0, false, 24, true},
    };
    for (const Case &c : cases) {
        BitmapRecord bm = Record(c.bits, c.order);
        int bandBits = -1;
        DirectRowConverter convert = SelectDirectRowConverter(&bm, c.gray, &bandBits);
        EXPECT_EQ(bandBits, c.bandBits) << c.bits << " bits gray " << c.gray;
        EXPECT_EQ(convert != nullptr, c.converter) << c.bits << " bits";
    }
}

TEST(DirectConverters, TwelveBitPixelsFromTheirWords) {
    const BYTE row[6] = {0x21, 0x43, 0x65, 0x87, 0xA9, 0xCB};
    std::vector<RGBQUAD> levels(4096);
    for (int v = 0; v < 4096; ++v) levels[v] = {BYTE(v & 0xFF), BYTE(v >> 8), 0x5A, 0};
    BitmapRecord bm = Record(12, 2);
    bm.LevelLut = levels.data();
    bm.LevelLutLength = 4096;
    int bandBits = 0;
    DirectRowConverter convert = SelectDirectRowConverter(&bm, false, &bandBits);
    ASSERT_EQ(bandBits, 24);
    BYTE out[12] = {};
    convert(out, row, &bm, 0, 4);
    const unsigned expected[4] = {0x321, 0x654, 0x987, 0xCBA};
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(out[3 * x] | (out[3 * x + 1] << 8), static_cast<int>(expected[x])) << "pixel " << x;
        EXPECT_EQ(out[3 * x + 2], 0x5A);
    }
}

TEST(DirectConverters, NarrowGrayWindowStretchesToFullRange) {
    // 16-bit gray, bits 4..6: mask 7, so v becomes v * 255 / 7.
    BitmapRecord bm = Record(16, 2);
    bm.PaintLowBit = 4;
    bm.PaintHighBit = 6;
    const BYTE row[8] = {0x70, 0x00, 0x30, 0x00, 0x0F, 0xFF, 0x10, 0x00};
    int bandBits = 0;
    DirectRowConverter convert = SelectDirectRowConverter(&bm, true, &bandBits);
    ASSERT_EQ(bandBits, 8);
    BYTE out[4] = {};
    convert(out, row, &bm, 0, 4);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[1], 3 * 255 / 7);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], 255 / 7);
    // An empty window paints black.
    bm.PaintLowBit = 9;
    bm.PaintHighBit = 3;
    convert(out, row, &bm, 0, 4);
    for (BYTE b : out) EXPECT_EQ(b, 0);
}

TEST(DirectConverters, Rgb555KeepsStoredOrder) {
    const BYTE row[4] = {0x1F, 0x00, 0xFF, 0x7F};
    for (int order : {0, 1}) {
        BitmapRecord bm = Record(16, order);
        int bandBits = 0;
        BYTE out[6] = {};
        SelectDirectRowConverter(&bm, false, &bandBits)(out, row, &bm, 0, 2);
        const BYTE expected[6] = {255, 0, 0, 255, 255, 255};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], expected[i]) << "Order " << order << " byte " << i;
    }
}

TEST(DirectConverters, OddNibbleCountKeepsLowNibble) {
    BitmapRecord bm = Record(3, 0);
    // 3-bit indices 5, 3, 7 (101 011 111, then padding).
    const BYTE row[2] = {0xAF, 0x80};
    int bandBits = 0;
    BYTE out[2] = {0xEE, 0xEE};
    SelectDirectRowConverter(&bm, false, &bandBits)(out, row, &bm, 0, 3);
    EXPECT_EQ(out[0], 0x53);
    EXPECT_EQ(out[1], 0x7E);
}

// ---- against the model -----------------------------------------------------------------

int ModelGray(const BitmapRecord &bm, unsigned sample, int channel) {
    DWORD mask = 0;
    int shift = 0;
    KrnGetBitWindow(bm.BitsPerPixel, bm.LevelLut ? bm.BitsPerPixel : 8, bm.PaintLowBit, bm.PaintHighBit, &mask, &shift);
    const unsigned v = (sample >> shift) & mask;
    if (bm.LevelLut) {
        const RGBQUAD &e = bm.LevelLut[v];
        return channel == 0 ? e.rgbBlue : channel == 1 ? e.rgbGreen : e.rgbRed;
    }
    unsigned g = v & 0xFF;
    if (mask < 255) g = mask == 0 ? 0 : g * 255 / mask;
    return static_cast<int>(g);
}

void DirectModel(std::vector<BYTE> &dst, const BitmapRecord &bm, const BYTE *src, int xStart, int xEnd, bool gray) {
    const int bits = bm.BitsPerPixel;
    for (int k = 0; k < xEnd - xStart; ++k) {
        const int x = xStart + k;
        if (bits == 2 || bits == 3) {
            const unsigned index = BigEndianBits(src, static_cast<size_t>(x) * bits, bits);
            BYTE &b = dst[k / 2];
            b = k % 2 == 0 ? static_cast<BYTE>((b & 0x0F) | (index << 4)) : static_cast<BYTE>((b & 0xF0) | index);
        } else if (bits >= 5 && bits <= 7) {
            dst[k] = static_cast<BYTE>(BigEndianBits(src, static_cast<size_t>(x) * bits, bits));
        } else if (bits == 12 || (bits == 16 && bm.Order == 2)) {
            const unsigned sample = GraySample(src, bits, x);
            if (gray)
                dst[k] = static_cast<BYTE>(ModelGray(bm, sample, 0));
            else
                for (int ch = 0; ch < 3; ++ch) dst[3 * k + ch] = static_cast<BYTE>(ModelGray(bm, sample, ch));
        } else if (bits == 16) {
            const unsigned w = src[2 * x] | (src[2 * x + 1] << 8);
            for (int ch = 0; ch < 3; ++ch) dst[3 * k + ch] = static_cast<BYTE>(converter_oracle::Widen((w >> (5 * ch)) & 31));
        } else {
            const int bytes = bits == 48 ? 6 : bits == 64 ? 8 : 4;
            const int first = bits >= 48 ? 1 : 0, step = bits >= 48 ? 2 : 1;
            for (int ch = 0; ch < 3; ++ch) dst[3 * k + ch] = src[static_cast<size_t>(x) * bytes + first + step * ch];
        }
    }
}

TEST(DirectConvertersModel, EveryLayoutOverWidthsAndStarts) {
    struct Layout {
        int bits, order;
        bool gray, levels;
    } layouts[] = {{2, 0, false, false},  {3, 0, false, false},  {5, 0, false, false},  {6, 0, false, false},
                   {7, 0, false, false},  {12, 2, true, false},  {12, 2, true, true},   {12, 2, false, false},
                   {12, 2, false, true},  {16, 2, true, false},  {16, 2, true, true},   {16, 2, false, true},
                   {16, 2, false, false}, {16, 0, false, false}, {16, 1, false, false}, {32, 1, false, false},
                   {48, 0, false, false}, {64, 1, false, false}};
    int caseNumber = 0;
    for (const Layout &layout : layouts)
        for (int width = 1; width <= 64; ++width, ++caseNumber) {
            std::mt19937 rng(static_cast<unsigned>(caseNumber));
            BitmapRecord bm = Record(layout.bits, layout.order);
            std::vector<RGBQUAD> levels;
            if (layout.levels) {
                levels.resize(size_t{1} << layout.bits);
                for (auto &e : levels) e = {BYTE(rng()), BYTE(rng()), BYTE(rng()), 0};
                bm.LevelLut = levels.data();
                bm.LevelLutLength = static_cast<DWORD>(levels.size());
            }
            if (layout.bits >= 12 && layout.bits <= 16) {
                bm.PaintLowBit = static_cast<int>(rng() % layout.bits);
                bm.PaintHighBit = bm.PaintLowBit + static_cast<int>(rng() % (layout.bits - bm.PaintLowBit + 2)) - 1;
            }
            const int xStart = static_cast<int>(rng() % 10);
            std::vector<BYTE> src((static_cast<size_t>(xStart + width) * layout.bits + 7) / 8);
            for (auto &b : src) b = static_cast<BYTE>(rng());
            int bandBits = 0;
            DirectRowConverter convert = SelectDirectRowConverter(&bm, layout.gray, &bandBits);
            ASSERT_NE(convert, nullptr);
            std::vector<BYTE> dst((static_cast<size_t>(width) * bandBits + 7) / 8 + 2);
            for (auto &b : dst) b = static_cast<BYTE>(rng());
            std::vector<BYTE> expected = dst;
            convert(dst.data(), src.data(), &bm, xStart, xStart + width);
            DirectModel(expected, bm, src.data(), xStart, xStart + width, layout.gray);
            ASSERT_EQ(dst, expected) << "case " << caseNumber << ": " << layout.bits << " bits, Order " << layout.order
                                     << (layout.gray ? " gray" : "") << (layout.levels ? " levels" : "") << " width "
                                     << width << " xStart " << xStart;
        }
}

}  // namespace
