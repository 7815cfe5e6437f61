// Error-diffusion dithering of 24-bit blue-green-red rows to a palette,
// row after row, with the state kept in the dither record.
//
// Floyd-Steinberg: the error of each pixel (the wanted colour, clamped to
// 0..255, minus the chosen entry) goes 7/16 to the next pixel of the row,
// 3/16, 5/16 and 1/16 to the three below it; what would leave the image is
// dropped. Rows run left to right and right to left in turn (the first row
// left to right), which keeps the error from drifting one way. Errors are
// kept in sixteenths; a pixel's wanted colour is its value plus its
// collected error rounded to nearest (half up). Nearest entries are found
// exactly (squared distance, first entry wins) through a colour-cell table
// filled as cells are first met.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "color_match.h"
#include "packed_indices.h"
#include "record_internal.h"

namespace zelt::kernel {
namespace {

// KernelFlags bit of a record whose Data holds a DitherState.
constexpr DWORD kDitherState = 0x0100;
static_assert((kDitherState & (KRN_OWNS_DATA | KRN_OWNS_PALETTE | KRN_OWNS_TABLES)) == 0);

// One block: the state, then two rows of errors ((width + 2) x 3 ints, a
// guard pixel at each end), then one index per pixel.
struct DitherState {
    krn_reduce::ColorMatcher matcher;
    IndexPacker pack = nullptr;
    int width = 0;
    int rowsDone = 0;
    int *above = nullptr;  // errors collected for the row being dithered
    int *below = nullptr;  // errors for the row after it
    BYTE *indices = nullptr;
};

constexpr std::size_t ErrorRowInts(int width) { return (static_cast<std::size_t>(width) + 2) * 3; }

DitherState *StateOf(const BitmapRecord *record) {
    if (record == nullptr || (record->KernelFlags & kDitherState) == 0) return nullptr;
    return static_cast<DitherState *>(record->Data);
}

void DestroyState(DitherState *state) {
    state->~DitherState();
    KrnFreeMem(state);
}

int CreateState(int width, const RGBQUAD *colors, int colorCount, int bits, DitherState **made) {
    const std::size_t errorBytes = 2 * ErrorRowInts(width) * sizeof(int);
    const std::size_t bytes = sizeof(DitherState) + errorBytes + static_cast<std::size_t>(width);
    if (bytes > 0xFFFFFFFFu) return STATUS_NO_MEMORY;
    void *block = KrnAllocZeroed(static_cast<DWORD>(bytes));
    if (block == nullptr) return STATUS_NO_MEMORY;
    auto *state = new (block) DitherState;
    if (!state->matcher.Init(colors, colorCount, false)) {
        DestroyState(state);
        return STATUS_NO_MEMORY;
    }
    state->pack = IndexPackerFor(bits);
    state->width = width;
    state->above = reinterpret_cast<int *>(static_cast<BYTE *>(block) + sizeof(DitherState));
    state->below = state->above + ErrorRowInts(width);
    state->indices = reinterpret_cast<BYTE *>(state->below + ErrorRowInts(width));
    *made = state;
    return STATUS_OK;
}

inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Chooses the indices of one row; the errors for the next row collect in
// `below`. `above` is only read, so a failure leaves the state as it was
// once `below` is cleared again.
bool DitherIndices(DitherState &state, const BYTE *source) {
    const int width = state.width;
    const bool forward = (state.rowsDone & 1) == 0;
    const int step = forward ? 1 : -1;
    int ahead[3] = {};  // 7/16 of the previous pixel's error
    for (int n = 0; n < width; ++n) {
        const int x = forward ? n : width - 1 - n;
        const BYTE *pixel = source + 3 * static_cast<std::size_t>(x);
        const int *collected = state.above + 3 * static_cast<std::size_t>(x + 1);
        int wanted[3];
        for (int c = 0; c < 3; ++c) wanted[c] = Clamp255(pixel[c] + ((collected[c] + ahead[c] + 8) >> 4));
        const int index = state.matcher.Nearest(wanted[2], wanted[1], wanted[0]);
        if (index < 0) return false;
        state.indices[x] = static_cast<BYTE>(index);
        const RGBQUAD &chosen = state.matcher.Color(index);
        const int error[3] = {wanted[0] - chosen.rgbBlue, wanted[1] - chosen.rgbGreen, wanted[2] - chosen.rgbRed};
        int *under = state.below + 3 * static_cast<std::ptrdiff_t>(x + 1);
        for (int c = 0; c < 3; ++c) {
            ahead[c] = 7 * error[c];
            under[c - 3 * step] += 3 * error[c];
            under[c] += 5 * error[c];
            under[c + 3 * step] += error[c];
        }
    }
    return true;
}

}  // namespace
}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" {

int ZELT_API KrnStartDither(BitmapRecord *ditherRecord, const RGBQUAD *colors, int colorCount, int bits, UINT flags) {
    if (ditherRecord == nullptr || colors == nullptr || bits < 1 || bits > 8 || flags != 0) return STATUS_BAD_PARAMETER;
    if (colorCount < 1 || colorCount > (1 << bits) || ditherRecord->Width < 1) return STATUS_BAD_PARAMETER;
    DitherState *previous = StateOf(ditherRecord);
    // Image data is not ours to replace.
    if (previous == nullptr && ditherRecord->Data != nullptr) return STATUS_BAD_PARAMETER;
    DitherState *state = nullptr;
    const int status = CreateState(ditherRecord->Width, colors, colorCount, bits, &state);
    if (status != STATUS_OK) return status;
    if (previous != nullptr) DestroyState(previous);
    ditherRecord->Data = state;
    ditherRecord->KernelFlags |= kDitherState;
    return STATUS_OK;
}

int ZELT_API KrnDitherRow(BitmapRecord *ditherRecord, void *target, const void *source) {
    DitherState *state = StateOf(ditherRecord);
    if (state == nullptr || target == nullptr || source == nullptr) return STATUS_BAD_PARAMETER;
    const std::size_t errorInts = ErrorRowInts(state->width);
    if (!DitherIndices(*state, static_cast<const BYTE *>(source))) {
        std::fill(state->below, state->below + errorInts, 0);
        return STATUS_NO_MEMORY;
    }
    // The indices are packed only now, so the target may be the source.
    state->pack(static_cast<BYTE *>(target), state->indices, state->width);
    std::fill(state->above, state->above + errorInts, 0);
    std::swap(state->above, state->below);
    ++state->rowsDone;
    return STATUS_OK;
}

int ZELT_API KrnStopDither(BitmapRecord *ditherRecord) {
    DitherState *state = StateOf(ditherRecord);
    if (state == nullptr) return STATUS_OK;
    DestroyState(state);
    ditherRecord->Data = nullptr;
    ditherRecord->KernelFlags &= ~kDitherState;
    return STATUS_OK;
}

}  // extern "C"
