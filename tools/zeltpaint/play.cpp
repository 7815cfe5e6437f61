// zeltpaint --play: the GIF decoded into frame records, the playback driven
// as an application drives it, and every frame shown written as PNG.
#include "play.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "dib_surface.h"
#include "gif_reader.h"
#include "png_io.h"
#include "store.h"
#include "zelt/display.h"

namespace zeltpaint {
namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Fail(int exitCode, const std::string &message) {
    std::fprintf(stderr, "zeltpaint: %s\n", message.c_str());
    return exitCode;
}

// The window the animation is shown in: a 24-bit surface of the canvas's
// displayed size, whose pixels are read back.
using Window = DibSurface;

// The frame list and the playback over it, released in that order's reverse.
class Playback {
public:
    explicit Playback(BitmapRecord *canvas) { status_ = Z_CreatePlayback(&handle_, canvas, nullptr); }
    ~Playback() {
        HBITMAPLIST list = nullptr;
        if (handle_ != nullptr) Z_DestroyPlayback(handle_, &list);
        KrnDestroyBitmapList(list);
    }
    Playback(const Playback &) = delete;
    Playback &operator=(const Playback &) = delete;
    int status() const { return status_; }
    HGLOBAL get() const { return handle_; }

private:
    HGLOBAL handle_ = nullptr;
    int status_;
};

// An 8-bit frame record with the GIF frame's colours, place, timing,
// transparency and disposal; its rows are zero until put.
int MakeFrameRecord(const GifFrame &gif, BitmapRecord *frame) {
    const int status = KrnCreateBitmap(frame, 0, gif.width, gif.height, 8, 0, gif.colors, 0, nullptr, 0);
    if (status != STATUS_OK) return status;
    frame->Left = gif.left;
    frame->Top = gif.top;
    frame->Delay = static_cast<DWORD>(gif.delayCentiseconds) * 10;
    frame->DisposalMethod = gif.disposal;
    if (gif.waitForInput) frame->Flags |= BITMAP_WAIT_INPUT;
    if (gif.transparentIndex >= 0) {
        // A palette index, not a colour: tables may hold the colour twice.
        frame->TransparentColor = 0x01000000u | static_cast<COLORREF>(gif.transparentIndex & 0xFF);
        frame->Flags |= BITMAP_TRANSPARENT;
    }
    return STATUS_OK;
}

int PutFrameRow(BitmapRecord *frame, const GifFrame &gif, int row) {
    const BYTE *indices = gif.indices.data() + static_cast<size_t>(row) * static_cast<size_t>(gif.width);
    const int copied = KrnPutBitmapRow(frame, indices, row, static_cast<DWORD>(gif.width));
    return copied < 0 ? copied : STATUS_OK;
}

// Drives the playback one transition at a time as an application's message
// loop would: paints what changed, notes each frame as it is shown, and
// takes every wait as over at once (the tool does not sleep).
class Player {
public:
    Player(HGLOBAL playback, BitmapRecord *canvas, Window &window, const GifAnimation &animation,
           const std::string &directory)
        : playback_(playback), canvas_(canvas), window_(window), animation_(animation), directory_(directory) {}

    UINT state() const { return state_; }
    int shown() const { return shown_; }
    const std::string &delays() const { return delays_; }

    bool Step(std::string &error) {
        const UINT before = state_;
        Z_ProcessPlayback(playback_, &state_);
        RECT changed{};
        Z_GetPlaybackUpdateRect(playback_, &changed, 1);
        if (changed.right > changed.left && changed.bottom > changed.top && !Paint(changed, error)) return false;
        if (before != PLAYBACK_DRAWN) return true;
        // The frame is on the canvas and its display time begins.
        if (!WriteShown(error)) return false;
        if (state_ != PLAYBACK_DISPOSE) Z_CancelPlaybackWait(playback_);
        Z_GetPlaybackState(playback_, &state_);
        return true;
    }

private:
    bool Paint(const RECT &stored, std::string &error) {
        RECT shown = stored;
        KrnRectFromBitmap(canvas_, 0, &shown);
        const int status = Z_PaintDC(window_.dc(), canvas_, &stored, nullptr, &shown, nullptr, SRCCOPY);
        if (status == STATUS_OK) return true;
        error = "painting the canvas failed (status " + std::to_string(status) + ")";
        return false;
    }

    bool WriteShown(std::string &error) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%03d.png", shown_++);
        if (!WritePicturePng(window_.Shown24(), directory_ + "/" + name, error)) return false;
        int index = 0;
        Z_GetPlaybackIndex(playback_, &index);
        const GifFrame &frame = animation_.frames[static_cast<size_t>(index)];
        delays_ += std::string(name) + " " + std::to_string(frame.delayCentiseconds * 10) +
                   (frame.waitForInput ? " input\n" : "\n");
        return true;
    }

    HGLOBAL playback_;
    BitmapRecord *canvas_;
    Window &window_;
    const GifAnimation &animation_;
    const std::string &directory_;
    UINT state_ = PLAYBACK_START;
    int shown_ = 0;
    std::string delays_;
};

// Steps until the last frame has been shown and disposed of. Every frame
// takes a handful of transitions once all frames are complete.
bool PlayToEnd(Player &player, const GifAnimation &animation, std::string &error) {
    const size_t limit = 8 * animation.frames.size() + 8;
    for (size_t step = 0; player.state() != PLAYBACK_END; ++step) {
        if (step == limit) {
            error = "the playback did not come to its end";
            return false;
        }
        if (!player.Step(error)) return false;
    }
    return true;
}

// Appends every frame whole, then plays once through.
bool PlayLoaded(HGLOBAL playback, const GifAnimation &animation, Player &player, std::string &error) {
    for (const GifFrame &gif : animation.frames) {
        BitmapRecord frame{};
        int status = MakeFrameRecord(gif, &frame);
        for (int y = 0; y < gif.height && status == STATUS_OK; ++y) status = PutFrameRow(&frame, gif, y);
        if (status == STATUS_OK) status = Z_AppendPlayback(playback, &frame);
        if (status != STATUS_OK) {
            KrnFreeBitmap(&frame);
            error = "cannot add a frame (status " + std::to_string(status) + ")";
            return false;
        }
        Z_ValidatePlaybackLines(playback, 0, gif.height);  // all its rows are there
    }
    return PlayToEnd(player, animation, error);
}

// Appends each frame empty and hands its rows over in the order a decoder
// reading the file meets them, a few at a time, playing between them; the
// playback holds at a frame until all its rows are there.
bool PlayProgressive(HGLOBAL playback, const GifAnimation &animation, Player &player, std::string &error) {
    constexpr size_t kRowsPerChunk = 5;
    for (const GifFrame &gif : animation.frames) {
        BitmapRecord frame{};
        int status = MakeFrameRecord(gif, &frame);
        if (status == STATUS_OK) status = Z_AppendPlayback(playback, &frame);
        if (status != STATUS_OK) {
            KrnFreeBitmap(&frame);
            error = "cannot add a frame (status " + std::to_string(status) + ")";
            return false;
        }
        // The list holds the frame now; `frame` still addresses its rows.
        const std::vector<int> order = ArrivalOrder(gif);
        for (size_t i = 0; i < order.size(); ++i) {
            if (PutFrameRow(&frame, gif, order[i]) != STATUS_OK) {
                error = "cannot store a row";
                return false;
            }
            Z_ValidatePlaybackLines(playback, order[i], 1);
            // Stepping past the end would start again at frame 0.
            if (i % kRowsPerChunk == 0 && player.state() != PLAYBACK_END && !player.Step(error)) return false;
        }
    }
    return PlayToEnd(player, animation, error);
}

}  // namespace

int RunPlay(const Options &options) {
    if (!GifSupported()) return Fail(kExitUsage, "--play: GIF support is not built into this zeltpaint");
    GifAnimation animation;
    std::string error;
    if (!ReadGif(options.play, animation, error)) return Fail(kExitUsage, error);
    std::error_code made;
    std::filesystem::create_directories(options.output, made);
    if (made) return Fail(kExitFailed, "cannot make the directory " + options.output + ": " + made.message());

    OwnedBitmap canvas;
    const int perspective = options.perspective >= 0 ? options.perspective : 0;
    int status = KrnCreateBitmap(&canvas.record, 0, animation.width, animation.height, 24, 1, nullptr, perspective,
                                 nullptr, 0);
    if (status != STATUS_OK) return Fail(kExitFailed, "cannot make the canvas (status " + std::to_string(status) + ")");
    canvas.record.BackgroundColor = animation.background;
    Window window(animation.width, animation.height, 24);
    if (!window.Ready()) return Fail(kExitFailed, "cannot make the window's device");
    Playback playback(&canvas.record);
    if (playback.status() != STATUS_OK) return Fail(kExitFailed, "cannot start the playback");

    Player player(playback.get(), &canvas.record, window, animation, options.output);
    const bool played = options.progressive ? PlayProgressive(playback.get(), animation, player, error)
                                            : PlayLoaded(playback.get(), animation, player, error);
    if (!played) return Fail(kExitFailed, error);
    const std::string delaysPath = options.output + "/delays.txt";
    std::FILE *delays = std::fopen(delaysPath.c_str(), "w");
    if (delays == nullptr) return Fail(kExitFailed, "cannot write " + delaysPath);
    std::fputs(player.delays().c_str(), delays);
    std::fclose(delays);
    std::printf("zeltpaint: played %s: %d frames shown, written to %s\n", options.play.c_str(), player.shown(),
                options.output.c_str());
    return 0;
}

}  // namespace zeltpaint
