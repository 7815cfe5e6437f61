// The reduction half of the reducing row converters: output packers per
// device depth, the fixed device palettes as per-channel tables, the
// error-diffusion and ordered-dither quantizers, and the two row loops that
// join a source reader (source_pixels.h) with a quantizer and a packer.
#pragma once

#include <algorithm>
#include <array>

#include "paint/ordered_luminance.h"
#include "paint/paint_engine.h"
#include "paint/source_pixels.h"

namespace paint_reduce {

// The levels a reducing converter passes channels through: the bitmap's
// paint table, or the identity for a record that has none (a described
// record painting from the caller's buffers).
inline const BYTE *PaintLevels(const BitmapRecord *bitmap) {
    static constexpr std::array<BYTE, 256> kIdentity = [] {
        std::array<BYTE, 256> levels{};
        for (int i = 0; i < 256; ++i) levels[static_cast<std::size_t>(i)] = static_cast<BYTE>(i);
        return levels;
    }();
    return bitmap->PaintLut != nullptr ? bitmap->PaintLut : kIdentity.data();
}

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

struct ChannelEntry {
    short residual;
    BYTE index;
};

struct PaletteTables {
    std::array<ChannelEntry, 256> red{}, green{}, blue{};
};

constexpr int kRamp8[8] = {0, 36, 73, 109, 146, 182, 219, 255};
constexpr int kRamp4[4] = {0, 85, 170, 255};

constexpr PaletteTables MakeRgb332Tables() {
    PaletteTables t{};
    for (int v = 0; v < 256; ++v) {
        const short stepOf8 = static_cast<short>(v - kRamp8[v >> 5]);
        t.red[v] = {stepOf8, static_cast<BYTE>(v & 0xE0)};
        t.green[v] = {stepOf8, static_cast<BYTE>((v & 0xE0) >> 3)};
        t.blue[v] = {static_cast<short>(v - kRamp4[v >> 6]), static_cast<BYTE>(v >> 6)};
    }
    return t;
}

constexpr PaletteTables MakeCubeTables() {
    PaletteTables t{};
    for (int v = 0; v < 256; ++v) {
        const int step = v / 51;
        const short residual = static_cast<short>(v - step * 51);
        t.red[v] = {residual, static_cast<BYTE>(step * 36)};
        t.green[v] = {residual, static_cast<BYTE>(step * 6)};
        t.blue[v] = {residual, static_cast<BYTE>(step)};
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

// 8 bits: 3-3-2 or colour cube, per the tables named.
template <const PaletteTables &Palette>
struct Diffuse8 {
    using Packer = Pack8;
    const BYTE *lut;
    Quantized operator()(int r, int g, int b) const {
        const ChannelEntry &er = Palette.red[lut[r]], &eg = Palette.green[lut[g]], &eb = Palette.blue[lut[b]];
        return {static_cast<unsigned>(er.index + eg.index + eb.index), er.residual, eg.residual, eb.residual};
    }
};

// Floyd-Steinberg over one row in sixteenths. errors[3x..3x+2] is slot x
// (red, green, blue). On entry a slot holds what pixel x receives from the
// row above; on exit what pixel x of the next row receives. The protocol
// parks the current pixel's 1/16 share in the next slot while the row runs;
// here that share and the slot still waiting for its 3/16 stay in
// registers, so each slot is read once (ahead) and written once (behind).
struct ChannelCarry {
    int pending;  // what the current pixel receives
    int share;    // previous pixel's 1/16 share for the slot below the current one
    int behind;   // previous slot, still missing the current pixel's 3/16

    void Start(int above) { pending = above; }
    // First pixel: its slot is assigned, not added to.
    void First(int d) { behind = 5 * d, share = d; }
    void Next(int d, int *slotBehind) {
        *slotBehind = behind + 3 * d;
        behind = share + 5 * d;
        share = d;
    }
    void Ahead(int d, int above) { pending = 7 * d + above; }
};

// The carries of a row loop that finds each pixel's three errors itself:
// Take hands pixel k's errors to the slots behind it (the first pixel
// starts the carries), Finish writes the last pixel's slot.
struct RowCarries {
    ChannelCarry red{}, green{}, blue{};

    void Take(int k, int *slot, int er, int eg, int eb) {
        if (k == 0) {
            red.First(er);
            green.First(eg);
            blue.First(eb);
        } else {
            red.Next(er, slot - 3);
            green.Next(eg, slot - 2);
            blue.Next(eb, slot - 1);
        }
    }
    // The last pixel's rightward and below-right shares are dropped.
    void Finish(int *lastSlot) const {
        lastSlot[0] = red.behind;
        lastSlot[1] = green.behind;
        lastSlot[2] = blue.behind;
    }
};

template <typename Reader, typename Quantizer>
void DiffuseRow(BYTE *dst, const Reader &reader, const Quantizer &quantize, int xStart, int count, int *errors) {
    typename Quantizer::Packer out(dst);
    ChannelCarry red, green, blue;
    red.Start(errors[0]);
    green.Start(errors[1]);
    blue.Start(errors[2]);
    auto quantizeAt = [&](int k) {
        const Rgb c = reader.At(xStart + k);
        return quantize(Clamp255(c.red + red.pending / 16), Clamp255(c.green + green.pending / 16),
                        Clamp255(c.blue + blue.pending / 16));
    };
    Quantized q = quantizeAt(0);
    red.First(q.red);
    green.First(q.green);
    blue.First(q.blue);
    out.Put(q.index);
    int *slot = errors;
    for (int k = 1; k < count; ++k, slot += 3) {
        // The slot of pixel k still holds its row-above sum here.
        red.Ahead(q.red, slot[3]);
        green.Ahead(q.green, slot[4]);
        blue.Ahead(q.blue, slot[5]);
        q = quantizeAt(k);
        red.Next(q.red, slot);
        green.Next(q.green, slot + 1);
        blue.Next(q.blue, slot + 2);
        out.Put(q.index);
    }
    // The last pixel's rightward and below-right shares are dropped.
    slot[0] = red.behind;
    slot[1] = green.behind;
    slot[2] = blue.behind;
    out.Finish();
}

// Rows at least this long repay folding the tables of the 4- and 8-bit
// diffusion (diffuse_channels.h) once per call.
inline constexpr int kFoldRowLength = 512;

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
template <const PaletteTables &Palette>
struct Ordered8 {
    using Packer = Pack8;
    const BYTE *lut;
    std::array<int, 8> offset;
    unsigned operator()(int k, const Rgb &c) const {
        const int o = offset[k & 7];
        return Palette.red[lut[Clamp255(c.red + o)]].index + Palette.green[lut[Clamp255(c.green + o)]].index +
               Palette.blue[lut[Clamp255(c.blue + o)]].index;
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
    // 24- and 32-bit rows: groups of 16 pixels at once, the rest below.
    const int done = DitherLuminance16(dst, reader, limit, xStart, count);
    const int wholeBytes = count >> 3;
    for (int byte = done >> 3; byte < wholeBytes; ++byte) {
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
