// How the resampler sees the pixels of each stored layout: rows of
// interleaved channel samples, 8 or 16 bits wide, that it can average.
//
//   24, 32 bits          3 or 4 byte channels, the stored row itself
//   48, 64 bits          3 or 4 16-bit channels
//   12, 16-bit gray      one 16-bit channel, the raw sample
//   16-bit 5-5-5         three channels holding the 5-bit fields
//   gray-ramp palettes   one channel holding the index, which is the level
//   colour palettes      blue, green, red of the entry; averaged colours go
//                        back to the nearest entry of the same palette
#pragma once

#include "color_match.h"
#include "packed_indices.h"
#include "zelt/kernel.h"

namespace zelt::kernel {

struct ChannelShape {
    int channels = 0;          // 1, 3 or 4
    bool wide = false;         // 16-bit samples, else 8-bit
    // Stored rows are the samples: rows are read and written where they lie.
    bool inPlace = false;
};

class ChannelCodec {
public:
    // Picks the layout of the source's pixels. STATUS_NO_MEMORY when the
    // colour search cannot be set up, STATUS_BAD_PARAMETER for an unknown layout.
    int Init(BitmapRecord &source);

    const ChannelShape &Shape() const { return shape_; }

    // The samples of stored row `row` of the source: the row itself when in
    // place, else decoded into `scratch` (Width x channels samples).
    const void *Decode(int row, void *scratch);

    // Writes `samples` (width x channels, which it may overwrite) as a stored
    // row at the source's layout. Nothing to do in place. STATUS_NO_MEMORY
    // when the colour search runs out of memory.
    int Encode(void *samples, int width, BYTE *row);

    // What the per-layout converters need besides the pixels.
    struct Tables {
        IndexUnpacker unpack = nullptr;
        IndexPacker pack = nullptr;
        int wordsPerPixel = 1;     // word layouts: 16-bit channels per pixel
        RGBQUAD colors[256] = {};  // colour palettes, padded with black
        krn_reduce::ColorMatcher matcher;
    };

private:
    using Decoder = void (*)(Tables &tables, const BYTE *row, int width, void *samples);
    using Encoder = bool (*)(Tables &tables, void *samples, int width, BYTE *row);

    BitmapRecord *source_ = nullptr;
    ChannelShape shape_;
    Decoder decode_ = nullptr;
    Encoder encode_ = nullptr;
    Tables tables_;
};

}  // namespace zelt::kernel
