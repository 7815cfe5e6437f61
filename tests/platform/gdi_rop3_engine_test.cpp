// The ROP3 engine against a slow bit-by-bit oracle of the truth table, for
// all 256 codes on every surface format; the fast cases against the general
// interpreter; the operand predicates and ROP2 translation against the table.
#include <cstdint>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "gdi/brush_pattern.h"
#include "gdi/rop3.h"
#include "gdi/rop3_internal.h"
#include "gdi/surface.h"

namespace zelt::platform {
namespace {

constexpr PixelFormatId kFormats[] = {PixelFormatId::Mono,   PixelFormatId::Index1, PixelFormatId::Index4,
                                      PixelFormatId::Index8, PixelFormatId::Rgb555, PixelFormatId::Rgb565,
                                      PixelFormatId::Bgr24,  PixelFormatId::Bgrx32};

struct Rng {
    std::uint32_t state;
    explicit Rng(std::uint32_t seed) : state(seed ? seed : 1) {}
    std::uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

// One row of `width` pixels of a format over its own buffer.
struct Row {
    std::vector<BYTE> bytes;
    Surface surface;
    Row(PixelFormatId format, int width) : bytes(static_cast<std::size_t>(DibRowBytes(width, FormatOps(format).bitsPixel))) {
        DescribeSurface(surface, format, width, -1, bytes.data(), static_cast<std::ptrdiff_t>(bytes.size()));
    }
};

// The truth table applied one bit at a time.
DWORD OracleRop3(BYTE index, DWORD p, DWORD s, DWORD d, int bits) {
    DWORD result = 0;
    for (int i = 0; i < bits; ++i) {
        const int selector = static_cast<int>(((p >> i) & 1) << 2 | ((s >> i) & 1) << 1 | ((d >> i) & 1));
        result |= static_cast<DWORD>((index >> selector) & 1) << i;
    }
    return result;
}

// Crosses the engine's 256-pixel chunks and starts off byte boundaries.
constexpr int kWidth = 300;
constexpr int kStart = 3;
constexpr int kCount = kWidth - kStart - 2;

TEST(Rop3Engine, EveryCodeOnEveryFormatMatchesTheBitOracle) {
    for (PixelFormatId format : kFormats) {
        for (int index = 0; index < 256; ++index) {
            const int testCase = static_cast<int>(format) * 256 + index;
            Rng rng(0x5EED0000u + static_cast<std::uint32_t>(testCase));
            Row row(format, kWidth);
            const DWORD mask = row.surface.AllOnes();
            const int bits = row.surface.BitsPixel();
            std::vector<DWORD> d(kWidth), s(kCount), p(kCount);
            for (DWORD &v : d) v = rng.Next() & mask;
            for (DWORD &v : s) v = rng.Next() & mask;
            for (DWORD &v : p) v = rng.Next() & mask;
            row.surface.ops->writeRawSpan(row.surface.Row(0), 0, kWidth, d.data());
            const DWORD rop = static_cast<DWORD>(index) << 16 | 0x1234;  // the low word must not matter
            ASSERT_TRUE(ApplyRop3Span(row.surface, 0, kStart, kCount, s.data(), p.data(), rop));
            for (int x = 0; x < kWidth; ++x) {
                const DWORD expected = x < kStart || x >= kStart + kCount
                                           ? d[x]
                                           : OracleRop3(static_cast<BYTE>(index), p[x - kStart], s[x - kStart], d[x], bits);
                ASSERT_EQ(row.surface.GetRaw(x, 0), expected)
                    << "case " << testCase << " format " << static_cast<int>(format) << " rop index 0x" << std::hex
                    << index << std::dec << " x " << x;
            }
        }
    }
}

TEST(Rop3Engine, FastCasesAgreeWithTheGeneralInterpreter) {
    int fastCases = 0;
    for (PixelFormatId format : kFormats) {
        for (int index = 0; index < 256; ++index) {
            const int testCase = static_cast<int>(format) * 256 + index;
            Rng rng(0xFA570000u + static_cast<std::uint32_t>(testCase));
            Row fast(format, kWidth), general(format, kWidth);
            const DWORD mask = fast.surface.AllOnes();
            std::vector<DWORD> d(kWidth), s(kCount), p(kCount);
            for (DWORD &v : d) v = rng.Next() & mask;
            for (DWORD &v : s) v = rng.Next() & mask;
            for (DWORD &v : p) v = rng.Next() & mask;
            fast.surface.ops->writeRawSpan(fast.surface.Row(0), 0, kWidth, d.data());
            general.surface.ops->writeRawSpan(general.surface.Row(0), 0, kWidth, d.data());
            const DWORD rop = static_cast<DWORD>(index) << 16;
            ASSERT_TRUE(ApplyRop3Span(fast.surface, 0, kStart, kCount, s.data(), p.data(), rop));
            ASSERT_TRUE(ApplyRop3SpanGeneral(general.surface, 0, kStart, kCount, s.data(), p.data(), rop));
            ASSERT_EQ(fast.bytes, general.bytes) << "case " << testCase << " rop index 0x" << std::hex << index;
            if (FindRop3FastPath(static_cast<BYTE>(index)) != nullptr) ++fastCases;
        }
    }
    // Every named code has a fast case.
    for (DWORD rop : {SRCCOPY, SRCPAINT, SRCAND, SRCINVERT, SRCERASE, NOTSRCCOPY, NOTSRCERASE, MERGECOPY, MERGEPAINT,
                      PATCOPY, PATPAINT, PATINVERT, DSTINVERT, BLACKNESS, WHITENESS})
        EXPECT_NE(FindRop3FastPath(Rop3Index(rop)), nullptr) << std::hex << rop;
    EXPECT_GT(fastCases, 0);
}

TEST(Rop3Engine, OperandPredicatesFollowTheTruthTable) {
    for (int index = 0; index < 256; ++index) {
        const auto f = [&](int p, int s, int d) { return (index >> (p << 2 | s << 1 | d)) & 1; };
        bool source = false, pattern = false, destination = false;
        for (int a = 0; a < 2; ++a)
            for (int b = 0; b < 2; ++b) {
                source |= f(a, 0, b) != f(a, 1, b);
                pattern |= f(0, a, b) != f(1, a, b);
                destination |= f(a, b, 0) != f(a, b, 1);
            }
        const DWORD rop = static_cast<DWORD>(index) << 16;
        EXPECT_EQ(Rop3UsesSource(rop), source) << index;
        EXPECT_EQ(Rop3UsesPattern(rop), pattern) << index;
        EXPECT_EQ(Rop3UsesDestination(rop), destination) << index;
    }
}

TEST(Rop3Engine, MissingOperandsFail) {
    Row row(PixelFormatId::Bgrx32, 8);
    DWORD values[8] = {};
    EXPECT_FALSE(ApplyRop3Span(row.surface, 0, 0, 8, nullptr, values, SRCINVERT));
    EXPECT_FALSE(ApplyRop3Span(row.surface, 0, 0, 8, values, nullptr, PATINVERT));
    EXPECT_TRUE(ApplyRop3Span(row.surface, 0, 0, 8, nullptr, nullptr, DSTINVERT));
}

TEST(Rop3Engine, Rop2CodesBecomePatternOnlyRop3Codes) {
    // The sixteen binary operations as the pen (P) and destination (D) see them.
    const std::function<DWORD(DWORD, DWORD)> rop2[16] = {
        [](DWORD, DWORD) { return 0u; },          [](DWORD p, DWORD d) { return ~(p | d); },
        [](DWORD p, DWORD d) { return ~p & d; },  [](DWORD p, DWORD) { return ~p; },
        [](DWORD p, DWORD d) { return p & ~d; },  [](DWORD, DWORD d) { return ~d; },
        [](DWORD p, DWORD d) { return p ^ d; },   [](DWORD p, DWORD d) { return ~(p & d); },
        [](DWORD p, DWORD d) { return p & d; },   [](DWORD p, DWORD d) { return ~(p ^ d); },
        [](DWORD, DWORD d) { return d; },         [](DWORD p, DWORD d) { return ~p | d; },
        [](DWORD p, DWORD) { return p; },         [](DWORD p, DWORD d) { return p | ~d; },
        [](DWORD p, DWORD d) { return p | d; },   [](DWORD, DWORD) { return 0xFFFFFFFFu; },
    };
    for (int code = R2_BLACK; code <= R2_WHITE; ++code) {
        const DWORD rop3 = Rop3FromRop2(code);
        EXPECT_FALSE(Rop3UsesSource(rop3)) << code;
        for (DWORD s : {0u, 0xFFFFFFFFu})
            EXPECT_EQ(EvaluateRop3(Rop3Index(rop3), 0x0F0F00FFu, s, 0x00FF0F0Fu), rop2[code - 1](0x0F0F00FFu, 0x00FF0F0Fu))
                << "R2 code " << code;
    }
    EXPECT_EQ(Rop3FromRop2(R2_COPYPEN), DWORD{PATCOPY} & 0xFF0000u);
    EXPECT_EQ(Rop3FromRop2(0), 0xFFFFFFFFu);
    EXPECT_EQ(Rop3FromRop2(17), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace zelt::platform
