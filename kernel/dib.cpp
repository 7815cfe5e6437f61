// Packed DIBs to bitmap records and back.
//
// To a DIB: the record's displayed picture (its ViewPerspective applied) is
// written at the nearest depth a DIB can hold. From a DIB: the rows are kept
// as they lie and the record's perspective says which way up they are.
#include <algorithm>
#include <cstring>

#include "dib_layout.h"
#include "memory_internal.h"
#include "pixel_formats.h"
#include "record_internal.h"
#include "zelt/kernel.h"

namespace zelt::kernel {
namespace {

// ---- record to DIB ------------------------------------------------------------

// Where displayed pixel (x, y) is stored, per ViewPerspective (see kernel.h).
struct PerspectiveWalk {
    bool transposed;   // displayed rows are stored columns
    bool flipColumns;  // stored column runs from the right
    bool flipRows;     // stored row runs from the bottom
};
constexpr PerspectiveWalk kWalks[9] = {
    {false, false, false}, {false, true, false}, {false, false, true}, {false, true, true}, {true, false, true},
    {true, false, false},  {false, false, false}, {true, true, true},  {true, true, false},
};

// DIB depth for a record depth: the nearest a DIB can hold.
int DibDepthFor(const BitmapRecord &bitmap) {
    switch (bitmap.BitsPerPixel) {
    case 1: return 1;
    case 2: case 3: case 4: return 4;
    case 5: case 6: case 7: case 8: case 12: return 8;
    case 16: return bitmap.Order == 2 ? 8 : 16;
    case 24: case 48: return 24;
    default: return 32;
    }
}

LONG DpiToPelsPerMeter(LONG dpi) { return static_cast<LONG>((static_cast<std::int64_t>(dpi) * 10000 + 127) / 254); }
LONG PelsPerMeterToDpi(LONG ppm) { return static_cast<LONG>((static_cast<std::int64_t>(ppm) * 254 + 5000) / 10000); }

// Converts rows of the record's layout into rows of the DIB's.
class DibRowWriter {
public:
    DibRowWriter(const BitmapRecord &bitmap, int dibBits, BYTE *scratch)
        : bitmap_(bitmap), source_(*FormatOf(&bitmap)), dibBits_(dibBits), scratch_(scratch) {}

    // True when rows are stored exactly as the DIB wants them.
    bool SameLayout() const {
        return dibBits_ == bitmap_.BitsPerPixel && (source_.indexed || bitmap_.Order == 1);
    }

    void Write(BYTE *dib, const BYTE *row, int width) const {
        if (SameLayout()) {
            std::memcpy(dib, row, static_cast<size_t>(BytesPerLineFor(width, dibBits_)));
        } else if (source_.indexed) {
            // 2, 3 -> 4 and 5..7 -> 8 bits: the same indices, wider.
            const PixelFormat &target = *FindPixelFormat(dibBits_, 1);
            for (int x = 0; x < width; ++x) target.writePixel(dib, x, source_.readPixel(row, x));
        } else if (source_.gray) {
            KrnConvertRowTo24(scratch_, row, width, bitmap_.BitsPerPixel, 2, 24, 1, nullptr, 0,
                              KRN_CONVERT_GRAY | KRN_CONVERT_BIT_WINDOW, bitmap_.LowBit, bitmap_.HighBit);
            for (int x = 0; x < width; ++x) dib[x] = scratch_[3 * static_cast<size_t>(x)];
        } else {
            KrnConvertRowTo24(scratch_, row, width, bitmap_.BitsPerPixel, bitmap_.Order, 24, 1, nullptr, 0, 0, 0, 0);
            KrnConvertRowTo24(dib, scratch_, width, 24, 1, dibBits_, 1, nullptr, 0, 0, 0, 0);
        }
    }

private:
    const BitmapRecord &bitmap_;
    const PixelFormat &source_;
    int dibBits_;
    BYTE *scratch_;
};

// Colour table of a DIB of `dibBits` bits made from the record: `count`
// entries written to `table` (RGBQUADs, or RGBTRIPLEs for core headers).
int FillColorTable(const BitmapRecord &bitmap, int dibBits, bool core, BYTE *table) {
    RGBQUAD colors[256] = {};
    int count;
    if (FormatOf(&bitmap)->gray) {
        count = 256;
        FillWindowedGrayRamp(colors, 255);
    } else {
        const int entries = 1 << bitmap.BitsPerPixel;
        count = bitmap.ColorCount >= 1 && bitmap.ColorCount <= entries ? bitmap.ColorCount : entries;
        KrnGetPaletteColors(bitmap.Palette, 0, count, colors);
    }
    // Core headers imply a full table.
    if (core) count = 1 << dibBits;
    for (int i = 0; i < count; ++i) {
        if (core) {
            table[3 * i] = colors[i].rgbBlue;
            table[3 * i + 1] = colors[i].rgbGreen;
            table[3 * i + 2] = colors[i].rgbRed;
        } else {
            const RGBQUAD entry{colors[i].rgbBlue, colors[i].rgbGreen, colors[i].rgbRed, 0};
            std::memcpy(table + 4 * i, &entry, 4);
        }
    }
    return count;
}

int ColorTableCount(const BitmapRecord &bitmap, int dibBits, bool core) {
    if (dibBits > 8) return 0;
    if (core || FormatOf(&bitmap)->gray) return 1 << dibBits;
    const int entries = 1 << bitmap.BitsPerPixel;
    return bitmap.ColorCount >= 1 && bitmap.ColorCount <= entries ? bitmap.ColorCount : entries;
}

HGLOBAL MakeDib(const BitmapRecord &bitmap, DWORD headerSize, bool topDown) {
    const bool core = headerSize == sizeof(BITMAPCOREHEADER);
    if (!core && headerSize != sizeof(BITMAPINFOHEADER)) return nullptr;
    if (core && topDown) return nullptr;
    const PixelFormat *format = FormatOf(&bitmap);
    if (format == nullptr) return nullptr;
    const int dibBits = DibDepthFor(bitmap);
    if (core && dibBits != 1 && dibBits != 4 && dibBits != 8 && dibBits != 24) return nullptr;

    const int perspective = bitmap.ViewPerspective >= 0 && bitmap.ViewPerspective <= 8 ? bitmap.ViewPerspective : 0;
    const PerspectiveWalk walk = kWalks[perspective];
    const int width = walk.transposed ? bitmap.Height : bitmap.Width;
    const int height = walk.transposed ? bitmap.Width : bitmap.Height;
    if (core && (width > 0xFFFF || height > 0xFFFF)) return nullptr;

    const std::int64_t stride = BytesPerLineFor(width, dibBits);
    const int tableCount = ColorTableCount(bitmap, dibBits, core);
    const std::int64_t tableBytes = static_cast<std::int64_t>(tableCount) * (core ? 3 : 4);
    const std::int64_t total = headerSize + tableBytes + stride * height;
    if (DataBytesFor(width, height, dibBits) < 0 || total > static_cast<std::int64_t>(kMaxDataBytes)) return nullptr;

    // Scratch: a reordered row in the record's layout, then 24 bits of it.
    const bool direct = !walk.transposed && !walk.flipColumns;
    const DibRowWriter probe(bitmap, dibBits, nullptr);
    KernelBlock<BYTE> reordered, wide;
    if (!direct) {
        reordered = AllocBlock<BYTE>(static_cast<DWORD>(BytesPerLineFor(width, bitmap.BitsPerPixel)), true);
        if (!reordered) return nullptr;
    }
    if (!probe.SameLayout() && !format->indexed) {
        wide = AllocBlock<BYTE>(KrnGetRowBufferSize(width, 24, 0, 0));
        if (!wide) return nullptr;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, static_cast<SIZE_T>(total));
    if (block == nullptr) return nullptr;
    BYTE *dib = static_cast<BYTE *>(GlobalLock(block));
    if (dib == nullptr) {
        GlobalFree(block);
        return nullptr;
    }

    if (core) {
        BITMAPCOREHEADER header{};
        header.bcSize = headerSize;
        header.bcWidth = static_cast<WORD>(width);
        header.bcHeight = static_cast<WORD>(height);
        header.bcPlanes = 1;
        header.bcBitCount = static_cast<WORD>(dibBits);
        std::memcpy(dib, &header, sizeof header);
    } else {
        BITMAPINFOHEADER header{};
        header.biSize = headerSize;
        header.biWidth = width;
        header.biHeight = topDown ? -height : height;
        header.biPlanes = 1;
        header.biBitCount = static_cast<WORD>(dibBits);
        header.biCompression = BI_RGB;
        header.biSizeImage = static_cast<DWORD>(stride * height);
        header.biXPelsPerMeter = DpiToPelsPerMeter(walk.transposed ? bitmap.YResolution : bitmap.XResolution);
        header.biYPelsPerMeter = DpiToPelsPerMeter(walk.transposed ? bitmap.XResolution : bitmap.YResolution);
        header.biClrUsed = static_cast<DWORD>(tableCount);
        std::memcpy(dib, &header, sizeof header);
    }
    if (tableCount > 0) FillColorTable(bitmap, dibBits, core, dib + headerSize);

    const DibRowWriter writer(bitmap, dibBits, wide.get());
    BYTE *rows = dib + headerSize + tableBytes;
    for (int k = 0; k < height; ++k) {
        const int y = topDown ? k : height - 1 - k;  // displayed row of DIB row k
        const BYTE *source;
        if (direct) {
            source = RowAddress(&bitmap, walk.flipRows ? bitmap.Height - 1 - y : y);
        } else {
            for (int x = 0; x < width; ++x) {
                const int column = walk.transposed ? (walk.flipColumns ? bitmap.Width - 1 - y : y)
                                                   : (walk.flipColumns ? bitmap.Width - 1 - x : x);
                const int row = walk.transposed ? (walk.flipRows ? bitmap.Height - 1 - x : x)
                                                : (walk.flipRows ? bitmap.Height - 1 - y : y);
                format->writePixel(reordered.get(), x, format->readPixel(RowAddress(&bitmap, row), column));
            }
            source = reordered.get();
        }
        writer.Write(rows + static_cast<size_t>(k) * static_cast<size_t>(stride), source, width);
    }
    GlobalUnlock(block);
    return block;
}

// ---- DIB to record ------------------------------------------------------------

// Converts one BI_BITFIELDS row to 24-bit blue, green, red.
void UnpackBitfieldsRow(BYTE *dst, const BYTE *src, int width, const DibLayout &layout) {
    const int bytes = layout.bits / 8;
    for (int x = 0; x < width; ++x, src += bytes, dst += 3) {
        DWORD value = 0;
        for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | src[i];
        dst[0] = layout.channels[2].Extract(value);
        dst[1] = layout.channels[1].Extract(value);
        dst[2] = layout.channels[0].Extract(value);
    }
}

int FillFromDib(BitmapRecord *bitmap, const DibLayout &layout, const BYTE *header, const BYTE *bits) {
    PendingRecord pending;
    BitmapRecord &record = pending.record;
    int status = DescribeRecord(record, layout.width, layout.height, layout.recordBits, 1);
    if (status != STATUS_OK) return status == STATUS_NO_MEMORY ? STATUS_INVALID_DATA : status;
    record.Order = 1;
    record.ViewPerspective = layout.topDown ? 0 : 2;
    record.XResolution = PelsPerMeterToDpi(layout.xPelsPerMeter);
    record.YResolution = PelsPerMeterToDpi(layout.yPelsPerMeter);
    if (layout.bits <= 8) {
        RGBQUAD colors[256];
        const BYTE *table = header + layout.tableOffset;
        const int count = std::min(layout.tableCount, 1 << layout.bits);
        for (int i = 0; i < count; ++i) {
            const BYTE *entry = table + static_cast<size_t>(i) * layout.tableEntryBytes;
            colors[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
        }
        record.Palette = KrnCreatePaletteFromColors(colors, count);
        if (record.Palette == nullptr) return STATUS_NO_MEMORY;
        record.KernelFlags |= KRN_OWNS_PALETTE;
        record.ColorCount = count;
    }
    status = KrnAllocBitmapData(&record, KRN_MEMORY_CONVENTIONAL | KRN_MEMORY_NOCLEAR);
    if (status != STATUS_OK) return status;

    const BYTE *rows = bits != nullptr ? bits : header + layout.BitsOffset();
    const size_t stride = static_cast<size_t>(BytesPerLineFor(layout.width, layout.bits));
    if (layout.recordBits == layout.bits) {
        std::memcpy(record.Data, rows, stride * static_cast<size_t>(layout.height));
    } else {
        for (int y = 0; y < layout.height; ++y) UnpackBitfieldsRow(RowAddress(&record, y), rows + y * stride, layout.width, layout);
    }
    pending.HandOver(bitmap);
    return STATUS_OK;
}

}  // namespace
}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" {

HGLOBAL ZELT_API KrnConvertToDibEx(BitmapRecord *bitmap, DWORD headerSize, BOOL topDown) {
    if (!RecordIsAllocated(bitmap)) return nullptr;
    return MakeDib(*bitmap, headerSize, topDown != FALSE);
}

HGLOBAL ZELT_API KrnConvertToDib(BitmapRecord *bitmap) {
    return KrnConvertToDibEx(bitmap, sizeof(BITMAPINFOHEADER), FALSE);
}

HGLOBAL ZELT_API KrnChangeToDib(BitmapRecord *bitmap) {
    HGLOBAL dib = KrnConvertToDib(bitmap);
    if (dib != nullptr) KrnFreeBitmap(bitmap);
    return dib;
}

int ZELT_API KrnConvertFromDib(BitmapRecord *bitmap, const void *header, const void *bits) {
    if (bitmap == nullptr || header == nullptr) return STATUS_BAD_PARAMETER;
    DibLayout layout;
    const int status = ParseDibHeader(static_cast<const BYTE *>(header), kUnknownDibSize, &layout);
    if (status != STATUS_OK) return status;
    return FillFromDib(bitmap, layout, static_cast<const BYTE *>(header), static_cast<const BYTE *>(bits));
}

int ZELT_API KrnConvertFromDibBlock(BitmapRecord *bitmap, HGLOBAL dib) {
    if (bitmap == nullptr || dib == nullptr) return STATUS_BAD_PARAMETER;
    const SIZE_T size = GlobalSize(dib);
    const BYTE *packed = static_cast<const BYTE *>(GlobalLock(dib));
    if (packed == nullptr) return STATUS_BAD_PARAMETER;
    DibLayout layout;
    int status = ParseDibHeader(packed, size, &layout);
    // A packed block must hold its rows too.
    if (status == STATUS_OK && layout.BitsOffset() + layout.ImageBytes() > size) status = STATUS_INVALID_DATA;
    if (status == STATUS_OK) status = FillFromDib(bitmap, layout, packed, nullptr);
    GlobalUnlock(dib);
    return status;
}

int ZELT_API KrnChangeFromDib(BitmapRecord *bitmap, HGLOBAL dib) {
    const int status = KrnConvertFromDibBlock(bitmap, dib);
    if (status == STATUS_OK) GlobalFree(dib);
    return status;
}

}  // extern "C"
