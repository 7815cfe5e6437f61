// Copies runs of bits between rows whose pixels need not start on byte
// boundaries (sub-byte depths, and 12-bit gray at odd columns).
#pragma once

#include <cstddef>

#include "zelt/win32.h"

namespace zelt::kernel {

// Copies `count` bits from bit `srcBit` of `src` to bit `dstBit` of `dst`,
// leaving the destination's other bits alone. Bits are numbered as the rows
// of the given depth number them: most significant first up to 8 bits per
// pixel, least significant first at 12 bits. The ranges must not overlap.
using BitCopyFunction = void (*)(BYTE *dst, std::size_t dstBit, const BYTE *src, std::size_t srcBit,
                                 std::size_t count);

void CopyBitsMsbFirst(BYTE *dst, std::size_t dstBit, const BYTE *src, std::size_t srcBit, std::size_t count);
void CopyBitsLsbFirst(BYTE *dst, std::size_t dstBit, const BYTE *src, std::size_t srcBit, std::size_t count);

// The bit order of rows of the given depth.
BitCopyFunction BitCopierForDepth(int bitsPerPixel);

}  // namespace zelt::kernel
