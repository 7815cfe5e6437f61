// Internal operations of animation playback: resolving a playback handle,
// the row state of the last appended frame, the canvas area a frame covers,
// and the two steps of the state machine that change canvas pixels (drawing
// a frame and disposing of it).
#pragma once

#include "zelt/display.h"

namespace zelt::playback {

// The record behind a handle, or null for a handle that yields none. The
// record is a fixed block, so the lock is released at once and the
// pointer stays valid until the playback is destroyed.
PlaybackRecord *ResolvePlayback(HGLOBAL handle);

// Forgets which rows of the last appended frame have arrived.
void ClearRowState(PlaybackRecord &playback);

// The stored canvas row the area under `frame` starts at: the frame's Top,
// mirrored on a bottom-up canvas (perspective 2) so that saving, restoring
// and clearing address the rows the frame was drawn on.
LONG MirroredRow(const BitmapRecord &canvas, const BitmapRecord &frame);

// Adds the canvas area `bitmap` covers (its region's bounds, or the whole
// bitmap, placed at its Left and Top) to the playback's UpdateRect.
void AddFrameArea(PlaybackRecord &playback, BitmapRecord &bitmap);

// Draws `frame` (a shallow copy of the listed record, which it may give a
// temporary region) onto the canvas and adds its area; a frame that cannot
// be converted or made transparent is skipped without a trace. Keeps the
// area under the frame first when its disposal restores it.
void DrawFrame(PlaybackRecord &playback, BitmapRecord &frame);

// Applies the frame's disposal method after its display time.
void DisposeFrame(PlaybackRecord &playback, BitmapRecord &frame);

}  // namespace zelt::playback
