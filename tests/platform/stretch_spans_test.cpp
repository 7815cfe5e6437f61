// StretchDIBits' span walk (nearest-neighbour rows of gathered columns, the
// 1:1 row stores, repeated destination rows) against the general sample
// walk over seeded random cases: every source and destination format, both
// orientations, enlarging, shrinking and odd factors, mirrored extents,
// rectangles partly outside both bitmaps, complex clip regions and all four
// stretch modes. The two walks must leave identical pixels.
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "gdi/stretch_spans.h"
#include "support/leak_guard.h"
#include "support/surface_model.h"

namespace zelt::test {
namespace {

constexpr int kFormats[] = {1, 4, 8, 15, 16, 24, 32};

SurfaceModel RandomDib(std::mt19937 &rng, int format, int w, int h) {
    std::vector<RGBQUAD> table;
    if (format <= 8) {
        table.resize(size_t(1) << format);
        for (RGBQUAD &q : table) q = RGBQUAD{BYTE(rng()), BYTE(rng() % 4 * 85), BYTE(rng()), 0};
    }
    SurfaceModel m(w, h, format, table, rng() % 2 == 0);
    for (DWORD &v : m.pixels) v = DWORD(rng()) & m.Ones();
    return m;
}

// The general walk for as long as it lives, even when an assertion returns.
struct GeneralWalk {
    GeneralWalk() { platform::ForceGeneralStretchWalk(true); }
    ~GeneralWalk() { platform::ForceGeneralStretchWalk(false); }
};

class StretchSpans : public LeakCheckedTest {};

TEST_F(StretchSpans, SpanWalkMatchesTheGeneralWalk) {
    const int modes[] = {COLORONCOLOR, HALFTONE, BLACKONWHITE, WHITEONBLACK};
    int drawn = 0;  // cases that changed the destination
    for (int n = 0; n < 4000; ++n) {
        std::mt19937 rng(0x5A7Eu + unsigned(n));
        const auto range = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
        const int sourceFormat = kFormats[rng() % 7], destFormat = rng() % 3 == 0 ? 32 : kFormats[rng() % 7];
        const SurfaceModel src = RandomDib(rng, sourceFormat, range(1, 70), range(1, 70));
        SurfaceModel dst = RandomDib(rng, destFormat, range(1, 70), range(1, 70));
        // Same table and format: indices move unchanged.
        if (src.format == dst.format && rng() % 2 == 0) dst.table = src.table;
        // A source rectangle inside the DIB (sometimes hanging over its
        // edges), drawn 1:1, twice as large, half as large or at any size.
        int xs = range(0, src.width - 1), ys = range(0, src.height - 1);
        int ws = range(1, src.width - xs), hs = range(1, src.height - ys);
        if (rng() % 6 == 0) xs -= 2, ys -= 1, ws += 4, hs += 3;
        int wd = range(1, 70), hd = range(1, 70);
        switch (rng() % 4) {
            case 0: wd = ws, hd = hs; break;
            case 1: wd = ws * 2, hd = hs * 2; break;
            case 2: wd = std::max(1, ws / 2), hd = std::max(1, hs / 2); break;
            default: break;
        }
        if (rng() % 5 == 0) xs = ys = 0, ws = wd = src.width, hs = hd = src.height;
        if (rng() % 4 == 0) wd = -wd;
        if (rng() % 4 == 0) hd = -hd;
        // Mirrored source extents over the same pixels.
        if (rng() % 6 == 0) ws = -ws, xs -= ws + 1;
        if (rng() % 6 == 0) hs = -hs, ys -= hs + 1;
        const int xd = range(-6, dst.width - 1) + (wd < 0 ? -wd / 2 : 0), yd = range(-6, dst.height - 1) + (hd < 0 ? -hd / 2 : 0);
        const int mode = modes[rng() % 4];
        const DWORD rop = rng() % 8 == 0 ? SRCINVERT : SRCCOPY;
        const int clipKind = int(rng() % 3);
        RECT clip[2];
        for (RECT &r : clip) {
            r = RECT{range(0, dst.width / 2), range(0, dst.height / 2), range(dst.width / 2, dst.width),
                     range(dst.height / 2, dst.height)};
        }
        const std::vector<BYTE> info = InfoOf(src), bits = Pack(src);
        ModelDc destination(dst);
        ASSERT_TRUE(destination.ok()) << "case " << n;
        SetStretchBltMode(destination.dc(), mode);
        if (clipKind > 0) {
            HRGN region = CreateRectRgn(clip[0].left, clip[0].top, clip[0].right, clip[0].bottom);
            HRGN second = CreateRectRgn(clip[1].left, clip[1].top, clip[1].right, clip[1].bottom);
            if (clipKind == 2) CombineRgn(region, region, second, RGN_XOR);
            SelectClipRgn(destination.dc(), region);
            DeleteObject(second);
            DeleteObject(region);
        }
        const auto draw = [&] {
            return StretchDIBits(destination.dc(), xd, yd, wd, hd, xs, ys, ws, hs, bits.data(),
                                 reinterpret_cast<const BITMAPINFO *>(info.data()), DIB_RGB_COLORS, rop);
        };
        const int fast = draw();
        const SurfaceModel spans = destination.Read();
        destination.Write(dst);
        int general = 0;
        {
            GeneralWalk scope;
            general = draw();
        }
        const SurfaceModel expected = destination.Read();
        const std::string context = "case " + std::to_string(n) + " formats " + std::to_string(src.format) + "->" +
                                    std::to_string(dst.format) + " dst " + std::to_string(xd) + "," + std::to_string(yd) +
                                    " " + std::to_string(wd) + "x" + std::to_string(hd) + " src " + std::to_string(xs) +
                                    "," + std::to_string(ys) + " " + std::to_string(ws) + "x" + std::to_string(hs) +
                                    " mode " + std::to_string(mode) + " clip " + std::to_string(clipKind);
        ASSERT_EQ(fast, general) << context;
        drawn += spans.pixels != dst.pixels;
        for (int y = 0; y < dst.height; ++y)
            for (int x = 0; x < dst.width; ++x)
                ASSERT_EQ(spans.At(x, y), expected.At(x, y)) << context << " at " << x << "," << y;
    }
    EXPECT_GT(drawn, 2000);
}

}  // namespace
}  // namespace zelt::test
