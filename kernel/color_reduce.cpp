// The kernel's colour reduction service: destination rows resampled by
// nearest neighbour from the source (its image data or a row supplier),
// converted to 24 bits (blue-first 24-bit rows are read in place) and
// reduced to a target palette by Floyd-Steinberg error diffusion or an 8x8
// ordered dither, one row per request. The palette is matched by channel
// tables when it is a product of channel levels, by a linear test when it
// has two colours, else by the cell search (color_match.h); the loop for
// each (method, palette kind) is chosen once, at the start.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

#include "record_internal.h"
#include "reduce_rows.h"

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

}  // namespace

struct KrnReduceState;

namespace {

// One row's palette indices, one byte each, for `count` pixels from
// destination column `first`; false when the search runs out of memory.
using RowReducer = bool (*)(KrnReduceState &s, int rowIndex, int first, int count, BYTE *indices);

}  // namespace

struct KrnReduceState {
    BitmapRecord source{};
    int dstWidth = 0, dstHeight = 0, bits = 0;
    bool diffuse = false, serpentine = false;
    KRNROWSUPPLIER supplier = nullptr;
    void *supplierData = nullptr;
    RGBQUAD sourceColors[256] = {};
    const RGBQUAD *convertColors = nullptr;
    int convertCount = 0;
    UINT convertFlags = 0;
    ColorMatcher matcher;
    krn_reduce::TwoColorSplit two;
    krn_reduce::ChannelLevels levels;
    RowReducer reduce = nullptr;
    int offsets[8][8] = {};
    BYTE *raw = nullptr;   // one stored source row
    BYTE *rgb = nullptr;   // the same row at 24 bits, blue first
    const BYTE *pixels = nullptr;  // that row: rgb, or a blue-first row read in place
    int cachedRow = -1;
    // Per span of destination columns: the diffusion's (span + 2) x 3
    // errors (times 16), the source byte offset of each column, and the
    // row's indices before packing.
    BYTE *spanBlock = nullptr;
    int *errors = nullptr;
    std::uint32_t *columns = nullptr;
    BYTE *indices = nullptr;
    int spanCapacity = 0;  // columns the block holds
    int columnsFirst = -1, columnsCount = -1;
    int lastRow = -1, lastFirst = -1, lastCount = -1, direction = 0;

    ~KrnReduceState() {
        KrnFreeMem(raw);
        KrnFreeMem(rgb);
        KrnFreeMem(spanBlock);
    }
};

namespace {

int FetchSourceRow(KrnReduceState &s, int row) {
    if (row == s.cachedRow) return STATUS_OK;
    BitmapRecord &src = s.source;
    if (s.supplier == nullptr && src.BitsPerPixel == 24 && src.Order == 1 && zelt::kernel::RecordIsAllocated(&src) &&
        row >= 0 && row < src.Height) {
        // Stored rows are already what the reducers read.
        s.pixels = zelt::kernel::RowAddress(&src, row);
        s.cachedRow = row;
        return STATUS_OK;
    }
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
    s.pixels = s.rgb;
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

// Makes room for a span of `count` columns and its column table. A grown
// block restarts the diffusion.
int PrepareSpan(KrnReduceState &s, int first, int count) {
    if (count > s.spanCapacity) {
        const std::size_t slots = static_cast<std::size_t>(count) + 2;
        const std::size_t bytes = sizeof(int) * 3 * slots + sizeof(std::uint32_t) * slots + slots;
        if (bytes > 0xFFFFFFFFu) return STATUS_NO_MEMORY;
        auto *grown = static_cast<BYTE *>(KrnAllocMem(static_cast<DWORD>(bytes)));
        if (grown == nullptr) return STATUS_NO_MEMORY;
        KrnFreeMem(s.spanBlock);
        s.spanBlock = grown;
        s.errors = reinterpret_cast<int *>(grown);
        s.columns = reinterpret_cast<std::uint32_t *>(grown + sizeof(int) * 3 * slots);
        s.indices = grown + (sizeof(int) * 3 + sizeof(std::uint32_t)) * slots;
        s.spanCapacity = count;
        s.columnsCount = -1;
        s.lastRow = -1;  // restart: the old errors are gone
    }
    if (first != s.columnsFirst || count != s.columnsCount) {
        ColumnWalk walk(first, s.source.Width, s.dstWidth);
        for (int k = 0; k < count; ++k, walk.Next()) s.columns[k] = static_cast<std::uint32_t>(3 * walk.column);
        s.columnsFirst = first;
        s.columnsCount = count;
    }
    return STATUS_OK;
}

template <class Quantize>
bool ReduceOrdered(KrnReduceState &s, int rowIndex, int first, int count, BYTE *indices, const Quantize &quantize) {
    return krn_reduce::OrderedRow(quantize, s.pixels, s.columns, count, s.offsets[rowIndex & 7], first & 7, indices);
}

template <class Quantize>
bool ReduceDiffused(KrnReduceState &s, int rowIndex, int first, int count, BYTE *indices, const Quantize &quantize) {
    // Continue only a run of neighbouring rows over the same span.
    const bool continues = s.lastRow >= 0 && first == s.lastFirst && count == s.lastCount &&
                           (rowIndex - s.lastRow == 1 || rowIndex - s.lastRow == -1) &&
                           (s.direction == 0 || s.direction == rowIndex - s.lastRow);
    if (continues) {
        s.direction = rowIndex - s.lastRow;
    } else {
        std::fill(s.errors, s.errors + 3 * (static_cast<std::size_t>(count) + 2), 0);
        s.direction = 0;
    }
    const bool backwards = s.serpentine && (rowIndex & 1);
    if (!krn_reduce::DiffuseRow(quantize, s.pixels, s.columns, count, backwards, s.errors, indices)) return false;
    s.lastRow = rowIndex;
    s.lastFirst = first;
    s.lastCount = count;
    return true;
}

// The row reducers per (method, palette kind), chosen once per reduction.
template <bool diffused, class Quantize>
bool ReduceWith(KrnReduceState &s, int rowIndex, int first, int count, BYTE *indices) {
    Quantize quantize{};
    if constexpr (std::is_same_v<Quantize, krn_reduce::LevelQuantizer>) {
        quantize.levels = &s.levels;
    } else if constexpr (std::is_same_v<Quantize, krn_reduce::TwoColorQuantizer>) {
        quantize.split = &s.two;
        quantize.matcher = &s.matcher;
    } else {
        quantize.matcher = &s.matcher;
    }
    return diffused ? ReduceDiffused(s, rowIndex, first, count, indices, quantize)
                    : ReduceOrdered(s, rowIndex, first, count, indices, quantize);
}

enum PaletteKind { kLevels, kTwoColors, kSearch };
constexpr RowReducer kReducers[3][2] = {
    {&ReduceWith<false, krn_reduce::LevelQuantizer>, &ReduceWith<true, krn_reduce::LevelQuantizer>},
    {&ReduceWith<false, krn_reduce::TwoColorQuantizer>, &ReduceWith<true, krn_reduce::TwoColorQuantizer>},
    {&ReduceWith<false, krn_reduce::SearchQuantizer>, &ReduceWith<true, krn_reduce::SearchQuantizer>},
};

// Packs one byte per index into 1- or 4-bit pixels, first pixel in the
// high bits; the bits past the last pixel are zero.
void PackIndices(const BYTE *indices, int count, int bits, BYTE *target) {
    const int perByte = 8 / bits;
    const int whole = count / perByte;
    for (int i = 0; i < whole; ++i, indices += perByte) {
        unsigned byte = 0;
        for (int j = 0; j < perByte; ++j) byte = (byte << bits) | indices[j];
        target[i] = static_cast<BYTE>(byte);
    }
    const int rest = count - whole * perByte;
    if (rest > 0) {
        unsigned byte = 0;
        for (int j = 0; j < rest; ++j) byte = (byte << bits) | indices[j];
        target[whole] = static_cast<BYTE>(byte << (bits * (perByte - rest)));
    }
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
        PaletteKind kind = kSearch;
        if (colorCount == 2) {
            kind = kTwoColors;
            s->two.Build(colors[0], colors[1], weighted);
        } else if (s->levels.Build(colors, colorCount)) {
            kind = kLevels;
        }
        s->reduce = kReducers[kind][s->diffuse ? 1 : 0];
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
        for (int k = 0; k < count; ++k, walk.Next()) std::memcpy(out + 3 * k, s->pixels + 3 * walk.column, 3);
        return STATUS_OK;
    }
    status = PrepareSpan(*s, firstColumn, count);
    if (status != STATUS_OK) return status;
    BYTE *indices = s->bits == 8 ? out : s->indices;
    if (!s->reduce(*s, rowIndex, firstColumn, count, indices)) {
        s->lastRow = -1;
        return STATUS_NO_MEMORY;
    }
    if (s->bits < 8) PackIndices(indices, count, s->bits, out);
    return STATUS_OK;
}

int ZELT_API KrnEndColorReduce(HKRNREDUCE handle) {
    auto *s = reinterpret_cast<KrnReduceState *>(handle);
    if (s == nullptr) return STATUS_OK;
    s->~KrnReduceState();
    KrnFreeMem(s);
    return STATUS_OK;
}

}  // extern "C"
