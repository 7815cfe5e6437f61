// KrnConvertColorRes: a new bitmap holding a source image at another depth.
// Every source row is first decoded to 24-bit blue-green-red pixels. Deep
// targets (16, 24, 32 bits) encode that row straight into their layout;
// palette targets (1, 4, 8 bits) take the exact nearest colour of their
// table per pixel, or, when diffusion is asked for, are written by the
// colour reduction service row after row so its error carries down.
#include <algorithm>
#include <cstring>

#include "color_match.h"
#include "memory_internal.h"
#include "pixel_formats.h"
#include "record_internal.h"
#include "region_internal.h"

namespace zelt::kernel {
namespace {

using krn_reduce::ColorMatcher;

// The reduction service's diffusion bit is taken for KRN_COLORRES_DIFFUSE
// too, so callers that pass the reduction flags get the same result.
constexpr UINT kDiffuseFlags = KRN_COLORRES_DIFFUSE | KRN_REDUCE_DIFFUSE;

bool IsTargetDepth(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

struct TargetColors {
    RGBQUAD colors[256] = {};
    int count = 0;
};

// The table of a palette target: the caller's colours or palette, else the
// fixed table of the depth (black and white; the VGA colours; 3-3-2).
int ChooseTargetColors(int bits, UINT flags, const RGBQUAD *colors, HPALETTE palette, int colorCount,
                       TargetColors &target) {
    const int limit = 1 << bits;
    if ((flags & KRN_COLORRES_GIVEN_PALETTE) != 0) {
        if (colors != nullptr) {
            if (colorCount < 1) return STATUS_BAD_PARAMETER;
            target.count = std::min(colorCount, limit);
            std::copy_n(colors, target.count, target.colors);
        } else {
            const int wanted = colorCount > 0 ? std::min(colorCount, limit) : limit;
            target.count = KrnGetPaletteColors(palette, 0, wanted, target.colors);
        }
        return target.count > 0 ? STATUS_OK : STATUS_BAD_PARAMETER;
    }
    OwnedPalette device(KrnCreateDevicePalette(bits));
    if (!device) return STATUS_NO_MEMORY;
    target.count = KrnGetPaletteColors(device.get(), 0, limit, target.colors);
    return target.count > 0 ? STATUS_OK : STATUS_NO_MEMORY;
}

// Decodes stored source rows to 24-bit blue-green-red pixels, through the
// source's palette, or for deep gray through its bit window (and its level
// table when level processing is on), as the reduction service reads them.
class SourceDecoder {
public:
    explicit SourceDecoder(BitmapRecord &view) : view_(view) {
        if (IsPaletteDepth(view.BitsPerPixel)) {
            count_ = KrnGetBitmapColors(&view, 0, 1 << view.BitsPerPixel, palette_);
            table_ = palette_;
        } else if (IsDeepGray(&view)) {
            flags_ = KRN_CONVERT_GRAY | KRN_CONVERT_BIT_WINDOW;
            if ((view.Flags & BITMAP_LEVEL_PROCESSING) != 0 && view.LevelLut != nullptr) {
                table_ = view.LevelLut;
                count_ = static_cast<int>(view.LevelLutLength);
            }
        }
    }

    int Decode(int row, BYTE *rgb) const {
        return KrnConvertRowTo24(rgb, RowAddress(&view_, row), view_.Width, view_.BitsPerPixel, view_.Order, 24, 1,
                                 table_, count_, flags_, view_.LowBit, view_.HighBit);
    }

private:
    BitmapRecord &view_;
    RGBQUAD palette_[256] = {};
    const RGBQUAD *table_ = nullptr;
    int count_ = 0;
    UINT flags_ = 0;
};

// Nearest-colour indices of `width` blue-green-red pixels packed into a
// zeroed row, most significant bits first. False when the matcher runs out
// of memory.
template <int Bits>
bool PackNearest(ColorMatcher &matcher, const BYTE *rgb, BYTE *row, int width) {
    constexpr int kPerByte = 8 / Bits;
    for (int x = 0; x < width; ++x, rgb += 3) {
        const int index = matcher.Nearest(rgb[2], rgb[1], rgb[0]);
        if (index < 0) return false;
        const int slot = x % kPerByte;
        row[x / kPerByte] |= static_cast<BYTE>(index << (8 - Bits * (slot + 1)));
    }
    return true;
}

using PackNearestFunction = bool (*)(ColorMatcher &, const BYTE *, BYTE *, int);

PackNearestFunction NearestPackerFor(int bits) {
    return bits == 1 ? PackNearest<1> : bits == 4 ? PackNearest<4> : PackNearest<8>;
}

// One decoded row; a size a DWORD cannot hold comes back as 0 and fails.
KernelBlock<BYTE> AllocDecodedRow(const BitmapRecord &view) {
    const DWORD bytes = KrnGetRowBufferSize(view.Width, 24, 0, 0);
    return bytes != 0 ? AllocBlock<BYTE>(bytes) : nullptr;
}

int ConvertNearest(BitmapRecord &view, BitmapRecord &target, const TargetColors &colors) {
    ColorMatcher matcher;
    if (!matcher.Init(colors.colors, colors.count, false)) return STATUS_NO_MEMORY;
    auto rgb = AllocDecodedRow(view);
    if (!rgb) return STATUS_NO_MEMORY;
    const SourceDecoder decoder(view);
    const PackNearestFunction pack = NearestPackerFor(target.BitsPerPixel);
    for (int y = 0; y < view.Height; ++y) {
        const int status = decoder.Decode(y, rgb.get());
        if (status != STATUS_OK) return status;
        if (!pack(matcher, rgb.get(), RowAddress(&target, y), view.Width)) return STATUS_NO_MEMORY;
    }
    return STATUS_OK;
}

struct ReduceHandle {
    HKRNREDUCE handle = nullptr;
    ~ReduceHandle() { KrnEndColorReduce(handle); }
};

// Error diffusion at the source's own size: rows requested top to bottom so
// the error runs on from each row into the next.
int ConvertDiffused(BitmapRecord &view, BitmapRecord &target, const TargetColors &colors) {
    ReduceHandle reduce;
    int status = KrnStartColorReduce(&view, view.Width, view.Height, target.BitsPerPixel, colors.colors, colors.count,
                                     KRN_REDUCE_DIFFUSE | KRN_REDUCE_PLAIN, nullptr, nullptr, &reduce.handle);
    for (int y = 0; status == STATUS_OK && y < view.Height; ++y) {
        status = KrnReduceRow(reduce.handle, RowAddress(&target, y), y, 0, static_cast<DWORD>(target.BytesPerLine));
    }
    return status;
}

int ConvertDeep(BitmapRecord &view, BitmapRecord &target) {
    auto rgb = AllocDecodedRow(view);
    if (!rgb) return STATUS_NO_MEMORY;
    const SourceDecoder decoder(view);
    for (int y = 0; y < view.Height; ++y) {
        int status = decoder.Decode(y, rgb.get());
        if (status == STATUS_OK) {
            status = KrnConvertRowTo24(RowAddress(&target, y), rgb.get(), view.Width, 24, 1, target.BitsPerPixel,
                                       target.Order, nullptr, 0, 0, 0, 0);
        }
        if (status != STATUS_OK) return status;
    }
    return STATUS_OK;
}

// Allocates the target record: the source's size and perspective, the
// target layout, its own palette for palette depths, and the descriptive
// fields (resolution, frame placement and timing, paint adjustments).
int DescribeTarget(PendingRecord &pending, const BitmapRecord &source, int bits, UINT flags,
                   const TargetColors &colors) {
    BitmapRecord &r = pending.record;
    const int order = (flags & KRN_COLORRES_BGR) != 0 ? 1 : 0;
    int status = DescribeRecord(r, source.Width, source.Height, bits, order);
    if (status != STATUS_OK) return status;
    r.ViewPerspective = source.ViewPerspective;
    if (IsPaletteDepth(bits)) {
        r.Palette = KrnCreatePaletteFromColors(colors.colors, colors.count);
        if (r.Palette == nullptr) return STATUS_NO_MEMORY;
        r.KernelFlags |= KRN_OWNS_PALETTE;
        r.ColorCount = colors.count;
    }
    status = KrnAllocBitmapData(&r, KRN_MEMORY_CONVENTIONAL);
    if (status != STATUS_OK) return status;
    return KrnCopyBitmapInfo(&r, &source);
}

int ConvertInto(BitmapRecord *destination, const BitmapRecord &source, int bits, UINT flags, const RGBQUAD *colors,
                HPALETTE palette, int colorCount, int lowBit, int highBit) {
    if (!RecordIsAllocated(&source)) return STATUS_NO_BITMAP;
    if (!IsTargetDepth(bits) || FormatOf(&source) == nullptr) return STATUS_BAD_PARAMETER;
    TargetColors targetColors;
    if (IsPaletteDepth(bits)) {
        const int status = ChooseTargetColors(bits, flags, colors, palette, colorCount, targetColors);
        if (status != STATUS_OK) return status;
    }
    // The source as it is read: deep gray through the requested window. The
    // copy shares the image data and is never released.
    BitmapRecord view = source;
    if (IsDeepGray(&view) && highBit != 0) {
        view.LowBit = lowBit;
        view.HighBit = highBit;
    }

    PendingRecord pending;
    int status = DescribeTarget(pending, source, bits, flags, targetColors);
    if (status != STATUS_OK) return status;
    if (!IsPaletteDepth(bits)) {
        status = ConvertDeep(view, pending.record);
    } else if ((flags & kDiffuseFlags) != 0) {
        status = ConvertDiffused(view, pending.record, targetColors);
    } else {
        status = ConvertNearest(view, pending.record, targetColors);
    }
    // The converted image keeps the selection: frames composed onto a
    // canvas draw only inside their region.
    if (status == STATUS_OK) status = CopyRegion(pending.record, source, 0, 0);
    if (status != STATUS_OK) return status;
    pending.HandOver(destination);
    return STATUS_OK;
}

}  // namespace
}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" int ZELT_API KrnConvertColorRes(const BitmapRecord *source, BitmapRecord *destination, int bits,
                                           UINT flags, const RGBQUAD *colors, HPALETTE palette, int colorCount,
                                           int lowBit, int highBit) {
    // Clearing an aliased destination would destroy the source.
    if (source == nullptr || destination == nullptr || destination == source) return STATUS_BAD_PARAMETER;
    const int status = ConvertInto(destination, *source, bits, flags, colors, palette, colorCount, lowBit, highBit);
    if (status != STATUS_OK) std::memset(destination, 0, sizeof *destination);
    return status;
}
