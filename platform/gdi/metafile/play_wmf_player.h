// The classic metafile player's state and its record handlers, shared by
// play_wmf.cpp (the record walk, objects, attributes) and
// play_wmf_draw.cpp (the drawing records).
#pragma once

#include <algorithm>

#include "gdi/dc.h"
#include "gdi/metafile/play_array.h"
#include "gdi/metafile/play_bytes.h"
#include "gdi/metafile/play_geometry.h"

namespace zelt::platform {

// The parameters of one record: 16-bit words after the 6-byte head.
struct WmfRecord {
    WORD function;
    ByteView params;

    std::size_t Words() const noexcept { return params.Size() / 2; }
    WORD W(std::size_t i) const noexcept { return params.U16(2 * i); }
    SHORT S(std::size_t i) const noexcept { return params.I16(2 * i); }
    // Two words, the low one first (colours, raster operations).
    DWORD D(std::size_t i) const noexcept { return params.U32(2 * i); }
    // The bytes from word i on (packed DIBs, region scans).
    ByteView From(std::size_t i) const noexcept { return params.Sub(2 * i, params.Size() - std::min(params.Size(), 2 * i)); }
};

class WmfPlayer {
public:
    WmfPlayer(HDC hdc, DcObject &dc) noexcept;
    ~WmfPlayer();
    WmfPlayer(const WmfPlayer &) = delete;
    WmfPlayer &operator=(const WmfPlayer &) = delete;

    // Walks the records; false for a bad header or a truncated record.
    bool Play(ByteView file) noexcept;
    bool Failed() const noexcept { return failed_; }

    HDC Hdc() const noexcept { return hdc_; }
    DcObject &Dc() noexcept { return dc_; }
    // The DC's logical-to-device mapping as it stands.
    DcMapping Mapping() const noexcept { return DcMapping::Of(dc_.State()); }
    // A drawing or creation ran out of memory.
    void Fail() noexcept { failed_ = true; }

    // Object table: a creation record takes the lowest free slot, even when
    // the object could not be made (a placeholder keeps later indexes right).
    void AddObject(HGDIOBJ handle) noexcept;
    // The object in a slot, or nullptr for free slots and placeholders.
    HGDIOBJ ObjectAt(unsigned index) const noexcept;
    void DeleteObjectAt(unsigned index) noexcept;

    // Save levels the records may restore to are those above the level the
    // DC had when playback began.
    int StartLevel() const noexcept { return startLevel_; }

    // Reused storage for the device points of the drawing records.
    FigurePoints device;
    FigureSet figures;

private:
    struct Slot {
        HGDIOBJ handle;
        bool used;
    };

    HDC hdc_;
    DcObject &dc_;
    PodArray<Slot> objects_;
    std::size_t lowestFree_ = 0;  // no free slot lies below it
    HGDIOBJ pen_, brush_, font_;
    HPALETTE palette_;
    int startLevel_;
    bool failed_ = false;
};

using WmfHandler = void (*)(WmfPlayer &, const WmfRecord &);

// Drawing records (play_wmf_draw.cpp).
void WmfLineTo(WmfPlayer &, const WmfRecord &);
void WmfRectangle(WmfPlayer &, const WmfRecord &);
void WmfEllipse(WmfPlayer &, const WmfRecord &);
void WmfRoundRect(WmfPlayer &, const WmfRecord &);
void WmfArc(WmfPlayer &, const WmfRecord &);
void WmfPie(WmfPlayer &, const WmfRecord &);
void WmfChord(WmfPlayer &, const WmfRecord &);
void WmfPolygon(WmfPlayer &, const WmfRecord &);
void WmfPolyline(WmfPlayer &, const WmfRecord &);
void WmfPolyPolygon(WmfPlayer &, const WmfRecord &);
void WmfPatBlt(WmfPlayer &, const WmfRecord &);
void WmfSetPixel(WmfPlayer &, const WmfRecord &);
void WmfFillRegion(WmfPlayer &, const WmfRecord &);
void WmfFrameRegion(WmfPlayer &, const WmfRecord &);
void WmfInvertRegion(WmfPlayer &, const WmfRecord &);
void WmfPaintRegion(WmfPlayer &, const WmfRecord &);
void WmfStretchDib(WmfPlayer &, const WmfRecord &);
void WmfDibStretchBlt(WmfPlayer &, const WmfRecord &);
void WmfDibBitBlt(WmfPlayer &, const WmfRecord &);
void WmfBitmapBlt(WmfPlayer &, const WmfRecord &);
void WmfSetDibToDev(WmfPlayer &, const WmfRecord &);

}  // namespace zelt::platform
