// Frames added while the animation plays: the last appended frame's rows are
// tracked one bit each until all have been reported, and the state machine
// holds at that frame meanwhile.
#include <algorithm>
#include <cstdint>

#include "playback/playback_internal.h"

namespace zelt::playback {
namespace {

// Row r is bit 7 - (r mod 8) of byte r / 8.
bool TakeRow(BYTE *flags, LONG row) {
    BYTE &byte = flags[row / 8];
    const BYTE bit = static_cast<BYTE>(0x80u >> (row % 8));
    if ((byte & bit) != 0) return false;
    byte = static_cast<BYTE>(byte | bit);
    return true;
}

}  // namespace
}  // namespace zelt::playback

using namespace zelt::playback;

int ZELT_API Z_AppendPlayback(HGLOBAL hPlayback, BitmapRecord *pFrame) {
    PlaybackRecord *playback = ResolvePlayback(hPlayback);
    // The frame is not checked further: the caller passes an allocated one.
    if (playback == nullptr || pFrame == nullptr) return STATUS_BAD_PARAMETER;
    ClearRowState(*playback);
    // One byte a row is allocated although one bit a row is used.
    playback->RowFlags = static_cast<BYTE *>(KrnAllocZeroed(static_cast<DWORD>(std::max<LONG>(pFrame->Height, 1))));
    if (playback->RowFlags == nullptr) return STATUS_NO_MEMORY;
    playback->RowsMissing = static_cast<DWORD>(std::max<LONG>(pFrame->Height, 0));
    playback->RowsPending = 1;
    int status = KrnInsertBitmapListItem(playback->FrameList, -1, pFrame);
    if (status != STATUS_OK) {
        ClearRowState(*playback);
        return status;
    }
    const int last = static_cast<int>(KrnGetBitmapListCount(playback->FrameList)) - 1;
    BitmapRecord listed{};
    KrnGetBitmapListItem(playback->FrameList, last, &listed);
    KrnResetListedBitmap(&listed);
    KrnSetBitmapListItem(playback->FrameList, last, &listed);
    // Index already names the new frame: play on from it, not from the start.
    if (playback->State == PLAYBACK_END) playback->State = PLAYBACK_DRAW;
    return STATUS_OK;
}

int ZELT_API Z_ValidatePlaybackLines(HGLOBAL hPlayback, int nRow, int nLines) {
    PlaybackRecord *playback = ResolvePlayback(hPlayback);
    if (playback == nullptr) return STATUS_BAD_PARAMETER;
    if (playback->RowsPending == 0) return STATUS_OK;
    const int last = static_cast<int>(KrnGetBitmapListCount(playback->FrameList)) - 1;
    BitmapRecord frame{};
    KrnGetBitmapListItem(playback->FrameList, last, &frame);
    const std::int64_t first = std::max(nRow, 0);
    const std::int64_t end = std::min<std::int64_t>(std::int64_t{nRow} + nLines, frame.Height);
    for (std::int64_t row = first; row < end; ++row) {
        if (!TakeRow(playback->RowFlags, static_cast<LONG>(row))) continue;
        if (--playback->RowsMissing == 0) {
            ClearRowState(*playback);
            return STATUS_OK;
        }
    }
    return STATUS_OK;
}
