#include "gdi/blit_source.h"

namespace zelt::platform {

bool BlitSource::Init(const Surface &source, const Surface &destination, COLORREF sourceBk, COLORREF destText,
                      COLORREF destBk) noexcept {
    source_ = &source;
    const bool monoSource = source.Format() == PixelFormatId::Mono;
    const bool monoDestination = destination.Format() == PixelFormatId::Mono;
    if (monoSource && monoDestination) {
        kind_ = Kind::Raw;
    } else if (monoSource) {
        kind_ = Kind::MonoToColour;
        monoValues_[0] = destination.RawOf(destText);
        monoValues_[1] = destination.RawOf(destBk);
    } else if (monoDestination) {
        kind_ = Kind::ColourToMono;
        sourceBkRaw_ = source.RawOf(sourceBk);
        // The unused top byte of 32-bpp pixels does not take part.
        colourMask_ = source.Format() == PixelFormatId::Bgrx32 ? 0xFFFFFFu : ~0u;
    } else if (source.SameRawMeaning(destination)) {
        // Same format and table: raw values move unchanged (a 32-bpp copy
        // keeps the unused top byte).
        kind_ = Kind::Raw;
    } else {
        kind_ = Kind::Convert;
        return converter_.Init(source, destination, PixelConverter::MonoRule::Nearest);
    }
    return true;
}

void BlitSource::Read(int sy, int sx, int count, DWORD *out) const noexcept {
    const BYTE *row = source_->Row(sy);
    switch (kind_) {
        case Kind::Raw: source_->ops->readRawSpan(row, sx, count, out); return;
        case Kind::Convert: converter_.ToRaw(row, sx, count, out); return;
        case Kind::MonoToColour:
            source_->ops->readRawSpan(row, sx, count, out);
            for (int i = 0; i < count; ++i) out[i] = monoValues_[out[i] & 1];
            return;
        case Kind::ColourToMono:
            source_->ops->readRawSpan(row, sx, count, out);
            for (int i = 0; i < count; ++i) out[i] = (out[i] & colourMask_) == sourceBkRaw_ ? 1u : 0u;
            return;
    }
}

}  // namespace zelt::platform
