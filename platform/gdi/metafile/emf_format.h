// Enhanced metafile record types and fixed sizes, and the records that
// create pens, brushes and palettes in an enhanced metafile's object table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/allocator.h"
#include "gdi/metafile/meta_dib.h"

namespace zelt::platform {

class PenObject;
class BrushObject;
class PaletteObject;

namespace emf {

enum RecordType : DWORD {
    kHeader = 1,
    kPolygon = 3,
    kPolyline = 4,
    kSetWindowExtEx = 9,
    kSetWindowOrgEx = 10,
    kSetViewportExtEx = 11,
    kSetViewportOrgEx = 12,
    kEof = 14,
    kSetMapMode = 17,
    kSetBkMode = 18,
    kSetRop2 = 20,
    kSetStretchBltMode = 21,
    kSetTextColor = 24,
    kSetBkColor = 25,
    kMoveToEx = 27,
    kExcludeClipRect = 29,
    kIntersectClipRect = 30,
    kSaveDc = 33,
    kRestoreDc = 34,
    kSelectObject = 37,
    kCreatePen = 38,
    kCreateBrushIndirect = 39,
    kDeleteObject = 40,
    kEllipse = 42,
    kRectangle = 43,
    kRoundRect = 44,
    kSelectPalette = 48,
    kCreatePalette = 49,
    kRealizePalette = 52,
    kLineTo = 54,
    kExtSelectClipRgn = 75,
    kBitBlt = 76,
    kStretchBlt = 77,
    kStretchDiBits = 81,
    kPolygon16 = 86,
    kPolyline16 = 87,
    kCreateDibPatternBrushPt = 94,
};

// The header record without a description; the description follows it.
constexpr std::size_t kHeaderBytes = 108;
// The smallest header a reader accepts (up to szlMillimeters).
constexpr std::size_t kMinimalHeaderBytes = 88;
// Records with a bitmap: the fixed part, before the BITMAPINFO.
constexpr std::size_t kBitBltFixedBytes = 100;
constexpr std::size_t kStretchBltFixedBytes = 108;
constexpr std::size_t kStretchDiBitsFixedBytes = 80;
constexpr std::size_t kPatternBrushFixedBytes = 32;

// The XFORM of a source DC without a world transform, as float bits.
constexpr std::uint32_t kIdentityTransform[6] = {0x3F800000, 0, 0, 0x3F800000, 0, 0};

}  // namespace emf

// What the creation record of a pen, brush or palette holds.
struct EmfObjectRecord {
    DWORD type = 0;
    std::size_t bodyBytes = 0;
    const PenObject *pen = nullptr;
    const BrushObject *brush = nullptr;
    const PaletteObject *palette = nullptr;
    ByteBuffer patternStorage;
    DibParts pattern;
};

// Describes the creation record of `object`; false for an object no record
// creates or when memory runs out.
bool DescribeEmfObject(HGDIOBJ object, EmfObjectRecord &record) noexcept;
// Writes its body at `body` for object table index `index`.
void WriteEmfObject(const EmfObjectRecord &record, std::uint32_t index, unsigned char *body) noexcept;

}  // namespace zelt::platform
