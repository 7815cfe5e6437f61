// A per-pixel model of selection regions for tests: a byte per pixel over a
// fixed canvas, conversions between the model and region records, seeded
// random shapes, and the structural invariants every record must satisfy.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "region/region_internal.h"

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
struct RecordDeleter {
    void operator()(RegionRecord *r) const { KrnFreeRegion(r); }
};
using RecordPtr = std::unique_ptr<RegionRecord, RecordDeleter>;

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

}  // namespace zelt::test
