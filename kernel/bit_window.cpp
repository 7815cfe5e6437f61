// The significant bit window of deep gray samples.
#include <algorithm>

#include "zelt/kernel.h"

extern "C" int ZELT_API KrnGetBitWindow(int bitsPerPixel, int maxBits, int lowBit, int highBit, DWORD *mask,
                                        int *shift) {
    // Clip the window to the sample; an empty window (or sample) yields no
    // bits, which callers turn into black.
    const int sampleBits = std::min(bitsPerPixel, 32);
    const int low = std::max(lowBit, 0);
    const int high = std::min(highBit, sampleBits - 1);
    int count = 0;
    int right = 0;
    if (sampleBits > 0 && maxBits > 0 && low <= high) {
        count = high - low + 1;
        right = low;
        if (count > maxBits) {
            // Keep the top bits: they carry the image, the low ones noise.
            right = high - maxBits + 1;
            count = maxBits;
        }
    }
    if (mask != nullptr) *mask = count >= 32 ? 0xFFFFFFFFu : (DWORD{1} << count) - 1;
    if (shift != nullptr) *shift = right;
    return count;
}
