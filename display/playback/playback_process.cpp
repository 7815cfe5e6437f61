// The playback state machine: one transition per call, never a wait. The
// application paints the update rectangle between calls and does the
// waiting itself, asking how long is left.
#include "playback/playback_internal.h"

namespace zelt::playback {
namespace {

bool IsWaiting(DWORD state) {
    return state == PLAYBACK_WAIT_INPUT || state == PLAYBACK_WAIT_DELAY || state == PLAYBACK_WAIT_INPUT_DELAY;
}

// Milliseconds since the current frame's delay began; the subtraction in 32
// bits makes the tick counter's wrap-around harmless.
DWORD ElapsedTicks(const PlaybackRecord &playback) { return GetTickCount() - playback.FrameStartTick; }

void StartCanvas(PlaybackRecord &playback) {
    BitmapRecord &canvas = *playback.Target;
    KrnFillBitmap(&canvas, canvas.BackgroundColor);
    AddFrameArea(playback, canvas);
    playback.State = PLAYBACK_CLEARED;
}

void NextFrame(PlaybackRecord &playback) {
    playback.Index += 1;
    const UINT count = KrnGetBitmapListCount(playback.FrameList);
    playback.State = static_cast<UINT>(playback.Index) < count ? PLAYBACK_DRAW : PLAYBACK_END;
}

void DrawDueFrame(PlaybackRecord &playback, BitmapRecord &frame) {
    const UINT count = KrnGetBitmapListCount(playback.FrameList);
    if (playback.Index < 0 || static_cast<UINT>(playback.Index) >= count) {
        // The list lost the frame behind the playback's back: nothing to show.
        playback.State = PLAYBACK_END;
        return;
    }
    if (static_cast<UINT>(playback.Index) == count - 1 && playback.RowsPending != 0) {
        playback.State = PLAYBACK_WAIT_ROWS;
        return;
    }
    DrawFrame(playback, frame);
    playback.State = PLAYBACK_DRAWN;
}

void ChooseWait(PlaybackRecord &playback, const BitmapRecord &frame) {
    const bool waitsForInput = (frame.Flags & BITMAP_WAIT_INPUT) != 0;
    if (frame.Delay != 0) {
        playback.FrameStartTick = GetTickCount();
        playback.State = waitsForInput ? PLAYBACK_WAIT_INPUT_DELAY : PLAYBACK_WAIT_DELAY;
    } else {
        playback.State = waitsForInput ? PLAYBACK_WAIT_INPUT : PLAYBACK_DISPOSE;
    }
}

void Transition(PlaybackRecord &playback, BitmapRecord &frame) {
    switch (playback.State) {
        case PLAYBACK_START: StartCanvas(playback); break;
        case PLAYBACK_CLEARED:
        case PLAYBACK_DISPOSED: NextFrame(playback); break;
        case PLAYBACK_END:
            // Frame 0 goes over what the last frame left: no new clear.
            playback.Index = 0;
            playback.State = PLAYBACK_DRAW;
            break;
        case PLAYBACK_DRAW:
        case PLAYBACK_WAIT_ROWS: DrawDueFrame(playback, frame); break;
        case PLAYBACK_DRAWN: ChooseWait(playback, frame); break;
        case PLAYBACK_WAIT_DELAY:
        case PLAYBACK_WAIT_INPUT_DELAY:
            if (ElapsedTicks(playback) >= frame.Delay) playback.State = PLAYBACK_DISPOSE;
            break;
        case PLAYBACK_DISPOSE:
            DisposeFrame(playback, frame);
            playback.State = PLAYBACK_DISPOSED;
            break;
        default: break;  // PLAYBACK_WAIT_INPUT: only user input ends it
    }
}

}  // namespace
}  // namespace zelt::playback

using namespace zelt::playback;

int ZELT_API Z_ProcessPlayback(HGLOBAL hPlayback, UINT *pState) {
    PlaybackRecord *playback = ResolvePlayback(hPlayback);
    if (playback == nullptr) return STATUS_BAD_PARAMETER;
    // A shallow copy of the current frame; states that need none find it
    // empty, as before the first frame.
    BitmapRecord frame{};
    KrnGetBitmapListItem(playback->FrameList, playback->Index, &frame);
    Transition(*playback, frame);
    if (pState != nullptr) *pState = playback->State;
    return STATUS_OK;
}

int ZELT_API Z_CancelPlaybackWait(HGLOBAL hPlayback) {
    PlaybackRecord *playback = ResolvePlayback(hPlayback);
    if (playback == nullptr) return STATUS_BAD_PARAMETER;
    if (IsWaiting(playback->State)) playback->State = PLAYBACK_DISPOSE;
    return STATUS_OK;
}

int ZELT_API Z_GetPlaybackDelay(HGLOBAL hPlayback, UINT *pDelay) {
    PlaybackRecord *playback = ResolvePlayback(hPlayback);
    if (playback == nullptr || pDelay == nullptr) return STATUS_BAD_PARAMETER;
    *pDelay = 0;
    if (playback->State != PLAYBACK_WAIT_DELAY && playback->State != PLAYBACK_WAIT_INPUT_DELAY) return STATUS_OK;
    BitmapRecord frame{};
    KrnGetBitmapListItem(playback->FrameList, playback->Index, &frame);
    const DWORD elapsed = ElapsedTicks(*playback);
    if (frame.Delay > elapsed) *pDelay = frame.Delay - elapsed;
    return STATUS_OK;
}
