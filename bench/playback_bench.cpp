// Animation playback: composition of a 200-frame 1024 x 768 animation, in
// frames per second, against memcpy of the canvas measured in the same run.
// Frames are 8-bit, of random size and place (from an eighth of the canvas
// to all of it), with disposal methods keep, background and previous and a
// transparent index on every other frame, as animated GIFs carry them.
//
//   BM_Playback/0  8-bit frames of their own palettes on a 24-bit canvas:
//                  each frame is converted before it is drawn
//   BM_Playback/1  frames sharing the palette of an 8-bit canvas: drawn as
//                  they stand
//
// One iteration is one frame: drawn, its disposal applied, the next one due.
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "zelt/display.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768, kFrames = 200;

std::vector<RGBQUAD> RandomColors(std::mt19937 &random) {
    std::vector<RGBQUAD> colors(256);
    for (RGBQUAD &c : colors) c = RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0};
    return colors;
}

// A playback over the animation; the canvas, the list and the playback are
// released at the end.
class Animation {
public:
    explicit Animation(bool sameFormat) {
        std::mt19937 random(11);
        const std::vector<RGBQUAD> shared = RandomColors(random);
        if (KrnCreateBitmap(&canvas_, 0, kWidth, kHeight, sameFormat ? 8 : 24, 1, shared.data(), 0, nullptr, 0) !=
            STATUS_OK)
            return;
        canvas_.BackgroundColor = RGB(shared[0].rgbRed, shared[0].rgbGreen, shared[0].rgbBlue);
        if (Z_CreatePlayback(&playback_, &canvas_, nullptr) != STATUS_OK) return;
        for (int k = 0; k < kFrames; ++k) {
            const int w = k == 0 ? kWidth : kWidth / 8 + int(random() % (kWidth - kWidth / 8));
            const int h = k == 0 ? kHeight : kHeight / 8 + int(random() % (kHeight - kHeight / 8));
            const std::vector<RGBQUAD> own = RandomColors(random);
            BitmapRecord frame{};
            if (KrnCreateBitmap(&frame, 0, w, h, 8, 0, sameFormat ? shared.data() : own.data(), 0, nullptr, 0) !=
                STATUS_OK)
                return;
            auto *bytes = static_cast<BYTE *>(frame.Data);
            for (DWORD i = 0; i < frame.DataSize; ++i) bytes[i] = BYTE(random());
            frame.Left = int(random() % (kWidth - w + 1));
            frame.Top = int(random() % (kHeight - h + 1));
            frame.DisposalMethod = 1 + k % 3;
            if (k % 2 != 0) frame.Flags |= BITMAP_TRANSPARENT, frame.TransparentColor = 0x01000000u | (k & 0xFF);
            if (Z_AppendPlayback(playback_, &frame) != STATUS_OK) return;
            Z_ValidatePlaybackLines(playback_, 0, h);
        }
        ready_ = true;
    }
    ~Animation() {
        HBITMAPLIST list = nullptr;
        if (playback_ != nullptr) Z_DestroyPlayback(playback_, &list);
        KrnDestroyBitmapList(list);
        KrnFreeBitmap(&canvas_);
    }
    Animation(const Animation &) = delete;
    Animation &operator=(const Animation &) = delete;

    bool ready() const { return ready_; }
    // Draws the frame that is due, disposes of it and stops when the next
    // one is due.
    void PlayFrame() {
        UINT state = 0;
        do Z_ProcessPlayback(playback_, &state);
        while (state != PLAYBACK_DRAW);
        Z_ClearPlaybackUpdateRect(playback_);
    }

private:
    BitmapRecord canvas_{};
    HGLOBAL playback_ = nullptr;
    bool ready_ = false;
};

void BM_MemcpyCanvas(benchmark::State &state) {
    const size_t bytes = size_t((kWidth * 24 + 31) / 32 * 4) * kHeight;
    std::vector<BYTE> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MemcpyCanvas);

void BM_Playback(benchmark::State &state) {
    Animation animation(state.range(0) != 0);
    if (!animation.ready()) {
        state.SkipWithError("cannot build the animation");
        return;
    }
    for (auto _ : state) {
        animation.PlayFrame();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Playback)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
