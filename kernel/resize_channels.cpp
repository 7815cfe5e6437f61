#include "resize_channels.h"

#include <algorithm>
#include <cstdint>

#include "pixel_access.h"
#include "record_internal.h"

namespace zelt::kernel {
namespace {

using Tables = ChannelCodec::Tables;
using Narrow = std::uint8_t;
using Wide = std::uint16_t;

// 48, 64 bits and 16-bit gray: little-endian words.
void DecodeWords(Tables &tables, const BYTE *row, int width, void *samples) {
    Wide *out = static_cast<Wide *>(samples);
    const int count = width * tables.wordsPerPixel;
    for (int i = 0; i < count; ++i) out[i] = static_cast<Wide>(pixels::Sample16::Get(row, static_cast<std::size_t>(i)));
}
bool EncodeWords(Tables &tables, void *samples, int width, BYTE *row) {
    const Wide *in = static_cast<const Wide *>(samples);
    const int count = width * tables.wordsPerPixel;
    for (int i = 0; i < count; ++i) pixels::Sample16::Set(row, static_cast<std::size_t>(i), in[i]);
    return true;
}

void DecodeSamples12(Tables &, const BYTE *row, int width, void *samples) {
    Wide *out = static_cast<Wide *>(samples);
    for (int x = 0; x < width; ++x) out[x] = static_cast<Wide>(pixels::Sample12::Get(row, static_cast<std::size_t>(x)));
}
bool EncodeSamples12(Tables &, void *samples, int width, BYTE *row) {
    const Wide *in = static_cast<const Wide *>(samples);
    for (int x = 0; x < width; ++x) pixels::Sample12::Set(row, static_cast<std::size_t>(x), in[x]);
    return true;
}

// 5-5-5: the three fields, low bits first; bit 15 stays 0.
void DecodeFields(Tables &, const BYTE *row, int width, void *samples) {
    Narrow *out = static_cast<Narrow *>(samples);
    for (int x = 0; x < width; ++x, out += 3) {
        const unsigned word = pixels::Sample16::Get(row, static_cast<std::size_t>(x));
        out[0] = static_cast<Narrow>(word & 31u);
        out[1] = static_cast<Narrow>((word >> 5) & 31u);
        out[2] = static_cast<Narrow>((word >> 10) & 31u);
    }
}
bool EncodeFields(Tables &, void *samples, int width, BYTE *row) {
    const Narrow *in = static_cast<const Narrow *>(samples);
    for (int x = 0; x < width; ++x, in += 3)
        pixels::Sample16::Set(row, static_cast<std::size_t>(x), in[0] | (unsigned{in[1]} << 5) | (unsigned{in[2]} << 10));
    return true;
}

void DecodeGrayIndices(Tables &tables, const BYTE *row, int width, void *samples) {
    tables.unpack(static_cast<BYTE *>(samples), row, width);
}
bool EncodeGrayIndices(Tables &tables, void *samples, int width, BYTE *row) {
    tables.pack(row, static_cast<const BYTE *>(samples), width);
    return true;
}

// Colour palettes: the indices are unpacked into the last third of the
// buffer and spread to blue, green, red from the front, so each index is
// read before its bytes are overwritten.
void DecodeColors(Tables &tables, const BYTE *row, int width, void *samples) {
    BYTE *out = static_cast<BYTE *>(samples);
    const BYTE *indices = out + 2 * static_cast<std::size_t>(width);
    tables.unpack(out + 2 * static_cast<std::size_t>(width), row, width);
    for (int x = 0; x < width; ++x) {
        const RGBQUAD &color = tables.colors[indices[x]];
        BYTE *pixel = out + 3 * static_cast<std::size_t>(x);
        pixel[0] = color.rgbBlue;
        pixel[1] = color.rgbGreen;
        pixel[2] = color.rgbRed;
    }
}
// Each averaged colour becomes its nearest entry; index x is written over
// bytes already read.
bool EncodeColors(Tables &tables, void *samples, int width, BYTE *row) {
    BYTE *buffer = static_cast<BYTE *>(samples);
    for (int x = 0; x < width; ++x) {
        const BYTE *pixel = buffer + 3 * static_cast<std::size_t>(x);
        const int index = tables.matcher.Nearest(pixel[2], pixel[1], pixel[0]);
        if (index < 0) return false;
        buffer[x] = static_cast<BYTE>(index);
    }
    tables.pack(row, buffer, width);
    return true;
}

}  // namespace

int ChannelCodec::Init(BitmapRecord &source) {
    source_ = &source;
    const int bits = source.BitsPerPixel;
    if (IsPaletteDepth(bits)) {
        tables_.unpack = IndexUnpackerFor(bits);
        tables_.pack = IndexPackerFor(bits);
        if (KrnIsGrayBitmap(&source) != 0) {
            // Ramps run evenly from one end to the other, so averaging
            // indices averages levels. 8-bit indices are the rows themselves.
            shape_ = {1, false, bits == 8};
            decode_ = DecodeGrayIndices;
            encode_ = EncodeGrayIndices;
            return STATUS_OK;
        }
        const int count = KrnGetBitmapColors(&source, 0, std::clamp<int>(source.ColorCount, 0, 1 << bits), tables_.colors);
        if (!tables_.matcher.Init(tables_.colors, (std::max)(count, 1), false)) return STATUS_NO_MEMORY;
        shape_ = {3, false, false};
        decode_ = DecodeColors;
        encode_ = EncodeColors;
        return STATUS_OK;
    }
    switch (bits) {
    case 12:
        shape_ = {1, true, false};
        decode_ = DecodeSamples12;
        encode_ = EncodeSamples12;
        return STATUS_OK;
    case 16:
        if (IsDeepGray(&source)) {
            shape_ = {1, true, false};
            decode_ = DecodeWords;
            encode_ = EncodeWords;
        } else {
            shape_ = {3, false, false};
            decode_ = DecodeFields;
            encode_ = EncodeFields;
        }
        return STATUS_OK;
    case 24:
    case 32:
        shape_ = {bits / 8, false, true};
        return STATUS_OK;
    case 48:
    case 64:
        shape_ = {bits / 16, true, false};
        tables_.wordsPerPixel = bits / 16;
        decode_ = DecodeWords;
        encode_ = EncodeWords;
        return STATUS_OK;
    default:
        return STATUS_BAD_PARAMETER;
    }
}

const void *ChannelCodec::Decode(int row, void *scratch) {
    const BYTE *stored = RowAddress(source_, row);
    if (shape_.inPlace) return stored;
    decode_(tables_, stored, source_->Width, scratch);
    return scratch;
}

int ChannelCodec::Encode(void *samples, int width, BYTE *row) {
    if (shape_.inPlace) return STATUS_OK;
    return encode_(tables_, samples, width, row) ? STATUS_OK : STATUS_NO_MEMORY;
}

}  // namespace zelt::kernel
