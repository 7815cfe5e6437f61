// Seeded random animations (frames smaller than, offset on and sticking out
// of the canvas, palette and 24-bit frames, frame regions, transparency by
// index or colour, every disposal, waits) against an independent model of
// GIF composition, on top-down and bottom-up canvases: the canvas after
// every drawing and disposal, the update rectangles, the timing, and
// cancelling, which ends waits and nothing else.
#include "playback_fixture.h"

namespace zelt::test {
namespace {

class PlaybackCompose : public LeakCheckedTest {};

using Canvas = std::vector<Rgb>;  // displayed pixels, rows top to bottom

struct ModelFrame {
    RECT box, area;  // displayed: the frame's rectangle, and what it reports as changed
    int disposal = 0;
    DWORD delay = 0;
    bool waits = false;
    std::vector<Rgb> colors;  // per frame pixel
    std::vector<bool> drawn;  // inside the region and not transparent
    RegionRecord *region = nullptr;
};

int RandomBelow(std::mt19937 &rng, int n) { return int(rng() % uint32_t(n)); }

// A frame at a random place with its model: 8-bit (of the canvas's palette
// when one is given), or already 24-bit; maybe a rectangle region, a
// transparent colour (by index or by colour) and a wait.
BitmapRecord RandomFrame(std::mt19937 &rng, int w, int h, const RGBQUAD *canvasPalette, ModelFrame &m) {
    const int fw = 1 + RandomBelow(rng, w + 2), fh = 1 + RandomBelow(rng, h + 2);
    BitmapRecord frame = MakeFrame(rng, RandomBelow(rng, w + 3) - 2, RandomBelow(rng, h + 3) - 2, fw, fh,
                                   2 + RandomBelow(rng, 6), canvasPalette);
    if (canvasPalette == nullptr && rng() % 3 == 0) {
        BitmapRecord deep{};
        EXPECT_EQ(KrnConvertColorRes(&frame, &deep, 24, KRN_COLORRES_BGR, nullptr, nullptr, 0, 0, 0), STATUS_OK);
        KrnFreeBitmap(&frame);
        frame = deep;
    }
    RECT selected{0, 0, fw, fh};
    if (rng() % 3 == 0) {
        selected.left = RandomBelow(rng, fw), selected.top = RandomBelow(rng, fh);
        selected.right = selected.left + 1 + RandomBelow(rng, fw - selected.left);
        selected.bottom = selected.top + 1 + RandomBelow(rng, fh - selected.top);
        EXPECT_EQ(Z_SetBitmapRgnRect(&frame, nullptr, &selected, RGNMODE_SET), STATUS_OK);
    }
    const auto palette = ColorsOf(frame);
    const Layout layout{frame.BitsPerPixel, frame.Order};
    auto colorAt = [&](int x, int y) {
        return PixelColor(RowOf(frame, y), x, layout, palette.data(), int(palette.size()));
    };
    const int tx = RandomBelow(rng, fw), ty = RandomBelow(rng, fh);
    const Rgb clear = colorAt(tx, ty);
    int clearIndex = frame.BitsPerPixel == 8 ? NearestIndex(palette.data(), int(palette.size()), clear) : -1;
    frame.TransparentColor = RGB(clear.r, clear.g, clear.b);  // a colour names its first entry
    if (clearIndex >= 0 && rng() % 2) {
        clearIndex = int(ReadPixel(RowOf(frame, ty), tx, 8));
        frame.TransparentColor = 0x01000000u | DWORD(clearIndex);
    }
    const bool transparent = rng() % 2 != 0;
    frame.Flags |= (transparent ? BITMAP_TRANSPARENT : 0) | (rng() % 4 == 0 ? BITMAP_WAIT_INPUT : 0);
    frame.DisposalMethod = RandomBelow(rng, 4);
    frame.Delay = rng() % 3 ? 0 : 1 + rng() % 400;

    m = ModelFrame{{frame.Left, frame.Top, frame.Left + fw, frame.Top + fh}, selected, frame.DisposalMethod,
                   frame.Delay, (frame.Flags & BITMAP_WAIT_INPUT) != 0, {}, {}, frame.Region};
    OffsetRect(&m.area, frame.Left, frame.Top);
    for (int y = 0; y < fh; ++y)
        for (int x = 0; x < fw; ++x) {
            const bool isClear = clearIndex >= 0 ? int(ReadPixel(RowOf(frame, y), x, 8)) == clearIndex
                                                 : colorAt(x, y) == clear;
            m.colors.push_back(colorAt(x, y));
            m.drawn.push_back(x >= selected.left && x < selected.right && y >= selected.top && y < selected.bottom &&
                              !(transparent && isClear));
        }
    return frame;
}

// Frame pixels onto the model canvas, or (from not null) the frame's
// rectangle taken from another canvas.
void Compose(Canvas &canvas, int w, int h, const ModelFrame &f, const Canvas *from) {
    const int fw = f.box.right - f.box.left;
    for (int y = std::max<int>(f.box.top, 0); y < std::min<int>(f.box.bottom, h); ++y)
        for (int x = std::max<int>(f.box.left, 0); x < std::min<int>(f.box.right, w); ++x) {
            const size_t at = size_t(y - f.box.top) * size_t(fw) + size_t(x - f.box.left), to = size_t(y * w + x);
            if (from != nullptr) canvas[to] = (*from)[to];
            else if (f.drawn[at]) canvas[to] = f.colors[at];
        }
}

// Displayed rectangle to the canvas's stored coordinates, cut to the canvas.
RECT Stored(const BitmapRecord &canvas, RECT r) {
    const RECT whole{0, 0, canvas.Width, canvas.Height};
    IntersectRect(&r, &r, &whole);
    if (canvas.ViewPerspective == 2 && r.bottom > r.top)
        r = {r.left, canvas.Height - r.bottom, r.right, canvas.Height - r.top};
    return r;
}

// The wait after a frame: its kind, the delay left, no change before the
// delay has passed, the end of the wait on time or (for input) on cancel.
void Wait(Playback &playback, const ModelFrame &f, DWORD &tick) {
    const UINT wait = playback.Process();
    EXPECT_EQ(wait, UINT(f.delay ? (f.waits ? PLAYBACK_WAIT_INPUT_DELAY : PLAYBACK_WAIT_DELAY)
                                 : (f.waits ? PLAYBACK_WAIT_INPUT : PLAYBACK_DISPOSE)));
    UINT left = 0;
    EXPECT_EQ(Z_GetPlaybackDelay(playback.handle, &left), STATUS_OK);
    if (kHostControls && f.delay != 0) {
        EXPECT_EQ(left, f.delay);
        ZeltHostSetTickCount(tick += f.delay - 1);
        EXPECT_EQ(playback.Process(), wait);
        ZeltHostSetTickCount(++tick);
        EXPECT_TRUE(Z_GetPlaybackDelay(playback.handle, &left) == STATUS_OK && left == 0);
        EXPECT_EQ(playback.Process(), UINT(PLAYBACK_DISPOSE));
    } else if (wait != PLAYBACK_DISPOSE) {
        EXPECT_LE(left, f.delay);
        if (f.delay == 0) {
            EXPECT_EQ(playback.Process(), wait);  // only input ends this wait
        }
        Z_CancelPlaybackWait(playback.handle);
    }
}

TEST_F(PlaybackCompose, MatchesAModelOfGifComposition) {
    DWORD tick = 0xFFFFFF00u;  // the delays straddle the counter's wrap-around
    if (kHostControls) ZeltHostSetTickCount(tick);
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        std::mt19937 rng(seed);
        const int w = 4 + RandomBelow(rng, 20), h = 3 + RandomBelow(rng, 15);
        const bool paletteCanvas = rng() % 5 == 0;
        const auto palette = RandomPalette(rng, 256);
        const RGBQUAD &bg = palette[rng() % 256];
        BitmapRecord canvas = MakeCanvas(w, h, paletteCanvas ? 8 : 24, rng() % 2 ? 2 : 0,
                                         RGB(bg.rgbRed, bg.rgbGreen, bg.rgbBlue), palette.data());
        const Canvas background(size_t(w * h), ToRgb(bg));
        Canvas model = background;
        {
            Playback playback(&canvas);
            std::vector<ModelFrame> frames(1 + rng() % 5);
            for (ModelFrame &f : frames)
                playback.Append(RandomFrame(rng, w, h, paletteCanvas ? palette.data() : nullptr, f));
            EXPECT_EQ(playback.CancelOutsideWait(), UINT(PLAYBACK_START));
            ASSERT_EQ(playback.Process(), UINT(PLAYBACK_CLEARED)) << seed;
            EXPECT_EQ(playback.TakeUpdate(), (RECT{0, 0, w, h})) << seed;
            for (size_t i = 0; i < frames.size(); ++i) {
                const ModelFrame &f = frames[i];
                ASSERT_EQ(playback.Process(), UINT(PLAYBACK_DRAW)) << seed;
                EXPECT_EQ(playback.CancelOutsideWait(), UINT(PLAYBACK_DRAW));
                const Canvas under = model;
                Compose(model, w, h, f, nullptr);
                ASSERT_EQ(playback.Process(), UINT(PLAYBACK_DRAWN)) << seed;
                EXPECT_EQ(playback.CancelOutsideWait(), UINT(PLAYBACK_DRAWN));
                EXPECT_EQ(playback.TakeUpdate(), Stored(canvas, f.area)) << seed << " frame " << i;
                ASSERT_EQ(Shown(canvas), model) << seed << " frame " << i << " drawn";
                Wait(playback, f, tick);
                EXPECT_EQ(playback.CancelOutsideWait(), UINT(PLAYBACK_DISPOSE));
                ASSERT_EQ(playback.Process(), UINT(PLAYBACK_DISPOSED)) << seed;
                EXPECT_EQ(playback.CancelOutsideWait(), UINT(PLAYBACK_DISPOSED));
                if (f.disposal == 2 || f.disposal == 3) Compose(model, w, h, f, f.disposal == 2 ? &background : &under);
                EXPECT_EQ(playback.TakeUpdate(), f.disposal >= 2 ? Stored(canvas, f.area) : RECT{}) << seed << " " << i;
                ASSERT_EQ(Shown(canvas), model) << seed << " frame " << i << " disposed by " << f.disposal;
            }
            EXPECT_EQ(playback.Process(), UINT(PLAYBACK_END));
            EXPECT_EQ(playback.CancelOutsideWait(), UINT(PLAYBACK_END));
            // The listed records keep their own regions (or none).
            const auto *record = static_cast<const PlaybackRecord *>(GlobalLock(playback.handle));
            GlobalUnlock(playback.handle);
            for (size_t i = 0; i < frames.size(); ++i) {
                BitmapRecord listed{};
                KrnGetBitmapListItem(record->FrameList, int(i), &listed);
                EXPECT_EQ(listed.Region, frames[i].region);
            }
        }
        KrnFreeBitmap(&canvas);
    }
    if (kHostControls) ZeltHostUseRealClock();
}

}  // namespace
}  // namespace zelt::test
