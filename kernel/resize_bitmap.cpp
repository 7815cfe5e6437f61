// KrnResizeBitmap: the stored image resampled to a new size in place.
//
// The filtered resize is separable: each pixel is a weighted sum over the
// source rows (one axis's taps) and then over the columns (the other's),
// with the taps of both axes computed once per call (resize_weights.h) and
// the pixels read as channel samples (resize_channels.h). Shrinking rows
// are combined first, straight from the stored rows, so the bulk of the
// work is one vectorisable multiply-add per source sample; when the height
// grows, each source row is filtered across once into a ring of two rows
// and the interpolation between them comes second. Values between the two
// passes carry 8 extra bits, and both passes round to nearest.
//
// KRN_RESIZE_NEAREST takes, for each target pixel, the source pixel under
// its centre, copying stored values as they are.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "image_replace.h"
#include "memory_internal.h"
#include "pixel_formats.h"
#include "progress_report.h"
#include "record_internal.h"
#include "region_follow.h"
#include "resize_channels.h"
#include "resize_passes.h"
#include "resize_weights.h"

namespace zelt::kernel {
namespace {

using resize::CombineRowsAny;
using resize::FilterRowAny;

constexpr int kBetweenBits = 8;

// Everything the passes use, allocated once per call.
struct ResizeWork {
    ChannelCodec &codec;
    const AxisFilter &columns;
    const AxisFilter &rows;
    ReplacementImage &target;
    int sourceWidth;
    void *decoded;      // one source row as samples, for layouts not read in place
    void *accumulator;  // one row of sums, in 32 or 64 bits
    void *between;      // rows of the first pass's results
    void *samples;      // one target row of samples, for layouts not written in place
};

template <typename Sample, int Channels>
struct Resampler {
    // First-pass results: the value times 256.
    using Between = std::conditional_t<sizeof(Sample) == 1, std::uint16_t, std::uint32_t>;

    // Where a target row's samples go: the row itself, or the samples
    // buffer they are encoded from.
    static Sample *OutputFor(ResizeWork &work, BYTE *row) {
        return static_cast<Sample *>(work.codec.Shape().inPlace ? static_cast<void *>(row) : work.samples);
    }

    static const Sample *SourceRow(ResizeWork &work, int row) {
        return static_cast<const Sample *>(work.codec.Decode(row, work.decoded));
    }

    // Rows first: every target row is one weighted sum of source rows,
    // then filtered across.
    static int RowsFirst(ResizeWork &work, ProgressReport &progress) {
        const int height = work.target.Height(), width = work.target.Width();
        const std::size_t n = static_cast<std::size_t>(work.sourceWidth) * Channels;
        auto *between = static_cast<Between *>(work.between);
        const auto fetch = [&work](int row) { return SourceRow(work, row); };
        for (int y = 0; y < height; ++y) {
            CombineRowsAny<Sample>(fetch, work.codec.Shape().inPlace, work.rows, y, n, work.accumulator, between,
                                   work.rows.WeightBits() - kBetweenBits);
            BYTE *row = work.target.BeginRow(y);
            Sample *out = OutputFor(work, row);
            FilterRowAny<Between, Sample, Channels>(between, out, work.columns, width,
                                                    work.columns.WeightBits() + kBetweenBits);
            int status = work.codec.Encode(out, width, row);
            if (status == STATUS_OK) status = progress.Step(y + 1, height);
            if (status != STATUS_OK) return status;
        }
        return STATUS_OK;
    }

    // Columns first, for growing heights: each source row is filtered
    // across once into a ring of two (neighbouring rows differ in parity),
    // and every target row interpolates between two of them.
    static int ColumnsFirst(ResizeWork &work, ProgressReport &progress) {
        const int height = work.target.Height(), width = work.target.Width();
        const std::size_t n = static_cast<std::size_t>(width) * Channels;
        Between *ring[2] = {static_cast<Between *>(work.between), static_cast<Between *>(work.between) + n};
        int held[2] = {-1, -1};
        const auto fetch = [&ring](int row) { return static_cast<const Between *>(ring[row & 1]); };
        for (int y = 0; y < height; ++y) {
            const AxisFilter::Span span = work.rows.At(y);
            for (int row = span.first; row < span.first + span.count; ++row) {
                if (held[row & 1] == row) continue;
                FilterRowAny<Sample, Between, Channels>(SourceRow(work, row), ring[row & 1], work.columns, width,
                                                        work.columns.WeightBits() - kBetweenBits);
                held[row & 1] = row;
            }
            BYTE *target = work.target.BeginRow(y);
            Sample *out = OutputFor(work, target);
            CombineRowsAny<Between>(fetch, true, work.rows, y, n, work.accumulator, out,
                                    work.rows.WeightBits() + kBetweenBits);
            int status = work.codec.Encode(out, width, target);
            if (status == STATUS_OK) status = progress.Step(y + 1, height);
            if (status != STATUS_OK) return status;
        }
        return STATUS_OK;
    }
};

using ResampleFunction = int (*)(ResizeWork &, ProgressReport &);

struct ResampleEntry {
    bool wide;
    int channels;
    ResampleFunction rowsFirst;
    ResampleFunction columnsFirst;
};

template <typename Sample, int Channels>
constexpr ResampleEntry Entry() {
    return {sizeof(Sample) == 2, Channels, Resampler<Sample, Channels>::RowsFirst,
            Resampler<Sample, Channels>::ColumnsFirst};
}

constexpr ResampleEntry kResamplers[] = {
    Entry<std::uint8_t, 1>(),  Entry<std::uint8_t, 3>(),  Entry<std::uint8_t, 4>(),
    Entry<std::uint16_t, 1>(), Entry<std::uint16_t, 3>(), Entry<std::uint16_t, 4>(),
};

const ResampleEntry *FindResampler(const ChannelShape &shape) {
    for (const ResampleEntry &entry : kResamplers)
        if (entry.wide == shape.wide && entry.channels == shape.channels) return &entry;
    return nullptr;
}

// Bytes of `count` elements of `size` bytes, or 0 when a DWORD cannot hold them.
DWORD BlockBytes(std::int64_t count, std::int64_t size) {
    const std::int64_t bytes = (std::max<std::int64_t>)(count, 1) * size;
    return bytes <= 0xFFFFFFFFll ? static_cast<DWORD>(bytes) : 0;
}

int ResizeFiltered(BitmapRecord &bitmap, ReplacementImage &target, ProgressReport &progress) {
    ChannelCodec codec;
    int status = codec.Init(bitmap);
    if (status != STATUS_OK) return status;
    const ChannelShape &shape = codec.Shape();
    const ResampleEntry *entry = FindResampler(shape);
    if (entry == nullptr) return STATUS_BAD_PARAMETER;
    AxisFilter columns, rows;
    const int sampleBits = shape.wide ? 16 : 8;
    status = columns.Build(bitmap.Width, target.Width(), sampleBits);
    if (status == STATUS_OK) status = rows.Build(bitmap.Height, target.Height(), sampleBits);
    if (status != STATUS_OK) return status;

    const bool rowsFirst = target.Height() <= bitmap.Height;
    const std::int64_t sampleBytes = shape.wide ? 2 : 1, betweenBytes = 2 * sampleBytes;
    const std::int64_t sourceSamples = std::int64_t{bitmap.Width} * shape.channels;
    const std::int64_t targetSamples = std::int64_t{target.Width()} * shape.channels;
    const DWORD decodedBytes = shape.inPlace ? 1 : BlockBytes(sourceSamples, sampleBytes);
    const DWORD samplesBytes = shape.inPlace ? 1 : BlockBytes(targetSamples, sampleBytes);
    const DWORD accumulatorBytes = BlockBytes(rowsFirst ? sourceSamples : targetSamples, 8);
    const DWORD betweenRowBytes = rowsFirst ? BlockBytes(sourceSamples, betweenBytes) : BlockBytes(2 * targetSamples, betweenBytes);
    if (decodedBytes == 0 || samplesBytes == 0 || accumulatorBytes == 0 || betweenRowBytes == 0) return STATUS_NO_MEMORY;
    auto decoded = AllocBlock<void>(decodedBytes);
    auto samples = AllocBlock<void>(samplesBytes);
    auto accumulator = AllocBlock<void>(accumulatorBytes);
    auto between = AllocBlock<void>(betweenRowBytes);
    if (!decoded || !samples || !accumulator || !between) return STATUS_NO_MEMORY;

    ResizeWork work{codec, columns, rows, target, bitmap.Width, decoded.get(), accumulator.get(), between.get(), samples.get()};
    return (rowsFirst ? entry->rowsFirst : entry->columnsFirst)(work, progress);
}

// Target pixel i shows source pixel floor((2i + 1) S / 2T), the one under its
// centre: a walk from column S / 2T in steps of 2S against an extent of 2T.
// Widths too large to double take floor(i S / T) instead.
int ResizeNearest(BitmapRecord &bitmap, ReplacementImage &target, ProgressReport &progress) {
    const std::int64_t sourceWidth = bitmap.Width, width = target.Width();
    const bool doubled = 2 * width <= (std::numeric_limits<int>::max)();
    const std::int64_t extent = doubled ? 2 * width : width;
    const std::int64_t start = doubled ? sourceWidth : 0, advance = doubled ? 2 * sourceWidth : sourceWidth;
    const int first = static_cast<int>(start / extent), error = static_cast<int>(start % extent);
    const int step = static_cast<int>(advance / extent), remainder = static_cast<int>(advance % extent);
    const int bits = bitmap.BitsPerPixel;
    const std::size_t offset = static_cast<std::size_t>(first - first % FetchUnit(bits)) * static_cast<std::size_t>(bits) / 8;
    const std::int64_t sourceHeight = bitmap.Height, height = target.Height();
    for (int y = 0; y < height; ++y) {
        const int row = static_cast<int>((2 * y + 1) * sourceHeight / (2 * height));
        int status = KrnResampleRow(bits, static_cast<DWORD>(target.BytesPerLine()), first, step, error, remainder,
                                    RowAddress(&bitmap, row) + offset, target.BeginRow(y), target.Width(),
                                    static_cast<int>(extent), width > sourceWidth);
        if (status == STATUS_OK) status = progress.Step(y + 1, height);
        if (status != STATUS_OK) return status;
    }
    return STATUS_OK;
}

}  // namespace
}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" int ZELT_API KrnResizeBitmap(BitmapRecord *bitmap, int width, int height, UINT flags) {
    if (!RecordIsAllocated(bitmap)) return STATUS_NO_BITMAP;
    if (width < 1 || height < 1 || (flags & ~static_cast<UINT>(KRN_RESIZE_NEAREST)) != 0) return STATUS_BAD_PARAMETER;
    if (!IsSupportedDepth(bitmap->BitsPerPixel) || bitmap->Width < 1 || bitmap->Height < 1) return STATUS_BAD_PARAMETER;
    if (width == bitmap->Width && height == bitmap->Height) return STATUS_OK;
    ReplacementImage target;
    int status = target.Allocate(width, height, bitmap->BitsPerPixel);
    if (status != STATUS_OK) return status;
    ProgressReport progress;
    status = (flags & KRN_RESIZE_NEAREST) != 0 ? ResizeNearest(*bitmap, target, progress)
                                               : ResizeFiltered(*bitmap, target, progress);
    if (status == STATUS_OK) status = ScaleRegion(*bitmap, width, height);
    if (status != STATUS_OK) return status;
    target.CommitTo(*bitmap);
    return STATUS_OK;
}
