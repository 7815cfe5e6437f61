// Moving a playback to a given frame by replaying: forward from where it
// stands, or from the start when the frame lies behind it.
#include <cstdint>

#include "playback/playback_internal.h"

using namespace zelt::playback;

int ZELT_API Z_SetPlaybackIndex(HGLOBAL hPlayback, int nIndex) {
    PlaybackRecord *playback = ResolvePlayback(hPlayback);
    if (playback == nullptr) return STATUS_BAD_PARAMETER;
    const auto count = static_cast<std::int64_t>(KrnGetBitmapListCount(playback->FrameList));
    if (nIndex < -1 || nIndex > count) return STATUS_BAD_PARAMETER;
    // From now on the last frame counts as complete.
    ClearRowState(*playback);
    if (playback->Index > nIndex) {
        KrnFreeBitmap(&playback->SavedArea);
        playback->State = PLAYBACK_START;
        playback->Index = -1;
    }
    while (playback->Index < nIndex) {
        const int status = Z_ProcessPlayback(hPlayback, nullptr);
        if (status != STATUS_OK) return status;
        const DWORD state = playback->State;
        if (state == PLAYBACK_WAIT_INPUT || state == PLAYBACK_WAIT_DELAY || state == PLAYBACK_WAIT_INPUT_DELAY) {
            playback->State = PLAYBACK_DISPOSE;  // waits are skipped
        }
    }
    return STATUS_OK;
}
