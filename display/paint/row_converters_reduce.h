// The reduction half of the reducing row converters: output packers per
// device depth, the fixed device palettes as per-channel tables, the
// error-diffusion and ordered-dither quantizers, and the two row loops that
// join a source reader (source_pixels.h) with a quantizer and a packer.
#pragma once

#include <algorithm>
#include <array>

#include "paint/paint_engine.h"
#include "paint/source_pixels.h"

namespace paint_reduce {

using paint_pixels::Rgb;

inline int Clamp255(int v) { return std::clamp(v, 0, 255); }

// Luminance of the 1-bit converters: (2R + 5G + B + 4) / 8.
inline int Luminance(int red, int green, int blue) { return (2 * red + 5 * green + blue + 4) >> 3; }

// ---- packers: k-th index to dst, bits outside [0, count) untouched ---------------

class Pack1 {
public:
    explicit Pack1(BYTE *dst) : dst_(dst) {}
    void Put(unsigned bit) {
        bits_ = (bits_ << 1) | bit;
        if (++filled_ == 8) {
            *dst_++ = static_cast<BYTE>(bits_);
            bits_ = 0;
            filled_ = 0;
        }
    }
    void Finish() {
        if (filled_ == 0) return;
        const int spare = 8 - filled_;
        const unsigned keep = (1u << spare) - 1;
        *dst_ = static_cast<BYTE>((*dst_ & keep) | (bits_ << spare));
    }

private:
    BYTE *dst_;
    unsigned bits_ = 0;
    int filled_ = 0;
};

class Pack4 {
public:
    explicit Pack4(BYTE *dst) : dst_(dst) {}
    void Put(unsigned index) {
        if (high_) {
            pending_ = index << 4;
            high_ = false;
        } else {
            *dst_++ = static_cast<BYTE>(pending_ | index);
            high_ = true;
        }
    }
    void Finish() {
        if (!high_) *dst_ = static_cast<BYTE>((*dst_ & 0x0F) | pending_);
    }

private:
    BYTE *dst_;
    unsigned pending_ = 0;
    bool high_ = true;
};

class Pack8 {
public:
    explicit Pack8(BYTE *dst) : dst_(dst) {}
    void Put(unsigned index) { *dst_++ = static_cast<BYTE>(index); }
    void Finish() {}

private:
    BYTE *dst_;
};

// ---- fixed 8-bit device palettes, per channel ---------------------------------------
// For a (paint-table mapped) channel value v: its share of the palette index
// and v minus the channel of the palette entry chosen (the diffused error).

struct ChannelTable {
    std::array<BYTE, 256> index{};
    std::array<short, 256> residual{};
};

struct PaletteTables {
    ChannelTable red, green, blue;
};

constexpr int kRamp8[8] = {0, 36, 73, 109, 146, 182, 219, 255};
constexpr int kRamp4[4] = {0, 85, 170, 255};

constexpr PaletteTables MakeRgb332Tables() {
    PaletteTables t{};
    for (int v = 0; v < 256; ++v) {
        t.red.index[v] = static_cast<BYTE>(v & 0xE0);
        t.red.residual[v] = static_cast<short>(v - kRamp8[v >> 5]);
        t.green.index[v] = static_cast<BYTE>((v & 0xE0) >> 3);
        t.green.residual[v] = static_cast<short>(v - kRamp8[v >> 5]);
        t.blue.index[v] = static_cast<BYTE>(v >> 6);
        t.blue.residual[v] = static_cast<short>(v - kRamp4[v >> 6]);
    }
    return t;
}

constexpr PaletteTables MakeCubeTables() {
    PaletteTables t{};
    for (int v = 0; v < 256; ++v) {
        const int step = v / 51;
        const short residual = static_cast<short>(v - step * 51);
        t.red.index[v] = static_cast<BYTE>(step * 36);
        t.green.index[v] = static_cast<BYTE>(step * 6);
        t.blue.index[v] = static_cast<BYTE>(step);
        t.red.residual[v] = t.green.residual[v] = t.blue.residual[v] = residual;
    }
    return t;
}

inline constexpr PaletteTables kRgb332Tables = MakeRgb332Tables();
inline constexpr PaletteTables kCubeTables = MakeCubeTables();

// The calling thread's display mode, read once per converter call.
UINT CurrentDisplayMode();

// ---- error diffusion ---------------------------------------------------------------

struct Quantized {
    unsigned index;
    int red, green, blue;  // error to diffuse per channel
};

// 1 bit: threshold on the paint-table luminance; errors before the table.
struct Diffuse1 {
    using Packer = Pack1;
    const BYTE *lut;
    Quantized operator()(int r, int g, int b) const {
        const int white = lut[Luminance(r, g, b)] >= 128 ? 255 : 0;
        return {white != 0 ? 1u : 0u, r - white, g - white, b - white};
    }
};

// 4 bits: each channel on or off after the table; errors after the table.
struct Diffuse4 {
    using Packer = Pack4;
    const BYTE *lut;
    Quantized operator()(int r, int g, int b) const {
        const int lr = lut[r], lg = lut[g], lb = lut[b];
        const unsigned on = (lr >= 128 ? 1u : 0u) | (lg >= 128 ? 2u : 0u) | (lb >= 128 ? 4u : 0u);
        return {on != 0 ? 8 + on : 0u, lr - ((on & 1) ? 255 : 0), lg - ((on & 2) ? 255 : 0),
                lb - ((on & 4) ? 255 : 0)};
    }
};

// 8 bits: 3-3-2 or colour cube, per the tables handed in.
struct Diffuse8 {
    using Packer = Pack8;
    const BYTE *lut;
    const PaletteTables *palette;
    Quantized operator()(int r, int g, int b) const {
        const int lr = lut[r], lg = lut[g], lb = lut[b];
        return {static_cast<unsigned>(palette->red.index[lr] + palette->green.index[lg] + palette->blue.index[lb]),
                palette->red.residual[lr], palette->green.residual[lg], palette->blue.residual[lb]};
    }
};

// Floyd-Steinberg over one row in sixteenths. errors[3x..3x+2] is slot x
// (red, green, blue). On entry a slot holds what pixel x receives from the
// row above; on exit what pixel x of the next row receives. While the row
// runs, the slot of the next pixel holds the current pixel's 1/16 share.
template <typename Reader, typename Quantizer>
void DiffuseRow(BYTE *dst, const Reader &reader, const Quantizer &quantize, int xStart, int count, int *errors) {
    typename Quantizer::Packer out(dst);
    int pendingR = errors[0], pendingG = errors[1], pendingB = errors[2];
    int *slot = errors;
    for (int k = 0; k < count; ++k, slot += 3) {
        const Rgb c = reader.At(xStart + k);
        const Quantized q = quantize(Clamp255(c.red + pendingR / 16), Clamp255(c.green + pendingG / 16),
                                     Clamp255(c.blue + pendingB / 16));
        if (k == 0) {
            slot[0] = 5 * q.red;
            slot[1] = 5 * q.green;
            slot[2] = 5 * q.blue;
        } else {
            slot[0] += 5 * q.red;
            slot[1] += 5 * q.green;
            slot[2] += 5 * q.blue;
            slot[-3] += 3 * q.red;
            slot[-2] += 3 * q.green;
            slot[-1] += 3 * q.blue;
        }
        if (k + 1 < count) {
            pendingR = 7 * q.red + slot[3];
            pendingG = 7 * q.green + slot[4];
            pendingB = 7 * q.blue + slot[5];
            slot[3] = q.red;
            slot[4] = q.green;
            slot[5] = q.blue;
        }
        out.Put(q.index);
    }
    out.Finish();
}

// ---- ordered dither --------------------------------------------------------------------

// The eight matrix values of one row, rotated so that entry k & 7 belongs to
// the k-th pixel of the call.
inline std::array<int, 8> RowThresholds(const BYTE (&matrix)[8][8], int phaseX, int phaseY) {
    std::array<int, 8> out{};
    for (int k = 0; k < 8; ++k) out[k] = matrix[phaseY & 7][(phaseX + k) & 7];
    return out;
}

struct Ordered1 {
    using Packer = Pack1;
    const BYTE *lut;
    std::array<int, 8> threshold;
    unsigned operator()(int k, const Rgb &c) const {
        return threshold[k & 7] < lut[Luminance(c.red, c.green, c.blue)] ? 1u : 0u;
    }
};

struct Ordered4 {
    using Packer = Pack4;
    const BYTE *lut;
    std::array<int, 8> threshold;
    unsigned operator()(int k, const Rgb &c) const {
        const int t = threshold[k & 7];
        const unsigned on = (t < lut[c.red] ? 1u : 0u) | (t < lut[c.green] ? 2u : 0u) | (t < lut[c.blue] ? 4u : 0u);
        return on != 0 ? 8 + on : 0u;
    }
};

// 8 bits: the threshold becomes an offset added to each channel before the
// table; the palette's steps decide its range.
struct Ordered8 {
    using Packer = Pack8;
    const BYTE *lut;
    const PaletteTables *palette;
    std::array<int, 8> offset;
    unsigned operator()(int k, const Rgb &c) const {
        const int o = offset[k & 7];
        return palette->red.index[lut[Clamp255(c.red + o)]] + palette->green.index[lut[Clamp255(c.green + o)]] +
               palette->blue.index[lut[Clamp255(c.blue + o)]];
    }
};

template <typename Reader, typename Quantizer>
void DitherRow(BYTE *dst, const Reader &reader, const Quantizer &quantize, int xStart, int count) {
    typename Quantizer::Packer out(dst);
    for (int k = 0; k < count; ++k) out.Put(quantize(k, reader.At(xStart + k)));
    out.Finish();
}

// Per-column limits on 2R + 5G + B + 4 that stand for "t < L[luminance]",
// or false when the paint table ever decreases (then no such limit exists).
// For a table that never decreases, t < L[g] holds exactly from the first
// level g whose table value exceeds t, i.e. for 2R + 5G + B + 4 >= 8g.
bool LuminanceLimits(const BYTE *lut, const std::array<int, 8> &threshold, std::array<int, 8> &limit);

// 1-bit ordered dither. Dst bytes line up with k (pixel 0 is the top bit of
// dst[0]), so whole output bytes are eight compares against fixed limits.
template <typename Reader>
void DitherRow1(BYTE *dst, const Reader &reader, const BYTE *lut, const std::array<int, 8> &threshold, int xStart,
                int count) {
    std::array<int, 8> limit;
    if (!LuminanceLimits(lut, threshold, limit)) {
        DitherRow(dst, reader, Ordered1{lut, threshold}, xStart, count);
        return;
    }
    const int wholeBytes = count >> 3;
    for (int byte = 0; byte < wholeBytes; ++byte) {
        const int x = xStart + byte * 8;
        unsigned bits = 0;
        for (int i = 0; i < 8; ++i) {
            const Rgb c = reader.At(x + i);
            bits |= (2 * c.red + 5 * c.green + c.blue + 4 >= limit[i] ? 0x80u : 0u) >> i;
        }
        dst[byte] = static_cast<BYTE>(bits);
    }
    Pack1 tail(dst + wholeBytes);
    for (int k = wholeBytes * 8; k < count; ++k) {
        const Rgb c = reader.At(xStart + k);
        tail.Put(2 * c.red + 5 * c.green + c.blue + 4 >= limit[k & 7] ? 1u : 0u);
    }
    tail.Finish();
}

}  // namespace paint_reduce
