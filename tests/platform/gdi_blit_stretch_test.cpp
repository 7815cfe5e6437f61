// StretchBlt and BitBlt geometry: the axis walk against stretch_map.json,
// stretched and mirrored blits against a slow per-pixel model, clipping by
// a clip region, and allocation failures leaving the destination untouched.
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "gdi/blit_map.h"
#include "gdi_blit_support.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

using platform::AxisMap;
using platform::RunPick;

struct Rng {
    unsigned state;
    explicit Rng(unsigned seed) : state(seed ? seed : 1) {}
    unsigned Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int Range(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<unsigned>(hi - lo + 1)); }
};

// COLORONCOLOR x-axis maps: the walk StretchBlt shares with StretchDIBits.
TEST(BlitAxisMap, MatchesProbedSampleMaps) {
    const JsonValue doc = LoadJsonFile(PlatformVectorPath("raster/stretch_map.json"));
    int replayed = 0;
    for (const JsonValue &map : doc["maps"].items()) {
        if (map["axis"].AsString() != "x" || map["mode"].AsString() != "COLORONCOLOR") continue;
        const int dstExt = static_cast<int>(map["dst_ext"].AsInt()), srcExt = static_cast<int>(map["src_ext"].AsInt());
        // StretchBlt narrows the source of a one-pixel destination; StretchDIBits with SRCCOPY does not.
        if (dstExt == 1 && srcExt > 1) continue;
        const int dstLen = static_cast<int>(map["dst_len"].AsInt());
        int lo = 0, hi = dstLen;
        if (map.Has("clip")) lo = static_cast<int>(map["clip"][0].AsInt()), hi = static_cast<int>(map["clip"][1].AsInt());
        AxisMap axis;
        ASSERT_TRUE(axis.Build(static_cast<int>(map["dst_start"].AsInt()), dstExt, static_cast<int>(map["src_start"].AsInt()),
                               srcExt, static_cast<int>(map["src_len"].AsInt()), RunPick::Last));
        std::vector<std::optional<int>> actual(static_cast<std::size_t>(dstLen));
        for (int i = 0; i < axis.Count(); ++i) {
            const int dst = axis.Step(i).dst;
            if (dst >= lo && dst < hi && dst >= 0 && dst < dstLen) actual[dst] = axis.Step(i).srcLast;
        }
        std::vector<std::optional<int>> expected;
        for (const JsonValue &v : map["map"].items())
            expected.push_back(v.IsNull() ? std::nullopt : std::optional<int>(static_cast<int>(v.AsInt())));
        EXPECT_EQ(actual, expected) << "src " << map["src_start"].AsInt() << "+" << srcExt << " of " << map["src_len"].AsInt()
                                    << " -> dst " << map["dst_start"].AsInt() << "+" << dstExt;
        ++replayed;
    }
    EXPECT_GT(replayed, 400);
}

// The source coordinate a destination step k samples, by brute force over
// the source steps (x keeps the last of a shrunk run, y the first).
int ModelSample(int k, int n, int s, bool last) {
    if (n >= s) return static_cast<int>(((2LL * k + 1) * s - 1) / (2LL * n));
    int found = -1;
    for (int j = 0; j < s; ++j) {
        if (static_cast<int>(((2LL * j + 1) * n - 1) / (2LL * s)) != k) continue;
        if (!last) return j;
        found = j;
    }
    return found;
}

class StretchBltModel : public LeakCheckedTest {};

TEST_F(StretchBltModel, RandomStretchesAndMirrorsMatchThePerPixelModel) {
    constexpr int kSrcW = 13, kSrcH = 11, kDstW = 17, kDstH = 15;
    for (int testCase = 0; testCase < 300; ++testCase) {
        Rng rng(0xB17u + static_cast<unsigned>(testCase));
        DibDc source(kSrcW, kSrcH, 32), destination(kDstW, kDstH, 32);
        for (int y = 0; y < kSrcH; ++y)
            for (int x = 0; x < kSrcW; ++x) source.Set(x, y, rng.Next());
        std::vector<std::vector<unsigned>> before(kDstH, std::vector<unsigned>(kDstW));
        for (auto &row : before)
            for (unsigned &v : row) v = rng.Next();
        WriteRows(destination, before);
        SetStretchBltMode(destination.Dc(), COLORONCOLOR);
        // Coordinates biased to the edges, extents of either sign.
        const int xd = rng.Range(-3, kDstW + 2), yd = rng.Range(-3, kDstH + 2);
        int wd = rng.Range(-kDstW, kDstW), hd = rng.Range(-kDstH, kDstH);
        const int xs = rng.Range(-2, kSrcW + 1), ys = rng.Range(-2, kSrcH + 1);
        int ws = rng.Range(-kSrcW, kSrcW), hs = rng.Range(-kSrcH, kSrcH);
        if (wd == 0) wd = 1;
        if (hd == 0) hd = -1;
        if (ws == 0) ws = 2;
        if (hs == 0) hs = 3;
        ASSERT_TRUE(StretchBlt(destination.Dc(), xd, yd, wd, hd, source.Dc(), xs, ys, ws, hs, SRCCOPY)) << "case " << testCase;

        auto expected = before;
        const int sw = wd == 1 && ws > 1 ? ws - 1 : ws, sh = hd == 1 && hs > 1 ? hs - 1 : hs;
        const int n = std::abs(wd), m = std::abs(hd), s = std::abs(sw), t = std::abs(sh);
        for (int ky = 0; ky < m; ++ky) {
            const int dy = yd + (hd < 0 ? -ky : ky);
            const int sy = ys + (sh < 0 ? -1 : 1) * ModelSample(ky, m, t, false);
            for (int kx = 0; kx < n; ++kx) {
                const int dx = xd + (wd < 0 ? -kx : kx);
                const int sx = xs + (sw < 0 ? -1 : 1) * ModelSample(kx, n, s, true);
                if (dx < 0 || dy < 0 || dx >= kDstW || dy >= kDstH || sx < 0 || sy < 0 || sx >= kSrcW || sy >= kSrcH) continue;
                expected[dy][dx] = source.Get(sx, sy);
            }
        }
        ASSERT_EQ(ReadRows(destination), expected) << "case " << testCase << ": dst " << xd << "," << yd << " " << wd << "x"
                                                   << hd << " src " << xs << "," << ys << " " << ws << "x" << hs;
    }
}

TEST_F(StretchBltModel, ShrinkingMergesRunsByTheStretchMode) {
    // Four source pixels onto one: AND / OR of the raw values, or one of them.
    const unsigned values[4] = {0x00F0F0F0, 0x00FF00FF, 0x0033CC33, 0x0011EE11};
    for (int mode : {BLACKONWHITE, WHITEONBLACK, COLORONCOLOR}) {
        DibDc source(4, 1, 32), destination(1, 1, 32);
        for (int x = 0; x < 4; ++x) source.Set(x, 0, values[x]);
        SetStretchBltMode(destination.Dc(), mode);
        ASSERT_TRUE(StretchBlt(destination.Dc(), 0, 0, 1, 1, source.Dc(), 0, 0, 4, 1, SRCCOPY));
        // A one-pixel destination narrows the source by one: pixels 0..2 remain.
        const unsigned expected = mode == BLACKONWHITE   ? values[0] & values[1] & values[2]
                                  : mode == WHITEONBLACK ? values[0] | values[1] | values[2]
                                                         : values[2];
        EXPECT_EQ(destination.Get(0, 0), expected) << "mode " << mode;
    }
}

TEST_F(StretchBltModel, ClipRegionLimitsEveryBlit) {
    DibDc source(8, 8, 8, NamedTable("332")), destination(8, 8, 8, NamedTable("332"));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) source.Set(x, y, static_cast<unsigned>(y * 8 + x + 1));
    HRGN a = CreateRectRgn(1, 1, 4, 3), b = CreateRectRgn(5, 2, 7, 7);
    CombineRgn(a, a, b, RGN_OR);
    SelectClipRgn(destination.Dc(), a);
    ASSERT_TRUE(BitBlt(destination.Dc(), 0, 0, 8, 8, source.Dc(), 0, 0, SRCCOPY));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = (x >= 1 && x < 4 && y >= 1 && y < 3) || (x >= 5 && x < 7 && y >= 2 && y < 7);
            EXPECT_EQ(destination.Get(x, y), inside ? static_cast<unsigned>(y * 8 + x + 1) : 0u) << x << "," << y;
        }
    SelectClipRgn(destination.Dc(), nullptr);
    DeleteObject(a);
    DeleteObject(b);
}

TEST_F(StretchBltModel, OverlappingBlitWithinOneSurfaceCopiesTheOriginal) {
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        DibDc dib(9, 7, bpp, bpp <= 8 ? NamedTable(bpp == 1 ? "bw" : bpp == 4 ? "vga" : "332") : std::vector<RGBQUAD>{});
        const unsigned mask = bpp == 32 ? 0xFFFFFFFFu : (1u << bpp) - 1;
        Rng rng(static_cast<unsigned>(bpp));
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x) dib.Set(x, y, rng.Next() & mask);
        const auto original = ReadRows(dib);
        for (const auto &[dx, dy] : {std::pair{2, 1}, std::pair{-1, -2}, std::pair{3, 0}, std::pair{0, 2}}) {
            WriteRows(dib, original);
            ASSERT_TRUE(BitBlt(dib.Dc(), dx, dy, 9, 7, dib.Dc(), 0, 0, SRCCOPY));
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 9; ++x) {
                    const int sx = x - dx, sy = y - dy;
                    const bool copied = sx >= 0 && sy >= 0 && sx < 9 && sy < 7;
                    ASSERT_EQ(dib.Get(x, y), copied ? original[sy][sx] : original[y][x])
                        << bpp << " bpp shift " << dx << "," << dy << " at " << x << "," << y;
                }
        }
    }
}

TEST_F(StretchBltModel, AllocationFailuresLeaveTheDestinationUntouched) {
    DibDc source(6, 5, 24), destination(9, 8, 8, NamedTable("332"));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) source.Set(x, y, 0x102030u * static_cast<unsigned>(x + y + 1));
    HBITMAP patternBits = CreateBitmap(8, 8, 1, 1, nullptr);
    HBRUSH brush = CreatePatternBrush(patternBits);
    DeleteObject(patternBits);
    HGDIOBJ old = SelectObject(destination.Dc(), brush);
    const auto before = ReadRows(destination);
    BOOL result = TRUE;
    const long allocations = ForEachAllocationFailure(
        [&] {
            WriteRows(destination, before);
            result = StretchBlt(destination.Dc(), 8, 0, -9, 8, source.Dc(), 0, 0, 6, 5, 0x00E20746);
        },
        [&](long failedAt) {
            EXPECT_FALSE(result) << "allocation " << failedAt;
            EXPECT_EQ(ReadRows(destination), before) << "allocation " << failedAt;
        });
    EXPECT_GT(allocations, 0);
    SelectObject(destination.Dc(), old);
    DeleteObject(brush);
}

TEST_F(StretchBltModel, BrushCreationFailsCleanly) {
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, nullptr);
    struct {
        BITMAPINFOHEADER header;
        DWORD pixels[4];
    } packed{{sizeof(BITMAPINFOHEADER), 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {1, 2, 3, 4}};
    const LOGBRUSH hatch{BS_HATCHED, RGB(1, 2, 3), HS_CROSS};
    HBRUSH made = nullptr;
    for (const std::function<HBRUSH()> &create : std::vector<std::function<HBRUSH()>>{
             [&] { return CreatePatternBrush(bitmap); }, [&] { return CreateDIBPatternBrushPt(&packed, DIB_RGB_COLORS); },
             [&] { return CreateHatchBrush(HS_DIAGCROSS, RGB(9, 9, 9)); }, [&] { return CreateBrushIndirect(&hatch); }}) {
        // Each run releases what it made, so only a failing run may leave nothing behind.
        ForEachAllocationFailure(
            [&] {
                made = create();
                if (made != nullptr) DeleteObject(made);
            },
            [&](long failedAt) { EXPECT_EQ(made, nullptr) << "allocation " << failedAt; });
        made = create();
        ASSERT_NE(made, nullptr);
        LOGBRUSH described{};
        EXPECT_EQ(GetObjectA(made, sizeof described, &described), static_cast<int>(sizeof described));
        DeleteObject(made);
    }
    DeleteObject(bitmap);
}

}  // namespace
}  // namespace zelt::test
