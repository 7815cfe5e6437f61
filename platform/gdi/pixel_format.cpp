// The per-format tables of pixel primitives, generated from one template
// per memory layout and one per colour mapping.
#include "gdi/pixel_format.h"

#include <cstring>

#include "gdi/pixel_layout.h"
#include "gdi/surface.h"

namespace zelt::platform {
namespace {

// ---- colour mappings ---------------------------------------------------------

struct IndexedColours {
    static COLORREF ColorOf(const Surface &s, DWORD raw) { return ColorFromQuad(s.table[raw & 0xFF]); }
    static DWORD RawOf(const Surface &s, COLORREF c) {
        return static_cast<DWORD>(NearestIndex(s.table, s.tableSize > 0 ? s.tableSize : 1, c));
    }
};

struct Colours555 {
    static COLORREF ColorOf(const Surface &, DWORD raw) {
        return RGB(Expand5((raw >> 10) & 31), Expand5((raw >> 5) & 31), Expand5(raw & 31));
    }
    static DWORD RawOf(const Surface &, COLORREF c) {
        return (DWORD{GetRValue(c)} >> 3) << 10 | (DWORD{GetGValue(c)} >> 3) << 5 | DWORD{GetBValue(c)} >> 3;
    }
};

struct Colours565 {
    static COLORREF ColorOf(const Surface &, DWORD raw) {
        return RGB(Expand5((raw >> 11) & 31), Expand6((raw >> 5) & 63), Expand5(raw & 31));
    }
    static DWORD RawOf(const Surface &, COLORREF c) {
        return (DWORD{GetRValue(c)} >> 3) << 11 | (DWORD{GetGValue(c)} >> 2) << 5 | DWORD{GetBValue(c)} >> 3;
    }
};

// 24 and 32 bpp: raw 0x??RRGGBB.
struct ColoursDirect {
    static COLORREF ColorOf(const Surface &, DWORD raw) {
        return RGB((raw >> 16) & 0xFF, (raw >> 8) & 0xFF, raw & 0xFF);
    }
    static DWORD RawOf(const Surface &, COLORREF c) {
        return DWORD{GetRValue(c)} << 16 | DWORD{GetGValue(c)} << 8 | DWORD{GetBValue(c)};
    }
};

template <class Layout>
void ReadRawSpan(const BYTE *row, int x, int count, DWORD *out) {
    for (int i = 0; i < count; ++i) out[i] = Layout::Get(row, x + i);
}

template <class Layout>
void WriteRawSpan(BYTE *row, int x, int count, const DWORD *in) {
    for (int i = 0; i < count; ++i) Layout::Set(row, x + i, in[i]);
}

template <class Layout, class Colours>
constexpr PixelFormatOps MakeOps(PixelFormatId id, int bitsPixel, bool indexed) {
    return PixelFormatOps{id,
                          bitsPixel,
                          indexed,
                          &Layout::Get,
                          &Layout::Set,
                          &Layout::Fill,
                          &Layout::Copy,
                          &ReadRawSpan<Layout>,
                          &WriteRawSpan<Layout>,
                          &Colours::ColorOf,
                          &Colours::RawOf};
}

// In PixelFormatId order.
constexpr PixelFormatOps kFormats[] = {
    MakeOps<PackedLayout<1>, IndexedColours>(PixelFormatId::Mono, 1, true),
    MakeOps<PackedLayout<1>, IndexedColours>(PixelFormatId::Index1, 1, true),
    MakeOps<PackedLayout<4>, IndexedColours>(PixelFormatId::Index4, 4, true),
    MakeOps<ByteLayout<1>, IndexedColours>(PixelFormatId::Index8, 8, true),
    MakeOps<ByteLayout<2>, Colours555>(PixelFormatId::Rgb555, 16, false),
    MakeOps<ByteLayout<2>, Colours565>(PixelFormatId::Rgb565, 16, false),
    MakeOps<ByteLayout<3>, ColoursDirect>(PixelFormatId::Bgr24, 24, false),
    MakeOps<ByteLayout<4>, ColoursDirect>(PixelFormatId::Bgrx32, 32, false),
};

}  // namespace

const PixelFormatOps &FormatOps(PixelFormatId id) noexcept { return kFormats[static_cast<int>(id)]; }

int NearestIndex(const RGBQUAD *table, int count, COLORREF colour) noexcept {
    return NearestEntryIndex(table, count, colour, &RGBQUAD::rgbRed, &RGBQUAD::rgbGreen, &RGBQUAD::rgbBlue);
}

}  // namespace zelt::platform
