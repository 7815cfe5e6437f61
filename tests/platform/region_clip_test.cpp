// Clip regions of a DC: the probed clip rows of ops.json replayed on a
// 40x30 memory DC, ExtSelectClipRgn in every mode against CombineRgn, and
// the rectangle clip calls with an offset logical origin.
#include <random>
#include <string>

#include "platform/region_test_support.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

// A memory DC over a top-down 40x30 32-bpp DIB section, as the probe used.
class ClipDc {
public:
    ClipDc() {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = 40;
        info.bmiHeader.biHeight = -30;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void *bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~ClipDc() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    operator HDC() const { return dc_; }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

class RegionClip : public LeakCheckedTest {};

const JsonValue &CaseById(const JsonValue &doc, const std::string &id) {
    for (const JsonValue &c : doc["cases"].items())
        if (c["id"].AsString() == id) return c;
    ADD_FAILURE() << "no case " << id;
    static const JsonValue null;
    return null;
}

// GetClipRgn and GetClipBox against a case's getcliprgn, clip_*, getclipbox
// and clipbox fields.
void ExpectClipState(HDC dc, const JsonValue &c, const std::string &id) {
    RegionHandle clip(CreateRectRgn(0, 0, 0, 0));
    const int got = GetClipRgn(dc, clip);
    EXPECT_EQ(got, c["getcliprgn"].AsInt()) << id;
    if (got == 1) {
        ExpectValid(clip, id);
        EXPECT_EQ(RowsOf(clip), RowsOfJson(c["clip_rows"])) << id;
        RECT box;
        EXPECT_EQ(GetRgnBox(clip, &box), c["clip_type"].AsInt()) << id;
        EXPECT_TRUE(SameRect(box, RectOfJson(c["clip_box"]))) << id << " " << Describe(box);
    }
    RECT box{-99, -99, -99, -99};
    EXPECT_EQ(GetClipBox(dc, &box), c["getclipbox"].AsInt()) << id;
    EXPECT_TRUE(SameRect(box, RectOfJson(c["clipbox"]))) << id << " clip box " << Describe(box);
}

TEST_F(RegionClip, ProbedClipStates) {
    const JsonValue doc = LoadJsonFile(PlatformVectorPath("regions/ops.json"));
    auto row = [&](const char *id) -> const JsonValue & { return CaseById(doc, id); };
    ClipDc dc;
    ExpectClipState(dc, row("ops-037"), "ops-037");

    HRGN h = CreateRectRgn(5, 5, 15, 12);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(SelectObject(dc, h)), row("ops-038")["ret"].AsInt());
    ExpectClipState(dc, row("ops-038"), "ops-038");
    SetRectRgn(h, 0, 0, 40, 30);
    ExpectClipState(dc, row("ops-039"), "ops-039");
    DeleteObject(h);
    ExpectClipState(dc, row("ops-040"), "ops-040");

    RegionHandle a(CreateRectRgn(0, 0, 10, 10)), b(CreateRectRgn(20, 10, 30, 20));
    CombineRgn(a, a, b, RGN_OR);
    EXPECT_EQ(SelectClipRgn(dc, a), row("ops-041")["ret"].AsInt());
    ExpectClipState(dc, row("ops-041"), "ops-041");
    SetRectRgn(a, -10, -10, 100, 100);
    EXPECT_EQ(SelectClipRgn(dc, a), row("ops-042")["ret"].AsInt());
    ExpectClipState(dc, row("ops-042"), "ops-042");
    SetRectRgn(a, 0, 0, 10, 10);
    SetRectRgn(b, 100, 0, 110, 10);
    CombineRgn(a, a, b, RGN_OR);
    EXPECT_EQ(SelectClipRgn(dc, a), row("ops-043")["ret"].AsInt());
    ExpectClipState(dc, row("ops-043"), "ops-043");
    SetRectRgn(a, 50, 50, 60, 60);
    EXPECT_EQ(SelectClipRgn(dc, a), row("ops-044")["ret"].AsInt());
    ExpectClipState(dc, row("ops-044"), "ops-044");
    SetRectRgn(a, 0, 0, 0, 0);
    EXPECT_EQ(SelectClipRgn(dc, a), row("ops-045")["ret"].AsInt());
    ExpectClipState(dc, row("ops-045"), "ops-045");
    EXPECT_EQ(SelectClipRgn(dc, nullptr), row("ops-046")["ret"].AsInt());
    ExpectClipState(dc, row("ops-046"), "ops-046");

    // The clip is saved and restored with the DC.
    SetRectRgn(a, 1, 1, 9, 9);
    SelectClipRgn(dc, a);
    EXPECT_EQ(SaveDC(dc), row("ops-047")["ret"].AsInt());
    ExpectClipState(dc, row("ops-047"), "ops-047");
    SetRectRgn(a, 20, 20, 30, 25);
    SelectObject(dc, a);
    EXPECT_EQ(SaveDC(dc), row("ops-048")["ret"].AsInt());
    ExpectClipState(dc, row("ops-048"), "ops-048");
    SelectClipRgn(dc, nullptr);
    EXPECT_EQ(RestoreDC(dc, -1), row("ops-049")["ret"].AsInt());
    ExpectClipState(dc, row("ops-049"), "ops-049");
    EXPECT_EQ(RestoreDC(dc, -1), row("ops-050")["ret"].AsInt());
    ExpectClipState(dc, row("ops-050"), "ops-050");
    EXPECT_EQ(RestoreDC(dc, -1), row("ops-051")["ret"].AsInt());
    ExpectClipState(dc, row("ops-051"), "ops-051");

    // Device units: the logical origin plays no part in the clip itself.
    SelectClipRgn(dc, nullptr);
    SetViewportOrgEx(dc, 10, 5, nullptr);
    SetRectRgn(a, 0, 0, 10, 10);
    EXPECT_EQ(SelectClipRgn(dc, a), row("ops-054")["ret"].AsInt());
    ExpectClipState(dc, row("ops-054"), "ops-054");
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetWindowOrgEx(dc, -3, -4, nullptr);
    ExpectClipState(dc, row("ops-055"), "ops-055");
}

// ExtSelectClipRgn(mode) gives the CombineRgn of the previous clip (or the
// whole surface when there was none) with the region.
TEST_F(RegionClip, ExtSelectClipRgnCombinesWithThePreviousClip) {
    ClipDc dc;
    for (int n = 0; n < 400; ++n) {
        SCOPED_TRACE("case " + std::to_string(n));
        std::mt19937 rng(static_cast<unsigned>(n));
        auto coordinate = [&] { return static_cast<int>(rng() % 60) - 10; };
        RegionHandle expected(CreateRectRgn(0, 0, 40, 30));
        SelectClipRgn(dc, nullptr);
        for (int step = 0; step < 4; ++step) {
            RegionHandle region(CreateEllipticRgn(coordinate(), coordinate(), coordinate(), coordinate()));
            RegionHandle square(CreateRectRgn(coordinate(), coordinate(), coordinate(), coordinate()));
            CombineRgn(region, region, square, RGN_XOR);
            const int mode = RGN_AND + static_cast<int>(rng() % 5);
            // A copy takes the region itself, whatever was there before.
            const int type = mode == RGN_COPY ? CombineRgn(expected, region, nullptr, RGN_COPY)
                                              : CombineRgn(expected, expected, region, mode);
            ASSERT_EQ(ExtSelectClipRgn(dc, region, mode), type) << "step " << step << " mode " << mode;
            RegionHandle clip(CreateRectRgn(0, 0, 0, 0));
            ASSERT_EQ(GetClipRgn(dc, clip), 1);
            ExpectValid(clip, "clip");
            ASSERT_TRUE(EqualRgn(clip, expected)) << "step " << step << " mode " << mode;
        }
    }
    EXPECT_EQ(ExtSelectClipRgn(dc, nullptr, RGN_AND), ERROR);
    EXPECT_EQ(ExtSelectClipRgn(dc, nullptr, RGN_COPY), SIMPLEREGION);
    RegionHandle any(CreateRectRgn(0, 0, 5, 5));
    EXPECT_EQ(ExtSelectClipRgn(dc, any, 0), ERROR);
    EXPECT_EQ(ExtSelectClipRgn(dc, any, 6), ERROR);
    EXPECT_EQ(ExtSelectClipRgn(nullptr, any, RGN_COPY), ERROR);
    EXPECT_EQ(GetClipRgn(dc, any), 0) << "failed calls leave no clip behind";
}

// The rectangle calls take logical coordinates; the clip stays in device units.
TEST_F(RegionClip, RectangleCallsWorkInDeviceUnits) {
    ClipDc dc;
    SetViewportOrgEx(dc, 4, 2, nullptr);  // logical (x, y) is device (x + 4, y + 2)
    RegionHandle clip(CreateRectRgn(0, 0, 0, 0)), expected(CreateRectRgn(0, 0, 0, 0));

    EXPECT_EQ(IntersectClipRect(dc, 0, 0, 10, 10), SIMPLEREGION);
    ASSERT_EQ(GetClipRgn(dc, clip), 1);
    SetRectRgn(expected, 4, 2, 14, 12);
    EXPECT_TRUE(EqualRgn(clip, expected));

    EXPECT_EQ(ExcludeClipRect(dc, 2, 2, 4, 4), COMPLEXREGION);
    GetClipRgn(dc, clip);
    RegionHandle hole(CreateRectRgn(6, 4, 8, 6));
    CombineRgn(expected, expected, hole, RGN_DIFF);
    EXPECT_TRUE(EqualRgn(clip, expected));

    EXPECT_EQ(OffsetClipRgn(dc, -3, 5), COMPLEXREGION);
    GetClipRgn(dc, clip);
    OffsetRgn(expected, -3, 5);
    EXPECT_TRUE(EqualRgn(clip, expected));

    RECT box;
    EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
    EXPECT_TRUE(SameRect(box, RECT{-3, 5, 7, 15})) << Describe(box);  // device (1,7,11,17) in logical units

    EXPECT_EQ(IntersectClipRect(dc, 0, 0, 0, 0), NULLREGION);
    EXPECT_EQ(GetClipBox(dc, &box), NULLREGION);

    // Without a clip, ExcludeClipRect cuts the hole out of the whole surface.
    SelectClipRgn(dc, nullptr);
    EXPECT_EQ(OffsetClipRgn(dc, 1, 1), SIMPLEREGION);
    EXPECT_EQ(GetClipRgn(dc, clip), 0);
    EXPECT_EQ(ExcludeClipRect(dc, 0, 0, 10, 10), COMPLEXREGION);
    GetClipRgn(dc, clip);
    SetRectRgn(expected, 0, 0, 40, 30);
    SetRectRgn(hole, 4, 2, 14, 12);
    CombineRgn(expected, expected, hole, RGN_DIFF);
    EXPECT_TRUE(EqualRgn(clip, expected));
    EXPECT_EQ(ExcludeClipRect(dc, -4, -2, 36, 28), NULLREGION) << "the rest of the surface";

    for (auto call : {+[](HDC d) { return IntersectClipRect(d, 0, 0, 1, 1); },
                      +[](HDC d) { return ExcludeClipRect(d, 0, 0, 1, 1); },
                      +[](HDC d) { return OffsetClipRgn(d, 1, 1); }})
        EXPECT_EQ(call(nullptr), ERROR);
    EXPECT_EQ(GetClipBox(nullptr, &box), ERROR);
    EXPECT_EQ(GetClipRgn(nullptr, clip), -1);
}

}  // namespace
}  // namespace zelt::test
