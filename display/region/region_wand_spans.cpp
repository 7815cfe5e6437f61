// The magic wand's fill, span by span. A span is a whole run of pixels
// within tolerance on one row, selected the moment it is found; the stack
// holds spans whose rows above and below are still to be scanned. Scanning
// a neighbour row across a span looks for pixels within tolerance and not
// yet selected (bit operations on two bit rows), and claims each one's
// whole run, reaching left of the span only where the run starts at its
// left end. Because selected runs are always whole, a pixel within
// tolerance that is not selected belongs to a run nobody has claimed yet.
#include <algorithm>

#include "region/region_wand.h"

namespace zelt::region {

namespace {

struct WandSpan {
    LONG left, right, y;  // pixels [left, right) of row y
};

// Spans waiting for their neighbour rows: one block, doubled when full.
class SpanStack {
public:
    SpanStack() = default;
    SpanStack(const SpanStack &) = delete;
    SpanStack &operator=(const SpanStack &) = delete;
    ~SpanStack() { KrnFreeMem(entries_); }

    bool Open() {
        entries_ = static_cast<WandSpan *>(KrnAllocMem(DWORD(kFirstCapacity * sizeof(WandSpan))));
        capacity_ = entries_ != nullptr ? kFirstCapacity : 0;
        return entries_ != nullptr;
    }
    bool Push(const WandSpan &span) {
        if (count_ == capacity_ && !Grow()) return false;
        entries_[count_++] = span;
        return true;
    }
    bool Empty() const { return count_ == 0; }
    WandSpan Pop() { return entries_[--count_]; }

private:
    static constexpr size_t kFirstCapacity = 1024;

    bool Grow() {
        const uint64_t bytes = uint64_t(capacity_) * 2 * sizeof(WandSpan);
        if (bytes > 0xFFFFFFFFu) return false;
        void *grown = KrnReallocMem(entries_, DWORD(bytes));
        if (grown == nullptr) return false;  // the old block stays ours
        entries_ = static_cast<WandSpan *>(grown);
        capacity_ *= 2;
        return true;
    }

    WandSpan *entries_ = nullptr;
    size_t count_ = 0;
    size_t capacity_ = 0;
};

// Which pixels lie within tolerance, in the selection's layout, worked out
// 64 pixels at a time the first time any of them is asked about: every
// pixel goes through the depth's test at most once, and the scans below
// are bit operations.
class InsideRows {
public:
    InsideRows(const WandImage &image, const WandPixelTest &test, size_t wordsPerRow)
        : image_(image), test_(test), wordsPerRow_(wordsPerRow) {}
    InsideRows(const InsideRows &) = delete;
    InsideRows &operator=(const InsideRows &) = delete;
    ~InsideRows() {
        KrnFreeMem(words_);
        KrnFreeMem(known_);
    }

    bool Open() {
        const uint64_t count = uint64_t(wordsPerRow_) * uint64_t(image_.height);
        if (count * sizeof(uint64_t) > 0xFFFFFFFFu) return false;
        words_ = static_cast<uint64_t *>(KrnAllocMem(DWORD(count * sizeof(uint64_t))));
        known_ = static_cast<BYTE *>(KrnAllocZeroed(DWORD(count)));
        return words_ != nullptr && known_ != nullptr;
    }

    // Pixels 64k .. 64k + 63 of row y; bits past the width are clear.
    uint64_t Word(LONG y, size_t k) {
        const size_t at = size_t(y) * wordsPerRow_ + k;
        if (known_[at] == 0) {
            const LONG x = LONG(k * 64);
            const int count = int((std::min<LONG>)(64, image_.width - x));
            words_[at] = test_.mask(test_, image_.data + size_t(y) * image_.stride, x, count);
            known_[at] = 1;
        }
        return words_[at];
    }

    // The first pixel at or after x that is out of tolerance (the width
    // when there is none).
    LONG RunEnd(LONG y, LONG x) {
        size_t k = size_t(x >> 6);
        uint64_t outside = ~Word(y, k) & (~uint64_t{0} << (x & 63));
        const size_t used = wordsPerRow_ - 1;
        while (outside == 0 && ++k < used) outside = ~Word(y, k);
        return outside == 0 ? image_.width : (std::min<LONG>)(image_.width, LONG(k * 64) + LONG(std::countr_zero(outside)));
    }

    // The first pixel of the run within tolerance that ends just before x
    // (x itself when pixel x - 1 is out of tolerance or x is 0).
    LONG RunStart(LONG y, LONG x) {
        if (x == 0) return 0;
        size_t k = size_t((x - 1) >> 6);
        uint64_t outside = ~Word(y, k) & (~uint64_t{0} >> (63 - ((x - 1) & 63)));
        while (outside == 0 && k > 0) outside = ~Word(y, --k);
        return outside == 0 ? 0 : LONG(k * 64) + 64 - LONG(std::countl_zero(outside));
    }

private:
    const WandImage &image_;
    const WandPixelTest &test_;
    size_t wordsPerRow_;
    uint64_t *words_ = nullptr;
    BYTE *known_ = nullptr;  // a byte a word: worked out yet
};

class SpanFill {
public:
    SpanFill(const WandImage &image, const WandPixelTest &test, const WandBits &bits)
        : image_(image), bits_(bits), inside_(image, test, bits.wordsPerRow) {}

    int Run(LONG x, LONG y) {
        if (!stack_.Open() || !inside_.Open()) return STATUS_NO_MEMORY;
        const WandSpan seed{inside_.RunStart(y, x), x + 1 < image_.width ? inside_.RunEnd(y, x + 1) : x + 1, y};
        WandBits::Set(bits_.Row(y), seed.left, seed.right);
        if (!stack_.Push(seed)) return STATUS_NO_MEMORY;
        while (!stack_.Empty()) {
            const WandSpan span = stack_.Pop();
            if (span.y > 0 && !ClaimAcross(span, span.y - 1)) return STATUS_NO_MEMORY;
            if (span.y + 1 < image_.height && !ClaimAcross(span, span.y + 1)) return STATUS_NO_MEMORY;
        }
        return STATUS_OK;
    }

private:
    // The first pixel of row y in [x, limit) within tolerance and not yet
    // selected, or limit.
    LONG NextUnclaimed(LONG y, const uint64_t *selected, LONG x, LONG limit) {
        size_t k = size_t(x >> 6);
        const size_t last = size_t((limit - 1) >> 6);
        uint64_t open = inside_.Word(y, k) & ~selected[k] & (~uint64_t{0} << (x & 63));
        while (open == 0 && k < last) {
            ++k;
            open = inside_.Word(y, k) & ~selected[k];
        }
        return open == 0 ? limit : (std::min<LONG>)(limit, LONG(k * 64) + LONG(std::countr_zero(open)));
    }

    // Claims every unclaimed run of row y that touches the span's columns.
    bool ClaimAcross(const WandSpan &span, LONG y) {
        uint64_t *selected = bits_.Row(y);
        for (LONG x = NextUnclaimed(y, selected, span.left, span.right); x < span.right;) {
            // Only a run at the span's left end can reach further left:
            // anywhere else the pixel before x is out of tolerance.
            const WandSpan run{x == span.left ? inside_.RunStart(y, x) : x, inside_.RunEnd(y, x), y};
            WandBits::Set(selected, run.left, run.right);
            if (!stack_.Push(run)) return false;
            x = run.right < span.right ? NextUnclaimed(y, selected, run.right, span.right) : span.right;
        }
        return true;
    }

    const WandImage &image_;
    const WandBits &bits_;
    InsideRows inside_;
    SpanStack stack_;
};

}  // namespace

int FillWandSpans(const WandImage &image, const WandPixelTest &test, LONG x, LONG y, const WandBits &bits) {
    SpanFill fill(image, test, bits);
    return fill.Run(x, y);
}

}  // namespace zelt::region
