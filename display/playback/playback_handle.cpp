// The playback record's life and its plain accessors: creation and
// destruction, and the exports that read or clear one field.
#include "playback/playback_internal.h"

namespace zelt::playback {

PlaybackRecord *ResolvePlayback(HGLOBAL handle) {
    if (handle == nullptr) return nullptr;
    auto *playback = static_cast<PlaybackRecord *>(GlobalLock(handle));
    if (playback != nullptr) GlobalUnlock(handle);
    return playback;
}

void ClearRowState(PlaybackRecord &playback) {
    playback.RowsPending = 0;
    playback.RowsMissing = 0;
    KrnFreeMem(playback.RowFlags);
    playback.RowFlags = nullptr;
}

}  // namespace zelt::playback

using namespace zelt::playback;

int ZELT_API Z_CreatePlayback(HGLOBAL *phPlayback, BitmapRecord *pTarget, HBITMAPLIST hFrameList) {
    if (phPlayback == nullptr || pTarget == nullptr || (pTarget->Flags & BITMAP_ALLOCATED) == 0) {
        return STATUS_BAD_PARAMETER;
    }
    *phPlayback = nullptr;
    auto *playback = static_cast<PlaybackRecord *>(KrnAllocZeroed(sizeof(PlaybackRecord)));
    if (playback == nullptr) return STATUS_NO_MEMORY;
    if (hFrameList == nullptr) {
        const int status = KrnCreateBitmapList(&hFrameList);
        if (status != STATUS_OK) {
            KrnFreeMem(playback);
            return status;
        }
    }
    playback->FrameList = hFrameList;
    playback->Target = pTarget;
    playback->Index = -1;
    *phPlayback = GlobalHandle(playback);
    return STATUS_OK;
}

int ZELT_API Z_DestroyPlayback(HGLOBAL hPlayback, HBITMAPLIST *phFrameList) {
    PlaybackRecord *playback = ResolvePlayback(hPlayback);
    if (playback == nullptr) return STATUS_BAD_PARAMETER;
    KrnFreeBitmap(&playback->SavedArea);
    if (phFrameList != nullptr) *phFrameList = playback->FrameList;
    ClearRowState(*playback);
    KrnFreeMem(playback);
    return STATUS_OK;
}

int ZELT_API Z_GetPlaybackState(HGLOBAL hPlayback, UINT *pState) {
    PlaybackRecord *playback = ResolvePlayback(hPlayback);
    if (playback == nullptr || pState == nullptr) return STATUS_BAD_PARAMETER;
    *pState = playback->State;
    return STATUS_OK;
}

int ZELT_API Z_GetPlaybackIndex(HGLOBAL hPlayback, int *pIndex) {
    PlaybackRecord *playback = ResolvePlayback(hPlayback);
    if (playback == nullptr || pIndex == nullptr) return STATUS_BAD_PARAMETER;
    *pIndex = playback->Index;
    return STATUS_OK;
}

int ZELT_API Z_GetPlaybackUpdateRect(HGLOBAL hPlayback, RECT *pRect, int bClear) {
    PlaybackRecord *playback = ResolvePlayback(hPlayback);
    if (playback == nullptr) return STATUS_BAD_PARAMETER;
    if (pRect != nullptr) *pRect = playback->UpdateRect;
    if (bClear != 0) playback->UpdateRect = RECT{0, 0, 0, 0};
    return STATUS_OK;
}

int ZELT_API Z_ClearPlaybackUpdateRect(HGLOBAL hPlayback) { return Z_GetPlaybackUpdateRect(hPlayback, nullptr, 1); }
