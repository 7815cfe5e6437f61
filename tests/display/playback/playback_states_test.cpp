// The playback state machine around the drawing: the first calls, rows
// arriving after the frame, appending at the end, moving to a frame by
// replaying, bad arguments and failed allocations.
#include <set>

#include "playback_fixture.h"

namespace zelt::test {
namespace {

class PlaybackStates : public LeakCheckedTest {};

TEST_F(PlaybackStates, StartsByClearingInsideTheCanvasRegion) {
    BitmapRecord canvas = MakeCanvas(20, 10, 24, 2, RGB(9, 8, 7));
    const RECT ellipse{2, 1, 15, 9};
    ASSERT_EQ(Z_SetBitmapRgnEllipse(&canvas, nullptr, &ellipse, RGNMODE_SET), STATUS_OK);
    RECT bounds{};
    Z_GetBitmapRgnBounds(&canvas, nullptr, &bounds);
    {
        Playback playback(&canvas);
        EXPECT_EQ(playback.Process(), UINT(PLAYBACK_CLEARED));
        EXPECT_EQ(playback.TakeUpdate(), bounds);
        for (int r = 0; r < 10; ++r)
            for (int c = 0; c < 20; ++c)
                EXPECT_EQ(PixelColor(RowOf(canvas, r), c, Layout{24, 1}, nullptr, 0),
                          (Z_IsPtInBitmapRgn(&canvas, r, c) ? Rgb{9, 8, 7} : Rgb{})) << c << "," << r;
        EXPECT_EQ(playback.Process(), UINT(PLAYBACK_END));  // an empty list
        EXPECT_EQ(playback.Process(), UINT(PLAYBACK_DRAW));
        EXPECT_EQ(playback.Process(), UINT(PLAYBACK_END));  // no frame at index 0: nothing to draw
    }
    KrnFreeBitmap(&canvas);
}

// Rows reported in random ranges (negative, overlapping, past the end)
// against a set of rows: the frame is drawn once the set is complete, and
// appending another frame completes the earlier one.
TEST_F(PlaybackStates, HoldsAtTheLastFrameUntilItsRowsArrive) {
    BitmapRecord canvas = MakeCanvas(8, 8, 24, 0, 0);
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        Playback playback(&canvas);
        BitmapRecord frame = MakeFrame(rng, 0, 0, 2, 1 + int(rng() % 40), 2);
        ASSERT_EQ(Z_AppendPlayback(playback.handle, &frame), STATUS_OK);
        for (UINT s : {PLAYBACK_CLEARED, PLAYBACK_DRAW, PLAYBACK_WAIT_ROWS}) ASSERT_EQ(playback.Process(), s);
        std::set<int> rows;
        while (true) {
            const int first = int(rng() % uint32_t(frame.Height + 10)) - 5, lines = int(rng() % 12) - 2;
            EXPECT_EQ(Z_ValidatePlaybackLines(playback.handle, first, lines), STATUS_OK);
            for (int r = std::max(first, 0); r < std::min<int>(first + lines, frame.Height); ++r) rows.insert(r);
            const bool complete = int(rows.size()) == frame.Height;
            if (!complete && rng() % 8 == 0) {
                playback.Append(MakeFrame(rng, 0, 0, 2, 2, 2));  // the earlier frame is complete now
                EXPECT_EQ(playback.Process(), UINT(PLAYBACK_DRAWN)) << seed;
                break;
            }
            ASSERT_EQ(playback.Process(), UINT(complete ? PLAYBACK_DRAWN : PLAYBACK_WAIT_ROWS)) << seed;
            if (complete) break;
        }
    }
    KrnFreeBitmap(&canvas);
}

// Appending at the end resumes at the new frame; moving back replays from
// the start to the same canvas as playing forward; moving to the count
// plays to the end; -1 only resets.
TEST_F(PlaybackStates, AppendsAtTheEndAndMovesByReplaying) {
    BitmapRecord canvas = MakeCanvas(12, 9, 24, 2, RGB(1, 2, 3));
    std::mt19937 rng(3);
    {
        Playback playback(&canvas);
        std::vector<std::vector<Rgb>> dueAt;  // the canvas when frame k is due
        for (int k = 0; k < 4; ++k) {
            BitmapRecord frame = MakeFrame(rng, k, 2 * k - 1, 6, 5, 4);
            frame.DisposalMethod = k, frame.Flags |= BITMAP_TRANSPARENT, frame.TransparentColor = 0x01000000;
            playback.Append(frame);
            UINT state = 0;
            Z_GetPlaybackState(playback.handle, &state);
            EXPECT_EQ(state, UINT(k == 0 ? PLAYBACK_START : PLAYBACK_DRAW));
            EXPECT_EQ(playback.Index(), k - (k == 0));
            while (state != PLAYBACK_DRAW) state = playback.Process();
            dueAt.push_back(Shown(canvas));
            while (state != PLAYBACK_END) state = playback.Process();
        }
        const std::vector<Rgb> atEnd = Shown(canvas);
        for (int bad : {-2, 5}) EXPECT_EQ(Z_SetPlaybackIndex(playback.handle, bad), STATUS_BAD_PARAMETER);
        for (int k : {2, 0, 3, 1}) {
            ASSERT_EQ(Z_SetPlaybackIndex(playback.handle, k), STATUS_OK);
            UINT state = 0;
            Z_GetPlaybackState(playback.handle, &state);
            EXPECT_TRUE(state == PLAYBACK_DRAW && playback.Index() == k && Shown(canvas) == dueAt[size_t(k)]) << k;
        }
        ASSERT_EQ(Z_SetPlaybackIndex(playback.handle, 4), STATUS_OK);
        EXPECT_TRUE(Shown(canvas) == atEnd && playback.Index() == 4);
        ASSERT_EQ(Z_SetPlaybackIndex(playback.handle, -1), STATUS_OK);
        EXPECT_TRUE(Shown(canvas) == atEnd && playback.Index() == -1);
    }
    KrnFreeBitmap(&canvas);
}

TEST_F(PlaybackStates, RefusesBadArguments) {
    BitmapRecord canvas = MakeCanvas(4, 4, 24, 0, 0), unallocated{};
    HGLOBAL h = reinterpret_cast<HGLOBAL>(1);
    UINT u = 0;
    int i = 0;
    RECT r{};
    EXPECT_EQ(Z_CreatePlayback(nullptr, &canvas, nullptr), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_CreatePlayback(&h, &unallocated, nullptr), STATUS_BAD_PARAMETER);
    for (int status : {Z_DestroyPlayback(nullptr, nullptr), Z_AppendPlayback(nullptr, &canvas),
                       Z_ValidatePlaybackLines(nullptr, 0, 1), Z_ProcessPlayback(nullptr, &u),
                       Z_GetPlaybackState(nullptr, &u), Z_CancelPlaybackWait(nullptr), Z_GetPlaybackDelay(nullptr, &u),
                       Z_SetPlaybackIndex(nullptr, 0), Z_GetPlaybackIndex(nullptr, &i),
                       Z_GetPlaybackUpdateRect(nullptr, &r, 0), Z_ClearPlaybackUpdateRect(nullptr)})
        EXPECT_EQ(status, STATUS_BAD_PARAMETER);
    Playback playback(&canvas);
    for (int status : {Z_GetPlaybackState(playback.handle, nullptr), Z_GetPlaybackIndex(playback.handle, nullptr),
                       Z_GetPlaybackDelay(playback.handle, nullptr), Z_AppendPlayback(playback.handle, nullptr)})
        EXPECT_EQ(status, STATUS_BAD_PARAMETER);
    playback.Process();
    EXPECT_EQ(Z_GetPlaybackUpdateRect(playback.handle, nullptr, 1), STATUS_OK);  // only clears
    EXPECT_EQ(playback.TakeUpdate(), RECT{});
    KrnFreeBitmap(&canvas);
}

// Every allocation of creating, appending, a whole play-through (frames
// with a region and a transparent index that need converting, disposals
// keep, background and previous, a canvas region for the background) and
// replaying failing in turn: a failure of creation or appending is reported
// as such, one inside processing is never reported and the playback still
// reaches its end; nothing leaks and the canvas keeps its region.
TEST_F(PlaybackStates, SurvivesEveryFailedAllocation) {
    BitmapRecord canvas = MakeCanvas(16, 12, 24, 2, RGB(40, 50, 60));
    const RECT part{1, 1, 14, 10}, corner{0, 0, 5, 4};
    ASSERT_EQ(Z_SetBitmapRgnRect(&canvas, nullptr, &part, RGNMODE_SET), STATUS_OK);
    std::mt19937 rng(9);
    BitmapRecord frames[3];
    for (int k = 0; k < 3; ++k) {
        frames[k] = MakeFrame(rng, 2 * k, k, 9, 7, 3);
        frames[k].DisposalMethod = k + 1;
        frames[k].Flags |= BITMAP_TRANSPARENT, frames[k].TransparentColor = 0x01000001;
    }
    ASSERT_EQ(Z_SetBitmapRgnRect(&frames[0], nullptr, &corner, RGNMODE_SET), STATUS_OK);
    DWORD area = 0, now = 0;
    Z_GetBitmapRgnArea(&canvas, &area);
    int status = 0;
    UINT state = 0;
    const long allocations = ForEachAllocationFailure(
        [&] {
            HBITMAPLIST list = nullptr;
            HGLOBAL handle = nullptr;
            state = 0;
            status = KrnCreateBitmapList(&list);
            if (status == STATUS_OK) status = Z_CreatePlayback(&handle, &canvas, list);
            for (BitmapRecord &original : frames) {
                BitmapRecord copy{};
                if (status == STATUS_OK) status = KrnCopyBitmap(&copy, &original);
                if (status == STATUS_OK && (status = Z_AppendPlayback(handle, &copy)) != STATUS_OK)
                    KrnFreeBitmap(&copy);
            }
            if (status == STATUS_OK) Z_ValidatePlaybackLines(handle, 0, 7);
            for (int step = 0; status == STATUS_OK && state != PLAYBACK_END && step < 100; ++step)
                status = Z_ProcessPlayback(handle, &state);
            if (status == STATUS_OK) status = Z_SetPlaybackIndex(handle, 2);
            if (handle != nullptr) Z_DestroyPlayback(handle, nullptr);
            KrnDestroyBitmapList(list);
        },
        [&](long n) {
            EXPECT_TRUE(status == STATUS_NO_MEMORY || (status == STATUS_OK && state == PLAYBACK_END)) << n;
            EXPECT_TRUE(Z_GetBitmapRgnArea(&canvas, &now) == STATUS_OK && now == area) << n;
        });
    EXPECT_GE(allocations, kHostControls ? 20 : 0);
    for (BitmapRecord &f : frames) KrnFreeBitmap(&f);
    KrnFreeBitmap(&canvas);
}

}  // namespace
}  // namespace zelt::test
