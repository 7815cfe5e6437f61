// Helpers of the tests that draw regions on devices: a 32-bit canvas with
// seeded pixels, bitmaps that own a test region, masks read back as pixel
// models, and per-pixel models of the display mapping, of the outline and
// of the stripe brushes, written from their definitions.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "region_test_support.h"
#include "support/perspective_oracle.h"
#include "zelt/host.h"

namespace zelt::test {

// A top-down 32-bit DIB section in a memory DC; pixels are 0x00RRGGBB.
class DrawCanvas {
public:
    DrawCanvas(int width, int height) : width_(width), height_(height) {
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
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~DrawCanvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    DrawCanvas(const DrawCanvas &) = delete;
    DrawCanvas &operator=(const DrawCanvas &) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    DWORD At(int x, int y) const { return pixels_[y * width_ + x] & 0xFFFFFF; }
    std::vector<DWORD> Pixels() const {
        std::vector<DWORD> all(pixels_, pixels_ + width_ * height_);
        for (DWORD &p : all) p &= 0xFFFFFF;
        return all;
    }
    void Fill(const std::vector<DWORD> &pixels) { std::copy(pixels.begin(), pixels.end(), pixels_); }
    void Fill(uint32_t seed) {
        std::mt19937 rng(seed);
        for (int i = 0; i < width_ * height_; ++i) pixels_[i] = rng() & 0xFFFFFF;
    }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    DWORD *pixels_ = nullptr;
};

// A described bitmap (no image data) that owns the region attached to it.
struct RegionBitmap {
    BitmapRecord record{};
    RegionBitmap(LONG width, LONG height, LONG perspective = 0) {
        EXPECT_EQ(KrnInitBitmapRecord(&record, width, height, 24), STATUS_OK);
        record.ViewPerspective = perspective;
    }
    RegionBitmap(const PixelMask &shape, LONG perspective = 0) : RegionBitmap(shape.width, shape.height, perspective) {
        record.Region = RecordFromMask(shape).release();
    }
    ~RegionBitmap() { KrnFreeRegion(record.Region); }
    RegionBitmap(const RegionBitmap &) = delete;
    RegionBitmap &operator=(const RegionBitmap &) = delete;
    BitmapRecord *get() { return &record; }
};

// The set bits of a monochrome bitmap, placed at (originX, originY).
inline PixelMask ReadMask(HBITMAP mask, LONG originX, LONG originY) {
    BITMAP info{};
    GetObjectA(mask, sizeof(info), &info);
    PixelMask pixels(info.bmWidth, info.bmHeight, originX, originY);
    std::vector<DWORD> rgb(size_t(info.bmWidth) * size_t(info.bmHeight));
    EXPECT_TRUE(ZeltHostReadPixels(mask, 0, 0, info.bmWidth, info.bmHeight, rgb.data()));
    for (LONG y = 0; y < info.bmHeight; ++y)
        for (LONG x = 0; x < info.bmWidth; ++x)
            pixels.Set(originX + x, originY + y, rgb[size_t(y) * size_t(info.bmWidth) + size_t(x)] != 0);
    return pixels;
}

// (v * num + bias) / den for one edge, 0 staying 0.
inline LONG ScaleEdgeModel(LONG v, LONG num, LONG den, bool roundUp) {
    if (v == 0) return 0;
    return LONG((int64_t(v) * num + (roundUp ? den - 1 : 0)) / den);
}

// Where the pixels of a region of a W x H bitmap stored in perspective
// `view` land in display space under `xform`: each pixel moves to where an
// image stored in perspective xform.Perspective holds the same pixel of
// the picture (the one both perspectives show at the same place), becomes
// the block of display pixels its edges scale to, and is offset.
inline PixelMask DisplayModel(const PixelMask &region, LONG view, const RegionXForm &xform, const PixelMask &canvas) {
    const LONG w = region.width, h = region.height;
    PixelMask turned = region;
    if (view != xform.Perspective) {
        const bool shownExchanged = ExchangesAxes(view);
        const int pictureW = shownExchanged ? h : w, pictureH = shownExchanged ? w : h;
        const bool targetExchanged = ExchangesAxes(xform.Perspective);
        const int targetW = targetExchanged ? pictureH : pictureW, targetH = targetExchanged ? pictureW : pictureH;
        // The target pixel each picture position shows.
        std::vector<Point> heldAt(size_t(pictureW) * size_t(pictureH));
        for (int r = 0; r < targetH; ++r)
            for (int c = 0; c < targetW; ++c) {
                const Point shown = Displayed(xform.Perspective, targetW, targetH, c, r);
                heldAt[size_t(shown.y) * size_t(pictureW) + size_t(shown.x)] = Point{c, r};
            }
        turned = PixelMask(targetW, targetH);
        for (LONG r = 0; r < h; ++r)
            for (LONG c = 0; c < w; ++c) {
                if (!region.Get(c, r)) continue;
                const Point shown = Displayed(view, w, h, c, r);
                const Point target = heldAt[size_t(shown.y) * size_t(pictureW) + size_t(shown.x)];
                turned.Set(target.x, target.y);
            }
    }
    const bool roundRowsUp = xform.Perspective == 2 || (xform.Perspective == 0 && view == 4);
    PixelMask out(canvas.width, canvas.height, canvas.originX, canvas.originY);
    for (LONG y = 0; y < turned.height; ++y)
        for (LONG x = 0; x < turned.width; ++x) {
            if (!turned.Get(x, y)) continue;
            const LONG x0 = ScaleEdgeModel(x, xform.XNum, xform.XDen, true);
            const LONG x1 = ScaleEdgeModel(x + 1, xform.XNum, xform.XDen, true);
            const LONG y0 = ScaleEdgeModel(y, xform.YNum, xform.YDen, roundRowsUp);
            const LONG y1 = ScaleEdgeModel(y + 1, xform.YNum, xform.YDen, roundRowsUp);
            for (LONG dy = y0; dy < y1; ++dy)
                for (LONG dx = x0; dx < x1; ++dx) {
                    if (out.Inside(dx + xform.XOffset, dy + xform.YOffset)) out.Set(dx + xform.XOffset, dy + xform.YOffset);
                    else ++out.outside;
                }
        }
    return out;
}

// Outline pixels: a selected pixel that begins or ends its run, or that
// itself or a selected horizontal neighbour lacks a selected pixel directly
// above or below.
inline PixelMask OutlineModel(const PixelMask &selected) {
    PixelMask outline(selected.width, selected.height, selected.originX, selected.originY);
    auto open = [&](LONG x, LONG y) {
        return selected.Get(x, y) && (!selected.Get(x, y - 1) || !selected.Get(x, y + 1));
    };
    for (LONG y = selected.originY; y < selected.originY + selected.height; ++y)
        for (LONG x = selected.originX; x < selected.originX + selected.width; ++x) {
            if (!selected.Get(x, y)) continue;
            const bool runEnd = !selected.Get(x - 1, y) || !selected.Get(x + 1, y);
            outline.Set(x, y, runEnd || open(x - 1, y) || open(x, y) || open(x + 1, y));
        }
    return outline;
}

// The colour stripe brush k shows at device pixel (x, y) when the DC's
// text colour is black and its background white: row r of brush k is
// P[(k + r) mod 8], bit 7 the leftmost pixel, set bits white.
inline DWORD StripeColor(int k, LONG x, LONG y) {
    static constexpr uint8_t kRows[8] = {0x0F, 0x1E, 0x3C, 0x78, 0xF0, 0xE1, 0xC3, 0x87};
    const uint8_t row = kRows[(k + ((y % 8) + 8) % 8) % 8];
    return (row >> (7 - ((x % 8) + 8) % 8)) & 1 ? 0xFFFFFF : 0x000000;
}

// Counts the canvas pixels that differ from `expected` and reports the first few.
inline int CountMismatches(const DrawCanvas &canvas, const std::vector<DWORD> &expected, const std::string &label) {
    int mismatches = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const DWORD want = expected[size_t(y) * size_t(canvas.width()) + size_t(x)];
            if (canvas.At(x, y) != want && ++mismatches <= 4) {
                ADD_FAILURE() << label << ": pixel (" << x << "," << y << ") is " << std::hex << canvas.At(x, y)
                              << ", want " << want << std::dec;
            }
        }
    return mismatches;
}

}  // namespace zelt::test
