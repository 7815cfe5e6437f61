// GDI regions: a set of pixels kept as y-x banded rectangles.
//
// A valid RegionData (checked by Validate()) satisfies:
//   1. Bands are sorted by y and do not overlap: band[i].bottom <= band[i+1].top,
//      and every band has top < bottom.
//   2. Every band holds at least one span; its spans are sorted by x, each
//      span has x0 < x1, and two spans of one band neither overlap nor touch
//      (span[j].x1 < span[j+1].x0).
//   3. Two vertically adjacent bands (band[i].bottom == band[i+1].top) never
//      hold identical spans: such bands are merged.
//   4. The bounds are the smallest rectangle holding every span; an empty
//      region has no bands and bounds (0,0,0,0).
// So a pixel set has exactly one representation, and two regions are equal
// iff their bands and spans are equal. Right and bottom edges are exclusive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "gdi/gdi_object.h"

namespace zelt::platform {

class RegionData {
public:
    // One band: rows [top, bottom) holding spans [spanBegin, spanEnd) of the
    // region's span array.
    struct Band {
        LONG top;
        LONG bottom;
        std::uint32_t spanBegin;
        std::uint32_t spanEnd;
        bool operator==(const Band &) const = default;
    };
    // Columns [x0, x1).
    struct Span {
        LONG x0;
        LONG x1;
        bool operator==(const Span &) const = default;
    };

    RegionData() = default;

    // Pixels of `rect`; empty when it has no width or height. The corners are
    // taken as given (callers normalise inverted rectangles first).
    static RegionData FromRect(const RECT &rect);
    // The set operation `mode` (RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY)
    // of a and b; an unknown mode gives an empty region.
    static RegionData Combine(const RegionData &a, const RegionData &b, int mode);

    bool Empty() const noexcept { return bands_.empty(); }
    RECT Bounds() const noexcept { return bounds_; }
    // NULLREGION, SIMPLEREGION (one rectangle) or COMPLEXREGION.
    int Complexity() const noexcept;
    // Number of rectangles ForEachRect reports.
    std::size_t RectCount() const noexcept { return spans_.size(); }

    // Calls f(const RECT &) for every rectangle, in y-then-x order.
    template <class F>
    void ForEachRect(F f) const {
        for (const Band &band : bands_) {
            for (std::uint32_t i = band.spanBegin; i < band.spanEnd; ++i) {
                const RECT rect{spans_[i].x0, band.top, spans_[i].x1, band.bottom};
                f(rect);
            }
        }
    }

    RegionData Intersect(const RECT &rect) const;
    void Offset(int dx, int dy);
    bool Contains(int x, int y) const noexcept;
    // True when some pixel of `rect` is in the region.
    bool Overlaps(const RECT &rect) const noexcept;
    void Clear() noexcept;

    // Checks the invariants stated at the top of this file.
    bool Validate() const noexcept;

    bool operator==(const RegionData &other) const noexcept {
        return bands_ == other.bands_ && spans_ == other.spans_;
    }

    const std::vector<Band> &Bands() const noexcept { return bands_; }
    const std::vector<Span> &Spans() const noexcept { return spans_; }

private:
    friend class RegionBuilder;
    // Index of the first band whose bottom lies below y (bands_.size() if none).
    std::size_t FirstBandBelow(LONG y) const noexcept;
    void RecomputeBounds() noexcept;

    std::vector<Band> bands_;
    std::vector<Span> spans_;
    RECT bounds_{0, 0, 0, 0};
};

// Builds a canonical region from bands given in increasing y order: each
// AddBand call supplies rows [top, bottom) and their spans sorted by x
// (spans may touch or be empty; they are merged or dropped here). Adjacent
// bands with equal spans are merged.
class RegionBuilder {
public:
    // Starts a band of rows [top, bottom); top must not precede the previous
    // band's bottom.
    void BeginBand(LONG top, LONG bottom);
    // Adds a span to the current band; x0 must be >= the previous span's x0.
    void AddSpan(LONG x0, LONG x1);
    void EndBand();
    RegionData Finish();

private:
    RegionData region_;
    std::size_t bandStart_ = 0;  // first span of the band being built
    LONG top_ = 0;
    LONG bottom_ = 0;
};

// The GDI object behind an HRGN.
class RegionObject final : public GdiObject {
public:
    static constexpr ObjectKind kKind = ObjectKind::Region;
    RegionObject() noexcept : GdiObject(kKind) {}
    explicit RegionObject(RegionData region) noexcept : GdiObject(kKind), data(std::move(region)) {}

    RegionData data;
};

}  // namespace zelt::platform
