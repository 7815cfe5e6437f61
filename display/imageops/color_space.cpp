// Z_ConvertColorSpace: pixels of one space to another through 24-bit
// blue-green-red.
//
// A source that is not BGR needs an intermediate of pixelCount * 3 bytes.
// Its allocation is part of the export's contract (without the memory the
// call fails with STATUS_NO_MEMORY before writing anything), so the whole
// buffer is taken up front; it is then filled a chunk at a time, each chunk
// converted onward while it is still in cache. When the target is BGR the
// intermediate is the result itself and is written straight into the
// destination.
#include <algorithm>
#include <cstdint>

#include "frame/kernel_scopes.h"
#include "imageops/color_space_formulas.h"
#include "zelt/display.h"

namespace {

// Pixels per pass through the intermediate: 6 KiB of BGR.
constexpr size_t kChunkPixels = 2048;

void ConvertThroughScratch(const ColorSpaceFormulas &from, const ColorSpaceFormulas &to, const BYTE *source,
                           BYTE *destination, size_t count, BYTE *scratch) {
    for (size_t done = 0; done < count;) {
        const size_t pixels = (std::min)(kChunkPixels, count - done);
        from.toBgr(source + done * static_cast<size_t>(from.pixelBytes), scratch, pixels);
        to.fromBgr(scratch, destination + done * static_cast<size_t>(to.pixelBytes), pixels);
        done += pixels;
    }
}

}  // namespace

int ZELT_API Z_ConvertColorSpace(const void *source, void *destination, int pixelCount, int fromSpace,
                                 int toSpace) {
    const ColorSpaceFormulas *from = FormulasOfColorSpace(fromSpace);
    if (from == nullptr) return STATUS_BAD_PARAMETER;
    // The codes are checked even when there is nothing to convert.
    if (pixelCount <= 0) return FormulasOfColorSpace(toSpace) ? STATUS_OK : STATUS_BAD_PARAMETER;
    if (source == nullptr || destination == nullptr) return STATUS_BAD_PARAMETER;
    const auto count = static_cast<size_t>(pixelCount);
    const auto *in = static_cast<const BYTE *>(source);
    auto *out = static_cast<BYTE *>(destination);

    if (fromSpace == COLORSPACE_BGR) {
        const ColorSpaceFormulas *to = FormulasOfColorSpace(toSpace);
        if (to == nullptr) return STATUS_BAD_PARAMETER;
        to->fromBgr(in, out, count);  // BGR to BGR copies, overlap allowed
        return STATUS_OK;
    }

    // The intermediate, released on every path; past a DWORD of bytes it
    // cannot be asked for and stays null.
    const zelt::KernelBlock scratch(static_cast<uint64_t>(count) * 3);
    if (!scratch) return STATUS_NO_MEMORY;
    const ColorSpaceFormulas *to = FormulasOfColorSpace(toSpace);
    if (to == nullptr) return STATUS_BAD_PARAMETER;
    if (toSpace == COLORSPACE_BGR)
        from->toBgr(in, out, count);
    else
        ConvertThroughScratch(*from, *to, in, out, count, scratch.get());
    return STATUS_OK;
}
