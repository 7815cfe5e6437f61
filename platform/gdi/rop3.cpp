// The ROP3 engine. A ternary raster operation is data: bit i of its index
// byte is the result for pattern, source and destination bits p, s, d with
// i = p << 2 | s << 1 | d. One general interpreter evaluates that table on
// whole raw values; a short table of fast cases for the common codes sits in
// front of it and must agree with it bit for bit.
#include "gdi/rop3.h"

#include <algorithm>

#include "gdi/rop3_internal.h"

namespace zelt::platform {
namespace {

// Pixels combined per pass; the destination values live on the stack.
constexpr int kChunk = 256;

// ---- fast cases ----------------------------------------------------------------

// Each combines n values: d[i] = f(p[i], s[i], d[i]). Pointers the ROP does
// not use may be null.
template <class F>
void Combine(DWORD *d, const DWORD *s, const DWORD *p, int n, F f) {
    for (int i = 0; i < n; ++i) d[i] = f(p ? p[i] : 0u, s ? s[i] : 0u, d[i]);
}

void Blackness(DWORD *d, const DWORD *, const DWORD *, int n) { std::fill(d, d + n, 0u); }
void Whiteness(DWORD *d, const DWORD *, const DWORD *, int n) { std::fill(d, d + n, 0xFFFFFFFFu); }
void SrcCopy(DWORD *d, const DWORD *s, const DWORD *, int n) { std::copy(s, s + n, d); }
void PatCopy(DWORD *d, const DWORD *, const DWORD *p, int n) { std::copy(p, p + n, d); }
void NotSrcCopy(DWORD *d, const DWORD *s, const DWORD *p, int n) {
    Combine(d, s, p, n, [](DWORD, DWORD sv, DWORD) { return ~sv; });
}
void SrcAnd(DWORD *d, const DWORD *s, const DWORD *p, int n) {
    Combine(d, s, p, n, [](DWORD, DWORD sv, DWORD dv) { return sv & dv; });
}
void SrcPaint(DWORD *d, const DWORD *s, const DWORD *p, int n) {
    Combine(d, s, p, n, [](DWORD, DWORD sv, DWORD dv) { return sv | dv; });
}
void SrcInvert(DWORD *d, const DWORD *s, const DWORD *p, int n) {
    Combine(d, s, p, n, [](DWORD, DWORD sv, DWORD dv) { return sv ^ dv; });
}
void SrcErase(DWORD *d, const DWORD *s, const DWORD *p, int n) {
    Combine(d, s, p, n, [](DWORD, DWORD sv, DWORD dv) { return sv & ~dv; });
}
void NotSrcErase(DWORD *d, const DWORD *s, const DWORD *p, int n) {
    Combine(d, s, p, n, [](DWORD, DWORD sv, DWORD dv) { return ~(sv | dv); });
}
void MergePaint(DWORD *d, const DWORD *s, const DWORD *p, int n) {
    Combine(d, s, p, n, [](DWORD, DWORD sv, DWORD dv) { return ~sv | dv; });
}
void DstInvert(DWORD *d, const DWORD *s, const DWORD *p, int n) {
    Combine(d, s, p, n, [](DWORD, DWORD, DWORD dv) { return ~dv; });
}
void PatInvert(DWORD *d, const DWORD *s, const DWORD *p, int n) {
    Combine(d, s, p, n, [](DWORD pv, DWORD, DWORD dv) { return pv ^ dv; });
}
void MergeCopy(DWORD *d, const DWORD *s, const DWORD *p, int n) {
    Combine(d, s, p, n, [](DWORD pv, DWORD sv, DWORD) { return pv & sv; });
}
void PatPaint(DWORD *d, const DWORD *s, const DWORD *p, int n) {
    Combine(d, s, p, n, [](DWORD pv, DWORD sv, DWORD dv) { return pv | ~sv | dv; });
}
// 0xE2: take P where S bits are 1, keep D elsewhere (masked pattern copy).
void PatThroughMask(DWORD *d, const DWORD *s, const DWORD *p, int n) {
    Combine(d, s, p, n, [](DWORD pv, DWORD sv, DWORD dv) { return (sv & pv) | (~sv & dv); });
}
// 0x6A: XOR the pattern into D where S bits are 1.
void XorPatThroughMask(DWORD *d, const DWORD *s, const DWORD *p, int n) {
    Combine(d, s, p, n, [](DWORD pv, DWORD sv, DWORD dv) { return dv ^ (sv & pv); });
}
// 0xB8: keep D where S bits are 1, take P elsewhere.
void PatOutsideMask(DWORD *d, const DWORD *s, const DWORD *p, int n) {
    Combine(d, s, p, n, [](DWORD pv, DWORD sv, DWORD dv) { return (sv & dv) | (~sv & pv); });
}

constexpr Rop3FastPath kFastPaths[] = {
    {0x00, &Blackness},     {0xFF, &Whiteness},     {0xCC, &SrcCopy},          {0xF0, &PatCopy},
    {0x33, &NotSrcCopy},    {0x88, &SrcAnd},        {0xEE, &SrcPaint},         {0x66, &SrcInvert},
    {0x44, &SrcErase},      {0x11, &NotSrcErase},   {0xBB, &MergePaint},       {0x55, &DstInvert},
    {0x5A, &PatInvert},     {0xC0, &MergeCopy},     {0xFB, &PatPaint},         {0xE2, &PatThroughMask},
    {0x6A, &XorPatThroughMask}, {0xB8, &PatOutsideMask},
};

// The general path over one chunk.
void GeneralCombine(DWORD *d, const DWORD *s, const DWORD *p, int n, BYTE index) {
    for (int i = 0; i < n; ++i) d[i] = EvaluateRop3(index, p ? p[i] : 0u, s ? s[i] : 0u, d[i]);
}

bool ApplyChunked(const Surface &destination, int y, int x, int count, const DWORD *source, const DWORD *pattern,
                  DWORD rop, const Rop3FastPath *fast) noexcept {
    const BYTE index = Rop3Index(rop);
    if ((Rop3UsesSource(rop) && source == nullptr) || (Rop3UsesPattern(rop) && pattern == nullptr)) return false;
    const bool readsDestination = Rop3UsesDestination(rop);
    const DWORD mask = destination.AllOnes();
    BYTE *row = destination.Row(y);
    DWORD buffer[kChunk];
    for (int done = 0; done < count; done += kChunk) {
        const int n = std::min(kChunk, count - done);
        const DWORD *s = source ? source + done : nullptr;
        const DWORD *p = pattern ? pattern + done : nullptr;
        if (readsDestination) destination.ops->readRawSpan(row, x + done, n, buffer);
        if (fast != nullptr)
            fast->combine(buffer, s, p, n);
        else
            GeneralCombine(buffer, s, p, n, index);
        for (int i = 0; i < n; ++i) buffer[i] &= mask;
        destination.ops->writeRawSpan(row, x + done, n, buffer);
    }
    return true;
}

}  // namespace

const Rop3FastPath *FindRop3FastPath(BYTE index) noexcept {
    for (const Rop3FastPath &path : kFastPaths)
        if (path.index == index) return &path;
    return nullptr;
}

bool ApplyRop3SpanGeneral(const Surface &destination, int y, int x, int count, const DWORD *source,
                          const DWORD *pattern, DWORD rop) noexcept {
    return ApplyChunked(destination, y, x, count, source, pattern, rop, nullptr);
}

bool ApplyRop3Span(const Surface &destination, int y, int x, int count, const DWORD *source, const DWORD *pattern,
                   DWORD rop) noexcept {
    const BYTE index = Rop3Index(rop);
    if (count <= 0) return true;
    // Copies whose values are already final go straight to the row.
    if (index == 0xCC && source != nullptr) {
        destination.ops->writeRawSpan(destination.Row(y), x, count, source);
        return true;
    }
    if (index == 0xF0 && pattern != nullptr) {
        destination.ops->writeRawSpan(destination.Row(y), x, count, pattern);
        return true;
    }
    if (index == 0x00 || index == 0xFF) {
        destination.ops->fillSpan(destination.Row(y), x, count, index == 0 ? 0u : destination.AllOnes());
        return true;
    }
    return ApplyChunked(destination, y, x, count, source, pattern, rop, FindRop3FastPath(index));
}

}  // namespace zelt::platform
