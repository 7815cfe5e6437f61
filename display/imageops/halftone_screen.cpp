// The threshold screens of halftoning. Each pixel costs one matrix lookup
// and one comparison; the turned screen also steps its matrix position in
// fixed point, carrying whole cells out of the fraction as it goes, so the
// walk is exact and the same on every machine.
#include "imageops/halftone.h"

namespace halftone {

void Screen::DecideRow(const BYTE *gray, BYTE *out, int width, int y) {
    if (!rotated_) {
        // The matrix row repeats every 8 pixels, exactly one output byte.
        const BYTE *thresholds = matrix_[y & 7];
        int x = 0;
        for (; x + 8 <= width; x += 8) {
            unsigned bits = 0;
            for (int k = 0; k < 8; ++k) bits = (bits << 1) | (gray[x + k] > thresholds[k] ? 1u : 0u);
            *out++ = static_cast<BYTE>(bits);
        }
        if (x < width) {
            unsigned bits = 0;
            for (int k = 0; x + k < width; ++k) bits |= (gray[x + k] > thresholds[k] ? 0x80u : 0u) >> k;
            *out = static_cast<BYTE>(bits);
        }
        return;
    }
    ScreenCoordinate column = columnStart_;
    ScreenCoordinate row = rowStart_;
    unsigned bits = 0;
    for (int x = 0; x < width; ++x) {
        const BYTE threshold = matrix_[row.cell & 7][column.cell & 7];
        bits = (bits << 1) | (gray[x] > threshold ? 1u : 0u);
        if ((x & 7) == 7) {
            *out++ = static_cast<BYTE>(bits);
            bits = 0;
        }
        column.Add(cosine_);
        row.Add(sine_);
    }
    if ((width & 7) != 0) *out = static_cast<BYTE>(bits << (8 - (width & 7)));
    // The next row starts a quarter turn away from the pixel direction.
    columnStart_.Add(-sine_);
    rowStart_.Add(cosine_);
}

LONG ScreenTurn(int angle, LONG viewPerspective) {
    constexpr long long kFullTurn = 36000;
    // 64 bits: negating the most negative angle must not overflow.
    long long turn = -static_cast<long long>(angle) % kFullTurn;
    if (turn < 0) turn += kFullTurn;
    if (viewPerspective == 1 || viewPerspective == 2 || viewPerspective == 5 || viewPerspective == 7)
        turn = kFullTurn - turn;
    return static_cast<LONG>(turn);
}

}  // namespace halftone
