// Nearest-neighbour resampling of one row at its own depth. The column
// sequence is a Bresenham walk (step, remainder against an extent), so the
// caller picks any proportional mapping by choosing the start column and
// error; the walk itself is the same for enlarging and shrinking.
#include <array>
#include <cstdint>
#include <cstring>

#include "pixel_formats.h"
#include "zelt/kernel.h"

namespace {

// The column walk: column() is relative to the buffer's first pixel.
class ColumnWalk {
public:
    ColumnWalk(int column, int step, int error, int remainder, int extent)
        : column_(column), step_(step), error_(error), remainder_(remainder), extent_(extent) {}
    std::int64_t column() const { return column_; }
    void Next() {
        column_ += step_;
        error_ += remainder_;
        if (error_ >= extent_) {
            error_ -= extent_;
            ++column_;
        }
    }

private:
    std::int64_t column_;
    std::int64_t step_;
    std::int64_t error_;
    std::int64_t remainder_;
    std::int64_t extent_;
};

// Whole-byte pixels: each target pixel is a copy of `Bytes` bytes. While
// enlarging, a source pixel repeats, so it is copied run by run.
template <int Bytes>
void ResampleBytes(const BYTE *source, BYTE *target, int width, ColumnWalk walk, bool enlarging) {
    BYTE *out = target;
    if (enlarging) {
        int i = 0;
        while (i < width) {
            const std::int64_t column = walk.column();
            const BYTE *pixel = source + column * Bytes;
            do {
                std::memcpy(out, pixel, Bytes);
                out += Bytes;
                walk.Next();
                ++i;
            } while (i < width && walk.column() == column);
        }
        return;
    }
    for (int i = 0; i < width; ++i) {
        std::memcpy(out, source + walk.column() * Bytes, Bytes);
        out += Bytes;
        walk.Next();
    }
}

// 24-bit pixels: each source pixel is read once into a DWORD and stored
// with one 4-byte write per target pixel (the byte past it is overwritten
// by the next pixel), the last with 3 bytes so nothing past the row is
// touched. The walk is kept in pointer and error form.
void Resample24(const BYTE *source, BYTE *target, int width, std::int64_t column, std::int64_t step,
                std::int64_t error, std::int64_t remainder, std::int64_t extent) {
    const BYTE *pixel = source + column * 3;
    const std::ptrdiff_t advance = static_cast<std::ptrdiff_t>(step) * 3;
    const auto load = [](const BYTE *p) {
        return DWORD{p[0]} | (DWORD{p[1]} << 8) | (DWORD{p[2]} << 16);
    };
    DWORD value = load(pixel);
    const BYTE *loaded = pixel;
    BYTE *out = target;
    for (int i = 0; i + 1 < width; ++i, out += 3) {
        std::memcpy(out, &value, 4);
        pixel += advance;
        error += remainder;
        if (error >= extent) {
            error -= extent;
            pixel += 3;
        }
        if (pixel != loaded) {
            value = load(pixel);
            loaded = pixel;
        }
    }
    out[0] = static_cast<BYTE>(value);
    out[1] = static_cast<BYTE>(value >> 8);
    out[2] = static_cast<BYTE>(value >> 16);
}

// 32-bit pixels, with the same pointer walk.
void Resample32(const BYTE *source, BYTE *target, int width, std::int64_t column, std::int64_t step,
                std::int64_t error, std::int64_t remainder, std::int64_t extent) {
    const BYTE *pixel = source + column * 4;
    const std::ptrdiff_t advance = static_cast<std::ptrdiff_t>(step) * 4;
    for (int i = 0; i < width; ++i, target += 4) {
        std::memcpy(target, pixel, 4);
        pixel += advance;
        error += remainder;
        if (error >= extent) {
            error -= extent;
            pixel += 4;
        }
    }
}

// Packed pixels of 1 to 7 bits, most significant bit first; pixels of 3, 5,
// 6 and 7 bits may straddle a byte boundary. The output is collected in a
// bit accumulator and written a byte at a time.
template <int Bits>
unsigned PackedAt(const BYTE *row, std::int64_t x) {
    constexpr unsigned kMask = (1u << Bits) - 1;
    const std::int64_t bit = x * Bits;
    const BYTE *at = row + (bit >> 3);
    const unsigned offset = static_cast<unsigned>(bit & 7);
    if (offset + Bits <= 8) return (at[0] >> (8 - Bits - offset)) & kMask;
    const unsigned word = (static_cast<unsigned>(at[0]) << 8) | at[1];
    return (word >> (16 - Bits - offset)) & kMask;
}

template <int Bits>
void ResamplePacked(const BYTE *source, BYTE *target, int width, ColumnWalk walk, bool /*enlarging*/) {
    unsigned accumulator = 0;
    int pending = 0;  // bits in the accumulator
    BYTE *out = target;
    for (int i = 0; i < width; ++i) {
        accumulator = (accumulator << Bits) | PackedAt<Bits>(source, walk.column());
        pending += Bits;
        if (pending >= 8) {
            pending -= 8;
            *out++ = static_cast<BYTE>(accumulator >> pending);
        }
        walk.Next();
    }
    if (pending > 0) *out = static_cast<BYTE>(accumulator << (8 - pending));
}

// 12-bit samples, two in three bytes, least significant bits first.
unsigned Sample12(const BYTE *row, std::int64_t x) {
    const BYTE *at = row + ((x * 3) >> 1);
    const unsigned word = at[0] | (static_cast<unsigned>(at[1]) << 8);
    return (x & 1) ? (word >> 4) : (word & 0xFFF);
}

void ResampleSample12(const BYTE *source, BYTE *target, int width, ColumnWalk walk, bool /*enlarging*/) {
    BYTE *out = target;
    int i = 0;
    for (; i + 1 < width; i += 2) {
        const unsigned even = Sample12(source, walk.column());
        walk.Next();
        const unsigned odd = Sample12(source, walk.column());
        walk.Next();
        out[0] = static_cast<BYTE>(even);
        out[1] = static_cast<BYTE>((even >> 8) | ((odd & 0xF) << 4));
        out[2] = static_cast<BYTE>(odd >> 4);
        out += 3;
    }
    if (i < width) {
        const unsigned even = Sample12(source, walk.column());
        out[0] = static_cast<BYTE>(even);
        out[1] = static_cast<BYTE>(even >> 8);
    }
}

using Resampler = void (*)(const BYTE *, BYTE *, int, ColumnWalk, bool);

struct ResampleEntry {
    int bits;
    Resampler resample;
};

constexpr std::array<ResampleEntry, 15> kResamplers = {{
    {1, ResamplePacked<1>},   {2, ResamplePacked<2>},   {3, ResamplePacked<3>},  {4, ResamplePacked<4>},
    {5, ResamplePacked<5>},   {6, ResamplePacked<6>},   {7, ResamplePacked<7>},  {8, ResampleBytes<1>},
    {12, ResampleSample12},   {16, ResampleBytes<2>},   {24, ResampleBytes<3>},  {32, ResampleBytes<4>},
    {48, ResampleBytes<6>},   {64, ResampleBytes<8>},   {0, nullptr},
}};

Resampler FindResampler(int bits) {
    for (const ResampleEntry &entry : kResamplers)
        if (entry.bits == bits) return entry.resample;
    return nullptr;
}

}  // namespace

extern "C" int ZELT_API KrnResampleRow(int bitsPerPixel, DWORD targetBytes, int firstColumn, int step, int error,
                                       int remainder, const void *source, void *target, int width, int extent,
                                       BOOL enlarging) {
    const Resampler resample = FindResampler(bitsPerPixel);
    if (resample == nullptr || source == nullptr || target == nullptr || width < 0 || firstColumn < 0 || step < 0 ||
        remainder < 0 || extent < 1 || error < 0 || error >= extent)
        return STATUS_BAD_PARAMETER;
    if (width == 0) return STATUS_OK;
    // The output must fit: width pixels rounded up to whole bytes.
    if (static_cast<std::uint64_t>(width) * bitsPerPixel > static_cast<std::uint64_t>(targetBytes) * 8)
        return STATUS_BAD_PARAMETER;
    const int unit = zelt::kernel::FetchUnit(bitsPerPixel);
    const int bufferStart = firstColumn - firstColumn % unit;
    // The common byte-aligned depths take a walk without per-pixel calls.
    if (bitsPerPixel == 24 || bitsPerPixel == 32) {
        const auto fast = bitsPerPixel == 24 ? Resample24 : Resample32;
        fast(static_cast<const BYTE *>(source), static_cast<BYTE *>(target), width, firstColumn - bufferStart, step,
             error, remainder, extent);
        return STATUS_OK;
    }
    const ColumnWalk walk(firstColumn - bufferStart, step, error, remainder, extent);
    resample(static_cast<const BYTE *>(source), static_cast<BYTE *>(target), width, walk, enlarging != FALSE);
    return STATUS_OK;
}
