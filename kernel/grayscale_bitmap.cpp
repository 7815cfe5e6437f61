// KrnGrayscaleBitmap: the image turned into gray in place. Every stored row
// is first read as levels on a 16-bit scale (a table per palette entry,
// the bit window of deep gray, the luminance of colours) and then written
// at the target depth; the new image replaces the old one at the end.
#include <algorithm>
#include <cstdint>

#include "image_replace.h"
#include "memory_internal.h"
#include "packed_indices.h"
#include "palette_internal.h"
#include "pixel_access.h"
#include "pixel_formats.h"
#include "progress_report.h"
#include "record_internal.h"

namespace zelt::kernel {
namespace {

using Level = std::uint16_t;
constexpr std::uint32_t kLevelMax = 65535;

// An 8-bit luminance on the 16-bit level scale (v * 257 is exact).
constexpr Level WidenLevel(DWORD level8) { return static_cast<Level>(level8 * 257u); }

constexpr DWORD Luminance(DWORD red, DWORD green, DWORD blue) { return (299 * red + 587 * green + 114 * blue) / 1000; }

struct LevelReader;
using LevelDecoder = void (*)(LevelReader &reader, const BYTE *row, int width, Level *levels);

// What decoding a row needs, set up once per call.
struct LevelReader {
    LevelDecoder decode = nullptr;
    Level paletteLevels[256] = {};
    IndexUnpacker unpack = nullptr;
    const PixelFormat *format = nullptr;
    int redAt = 2;         // 48/64 bits: channel of red (0 or 2)
    DWORD mask = 0;        // deep gray: (sample >> shift) & mask
    int shift = 0;
    BYTE *scratch = nullptr;  // indices, or a row at 24 bits
};

void DecodePalette(LevelReader &reader, const BYTE *row, int width, Level *levels) {
    reader.unpack(reader.scratch, row, width);
    for (int x = 0; x < width; ++x) levels[x] = reader.paletteLevels[reader.scratch[x]];
}

// 5-5-5, 24 and 32 bits through the row converter: blue, green, red bytes.
void DecodeColor(LevelReader &reader, const BYTE *row, int width, Level *levels) {
    UnpackTables tables;
    tables.redAt = 2;
    reader.format->unpackTo24(reader.scratch, row, width, tables);
    for (int x = 0; x < width; ++x) {
        const BYTE *pixel = reader.scratch + 3 * static_cast<std::size_t>(x);
        levels[x] = WidenLevel(Luminance(pixel[2], pixel[1], pixel[0]));
    }
}

// 48 and 64 bits keep their 16-bit channels.
template <int Channels>
void DecodeWideColor(LevelReader &reader, const BYTE *row, int width, Level *levels) {
    const auto channel = [](const BYTE *at) { return DWORD{at[0]} | (DWORD{at[1]} << 8); };
    for (int x = 0; x < width; ++x, row += 2 * Channels) {
        const DWORD red = channel(row + 2 * reader.redAt), green = channel(row + 2), blue = channel(row + 4 - 2 * reader.redAt);
        levels[x] = static_cast<Level>(Luminance(red, green, blue));
    }
}

// Deep gray through its bit window, scaled from the window to the level scale.
template <typename Access>
void DecodeDeepGray(LevelReader &reader, const BYTE *row, int width, Level *levels) {
    const DWORD mask = reader.mask;
    for (int x = 0; x < width; ++x) {
        const DWORD value = (Access::Get(row, static_cast<std::size_t>(x)) >> reader.shift) & mask;
        levels[x] = static_cast<Level>(mask == 0 ? 0 : (std::uint64_t{value} * kLevelMax + mask / 2) / mask);
    }
}

// Sets up the reader for the source's layout; false for a depth no record can have.
bool PrepareReader(BitmapRecord &source, LevelReader &reader) {
    const int bits = source.BitsPerPixel;
    if (IsPaletteDepth(bits)) {
        RGBQUAD colors[256] = {};
        KrnGetBitmapColors(&source, 0, std::clamp<int>(source.ColorCount, 0, 1 << bits), colors);
        for (int i = 0; i < 256; ++i) reader.paletteLevels[i] = WidenLevel(Luminance(colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue));
        reader.unpack = IndexUnpackerFor(bits);
        reader.decode = DecodePalette;
    } else if (IsDeepGray(&source)) {
        KrnGetBitWindow(bits, bits, source.LowBit, source.HighBit, &reader.mask, &reader.shift);
        reader.decode = bits == 12 ? DecodeDeepGray<pixels::Sample12> : DecodeDeepGray<pixels::Sample16>;
    } else if (bits == 48 || bits == 64) {
        reader.redAt = source.Order == 1 ? 2 : 0;
        reader.decode = bits == 48 ? DecodeWideColor<3> : DecodeWideColor<4>;
    } else {
        reader.format = FormatOf(&source);
        if (reader.format == nullptr) return false;
        reader.decode = DecodeColor;
    }
    return true;
}

// Levels written at the target depth, rounded to its scale.
using LevelEncoder = void (*)(const Level *levels, int width, BYTE *row);

constexpr DWORD Rescale(Level level, DWORD maximum) {
    return static_cast<DWORD>((std::uint64_t{level} * maximum + kLevelMax / 2) / kLevelMax);
}

void Encode8(const Level *levels, int width, BYTE *row) {
    for (int x = 0; x < width; ++x) row[x] = static_cast<BYTE>(Rescale(levels[x], 255));
}
void Encode12(const Level *levels, int width, BYTE *row) {
    for (int x = 0; x < width; ++x) pixels::Sample12::Set(row, static_cast<std::size_t>(x), Rescale(levels[x], 4095));
}
void Encode16(const Level *levels, int width, BYTE *row) {
    for (int x = 0; x < width; ++x) pixels::Sample16::Set(row, static_cast<std::size_t>(x), levels[x]);
}

// Deep gray of the target depth whose window is the whole sample is gray already.
bool AlreadyGray(const BitmapRecord &bitmap, int bits) {
    return bits != 8 && bitmap.BitsPerPixel == bits && IsDeepGray(&bitmap) && bitmap.LowBit <= 0 && bitmap.HighBit >= bits - 1;
}

// The record's description of gray at `bits` bits: the palette (a new gray
// ramp at 8 bits, none deeper), Order and the bit windows over the whole sample.
void DescribeGray(BitmapRecord &bitmap, int bits, OwnedPalette &ramp) {
    if ((bitmap.KernelFlags & KRN_OWNS_PALETTE) != 0 && bitmap.Palette != nullptr) DeleteObject(bitmap.Palette);
    bitmap.KernelFlags &= ~static_cast<DWORD>(KRN_OWNS_PALETTE);
    bitmap.Palette = ramp.release();
    bitmap.ColorCount = bitmap.Palette != nullptr ? 256 : 0;
    if (bitmap.Palette != nullptr) bitmap.KernelFlags |= KRN_OWNS_PALETTE;
    bitmap.Order = bits == 8 ? 0 : 2;
    bitmap.LowBit = 0;
    bitmap.HighBit = bits == 8 ? 7 : bits - 1;
    bitmap.PaintLowBit = 0;
    bitmap.PaintHighBit = bitmap.HighBit;
    bitmap.MinValue = 0;
    bitmap.MaxValue = static_cast<LONG>((1L << (bitmap.HighBit + 1)) - 1);
}

int Grayscale(BitmapRecord &bitmap, int bits) {
    if (AlreadyGray(bitmap, bits)) return STATUS_OK;
    LevelReader reader;
    if (!PrepareReader(bitmap, reader)) return STATUS_BAD_PARAMETER;
    const LevelEncoder encode = bits == 8 ? Encode8 : bits == 12 ? Encode12 : Encode16;

    const DWORD scratchBytes = KrnGetRowBufferSize(bitmap.Width, 24, bitmap.Width, 16);
    if (scratchBytes == 0) return STATUS_NO_MEMORY;
    auto scratch = AllocBlock<BYTE>(scratchBytes);
    auto levels = AllocBlock<Level>(scratchBytes);
    ReplacementImage gray;
    OwnedPalette ramp;
    if (!scratch || !levels) return STATUS_NO_MEMORY;
    int status = gray.Allocate(bitmap.Width, bitmap.Height, bits);
    if (status != STATUS_OK) return status;
    if (bits == 8) {
        ramp.reset(CreateGrayRampPalette(256));
        if (!ramp) return STATUS_NO_MEMORY;
    }
    reader.scratch = scratch.get();
    ProgressReport progress;
    for (int row = 0; row < bitmap.Height; ++row) {
        reader.decode(reader, RowAddress(&bitmap, row), bitmap.Width, levels.get());
        encode(levels.get(), bitmap.Width, gray.BeginRow(row));
        status = progress.Step(row + 1, bitmap.Height);
        if (status != STATUS_OK) return status;
    }
    gray.CommitTo(bitmap);
    DescribeGray(bitmap, bits, ramp);
    return STATUS_OK;
}

}  // namespace
}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" int ZELT_API KrnGrayscaleBitmap(BitmapRecord *bitmap, int bits) {
    if (!RecordIsAllocated(bitmap)) return STATUS_NO_BITMAP;
    if (bits != 8 && bits != 12 && bits != 16) return STATUS_BAD_PARAMETER;
    if (bitmap->Width < 1 || bitmap->Height < 1) return STATUS_BAD_PARAMETER;
    return Grayscale(*bitmap, bits);
}
