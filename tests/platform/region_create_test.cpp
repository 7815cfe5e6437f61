// ExtCreateRegion against ORing the same rectangles one by one with
// CombineRgn: seeded lists that are banded (a region's own GetRegionData,
// cut into touching pieces), shuffled, or random with overlaps, duplicates,
// touching, empty and inverted rectangles, some scaled and moved; bad
// headers and sizes; every allocation failing in turn.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/leak_guard.h"
#include "support/rect_union_model.h"
#include "zelt/win32.h"

namespace zelt::test {
namespace {

std::vector<RECT> RectsOf(HRGN region) {
    std::vector<BYTE> buffer(GetRegionData(region, 0, nullptr));
    auto *data = reinterpret_cast<RGNDATA *>(buffer.data());
    if (buffer.empty() || GetRegionData(region, DWORD(buffer.size()), data) != buffer.size()) return {};
    return std::vector<RECT>(reinterpret_cast<RECT *>(data->Buffer), reinterpret_cast<RECT *>(data->Buffer) + data->rdh.nCount);
}

std::vector<BYTE> DataOf(const std::vector<RECT> &rects) {
    const RGNDATAHEADER header{sizeof(RGNDATAHEADER), RDH_RECTANGLES, DWORD(rects.size()), 0, {0, 0, 0, 0}};
    std::vector<BYTE> bytes(reinterpret_cast<const BYTE *>(&header), reinterpret_cast<const BYTE *>(&header + 1));
    bytes.insert(bytes.end(), reinterpret_cast<const BYTE *>(rects.data()), reinterpret_cast<const BYTE *>(rects.data() + rects.size()));
    return bytes;
}

HRGN Create(const std::vector<BYTE> &bytes, const XFORM *xform = nullptr) {
    return ExtCreateRegion(xform, DWORD(bytes.size()), reinterpret_cast<const RGNDATA *>(bytes.data()));
}

std::vector<RECT> RandomRects(std::mt19937 &rng, size_t count) {
    std::vector<RECT> rects(count);
    for (RECT &r : rects) r = {LONG(rng() % 40) - 8, LONG(rng() % 40) - 8, LONG(rng() % 40) - 8, LONG(rng() % 40) - 8};
    for (size_t i = 1; i < count; i += 3) rects[i] = rects[rng() % i];  // duplicates, then touching neighbours
    for (size_t i = 2; i < count; i += 5) rects[i] = {rects[i - 1].right, rects[i - 1].top, rects[i - 1].right + 3, rects[i - 1].bottom};
    return rects;
}

// A banded list: a random region's rectangles, bands cut in two at one row
// and rectangles cut in two at one column, so the builder merges them back.
std::vector<RECT> BandedRects(std::mt19937 &rng, size_t count) {
    HRGN region = RectUnionModel(RandomRects(rng, count));
    const std::vector<RECT> source = RectsOf(region);
    std::vector<RECT> rects;
    for (size_t begin = 0, end = 0; begin < source.size(); begin = end) {
        const LONG top = source[begin].top, bottom = source[begin].bottom;
        const LONG row = bottom - top > 1 && rng() % 2 ? top + 1 + LONG(rng() % (bottom - top - 1)) : bottom;
        for (end = begin; end < source.size() && source[end].top == top; ++end) {}
        for (const auto &[y0, y1] : {std::pair{top, row}, std::pair{row, bottom}})
            for (size_t i = begin; i < end && y0 < y1; ++i) {
                const RECT &r = source[i];
                const LONG column = r.right - r.left > 1 && rng() % 2 ? r.left + 1 + LONG(rng() % (r.right - r.left - 1)) : r.right;
                rects.push_back({r.left, y0, column, y1});
                if (column < r.right) rects.push_back({column, y0, r.right, y1});
            }
    }
    DeleteObject(region);
    return rects;
}

class RegionCreate : public LeakCheckedTest {};

TEST_F(RegionCreate, RectangleListsMatchTheUnionModel) {
    const float scales[] = {1.0f, -1.0f, 2.0f, 0.5f, -0.75f, 1.3f, 0.0f, 3.0f};
    for (uint32_t seed = 0; seed < 5000; ++seed) {
        std::mt19937 rng(seed);
        std::vector<RECT> rects = seed % 4 < 2 ? BandedRects(rng, rng() % 48) : RandomRects(rng, rng() % 48);
        if (seed % 4 == 1) std::shuffle(rects.begin(), rects.end(), rng);
        // Every fifth list is scaled and moved: each edge rounded on its own, the edges put back in order.
        const XFORM xform{scales[rng() % 8], 0, 0, scales[rng() % 8], float(int(rng() % 21) - 10) * 0.5f,
                          float(int(rng() % 21) - 10) * 0.25f};
        const bool moved = seed % 5 == 4;
        auto x = [&](LONG v) { return moved ? LONG(std::floor(v * double(xform.eM11) + xform.eDx + 0.5)) : v; };
        auto y = [&](LONG v) { return moved ? LONG(std::floor(v * double(xform.eM22) + xform.eDy + 0.5)) : v; };
        std::vector<RECT> model;
        for (const RECT &r : rects)  // what has no pixels is dropped before the transform
            if (r.left < r.right && r.top < r.bottom)
                model.push_back({std::min(x(r.left), x(r.right)), std::min(y(r.top), y(r.bottom)),
                                 std::max(x(r.left), x(r.right)), std::max(y(r.top), y(r.bottom))});
        HRGN got = Create(DataOf(rects), moved ? &xform : nullptr), want = RectUnionModel(model);
        const std::vector<RECT> gotRects = RectsOf(got), wantRects = RectsOf(want);
        EXPECT_TRUE(got && EqualRgn(got, want) && gotRects.size() == wantRects.size() &&
                    std::equal(gotRects.begin(), gotRects.end(), wantRects.begin(),
                               [](const RECT &a, const RECT &b) { return EqualRect(&a, &b) != FALSE; }))
            << "seed " << seed << ": " << gotRects.size() << " rectangles, model " << wantRects.size();
        DeleteObject(got);
        DeleteObject(want);
    }
}

TEST_F(RegionCreate, BadDataAndTransformsAreRefused) {
    const std::vector<BYTE> good = DataOf({{0, 0, 4, 4}, {2, 2, 9, 9}});
    const XFORM turned{0, 1, -1, 0, 0, 0}, sheared{1, 0, 0.5f, 1, 0, 0}, infinite{INFINITY, 0, 0, 1, 0, 0};
    const DWORD size = DWORD(good.size());
    // Header field (dwSize, iType, nCount) to change and its value, byte count, transform.
    const struct { int field; DWORD value, size; const XFORM *xform; } cases[] = {
        {0, 0, size, nullptr}, {1, 2, size, nullptr},   {2, 3, size, nullptr},       {2, 0xFFFFFFFFu, size, nullptr},
        {3, 0, size - 1, nullptr}, {3, 0, 31, nullptr}, {3, 0, size, &turned}, {3, 0, size, &sheared}, {3, 0, size, &infinite}};
    for (const auto &c : cases) {
        std::vector<BYTE> bytes = good;
        if (c.field < 3) std::memcpy(bytes.data() + 4 * c.field, &c.value, 4);
        SetLastError(0);
        EXPECT_TRUE(!ExtCreateRegion(c.xform, c.size, reinterpret_cast<const RGNDATA *>(bytes.data())) &&
                    GetLastError() == ERROR_INVALID_PARAMETER) << (&c - cases);
    }
    SetLastError(0);
    EXPECT_TRUE(!ExtCreateRegion(nullptr, 64, nullptr) && GetLastError() == ERROR_INVALID_PARAMETER);  // no data
    // Spare bytes after the rectangles are allowed.
    HRGN spare = ExtCreateRegion(nullptr, size + 16, reinterpret_cast<const RGNDATA *>(good.data()));
    EXPECT_TRUE(spare && PtInRegion(spare, 8, 8) && !PtInRegion(spare, 1, 6) && DeleteObject(spare));
    bool made = false;
    ForEachAllocationFailure([&] { SetLastError(0), made = DeleteObject(Create(good)); }, [&](long failedAt) {
        EXPECT_TRUE(!made && GetLastError() == ERROR_NOT_ENOUGH_MEMORY) << failedAt;
    });
}

}  // namespace
}  // namespace zelt::test
