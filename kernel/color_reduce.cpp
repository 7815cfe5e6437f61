// The kernel's colour reduction service: destination rows resampled by
// nearest neighbour from the source (its image data or a row supplier),
// converted to 24 bits and reduced to a target palette by Floyd-Steinberg
// error diffusion or an 8x8 ordered dither, one row per request.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "color_match.h"

namespace {

using krn_reduce::ColorMatcher;

// Bayer matrix: the order in which the cells of an 8x8 tile turn on as a
// flat area gets lighter.
constexpr BYTE kBayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},   {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21},
};

// Ordered dither amplitude per target depth: a little under the spacing of
// the levels of the palettes painted at that depth (black and white; the
// VGA table's 0/128/192/255; the 3-3-2 table's 36 per step), so that the
// table's own colours come through unchanged.
int OrderedAmplitude(int bits) { return bits == 1 ? 255 : bits == 4 ? 120 : 32; }

inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Two-colour palettes: the nearer entry is decided by a linear test.
struct TwoColorTest {
    long coefficient[3] = {};
    long constant = 0;
    void Init(const RGBQUAD &a, const RGBQUAD &b, bool weighted) {
        const long w[3] = {weighted ? 3 : 1, weighted ? 4 : 1, weighted ? 2 : 1};
        const int av[3] = {a.rgbRed, a.rgbGreen, a.rgbBlue}, bv[3] = {b.rgbRed, b.rgbGreen, b.rgbBlue};
        for (int c = 0; c < 3; ++c) {
            coefficient[c] = 2 * w[c] * (av[c] - bv[c]);
            constant += w[c] * (bv[c] * bv[c] - av[c] * av[c]);
        }
    }
    // 1 when entry b is strictly nearer than entry a.
    int Pick(int red, int green, int blue) const {
        return coefficient[0] * red + coefficient[1] * green + coefficient[2] * blue + constant < 0;
    }
};

}  // namespace

struct KrnReduceState {
    BitmapRecord source{};
    int dstWidth = 0, dstHeight = 0, bits = 0;
    bool diffuse = false, serpentine = false, twoColors = false;
    KRNROWSUPPLIER supplier = nullptr;
    void *supplierData = nullptr;
    RGBQUAD sourceColors[256] = {};
    const RGBQUAD *convertColors = nullptr;
    int convertCount = 0;
    UINT convertFlags = 0;
    ColorMatcher matcher;
    TwoColorTest two;
    int offsets[8][8] = {};
    BYTE *raw = nullptr;   // one stored source row
    BYTE *rgb = nullptr;   // the same row at 24 bits, blue first
    int cachedRow = -1;
    int *errors = nullptr;  // two rows of (span + 2) x 3 errors, times 16
    int errorSpan = 0;
    int lastRow = -1, lastFirst = -1, lastCount = -1, direction = 0;

    ~KrnReduceState() {
        KrnFreeMem(raw);
        KrnFreeMem(rgb);
        KrnFreeMem(errors);
    }
};

namespace {

int FetchSourceRow(KrnReduceState &s, int row) {
    if (row == s.cachedRow) return STATUS_OK;
    BitmapRecord &src = s.source;
    if (s.supplier != nullptr) {
        const int status = s.supplier(s.supplierData, row, s.raw, src.Width);
        if (status != STATUS_OK) return status;
    } else {
        const int copied = KrnGetBitmapRow(&src, s.raw, row, static_cast<DWORD>(src.BytesPerLine));
        if (copied < 0) return copied;
    }
    const int status = KrnConvertRowTo24(s.rgb, s.raw, src.Width, src.BitsPerPixel, src.Order, 24, 1,
                                         s.convertColors, s.convertCount, s.convertFlags, src.LowBit, src.HighBit);
    if (status != STATUS_OK) return status;
    s.cachedRow = row;
    return STATUS_OK;
}

// Source column walk for destination columns first, first + 1, …
struct ColumnWalk {
    std::int64_t column, remainder;
    std::int64_t step, stepRemainder, extent;
    ColumnWalk(std::int64_t first, std::int64_t width, std::int64_t dstWidth)
        : column(first * width / dstWidth), remainder(first * width % dstWidth), step(width / dstWidth),
          stepRemainder(width % dstWidth), extent(dstWidth) {}
    void Next() {
        column += step;
        remainder += stepRemainder;
        if (remainder >= extent) {
            remainder -= extent;
            ++column;
        }
    }
};

inline void Store(BYTE *target, int bits, int k, int index) {
    switch (bits) {
        case 8: target[k] = static_cast<BYTE>(index); break;
        case 4: target[k >> 1] |= static_cast<BYTE>(index << ((k & 1) ? 0 : 4)); break;
        default: target[k >> 3] |= static_cast<BYTE>(index << (7 - (k & 7))); break;
    }
}

int Nearest(KrnReduceState &s, int red, int green, int blue) {
    return s.twoColors ? s.two.Pick(red, green, blue) : s.matcher.Nearest(red, green, blue);
}

int ReduceOrdered(KrnReduceState &s, BYTE *target, int rowIndex, int first, int count) {
    ColumnWalk walk(first, s.source.Width, s.dstWidth);
    const int *offsets = s.offsets[rowIndex & 7];
    for (int k = 0; k < count; ++k, walk.Next()) {
        const BYTE *p = s.rgb + 3 * walk.column;
        const int o = offsets[(first + k) & 7];
        const int index = Nearest(s, Clamp255(p[2] + o), Clamp255(p[1] + o), Clamp255(p[0] + o));
        if (index < 0) return STATUS_NO_MEMORY;
        Store(target, s.bits, k, index);
    }
    return STATUS_OK;
}

int ReduceDiffused(KrnReduceState &s, BYTE *target, int rowIndex, int first, int count) {
    const int slots = count + 2;
    int *current = s.errors;
    int *next = s.errors + 3 * slots;
    // Continue only a run of neighbouring rows over the same span.
    const bool continues = s.lastRow >= 0 && first == s.lastFirst && count == s.lastCount &&
                           (rowIndex - s.lastRow == 1 || rowIndex - s.lastRow == -1) &&
                           (s.direction == 0 || s.direction == rowIndex - s.lastRow);
    if (continues) {
        s.direction = rowIndex - s.lastRow;
    } else {
        std::fill(current, current + 6 * slots, 0);
        s.direction = 0;
    }
    const bool backwards = s.serpentine && (rowIndex & 1);
    const int dx = backwards ? -1 : 1;
    // Source columns of the span, walked left to right once, then visited
    // in the row's direction.
    ColumnWalk walk(first, s.source.Width, s.dstWidth);
    for (int n = 0; n < count; ++n) {
        const int k = backwards ? count - 1 - n : n;
        std::int64_t column;
        if (!backwards) {
            column = walk.column;
            walk.Next();
        } else {
            column = (static_cast<std::int64_t>(first) + k) * s.source.Width / s.dstWidth;
        }
        const BYTE *p = s.rgb + 3 * column;
        int *e = current + 3 * (k + 1);
        const int red = Clamp255(p[2] + e[0] / 16), green = Clamp255(p[1] + e[1] / 16), blue = Clamp255(p[0] + e[2] / 16);
        const int index = Nearest(s, red, green, blue);
        if (index < 0) return STATUS_NO_MEMORY;
        Store(target, s.bits, k, index);
        const RGBQUAD &c = s.matcher.Color(index);
        const int error[3] = {red - c.rgbRed, green - c.rgbGreen, blue - c.rgbBlue};
        int *ahead = current + 3 * (k + 1 + dx);
        int *below = next + 3 * (k + 1);
        for (int ch = 0; ch < 3; ++ch) {
            ahead[ch] += 7 * error[ch];
            below[ch - 3 * dx] += 3 * error[ch];
            below[ch] += 5 * error[ch];
            below[ch + 3 * dx] += error[ch];
        }
    }
    // The next row's errors become the current ones.
    std::memcpy(current, next, sizeof(int) * 3 * static_cast<std::size_t>(slots));
    std::fill(next, next + 3 * slots, 0);
    s.lastRow = rowIndex;
    s.lastFirst = first;
    s.lastCount = count;
    return STATUS_OK;
}

}  // namespace

extern "C" {

int ZELT_API KrnStartColorReduce(const BitmapRecord *source, int dstWidth, int dstHeight, int bits,
                                 const RGBQUAD *colors, int colorCount, UINT flags, KRNROWSUPPLIER rowSupplier,
                                 void *supplierData, HKRNREDUCE *handle) {
    if (handle == nullptr) return STATUS_BAD_PARAMETER;
    *handle = nullptr;
    if (source == nullptr || dstWidth < 1 || dstHeight < 1 || source->Width < 1 || source->Height < 1)
        return STATUS_BAD_PARAMETER;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return STATUS_BAD_PARAMETER;
    if (bits <= 8 && (colors == nullptr || colorCount < 1 || colorCount > (1 << bits))) return STATUS_BAD_PARAMETER;

    void *memory = KrnAllocMem(sizeof(KrnReduceState));
    if (memory == nullptr) return STATUS_NO_MEMORY;
    auto *s = new (memory) KrnReduceState;
    auto fail = [&](int status) {
        s->~KrnReduceState();
        KrnFreeMem(memory);
        return status;
    };
    s->source = *source;
    s->dstWidth = dstWidth;
    s->dstHeight = dstHeight;
    s->bits = bits;
    s->diffuse = (flags & KRN_REDUCE_ORDERED) != KRN_REDUCE_ORDERED;
    s->serpentine = (flags & KRN_REDUCE_SERPENTINE) != 0;
    s->supplier = rowSupplier;
    s->supplierData = supplierData;

    const BitmapRecord &src = s->source;
    if (src.BitsPerPixel <= 8) {
        s->convertCount = KrnGetBitmapColors(&s->source, 0, 1 << src.BitsPerPixel, s->sourceColors);
        s->convertColors = s->sourceColors;
    } else if ((src.BitsPerPixel == 12 || src.BitsPerPixel == 16) && src.Order == 2) {
        s->convertFlags = KRN_CONVERT_GRAY | KRN_CONVERT_BIT_WINDOW;
        if ((src.Flags & BITMAP_LEVEL_PROCESSING) && src.LevelLut != nullptr) {
            s->convertColors = src.LevelLut;
            s->convertCount = static_cast<int>(src.LevelLutLength);
        }
    }
    const DWORD rawBytes = static_cast<DWORD>(src.BytesPerLine) + 8;
    const DWORD rgbBytes = KrnGetRowBufferSize(src.Width, 24, src.Width, src.BitsPerPixel) + 8;
    if (rgbBytes <= 8) return fail(STATUS_BAD_PARAMETER);
    s->raw = static_cast<BYTE *>(KrnAllocZeroed(rawBytes));
    s->rgb = static_cast<BYTE *>(KrnAllocMem(rgbBytes));
    if (s->raw == nullptr || s->rgb == nullptr) return fail(STATUS_NO_MEMORY);

    if (bits <= 8) {
        const bool weighted = (flags & KRN_REDUCE_WEIGHTED) != 0 && !(flags & KRN_REDUCE_PLAIN);
        if (!s->matcher.Init(colors, colorCount, weighted)) return fail(STATUS_NO_MEMORY);
        if (colorCount == 2) {
            s->twoColors = true;
            s->two.Init(colors[0], colors[1], weighted);
        }
        const int amplitude = OrderedAmplitude(bits);
        // Offsets symmetric about 0, (63 - 2t) / 128 of the amplitude: the
        // cell of rank 0 gets the largest push, so it lights up first.
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                // Rounded half away from zero, so the steps stay even across 0.
                const int scaled = (63 - 2 * kBayer[y][x]) * amplitude;
                s->offsets[y][x] = scaled >= 0 ? (scaled + 64) / 128 : -((-scaled + 64) / 128);
            }
    }
    *handle = reinterpret_cast<HKRNREDUCE>(s);
    return STATUS_OK;
}

int ZELT_API KrnReduceRow(HKRNREDUCE handle, void *target, int rowIndex, int firstColumn, DWORD bytes) {
    auto *s = reinterpret_cast<KrnReduceState *>(handle);
    if (s == nullptr || target == nullptr) return STATUS_BAD_PARAMETER;
    if (rowIndex < 0 || rowIndex >= s->dstHeight || firstColumn < 0 || firstColumn >= s->dstWidth)
        return STATUS_BAD_PARAMETER;
    const std::int64_t fits = static_cast<std::int64_t>(bytes) * 8 / s->bits;
    const int count = static_cast<int>(std::min<std::int64_t>(fits, s->dstWidth - firstColumn));
    if (count <= 0) return STATUS_OK;
    const int row = static_cast<int>(static_cast<std::int64_t>(rowIndex) * s->source.Height / s->dstHeight);
    int status = FetchSourceRow(*s, row);
    if (status != STATUS_OK) return status;

    BYTE *out = static_cast<BYTE *>(target);
    if (s->bits == 24) {
        ColumnWalk walk(firstColumn, s->source.Width, s->dstWidth);
        for (int k = 0; k < count; ++k, walk.Next()) std::memcpy(out + 3 * k, s->rgb + 3 * walk.column, 3);
        return STATUS_OK;
    }
    if (s->bits < 8) std::memset(out, 0, (static_cast<std::size_t>(count) * s->bits + 7) / 8);
    if (!s->diffuse) return ReduceOrdered(*s, out, rowIndex, firstColumn, count);

    if (count + 2 > s->errorSpan) {
        const std::size_t bytesNeeded = sizeof(int) * 6 * (static_cast<std::size_t>(count) + 2);
        if (bytesNeeded > 0xFFFFFFFFu) return STATUS_NO_MEMORY;
        int *grown = static_cast<int *>(KrnAllocMem(static_cast<DWORD>(bytesNeeded)));
        if (grown == nullptr) return STATUS_NO_MEMORY;
        KrnFreeMem(s->errors);
        s->errors = grown;
        s->errorSpan = count + 2;
        s->lastRow = -1;  // restart: the old state is gone
    }
    status = ReduceDiffused(*s, out, rowIndex, firstColumn, count);
    if (status != STATUS_OK) s->lastRow = -1;
    return status;
}

int ZELT_API KrnEndColorReduce(HKRNREDUCE handle) {
    auto *s = reinterpret_cast<KrnReduceState *>(handle);
    if (s == nullptr) return STATUS_OK;
    s->~KrnReduceState();
    KrnFreeMem(s);
    return STATUS_OK;
}

}  // extern "C"
