// Test helpers of the paint path tests: a 32-bit memory surface to paint
// into, bitmaps with seeded random pixels, and the comparison of a painted
// surface with the reference model (failures print the case and the first
// differing pixels).
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/paint_reference.h"
#include "zelt/display.h"

namespace zelt::test {

constexpr DWORD kBackground = 0x00123456;

// A top-down 32-bit DIB section selected into a memory DC.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
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

    void Clear() {
        for (int i = 0; i < width_ * height_; ++i) pixels_[i] = kBackground;
    }
    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    DWORD At(int x, int y) const { return pixels_[y * width_ + x] & 0xFFFFFF; }
    DWORD *Data() const { return pixels_; }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    DWORD *pixels_ = nullptr;
};

// A bitmap of random pixels; palette images get random colours unless
// `colors` is given.
inline void MakeRandomBitmap(BitmapRecord *bitmap, std::mt19937 &random, int width, int height, int bits,
                             int perspective, const std::vector<RGBQUAD> &colors = {}, int order = 1) {
    std::vector<RGBQUAD> palette;
    if (bits <= 8) {
        palette.resize(std::size_t{1} << bits);
        for (std::size_t i = 0; i < palette.size(); ++i) {
            if (!colors.empty()) {
                palette[i] = colors[i % colors.size()];
            } else {
                const unsigned v = random();
                palette[i] = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16), 0};
            }
        }
    }
    ASSERT_EQ(KrnCreateBitmap(bitmap, KRN_MEMORY_CONVENTIONAL, width, height, bits, order,
                              palette.empty() ? nullptr : palette.data(), perspective, nullptr, 0),
              STATUS_OK);
    std::vector<BYTE> row(static_cast<std::size_t>(bitmap->BytesPerLine));
    for (int r = 0; r < height; ++r) {
        for (BYTE &b : row) b = static_cast<BYTE>(random());
        KrnPutBitmapRow(bitmap, row.data(), r, static_cast<DWORD>(row.size()));
    }
}

// The 0x00RRGGBB colour a stored pixel paints as without any reduction.
inline DWORD StoredColor(BitmapRecord *bitmap, const StoredPixel &pixel) {
    const COLORREF c = KrnGetPixelColor(bitmap, pixel.row, pixel.column);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

inline std::string Describe(const PaintRequest &q) {
    std::ostringstream out;
    auto rect = [&](const RECT &r) { out << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")"; };
    out << "image " << q.width << "x" << q.height << " perspective " << q.perspective << " src ";
    rect(q.source);
    out << " srcClip ";
    rect(q.sourceClip);
    out << " dst ";
    rect(q.destination);
    out << " dstClip ";
    rect(q.destinationClip);
    return out.str();
}

// Every canvas pixel against the model: the colour `expected` gives for the
// stored pixel shown, or the background. Returns the number of mismatches
// (the first few are reported).
template <typename ColorOf>
int CompareWithModel(const Canvas &canvas, const PaintRequest &q, ColorOf expected, const std::string &label) {
    int mismatches = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const auto pixel = ReferenceSourcePixel(q, x, y);
            const DWORD want = pixel ? expected(*pixel) : kBackground;
            if (canvas.At(x, y) != want && ++mismatches <= 5) {
                ADD_FAILURE() << label << ": " << Describe(q) << " pixel (" << x << "," << y << ") is " << std::hex
                              << canvas.At(x, y) << ", want " << want << std::dec
                              << (pixel ? " from stored (" + std::to_string(pixel->column) + "," +
                                              std::to_string(pixel->row) + ")"
                                        : " (background)");
            }
        }
    }
    return mismatches;
}

// A random request on a canvas: edges biased, upside-down destinations and
// clips that cut both sides.
inline PaintRequest RandomRequest(std::mt19937 &random, int width, int height, int perspective, const Canvas &canvas,
                                  bool oneToOne) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    PaintRequest q;
    q.width = width;
    q.height = height;
    q.perspective = perspective;
    const int l = pick(0, width - 1), t = pick(0, height - 1);
    q.source = {l, t, pick(l + 1, width), pick(t + 1, height)};
    q.sourceClip = pick(0, 2) == 0 ? q.source : RECT{pick(-2, width), pick(-2, height), pick(0, width + 2), pick(0, height + 2)};
    const bool swapped = perspective == 4 || perspective == 5 || perspective == 7 || perspective == 8;
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

// Sets the thread's display mode for one test and restores it.
class DisplayModeScope {
public:
    explicit DisplayModeScope(UINT mode) : old_(Z_SetDisplayMode(0xFFFFFFFF, mode)) {}
    ~DisplayModeScope() { Z_SetDisplayMode(0xFFFFFFFF, old_); }

private:
    UINT old_;
};

}  // namespace zelt::test
