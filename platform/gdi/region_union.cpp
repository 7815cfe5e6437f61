// The union of a rectangle list in two ways.
//
// Banded lists (what GetRegionData writes, what a row-by-row scan gives)
// go straight into the builder in one pass: consecutive rectangles sharing
// top and bottom form a band, each band starts at or below the previous
// band's bottom, and lefts do not decrease within a band. Overlapping or
// touching spans of a band and equal neighbouring bands are merged by the
// builder, so the result is canonical.
//
// Any other list is sorted by top, then left (a radix sort), and swept
// downwards. At every top or bottom edge the rectangles crossing the slice
// below, kept sorted by left, give the spans of that slice; a heap of their
// bottoms says where the slice ends.
#include "gdi/region_union.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

namespace zelt::platform {

namespace {

RECT LoadRect(const unsigned char *bytes, std::size_t index) {
    RECT rect;
    std::memcpy(&rect, bytes + index * sizeof(RECT), sizeof rect);
    return rect;
}

bool HasPixels(const RECT &rect) { return rect.left < rect.right && rect.top < rect.bottom; }

// One pass over a banded list into `out`. False as soon as a rectangle
// breaks the band order (the builder is then only partly filled).
bool BuildBanded(const unsigned char *bytes, std::size_t count, RegionBuilder &out) {
    bool open = false;
    LONG top = 0;
    LONG bottom = 0;
    LONG lastLeft = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const RECT rect = LoadRect(bytes, i);
        if (!HasPixels(rect)) continue;
        if (open && rect.top == top && rect.bottom == bottom) {
            if (rect.left < lastLeft) return false;
        } else {
            if (open) {
                if (rect.top < bottom) return false;
                out.EndBand();
            }
            top = rect.top;
            bottom = rect.bottom;
            open = true;
            out.BeginBand(top, bottom);
        }
        lastLeft = rect.left;
        out.AddSpan(rect.left, rect.right);
    }
    if (open) out.EndBand();
    return true;
}

// A rectangle of a general list: top and left in one sort key (each biased
// to unsigned, top in the high half), then right and bottom.
struct Item {
    std::uint64_t key;
    LONG right;
    LONG bottom;
};

constexpr std::uint32_t kSignBit = 0x80000000u;

Item ItemOf(const RECT &rect) {
    const std::uint64_t top = std::uint32_t(rect.top) ^ kSignBit;
    const std::uint64_t left = std::uint32_t(rect.left) ^ kSignBit;
    return {top << 32 | left, rect.right, rect.bottom};
}
LONG TopOf(const Item &item) { return LONG(std::uint32_t(item.key >> 32) ^ kSignBit); }
LONG LeftOf(const Item &item) { return LONG(std::uint32_t(item.key) ^ kSignBit); }

// Sorts by key, eight bits at a time from the lowest; digits every key
// shares are skipped, so small coordinate ranges take few passes.
void RadixSort(std::vector<Item> &items) {
    constexpr int kDigits = 8;
    std::array<std::array<std::size_t, 256>, kDigits> counts{};
    for (const Item &item : items)
        for (int d = 0; d < kDigits; ++d) ++counts[d][(item.key >> (8 * d)) & 0xFF];
    std::vector<Item> sorted(items.size());
    for (int d = 0; d < kDigits; ++d) {
        auto &count = counts[d];
        if (items.empty() || count[(items.front().key >> (8 * d)) & 0xFF] == items.size()) continue;
        std::size_t position = 0;
        for (std::size_t &c : count) position += std::exchange(c, position);
        for (const Item &item : items) sorted[count[(item.key >> (8 * d)) & 0xFF]++] = item;
        items.swap(sorted);
    }
}

// A rectangle crossing the current slice: its columns and the row it ends at.
struct Crossing {
    LONG left;
    LONG right;
    LONG bottom;
};

// Emits the union of spans arriving sorted by left as merged spans.
class SpanMerger {
public:
    explicit SpanMerger(RegionBuilder &out) : out_(out) {}
    void Add(LONG left, LONG right) {
        if (open_ && left <= right_) {
            right_ = (std::max)(right_, right);
            return;
        }
        if (open_) out_.AddSpan(left_, right_);
        left_ = left;
        right_ = right;
        open_ = true;
    }
    void Finish() {
        if (open_) out_.AddSpan(left_, right_);
        open_ = false;
    }

private:
    RegionBuilder &out_;
    LONG left_ = 0;
    LONG right_ = 0;
    bool open_ = false;
};

RegionData SweepUnion(std::vector<Item> &items) {
    RadixSort(items);
    RegionBuilder out;
    std::vector<Crossing> crossing;
    std::vector<Crossing> merged;
    // Bottoms of the rectangles crossing, lowest first: the next slice ends
    // at the first of them or at the next top.
    std::priority_queue<LONG, std::vector<LONG>, std::greater<LONG>> bottoms;
    const std::size_t count = items.size();
    std::size_t next = 0;  // first rectangle not yet crossing
    LONG y = 0;
    while (next < count || !crossing.empty()) {
        if (crossing.empty()) y = TopOf(items[next]);
        std::size_t starting = next;
        for (; starting < count && TopOf(items[starting]) == y; ++starting) bottoms.push(items[starting].bottom);
        while (!bottoms.empty() && bottoms.top() <= y) bottoms.pop();
        if (bottoms.empty()) {
            crossing.clear();
            next = starting;
            continue;
        }
        const LONG sliceBottom = starting < count ? (std::min)(bottoms.top(), TopOf(items[starting])) : bottoms.top();

        // Both lists are sorted by left: merge them, dropping what ended at
        // y, and emit the slice's spans on the way.
        out.BeginBand(y, sliceBottom);
        SpanMerger spans(out);
        merged.clear();
        auto keep = [&](LONG left, LONG right, LONG bottom) {
            if (bottom <= y) return;
            merged.push_back({left, right, bottom});
            spans.Add(left, right);
        };
        std::size_t i = 0;
        std::size_t j = next;
        while (i < crossing.size() || j < starting) {
            if (j == starting || (i < crossing.size() && crossing[i].left <= LeftOf(items[j]))) {
                keep(crossing[i].left, crossing[i].right, crossing[i].bottom);
                ++i;
            } else {
                keep(LeftOf(items[j]), items[j].right, items[j].bottom);
                ++j;
            }
        }
        spans.Finish();
        out.EndBand();
        next = starting;
        crossing.swap(merged);
        y = sliceBottom;
    }
    return out.Finish();
}

}  // namespace

RegionData UnionOfRects(const void *rects, std::size_t count) {
    const auto *bytes = static_cast<const unsigned char *>(rects);
    {
        RegionBuilder banded;
        if (BuildBanded(bytes, count, banded)) return banded.Finish();
    }
    std::vector<Item> items;
    items.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const RECT rect = LoadRect(bytes, i);
        if (HasPixels(rect)) items.push_back(ItemOf(rect));
    }
    return SweepUnion(items);
}

}  // namespace zelt::platform
