#include "gdi/metafile/wmf_region.h"

#include <algorithm>

#include "gdi/metafile/record_stream.h"
#include "gdi/region.h"

namespace zelt::platform {
namespace {

constexpr std::size_t kHeadBytes = 22;
// Count, top and bottom before a scan's x pairs, its second count after.
constexpr std::size_t kScanOverhead = 8;

}  // namespace

std::size_t WmfRegionBytes(const RegionData &region) noexcept {
    const std::size_t bytes = kHeadBytes + kScanOverhead * region.Bands().size() + 4 * region.Spans().size();
    // The head states the size in a signed 16-bit field.
    return bytes <= 0x7FFF ? bytes : 0;
}

void WriteWmfRegion(const RegionData &region, unsigned char *at) noexcept {
    std::size_t longestScan = 0;
    for (const RegionData::Band &band : region.Bands())
        longestScan = std::max<std::size_t>(longestScan, 2 * (band.spanEnd - band.spanBegin));
    const RECT bounds = region.Bounds();
    FieldWriter writer(at);
    writer.U16(0);  // nextInChain
    writer.U16(6);  // a region
    writer.U32(0);  // object count, ignored
    writer.U16(static_cast<unsigned>(WmfRegionBytes(region)));
    writer.U16(static_cast<unsigned>(region.Bands().size()));
    writer.U16(static_cast<unsigned>(longestScan));
    writer.I16(bounds.left);
    writer.I16(bounds.top);
    writer.I16(bounds.right);
    writer.I16(bounds.bottom);
    for (const RegionData::Band &band : region.Bands()) {
        const unsigned count = 2 * (band.spanEnd - band.spanBegin);
        writer.U16(count);
        writer.I16(band.top);
        writer.I16(band.bottom);
        for (std::uint32_t i = band.spanBegin; i < band.spanEnd; ++i) {
            writer.I16(region.Spans()[i].x0);
            writer.I16(region.Spans()[i].x1);
        }
        writer.U16(count);
    }
}

}  // namespace zelt::platform
