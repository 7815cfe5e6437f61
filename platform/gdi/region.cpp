// Region representation and set operations: one sweep down the bands of
// both operands, with a per-mode function merging the spans of each slice.
#include "gdi/region.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>

namespace zelt::platform {

namespace {

using Span = RegionData::Span;

// Offsets in 64 bits, then narrowed: region coordinates stay within ±2^26,
// so this only matters for hostile input, which must not be undefined.
LONG Shift(LONG value, int delta) { return static_cast<LONG>(static_cast<std::int64_t>(value) + delta); }

// Merges the spans of one slice of rows where `a` and `b` both apply: a
// column is in the result when Op(in a, in b). All edges at the same x are
// taken before the state is tested, so touching spans come out merged.
template <class Op>
void MergeSpans(const Span *a, const Span *aEnd, const Span *b, const Span *bEnd, RegionBuilder &out) {
    bool inA = false;
    bool inB = false;
    bool inside = false;
    LONG start = 0;
    while (a != aEnd || b != bEnd) {
        const LONG nextA = a == aEnd ? 0 : (inA ? a->x1 : a->x0);
        const LONG nextB = b == bEnd ? 0 : (inB ? b->x1 : b->x0);
        LONG x;
        if (a == aEnd)
            x = nextB;
        else if (b == bEnd)
            x = nextA;
        else
            x = std::min(nextA, nextB);
        if (a != aEnd && nextA == x) {
            if (inA) ++a;
            inA = !inA;
        }
        if (b != bEnd && nextB == x) {
            if (inB) ++b;
            inB = !inB;
        }
        const bool now = Op{}(inA, inB);
        if (now != inside) {
            if (now)
                start = x;
            else
                out.AddSpan(start, x);
            inside = now;
        }
    }
}

struct AndOp {
    bool operator()(bool a, bool b) const { return a && b; }
};
struct OrOp {
    bool operator()(bool a, bool b) const { return a || b; }
};
struct XorOp {
    bool operator()(bool a, bool b) const { return a != b; }
};
struct DiffOp {
    bool operator()(bool a, bool b) const { return a && !b; }
};

using SliceMerger = void (*)(const Span *, const Span *, const Span *, const Span *, RegionBuilder &);

struct ModeTraits {
    SliceMerger merge;
    bool keepAOnly;  // rows where only a has spans appear in the result
    bool keepBOnly;  // rows where only b has spans appear in the result
};

// Indexed by RGN_AND .. RGN_DIFF.
constexpr std::array<ModeTraits, 5> kModes{{
    {nullptr, false, false},
    {&MergeSpans<AndOp>, false, false},
    {&MergeSpans<OrOp>, true, true},
    {&MergeSpans<XorOp>, true, true},
    {&MergeSpans<DiffOp>, true, false},
}};

void CopySpans(const Span *begin, const Span *end, RegionBuilder &out) {
    for (; begin != end; ++begin) out.AddSpan(begin->x0, begin->x1);
}

RegionData Sweep(const RegionData &a, const RegionData &b, const ModeTraits &mode) {
    const auto &aBands = a.Bands();
    const auto &bBands = b.Bands();
    const Span *aSpans = a.Spans().data();
    const Span *bSpans = b.Spans().data();
    RegionBuilder out;
    std::size_t ia = 0;
    std::size_t ib = 0;
    LONG y = std::min(aBands.empty() ? 0 : aBands.front().top, bBands.empty() ? 0 : bBands.front().top);

    auto emitAlone = [&](const RegionData::Band &band, const Span *spans, LONG top, LONG bottom) {
        out.BeginBand(top, bottom);
        CopySpans(spans + band.spanBegin, spans + band.spanEnd, out);
        out.EndBand();
    };

    while (ia < aBands.size() && ib < bBands.size()) {
        const RegionData::Band &bandA = aBands[ia];
        const RegionData::Band &bandB = bBands[ib];
        const LONG topA = std::max(bandA.top, y);
        const LONG topB = std::max(bandB.top, y);
        if (topA < topB) {
            y = std::min(bandA.bottom, topB);
            if (mode.keepAOnly) emitAlone(bandA, aSpans, topA, y);
        } else if (topB < topA) {
            y = std::min(bandB.bottom, topA);
            if (mode.keepBOnly) emitAlone(bandB, bSpans, topB, y);
        } else {
            y = std::min(bandA.bottom, bandB.bottom);
            out.BeginBand(topA, y);
            mode.merge(aSpans + bandA.spanBegin, aSpans + bandA.spanEnd, bSpans + bandB.spanBegin,
                       bSpans + bandB.spanEnd, out);
            out.EndBand();
        }
        if (bandA.bottom <= y) ++ia;
        if (bandB.bottom <= y) ++ib;
    }
    if (mode.keepAOnly)
        for (; ia < aBands.size(); ++ia) emitAlone(aBands[ia], aSpans, std::max(aBands[ia].top, y), aBands[ia].bottom);
    if (mode.keepBOnly)
        for (; ib < bBands.size(); ++ib) emitAlone(bBands[ib], bSpans, std::max(bBands[ib].top, y), bBands[ib].bottom);
    return out.Finish();
}

}  // namespace

// ---- RegionBuilder ----------------------------------------------------------

void RegionBuilder::BeginBand(LONG top, LONG bottom) {
    bandStart_ = region_.spans_.size();
    top_ = top;
    bottom_ = bottom;
}

void RegionBuilder::AddSpan(LONG x0, LONG x1) {
    if (x0 >= x1) return;
    auto &spans = region_.spans_;
    if (spans.size() > bandStart_ && x0 <= spans.back().x1) {
        spans.back().x1 = std::max(spans.back().x1, x1);
        return;
    }
    spans.push_back({x0, x1});
}

void RegionBuilder::EndBand() {
    auto &spans = region_.spans_;
    auto &bands = region_.bands_;
    const std::size_t count = spans.size() - bandStart_;
    if (count == 0 || top_ >= bottom_) {
        spans.resize(bandStart_);
        return;
    }
    if (!bands.empty()) {
        RegionData::Band &last = bands.back();
        if (last.bottom == top_ && last.spanEnd - last.spanBegin == count &&
            std::equal(spans.begin() + last.spanBegin, spans.begin() + last.spanEnd, spans.begin() + bandStart_)) {
            last.bottom = bottom_;
            spans.resize(bandStart_);
            return;
        }
    }
    bands.push_back({top_, bottom_, static_cast<std::uint32_t>(bandStart_), static_cast<std::uint32_t>(spans.size())});
}

RegionData RegionBuilder::Finish() {
    region_.RecomputeBounds();
    assert(region_.Validate() && "every region leaves the builder canonical");
    RegionData done = std::move(region_);
    region_ = RegionData();
    bandStart_ = 0;
    return done;
}

// ---- RegionData -------------------------------------------------------------

RegionData RegionData::FromRect(const RECT &rect) {
    RegionData region;
    if (rect.left >= rect.right || rect.top >= rect.bottom) return region;
    region.bands_.push_back({rect.top, rect.bottom, 0, 1});
    region.spans_.push_back({rect.left, rect.right});
    region.bounds_ = rect;
    return region;
}

RegionData RegionData::Combine(const RegionData &a, const RegionData &b, int mode) {
    if (mode == RGN_COPY) return a;
    if (mode < RGN_AND || mode > RGN_DIFF) return RegionData();
    return Sweep(a, b, kModes[static_cast<std::size_t>(mode)]);
}

int RegionData::Complexity() const noexcept {
    if (bands_.empty()) return NULLREGION;
    return spans_.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

std::size_t RegionData::FirstBandBelow(LONG y) const noexcept {
    const auto it = std::upper_bound(bands_.begin(), bands_.end(), y,
                                     [](LONG value, const Band &band) { return value < band.bottom; });
    return static_cast<std::size_t>(it - bands_.begin());
}

RegionData RegionData::Intersect(const RECT &rect) const {
    RegionBuilder out;
    if (rect.left >= rect.right || rect.top >= rect.bottom) return out.Finish();
    for (std::size_t i = FirstBandBelow(rect.top); i < bands_.size() && bands_[i].top < rect.bottom; ++i) {
        const Band &band = bands_[i];
        out.BeginBand(std::max(band.top, rect.top), std::min(band.bottom, rect.bottom));
        for (std::uint32_t s = band.spanBegin; s < band.spanEnd; ++s) {
            if (spans_[s].x0 >= rect.right) break;
            out.AddSpan(std::max(spans_[s].x0, rect.left), std::min(spans_[s].x1, rect.right));
        }
        out.EndBand();
    }
    return out.Finish();
}

void RegionData::Offset(int dx, int dy) {
    if (bands_.empty()) return;
    for (Band &band : bands_) {
        band.top = Shift(band.top, dy);
        band.bottom = Shift(band.bottom, dy);
    }
    for (Span &span : spans_) {
        span.x0 = Shift(span.x0, dx);
        span.x1 = Shift(span.x1, dx);
    }
    bounds_ = {Shift(bounds_.left, dx), Shift(bounds_.top, dy), Shift(bounds_.right, dx), Shift(bounds_.bottom, dy)};
}

bool RegionData::Contains(int x, int y) const noexcept {
    const std::size_t i = FirstBandBelow(y);
    if (i == bands_.size() || bands_[i].top > y) return false;
    const Span *begin = spans_.data() + bands_[i].spanBegin;
    const Span *end = spans_.data() + bands_[i].spanEnd;
    // The first span ending right of x is the only candidate.
    const Span *it = std::upper_bound(begin, end, x, [](LONG value, const Span &span) { return value < span.x1; });
    return it != end && it->x0 <= x;
}

bool RegionData::Overlaps(const RECT &rect) const noexcept {
    if (rect.left >= rect.right || rect.top >= rect.bottom) return false;
    for (std::size_t i = FirstBandBelow(rect.top); i < bands_.size() && bands_[i].top < rect.bottom; ++i) {
        const Span *begin = spans_.data() + bands_[i].spanBegin;
        const Span *end = spans_.data() + bands_[i].spanEnd;
        const Span *it =
            std::upper_bound(begin, end, rect.left, [](LONG value, const Span &span) { return value < span.x1; });
        if (it != end && it->x0 < rect.right) return true;
    }
    return false;
}

void RegionData::Clear() noexcept {
    bands_.clear();
    spans_.clear();
    bounds_ = {0, 0, 0, 0};
}

void RegionData::RecomputeBounds() noexcept {
    if (bands_.empty()) {
        bounds_ = {0, 0, 0, 0};
        return;
    }
    LONG left = spans_[bands_.front().spanBegin].x0;
    LONG right = spans_[bands_.front().spanEnd - 1].x1;
    for (const Band &band : bands_) {
        left = std::min(left, spans_[band.spanBegin].x0);
        right = std::max(right, spans_[band.spanEnd - 1].x1);
    }
    bounds_ = {left, bands_.front().top, right, bands_.back().bottom};
}

bool RegionData::Validate() const noexcept {
    if (bands_.empty()) {
        return spans_.empty() && bounds_.left == 0 && bounds_.top == 0 && bounds_.right == 0 && bounds_.bottom == 0;
    }
    std::uint32_t expectedBegin = 0;
    LONG left = spans_.front().x0;
    LONG right = spans_.front().x1;
    for (std::size_t i = 0; i < bands_.size(); ++i) {
        const Band &band = bands_[i];
        if (band.top >= band.bottom) return false;
        if (band.spanBegin != expectedBegin || band.spanEnd <= band.spanBegin || band.spanEnd > spans_.size())
            return false;
        expectedBegin = band.spanEnd;
        for (std::uint32_t s = band.spanBegin; s < band.spanEnd; ++s) {
            if (spans_[s].x0 >= spans_[s].x1) return false;
            if (s > band.spanBegin && spans_[s - 1].x1 >= spans_[s].x0) return false;
            left = std::min(left, spans_[s].x0);
            right = std::max(right, spans_[s].x1);
        }
        if (i > 0) {
            const Band &above = bands_[i - 1];
            if (above.bottom > band.top) return false;
            if (above.bottom == band.top && above.spanEnd - above.spanBegin == band.spanEnd - band.spanBegin &&
                std::equal(spans_.begin() + above.spanBegin, spans_.begin() + above.spanEnd,
                           spans_.begin() + band.spanBegin))
                return false;
        }
    }
    if (expectedBegin != spans_.size()) return false;
    return bounds_.left == left && bounds_.right == right && bounds_.top == bands_.front().top &&
           bounds_.bottom == bands_.back().bottom;
}

}  // namespace zelt::platform
