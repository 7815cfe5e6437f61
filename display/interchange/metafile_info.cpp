// Z_GetMetafileInfo: the descriptor of a metafile handle. The kind is found
// out by asking for an enhanced header first; classic metafiles are
// described from their bytes like a file.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "interchange/interchange_guards.h"
#include "interchange/metafile_info.h"

namespace interchange {

void DescribeEnhanced(HENHMETAFILE metafile, const ENHMETAHEADER &header, MetaBitmap *info) {
    std::memset(info, 0, sizeof(*info));
    info->Handle = metafile;
    info->IsEnhanced = 1;
    const SIZEL device = header.szlDevice, millimeters = header.szlMillimeters;
    // A header is the file's word: extents and sizes that do not fit the
    // 32-bit arithmetic give -1, as MulDiv reports an overflow.
    auto framePixels = [](long long extent, LONG pixels, LONG mm) -> LONG {
        const long long hundredths = static_cast<long long>(mm) * 100;
        if (extent > INT_MAX || extent < INT_MIN || hundredths > INT_MAX || hundredths < INT_MIN) return -1;
        return MulDiv(static_cast<int>(extent), pixels, static_cast<int>(hundredths));
    };
    const RECTL &frame = header.rclFrame;
    info->DeviceExtX = framePixels(static_cast<long long>(frame.right) - frame.left, device.cx, millimeters.cx);
    info->DeviceExtY = framePixels(std::llabs(static_cast<long long>(frame.bottom) - frame.top), device.cy, millimeters.cy);
    // Dots per inch of the reference device, truncated; a header without a
    // physical size has none.
    auto dotsPerInch = [](LONG pixels, LONG mm) -> LONG {
        const double dots = mm > 0 ? double(pixels) / mm * 25.4 : 0;
        return dots > -2147483648.0 && dots < 2147483648.0 ? LONG(dots) : 0;
    };
    info->XResolution = dotsPerInch(device.cx, millimeters.cx);
    info->YResolution = dotsPerInch(device.cy, millimeters.cy);
}

}  // namespace interchange

int ZELT_API Z_GetMetafileInfo(HANDLE metafile, MetaBitmap *metaBitmap) {
    if (metaBitmap == nullptr) return STATUS_BAD_PARAMETER;
    std::memset(metaBitmap, 0, sizeof(*metaBitmap));
    ENHMETAHEADER header{};
    auto *enhanced = static_cast<HENHMETAFILE>(metafile);
    if (metafile != nullptr && GetEnhMetaFileHeader(enhanced, interchange::kEnhancedHeaderBytes, &header) != 0) {
        interchange::DescribeEnhanced(enhanced, header, metaBitmap);
        return STATUS_OK;
    }
    auto *classic = static_cast<HMETAFILE>(metafile);
    const UINT size = metafile != nullptr ? GetMetaFileBitsEx(classic, 0, nullptr) : 0;
    if (size == 0) return STATUS_BAD_PARAMETER;
    interchange::OwnedBuffer bytes(KrnAllocMem(size));
    if (!bytes) return STATUS_NO_MEMORY;
    if (GetMetaFileBitsEx(classic, size, bytes.get()) != size) return STATUS_BAD_PARAMETER;
    const int status = Z_ParseMetaBits(bytes.get(), size, metaBitmap, 0);
    metaBitmap->Handle = metafile;
    return status;
}
