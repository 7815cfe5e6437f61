// A region as a classic metafile's region object holds it: a 22-byte head
// (bounding box, scan count, longest scan) and one scan per band, each its
// x pairs between its top and bottom. Coordinates are 16 bits.
#pragma once

#include <cstddef>

namespace zelt::platform {

class RegionData;

// Bytes of the region object; 0 when it would not fit a record.
std::size_t WmfRegionBytes(const RegionData &region) noexcept;
// Writes the object at `at` (WmfRegionBytes of room).
void WriteWmfRegion(const RegionData &region, unsigned char *at) noexcept;

}  // namespace zelt::platform
