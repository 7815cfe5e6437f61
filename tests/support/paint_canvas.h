// Painting test helpers: a 32-bit canvas, random bitmaps and requests, and
// the comparison of a canvas with a model (reporting the first differences).
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/paint_reference.h"
#include "support/perspective_oracle.h"
#include "zelt/display.h"

namespace zelt::test {

constexpr DWORD kBackground = 0x00123456;

// A top-down 32-bit DIB section selected into a memory DC compatible with
// the screen (so device analysis sees the screen's depth).
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void *bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels_ = static_cast<DWORD *>(bits);
        old_ = SelectObject(dc_, bitmap_);
        Clear();
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    void Clear() { std::fill(pixels_, pixels_ + width_ * height_, kBackground); }
    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    DWORD At(int x, int y) const { return pixels_[y * width_ + x] & 0xFFFFFF; }
    DWORD *Data() const { return pixels_; }
    bool Untouched() const {
        return std::all_of(pixels_, pixels_ + width_ * height_, [](DWORD p) { return (p & 0xFFFFFF) == kBackground; });
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    DWORD *pixels_ = nullptr;
};

// A bitmap of random pixels; palette images get random colours unless
// `colors` is given (entries repeat).
inline void MakeRandomBitmap(BitmapRecord *bitmap, std::mt19937 &random, int width, int height, int bits,
                             int perspective, const std::vector<RGBQUAD> &colors = {}, int order = 1) {
    std::vector<RGBQUAD> palette(bits <= 8 ? std::size_t{1} << bits : 0);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const unsigned v = random();
        palette[i] = colors.empty() ? RGBQUAD{BYTE(v), BYTE(v >> 8), BYTE(v >> 16), 0} : colors[i % colors.size()];
    }
    ASSERT_EQ(KrnCreateBitmap(bitmap, KRN_MEMORY_CONVENTIONAL, width, height, bits, order,
                              palette.empty() ? nullptr : palette.data(), perspective, nullptr, 0),
              STATUS_OK);
    for (int r = 0; r < height; ++r)
        KrnPutBitmapRow(bitmap, RandomBytes(random, std::size_t(bitmap->BytesPerLine)).data(), r,
                        DWORD(bitmap->BytesPerLine));
}

// The 0x00RRGGBB colour a stored pixel paints as without any reduction.
inline DWORD StoredColor(BitmapRecord *bitmap, const StoredPixel &pixel) {
    const COLORREF c = KrnGetPixelColor(bitmap, pixel.row, pixel.column);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

inline std::string Describe(const PaintRequest &q) {
    std::ostringstream out;
    out << "image " << q.width << "x" << q.height << " perspective " << q.perspective;
    const char *names[] = {" src (", " srcClip (", " dst (", " dstClip ("};
    const RECT *rects[] = {&q.source, &q.sourceClip, &q.destination, &q.destinationClip};
    for (int i = 0; i < 4; ++i)
        out << names[i] << rects[i]->left << "," << rects[i]->top << "," << rects[i]->right << "," << rects[i]->bottom << ")";
    return out.str();
}

// Every canvas pixel against the model: expected(x, y, stored pixel) where
// the request paints, the background elsewhere. Returns the mismatches
// (the first few are reported).
template <typename Expected>
int CompareWithModel(const Canvas &canvas, const PaintRequest &q, Expected expected, const std::string &label) {
    int mismatches = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const auto p = ReferenceSourcePixel(q, x, y);
            const DWORD want = p ? expected(x, y, *p) : kBackground;
            if (canvas.At(x, y) != want && ++mismatches <= 5)
                ADD_FAILURE() << label << ": " << Describe(q) << " pixel (" << x << "," << y << ") is " << std::hex
                              << canvas.At(x, y) << ", want " << want << std::dec << " from stored ("
                              << (p ? p->column : -1) << "," << (p ? p->row : -1) << ")";
        }
    return mismatches;
}

// A random request on a canvas: edges biased, sources reaching past the
// image, upside-down and off-canvas destinations, clips that cut both sides.
inline PaintRequest RandomRequest(std::mt19937 &random, int width, int height, int perspective, const Canvas &canvas,
                                  bool oneToOne) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    PaintRequest q{width, height, perspective};
    const int l = pick(0, width - 1), t = pick(0, height - 1);
    q.source = {l, t, pick(l + 1, width), pick(t + 1, height)};
    q.sourceClip = pick(0, 2) == 0 ? q.source
                                   : RECT{pick(-2, width), pick(-2, height), pick(0, width + 2), pick(0, height + 2)};
    const bool swapped = ExchangesAxes(perspective);
    const int sw = q.source.right - q.source.left, sh = q.source.bottom - q.source.top;
    const int dw = oneToOne ? (swapped ? sh : sw) : pick(1, canvas.width());
    const int dh = oneToOne ? (swapped ? sw : sh) : pick(1, canvas.height());
    const int dl = pick(-dw / 2, canvas.width() - dw / 2), dt = pick(-dh / 2, canvas.height() - dh / 2);
    q.destination = {dl, dt, dl + dw, dt + dh};
    if (pick(0, 4) == 0) std::swap(q.destination.top, q.destination.bottom);
    q.destinationClip = pick(0, 2) == 0 ? RECT{0, 0, canvas.width(), canvas.height()}
                                        : RECT{pick(-5, canvas.width()), pick(-5, canvas.height()),
                                               pick(0, canvas.width() + 5), pick(0, canvas.height() + 5)};
    return q;
}

}  // namespace zelt::test
