// Realising brushes for a destination surface and filling with them.
#include "gdi/brush_pattern.h"

#include <algorithm>
#include <array>

#include "gdi/brush.h"
#include "gdi/dib_format.h"
#include "gdi/dib_transfer.h"
#include "gdi/palette.h"
#include "gdi/rop3.h"
#include "gdi/rop3_internal.h"

namespace zelt::platform {
namespace {

// Pattern values produced per pass; they live on the stack.
constexpr int kChunk = 256;

// The 8 x 8 ordered-dither thresholds (0..63), built by the usual recursive
// doubling: M2n[i][j] = 4 Mn[i mod n][j mod n] + M2[i / n][j / n].
constexpr std::array<std::array<BYTE, 8>, 8> MakeThresholds() {
    std::array<std::array<BYTE, 8>, 8> m{};
    constexpr BYTE base[2][2] = {{0, 2}, {3, 1}};
    for (int n = 1; n < 8; n *= 2) {
        std::array<std::array<BYTE, 8>, 8> next{};
        for (int i = 0; i < 2 * n; ++i)
            for (int j = 0; j < 2 * n; ++j)
                next[i][j] = static_cast<BYTE>(4 * m[i % n][j % n] + base[i / n][j / n]);
        m = next;
    }
    return m;
}
constexpr auto kThresholds = MakeThresholds();

// How many of the 64 cells of a dithered solid colour are white: the grey
// level (30/59/11 weights) scaled to 0..64, rounded.
int WhiteCells(COLORREF colour) {
    const int grey = (30 * GetRValue(colour) + 59 * GetGValue(colour) + 11 * GetBValue(colour)) / 100;
    return (grey * 64 + 127) / 255;
}

int FloorMod(int value, int modulus) {
    const int r = value % modulus;
    return r < 0 ? r + modulus : r;
}

// ---- colours -----------------------------------------------------------------

// A colour drawn as a pattern's text or background colour: nearest colour.
DWORD PlainRaw(const DcObject &dc, const Surface &destination, COLORREF colour) noexcept {
    return destination.RawOf(ResolveDcColour(dc, colour));
}

}  // namespace

COLORREF ResolveDcColour(const DcObject &dc, COLORREF colour) noexcept {
    const DWORD kind = colour >> 24;
    if (kind == 1) {
        const PaletteObject *palette = dc.SelectedPalette();
        if (palette == nullptr || palette->Count() == 0) return 0;
        UINT index = colour & 0xFFFF;
        if (index >= palette->Count()) index = 0;
        const PALETTEENTRY &e = palette->Entries()[index];
        return RGB(e.peRed, e.peGreen, e.peBlue);
    }
    return colour & 0xFFFFFF;
}

DWORD SolidBrushRaw(const DcObject &dc, const Surface &destination, COLORREF colour) noexcept {
    const COLORREF rgb = ResolveDcColour(dc, colour);
    if (destination.Format() == PixelFormatId::Index1) {
        // A 1-bpp DIB section takes an exact table colour, else the
        // background colour as 1 and everything else as 0.
        if (rgb == ColorFromQuad(destination.table[0])) return 0;
        if (rgb == ColorFromQuad(destination.table[1])) return 1;
        return rgb == ResolveDcColour(dc, dc.State().bkColor) ? 1u : 0u;
    }
    return destination.RawOf(rgb);
}

DWORD Rop3FromRop2(int rop2) noexcept {
    if (rop2 < R2_BLACK || rop2 > R2_WHITE) return 0xFFFFFFFFu;
    // ROP2 bit (p << 1 | d) becomes ROP3 bits (p << 2 | s << 1 | d) for s = 0, 1.
    const DWORD table = static_cast<DWORD>(rop2 - 1);
    DWORD index = 0;
    for (int i = 0; i < 8; ++i) {
        const int p = (i >> 2) & 1, d = i & 1;
        index |= ((table >> (p << 1 | d)) & 1) << i;
    }
    return index << 16;
}

// ---- BrushPattern ------------------------------------------------------------------

const DWORD *BrushPattern::Cells() const noexcept {
    return cells_.Data() != nullptr ? reinterpret_cast<const DWORD *>(cells_.Data()) : &solid_;
}

DWORD *BrushPattern::MutableCells() noexcept {
    return cells_.Data() != nullptr ? reinterpret_cast<DWORD *>(cells_.Data()) : &solid_;
}

bool BrushPattern::Allocate(int width, int height) noexcept {
    if (width == 1 && height == 1) {
        ByteBuffer none;
        cells_ = std::move(none);
    } else if (!cells_.Reset(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * sizeof(DWORD))) {
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

void BrushPattern::RealizeSolidRaw(DWORD raw) noexcept {
    ByteBuffer none;
    cells_ = std::move(none);
    width_ = height_ = 1;
    solid_ = raw;
    null_ = false;
}

bool BrushPattern::RealizeSurface(const Surface &destination, const Surface &pattern, DWORD zeroRaw, DWORD oneRaw,
                                  POINT origin) noexcept {
    null_ = false;
    origin_ = origin;
    if (pattern.width <= 0 || pattern.height <= 0 || !Allocate(pattern.width, pattern.height)) return false;
    DWORD *cells = MutableCells();
    if (pattern.Format() == PixelFormatId::Mono) {
        // Monochrome patterns take the colours current at drawing time.
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) cells[y * width_ + x] = pattern.GetRaw(x, y) ? oneRaw : zeroRaw;
        return true;
    }
    PixelConverter converter;
    if (!converter.Init(pattern, destination, PixelConverter::MonoRule::Nearest)) return false;
    for (int y = 0; y < height_; ++y) converter.ToRaw(pattern.Row(y), 0, width_, cells + y * width_);
    return true;
}

bool BrushPattern::RealizeDither(COLORREF colour, POINT origin) noexcept {
    if (!Allocate(8, 8)) return false;
    null_ = false;
    origin_ = origin;
    const int white = WhiteCells(colour);
    DWORD *cells = MutableCells();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) cells[y * 8 + x] = kThresholds[y][x] >= 64 - white ? 1u : 0u;
    return true;
}

bool BrushPattern::Realize(const DcObject &dc, HBRUSH handle) noexcept {
    const BrushObject *brush = FindObject<BrushObject>(handle);
    if (brush == nullptr) return false;
    const Surface &destination = dc.Target();
    const DcState &state = dc.State();
    origin_ = state.brushOrg;
    null_ = false;
    const LOGBRUSH &logical = brush->Logical();
    switch (logical.lbStyle) {
        case BS_NULL: {
            RealizeSolidRaw(0);
            null_ = true;
            return true;
        }
        case BS_SOLID: {
            // Monochrome DDBs have no colour between black and white: dither.
            if (destination.Format() == PixelFormatId::Mono)
                return RealizeDither(ResolveDcColour(dc, logical.lbColor), state.brushOrg);
            RealizeSolidRaw(SolidBrushRaw(dc, destination, logical.lbColor));
            return true;
        }
        case BS_HATCHED: {
            const BYTE *rows = HatchRows(static_cast<int>(logical.lbHatch));
            if (rows == nullptr || !Allocate(8, 8)) return false;
            const DWORD line = SolidBrushRaw(dc, destination, logical.lbColor);
            const DWORD back = PlainRaw(dc, destination, state.bkColor);
            DWORD *cells = MutableCells();
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) cells[y * 8 + x] = (rows[y] >> (7 - x)) & 1 ? line : back;
            return true;
        }
        case BS_PATTERN: {
            const BitmapObject *pattern = brush->Pattern();
            if (pattern == nullptr) return false;
            return RealizeSurface(destination, pattern->GetSurface(), PlainRaw(dc, destination, state.textColor),
                                  PlainRaw(dc, destination, state.bkColor), state.brushOrg);
        }
        case BS_DIBPATTERN:
        case BS_DIBPATTERNPT: {
            const ByteBuffer &packed = brush->PackedDib();
            if (packed.Data() == nullptr) return false;
            const auto &info = *reinterpret_cast<const BITMAPINFO *>(packed.Data());
            const PaletteObject *palette = dc.SelectedPalette();
            Surface source;
            if (palette == nullptr ||
                !DescribeDib(info, packed.Data() + PackedDibBitsOffset(info, brush->DibUsage()), brush->DibUsage(),
                             *palette, source))
                return false;
            return RealizeSurface(destination, source, PlainRaw(dc, destination, state.textColor),
                                  PlainRaw(dc, destination, state.bkColor), state.brushOrg);
        }
        default: return false;
    }
}

void BrushPattern::Span(int x, int y, int count, DWORD *out) const noexcept {
    const DWORD *cells = Cells();
    if (width_ == 1 && height_ == 1) {
        std::fill(out, out + count, cells[0]);
        return;
    }
    const DWORD *row = cells + FloorMod(y - origin_.y, height_) * width_;
    int px = FloorMod(x - origin_.x, width_);
    for (int i = 0; i < count; ++i) {
        out[i] = row[px];
        if (++px == width_) px = 0;
    }
}

// ---- filling -------------------------------------------------------------------------

bool FillRectsWithPattern(const Surface &destination, const RegionData &deviceArea, const BrushPattern &pattern,
                          DWORD rop3) noexcept {
    if (Rop3UsesSource(rop3)) return false;
    const bool usesPattern = Rop3UsesPattern(rop3);
    // A null brush leaves alone what would have been drawn with it.
    if (usesPattern && pattern.IsNull()) return true;
    const BYTE index = Rop3Index(rop3);
    DWORD values[kChunk];
    bool ok = true;
    deviceArea.ForEachRect([&](const RECT &area) {
        const LONG left = std::max<LONG>(area.left, 0), right = std::min<LONG>(area.right, destination.width);
        const LONG top = std::max<LONG>(area.top, 0), bottom = std::min<LONG>(area.bottom, destination.height);
        for (LONG y = top; y < bottom; ++y) {
            if (index == 0xF0 && pattern.IsSolid()) {
                if (right > left) destination.ops->fillSpan(destination.Row(y), left, right - left, pattern.SolidRaw());
                continue;
            }
            for (LONG x = left; x < right; x += kChunk) {
                const int n = static_cast<int>(std::min<LONG>(kChunk, right - x));
                if (usesPattern) pattern.Span(x, y, n, values);
                ok = ApplyRop3Span(destination, y, x, n, nullptr, usesPattern ? values : nullptr, rop3) && ok;
            }
        }
    });
    return ok;
}

bool PrepareBrushPattern(const DcObject &dc, HBRUSH brush, DWORD rop3, BrushPattern &pattern) noexcept {
    if (Rop3UsesSource(rop3)) return false;
    if (Rop3UsesPattern(rop3)) return pattern.Realize(dc, brush);
    return brush == nullptr || FindObject<BrushObject>(brush) != nullptr;
}

bool PrepareColorPattern(const DcObject &dc, COLORREF colour, int rop2, BrushPattern &pattern, DWORD &rop3) noexcept {
    rop3 = Rop3FromRop2(rop2);
    if (rop3 == 0xFFFFFFFFu) return false;
    pattern.RealizeSolidRaw(SolidBrushRaw(dc, dc.Target(), colour));
    return true;
}

bool FillRectsWithBrush(DcObject &dc, const RegionData &deviceArea, HBRUSH brush, DWORD rop3) {
    BrushPattern pattern;
    return PrepareBrushPattern(dc, brush, rop3, pattern) && FillRectsWithPattern(dc.Target(), deviceArea, pattern, rop3);
}

}  // namespace zelt::platform
