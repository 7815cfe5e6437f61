// Zelt's contenders on the paint and stretch rows, through the public
// entry points (Z_PaintDC, StretchDIBits), and the memcpy floors.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "contest.h"
#include "surfaces.h"

namespace peers {

// Sanity checks of the outputs, run once when asked; failures are
// collected as messages.
struct Checks {
    bool enabled = false;
    std::vector<std::string> failures;
    void Expect(bool ok, const std::string &what) {
        if (enabled && !ok) failures.push_back(what);
    }
};

// Z_PaintDC of the whole source onto a destSize x destSize top-down DIB
// section of deviceBits, under the given display mode.
Contender ZeltPaint(const std::string &name, std::shared_ptr<SourceImage> source, int deviceBits, int destSize,
                    UINT displayMode, Checks &checks);

// StretchDIBits of the top-left sourceSize square of the source's 24-bit
// DIB onto a destSize square of a 32-bit DIB section, COLORONCOLOR, SRCCOPY.
Contender ZeltStretch(const std::string &name, std::shared_ptr<SourceImage> source, int sourceSize, int destSize);

// memcpy of `bytes` between two buffers of the contender's own.
Contender MemcpyFloor(std::size_t bytes);

}  // namespace peers
