// Playbacks for the tests: canvases and seeded frames, a playback that
// gives its list back and destroys it, and the canvas read as colours in
// displayed coordinates.
#pragma once

#include <random>

#include "support/bitmap_model.h"
#include "support/host_controls.h"
#include "support/leak_guard.h"
#include "support/perspective_oracle.h"
#include "zelt/display.h"

// Rectangles compared and printed by value (found by argument lookup).
inline std::ostream &operator<<(std::ostream &out, const RECT &r) {
    return out << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}
inline bool operator==(const RECT &a, const RECT &b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

namespace zelt::test {

inline BitmapRecord MakeCanvas(int w, int h, int bits, int perspective, COLORREF background,
                               const RGBQUAD *palette = nullptr) {
    BitmapRecord canvas{};
    EXPECT_EQ(KrnCreateBitmap(&canvas, 0, w, h, bits, 1, palette, perspective, nullptr, 0), STATUS_OK);
    canvas.BackgroundColor = background;
    return canvas;
}

// An 8-bit frame of random indices below `colors` (its palette: `palette`,
// or random) at (left, top).
inline BitmapRecord MakeFrame(std::mt19937 &rng, int left, int top, int w, int h, int colors,
                              const RGBQUAD *palette = nullptr) {
    const auto random = RandomPalette(rng, 256);
    BitmapRecord frame{};
    EXPECT_EQ(KrnCreateBitmap(&frame, 0, w, h, 8, 0, palette ? palette : random.data(), 0, nullptr, 0), STATUS_OK);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) static_cast<BYTE *>(frame.Data)[y * frame.BytesPerLine + x] = BYTE(rng() % colors);
    frame.Left = left, frame.Top = top;
    return frame;
}

struct Playback {
    HGLOBAL handle = nullptr;
    explicit Playback(BitmapRecord *canvas) { EXPECT_EQ(Z_CreatePlayback(&handle, canvas, nullptr), STATUS_OK); }
    ~Playback() {
        HBITMAPLIST list = nullptr;
        Z_DestroyPlayback(handle, &list);
        KrnDestroyBitmapList(list);
    }
    // Appends with every row reported.
    void Append(BitmapRecord frame) {
        EXPECT_EQ(Z_AppendPlayback(handle, &frame), STATUS_OK);
        Z_ValidatePlaybackLines(handle, 0, frame.Height);
    }
    UINT Process() {
        UINT state = 99;
        EXPECT_EQ(Z_ProcessPlayback(handle, &state), STATUS_OK);
        return state;
    }
    // Cancels a wait where there is none: the state stays, no delay is left.
    UINT CancelOutsideWait() const {
        UINT state = 99, left = 7;
        EXPECT_EQ(Z_CancelPlaybackWait(handle), STATUS_OK);
        EXPECT_TRUE(Z_GetPlaybackDelay(handle, &left) == STATUS_OK && left == 0);
        Z_GetPlaybackState(handle, &state);
        return state;
    }
    int Index() const {
        int index = -99;
        Z_GetPlaybackIndex(handle, &index);
        return index;
    }
    RECT TakeUpdate() const {
        RECT r{-1, -1, -1, -1};
        Z_GetPlaybackUpdateRect(handle, &r, 1);
        return r;
    }
};

// The canvas's colours, displayed rows top to bottom.
inline std::vector<Rgb> Shown(const BitmapRecord &canvas) {
    const auto colors = canvas.BitsPerPixel <= 8 ? ColorsOf(canvas) : std::vector<RGBQUAD>{};
    std::vector<Rgb> shown(size_t(canvas.Width) * size_t(canvas.Height));
    for (int r = 0; r < canvas.Height; ++r)
        for (int c = 0; c < canvas.Width; ++c) {
            const Point at = Displayed(canvas.ViewPerspective, canvas.Width, canvas.Height, c, r);
            shown[size_t(at.y) * size_t(canvas.Width) + size_t(at.x)] =
                PixelColor(RowOf(canvas, r), c, {canvas.BitsPerPixel, canvas.Order}, colors.data(), int(colors.size()));
        }
    return shown;
}

}  // namespace zelt::test
