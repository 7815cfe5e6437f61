#include "support/paint_reference.h"

#include <algorithm>
#include <cmath>

#include "support/perspective_oracle.h"
#include "zelt/display.h"

namespace zelt::test {
namespace {

std::int64_t Floor(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

bool Inside(const RECT &r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Rectangles may be given upside down, never right to left.
RECT Upright(const RECT &r) { return {r.left, std::min(r.top, r.bottom), r.right, std::max(r.top, r.bottom)}; }

bool Mirrored(const PaintRequest &q) { return q.destination.bottom < q.destination.top; }
int ShownWidth(const PaintRequest &q) { return ExchangesAxes(q.perspective) ? q.height : q.width; }
int ShownHeight(const PaintRequest &q) { return ExchangesAxes(q.perspective) ? q.width : q.height; }

// A stored rectangle in display coordinates (flipped top to bottom for an
// upside-down destination): the box around its displayed corner pixels.
RECT Shown(const PaintRequest &q, const RECT &stored) {
    if (stored.left >= stored.right || stored.top >= stored.bottom) return {0, 0, 0, 0};
    const Point a = Displayed(q.perspective, q.width, q.height, stored.left, stored.top);
    const Point b = Displayed(q.perspective, q.width, q.height, stored.right - 1, stored.bottom - 1);
    RECT r{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1};
    if (Mirrored(q)) r = {r.left, ShownHeight(q) - r.bottom, r.right, ShownHeight(q) - r.top};
    return r;
}

int Clamp(int v) { return std::clamp(v, 0, 255); }

// Thresholds of ordered dither, [row][column].
constexpr BYTE kClustered[8][8] = {
    {112, 40, 72, 104, 144, 176, 208, 136}, {88, 8, 16, 48, 192, 232, 240, 168},
    {56, 24, 0, 80, 160, 224, 248, 200},    {96, 64, 32, 120, 128, 216, 184, 152},
    {148, 180, 212, 140, 116, 44, 76, 108}, {196, 236, 244, 172, 92, 12, 20, 52},
    {164, 228, 252, 204, 60, 28, 4, 84},    {132, 220, 188, 156, 100, 68, 36, 124}};
constexpr BYTE kDispersed[8][8] = {
    {0, 128, 32, 160, 8, 136, 40, 168},   {192, 64, 224, 96, 200, 72, 232, 104},
    {48, 176, 16, 144, 56, 184, 24, 152}, {236, 112, 208, 80, 244, 120, 216, 88},
    {12, 140, 44, 172, 4, 132, 36, 164},  {204, 76, 232, 108, 196, 68, 228, 100},
    {60, 188, 28, 156, 52, 180, 20, 148}, {248, 124, 220, 92, 240, 116, 212, 84}};
int DeviceLuminance(int r, int g, int b) { return (2 * r + 5 * g + b + 4) >> 3; }

// 1- and 4-bit devices light white (the luminance) or each channel above t.
int Lit(int deviceBits, int t, int r, int g, int b) {
    if (deviceBits == 1) return t < DeviceLuminance(r, g, b);
    const int on = (t < r) + 2 * (t < g) + 4 * (t < b);
    return on == 0 ? 0 : 8 + on;
}

// The paint bit window of a deep gray sample.
unsigned Windowed(const BitmapRecord &bm, const BYTE *row, int x, int maxBits, int *n) {
    std::uint32_t mask = 0;
    int shift = 0;
    *n = Window(bm.BitsPerPixel, maxBits, bm.PaintLowBit, bm.PaintHighBit, &mask, &shift);
    return unsigned(ReadPixel(row, x, bm.BitsPerPixel) >> shift) & mask;
}

void PutIndex(std::vector<BYTE> &dst, int deviceBits, int k, int index) {
    const int perByte = 8 / deviceBits, shift = deviceBits * (perByte - 1 - k % perByte);
    const int mask = ((1 << deviceBits) - 1) << shift;
    BYTE &b = dst[std::size_t(k / perByte)];
    b = BYTE((b & ~mask) | (index << shift));
}

// The perspective whose picture is that of p mirrored top to bottom.
constexpr int kMirrorOf[9] = {2, 3, 0, 1, 7, 8, 2, 4, 5};

}  // namespace

std::optional<StoredPixel> ReferenceSourcePixel(const PaintRequest &q, int x, int y) {
    const RECT d = Upright(q.destination);
    if (!Inside(d, x, y) || !Inside(Upright(q.destinationClip), x, y)) return std::nullopt;
    const RECT src = Shown(q, q.source), clip = Shown(q, q.sourceClip);
    const std::int64_t srcW = src.right - src.left, srcH = src.bottom - src.top;
    if (srcW <= 0 || srcH <= 0) return std::nullopt;
    const int dc = int(src.left + Floor((x - d.left) * srcW, d.right - d.left));
    int dr = int(src.bottom - 1 - Floor((d.bottom - 1 - y) * srcH, d.bottom - d.top));
    if (!Inside(clip, dc, dr) || !Inside(src, dc, dr) || !Inside(RECT{0, 0, ShownWidth(q), ShownHeight(q)}, dc, dr))
        return std::nullopt;
    if (Mirrored(q)) dr = ShownHeight(q) - 1 - dr;
    // Each displayed coordinate is one stored coordinate or its mirror.
    const Point origin = Displayed(q.perspective, q.width, q.height, 0, 0);
    if (!ExchangesAxes(q.perspective))
        return StoredPixel{origin.x == 0 ? dc : q.width - 1 - dc, origin.y == 0 ? dr : q.height - 1 - dr};
    return StoredPixel{origin.y == 0 ? dr : q.width - 1 - dr, origin.x == 0 ? dc : q.height - 1 - dc};
}

RECT VisibleArea(const PaintRequest &q) {
    const RECT d = Upright(q.destination);
    RECT v{d.right, d.bottom, d.left, d.top};
    for (int y = d.top; y < d.bottom; ++y)
        for (int x = d.left; x < d.right; ++x)
            if (ReferenceSourcePixel(q, x, y))
                v = {std::min<LONG>(v.left, x), std::min<LONG>(v.top, y), std::max<LONG>(v.right, x + 1),
                     std::max<LONG>(v.bottom, y + 1)};
    return v.left < v.right ? v : RECT{0, 0, 0, 0};
}

Rgb DecodePixel(const BitmapRecord &bm, const BYTE *row, int x, const RGBQUAD *palette) {
    const Layout layout{bm.BitsPerPixel, bm.Order};
    if (!layout.Gray()) return PixelColor(row, x, layout, palette, 256);
    int n = 0;
    unsigned v = Windowed(bm, row, x, bm.LevelLut ? bm.BitsPerPixel : 8, &n);
    if (bm.LevelLut) return ToRgb(bm.LevelLut[v]);
    if (n < 8) v <<= 8 - n;
    return {int(v), int(v), int(v)};
}

int DeviceIndex(int deviceBits, bool cube, int r, int g, int b) {
    if (deviceBits < 8) return Lit(deviceBits, 127, r, g, b);
    return cube ? (r / 51 * 6 + g / 51) * 6 + b / 51 : (r & 0xE0) | ((g & 0xE0) >> 3) | (b >> 6);
}

Rgb DeviceColor(int deviceBits, bool cube, int i) {
    static const std::vector<RGBQUAD> kTables[3] = {DeviceTable(1), DeviceTable(4), DeviceTable(8)};
    if (!cube || deviceBits < 8) return ToRgb(kTables[deviceBits / 4][std::size_t(i)]);
    return i < 216 ? Rgb{51 * (i / 36), 51 * (i / 6 % 6), 51 * (i % 6)} : Rgb{};
}

int DitherIndex(Rgb c, int deviceBits, UINT mode, int row, int column, const BYTE *L) {
    const bool clustered = deviceBits == 1 && (mode & DISP_DITHER_ALT);
    const int t = (clustered ? kClustered : kDispersed)[row & 7][column & 7];
    if (deviceBits == 1) return t < L[DeviceLuminance(c.r, c.g, c.b)];
    if (deviceBits == 4) return Lit(4, t, L[c.r], L[c.g], L[c.b]);
    const bool cube = mode & DISP_FIXED_PALETTE;
    const int o = cube ? t / 6 - 21 : (t >> 3) - 16;
    return DeviceIndex(8, cube, L[Clamp(c.r + o)], L[Clamp(c.g + o)], L[Clamp(c.b + o)]);
}

void DiffuseRow(std::vector<BYTE> &dst, const BitmapRecord &bm, const BYTE *src, int xStart, int xEnd, int *errors,
                const RGBQUAD *palette, int deviceBits, bool cube) {
    const BYTE *L = bm.PaintLut;
    const int n = xEnd - xStart;
    int pending[3] = {0, 0, 0};
    for (int k = 0; k < n; ++k) {
        const Rgb c = DecodePixel(bm, src, xStart + k, palette);
        int *slot = errors + 3 * k;
        const int *e = k == 0 ? slot : pending;
        const int v[3] = {Clamp(c.r + e[0] / 16), Clamp(c.g + e[1] / 16), Clamp(c.b + e[2] / 16)};
        // 1-bit errors are measured before the paint table, the others after.
        const int seen[3] = {L[v[0]], L[v[1]], L[v[2]]};
        const int index = deviceBits == 1 ? L[DeviceLuminance(v[0], v[1], v[2])] >= 128
                                          : DeviceIndex(deviceBits, cube, seen[0], seen[1], seen[2]);
        const Rgb p = DeviceColor(deviceBits, cube, index);
        const int ref[3] = {p.r, p.g, p.b};
        for (int ch = 0; ch < 3; ++ch) {
            const int d = (deviceBits == 1 ? v[ch] : seen[ch]) - ref[ch];
            slot[ch] = 5 * d + (k == 0 ? 0 : slot[ch]);  // the first pixel replaces the sum it consumed
            if (k != 0) slot[ch - 3] += 3 * d;
            if (k != n - 1) {
                pending[ch] = 7 * d + slot[ch + 3];
                slot[ch + 3] = d;
            }
        }
        PutIndex(dst, deviceBits, k, index);
    }
}

void DitherRow(std::vector<BYTE> &dst, const BitmapRecord &bm, const BYTE *src, int xStart, int xEnd, int phaseX,
               int phaseY, const RGBQUAD *palette, int deviceBits, UINT mode) {
    for (int k = 0; k < xEnd - xStart; ++k)
        PutIndex(dst, deviceBits, k,
                 DitherIndex(DecodePixel(bm, src, xStart + k, palette), deviceBits, mode, phaseY, phaseX + k,
                             bm.PaintLut));
}

void DeepGrayRow(std::vector<BYTE> &dst, const BitmapRecord &bm, const BYTE *src, int xStart, int xEnd, bool gray) {
    for (int k = 0; k < xEnd - xStart; ++k) {
        int n = 0;
        const unsigned v = Windowed(bm, src, xStart + k, bm.LevelLut ? bm.BitsPerPixel : 8, &n);
        const unsigned mask = n == 0 ? 0 : (1u << n) - 1, g = mask < 255 ? (mask == 0 ? 0 : v * 255 / mask) : v & 0xFF;
        const BYTE *entry = bm.LevelLut ? &bm.LevelLut[v].rgbBlue : nullptr;  // blue, green, red
        for (int ch = 0; ch < (gray ? 1 : 3); ++ch) dst[std::size_t((gray ? 1 : 3) * k + ch)] = BYTE(entry ? entry[ch] : g);
    }
}

MatrixCell ScaledDitherCell(const PaintRequest &q, const RECT &v, int x, int y) {
    const RECT d = Upright(q.destination);
    int flip = 0, angle = 0;
    KrnGetPerspectiveChange(Mirrored(q) ? kMirrorOf[q.perspective] : q.perspective, 2, &flip, &angle);
    if (angle == 0 || angle == 180) {
        const int k = angle == 0 ? x - v.left : v.right - 1 - x;
        return {y - d.left, v.top - d.top + k};
    }
    const int k = angle == 90 ? v.bottom - 1 - y : y - v.top;
    return {x - d.top, v.left - d.left + k};
}

// ---- 1-bit gray paths ----------------------------------------------------------

GrayModel::GrayModel(BitmapRecord *bitmap, const PaintRequest &q, int invert)
    : width_(ShownWidth(q)), height_(ShownHeight(q)), src_(Shown(q, q.source)), columnsFirst_(!ExchangesAxes(q.perspective)) {
    black_.assign(std::size_t(width_) * std::size_t(height_), 0);
    std::vector<BYTE> row(std::size_t(bitmap->BytesPerLine));
    for (int r = 0; r < q.height; ++r) {
        KrnGetBitmapRow(bitmap, row.data(), r, DWORD(row.size()));
        for (int c = 0; c < q.width; ++c) {
            Point p = Displayed(q.perspective, q.width, q.height, c, r);
            if (Mirrored(q)) p.y = height_ - 1 - p.y;
            black_[std::size_t(p.y) * std::size_t(width_) + std::size_t(p.x)] = int(ReadPixel(row.data(), c, 1)) == invert;
        }
    }
    const RECT d = Upright(q.destination);
    nx_ = src_.right - src_.left, dx_ = d.right - d.left, ny_ = src_.bottom - src_.top, dy_ = d.bottom - d.top;
    left_ = d.left, bottom_ = d.bottom;
}

DWORD GrayModel::Gray(int level) { return DWORD(level & 0xFF) * 0x010101u; }

// Black (1) or white (0) at cell position (kx, ky): kx counts displayed
// columns from src.left, ky rows up from src.bottom; held at the edges.
std::int64_t GrayModel::Pixel(std::int64_t kx, std::int64_t ky) const {
    const std::int64_t x = std::clamp<std::int64_t>(src_.left + kx, 0, width_ - 1);
    const std::int64_t y = std::clamp<std::int64_t>(src_.bottom - 1 - ky, 0, height_ - 1);
    return black_[std::size_t(y * width_ + x)];
}

namespace {

struct Axis {  // destination line t covers source positions [Start(t), Start(t + 1))
    std::int64_t n, d;
    std::int64_t Start(std::int64_t t) const { return Floor(t * n, d); }
    std::int64_t Fraction(std::int64_t t) const { return t * n - Start(t) * d; }
};

int Times(std::int64_t v, std::int64_t w, std::int64_t d) {
    return v * w > 0x808080 ? MulDiv(int(v), int(w), int(d)) : int(v * w / d);
}

// Whiteness along one axis: interpolated when enlarging, the cell's white
// share when reducing. `black(k)` is 1 for a black pixel at position k.
template <typename Black>
int FirstPass(const Axis &a, std::int64_t t, Black black) {
    const std::int64_t p = a.Start(t);
    if (a.n <= a.d) {
        const std::int64_t e = a.Fraction(t), x = (black(p) ? 0 : a.d - e) + (black(p + 1) ? 0 : e);
        return x == 0 ? 0 : Times(x, 255, a.d);
    }
    std::int64_t white = 0;
    for (std::int64_t k = p; k < a.Start(t + 1); ++k) white += !black(k);
    return Times(white, 255, a.Start(t + 1) - p);
}

// The other axis: a weighted pair of first-pass values, or their mean.
template <typename Value>
int SecondPass(const Axis &a, std::int64_t t, Value value) {
    const std::int64_t p = a.Start(t);
    if (a.n <= a.d) {
        const std::int64_t f = a.Fraction(t);
        return f == 0 ? value(p) : Times(value(p), a.d - f, a.d) + Times(value(p + 1), f, a.d);
    }
    std::int64_t sum = 0;
    for (std::int64_t k = p; k < a.Start(t + 1); ++k) sum += value(k);
    return int(sum / (a.Start(t + 1) - p));
}

}  // namespace

DWORD GrayModel::Unscaled(int x, int y) const { return Gray(Pixel(x - left_, bottom_ - 1 - y) ? 0 : 255); }

DWORD GrayModel::Reduced(int x, int y) const {
    const Axis ax{nx_, dx_}, ay{ny_, dy_};
    const std::int64_t tx = x - left_, ty = bottom_ - 1 - y;
    std::int64_t black = 0, area = 0;
    for (std::int64_t ky = ay.Start(ty); ky < ay.Start(ty + 1); ++ky)
        for (std::int64_t kx = ax.Start(tx); kx < ax.Start(tx + 1); ++kx, ++area) black += Pixel(kx, ky);
    return Gray(black >= area ? 0 : int(255 - 255 * black / area));
}

DWORD GrayModel::Scaled(int x, int y) const {
    const Axis ax{nx_, dx_}, ay{ny_, dy_};
    const std::int64_t tx = x - left_, ty = bottom_ - 1 - y;
    if (columnsFirst_)
        return Gray(SecondPass(ay, ty, [&](std::int64_t ky) {
            return FirstPass(ax, tx, [&](std::int64_t kx) { return Pixel(kx, ky); });
        }));
    return Gray(SecondPass(ax, tx, [&](std::int64_t kx) {
        return FirstPass(ay, ty, [&](std::int64_t ky) { return Pixel(kx, ky); });
    }));
}

DWORD GrayModel::Bitonal(int x, int y, int invert, const RGBQUAD *palette) const {
    const Axis ax{nx_, dx_}, ay{ny_, dy_};
    const std::int64_t tx = x - left_, ty = bottom_ - 1 - y;
    // A cell of at least one pixel per axis; the kernel's threshold for its
    // area is floor(sqrt(area)), lowered by one (to at least 1) up to 4.
    const std::int64_t area = std::max<std::int64_t>(nx_ / dx_, 1) * std::max<std::int64_t>(ny_ / dy_, 1);
    std::int64_t threshold = std::int64_t(std::floor(std::sqrt(double(area)) + 1e-9));
    if (threshold <= 4) threshold = std::max<std::int64_t>(threshold - 1, 1);
    std::int64_t black = 0;
    for (std::int64_t ky = ay.Start(ty); ky < std::max(ay.Start(ty + 1), ay.Start(ty) + 1); ++ky)
        for (std::int64_t kx = ax.Start(tx); kx < std::max(ax.Start(tx + 1), ax.Start(tx) + 1); ++kx)
            black += Pixel(kx, ky);
    const RGBQUAD &c = palette[(black >= threshold) == (invert != 0) ? 1 : 0];
    return (DWORD{c.rgbRed} << 16) | (DWORD{c.rgbGreen} << 8) | c.rgbBlue;
}

}  // namespace zelt::test
