// Region algebra against a per-pixel model: seeded random sequences of
// shape creation, CombineRgn in every mode (sources and destination
// aliased at random), OffsetRgn and SetRectRgn, with every query checked
// after each step. The case number seeds the generator; a failure names it.
#include <bitset>
#include <random>
#include <string>

#include "platform/region_test_support.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

// Pixels of the window [kOrigin, kOrigin + kSize)², where every region of
// these tests stays.
constexpr int kOrigin = -16;
constexpr int kSize = 64;

class PixelModel {
public:
    bool Get(int x, int y) const { return Inside(x, y) && bits_[Index(x, y)]; }
    void Set(int x, int y, bool value) { bits_[Index(x, y)] = value; }
    void Clear() { bits_.reset(); }

    static bool Inside(int x, int y) {
        return x >= kOrigin && y >= kOrigin && x < kOrigin + kSize && y < kOrigin + kSize;
    }

    template <class Op>
    static PixelModel Apply(const PixelModel &a, const PixelModel &b, Op op) {
        PixelModel out;
        for (int i = 0; i < kSize * kSize; ++i) out.bits_[i] = op(a.bits_[i], b.bits_[i]);
        return out;
    }

    RECT Box() const {
        RECT box{0, 0, 0, 0};
        bool any = false;
        for (int y = kOrigin; y < kOrigin + kSize; ++y)
            for (int x = kOrigin; x < kOrigin + kSize; ++x)
                if (Get(x, y)) {
                    if (!any) box = {x, y, x + 1, y + 1};
                    any = true;
                    box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                           std::max<LONG>(box.bottom, y + 1)};
                }
        return box;
    }

    int Type() const {
        const RECT box = Box();
        if (box.right == box.left) return NULLREGION;
        return static_cast<long>(bits_.count()) == (box.right - box.left) * (box.bottom - box.top) ? SIMPLEREGION
                                                                                                   : COMPLEXREGION;
    }

    bool AnyIn(const RECT &r) const {
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x)
                if (Get(x, y)) return true;
        return false;
    }

    // The canonical banded rectangle list of these pixels.
    std::vector<RECT> CanonicalRects() const {
        std::vector<RECT> rects;
        std::vector<std::pair<LONG, LONG>> previous;
        std::size_t bandStart = 0;
        for (int y = kOrigin; y < kOrigin + kSize; ++y) {
            std::vector<std::pair<LONG, LONG>> spans;
            for (int x = kOrigin; x < kOrigin + kSize; ++x)
                if (Get(x, y)) {
                    if (!spans.empty() && spans.back().second == x)
                        spans.back().second = x + 1;
                    else
                        spans.push_back({x, x + 1});
                }
            if (!spans.empty() && spans == previous && rects.size() > bandStart && rects.back().bottom == y) {
                for (std::size_t i = bandStart; i < rects.size(); ++i) rects[i].bottom = y + 1;
            } else {
                bandStart = rects.size();
                for (const auto &[x0, x1] : spans) rects.push_back({x0, y, x1, y + 1});
            }
            previous = spans;
        }
        return rects;
    }

private:
    static int Index(int x, int y) { return (y - kOrigin) * kSize + (x - kOrigin); }
    std::bitset<kSize * kSize> bits_;
};

// Coordinates in [0, 32], half of them on a few shared edges so that
// rectangles touch, abut and coincide often.
int Coordinate(std::mt19937 &rng) {
    static constexpr int kEdges[] = {0, 1, 7, 8, 15, 16, 17, 31, 32};
    if (rng() % 2 == 0) return kEdges[rng() % std::size(kEdges)];
    return static_cast<int>(rng() % 33);
}

struct Slot {
    Slot() : region(CreateRectRgn(0, 0, 0, 0)) {}
    Slot(const Slot &) = delete;
    ~Slot() { DeleteObject(region); }
    // Call after every change of the model.
    void Refresh() { rects = model.CanonicalRects(); }
    HRGN region;
    PixelModel model;
    std::vector<RECT> rects;  // canonical form of the model
};

void CheckSlot(const Slot &slot, std::mt19937 &rng, const std::string &what) {
    SCOPED_TRACE(what);
    ExpectValid(slot.region, what);
    RECT box{-1, -1, -1, -1};
    ASSERT_EQ(GetRgnBox(slot.region, &box), slot.model.Type());
    const RECT expectedBox = slot.model.Box();
    ASSERT_TRUE(SameRect(box, expectedBox)) << Describe(box) << " expected " << Describe(expectedBox);
    for (LONG y = box.top - 1; y <= box.bottom; ++y)
        for (LONG x = box.left - 1; x <= box.right; ++x)
            ASSERT_EQ(PtInRegion(slot.region, x, y) != 0, slot.model.Get(x, y)) << "pixel " << x << "," << y;
    const std::vector<RECT> rects = RectsOf(slot.region);
    const std::vector<RECT> &canonical = slot.rects;
    ASSERT_EQ(rects.size(), canonical.size());
    for (std::size_t i = 0; i < rects.size(); ++i)
        ASSERT_TRUE(SameRect(rects[i], canonical[i])) << "rect " << i << " " << Describe(rects[i]);
    for (int i = 0; i < 4; ++i) {
        const RECT probe{Coordinate(rng), Coordinate(rng), Coordinate(rng), Coordinate(rng)};
        const RECT normal{std::min(probe.left, probe.right), std::min(probe.top, probe.bottom),
                          std::max(probe.left, probe.right), std::max(probe.top, probe.bottom)};
        ASSERT_EQ(RectInRegion(slot.region, &probe) != 0, slot.model.AnyIn(normal)) << "RectInRegion " << Describe(probe);
        // Intersect with a rectangle is the AND with that rectangle's region.
        const platform::RegionData *data = DataOf(slot.region);
        const platform::RegionData clipped = data->Intersect(normal);
        EXPECT_TRUE(clipped.Validate());
        EXPECT_TRUE(clipped == platform::RegionData::Combine(*data, platform::RegionData::FromRect(normal), RGN_AND))
            << "Intersect " << Describe(normal);
    }
}

class RegionAlgebra : public LeakCheckedTest {};

TEST_F(RegionAlgebra, RandomSequencesMatchPixelModel) {
    constexpr int kCases = 1500;
    constexpr int kSteps = 6;
    for (int n = 0; n < kCases; ++n) {
        SCOPED_TRACE("case " + std::to_string(n));
        std::mt19937 rng(static_cast<unsigned>(n));
        Slot slots[3];
        for (int step = 0; step < kSteps && !HasFatalFailure(); ++step) {
            Slot &dst = slots[rng() % 3];
            const int choice = static_cast<int>(rng() % 10);
            std::string what;
            if (choice < 2) {  // a rectangle, corners in any order
                const int x1 = Coordinate(rng), y1 = Coordinate(rng), x2 = Coordinate(rng), y2 = Coordinate(rng);
                HRGN fresh = CreateRectRgn(x1, y1, x2, y2);
                DeleteObject(dst.region);
                dst.region = fresh;
                dst.model.Clear();
                for (int y = std::min(y1, y2); y < std::max(y1, y2); ++y)
                    for (int x = std::min(x1, x2); x < std::max(x1, x2); ++x) dst.model.Set(x, y, true);
                what = "CreateRectRgn(" + std::to_string(x1) + "," + std::to_string(y1) + "," + std::to_string(x2) +
                       "," + std::to_string(y2) + ")";
            } else if (choice < 3) {  // a polygon, checked against its definition
                std::vector<POINT> points(3 + rng() % 5);
                for (POINT &p : points) p = {Coordinate(rng), Coordinate(rng)};
                const int mode = rng() % 2 ? WINDING : ALTERNATE;
                HRGN fresh = CreatePolygonRgn(points.data(), static_cast<int>(points.size()), mode);
                DeleteObject(dst.region);
                dst.region = fresh;
                dst.model.Clear();
                for (int y = -1; y <= 33; ++y)
                    for (int x = -1; x <= 33; ++x) dst.model.Set(x, y, PolygonPixel(points, mode, x, y));
                what = "CreatePolygonRgn mode " + std::to_string(mode) + " points";
                for (const POINT &p : points) what += " " + std::to_string(p.x) + "," + std::to_string(p.y);
            } else if (choice < 4) {  // an offset that keeps the region in the window
                const int dx = static_cast<int>(rng() % 17) - 8, dy = static_cast<int>(rng() % 17) - 8;
                const RECT box = dst.model.Box();
                if (box.left + dx < -16 || box.right + dx > 48 || box.top + dy < -16 || box.bottom + dy > 48) continue;
                PixelModel moved;
                for (int y = kOrigin; y < kOrigin + kSize; ++y)
                    for (int x = kOrigin; x < kOrigin + kSize; ++x)
                        if (dst.model.Get(x, y)) moved.Set(x + dx, y + dy, true);
                ASSERT_EQ(OffsetRgn(dst.region, dx, dy), moved.Type());
                dst.model = moved;
                what = "OffsetRgn " + std::to_string(dx) + "," + std::to_string(dy);
            } else {  // CombineRgn, operands possibly the destination itself
                const Slot &a = slots[rng() % 3];
                const Slot &b = slots[rng() % 3];
                const int mode = RGN_AND + static_cast<int>(rng() % 5);
                PixelModel result;
                switch (mode) {
                    case RGN_AND: result = PixelModel::Apply(a.model, b.model, [](bool p, bool q) { return p && q; }); break;
                    case RGN_OR: result = PixelModel::Apply(a.model, b.model, [](bool p, bool q) { return p || q; }); break;
                    case RGN_XOR: result = PixelModel::Apply(a.model, b.model, [](bool p, bool q) { return p != q; }); break;
                    case RGN_DIFF: result = PixelModel::Apply(a.model, b.model, [](bool p, bool q) { return p && !q; }); break;
                    default: result = a.model; break;
                }
                what = "CombineRgn mode " + std::to_string(mode) + " slots " + std::to_string(&dst - slots) + " " +
                       std::to_string(&a - slots) + " " + std::to_string(&b - slots);
                ASSERT_EQ(CombineRgn(dst.region, a.region, b.region, mode), result.Type()) << what;
                dst.model = result;
            }
            dst.Refresh();
            CheckSlot(dst, rng, "step " + std::to_string(step) + ": " + what);
            // Equal pixel sets, and only those, are EqualRgn.
            for (const Slot &other : slots) {
                const bool same =
                    std::equal(dst.rects.begin(), dst.rects.end(), other.rects.begin(), other.rects.end(), SameRect);
                ASSERT_EQ(EqualRgn(dst.region, other.region) != 0, same) << what;
            }
        }
        if (HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace zelt::test
