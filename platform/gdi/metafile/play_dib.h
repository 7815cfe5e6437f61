// Device-independent bitmaps inside metafile records: checked to lie wholly
// within the record, copied to aligned memory as one packed DIB with a plain
// BITMAPINFOHEADER (core and V4/V5 headers are converted), and drawn.
#pragma once

#include "base/allocator.h"
#include "gdi/metafile/play_bytes.h"
#include "zelt/win32.h"

namespace zelt::platform {

class DcObject;

class RecordDib {
public:
    // A packed DIB (header, colour table, bits) at the start of `block`;
    // with `rows` > 0 only that many rows follow whatever the header says
    // (SetDIBitsToDevice bands).
    [[nodiscard]] bool FromPacked(ByteView block, UINT usage, LONG rows = 0) noexcept;
    // A header with its colour table and the bits given apart.
    [[nodiscard]] bool FromParts(ByteView header, ByteView bits, UINT usage, LONG rows = 0) noexcept;

    const BITMAPINFO *Info() const noexcept { return reinterpret_cast<const BITMAPINFO *>(storage_.Data()); }
    const BITMAPINFOHEADER &Header() const noexcept { return Info()->bmiHeader; }
    const void *Bits() const noexcept { return storage_.Data() + bitsOffset_; }
    // The whole packed DIB, as CreateDIBPatternBrushPt takes it.
    const void *Packed() const noexcept { return storage_.Data(); }
    UINT Usage() const noexcept { return usage_; }
    LONG Width() const noexcept { return Header().biWidth; }
    LONG Height() const noexcept { return Header().biHeight < 0 ? -Header().biHeight : Header().biHeight; }
    // Turns a top-down DIB into the same picture stored bottom-up, so that
    // source rows can be counted one way.
    void MakeBottomUp() noexcept;

private:
    [[nodiscard]] bool Build(ByteView header, ByteView bits, bool bitsFollowTable, UINT usage, LONG rows) noexcept;

    ByteBuffer storage_;
    std::size_t bitsOffset_ = 0;
    UINT usage_ = DIB_RGB_COLORS;
};

// A source and a destination rectangle (signed extents) of a DIB blit.
struct DibBlit {
    int xDest, yDest, wDest, hDest;  // device pixels
    int xSrc, ySrc, wSrc, hSrc;      // as StretchDIBits counts them
    DWORD rop;
};

// StretchDIBits with the destination in device pixels whatever the DC's
// mapping. Destinations wider or taller than any surface are skipped (their
// sample maps would take more memory than they are worth). False when
// nothing was drawn.
bool StretchDibToDevice(HDC hdc, DcObject &dc, const DibBlit &blit, const RecordDib &dib) noexcept;

}  // namespace zelt::platform
