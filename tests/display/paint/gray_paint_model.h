// A per-pixel model of the paint paths for 1-bit grayscale images, written
// from their rules in display coordinates (no bands, no runs, no stored
// walks): for a destination pixel, the cell of displayed source pixels it
// covers on each axis, and from it the box average, the interpolation or
// the black count. Positions past the picture's edge are held at the edge.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "display/paint/paint_test_canvas.h"
#include "support/perspective_oracle.h"

namespace zelt::test {

enum class GrayShape { kOneToOne, kReduced, kScaled, kAny };

// The displayed picture of a 1-bit image as black flags, flipped top to
// bottom when the destination is upside down, with the source rectangle
// in the same frame.
class DisplayedPicture {
public:
    DisplayedPicture(BitmapRecord *bitmap, const PaintRequest &q, int invert) {
        const bool swapped = ExchangesAxes(q.perspective);
        width_ = swapped ? q.height : q.width;
        height_ = swapped ? q.width : q.height;
        mirrored_ = q.destination.bottom < q.destination.top;
        black_.assign(static_cast<std::size_t>(width_) * height_, 0);
        std::vector<BYTE> row(static_cast<std::size_t>(bitmap->BytesPerLine));
        for (int r = 0; r < q.height; ++r) {
            KrnGetBitmapRow(bitmap, row.data(), r, static_cast<DWORD>(row.size()));
            for (int c = 0; c < q.width; ++c) {
                const int bit = (row[c / 8] >> (7 - c % 8)) & 1;
                Point p = Displayed(q.perspective, q.width, q.height, c, r);
                if (mirrored_) p.y = height_ - 1 - p.y;
                black_[static_cast<std::size_t>(p.y) * width_ + p.x] = bit == invert;
            }
        }
        const Point a = Displayed(q.perspective, q.width, q.height, q.source.left, q.source.top);
        const Point b = Displayed(q.perspective, q.width, q.height, q.source.right - 1, q.source.bottom - 1);
        src_ = {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1};
        if (mirrored_) src_ = {src_.left, height_ - src_.bottom, src_.right, height_ - src_.top};
    }

    bool Black(std::int64_t x, std::int64_t y) const {
        x = std::clamp<std::int64_t>(x, 0, width_ - 1);
        y = std::clamp<std::int64_t>(y, 0, height_ - 1);
        return black_[static_cast<std::size_t>(y) * width_ + static_cast<std::size_t>(x)] != 0;
    }
    const RECT &src() const { return src_; }

private:
    int width_ = 0, height_ = 0;
    bool mirrored_ = false;
    RECT src_{};
    std::vector<BYTE> black_;
};

inline std::int64_t ModelFloor(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if (a % b != 0 && a < 0) --q;
    return q;
}

// One axis of a request: destination line t covers source positions
// [Start(t), Start(t + 1)); position k is displayed column src.left + k or
// displayed row src.bottom - 1 - k.
struct ModelAxis {
    std::int64_t n = 1, d = 1;  // source and destination extents
    std::int64_t Start(std::int64_t t) const { return ModelFloor(t * n, d); }
    std::int64_t Fraction(std::int64_t t) const { return t * n - Start(t) * d; }
    bool Enlarging() const { return n <= d; }
};

// The model of one destination pixel; each function answers the 0xRRGGBB
// colour the canvas must show there.
class GrayModel {
public:
    GrayModel(BitmapRecord *bitmap, const PaintRequest &q, int invert) : q_(q), picture_(bitmap, q, invert) {
        const RECT &s = picture_.src();
        x_ = {s.right - s.left, std::abs(q.destination.right - q.destination.left)};
        y_ = {s.bottom - s.top, std::abs(q.destination.bottom - q.destination.top)};
        dstLeft_ = std::min(q.destination.left, q.destination.right);
        dstBottom_ = std::max(q.destination.top, q.destination.bottom);
        storedColumnsAcross_ = !ExchangesAxes(q.perspective);
    }

    static DWORD Gray(int level) {
        const DWORD g = static_cast<DWORD>(level) & 0xFF;
        return (g << 16) | (g << 8) | g;
    }

    // 0 or 255 at the nearest pixel.
    DWORD Unscaled(int x, int y) const { return Gray(Pixel(Tx(x), Ty(y)) ? 0 : 255); }

    // 255 - floor(255 black / area) over the cell.
    DWORD Reduced(int x, int y) const {
        const std::int64_t tx = Tx(x), ty = Ty(y);
        std::int64_t black = 0, area = 0;
        for (std::int64_t ky = y_.Start(ty); ky < y_.Start(ty + 1); ++ky)
            for (std::int64_t kx = x_.Start(tx); kx < x_.Start(tx + 1); ++kx, ++area) black += Pixel(kx, ky);
        return Gray(black >= area ? 0 : static_cast<int>(255 - 255 * black / area));
    }

    // The pass along the stored columns first, then the other axis.
    DWORD Scaled(int x, int y) const {
        const std::int64_t tx = Tx(x), ty = Ty(y);
        if (storedColumnsAcross_)
            return Gray(Second(y_, ty, [&](std::int64_t ky) { return First(x_, tx, [&](std::int64_t kx) { return Pixel(kx, ky); }); }));
        return Gray(Second(x_, tx, [&](std::int64_t kx) { return First(y_, ty, [&](std::int64_t ky) { return Pixel(kx, ky); }); }));
    }

    // Black when the cell (one pixel on an enlarging axis) holds at least
    // `threshold` black pixels; the colour of palette index 0 or 1.
    DWORD Bitonal(int x, int y, std::int64_t threshold, int invert, const RGBQUAD *palette) const {
        const std::int64_t tx = Tx(x), ty = Ty(y);
        std::int64_t black = 0;
        for (std::int64_t ky = y_.Start(ty); ky < std::max(y_.Start(ty + 1), y_.Start(ty) + 1); ++ky)
            for (std::int64_t kx = x_.Start(tx); kx < std::max(x_.Start(tx + 1), x_.Start(tx) + 1); ++kx)
                black += Pixel(kx, ky);
        const int index = (black >= threshold) == (invert != 0) ? 1 : 0;
        const RGBQUAD &c = palette[index];
        return (DWORD{c.rgbRed} << 16) | (DWORD{c.rgbGreen} << 8) | c.rgbBlue;
    }

    // The threshold of the bitonal path for this request.
    std::int64_t BitonalThreshold() const {
        const std::int64_t area = std::max<std::int64_t>(x_.n / x_.d, 1) * std::max<std::int64_t>(y_.n / y_.d, 1);
        auto t = static_cast<std::int64_t>(std::floor(std::sqrt(static_cast<double>(area)) + 1e-9));
        return t <= 4 ? std::max<std::int64_t>(t - 1, 1) : t;
    }

private:
    std::int64_t Tx(int x) const { return x - dstLeft_; }
    std::int64_t Ty(int y) const { return dstBottom_ - 1 - y; }
    int Pixel(std::int64_t kx, std::int64_t ky) const {
        return picture_.Black(picture_.src().left + kx, picture_.src().bottom - 1 - ky) ? 1 : 0;
    }

    static int Times255(std::int64_t x, std::int64_t extent) {
        return x > 0x808080 ? MulDiv(static_cast<int>(x), 255, static_cast<int>(extent)) : static_cast<int>(x * 255 / extent);
    }

    // The first pass: interpolated whiteness or the cell's white share.
    template <typename Black>
    static int First(const ModelAxis &a, std::int64_t t, Black black) {
        const std::int64_t p = a.Start(t);
        if (a.Enlarging()) {
            const std::int64_t e = a.Fraction(t);
            const std::int64_t x = (black(p) ? 0 : a.d - e) + (black(p + 1) ? 0 : e);
            return x == 0 ? 0 : Times255(x, a.d);
        }
        std::int64_t white = 0;
        for (std::int64_t k = p; k < a.Start(t + 1); ++k) white += black(k) ? 0 : 1;
        return Times255(white, a.Start(t + 1) - p);
    }

    // The second pass: weighted pair of first-pass values, or their mean.
    template <typename Value>
    static int Second(const ModelAxis &a, std::int64_t t, Value value) {
        const std::int64_t p = a.Start(t);
        if (a.Enlarging()) {
            const std::int64_t f = a.Fraction(t);
            if (f == 0) return value(p);
            auto weigh = [&](int v, std::int64_t w) {
                return v * w > 0x808080 ? MulDiv(v, static_cast<int>(w), static_cast<int>(a.d))
                                        : static_cast<int>(v * w / a.d);
            };
            return weigh(value(p), a.d - f) + weigh(value(p + 1), f);
        }
        std::int64_t sum = 0;
        for (std::int64_t k = p; k < a.Start(t + 1); ++k) sum += value(k);
        return static_cast<int>(sum / (a.Start(t + 1) - p));
    }

    PaintRequest q_;
    DisplayedPicture picture_;
    ModelAxis x_, y_;
    int dstLeft_ = 0, dstBottom_ = 0;
    bool storedColumnsAcross_ = true;
};

// A 1-bit image whose rows are runs of random lengths, some long; the
// palette is black and white, or white and black when inverted.
inline void MakeRunImage(BitmapRecord *bitmap, std::mt19937 &random, int width, int height, int perspective,
                         const RGBQUAD palette[2]) {
    ASSERT_EQ(KrnCreateBitmap(bitmap, KRN_MEMORY_CONVENTIONAL, width, height, 1, 1, palette, perspective, nullptr, 0),
              STATUS_OK);
    std::vector<BYTE> row(static_cast<std::size_t>(bitmap->BytesPerLine));
    for (int r = 0; r < height; ++r) {
        std::fill(row.begin(), row.end(), 0);
        int bit = static_cast<int>(random() & 1);
        for (int x = 0; x < width;) {
            const int length = static_cast<int>(random() % (random() % 3 == 0 ? 12 : 3)) + 1;
            for (int k = 0; k < length && x < width; ++k, ++x)
                if (bit) row[static_cast<std::size_t>(x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
            bit ^= 1;
        }
        KrnPutBitmapRow(bitmap, row.data(), r, static_cast<DWORD>(row.size()));
    }
}

// A random request of the given shape (display sizes: reduced is smaller
// both ways, scaled is at least as large one way and not one to one).
inline PaintRequest RandomGrayRequest(std::mt19937 &random, int width, int height, int perspective,
                                      const Canvas &canvas, GrayShape shape) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const bool swapped = ExchangesAxes(perspective);
    PaintRequest q;
    int sw = 0, sh = 0;
    // A reduction needs a source of at least 2 x 2 (the image must have it).
    do {
        q = RandomRequest(random, width, height, perspective, canvas, shape == GrayShape::kOneToOne);
        sw = swapped ? q.source.bottom - q.source.top : q.source.right - q.source.left;
        sh = swapped ? q.source.right - q.source.left : q.source.bottom - q.source.top;
        // Sometimes the source reaches past the image, so that edge cells
        // take in positions held at the edge.
        if (shape != GrayShape::kOneToOne && pick(0, 2) == 0) {
            q.source = {q.source.left - pick(0, 3), q.source.top - pick(0, 3), q.source.right + pick(0, 6),
                        q.source.bottom + pick(0, 6)};
            sw = swapped ? q.source.bottom - q.source.top : q.source.right - q.source.left;
            sh = swapped ? q.source.right - q.source.left : q.source.bottom - q.source.top;
        }
    } while (shape == GrayShape::kReduced && (sw < 2 || sh < 2));
    if (shape == GrayShape::kOneToOne) return q;
    if (shape == GrayShape::kAny) {
        // Reductions of up to 6 both ways reach the thresholds above 4.
        if (pick(0, 2) == 0) {
            const int dw = std::max(1, sw / pick(1, 6)), dh = std::max(1, sh / pick(1, 6));
            const bool upsideDown = q.destination.bottom < q.destination.top;
            const int dl = pick(-dw / 3, canvas.width() - dw / 2), dt = pick(-dh / 3, canvas.height() - dh / 2);
            q.destination = {dl, dt, dl + dw, dt + dh};
            if (upsideDown) std::swap(q.destination.top, q.destination.bottom);
        }
        return q;
    }
    int dw = 0, dh = 0;
    if (shape == GrayShape::kReduced) {
        dw = pick(1, sw - 1);
        dh = pick(1, sh - 1);
    } else {
        do {
            dw = pick(std::max(1, sw / 3), sw * 3);
            dh = pick(std::max(1, sh / 3), sh * 3);
        } while ((dw < sw && dh < sh) || (dw == sw && dh == sh));
    }
    const bool upsideDown = q.destination.bottom < q.destination.top;
    const int dl = pick(-dw / 3, canvas.width() - dw / 2), dt = pick(-dh / 3, canvas.height() - dh / 2);
    q.destination = {dl, dt, dl + dw, dt + dh};
    if (upsideDown) std::swap(q.destination.top, q.destination.bottom);
    return q;
}

// Every canvas pixel against `expected` where the request paints, the
// background elsewhere; the first few differences are reported.
template <typename Expected>
int CompareGray(const Canvas &canvas, const PaintRequest &q, Expected expected, const std::string &label) {
    int mismatches = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const DWORD want = ReferenceSourcePixel(q, x, y) ? expected(x, y) : kBackground;
            if (canvas.At(x, y) != want && ++mismatches <= 5)
                ADD_FAILURE() << label << ": " << Describe(q) << " pixel (" << x << "," << y << ") is " << std::hex
                              << canvas.At(x, y) << ", want " << want << std::dec;
        }
    }
    return mismatches;
}

}  // namespace zelt::test
