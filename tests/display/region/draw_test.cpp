// Drawing through selections on a 32-bit device: the marching-ants frame
// against the outline model, the XOR tint, painting limited to the mapped
// region, the cached masks and handles, and all-or-nothing drawing when
// memory runs out.
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "region_model.h"
#include "support/host_controls.h"
#include "support/front_fixture.h"
#include "support/paint_canvas.h"

namespace zelt::test {
namespace {

using namespace zelt::region;

class RegionDrawing : public FrontTest {
protected:
    ModeScope mode_{DISP_DEFAULT_MODE};
};

std::vector<DWORD> Pixels(const Canvas &canvas) {
    std::vector<DWORD> all(canvas.Data(), canvas.Data() + canvas.width() * canvas.height());
    for (DWORD &p : all) p &= 0xFFFFFF;
    return all;
}

std::vector<DWORD> Filled(Canvas &canvas, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int i = 0; i < canvas.width() * canvas.height(); ++i) canvas.Data()[i] = rng() & 0xFFFFFF;
    return Pixels(canvas);
}

// Outline pixels: a selected pixel that begins or ends its run, or that
// itself or a selected horizontal neighbour lacks a selected pixel directly
// above or below.
PixelMask OutlineModel(const PixelMask &s) {
    auto open = [&](LONG x, LONG y) { return s.Get(x, y) && (!s.Get(x, y - 1) || !s.Get(x, y + 1)); };
    return ModelOf(s.width, s.height, s.originX, s.originY, [&](LONG x, LONG y) {
        return s.Get(x, y) && (!s.Get(x - 1, y) || !s.Get(x + 1, y) || open(x - 1, y) || open(x, y) || open(x + 1, y));
    });
}

// Frame type k shows row r of its stripe brush as P[(k + r) mod 8], bit 7
// leftmost, set bits white (black text on a white background).
DWORD Stripe(int k, LONG x, LONG y) {
    static constexpr uint8_t kRows[8] = {0x0F, 0x1E, 0x3C, 0x78, 0xF0, 0xE1, 0xC3, 0x87};
    return (kRows[(k + ((y % 8) + 8) % 8) % 8] >> (7 - ((x % 8) + 8) % 8)) & 1 ? 0xFFFFFF : 0x000000;
}

// The device pixels with `f(x, y, old)` wherever `where` is set.
std::vector<DWORD> Over(std::vector<DWORD> pixels, const PixelMask &where, int width,
                        const std::function<DWORD(LONG, LONG, DWORD)> &f) {
    for (size_t i = 0; i < pixels.size(); ++i)
        if (where.Get(LONG(i % size_t(width)), LONG(i / size_t(width))))
            pixels[i] = f(LONG(i % size_t(width)), LONG(i / size_t(width)), pixels[i]);
    return pixels;
}

std::function<DWORD(LONG, LONG, DWORD)> StripeOf(int k) {
    return [k](LONG x, LONG y, DWORD) { return Stripe(k, x, y); };
}

std::function<DWORD(LONG, LONG, DWORD)> XorOf(COLORREF c) {
    return [c](LONG, LONG, DWORD p) { return p ^ (((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF)); };
}

PixelMask FromRows(const std::vector<const char *> &rows) {
    return ModelOf(LONG(std::strlen(rows[0])), LONG(rows.size()), 0, 0,
                   [&](LONG x, LONG y) { return rows[size_t(y)][x] == '#'; });
}

const PixelMask kSpace(200, 200, -50, -50);  // display space the tests map into

// The outline rule itself, pinned by hand-drawn shapes: uncovered pieces
// widen by one inside their run, holes get their own ring.
TEST_F(RegionDrawing, GoldenOutlines) {
    const std::vector<const char *> cases[][2] = {
        {{"..####....", "##########", "##########"}, {"..####....", "###..#####", "##########"}},
        {{"#######", "#######", "###.###", "#######", "#######", "#######"},
         {"#######", "#.###.#", "#.#.#.#", "#.###.#", "#.....#", "#######"}},
    };
    for (const auto &c : cases) {
        RegionBitmap bitmap(FromRows(c[0]));
        Canvas canvas(12, 8);
        const std::vector<DWORD> before = Filled(canvas, 1);
        ASSERT_EQ(Z_FrameBitmapRgn(canvas.dc(), bitmap.get(), nullptr, 0), STATUS_OK);
        EXPECT_EQ(Pixels(canvas), Over(before, FromRows(c[1]), 12, StripeOf(0))) << c[0][0];
    }
}

// Seeded shapes, views, perspectives, scales and offsets: each frame type
// draws its stripes on the outline only (a bitmap without a region is framed
// whole), the tint XORs exactly the selected pixels and a second tint
// restores; the caller's colours come back. Moved, the masks are reused;
// scaled otherwise or shown in another view, rebuilt.
// Some seeds draw again with each allocation failing in turn: NO_MEMORY draws
// nothing, success all of it or, where a mask could not be made, nothing (a
// frame without its mask goes round the region handle, which outlines a
// rectangle the same way, so frames are walked on rectangles only).
TEST_F(RegionDrawing, FrameAndTintMatchTheModel) {
    const LONG views[] = {0, 1, 2, 3, 4, 5, 7, 8};
    for (uint32_t seed = 0; seed < 120; ++seed) {
        std::mt19937 rng(seed);
        const LONG w = 1 + LONG(rng() % 40), h = 1 + LONG(rng() % 40), view = views[rng() % 8];
        const bool none = seed % 8 == 3, identity = seed % 4 == 0, box = seed % 16 == 1;
        const PixelMask shape = none  ? WholeCanvas(w, h)
                                : box ? ModelOf(w, h, 0, 0, [&](LONG x, LONG y) { return x > w / 4 && y < h - h / 3; })
                                      : RandomShape(seed, w, h, 1 + int(rng() % 5));
        RegionBitmap bitmap(w, h, none ? nullptr : RecordFromMask(shape), view);
        auto pick = [&] { return 1 + LONG(rng() % 3); };
        RegionXForm xform{views[rng() % 8],     pick(), pick(), pick(), pick(), LONG(rng() % 21) - 10,
                          LONG(rng() % 21) - 10};
        if (identity) xform = RegionXForm{view, 1, 1, 1, 1, 0, 0};
        const COLORREF text = RGB(200, 0, seed), background = RGB(0, 0, 200), tint = rng() & 0xFFFFFF;
        SCOPED_TRACE(::testing::Message() << "seed " << seed << " " << w << "x" << h << " view " << view);
        const int type = int(seed % 8);
        Canvas canvas(72, 72);
        for (const LONG shift : {0, 3}) {
            SetTextColor(canvas.dc(), text);
            SetBkColor(canvas.dc(), background);
            xform.XOffset += shift;
            const bool moved = shift && seed % 3 == 0;
            if (shift && seed % 3 == 1) xform.XNum += 1;
            if (shift && seed % 3 == 2) bitmap.record.ViewPerspective = views[seed % 8];
            const LONG shown = bitmap.record.ViewPerspective;
            const HBITMAP frameMask = none ? nullptr : bitmap.region().hFrameMask;
            const HBITMAP tintMask = none ? nullptr : bitmap.region().hColorMask;
            const PixelMask selected = DisplayModel(shape, shown, xform, kSpace);
            std::vector<DWORD> before = Filled(canvas, seed + shift);
            ASSERT_EQ(Z_FrameBitmapRgn(canvas.dc(), bitmap.get(), identity && !shift ? nullptr : &xform, UINT(type)),
                      STATUS_OK);
            EXPECT_EQ(Pixels(canvas), Over(before, OutlineModel(selected), 72, StripeOf(type)));
            EXPECT_TRUE(GetTextColor(canvas.dc()) == text && GetBkColor(canvas.dc()) == background);
            if (none) continue;
            EXPECT_TRUE(std::memcmp(&bitmap.region().FrameMaskXForm, &xform, sizeof xform) == 0 &&
                        bitmap.region().MaskPerspective == shown &&
                        (!moved || bitmap.region().hFrameMask == frameMask));
            before = Pixels(canvas);
            ASSERT_EQ(Z_ColorBitmapRgn(canvas.dc(), bitmap.get(), &xform, tint), STATUS_OK);
            EXPECT_EQ(Pixels(canvas), Over(before, selected, 72, XorOf(tint)));
            EXPECT_TRUE(!moved || bitmap.region().hColorMask == tintMask) << "a moved tint reuses its mask";
            EXPECT_TRUE(GetTextColor(canvas.dc()) == text && GetBkColor(canvas.dc()) == RGB(255, 255, 255));
            ASSERT_EQ(Z_ColorBitmapRgn(canvas.dc(), bitmap.get(), &xform, tint), STATUS_OK);
            EXPECT_EQ(Pixels(canvas), before) << "the second tint restores";
        }
        const PixelMask selected = DisplayModel(shape, bitmap.record.ViewPerspective, xform, kSpace);
        for (const bool frame : {true, false}) {
            if (!(frame ? box || seed % 16 == 3 : box || seed % 16 == 5)) continue;
            const std::vector<DWORD> before = Filled(canvas, seed),
                                     all = Over(before, frame ? OutlineModel(selected) : selected, 72,
                                                frame ? StripeOf(type) : XorOf(tint));
            int status = 0;
            long nothingDrawn = 0;
            if (!none) DropRegionCaches(bitmap.region());
            ForEachAllocationFailure(
                [&] {
                    std::copy(before.begin(), before.end(), canvas.Data());
                    status = frame ? Z_FrameBitmapRgn(canvas.dc(), bitmap.get(), &xform, UINT(type))
                                   : Z_ColorBitmapRgn(canvas.dc(), bitmap.get(), &xform, tint);
                    if (bitmap.record.Region) DropRegionCaches(bitmap.region());
                },
                [&](long failedAt) {
                    const std::vector<DWORD> after = Pixels(canvas);
                    nothingDrawn += after == before;
                    EXPECT_TRUE(after == before || (status == STATUS_OK && after == all)) << failedAt;
                    EXPECT_TRUE(status == STATUS_OK || status == STATUS_NO_MEMORY) << failedAt;
                });
            EXPECT_TRUE(nothingDrawn > 0 || !kHostControls) << (frame ? "frame" : "tint");
            EXPECT_TRUE(none || bitmap.Selection() == shape);
        }
    }
}

// Inside the mapped region the pixels of the same paint without a region,
// the earlier pixels elsewhere, through the device or a buffer of rows; a
// clip of the caller's own does not limit the painting and comes back.
TEST_F(RegionDrawing, PaintingIsLimitedToTheRegion) {
    for (uint32_t seed = 0; seed < 48; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&](LONG lo, LONG hi) { return lo + LONG(rng() % uint32_t(hi - lo + 1)); };
        const LONG w = pick(2, 40), h = pick(2, 40), left = pick(0, w - 1), top = pick(0, h - 1);
        const RECT source = seed % 2 ? RECT{left, top, pick(left + 1, w), pick(top + 1, h)} : RECT{0, 0, w, h};
        const RECT *given = seed % 2 ? &source : nullptr;
        const LONG sw = source.right - source.left, sh = source.bottom - source.top, x = pick(-10, 30),
                   y = pick(-10, 30);
        const RECT dest{x, y, x + (seed % 3 == 0 ? sw : pick(1, 70)), y + (seed % 3 == 0 ? sh : pick(1, 70))};
        ScopedBitmap bitmap;
        MakeRandomBitmap(bitmap.get(), rng, w, h, 24, 0);
        const PixelMask shape = RandomShape(seed + 40, w, h, pick(1, 4));
        std::vector<BYTE> rows(size_t(bitmap->BytesPerLine) * size_t(h));
        for (LONG r = 0; r < h; ++r)
            KrnGetBitmapRow(bitmap.get(), &rows[size_t(r * bitmap->BytesPerLine)], r, DWORD(bitmap->BytesPerLine));
        const bool buffer = seed % 6 == 5;
        auto paint = [&](HDC dc, bool throughRegion) {
            if (buffer)
                return (throughRegion ? Z_PaintRgnDCBuffer : Z_PaintDCBuffer)(dc, bitmap.get(), given, nullptr, &dest,
                                                                              nullptr, SRCCOPY, rows.data(), 0, h);
            return (throughRegion ? Z_PaintRgnDC : Z_PaintDC)(dc, bitmap.get(), given, given, &dest, nullptr, SRCCOPY);
        };
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        Canvas plain(80, 80), clipped(80, 80);
        Filled(plain, seed);
        const std::vector<DWORD> before = Filled(clipped, seed);
        ASSERT_EQ(paint(plain.dc(), false), STATUS_OK);
        bitmap->Region = RecordFromMask(shape).release();
        HRGN callerClip = seed % 4 == 2 ? CreateRectRgn(0, 0, 12, 12) : nullptr, current = CreateRectRgn(0, 0, 0, 0);
        SelectClipRgn(clipped.dc(), callerClip);
        ASSERT_EQ(paint(clipped.dc(), true), STATUS_OK);
        const PixelMask piece =
            ModelOf(sw, sh, 0, 0, [&](LONG c, LONG r) { return shape.Get(c + source.left, r + source.top); });
        const RegionXForm stretch{0, dest.right - dest.left, sw, dest.bottom - dest.top, sh, dest.left, dest.top};
        const std::vector<DWORD> painted = Pixels(plain);
        EXPECT_EQ(Pixels(clipped), Over(before, DisplayModel(piece, 0, stretch, kSpace), 80,
                                        [&](LONG c, LONG r, DWORD) { return painted[size_t(r * 80 + c)]; }));
        EXPECT_EQ(GetClipRgn(clipped.dc(), current), callerClip ? 1 : 0);
        EXPECT_TRUE(!callerClip || EqualRgn(current, callerClip));
        DeleteObject(current);
        DeleteObject(callerClip);
    }
}

// A resized handle without a source rectangle is the cached one, with one
// the caller's own.
TEST_F(RegionDrawing, ResizedHandles) {
    RegionBitmap bitmap(FromRows({"........", ".######.", ".######.", ".######.", "........"}));
    RegionRecord &region = bitmap.region();
    const RECT dest{0, 0, 40, 32}, source{2, 1, 7, 4};
    HRGN handle = nullptr;
    int owns = -1;
    ASSERT_EQ(Z_GetResizedRgnHandle(bitmap.get(), nullptr, &dest, &handle, &owns), STATUS_OK);
    EXPECT_TRUE(owns == 0 && handle == region.hRgnCache);
    ASSERT_EQ(Z_GetResizedRgnHandle(bitmap.get(), &source, &dest, &handle, &owns), STATUS_OK);
    EXPECT_TRUE(owns == 1 && handle != region.hRgnCache && PtInRegion(handle, 39, 31) && !PtInRegion(handle, 40, 0));
    DeleteObject(handle);
}

}  // namespace
}  // namespace zelt::test
