// pixman on the unscaled copies and the nearest-neighbour scalings.
#pragma once

#include <memory>

#include "contest.h"
#include "surfaces.h"

namespace peers {

// PIXMAN_OP_SRC of the whole 24-bit source (r8g8b8) onto a same-size
// image of r8g8b8 (destinationBits 24) or x8r8g8b8 (32).
Contender PixmanCopy(std::shared_ptr<SourceImage> source, int destinationBits);

// PIXMAN_OP_SRC of the 32-bit source with a scale transform and the
// nearest filter, sourceSize pixels onto destSize (x8r8g8b8 both).
Contender PixmanNearest(std::shared_ptr<SourceImage> source, int sourceSize, int destSize);

}  // namespace peers
