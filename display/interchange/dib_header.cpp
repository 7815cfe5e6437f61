#include "interchange/dib_header.h"

#include <cstring>

#include "paint/band.h"

namespace {

constexpr DWORD kCoreHeaderSize = sizeof(BITMAPCOREHEADER);

DWORD HeaderSize(const void *header) {
    DWORD size;
    std::memcpy(&size, header, sizeof(size));
    return size;
}

}  // namespace

void InitDibHeader(BITMAPINFOHEADER *header, LONG width, LONG height, int depth) {
    std::memset(header, 0, sizeof(BITMAPINFOHEADER));
    const WORD bits = depth <= 1 ? 1 : depth <= 4 ? 4 : depth <= 8 ? 8 : 24;
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = bits;
    header->biSizeImage = static_cast<DWORD>(paint_band::Stride(bits, static_cast<std::size_t>(width)) * height);
}

DWORD DibColorCount(const void *header) {
    if (HeaderSize(header) == kCoreHeaderSize) {
        BITMAPCOREHEADER core;
        std::memcpy(&core, header, sizeof(core));
        return core.bcBitCount == 24 ? 0 : DWORD{1} << core.bcBitCount;
    }
    BITMAPINFOHEADER info;
    std::memcpy(&info, header, sizeof(info));
    if (info.biClrUsed != 0) return info.biClrUsed;
    switch (info.biBitCount) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        case 16:
        case 32: return info.biCompression == BI_BITFIELDS ? 3 : 0;
        default: return 0;
    }
}

DWORD DibColorTableSize(const void *header) {
    return DibColorCount(header) * (HeaderSize(header) == kCoreHeaderSize ? 3 : 4);
}

const BYTE *DibBitsPointer(const void *header) {
    return static_cast<const BYTE *>(header) + HeaderSize(header) + DibColorTableSize(header);
}

BYTE *DibBitsPointer(void *header) { return const_cast<BYTE *>(DibBitsPointer(static_cast<const void *>(header))); }

int BitmapFromDibHandle(BitmapRecord *bitmap, HGLOBAL dib) {
    if (dib == nullptr) return STATUS_NO_BITMAP;
    // The block may come from anywhere (the clipboard): the kernel checks
    // the header, colour table and rows against the block's size.
    return KrnConvertFromDibBlock(bitmap, dib);
}
