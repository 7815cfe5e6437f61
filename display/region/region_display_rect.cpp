// Mapping a rectangle from bitmap space into display space: first between
// view perspectives, then scaled, then offset. Left and right edges round
// up; top and bottom round down, except when the transform counts rows
// bottom-up (perspective 2, or 0 over a bitmap shown in perspective 4),
// where they round up as well. An edge at 0 stays at 0 whatever the scale.
#include <cmath>
#include <cstdint>
#include <limits>

#include "region/region_internal.h"

namespace zelt::region {

namespace {

constexpr std::int64_t kLongMax = std::numeric_limits<LONG>::max();
constexpr std::int64_t kLongMin = std::numeric_limits<LONG>::min();

LONG Saturate(std::int64_t v) {
    if (v > kLongMax) return LONG(kLongMax);
    if (v < kLongMin) return LONG(kLongMin);
    return LONG(v);
}

std::int64_t Magnitude(LONG v) { return v < 0 ? -std::int64_t(v) : std::int64_t(v); }

// (v * num + bias) / den, truncating toward zero, with 0 kept as 0. A
// product beyond 32 bits is evaluated in double precision; results beyond
// the 32-bit range saturate instead of wrapping.
LONG ScaleEdge(LONG v, LONG num, LONG den, std::int64_t bias) {
    if (v == 0) return 0;
    if (kLongMax / Magnitude(v) < Magnitude(num)) {
        const double scaled = std::trunc((double(v) * double(num) + double(bias)) / double(den));
        if (scaled >= double(kLongMax)) return LONG(kLongMax);
        if (scaled <= double(kLongMin)) return LONG(kLongMin);
        return LONG(scaled);
    }
    // The product fits 32 bits; the bias may still carry it past, so the
    // sum is taken in 64 bits.
    return Saturate((std::int64_t(v) * num + bias) / den);
}

bool IsUsableXForm(const RegionXForm &xform) {
    return IsAcceptedPerspective(xform.Perspective) && xform.XDen != 0 && xform.YDen != 0;
}

}  // namespace

int BitmapRectToDisplay(const BitmapRecord *bitmap, const RegionXForm *xform, RECT *rect) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (rect == nullptr) return STATUS_BAD_PARAMETER;
    if (xform == nullptr) return STATUS_OK;
    if (!IsUsableXForm(*xform)) return STATUS_BAD_PARAMETER;

    RECT mapped = *rect;
    if (bitmap->ViewPerspective != xform->Perspective) {
        const int status =
            KrnMapRectPerspective(bitmap->ViewPerspective, bitmap->Width, bitmap->Height, xform->Perspective, &mapped);
        if (status != STATUS_OK) return status;
    }

    const bool roundRowsUp = xform->Perspective == 2 || (xform->Perspective == 0 && bitmap->ViewPerspective == 4);
    const std::int64_t xBias = std::int64_t(xform->XDen) - 1;
    const std::int64_t yBias = roundRowsUp ? std::int64_t(xform->YDen) - 1 : 0;
    mapped.left = ScaleEdge(mapped.left, xform->XNum, xform->XDen, xBias);
    mapped.right = ScaleEdge(mapped.right, xform->XNum, xform->XDen, xBias);
    mapped.top = ScaleEdge(mapped.top, xform->YNum, xform->YDen, yBias);
    mapped.bottom = ScaleEdge(mapped.bottom, xform->YNum, xform->YDen, yBias);

    mapped.left = Saturate(std::int64_t(mapped.left) + xform->XOffset);
    mapped.right = Saturate(std::int64_t(mapped.right) + xform->XOffset);
    mapped.top = Saturate(std::int64_t(mapped.top) + xform->YOffset);
    mapped.bottom = Saturate(std::int64_t(mapped.bottom) + xform->YOffset);
    *rect = mapped;
    return STATUS_OK;
}

}  // namespace zelt::region
