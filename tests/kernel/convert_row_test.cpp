// KrnConvertRowTo24 against the slow per-pixel oracle, for every layout, at
// widths 1..64 (every loop end), out of place and in place.
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "kernel/pixel_oracle.h"
#include "zelt/kernel.h"

namespace {

using namespace zelt::test;

constexpr int kMaxWidth = 64;

// A gray decoding drawn at random for case `seed`: with or without the
// window, with or without a level table.
struct GrayCase {
    GrayDecoding decoding;
    UINT flags = 0;
    std::vector<RGBQUAD> levels;
};

GrayCase RandomGrayCase(std::mt19937 &rng, const Layout &layout) {
    GrayCase c;
    const int kind = static_cast<int>(rng() % 3);
    if (kind == 0) return c;  // top 8 bits
    c.flags = KRN_CONVERT_GRAY | KRN_CONVERT_BIT_WINDOW;
    c.decoding.window = true;
    c.decoding.lowBit = static_cast<int>(rng() % (layout.bits + 4)) - 2;
    c.decoding.highBit = c.decoding.lowBit + static_cast<int>(rng() % (layout.bits + 2));
    if (kind == 2) {
        c.levels = RandomPalette(rng, static_cast<int>(rng() % 300) + 1);
        c.decoding.levels = c.levels.data();
        c.decoding.levelCount = static_cast<int>(c.levels.size());
    }
    return c;
}

TEST(ConvertRowTo24, EveryLayoutMatchesTheOracleOutOfPlaceAndInPlace) {
    for (const Layout &layout : AllLayouts()) {
        for (int width = 1; width <= kMaxWidth; ++width) {
            std::mt19937 rng(static_cast<unsigned>(layout.bits * 1000 + layout.order * 100 + width));
            const auto src = RandomBytes(rng, RowBytes(width, layout.bits));
            // Palettes shorter than the depth allows: the rest reads as black.
            const int paletteCount = layout.Indexed() ? static_cast<int>(rng() % ((1u << layout.bits) + 1)) : 0;
            const auto palette = RandomPalette(rng, paletteCount);
            GrayCase gray = layout.Gray() ? RandomGrayCase(rng, layout) : GrayCase{};
            const RGBQUAD *colors = layout.Indexed() ? palette.data() : gray.decoding.levels;
            const int colorCount = layout.Indexed() ? paletteCount : gray.decoding.levelCount;
            const int dstOrder = static_cast<int>(rng() % 2);
            SCOPED_TRACE(layout.Name() + ", width " + std::to_string(width) + ", to order " + std::to_string(dstOrder));

            std::vector<BYTE> out(RowBytes(width, 24) + 4, 0xA5);
            ASSERT_EQ(KrnConvertRowTo24(out.data(), src.data(), width, layout.bits, layout.order, 24, dstOrder, colors,
                                        colorCount, gray.flags, gray.decoding.lowBit, gray.decoding.highBit),
                      STATUS_OK);
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(Read24(out.data(), x, dstOrder),
                          OracleColor(src.data(), x, layout, palette.data(), paletteCount, gray.decoding))
                    << "pixel " << x;
            }
            EXPECT_EQ(out[3 * width], 0xA5) << "wrote past the row";

            std::vector<BYTE> inPlace(KrnGetRowBufferSize(width, layout.bits, width, 24));
            std::memcpy(inPlace.data(), src.data(), src.size());
            ASSERT_EQ(KrnConvertRowTo24(inPlace.data(), inPlace.data(), width, layout.bits, layout.order, 24, dstOrder,
                                        colors, colorCount, gray.flags, gray.decoding.lowBit, gray.decoding.highBit),
                      STATUS_OK);
            ASSERT_EQ(0, std::memcmp(inPlace.data(), out.data(), 3 * std::size_t(width))) << "in place differs";
        }
    }
}

// The value the documented packing gives for one 24-bit colour.
std::uint64_t ExpectedPacked(const Layout &layout, const Rgb &c, const std::vector<RGBQUAD> &palette, int count) {
    if (layout.Indexed()) {
        std::uint64_t best = 0;
        long bestDistance = -1;
        for (int i = 0; i < count; ++i) {
            const long dr = palette[i].rgbRed - c.r, dg = palette[i].rgbGreen - c.g, db = palette[i].rgbBlue - c.b;
            const long d = dr * dr + dg * dg + db * db;
            if (bestDistance < 0 || d < bestDistance) bestDistance = d, best = std::uint64_t(i);
        }
        return best;
    }
    if (layout.Gray()) {
        const std::uint64_t level = (299u * c.r + 587u * c.g + 114u * c.b) / 1000u;
        return level * ((1u << layout.bits) - 1) / 255u;
    }
    if (layout.bits == 16) {
        const std::uint64_t low = layout.order == 1 ? c.b : c.r, high = layout.order == 1 ? c.r : c.b;
        return (low >> 3) | (std::uint64_t(c.g >> 3) << 5) | ((high >> 3) << 10);
    }
    const int channelBits = layout.bits >= 48 ? 16 : 8;
    const std::uint64_t scale = channelBits == 16 ? 257 : 1;
    const std::uint64_t first = layout.order == 1 ? c.b : c.r, third = layout.order == 1 ? c.r : c.b;
    return first * scale | (std::uint64_t(c.g) * scale << channelBits) | (third * scale << (2 * channelBits));
}

TEST(ConvertRowTo24, EveryLayoutPacksAsDocumentedOutOfPlaceAndInPlace) {
    for (const Layout &layout : AllLayouts()) {
        for (int width = 1; width <= kMaxWidth; ++width) {
            std::mt19937 rng(static_cast<unsigned>(7 + layout.bits * 1000 + layout.order * 100 + width));
            const int srcOrder = static_cast<int>(rng() % 2);
            const auto src = RandomBytes(rng, RowBytes(width, 24));
            const int count = layout.Indexed() ? 1 + static_cast<int>(rng() % (1u << layout.bits)) : 0;
            const auto palette = RandomPalette(rng, count);
            SCOPED_TRACE(layout.Name() + ", width " + std::to_string(width) + ", from order " + std::to_string(srcOrder));
            const UINT flags = layout.Gray() ? KRN_CONVERT_GRAY : 0;

            std::vector<BYTE> out(RowBytes(width, layout.bits));
            ASSERT_EQ(KrnConvertRowTo24(out.data(), src.data(), width, 24, srcOrder, layout.bits, layout.order,
                                        palette.data(), count, flags, 0, 0),
                      STATUS_OK);
            std::vector<BYTE> inPlace(KrnGetRowBufferSize(width, 24, width, layout.bits));
            std::memcpy(inPlace.data(), src.data(), src.size());
            ASSERT_EQ(KrnConvertRowTo24(inPlace.data(), inPlace.data(), width, 24, srcOrder, layout.bits, layout.order,
                                        palette.data(), count, flags, 0, 0),
                      STATUS_OK);
            for (int x = 0; x < width; ++x) {
                const std::uint64_t expected = ExpectedPacked(layout, Read24(src.data(), x, srcOrder), palette, count);
                ASSERT_EQ(OracleRead(out.data(), x, layout.bits), expected) << "pixel " << x;
                ASSERT_EQ(OracleRead(inPlace.data(), x, layout.bits), expected) << "pixel " << x << " in place";
            }
        }
    }
}

// Rows whose values survive the trip: each layout draws values on its own
// grid, goes to 24 bits and back, and must come back bit for bit.
TEST(ConvertRowTo24, LosslessValuesSurviveTheRoundTrip) {
    for (const Layout &layout : AllLayouts()) {
        for (int width : {1, 7, 8, 9, 31, 64}) {
            std::mt19937 rng(static_cast<unsigned>(11 + layout.bits * 100 + layout.order * 10 + width));
            // Distinct palette colours, so every index is its own nearest.
            std::vector<RGBQUAD> palette(std::size_t(1) << std::min(layout.bits, 8));
            for (std::size_t i = 0; i < palette.size(); ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
            std::vector<BYTE> row(RowBytes(width, layout.bits));
            std::vector<std::uint64_t> values(width);
            for (int x = 0; x < width; ++x) {
                const unsigned level = rng() % 256;
                std::uint64_t v;
                if (layout.Indexed()) v = rng() % palette.size();
                else if (layout.Gray()) v = level * ((1u << layout.bits) - 1) / 255;
                else if (layout.bits == 16) v = rng() & 0x7FFF;
                else {
                    const unsigned scale = layout.bits >= 48 ? 257 : 1, shift = layout.bits >= 48 ? 16 : 8;
                    v = 0;
                    for (int ch = 0; ch < 3; ++ch) v |= std::uint64_t(rng() % 256) * scale << (shift * ch);
                }
                values[x] = v;
                OracleWrite(row.data(), x, layout.bits, v);
            }
            SCOPED_TRACE(layout.Name() + ", width " + std::to_string(width));
            const int count = layout.Indexed() ? static_cast<int>(palette.size()) : 0;
            const UINT flags = layout.Gray() ? KRN_CONVERT_GRAY : 0;
            std::vector<BYTE> buffer(KrnGetRowBufferSize(width, layout.bits, width, 24));
            std::memcpy(buffer.data(), row.data(), row.size());
            ASSERT_EQ(KrnConvertRowTo24(buffer.data(), buffer.data(), width, layout.bits, layout.order, 24, 1,
                                        palette.data(), count, flags, 0, 0), STATUS_OK);
            ASSERT_EQ(KrnConvertRowTo24(buffer.data(), buffer.data(), width, 24, 1, layout.bits, layout.order,
                                        palette.data(), count, flags, 0, 0), STATUS_OK);
            for (int x = 0; x < width; ++x) ASSERT_EQ(OracleRead(buffer.data(), x, layout.bits), values[x]) << "pixel " << x;
        }
    }
}

// Samples written through a window read back at the same level when the
// window is at least 8 bits wide.
TEST(ConvertRowTo24, WindowedGrayRoundTripsItsLevels) {
    for (int bits : {12, 16}) {
        for (int low = 0; low + 8 <= bits; ++low) {
            for (int high = low + 7; high < bits; ++high) {
                BYTE levels[256 * 3];
                for (int i = 0; i < 256; ++i) levels[3 * i] = levels[3 * i + 1] = levels[3 * i + 2] = BYTE(i);
                std::vector<BYTE> row(RowBytes(256, bits) + 512 * 3);
                const UINT flags = KRN_CONVERT_GRAY | KRN_CONVERT_BIT_WINDOW;
                ASSERT_EQ(KrnConvertRowTo24(row.data(), levels, 256, 24, 1, bits, 2, nullptr, 0, flags, low, high), STATUS_OK);
                for (int x = 0; x < 256; ++x) {
                    const std::uint64_t sample = OracleRead(row.data(), x, bits);
                    ASSERT_EQ(sample & ~(((1ull << (high - low + 1)) - 1) << low), 0u) << "bits outside the window";
                }
                ASSERT_EQ(KrnConvertRowTo24(row.data(), row.data(), 256, bits, 2, 24, 1, nullptr, 0, flags, low, high), STATUS_OK);
                ASSERT_EQ(0, std::memcmp(row.data(), levels, sizeof levels)) << bits << " bits, window " << low << ".." << high;
            }
        }
    }
}

TEST(ConvertRowTo24, DocumentedPixels) {
    struct Case {
        const char *what;
        std::vector<BYTE> src;
        int bits, order, dstOrder;
        int pixel;
        Rgb expected;
    };
    const Case cases[] = {
        {"5-5-5 0x001F, order 1, is blue", {0x1F, 0x00}, 16, 1, 1, 0, {0, 0, 255}},
        {"5-5-5 0x001F, order 0, is red", {0x1F, 0x00}, 16, 0, 1, 0, {255, 0, 0}},
        {"5-5-5 field 16 widens to 132", {0x00, 0x40}, 16, 1, 0, 0, {132, 0, 0}},
        {"12-bit pixel 1 is the high 12 bits of the word at byte 1", {0x00, 0xF0, 0xAB, 0x00, 0x00, 0x00}, 12, 2, 1, 1, {0xAB, 0xAB, 0xAB}},
        {"12-bit pixel 2 is the low 12 bits of the word at byte 3", {0, 0, 0, 0x00, 0x0C, 0x00}, 12, 2, 1, 2, {0xC0, 0xC0, 0xC0}},
        {"48 bits use high bytes", {0x11, 0x22, 0x33, 0x44, 0x55, 0x66}, 48, 1, 1, 0, {0x66, 0x44, 0x22}},
        {"64 bits red first", {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}, 64, 0, 1, 0, {0x22, 0x44, 0x66}},
        {"32 bits ignore the fourth byte", {1, 2, 3, 4}, 32, 1, 0, 0, {3, 2, 1}},
        {"3-bit pixel 2 straddles bytes 0 and 1", {0b00000001, 0b10000000}, 3, 0, 1, 2, {3, 3, 3}},
    };
    RGBQUAD ramp[8];
    for (int i = 0; i < 8; ++i) ramp[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    for (const Case &c : cases) {
        BYTE out[3 * 4] = {};
        ASSERT_EQ(KrnConvertRowTo24(out, c.src.data(), c.pixel + 1, c.bits, c.order, 24, c.dstOrder, ramp, 8, 0, 0, 0), STATUS_OK) << c.what;
        EXPECT_EQ(Read24(out, c.pixel, c.dstOrder), c.expected) << c.what;
    }
}

TEST(ConvertRowTo24, RejectsBadArguments) {
    BYTE row[64] = {};
    struct Case {
        void *dst;
        const void *src;
        int width, srcBits, dstBits;
    } cases[] = {
        {nullptr, row, 1, 8, 24}, {row, nullptr, 1, 8, 24}, {row, row, -1, 8, 24}, {row, row, 1, 8, 16},
        {row, row, 1, 9, 24},     {row, row, 1, 24, 10},    {row, row, 1, 0, 24},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(KrnConvertRowTo24(c.dst, c.src, c.width, c.srcBits, 1, c.dstBits, 1, nullptr, 0, 0, 0, 0),
                  STATUS_BAD_PARAMETER)
            << c.width << " " << c.srcBits << " -> " << c.dstBits;
    }
    EXPECT_EQ(KrnConvertRowTo24(row, row, 0, 8, 1, 24, 1, nullptr, 0, 0, 0, 0), STATUS_OK);
}

}  // namespace
