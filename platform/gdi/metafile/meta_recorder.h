// Metafile device contexts. A DC made by CreateMetaFileA or
// CreateEnhMetaFileA draws nothing: every call made into it is handed to
// its recorder, which writes the call's record in the classic or the
// enhanced byte format. The two formats are two implementations of one
// interface, chosen when the DC is made, so the calls themselves only ask
// "is this a metafile DC?" once, at their start.
//
// An enhanced metafile DC also keeps a real DC state (mapping, selections,
// the save stack) in a private memory DC compatible with its reference
// device: the calls that only read a DC's state answer from it, and the
// bounds of what is drawn are computed through its mapping. A classic
// metafile DC keeps no state; it only records.
#pragma once

#include "base/allocator.h"
#include "gdi/gdi_object.h"

namespace zelt::platform {

class DcObject;
class RecordStream;

enum class MappingCall { WindowOrg, WindowExt, ViewportOrg, ViewportExt };
enum class AttributeCall { BkColor, TextColor, BkMode, Rop2, StretchMode };
enum class ClipRectCall { Intersect, Exclude };
enum class PolyCall { Polyline, Polygon };
enum class ShapeCall { Rectangle, Ellipse, RoundRect };

// BitBlt, StretchBlt and PatBlt (source nullptr) in logical units.
struct BltCall {
    int xDest, yDest, wDest, hDest;
    HDC source;
    int xSrc, ySrc, wSrc, hSrc;
    DWORD rop;
    bool stretch;
};

// StretchDIBits as called.
struct DibCall {
    int xDest, yDest, wDest, hDest;
    int xSrc, ySrc, wSrc, hSrc;
    const void *bits;
    const BITMAPINFO *info;
    UINT usage;
    DWORD rop;
};

class MetaRecorder {
public:
    virtual ~MetaRecorder() = default;

    virtual int SetMapMode(int mode) noexcept = 0;
    virtual BOOL SetMapping(MappingCall call, int x, int y, void *previous) noexcept = 0;
    virtual int SaveDC() noexcept = 0;
    virtual BOOL RestoreDC(int level) noexcept = 0;
    virtual DWORD SetAttribute(AttributeCall call, DWORD value) noexcept = 0;

    virtual HGDIOBJ SelectObject(HGDIOBJ object) noexcept = 0;
    virtual HPALETTE SelectPalette(HPALETTE palette, BOOL background) noexcept = 0;
    virtual UINT RealizePalette() noexcept = 0;
    // DeleteObject of an object while this DC records: the metafile's own
    // copy goes too, so its slot can be reused.
    virtual void ForgetObject(HGDIOBJ object) noexcept = 0;

    virtual int SelectClip(HRGN region, int mode) noexcept = 0;
    virtual int ClipRect(ClipRectCall call, const RECT &rect) noexcept = 0;

    virtual BOOL MoveTo(int x, int y, POINT *previous) noexcept = 0;
    virtual BOOL LineTo(int x, int y) noexcept = 0;
    virtual BOOL Poly(PolyCall call, const POINT *points, int count) noexcept = 0;
    virtual BOOL Shape(ShapeCall call, const RECT &box, SIZE corner) noexcept = 0;
    virtual BOOL Blt(const BltCall &call) noexcept = 0;
    virtual int StretchDIBits(const DibCall &call) noexcept = 0;

    virtual int DeviceCaps(int index) noexcept = 0;
    // The DC state kept for the calls that read it (enhanced DCs only).
    virtual DcObject *State() noexcept { return nullptr; }

    // Writes the end of the metafile and its header; false when memory
    // runs out. Afterwards Bytes() holds the finished metafile.
    [[nodiscard]] virtual bool Finish() noexcept = 0;
    virtual const RecordStream &Bytes() const noexcept = 0;
};

// The DC object behind a metafile DC's handle.
class MetaDcObject final : public GdiObject {
public:
    // Takes ownership of the recorder.
    MetaDcObject(bool enhanced, MetaRecorder *recorder) noexcept;
    ~MetaDcObject() override;
    static constexpr bool Accepts(ObjectKind kind) {
        return kind == ObjectKind::MetaDc || kind == ObjectKind::EnhMetaDc;
    }
    // Metafile DCs go by CloseMetaFile, CloseEnhMetaFile or DeleteDC.
    bool DeletableByDeleteObject() const override { return false; }

    bool IsEnhanced() const noexcept { return Kind() == ObjectKind::EnhMetaDc; }
    MetaRecorder &Recorder() noexcept { return *recorder_; }
    // Where the finished bytes go as well (empty: memory only).
    ByteBuffer &FileName() noexcept { return fileName_; }

private:
    friend class MetaDcRegistry;
    MetaRecorder *recorder_;
    ByteBuffer fileName_;
    MetaDcObject *previous_ = nullptr;
    MetaDcObject *next_ = nullptr;
};

// The recorder of a metafile DC, or nullptr for any other handle. Cheap
// while no metafile DC exists.
MetaRecorder *FindRecorder(HDC hdc) noexcept;

// The DC state an enhanced metafile DC keeps, or nullptr.
DcObject *EnhMetaDcState(HDC hdc) noexcept;

// Tells every metafile DC that `object` is being deleted.
void ForgetInMetaFiles(HGDIOBJ object) noexcept;

// DeleteDC of a metafile DC: the recording is discarded.
BOOL DiscardMetaDc(HDC hdc) noexcept;

}  // namespace zelt::platform
