// The record side of the per-pixel region model: records to masks and
// back, the structural rules of a record, bitmaps owning a test region,
// the combination modes, and where a region lands in display space.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "region/region_internal.h"
#include "support/leak_guard.h"
#include "support/perspective_oracle.h"
#include "support/pixel_mask.h"

namespace zelt::test {

using RecordPtr = region::OwnedRegion;

// A record of the set pixels of the mask, written through the builder.
inline RecordPtr RecordFromMask(const PixelMask &mask) {
    region::RegionBuilder builder;
    const RECT box{mask.originX, mask.originY, mask.originX + mask.width, mask.originY + mask.height};
    if (region::BeginRegion(builder, box) != STATUS_OK) return nullptr;
    for (LONG y = box.top; y < box.bottom; ++y) {
        for (LONG x = box.left; x < box.right;) {
            while (x < box.right && !mask.Get(x, y)) ++x;
            const LONG start = x;
            while (x < box.right && mask.Get(x, y)) ++x;
            if (x > start) region::AppendRun(builder, start, x);
        }
        if (region::EndRegionRow(builder) != STATUS_OK) return nullptr;
    }
    return RecordPtr(region::FinishRegion(builder));
}

// The pixels a record selects on the canvas of `like`; pixels off it are
// counted in `outside`.
inline PixelMask MaskFromRecord(const RegionRecord &record, const PixelMask &like) {
    PixelMask mask(like.width, like.height, like.originX, like.originY);
    for (LONG y = record.Bounds.top; y < record.Bounds.bottom; ++y) {
        const region::RowRuns row = region::RowOf(record, y);
        for (DWORD i = 0; i + 1 < row.count; i += 2)
            for (LONG x = row.values[i]; x < row.values[i + 1]; ++x)
                mask.Inside(x, y) ? mask.Set(x, y) : void(++mask.outside);
    }
    return mask;
}

// Pairs ascending and apart (touching runs merge), start < end; Bounds
// tight; no stored leading or trailing empty row; buffers of the recorded
// sizes; an empty record all zero with null buffers.
inline ::testing::AssertionResult RecordIsWellFormed(const RegionRecord &r) {
    auto fail = [](const std::string &why) { return ::testing::AssertionFailure() << why; };
    const LONG rows = r.Bounds.bottom - r.Bounds.top;
    if (rows <= 0 || r.Bounds.right <= r.Bounds.left) {
        const RECT &b = r.Bounds;
        if (b.left || b.top || b.right || b.bottom || r.RowTableBytes || r.RowTable || r.RunBytes || r.RunData)
            return fail("bad empty record");
        return ::testing::AssertionSuccess();
    }
    const DWORD tableBytes = DWORD(rows) * sizeof(RowEntry);
    if (!r.RowTable || r.RowTableBytes != tableBytes || GlobalSize(GlobalHandle(r.RowTable)) < tableBytes)
        return fail("bad row table");
    DWORD values = 0;
    LONG left = LONG(0x7FFFFFFF), right = LONG(0x80000000);
    for (LONG i = 0; i < rows; ++i) {
        const RowEntry &e = r.RowTable[i];
        const LONG *v = r.RunData + e.Offset / sizeof(LONG);
        bool bad = e.Count % 2 != 0 || (e.Count == 0 && (e.Offset != 0 || i == 0 || i == rows - 1)) ||
                   (e.Count > 0 && e.Offset != values * sizeof(LONG));
        for (DWORD k = 0; !bad && k < e.Count; k += 2) bad = v[k] >= v[k + 1] || (k > 0 && v[k] <= v[k - 1]);
        if (bad) return fail("bad row " + std::to_string(i));
        if (e.Count == 0) continue;
        left = std::min(left, v[0]);
        right = std::max(right, v[e.Count - 1]);
        values += e.Count;
    }
    if (!r.RunData || r.RunBytes != values * sizeof(LONG) || GlobalSize(GlobalHandle(r.RunData)) < r.RunBytes)
        return fail("bad run data");
    return left == r.Bounds.left && right == r.Bounds.right ? ::testing::AssertionSuccess() : fail("Bounds not tight");
}

inline PixelMask WholeCanvas(LONG w, LONG h) {
    return ModelOf(w, h, 0, 0, [](LONG, LONG) { return true; });
}

// What a bitmap selects, on the canvas of `like` or its own: its region,
// which must be well formed, or all of it.
inline PixelMask SelectionOf(const BitmapRecord &bitmap, const PixelMask *like = nullptr) {
    const PixelMask on = like ? PixelMask(like->width, like->height, like->originX, like->originY)
                              : PixelMask(bitmap.Width, bitmap.Height);
    if (bitmap.Region == nullptr)
        return ModelOf(on.width, on.height, on.originX, on.originY,
                       [&](LONG x, LONG y) { return x >= 0 && y >= 0 && x < bitmap.Width && y < bitmap.Height; });
    EXPECT_TRUE(RecordIsWellFormed(*bitmap.Region));
    return MaskFromRecord(*bitmap.Region, on);
}

// A described bitmap (no image data) owning the region attached to it.
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
    ~RegionBitmap() { KrnFreeRegion(record.Region); }
    BitmapRecord *get() { return &record; }
    RegionRecord &region() { return *record.Region; }
    PixelMask Selection() const { return SelectionOf(record); }
};

// Whether a pixel is selected after a fresh shape is merged by `mode`.
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

// The pixel of the picture stored in perspective `to` that displays where
// stored pixel (c, r) of a w x h image in perspective `view` displays. A
// quarter turn is undone by the other one; every other perspective undoes
// itself.
inline Point Restored(int view, int to, int w, int h, int c, int r) {
    const Point shown = Displayed(view, w, h, c, r);
    const int undo = to == 4 ? 8 : to == 8 ? 4 : to;
    return ExchangesAxes(view) ? Displayed(undo, h, w, shown.x, shown.y) : Displayed(undo, w, h, shown.x, shown.y);
}

// (v * num + den - 1) / den, or rounded down; 0 stays 0.
inline LONG ScaleEdgeModel(LONG v, LONG num, LONG den, bool roundUp = true) {
    return v == 0 ? 0 : LONG((int64_t(v) * num + (roundUp ? den - 1 : 0)) / den);
}

// Where a region of a bitmap stored in perspective `view` lands in display
// space under `xform`, on the canvas of `like`: each pixel moves to where a
// picture stored in xform.Perspective holds it, becomes the block its
// scaled edges span, and is offset.
inline PixelMask DisplayModel(const PixelMask &region, LONG view, const RegionXForm &xform, const PixelMask &like) {
    const bool rowsUp = xform.Perspective == 2 || (xform.Perspective == 0 && view == 4);
    auto column = [&](LONG v) { return ScaleEdgeModel(v, xform.XNum, xform.XDen) + xform.XOffset; };
    auto row = [&](LONG v) { return ScaleEdgeModel(v, xform.YNum, xform.YDen, rowsUp) + xform.YOffset; };
    PixelMask out(like.width, like.height, like.originX, like.originY);
    for (LONG r = 0; r < region.height; ++r)
        for (LONG c = 0; c < region.width; ++c) {
            if (!region.Get(c, r)) continue;
            const Point p = Restored(int(view), int(xform.Perspective), int(region.width), int(region.height), c, r);
            for (LONG y = row(p.y); y < row(p.y + 1); ++y)
                for (LONG x = column(p.x); x < column(p.x + 1); ++x)
                    out.Inside(x, y) ? out.Set(x, y) : void(++out.outside);
        }
    return out;
}

}  // namespace zelt::test
