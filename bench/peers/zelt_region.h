// The selection rows: the magic wand (against OpenCV's flood fill, when
// built with it) and building the GDI region of a many-run selection.
#pragma once

#include <cstdint>
#include <memory>

#include "contest.h"
#include "zelt_paint.h"

namespace peers {

constexpr UINT kWandTolerance = 16;
constexpr int kWandSeedX = 3, kWandSeedY = 3;

// A size x size 24-bit image: a background whose channels wander at most
// 12 from one colour (the seed has that colour exactly), scattered with
// rectangles of a far colour until they cover a tenth of it.
class WandImage : public Image24 {
public:
    WandImage(int size, std::uint32_t seed);
    // Pixels the last Zelt wand selected.
    double zeltSelected = 0;
    // Pixels the last peer fill selected.
    double peerSelected = -1;
};

Contender ZeltWand(std::shared_ptr<WandImage> image);
// OpenCV's floodFill from the same seed: 4-connected, fixed range of the
// tolerance on each channel, mask only. Absent when built without OpenCV.
Contender OpenCvFloodFill(std::shared_ptr<WandImage> image);

// A selection of `rows` rows of 50 runs each, each run in its own 80-column
// slot at a varying place and length (4000 columns).
struct RunSelection {
    static constexpr int kRunsPerRow = 50, kSlot = 80;
    explicit RunSelection(int rows);
    ~RunSelection();
    RunSelection(const RunSelection &) = delete;
    RunSelection &operator=(const RunSelection &) = delete;

    int rows;
    BitmapRecord mask{};    // white where selected
    BitmapRecord bitmap{};  // the image the selection belongs to
    std::size_t runBytes = 0;
    RECT bounds{};
    bool ok = false;
};

// Z_GetBitmapRgnHandle (and deleting the handle) of the selection, timed
// on a freshly set region each call so that no cached handle serves it.
Contender ZeltRgnHandle(std::shared_ptr<RunSelection> selection, Checks &checks);

}  // namespace peers
