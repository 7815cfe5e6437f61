// ROP3 codes as data, for the blit code and the tests: which operands a code
// uses, the general evaluation of its truth table, and the fast cases.
#pragma once

#include "gdi/surface.h"

namespace zelt::platform {

// The truth-table byte of a ROP3 code (its low word does not matter).
constexpr BYTE Rop3Index(DWORD rop) noexcept { return static_cast<BYTE>((rop >> 16) & 0xFF); }
constexpr bool Rop3UsesSource(DWORD rop) noexcept { return (((rop >> 2) ^ rop) & 0x330000) != 0; }
constexpr bool Rop3UsesPattern(DWORD rop) noexcept { return (((rop >> 4) ^ rop) & 0x0F0000) != 0; }
constexpr bool Rop3UsesDestination(DWORD rop) noexcept { return (((rop >> 1) ^ rop) & 0x550000) != 0; }

// Bitwise evaluation of the truth table on whole values: every result bit
// is the table entry selected by the pattern, source and destination bits
// at that position.
constexpr DWORD EvaluateRop3(BYTE index, DWORD p, DWORD s, DWORD d) noexcept {
    DWORD result = 0;
    for (int i = 0; i < 8; ++i) {
        if (((index >> i) & 1) == 0) continue;
        result |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return result;
}

// A fast case: d[i] = rop(p[i], s[i], d[i]) for n values; operands the code
// does not use may be null.
struct Rop3FastPath {
    BYTE index;
    void (*combine)(DWORD *d, const DWORD *s, const DWORD *p, int n);
};

// The fast case of a truth-table byte, or nullptr (general path).
const Rop3FastPath *FindRop3FastPath(BYTE index) noexcept;

// ApplyRop3Span without any fast case: the reference the fast cases are
// compared with.
bool ApplyRop3SpanGeneral(const Surface &destination, int y, int x, int count, const DWORD *source,
                          const DWORD *pattern, DWORD rop) noexcept;

}  // namespace zelt::platform
