// GDI regions against the per-pixel mask model: seeded random sequences of
// shape creation, CombineRgn in every mode with aliased operands, OffsetRgn
// and SetRectRgn, with every query checked after each step (type, box,
// pixels, the canonical rectangle list, RectInRegion, EqualRgn, and the
// invariants of the representation).
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gdi/region.h"
#include "support/leak_guard.h"
#include "support/pixel_mask.h"

namespace zelt::test {
namespace {

constexpr LONG kOrigin = -16, kSize = 64;

std::vector<RECT> RectsOf(HRGN region) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<BYTE> buffer(size);
    auto *data = reinterpret_cast<RGNDATA *>(buffer.data());
    if (size == 0 || GetRegionData(region, size, data) != size) return {};
    const RECT *first = reinterpret_cast<const RECT *>(data->Buffer);
    return std::vector<RECT>(first, first + data->rdh.nCount);
}

// The canonical banded rectangles of a mask: spans per row, rows with the
// same spans merged into one band.
std::vector<RECT> CanonicalRects(const PixelMask &m) {
    std::vector<RECT> rects;
    std::vector<std::pair<LONG, LONG>> previous;
    size_t bandStart = 0;
    for (LONG y = m.originY; y < m.originY + m.height; ++y) {
        std::vector<std::pair<LONG, LONG>> spans;
        for (LONG x = m.originX; x < m.originX + m.width; ++x)
            if (m.Get(x, y)) {
                if (!spans.empty() && spans.back().second == x) ++spans.back().second;
                else spans.push_back({x, x + 1});
            }
        if (!spans.empty() && spans == previous && rects.back().bottom == y) {
            for (size_t i = bandStart; i < rects.size(); ++i) rects[i].bottom = y + 1;
        } else {
            bandStart = rects.size();
            for (const auto &[x0, x1] : spans) rects.push_back({x0, y, x1, y + 1});
        }
        previous = spans;
    }
    return rects;
}

RECT BoxOf(const std::vector<RECT> &rects) {
    RECT box{0, 0, 0, 0};
    for (const RECT &r : rects)
        box = box.right == box.left ? r : RECT{std::min(box.left, r.left), box.top, std::max(box.right, r.right), r.bottom};
    return box;
}

int TypeOf(const std::vector<RECT> &rects) { return rects.empty() ? NULLREGION : rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION; }

// A polygon's pixel by definition: crossings at or left of the pixel, exact in integers.
bool PolygonPixel(const std::vector<POINT> &points, int mode, LONG x, LONG y) {
    int crossings = 0, winding = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        POINT p = points[i == 0 ? points.size() - 1 : i - 1], q = points[i];
        int direction = 1;
        if (p.y == q.y) continue;
        if (p.y > q.y) std::swap(p, q), direction = -1;
        if (y < p.y || y >= q.y) continue;
        if ((long long)(y - p.y) * (q.x - p.x) <= (long long)(x - p.x) * (q.y - p.y)) ++crossings, winding += direction;
    }
    return mode == WINDING ? winding != 0 : crossings % 2 == 1;
}

PixelMask MaskOf(HRGN region) {
    return ModelOf(kSize, kSize, kOrigin, kOrigin, [&](LONG x, LONG y) { return PtInRegion(region, x, y) != 0; });
}

// A region with exactly a mask's pixels, built from one-row rectangles.
HRGN RegionOf(const PixelMask &m) {
    HRGN out = CreateRectRgn(0, 0, 0, 0);
    for (const RECT &r : CanonicalRects(m)) {
        HRGN piece = CreateRectRgnIndirect(&r);
        CombineRgn(out, out, piece, RGN_OR);
        DeleteObject(piece);
    }
    return out;
}

void ExpectMatches(HRGN region, const PixelMask &mask, std::mt19937 &rng) {
    const auto *object = platform::FindObject<platform::RegionObject>(region);
    ASSERT_NE(object, nullptr);
    ASSERT_TRUE(object->data.Validate()) << "not canonical";
    const std::vector<RECT> canonical = CanonicalRects(mask), rects = RectsOf(region);
    RECT box{-1, -1, -1, -1};
    ASSERT_EQ(GetRgnBox(region, &box), TypeOf(canonical));
    const RECT want = BoxOf(canonical);
    ASSERT_TRUE(EqualRect(&box, &want));
    ASSERT_EQ(rects.size(), canonical.size());
    for (size_t i = 0; i < rects.size(); ++i) ASSERT_TRUE(EqualRect(&rects[i], &canonical[i])) << "rectangle " << i;
    for (LONG y = box.top - 1; y <= box.bottom; ++y)
        for (LONG x = box.left - 1; x <= box.right; ++x) ASSERT_EQ(PtInRegion(region, x, y) != 0, mask.Get(x, y)) << x << "," << y;
    for (int i = 0; i < 4; ++i) {
        const LONG a = LONG(rng() % 40) - 4, b = LONG(rng() % 40) - 4, c = LONG(rng() % 40) - 4, d = LONG(rng() % 40) - 4;
        const RECT probe{a, b, c, d};
        bool any = false;
        for (LONG y = std::min(b, d); y < std::max(b, d); ++y)
            for (LONG x = std::min(a, c); x < std::max(a, c); ++x) any = any || mask.Get(x, y);
        ASSERT_EQ(RectInRegion(region, &probe) != 0, any) << "RectInRegion " << a << "," << b << "," << c << "," << d;
        const RECT normal{std::min(a, c), std::min(b, d), std::max(a, c), std::max(b, d)};
        const platform::RegionData clipped = object->data.Intersect(normal);
        ASSERT_TRUE(clipped.Validate());
        ASSERT_TRUE(clipped == platform::RegionData::Combine(object->data, platform::RegionData::FromRect(normal), RGN_AND));
    }
}

class RegionModel : public LeakCheckedTest {};

TEST_F(RegionModel, RandomSequencesMatchTheMaskModel) {
    for (int n = 0; n < 1200; ++n) {
        SCOPED_TRACE("case " + std::to_string(n));
        std::mt19937 rng{unsigned(n)};
        const auto coordinate = [&] {
            static constexpr LONG kEdges[] = {0, 1, 7, 8, 15, 16, 17, 31, 32};
            return rng() % 2 ? kEdges[rng() % 9] : LONG(rng() % 33);
        };
        HRGN regions[3] = {CreateRectRgn(0, 0, 0, 0), CreateRectRgn(0, 0, 0, 0), CreateRectRgn(0, 0, 0, 0)};
        PixelMask masks[3] = {PixelMask(kSize, kSize, kOrigin, kOrigin), masks[0], masks[0]};
        for (int step = 0; step < 6 && !HasFatalFailure(); ++step) {
            const int slot = int(rng() % 3), choice = int(rng() % 12);
            HRGN &dst = regions[slot];
            PixelMask &mask = masks[slot];
            SCOPED_TRACE("step " + std::to_string(step) + " choice " + std::to_string(choice));
            if (choice < 2) {  // a rectangle with corners in any order, new or set
                const LONG x1 = coordinate(), y1 = coordinate(), x2 = coordinate(), y2 = coordinate();
                if (choice == 0) DeleteObject(dst), dst = CreateRectRgn(x1, y1, x2, y2);
                else ASSERT_TRUE(SetRectRgn(dst, x1, y1, x2, y2));
                mask = ModelOf(kSize, kSize, kOrigin, kOrigin, [&](LONG x, LONG y) {
                    return x >= std::min(x1, x2) && x < std::max(x1, x2) && y >= std::min(y1, y2) && y < std::max(y1, y2);
                });
            } else if (choice < 4) {  // a polygon by its definition
                std::vector<POINT> points(3 + rng() % 5);
                for (POINT &p : points) p = {coordinate(), coordinate()};
                const int mode = rng() % 2 ? WINDING : ALTERNATE;
                DeleteObject(dst), dst = CreatePolygonRgn(points.data(), int(points.size()), mode);
                mask = ModelOf(kSize, kSize, kOrigin, kOrigin, [&](LONG x, LONG y) { return PolygonPixel(points, mode, x, y); });
            } else if (choice < 5) {  // an ellipse or a round rectangle, taken as drawn
                const LONG a = coordinate(), b = coordinate(), c = coordinate(), d = coordinate();
                DeleteObject(dst), dst = rng() % 2 ? CreateEllipticRgn(a, b, c, d) : CreateRoundRectRgn(a, b, c, d, coordinate(), coordinate());
                mask = MaskOf(dst);
            } else if (choice < 6) {  // any pixel set, from rectangles
                const PixelMask shape = RandomShape(unsigned(rng()), 32, 32, 4, 0, 0);
                mask = ModelOf(kSize, kSize, kOrigin, kOrigin, [&](LONG x, LONG y) { return shape.Get(x, y); });
                DeleteObject(dst), dst = RegionOf(mask);
            } else if (choice < 7) {  // an offset that keeps the region on the canvas
                const LONG dx = LONG(rng() % 17) - 8, dy = LONG(rng() % 17) - 8;
                const PixelMask before = mask;
                mask = ModelOf(kSize, kSize, kOrigin, kOrigin, [&](LONG x, LONG y) { return before.Get(x - dx, y - dy); });
                if (mask.Count() != before.Count() && (mask = before, true)) continue;
                ASSERT_EQ(OffsetRgn(dst, dx, dy), TypeOf(CanonicalRects(mask)));
            } else {  // CombineRgn, operands possibly the destination itself
                const int a = int(rng() % 3), b = int(rng() % 3), mode = RGN_AND + int(rng() % 5);
                const PixelMask ma = masks[a], mb = masks[b];
                mask = ModelOf(kSize, kSize, kOrigin, kOrigin, [&](LONG x, LONG y) {
                    const bool p = ma.Get(x, y), q = mb.Get(x, y);
                    return mode == RGN_AND ? p && q : mode == RGN_OR ? p || q : mode == RGN_XOR ? p != q : mode == RGN_DIFF ? p && !q : p;
                });
                ASSERT_EQ(CombineRgn(dst, regions[a], regions[b], mode), TypeOf(CanonicalRects(mask)))
                    << "mode " << mode << " slots " << slot << " " << a << " " << b;
            }
            ExpectMatches(dst, mask, rng);
            for (int other = 0; other < 3; ++other)
                ASSERT_EQ(EqualRgn(dst, regions[other]) != 0, mask == masks[other]) << "EqualRgn with slot " << other;
        }
        for (HRGN r : regions) DeleteObject(r);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace zelt::test
