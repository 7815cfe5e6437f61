// Format converters and the ROP3 engine against the surface model on every
// surface format over seeded random rows (wider than the engine's 256-pixel
// chunks, with guard bytes nothing may touch).
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gdi/dib_transfer.h"
#include "gdi/rop3.h"
#include "gdi/rop3_internal.h"
#include "gdi/surface.h"
#include "support/surface_model.h"

namespace zelt::test {
namespace {

using platform::PixelFormatId;
using platform::Surface;

constexpr PixelFormatId kFormats[] = {PixelFormatId::Mono,   PixelFormatId::Index1, PixelFormatId::Index4,
                                      PixelFormatId::Index8, PixelFormatId::Rgb555, PixelFormatId::Rgb565,
                                      PixelFormatId::Bgr24,  PixelFormatId::Bgrx32};
constexpr int kModelFormat[] = {1, 1, 4, 8, 15, 16, 24, 32};
constexpr int kGuard = 8;

// One row of a format over its own bytes (random, then guard bytes), with
// the model of the same format and table.
struct Row {
    std::vector<BYTE> bytes;
    Surface surface;
    SurfaceModel model;
    Row(PixelFormatId id, int width, std::mt19937 &rng) : model(width, 1, kModelFormat[int(id)]) {
        const int stride = DibStride(width, model.Bits());
        bytes.resize(size_t(stride + kGuard), 0xCD);
        for (int i = 0; i < stride; ++i) bytes[size_t(i)] = BYTE(rng());
        platform::DescribeSurface(surface, id, width, -1, bytes.data(), stride);
        if (id == PixelFormatId::Mono) model.table = NamedTable("bw");
        if (model.Indexed() && id != PixelFormatId::Mono) {
            surface.tableSize = 1 << model.Bits();
            for (int i = 0; i < surface.tableSize; ++i)
                surface.table[i] = RGBQUAD{BYTE(rng() % 4 * 85), BYTE(rng() % 3 * 127), BYTE(rng()), 0};
            model.table.assign(surface.table, surface.table + surface.tableSize);
        }
        for (int x = 0; x < width; ++x) model.At(x, 0) = GetPacked(bytes.data(), x, model.Bits());
    }
    std::vector<BYTE> Expected() const {
        std::vector<BYTE> out = bytes;
        for (int x = 0; x < model.width; ++x) SetPacked(out.data(), x, model.Bits(), model.At(x, 0));
        return out;
    }
};

std::string Context(PixelFormatId id, int width, int seed) {
    return "format " + std::to_string(int(id)) + " width " + std::to_string(width) + " seed " + std::to_string(seed);
}

// Every (source, destination) pair of DIB formats: the converter's row
// store and its raw values against the model's conversion.
TEST(PixelOps, ConvertersMatchTheModel) {
    for (PixelFormatId s : kFormats)
        for (PixelFormatId d : kFormats) {
            if (s == PixelFormatId::Mono || d == PixelFormatId::Mono) continue;  // DC colours decide there
            for (int width = 1; width <= 64; width += (width < 20 ? 1 : 7)) {
                const int seed = (int(s) * 8 + int(d)) * 64 + width;
                std::mt19937 rng{unsigned(seed)};
                Row source(s, width, rng), destination(d, width, rng);
                if (rng() % 4 == 0 && source.model.format == destination.model.format && source.model.Indexed()) {
                    std::copy(source.surface.table, source.surface.table + 256, destination.surface.table);
                    destination.model.table = source.model.table;
                }
                platform::PixelConverter converter;
                ASSERT_TRUE(converter.Init(source.surface, destination.surface));
                const int x = int(rng() % unsigned(width)), count = width - x;
                const int sx = int(rng() % unsigned(width - count + 1));
                std::vector<DWORD> raw(static_cast<size_t>(count));
                converter.ToRaw(source.bytes.data(), sx, count, raw.data());
                converter.Store(source.bytes.data(), sx, destination.bytes.data(), x, count);
                for (int i = 0; i < count; ++i) {
                    const DWORD want = destination.model.Convert(source.model, source.model.At(sx + i, 0));
                    ASSERT_EQ(raw[size_t(i)], want) << Context(s, width, seed) << " into " << int(d) << " pixel " << i;
                    destination.model.At(x + i, 0) = want;
                }
                ASSERT_EQ(destination.bytes, destination.Expected()) << Context(s, width, seed) << " into " << int(d);
            }
        }
}

// All 256 codes on every format, through the engine with its fast cases and
// through the general interpreter alone.
TEST(PixelOps, Rop3EngineMatchesTheTruthTable) {
    constexpr int kWidth = 300, kStart = 3, kCount = kWidth - kStart - 2;
    for (PixelFormatId id : kFormats)
        for (int index = 0; index < 256; ++index)
            for (const bool general : {false, true}) {
                const int seed = int(id) * 512 + index * 2 + general;
                std::mt19937 rng{unsigned(seed)};
                Row row(id, kWidth, rng);
                std::vector<DWORD> s(kCount), p(kCount);
                for (DWORD &v : s) v = DWORD(rng()) & row.model.Ones();
                for (DWORD &v : p) v = DWORD(rng()) & row.model.Ones();
                const DWORD rop = DWORD(index) << 16 | (rng() & 0xFFFF);  // the low word does not matter
                const auto apply = general ? platform::ApplyRop3SpanGeneral : platform::ApplyRop3Span;
                ASSERT_TRUE(apply(row.surface, 0, kStart, kCount, s.data(), p.data(), rop));
                for (int i = 0; i < kCount; ++i) {
                    DWORD &d = row.model.At(kStart + i, 0);
                    d = Rop3(BYTE(index), p[size_t(i)], s[size_t(i)], d, row.model.Ones());
                }
                ASSERT_EQ(row.bytes, row.Expected()) << Context(id, kWidth, seed) << " rop index " << index
                                                     << (general ? " (general)" : "");
            }
    std::mt19937 one{1};
    Row row(PixelFormatId::Bgrx32, 8, one);
    DWORD values[8] = {};
    EXPECT_FALSE(platform::ApplyRop3Span(row.surface, 0, 0, 8, nullptr, values, SRCINVERT)) << "source missing";
    EXPECT_FALSE(platform::ApplyRop3Span(row.surface, 0, 0, 8, values, nullptr, PATINVERT)) << "pattern missing";
    EXPECT_TRUE(platform::ApplyRop3Span(row.surface, 0, 0, 8, nullptr, nullptr, DSTINVERT));
}

}  // namespace
}  // namespace zelt::test
