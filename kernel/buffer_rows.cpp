// Buffer painting's band conversion: a band given with a negative row count
// holds its rows last row first (as a bottom-up decoder delivers them), and
// the conversion puts them in stored order.
#include <cstring>

#include "zelt/kernel.h"

extern "C" int ZELT_API KrnConvertBufferRows(const void *rows, void *converted, int rowBytes, int rowCount) {
    if (rows == nullptr || converted == nullptr || rows == converted || rowBytes < 0 || rowCount < 0)
        return STATUS_BAD_PARAMETER;
    const BYTE *from = static_cast<const BYTE *>(rows);
    BYTE *to = static_cast<BYTE *>(converted);
    const std::size_t stride = static_cast<std::size_t>(rowBytes);
    for (int i = 0; i < rowCount; ++i)
        std::memcpy(to + stride * static_cast<std::size_t>(i), from + stride * static_cast<std::size_t>(rowCount - 1 - i),
                    stride);
    return STATUS_OK;
}
