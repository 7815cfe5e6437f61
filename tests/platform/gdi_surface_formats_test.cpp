// Per-format pixel primitives at every surface format against independent
// per-pixel oracles: raw set/get, colour round trips, nearest-colour
// mapping, and the span operations, over seeded random values and widths
// 1..64 so every loop end and partial byte is covered. Rows carry guard
// bytes that no primitive may touch.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gdi/dib_transfer.h"
#include "gdi/pixel_format.h"
#include "gdi/surface.h"
#include "platform/gdi_dib_support.h"

namespace zelt::test {
namespace {

using platform::FormatOps;
using platform::PixelFormatId;
using platform::PixelFormatOps;
using platform::Surface;

constexpr PixelFormatId kFormats[] = {PixelFormatId::Mono,   PixelFormatId::Index1, PixelFormatId::Index4,
                                      PixelFormatId::Index8, PixelFormatId::Rgb555, PixelFormatId::Rgb565,
                                      PixelFormatId::Bgr24,  PixelFormatId::Bgrx32};
constexpr int kGuard = 8;
constexpr BYTE kGuardByte = 0xCD;

DWORD RawMask(int bits) { return bits >= 32 ? 0xFFFFFFFFu : (DWORD{1} << bits) - 1; }

std::string Context(const PixelFormatOps &ops, int width, int seed) {
    return "format " + std::to_string(static_cast<int>(ops.id)) + " (" + std::to_string(ops.bitsPixel) + " bpp) width " +
           std::to_string(width) + " seed " + std::to_string(seed);
}

// One row of `width` pixels followed by guard bytes.
struct GuardedRow {
    std::vector<BYTE> bytes;
    int rowBytes;
    GuardedRow(int width, int bits, std::mt19937 &random)
        : rowBytes(DibStride(width, bits)) {
        bytes.resize(static_cast<std::size_t>(rowBytes + kGuard));
        for (int i = 0; i < rowBytes; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<BYTE>(random());
        std::fill(bytes.begin() + rowBytes, bytes.end(), kGuardByte);
    }
    BYTE *data() { return bytes.data(); }
    bool GuardIntact() const {
        for (int i = 0; i < kGuard; ++i)
            if (bytes[static_cast<std::size_t>(rowBytes + i)] != kGuardByte) return false;
        return true;
    }
};

TEST(SurfaceFormats, RawValuesRoundTripAndTouchOnlyTheirPixel) {
    for (PixelFormatId id : kFormats)
        for (int width = 1; width <= 64; ++width) {
            const PixelFormatOps &ops = FormatOps(id);
            const int seed = width * 8 + static_cast<int>(id);
            std::mt19937 random(static_cast<unsigned>(seed));
            GuardedRow row(width, ops.bitsPixel, random);
            std::vector<BYTE> before = row.bytes;
            const int x = static_cast<int>(random() % static_cast<unsigned>(width));
            const DWORD raw = static_cast<DWORD>(random()) & RawMask(ops.bitsPixel);
            ops.setRaw(row.data(), x, raw);
            ASSERT_EQ(ops.getRaw(row.data(), x), raw) << Context(ops, width, seed) << " x " << x;
            ASSERT_EQ(GetRawPixel(row.data(), x, ops.bitsPixel), raw) << Context(ops, width, seed) << " x " << x;
            // Every other pixel, and the guard, unchanged.
            for (int other = 0; other < width; ++other)
                if (other != x)
                    ASSERT_EQ(GetRawPixel(row.data(), other, ops.bitsPixel), GetRawPixel(before.data(), other, ops.bitsPixel))
                        << Context(ops, width, seed) << " pixel " << other;
            ASSERT_TRUE(row.GuardIntact()) << Context(ops, width, seed);
        }
}

TEST(SurfaceFormats, SpansMatchPerPixelOracles) {
    for (PixelFormatId id : kFormats)
        for (int width = 1; width <= 64; ++width)
            for (int trial = 0; trial < 4; ++trial) {
                const PixelFormatOps &ops = FormatOps(id);
                const int bits = ops.bitsPixel;
                const int seed = (width * 8 + static_cast<int>(id)) * 4 + trial;
                std::mt19937 random(static_cast<unsigned>(seed));
                const int x = static_cast<int>(random() % static_cast<unsigned>(width));
                const int count = 1 + static_cast<int>(random() % static_cast<unsigned>(width - x));
                const std::string context = Context(ops, width, seed) + " span " + std::to_string(x) + "+" + std::to_string(count);

                // fillSpan
                GuardedRow row(width, bits, random);
                std::vector<BYTE> expected = row.bytes;
                const DWORD raw = static_cast<DWORD>(random()) & RawMask(bits);
                for (int i = 0; i < count; ++i) SetRawPixel(expected.data(), x + i, bits, raw);
                ops.fillSpan(row.data(), x, count, raw);
                ASSERT_EQ(row.bytes, expected) << "fillSpan " << context;

                // writeRawSpan / readRawSpan
                std::vector<DWORD> values(static_cast<std::size_t>(count)), back(static_cast<std::size_t>(count));
                for (DWORD &v : values) v = static_cast<DWORD>(random()) & RawMask(bits);
                expected = row.bytes;
                for (int i = 0; i < count; ++i) SetRawPixel(expected.data(), x + i, bits, values[static_cast<std::size_t>(i)]);
                ops.writeRawSpan(row.data(), x, count, values.data());
                ASSERT_EQ(row.bytes, expected) << "writeRawSpan " << context;
                ops.readRawSpan(row.data(), x, count, back.data());
                ASSERT_EQ(back, values) << "readRawSpan " << context;

                // copySpan from another row at a different offset
                GuardedRow source(width, bits, random);
                const int sx = static_cast<int>(random() % static_cast<unsigned>(width - count + 1));
                expected = row.bytes;
                for (int i = 0; i < count; ++i)
                    SetRawPixel(expected.data(), x + i, bits, GetRawPixel(source.data(), sx + i, bits));
                ops.copySpan(row.data(), x, source.data(), sx, count);
                ASSERT_EQ(row.bytes, expected) << "copySpan from " << sx << " " << context;
                ASSERT_TRUE(row.GuardIntact()) << context;
            }
}

// The slow oracle: every entry's squared distance, the lowest index on ties.
int OracleNearest(const RGBQUAD *table, int count, COLORREF c) {
    long best = -1;
    int index = 0;
    for (int i = 0; i < count; ++i) {
        const long dr = table[i].rgbRed - GetRValue(c), dg = table[i].rgbGreen - GetGValue(c), db = table[i].rgbBlue - GetBValue(c);
        const long d = dr * dr + dg * dg + db * db;
        if (best < 0 || d < best) best = d, index = i;
    }
    return index;
}

TEST(SurfaceFormats, NearestColourMatchesSlowOracle) {
    for (int seed = 0; seed < 400; ++seed) {
        std::mt19937 random(static_cast<unsigned>(seed));
        const int count = 1 + static_cast<int>(random() % 256);
        RGBQUAD table[256];
        // Few distinct levels so that ties and duplicates are common.
        const unsigned levels = seed % 2 ? 4 : 256;
        for (int i = 0; i < count; ++i)
            table[i] = RGBQUAD{BYTE(random() % levels * (256 / levels)), BYTE(random() % levels * (256 / levels)),
                               BYTE(random() % levels * (256 / levels)), 0};
        for (int k = 0; k < 64; ++k) {
            const COLORREF c = RGB(random(), random(), random());
            ASSERT_EQ(platform::NearestIndex(table, count, c), OracleNearest(table, count, c))
                << "seed " << seed << " colour " << std::hex << c;
        }
    }
}

TEST(SurfaceFormats, ColoursRoundTripThroughEveryFormat) {
    for (PixelFormatId id : kFormats) {
        const PixelFormatOps &ops = FormatOps(id);
        Surface surface;
        std::vector<BYTE> pixels(64);
        platform::DescribeSurface(surface, id, 4, 1, pixels.data(), 16);
        std::mt19937 random(static_cast<unsigned>(id) + 77);
        if (ops.indexed && id != PixelFormatId::Mono) {
            surface.tableSize = 1 << ops.bitsPixel;
            for (int i = 0; i < surface.tableSize; ++i) surface.table[i] = RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0};
        }
        for (int k = 0; k < 2000; ++k) {
            const COLORREF c = RGB(random(), random(), random());
            const DWORD raw = surface.RawOf(c);
            const std::string context = Context(ops, 4, k) + " colour " + std::to_string(c);
            if (ops.indexed) {
                ASSERT_EQ(raw, static_cast<DWORD>(OracleNearest(surface.table, surface.tableSize, c))) << context;
                ASSERT_EQ(surface.ColorOf(raw), platform::ColorFromQuad(surface.table[raw])) << context;
                continue;
            }
            // Direct formats: the stored colour is the truncated one, and
            // storing it again gives the same raw value.
            const COLORREF stored = surface.ColorOf(raw);
            ASSERT_EQ(surface.RawOf(stored), raw) << context;
            const int keep[3] = {id == PixelFormatId::Bgr24 || id == PixelFormatId::Bgrx32 ? 8 : 5,
                                 id == PixelFormatId::Rgb565 ? 6 : id == PixelFormatId::Rgb555 ? 5 : 8,
                                 id == PixelFormatId::Bgr24 || id == PixelFormatId::Bgrx32 ? 8 : 5};
            const BYTE channels[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
            const BYTE got[3] = {GetRValue(stored), GetGValue(stored), GetBValue(stored)};
            for (int ch = 0; ch < 3; ++ch) {
                const int bitsKept = keep[ch];
                const int high = channels[ch] >> (8 - bitsKept);
                const int expanded = bitsKept == 8 ? high : (high << (8 - bitsKept)) | (high >> (2 * bitsKept - 8));
                ASSERT_EQ(got[ch], expanded) << context << " channel " << ch;
            }
        }
        // Every raw value of a direct format maps to a colour that stores
        // back to it (bit 15 of 5-5-5 and the top byte of 32 bpp aside).
        if (!ops.indexed)
            for (int k = 0; k < 4000; ++k) {
                const DWORD raw = static_cast<DWORD>(random()) & RawMask(ops.bitsPixel);
                const DWORD meaningful = id == PixelFormatId::Rgb555 ? raw & 0x7FFF : id == PixelFormatId::Bgrx32 ? raw & 0xFFFFFF : raw;
                ASSERT_EQ(surface.RawOf(surface.ColorOf(raw)), meaningful) << Context(ops, 4, k) << " raw " << raw;
            }
    }
}

// Every converter's row store (fast paths included) against its per-pixel
// general path: ToRaw values written one by one.
TEST(SurfaceFormats, ConverterStoresMatchTheirGeneralPath) {
    for (PixelFormatId s : kFormats)
        for (PixelFormatId d : kFormats)
            for (int width = 1; width <= 64; width += (width < 20 ? 1 : 7)) {
                const int seed = (static_cast<int>(s) * 8 + static_cast<int>(d)) * 64 + width;
                std::mt19937 random(static_cast<unsigned>(seed));
                const PixelFormatOps &sourceOps = FormatOps(s), &destOps = FormatOps(d);
                GuardedRow sourceRow(width, sourceOps.bitsPixel, random), fast(width, destOps.bitsPixel, random);
                GuardedRow general = fast;
                Surface source, destination;
                platform::DescribeSurface(source, s, width, -1, sourceRow.data(), sourceRow.rowBytes);
                platform::DescribeSurface(destination, d, width, -1, fast.data(), fast.rowBytes);
                for (Surface *surface : {&source, &destination})
                    if (surface->ops->indexed && surface->Format() != PixelFormatId::Mono) {
                        surface->tableSize = 1 << surface->BitsPixel();
                        for (int i = 0; i < surface->tableSize; ++i)
                            surface->table[i] = RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0};
                    }
                platform::PixelConverter converter;
                ASSERT_TRUE(converter.Init(source, destination));
                const int x = static_cast<int>(random() % static_cast<unsigned>(width));
                const int count = width - x;
                const int sx = static_cast<int>(random() % static_cast<unsigned>(width - count + 1));
                converter.Store(sourceRow.data(), sx, fast.data(), x, count);
                std::vector<DWORD> raw(static_cast<std::size_t>(count));
                converter.ToRaw(sourceRow.data(), sx, count, raw.data());
                for (int i = 0; i < count; ++i) SetRawPixel(general.data(), x + i, destOps.bitsPixel, raw[static_cast<std::size_t>(i)]);
                ASSERT_EQ(fast.bytes, general.bytes) << "source format " << static_cast<int>(s) << " into "
                                                     << static_cast<int>(d) << " width " << width << " seed " << seed;
            }
}

}  // namespace
}  // namespace zelt::test
