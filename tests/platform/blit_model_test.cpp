// BitBlt, StretchBlt and StretchDIBits against the per-pixel surface model
// over seeded random cases: every source and destination format and
// orientation, all 256 ROP3 codes through a monochrome pattern brush at a
// random brush origin, the three stretch modes, mirrored and clipped
// rectangles, overlapping blits within one surface; and allocation failures
// during a blit leaving the destination untouched.
#include <cstdio>
#include <random>

#include <gtest/gtest.h>

#include "support/leak_guard.h"
#include "support/surface_model.h"

namespace zelt::test {
namespace {

constexpr int kFormats[] = {1, 4, 8, 15, 16, 24, 32};

std::vector<RGBQUAD> RandomTable(int bits, std::mt19937 &rng) {
    switch (rng() % 4) {
        case 0: return NamedTable(bits == 4 ? "vga" : "bw");
        case 1: return NamedTable("grey", bits);
        default: {
            // Few levels, so that duplicate entries and ties are common.
            std::vector<RGBQUAD> t(size_t(1) << bits);
            for (RGBQUAD &q : t) q = RGBQUAD{BYTE(rng() % 3 * 127), BYTE(rng() % 4 * 85), BYTE(rng() % 3 * 120), 0};
            return t;
        }
    }
}

SurfaceModel RandomSurface(std::mt19937 &rng, int w, int h) {
    const int format = kFormats[rng() % std::size(kFormats)];
    SurfaceModel m(w, h, format, format <= 8 ? RandomTable(format, rng) : std::vector<RGBQUAD>{}, rng() % 2 == 0);
    for (DWORD &v : m.pixels) v = DWORD(rng()) & m.Ones();
    return m;
}

enum class Call { BitBlt, StretchBlt, StretchDIBits };

struct BlitCase {
    Call call;
    int xd, yd, wd, hd, xs, ys, ws, hs;
    DWORD rop;
    int mode;
    POINT origin;
    bool clipped;
    RECT clip;  // device rectangle of the clip when `clipped`
    bool sameDc;
    BYTE pattern[8];
    DWORD text, bk;  // raw destination values of the pattern's 0 and 1 bits

    std::string Describe(int n) const {
        char text[160];
        std::snprintf(text, sizeof text, "case %d call %d dst %d,%d %dx%d src %d,%d %dx%d rop %lx mode %d", n, int(call), xd, yd, wd,
                      hd, xs, ys, ws, hs, (unsigned long)rop, mode);
        return text;
    }
};

bool UsesSource(DWORD rop) { return (((rop >> 2) ^ rop) & 0x330000) != 0; }

// What the destination must hold afterwards, and the call's return value.
int Model(const BlitCase &c, const SurfaceModel &src, SurfaceModel &dst) {
    const BYTE index = BYTE(c.rop >> 16);
    const bool copy = index == 0xCC, dibits = c.call == Call::StretchDIBits;
    int xd = c.xd, yd = c.yd, wd = c.wd, hd = c.hd, xs = c.xs, ys = c.ys, ws = c.ws, hs = c.hs, ret = TRUE;
    // A one-pixel destination drops one source step (StretchDIBits: only
    // for other ROPs or a 1:1 call from the origin).
    const bool fromOrigin = xs == 0 && ys == 0 && ws == wd && hs == hd;
    if (!dibits || !copy || fromOrigin) ws -= wd == 1 && ws > 1, hs -= hd == 1 && hs > 1;
    // StretchDIBits with other ROPs turns a doubly negative extent round.
    if (dibits && !copy && wd < 0 && wd == ws) xd += wd, xs += ws, wd = -wd, ws = -ws;
    if (dibits && !copy && hd < 0 && hd == hs) yd += hd, ys += hs, hd = -hd, hs = -hs;
    if (dibits) {
        // ySrc counts rows up from the bottom edge, except for a top-down
        // DIB drawn 1:1 from its origin or with another ROP.
        if (!src.topDown || (copy && !fromOrigin)) ys = src.height - ys - hs;
        if (xs >= src.width || xs + ws <= 0 || ys >= src.height || ys + hs <= 0) return 0;
        ret = copy ? src.height : (src.topDown ? -src.height : src.height);
    }
    const bool source = UsesSource(c.rop);
    const int n = std::abs(wd), m = std::abs(hd), s = std::abs(ws), t = std::abs(hs);
    const SurfaceModel before = dst;
    for (int ky = 0; ky < m; ++ky) {
        const int dy = yd + (hd < 0 ? -ky : ky);
        const std::vector<int> rows = SourceSteps(ky, m, t);
        for (int kx = 0; kx < n; ++kx) {
            const int dx = xd + (wd < 0 ? -kx : kx);
            const bool clipped = c.clipped && (dx < c.clip.left || dx >= c.clip.right || dy < c.clip.top || dy >= c.clip.bottom);
            if (!dst.Inside(dx, dy) || clipped) continue;
            DWORD sourceValue = 0;
            if (source) {
                std::vector<int> columns = SourceSteps(kx, n, s);
                std::vector<int> lines = rows;
                if (c.mode == COLORONCOLOR) columns = {columns.back()}, lines = {lines.front()};
                bool outside = false, first = true;
                for (int j : lines)
                    for (int i : columns) {
                        const int sx = xs + (ws < 0 ? -i : i), sy = ys + (hs < 0 ? -j : j);
                        if (!(outside |= !src.Inside(sx, sy))) {
                            const DWORD v = dst.Convert(src, src.At(sx, sy));
                            sourceValue = first ? v : c.mode == BLACKONWHITE ? sourceValue & v : sourceValue | v;
                            first = false;
                        }
                    }
                if (outside) continue;
            }
            const int px = ((dx - c.origin.x) % 8 + 8) % 8, py = ((dy - c.origin.y) % 8 + 8) % 8;
            const DWORD pattern = (c.pattern[py] >> (7 - px)) & 1 ? c.bk : c.text;
            dst.At(dx, dy) = Rop3(index, pattern, sourceValue, before.At(dx, dy), dst.Ones());
        }
    }
    return ret;
}

BlitCase RandomCase(std::mt19937 &rng, const SurfaceModel &src, const SurfaceModel &dst, bool sameDcAllowed) {
    BlitCase c{};
    const auto range = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
    c.call = Call(rng() % 3);
    c.sameDc = sameDcAllowed && c.call == Call::BitBlt && rng() % 4 == 0;
    const int sw = c.sameDc ? dst.width : src.width, sh = c.sameDc ? dst.height : src.height;
    c.rop = rng() % 4 == 0 ? SRCCOPY : DWORD(rng() % 256) << 16 | (rng() & 0xFFFF);
    if (c.call == Call::StretchDIBits && !UsesSource(c.rop)) c.rop = SRCINVERT;
    const int modes[] = {BLACKONWHITE, WHITEONBLACK, COLORONCOLOR};
    c.mode = modes[rng() % 3];
    c.xd = range(-3, dst.width + 1), c.yd = range(-3, dst.height + 1);
    c.wd = range(-dst.width, dst.width), c.hd = range(-dst.height, dst.height);
    c.xs = range(-2, sw), c.ys = range(-2, sh);
    c.ws = range(-sw, sw), c.hs = range(-sh, sh);
    c.wd = c.wd ? c.wd : 1, c.hd = c.hd ? c.hd : -1, c.ws = c.ws ? c.ws : 2, c.hs = c.hs ? c.hs : 3;
    if (c.call == Call::BitBlt || !UsesSource(c.rop)) c.wd = std::abs(c.wd), c.hd = std::abs(c.hd);
    if (c.call == Call::BitBlt) c.ws = c.wd, c.hs = c.hd;
    if (c.call == Call::StretchDIBits) c.ws = std::abs(c.ws), c.hs = std::abs(c.hs), c.xs = std::max(c.xs, 0), c.ys = std::max(c.ys, 0);
    if (c.call == Call::StretchDIBits && rng() % 3 == 0) c.xs = c.ys = 0, c.ws = c.wd = std::abs(c.wd), c.hs = c.hd = std::abs(c.hd);
    // A shrink that merges runs (AND / OR) stays inside the source.
    const auto inside = [](int p, int e, int size) { return e > 0 ? p >= 0 && p + e <= size : p < size && p + e + 1 >= 0; };
    if (c.mode != COLORONCOLOR && !(inside(c.xs, c.ws, sw) && inside(c.ys, c.hs, sh))) c.mode = COLORONCOLOR;
    c.origin = POINT{range(-8, 8), range(-8, 8)};
    c.clipped = rng() % 3 == 0;
    const int x0 = range(0, dst.width), x1 = range(0, dst.width), y0 = range(0, dst.height), y1 = range(0, dst.height);
    c.clip = RECT{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
    for (BYTE &row : c.pattern) row = BYTE(rng());
    c.text = dst.RawOf(dst.ColourOf(DWORD(rng()) & dst.Ones())), c.bk = dst.RawOf(dst.ColourOf(DWORD(rng()) & dst.Ones()));
    return c;
}

// The destination DC set up for a case: the pattern brush, its colours and
// origin, the stretch mode and the clip; all undone at scope exit.
class CaseDc {
public:
    CaseDc(const BlitCase &c, const SurfaceModel &dst, HDC dc) : dc_(dc) {
        WORD words[8];
        for (int r = 0; r < 8; ++r) words[r] = c.pattern[r];
        HBITMAP bits = CreateBitmap(8, 8, 1, 1, words);
        brush_ = CreatePatternBrush(bits);
        DeleteObject(bits);
        old_ = SelectObject(dc, brush_);
        SetTextColor(dc, dst.ColourOf(c.text));
        SetBkColor(dc, dst.ColourOf(c.bk));
        SetBrushOrgEx(dc, c.origin.x, c.origin.y, nullptr);
        SetStretchBltMode(dc, c.mode);
        if (c.clipped) IntersectClipRect(dc, c.clip.left, c.clip.top, c.clip.right, c.clip.bottom);
    }
    ~CaseDc() {
        SelectClipRgn(dc_, nullptr);
        SelectObject(dc_, old_);
        DeleteObject(brush_);
    }

private:
    HDC dc_;
    HBRUSH brush_;
    HGDIOBJ old_;
};

int Blit(const BlitCase &c, const SurfaceModel &src, HDC from, HDC dc) {
    if (c.call == Call::BitBlt) return BitBlt(dc, c.xd, c.yd, c.wd, c.hd, from, c.xs, c.ys, c.rop);
    if (c.call == Call::StretchBlt) return StretchBlt(dc, c.xd, c.yd, c.wd, c.hd, from, c.xs, c.ys, c.ws, c.hs, c.rop);
    const std::vector<BYTE> info = InfoOf(src), packed = Pack(src);
    return StretchDIBits(dc, c.xd, c.yd, c.wd, c.hd, c.xs, c.ys, c.ws, c.hs, packed.data(),
                         reinterpret_cast<const BITMAPINFO *>(info.data()), DIB_RGB_COLORS, c.rop);
}

class BlitModel : public LeakCheckedTest {};

TEST_F(BlitModel, RandomBlitsMatchTheSurfaceModel) {
    for (int n = 0; n < 3000; ++n) {
        std::mt19937 rng(0xB117u + unsigned(n));
        const SurfaceModel src = RandomSurface(rng, 1 + int(rng() % 13), 1 + int(rng() % 9));
        SurfaceModel dst = RandomSurface(rng, 1 + int(rng() % 17), 1 + int(rng() % 11));
        ModelDc source(src), destination(dst);
        ASSERT_TRUE(source.ok() && destination.ok()) << "case " << n;
        const BlitCase c = RandomCase(rng, src, dst, true);
        const SurfaceModel before = dst;
        const int expected = Model(c, c.sameDc ? before : src, dst);
        int result = 0;
        {
            CaseDc scope(c, before, destination.dc());
            result = Blit(c, src, c.sameDc ? destination.dc() : source.dc(), destination.dc());
        }
        const std::string context = c.Describe(n) + " formats " + std::to_string(src.format) + "->" + std::to_string(dst.format);
        if (c.call == Call::StretchDIBits) {
            ASSERT_EQ(result, expected) << context;
        } else {
            ASSERT_NE(result, 0) << context;
        }
        const SurfaceModel after = destination.Read();
        for (int y = 0; y < dst.height; ++y)
            for (int x = 0; x < dst.width; ++x)
                ASSERT_EQ(after.At(x, y), dst.At(x, y)) << context << " at " << x << "," << y << " was " << before.At(x, y);
    }
}

TEST_F(BlitModel, AllocationFailuresLeaveTheDestinationUntouched) {
    for (int n = 0; n < 40; ++n) {
        std::mt19937 rng(0xFA11u + unsigned(n));
        const SurfaceModel src = RandomSurface(rng, 6, 5), dst = RandomSurface(rng, 9, 8);
        ModelDc source(src), destination(dst);
        const BlitCase c = RandomCase(rng, src, dst, false);
        CaseDc scope(c, dst, destination.dc());
        int result = 0;
        ForEachAllocationFailure(
            [&] {
                destination.Write(dst);
                result = Blit(c, src, source.dc(), destination.dc());
            },
            [&](long failedAt) {
                EXPECT_EQ(result, 0) << c.Describe(n) << " allocation " << failedAt;
                EXPECT_EQ(destination.Read().pixels, dst.pixels) << c.Describe(n) << " allocation " << failedAt;
            });
    }
}

}  // namespace
}  // namespace zelt::test
