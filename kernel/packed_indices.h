// Rows of palette indices of 1 to 8 bits (packed most significant bits
// first) to and from one byte per index, so that operations on indexed
// images work on plain byte arrays whatever the depth.
#pragma once

#include "zelt/win32.h"

namespace zelt::kernel {

// `count` indices of `row` into `indices`; reads only the bytes they occupy.
using IndexUnpacker = void (*)(BYTE *indices, const BYTE *row, int count);
// `count` indices into the (count * bits + 7) / 8 bytes of `row` they
// occupy; the bits after the last index in its byte become 0.
using IndexPacker = void (*)(BYTE *row, const BYTE *indices, int count);

// nullptr for depths outside 1..8.
IndexUnpacker IndexUnpackerFor(int bits);
IndexPacker IndexPackerFor(int bits);

}  // namespace zelt::kernel
