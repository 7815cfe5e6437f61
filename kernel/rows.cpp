// Row transfer between callers' buffers and a record's image data.
#include <algorithm>
#include <cstring>

#include "bit_copy.h"
#include "record_internal.h"
#include "zelt/kernel.h"

namespace zelt::kernel {
namespace {

// Common checks of the row calls: the record first, then the arguments.
int CheckRowAccess(const BitmapRecord *bitmap, const void *buffer, int row) {
    if (!RecordIsAllocated(bitmap)) return STATUS_NO_BITMAP;
    if (buffer == nullptr || row < 0 || row >= bitmap->Height) return STATUS_BAD_PARAMETER;
    return STATUS_OK;
}

size_t ColumnByte(const BitmapRecord *bitmap, int column) {
    return static_cast<size_t>((static_cast<std::int64_t>(column) * bitmap->BitsPerPixel) / 8);
}

}  // namespace
}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" int ZELT_API KrnGetBitmapRow(BitmapRecord *bitmap, void *buffer, int row, DWORD bytes) {
    const int status = CheckRowAccess(bitmap, buffer, row);
    if (status != STATUS_OK) return status;
    const DWORD count = std::min(bytes, static_cast<DWORD>(bitmap->BytesPerLine));
    std::memcpy(buffer, RowAddress(bitmap, row), count);
    return static_cast<int>(count);
}

extern "C" int ZELT_API KrnGetBitmapRowCol(BitmapRecord *bitmap, void *buffer, int row, int column, DWORD bytes) {
    const int status = CheckRowAccess(bitmap, buffer, row);
    if (status != STATUS_OK) return status;
    if (column < 0 || column >= bitmap->Width) return STATUS_BAD_PARAMETER;
    const size_t offset = ColumnByte(bitmap, column);
    const size_t count = std::min<size_t>(bytes, static_cast<size_t>(bitmap->BytesPerLine) - offset);
    std::memcpy(buffer, RowAddress(bitmap, row) + offset, count);
    return static_cast<int>(count);
}

extern "C" int ZELT_API KrnPutBitmapRow(BitmapRecord *bitmap, const void *buffer, int row, DWORD bytes) {
    const int status = CheckRowAccess(bitmap, buffer, row);
    if (status != STATUS_OK) return status;
    const DWORD count = std::min(bytes, static_cast<DWORD>(bitmap->BytesPerLine));
    std::memcpy(RowAddress(bitmap, row), buffer, count);
    return static_cast<int>(count);
}

extern "C" int ZELT_API KrnPutBitmapRowSegments(BitmapRecord *bitmap, const void *buffer, int row, int bufferColumn,
                                                const int *segments, int segmentCount, int wholeRowWithoutSegments) {
    const int status = CheckRowAccess(bitmap, buffer, row);
    if (status != STATUS_OK) return status;
    const int bpp = bitmap->BitsPerPixel;
    const std::int64_t bufferBit = static_cast<std::int64_t>(bufferColumn) * bpp;
    if (bufferColumn < 0 || bufferColumn >= bitmap->Width || bufferBit % 8 != 0) return STATUS_BAD_PARAMETER;
    if (segmentCount < 0 || (segmentCount > 0 && segments == nullptr)) return STATUS_BAD_PARAMETER;

    BYTE *target = RowAddress(bitmap, row);
    const BYTE *source = static_cast<const BYTE *>(buffer);
    const std::int64_t sourceByte = bufferBit / 8;  // row byte of the buffer's first byte
    if (segmentCount == 0) {
        if (wholeRowWithoutSegments) {
            std::memcpy(target + sourceByte, source, static_cast<size_t>(bitmap->BytesPerLine - sourceByte));
        }
        return STATUS_OK;
    }
    const BitCopyFunction copyBits = BitCopierForDepth(bpp);
    for (int i = 0; i < segmentCount; ++i) {
        const int start = std::max(segments[2 * i], bufferColumn);
        const int end = std::min<int>(segments[2 * i + 1], bitmap->Width);
        if (end <= start) continue;
        const std::size_t firstBit = static_cast<std::size_t>(start) * static_cast<std::size_t>(bpp);
        const std::size_t bits = static_cast<std::size_t>(end - start) * static_cast<std::size_t>(bpp);
        copyBits(target, firstBit, source, firstBit - static_cast<std::size_t>(bufferBit), bits);
    }
    return STATUS_OK;
}

extern "C" DWORD ZELT_API KrnGetRowBufferSize(int width, int bitsPerPixel, int otherWidth, int otherBits) {
    const std::int64_t first = width > 0 && bitsPerPixel > 0 ? BytesPerLineFor(width, bitsPerPixel) : 0;
    const std::int64_t second = otherWidth > 0 && otherBits > 0 ? BytesPerLineFor(otherWidth, otherBits) : 0;
    const std::int64_t size = std::max(first, second);
    // Sizes a DWORD cannot hold are reported as 0, which no caller can use.
    return size > 0xFFFFFFFFll ? 0 : static_cast<DWORD>(size);
}
