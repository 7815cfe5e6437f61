// ExtCreateRegion: a region from an RGNDATA rectangle list.
//
// The header must be an RDH_RECTANGLES header of exactly
// sizeof(RGNDATAHEADER) bytes, and the byte count must hold the header and
// nCount rectangles; otherwise the call fails with ERROR_INVALID_PARAMETER.
// nRgnSize and rcBound are not trusted: the region is the union of the
// rectangles themselves (empty ones ignored, any order, overlaps allowed).
//
// The transform may be NULL, the identity, or a scale and translation
// (eM12 == eM21 == 0): each edge becomes round(edge * scale + offset),
// halves rounding up, and a negative scale swaps the edges. Rotations and
// shears are not supported and fail with ERROR_INVALID_PARAMETER, as do
// factors that are not finite.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "gdi/region.h"
#include "gdi/region_union.h"

namespace {

using zelt::platform::RegionData;
using zelt::platform::RegionObject;

// Edges after a transform are kept within the region coordinate range.
constexpr double kEdgeLimit = double(1 << 27);

struct Axis {
    double scale;
    double offset;
    LONG Map(LONG edge) const {
        const double mapped = std::floor(double(edge) * scale + offset + 0.5);
        return LONG((std::max)(-kEdgeLimit, (std::min)(kEdgeLimit, mapped)));
    }
};

bool IsIdentity(const XFORM &x) {
    return x.eM11 == 1.0f && x.eM12 == 0.0f && x.eM21 == 0.0f && x.eM22 == 1.0f && x.eDx == 0.0f && x.eDy == 0.0f;
}

bool IsScaleAndMove(const XFORM &x) {
    const bool finite = std::isfinite(x.eM11) && std::isfinite(x.eM22) && std::isfinite(x.eDx) && std::isfinite(x.eDy);
    return finite && x.eM12 == 0.0f && x.eM21 == 0.0f;
}

// The rectangles of `rects` scaled and moved by `xform`, edges in order.
std::vector<RECT> Transformed(const XFORM &xform, const unsigned char *rects, std::size_t count) {
    const Axis horizontal{xform.eM11, xform.eDx};
    const Axis vertical{xform.eM22, xform.eDy};
    std::vector<RECT> out(count);
    for (std::size_t i = 0; i < count; ++i) {
        RECT rect;
        std::memcpy(&rect, rects + i * sizeof(RECT), sizeof rect);
        // An inverted or empty rectangle stays empty whatever the scale.
        if (rect.left >= rect.right || rect.top >= rect.bottom) {
            out[i] = RECT{0, 0, 0, 0};
            continue;
        }
        const LONG x0 = horizontal.Map(rect.left), x1 = horizontal.Map(rect.right);
        const LONG y0 = vertical.Map(rect.top), y1 = vertical.Map(rect.bottom);
        out[i] = RECT{(std::min)(x0, x1), (std::min)(y0, y1), (std::max)(x0, x1), (std::max)(y0, y1)};
    }
    return out;
}

HRGN Fail(DWORD error) {
    SetLastError(error);
    return nullptr;
}

}  // namespace

extern "C" HRGN WINAPI ExtCreateRegion(const XFORM *lpx, DWORD nCount, const RGNDATA *lpData) {
    if (lpData == nullptr || nCount < sizeof(RGNDATAHEADER)) return Fail(ERROR_INVALID_PARAMETER);
    const RGNDATAHEADER &header = lpData->rdh;
    if (header.dwSize != sizeof(RGNDATAHEADER) || header.iType != RDH_RECTANGLES)
        return Fail(ERROR_INVALID_PARAMETER);
    const std::uint64_t rectBytes = std::uint64_t(header.nCount) * sizeof(RECT);
    if (rectBytes > nCount - sizeof(RGNDATAHEADER)) return Fail(ERROR_INVALID_PARAMETER);
    const bool moves = lpx != nullptr && !IsIdentity(*lpx);
    if (moves && !IsScaleAndMove(*lpx)) return Fail(ERROR_INVALID_PARAMETER);

    const auto *rects = reinterpret_cast<const unsigned char *>(lpData->Buffer);
    try {
        RegionData data;
        if (moves) {
            const std::vector<RECT> mapped = Transformed(*lpx, rects, header.nCount);
            data = zelt::platform::UnionOfRects(mapped.data(), mapped.size());
        } else {
            data = zelt::platform::UnionOfRects(rects, header.nCount);
        }
        HANDLE handle = zelt::platform::CreateObject<RegionObject>(nullptr, std::move(data));
        if (handle == nullptr) return Fail(ERROR_NOT_ENOUGH_MEMORY);
        return static_cast<HRGN>(handle);
    } catch (const std::bad_alloc &) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
}
