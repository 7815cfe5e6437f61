// A per-pixel model of selection regions for tests: a byte per pixel over a
// fixed canvas, conversions between the model and region records, seeded
// random shapes, the structural invariants every record must satisfy,
// bitmaps that own a test region, the combination modes and the display
// mapping written from their definitions, and the allocation-failure walk
// every selection-changing operation must survive.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "region/region_internal.h"
#include "support/leak_guard.h"
#include "support/perspective_oracle.h"

namespace zelt::test {

// Pixels of the canvas [originX, originX + width) x [originY, originY +
// height); records may lie partly outside (those pixels are counted in
// `outside`).
struct PixelMask {
    LONG originX = 0;
    LONG originY = 0;
    LONG width = 0;
    LONG height = 0;
    std::vector<uint8_t> bits;
    long outside = 0;

    PixelMask() = default;
    PixelMask(LONG w, LONG h, LONG ox = 0, LONG oy = 0)
        : originX(ox), originY(oy), width(w), height(h), bits(size_t(w) * size_t(h), 0) {}

    bool Inside(LONG x, LONG y) const {
        return x >= originX && y >= originY && x < originX + width && y < originY + height;
    }
    bool Get(LONG x, LONG y) const { return Inside(x, y) && bits[Index(x, y)] != 0; }
    void Set(LONG x, LONG y, bool on = true) {
        if (Inside(x, y)) bits[Index(x, y)] = on ? 1 : 0;
    }
    long Count() const {
        long n = 0;
        for (uint8_t b : bits) n += b;
        return n;
    }
    bool operator==(const PixelMask &other) const {
        return originX == other.originX && originY == other.originY && width == other.width &&
               height == other.height && bits == other.bits;
    }

private:
    size_t Index(LONG x, LONG y) const { return size_t(y - originY) * size_t(width) + size_t(x - originX); }
};

// Owns a region record (frees it with the kernel).
using RecordPtr = region::OwnedRegion;

// Builds a record through the region builder from the set pixels of the mask.
inline RecordPtr RecordFromMask(const PixelMask &mask) {
    region::RegionBuilder builder;
    const RECT box{mask.originX, mask.originY, mask.originX + mask.width, mask.originY + mask.height};
    if (region::BeginRegion(builder, box) != STATUS_OK) return nullptr;
    for (LONG y = box.top; y < box.bottom; ++y) {
        LONG x = box.left;
        while (x < box.right) {
            while (x < box.right && !mask.Get(x, y)) ++x;
            const LONG start = x;
            while (x < box.right && mask.Get(x, y)) ++x;
            if (x > start) region::AppendRun(builder, start, x);
        }
        if (region::EndRegionRow(builder) != STATUS_OK) return nullptr;
    }
    return RecordPtr(region::FinishRegion(builder));
}

// The pixels a record selects, on a canvas of the given placement.
inline PixelMask MaskFromRecord(const RegionRecord &record, LONG w, LONG h, LONG ox = 0, LONG oy = 0) {
    PixelMask mask(w, h, ox, oy);
    for (LONG y = record.Bounds.top; y < record.Bounds.bottom; ++y) {
        const region::RowRuns row = region::RowOf(record, y);
        for (DWORD i = 0; i + 1 < row.count; i += 2) {
            for (LONG x = row.values[i]; x < row.values[i + 1]; ++x) {
                if (mask.Inside(x, y)) mask.Set(x, y);
                else ++mask.outside;
            }
        }
    }
    return mask;
}

// Every structural rule of a record: pairs ascending, disjoint and not
// touching (touching runs are always merged), start < end;
// Bounds tight; no stored leading or trailing empty rows; buffers of exactly
// the sizes recorded; an empty record is all zero with null buffers.
inline ::testing::AssertionResult RecordIsWellFormed(const RegionRecord &r) {
    auto fail = [](const std::string &why) { return ::testing::AssertionFailure() << why; };
    const LONG rows = r.Bounds.bottom - r.Bounds.top;
    if (rows <= 0 || r.Bounds.right <= r.Bounds.left) {
        if (r.Bounds.left != 0 || r.Bounds.top != 0 || r.Bounds.right != 0 || r.Bounds.bottom != 0)
            return fail("empty record with non-zero Bounds");
        if (r.RowTableBytes != 0 || r.RowTable != nullptr || r.RunBytes != 0 || r.RunData != nullptr)
            return fail("empty record keeps buffers");
        return ::testing::AssertionSuccess();
    }
    if (r.RowTableBytes != DWORD(rows) * sizeof(RowEntry)) return fail("RowTableBytes does not match Bounds");
    if (r.RowTable == nullptr) return fail("null RowTable");
    if (GlobalSize(GlobalHandle(r.RowTable)) < r.RowTableBytes) return fail("row table block too small");
    DWORD values = 0;
    LONG minLeft = LONG(0x7FFFFFFF), maxRight = LONG(0x80000000);
    for (LONG i = 0; i < rows; ++i) {
        const RowEntry &e = r.RowTable[i];
        if (e.Count % 2 != 0) return fail("odd count in row " + std::to_string(i));
        if (e.Count == 0) {
            if (e.Offset != 0) return fail("empty row with offset");
            if (i == 0 || i == rows - 1) return fail("stored leading or trailing empty row");
            continue;
        }
        if (e.Offset != values * sizeof(LONG)) return fail("row offsets not consecutive at row " + std::to_string(i));
        const LONG *v = r.RunData + e.Offset / sizeof(LONG);
        for (DWORD k = 0; k < e.Count; k += 2) {
            if (v[k] >= v[k + 1]) return fail("pair with start >= end in row " + std::to_string(i));
            if (k > 0 && v[k] <= v[k - 1]) return fail("overlapping or touching pairs in row " + std::to_string(i));
        }
        if (v[0] < minLeft) minLeft = v[0];
        if (v[e.Count - 1] > maxRight) maxRight = v[e.Count - 1];
        values += e.Count;
    }
    if (r.RunBytes != values * sizeof(LONG)) return fail("RunBytes does not match the rows");
    if (r.RunData == nullptr) return fail("null RunData");
    if (GlobalSize(GlobalHandle(r.RunData)) < r.RunBytes) return fail("run block too small");
    if (minLeft != r.Bounds.left || maxRight != r.Bounds.right) return fail("Bounds not tight horizontally");
    return ::testing::AssertionSuccess();
}

// A random shape on a w x h canvas: a union of `pieces` rectangles and
// ellipses plus scattered single pixels, reproducible from `seed`.
inline PixelMask RandomShape(uint32_t seed, LONG w, LONG h, int pieces = 4, LONG ox = 0, LONG oy = 0) {
    std::mt19937 rng(seed);
    PixelMask mask(w, h, ox, oy);
    auto pick = [&](LONG n) { return LONG(rng() % uint32_t(n > 0 ? n : 1)); };
    for (int p = 0; p < pieces; ++p) {
        const LONG x0 = pick(w), y0 = pick(h);
        const LONG x1 = x0 + 1 + pick(w - x0), y1 = y0 + 1 + pick(h - y0);
        const bool ellipse = (rng() & 1) != 0;
        const double cx = (x0 + x1) / 2.0, cy = (y0 + y1) / 2.0;
        const double rx = (x1 - x0) / 2.0, ry = (y1 - y0) / 2.0;
        for (LONG y = y0; y < y1; ++y)
            for (LONG x = x0; x < x1; ++x) {
                const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
                if (!ellipse || dx * dx + dy * dy <= 1.0) mask.Set(x + ox, y + oy);
            }
    }
    const int specks = int(pick(w + h));
    for (int i = 0; i < specks; ++i) mask.Set(ox + pick(w), oy + pick(h), (rng() & 3) != 0);
    return mask;
}

// A mask on the given canvas whose pixel (x, y) is selected(x, y).
template <typename Selected>
PixelMask ModelOf(LONG w, LONG h, LONG ox, LONG oy, Selected selected) {
    PixelMask mask(w, h, ox, oy);
    for (LONG y = oy; y < oy + h; ++y)
        for (LONG x = ox; x < ox + w; ++x)
            if (selected(x, y)) mask.Set(x, y);
    return mask;
}

inline PixelMask WholeCanvas(LONG w, LONG h) {
    return ModelOf(w, h, 0, 0, [](LONG, LONG) { return true; });
}

// The pixels a bitmap selects on its own canvas (no region: all of them);
// a region it holds must be well formed.
inline PixelMask SelectionOf(const BitmapRecord &bitmap) {
    if (bitmap.Region == nullptr) return WholeCanvas(bitmap.Width, bitmap.Height);
    EXPECT_TRUE(RecordIsWellFormed(*bitmap.Region));
    return MaskFromRecord(*bitmap.Region, bitmap.Width, bitmap.Height);
}

// A described bitmap (no image data) that owns the region attached to it.
struct RegionBitmap {
    BitmapRecord record{};
    RegionBitmap(LONG width, LONG height, RecordPtr region = nullptr, LONG perspective = 0) {
        EXPECT_EQ(KrnInitBitmapRecord(&record, width, height, 1), STATUS_OK);
        record.ViewPerspective = perspective;
        record.Region = region.release();
    }
    explicit RegionBitmap(const PixelMask &shape, LONG perspective = 0)
        : RegionBitmap(shape.width, shape.height, RecordFromMask(shape), perspective) {}
    RegionBitmap(const RegionBitmap &) = delete;
    RegionBitmap &operator=(const RegionBitmap &) = delete;
    ~RegionBitmap() { KrnFreeRegion(record.Region); }
    BitmapRecord *get() { return &record; }
    RegionRecord &region() { return *record.Region; }
    PixelMask Selection() const { return SelectionOf(record); }
};

// Whether a pixel is selected after merging a new shape into an existing
// selection in `mode`.
inline bool CombinedPixel(int mode, bool existing, bool fresh) {
    switch (mode) {
        case RGNMODE_AND: return existing && fresh;
        case RGNMODE_SET: return fresh;
        case RGNMODE_ANDNOTOLD: return fresh && !existing;
        case RGNMODE_ANDNOTNEW: return existing && !fresh;
        case RGNMODE_OR: return existing || fresh;
        case RGNMODE_XOR: return existing != fresh;
        default: return !fresh;
    }
}

// Runs `operation` once per allocation it makes with that allocation
// failing: the status is OK or NO_MEMORY, and after NO_MEMORY the bitmap
// selects exactly what it did before. Returns the number of failed runs.
inline long FailuresKeepingSelection(const BitmapRecord &bitmap, const std::function<int()> &operation) {
    PixelMask before;
    int status = 0;
    long failures = 0;
    ForEachAllocationFailure(
        [&] {
            before = SelectionOf(bitmap);
            status = operation();
        },
        [&](long failedAt) {
            ASSERT_TRUE(status == STATUS_OK || status == STATUS_NO_MEMORY) << failedAt << ": " << status;
            if (status == STATUS_OK) return;
            ++failures;
            EXPECT_EQ(SelectionOf(bitmap), before) << "allocation " << failedAt;
        });
    return failures;
}

// Coordinates in perspective `to` of the stored pixels of a w x h bitmap
// shown in perspective `view`: the pixel of an image stored in `to` that
// displays at the same place, found by inverting the display table.
class PerspectiveTurn {
public:
    PerspectiveTurn(int view, int to, int w, int h) : view_(view), w_(w), h_(h) {
        shownW_ = ExchangesAxes(view) ? h : w;
        const int shownH = ExchangesAxes(view) ? w : h;
        toW_ = ExchangesAxes(to) ? shownH : shownW_;
        toH_ = ExchangesAxes(to) ? shownW_ : shownH;
        inverse_.resize(size_t(w) * size_t(h));
        for (int r = 0; r < toH_; ++r)
            for (int c = 0; c < toW_; ++c) {
                const Point shown = Displayed(to, toW_, toH_, c, r);
                inverse_[size_t(shown.y) * size_t(shownW_) + size_t(shown.x)] = Point{c, r};
            }
    }
    Point Map(int c, int r) const {
        const Point shown = Displayed(view_, w_, h_, c, r);
        return inverse_[size_t(shown.y) * size_t(shownW_) + size_t(shown.x)];
    }
    int width() const { return toW_; }
    int height() const { return toH_; }

private:
    int view_, w_, h_, shownW_, toW_ = 0, toH_ = 0;
    std::vector<Point> inverse_;
};

// (v * num + bias) / den for one edge, 0 staying 0.
inline LONG ScaleEdgeModel(LONG v, LONG num, LONG den, bool roundUp) {
    if (v == 0) return 0;
    return LONG((int64_t(v) * num + (roundUp ? den - 1 : 0)) / den);
}

// Where the pixels of a region of a W x H bitmap stored in perspective
// `view` land in display space under `xform`: each pixel moves to where an
// image stored in perspective xform.Perspective holds the same pixel of
// the picture, becomes the block of display pixels its edges scale to, and
// is offset. Pixels landing off `canvas` are counted in `outside`.
inline PixelMask DisplayModel(const PixelMask &region, LONG view, const RegionXForm &xform, const PixelMask &canvas) {
    const PerspectiveTurn turn(view, xform.Perspective, region.width, region.height);
    const bool roundRowsUp = xform.Perspective == 2 || (xform.Perspective == 0 && view == 4);
    PixelMask out(canvas.width, canvas.height, canvas.originX, canvas.originY);
    for (LONG r = 0; r < region.height; ++r)
        for (LONG c = 0; c < region.width; ++c) {
            if (!region.Get(c, r)) continue;
            const Point p = turn.Map(c, r);
            const LONG x0 = ScaleEdgeModel(p.x, xform.XNum, xform.XDen, true);
            const LONG x1 = ScaleEdgeModel(p.x + 1, xform.XNum, xform.XDen, true);
            const LONG y0 = ScaleEdgeModel(p.y, xform.YNum, xform.YDen, roundRowsUp);
            const LONG y1 = ScaleEdgeModel(p.y + 1, xform.YNum, xform.YDen, roundRowsUp);
            for (LONG dy = y0 + xform.YOffset; dy < y1 + xform.YOffset; ++dy)
                for (LONG dx = x0 + xform.XOffset; dx < x1 + xform.XOffset; ++dx) {
                    if (out.Inside(dx, dy)) out.Set(dx, dy);
                    else ++out.outside;
                }
        }
    return out;
}

}  // namespace zelt::test
