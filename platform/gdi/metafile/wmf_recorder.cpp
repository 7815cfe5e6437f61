// Recording into a classic metafile. Every record is its size in 16-bit
// words (32 bits), its function (16 bits) and 16-bit parameters; calls with
// two coordinates store y before x. The DC keeps no state: the calls answer
// as the reference system's metafile DCs do (SetMapMode 1, SaveDC 1, no
// out-parameters written), except that attribute setters report the value
// they replace so that callers can put it back.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

#include "gdi/brush.h"
#include "gdi/metafile/meta_dib.h"
#include "gdi/metafile/object_slots.h"
#include "gdi/metafile/recorders.h"
#include "gdi/metafile/record_stream.h"
#include "gdi/metafile/wmf_region.h"
#include "gdi/palette.h"
#include "gdi/pen.h"
#include "gdi/region.h"
#include "gdi/rop3_internal.h"
#include "gdi/stock.h"

namespace zelt::platform {
namespace {

enum WmfFunction : unsigned {
    kEof = 0x0000,
    kSaveDc = 0x001E,
    kRealizePalette = 0x0035,
    kCreatePalette = 0x00F7,
    kSetBkMode = 0x0102,
    kSetMapMode = 0x0103,
    kSetRop2 = 0x0104,
    kSetStretchBltMode = 0x0107,
    kRestoreDc = 0x0127,
    kSelectClipRegion = 0x012C,
    kSelectObject = 0x012D,
    kDibCreatePatternBrush = 0x0142,
    kDeleteObject = 0x01F0,
    kSetBkColor = 0x0201,
    kSetTextColor = 0x0209,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kSetViewportOrg = 0x020D,
    kSetViewportExt = 0x020E,
    kLineTo = 0x0213,
    kMoveTo = 0x0214,
    kSelectPalette = 0x0234,
    kCreatePenIndirect = 0x02FA,
    kCreateBrushIndirect = 0x02FC,
    kPolygon = 0x0324,
    kPolyline = 0x0325,
    kExcludeClipRect = 0x0415,
    kIntersectClipRect = 0x0416,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
    kRoundRect = 0x061C,
    kPatBlt = 0x061D,
    kCreateRegion = 0x06FF,
    kDibStretchBlt = 0x0B41,
    kStretchDib = 0x0F43,
};

constexpr std::size_t kHeaderBytes = 18;
constexpr std::size_t kHeadBytes = 6;  // size and function

constexpr unsigned kMappingFunction[] = {kSetWindowOrg, kSetWindowExt, kSetViewportOrg, kSetViewportExt};
constexpr unsigned kClipRectFunction[] = {kIntersectClipRect, kExcludeClipRect};
constexpr unsigned kPolyFunction[] = {kPolyline, kPolygon};
constexpr unsigned kShapeFunction[] = {kRectangle, kEllipse, kRoundRect};

// The attribute setters: the record, the DC default (what the first call
// reports replacing) and the valid range (colours: any value).
struct AttributeRecord {
    unsigned function;
    bool colour;
    DWORD initial;
    DWORD low;
    DWORD high;
};
constexpr AttributeRecord kAttributes[] = {
    {kSetBkColor, true, 0xFFFFFF, 0, 0xFFFFFFFF},
    {kSetTextColor, true, 0x000000, 0, 0xFFFFFFFF},
    {kSetBkMode, false, OPAQUE, TRANSPARENT, OPAQUE},
    {kSetRop2, false, R2_COPYPEN, R2_BLACK, R2_WHITE},
    {kSetStretchBltMode, false, BLACKONWHITE, BLACKONWHITE, HALFTONE},
};

// A palette selection succeeded: the DC has no previous palette to report,
// so the answer is a value no palette handle ever has (handles are
// multiples of 4), and selecting it back records nothing.
HPALETTE const kNoPreviousPalette = reinterpret_cast<HPALETTE>(std::uintptr_t{1});

std::size_t Even(std::size_t bytes) { return (bytes + 1) & ~std::size_t{1}; }

class WmfRecorder final : public MetaRecorder {
public:
    bool Init() noexcept { return stream_.Append(kHeaderBytes) != nullptr; }

    int SetMapMode(int mode) noexcept override {
        unsigned char *at = Record(kSetMapMode, 2);
        if (at == nullptr) return 0;
        FieldWriter(at).I16(mode);
        return 1;
    }

    BOOL SetMapping(MappingCall call, int x, int y, void *) noexcept override {
        return YX(kMappingFunction[static_cast<int>(call)], x, y);
    }

    int SaveDC() noexcept override { return Record(kSaveDc, 0) != nullptr ? 1 : 0; }

    BOOL RestoreDC(int level) noexcept override {
        unsigned char *at = Record(kRestoreDc, 2);
        if (at == nullptr) return FALSE;
        FieldWriter(at).I16(level);
        return TRUE;
    }

    DWORD SetAttribute(AttributeCall call, DWORD value) noexcept override {
        const AttributeRecord &kind = kAttributes[static_cast<int>(call)];
        const DWORD failure = kind.colour ? CLR_INVALID : 0;
        if (!kind.colour && (value < kind.low || value > kind.high)) return failure;
        unsigned char *at = Record(kind.function, kind.colour ? 4 : 2);
        if (at == nullptr) return failure;
        FieldWriter writer(at);
        kind.colour ? writer.U32(value) : writer.U16(value);
        DWORD &remembered = attributes_[static_cast<int>(call)];
        const DWORD previous = remembered;
        remembered = value;
        return previous;
    }

    HGDIOBJ SelectObject(HGDIOBJ object) noexcept override {
        const GdiObject *found = FindObject<GdiObject>(object);
        if (found == nullptr) return nullptr;
        HGDIOBJ *current = nullptr;
        switch (found->Kind()) {
            case ObjectKind::Pen: current = &pen_; break;
            case ObjectKind::Brush: current = &brush_; break;
            case ObjectKind::Region: {
                const int type = SelectClip(static_cast<HRGN>(object), RGN_COPY);
                return type == ERROR ? HGDI_ERROR : reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(type));
            }
            default: return nullptr;
        }
        if (!SelectSlot(object, kSelectObject)) return nullptr;
        return std::exchange(*current, object);
    }

    HPALETTE SelectPalette(HPALETTE palette, BOOL) noexcept override {
        if (FindObject<PaletteObject>(palette) == nullptr) return nullptr;
        return SelectSlot(palette, kSelectPalette) ? kNoPreviousPalette : nullptr;
    }

    UINT RealizePalette() noexcept override { return Record(kRealizePalette, 0) != nullptr ? 1 : GDI_ERROR; }

    void ForgetObject(HGDIOBJ object) noexcept override {
        const int slot = objects_.Find(object);
        if (slot < 0) return;
        unsigned char *at = Record(kDeleteObject, 2);
        if (at == nullptr) {
            // The player keeps the object; the slot stays taken for it.
            objects_.Retire(slot);
            return;
        }
        FieldWriter(at).U16(static_cast<unsigned>(slot));
        objects_.Release(slot);
    }

    // A classic metafile selects a clip region by copy only, and has no
    // record that removes the clip: SaveDC and RestoreDC around the clipped
    // drawing do that.
    int SelectClip(HRGN region, int mode) noexcept override {
        const RegionObject *found = FindObject<RegionObject>(region);
        if (found == nullptr || mode != RGN_COPY) return ERROR;
        // Regions change after they are recorded, so each selection records
        // the region as it is now and deletes it again at once.
        const std::size_t regionBytes = WmfRegionBytes(found->data);
        if (regionBytes == 0 || !stream_.Reserve(kHeadBytes * 3 + Even(regionBytes) + 4)) return ERROR;
        const int slot = objects_.Claim(region);
        if (slot < 0) return ERROR;
        WriteWmfRegion(found->data, Record(kCreateRegion, regionBytes));
        FieldWriter(Record(kSelectClipRegion, 2)).U16(static_cast<unsigned>(slot));
        FieldWriter(Record(kDeleteObject, 2)).U16(static_cast<unsigned>(slot));
        objects_.Release(slot);
        return found->data.Complexity();
    }

    int ClipRect(ClipRectCall call, const RECT &rect) noexcept override {
        return Box(kClipRectFunction[static_cast<int>(call)], rect) ? SIMPLEREGION : ERROR;
    }

    BOOL MoveTo(int x, int y, POINT *) noexcept override { return YX(kMoveTo, x, y); }
    BOOL LineTo(int x, int y) noexcept override { return YX(kLineTo, x, y); }

    BOOL Poly(PolyCall call, const POINT *points, int count) noexcept override {
        if (points == nullptr || count < 2 || count > 0x7FFF) return FALSE;
        unsigned char *at = Record(kPolyFunction[static_cast<int>(call)], 2 + 4 * static_cast<std::size_t>(count));
        if (at == nullptr) return FALSE;
        FieldWriter writer(at);
        writer.U16(static_cast<unsigned>(count));
        for (int i = 0; i < count; ++i) {
            writer.I16(points[i].x);
            writer.I16(points[i].y);
        }
        return TRUE;
    }

    BOOL Shape(ShapeCall call, const RECT &box, SIZE corner) noexcept override {
        if (call != ShapeCall::RoundRect) return Box(kShapeFunction[static_cast<int>(call)], box);
        unsigned char *at = Record(kRoundRect, 12);
        if (at == nullptr) return FALSE;
        FieldWriter writer(at);
        writer.I16(corner.cy);
        writer.I16(corner.cx);
        WriteBox(writer, box);
        return TRUE;
    }

    BOOL Blt(const BltCall &call) noexcept override {
        if (!Rop3UsesSource(call.rop)) {
            unsigned char *at = Record(kPatBlt, 12);
            if (at == nullptr) return FALSE;
            FieldWriter writer(at);
            writer.U32(call.rop);
            writer.I16(call.hDest);
            writer.I16(call.wDest);
            writer.I16(call.yDest);
            writer.I16(call.xDest);
            return TRUE;
        }
        BltSource source;
        if (!CaptureBltSource(call.source, call.xSrc, call.ySrc, call.wSrc, call.hSrc, source)) return FALSE;
        const DibParts &dib = source.parts;
        unsigned char *at = Record(kDibStretchBlt, 20 + dib.infoBytes + dib.bitsBytes);
        if (at == nullptr) return FALSE;
        FieldWriter writer(at);
        writer.U32(call.rop);
        writer.I16(source.height);
        writer.I16(source.width);
        writer.I16(0);
        writer.I16(0);
        writer.I16(source.flipY ? -call.hDest : call.hDest);
        writer.I16(source.flipX ? -call.wDest : call.wDest);
        writer.I16(call.yDest);
        writer.I16(call.xDest);
        writer.Bytes(dib.info, dib.infoBytes);
        writer.Bytes(dib.bits, dib.bitsBytes);
        return TRUE;
    }

    int StretchDIBits(const DibCall &call) noexcept override {
        DibParts dib;
        if (!DescribeCallerDib(call.info, call.bits, call.usage, dib)) return 0;
        unsigned char *at = Record(kStretchDib, 22 + dib.infoBytes + dib.bitsBytes);
        if (at == nullptr) return 0;
        FieldWriter writer(at);
        writer.U32(call.rop);
        writer.U16(call.usage);
        writer.I16(call.hSrc);
        writer.I16(call.wSrc);
        writer.I16(call.ySrc);
        writer.I16(call.xSrc);
        writer.I16(call.hDest);
        writer.I16(call.wDest);
        writer.I16(call.yDest);
        writer.I16(call.xDest);
        writer.Bytes(dib.info, dib.infoBytes);
        writer.Bytes(dib.bits, dib.bitsBytes);
        return std::abs(call.hSrc);
    }

    // A classic metafile has no device: only the technology is known.
    int DeviceCaps(int index) noexcept override { return index == TECHNOLOGY ? DT_METAFILE : 0; }

    bool Finish() noexcept override {
        if (Record(kEof, 0) == nullptr) return false;
        FieldWriter header(stream_.Data());
        header.U16(1);  // memory metafile
        header.U16(kHeaderBytes / 2);
        header.U16(0x0300);
        header.U32(static_cast<std::uint32_t>(stream_.Size() / 2));
        header.U16(static_cast<unsigned>(objects_.HighWater()));
        header.U32(maxRecordWords_);
        header.U16(0);
        return true;
    }

    const RecordStream &Bytes() const noexcept override { return stream_; }

private:
    // Appends a record with `paramBytes` bytes of parameters (zeroed) and
    // returns where they start; nullptr when memory runs out.
    unsigned char *Record(unsigned function, std::size_t paramBytes) noexcept {
        const std::size_t bytes = kHeadBytes + Even(paramBytes);
        unsigned char *at = stream_.Append(bytes);
        if (at == nullptr) return nullptr;
        const auto words = static_cast<std::uint32_t>(bytes / 2);
        FieldWriter head(at);
        head.U32(words);
        head.U16(function);
        maxRecordWords_ = std::max(maxRecordWords_, words);
        return at + kHeadBytes;
    }

    BOOL YX(unsigned function, int x, int y) noexcept {
        unsigned char *at = Record(function, 4);
        if (at == nullptr) return FALSE;
        FieldWriter writer(at);
        writer.I16(y);
        writer.I16(x);
        return TRUE;
    }

    static void WriteBox(FieldWriter &writer, const RECT &box) noexcept {
        writer.I16(box.bottom);
        writer.I16(box.right);
        writer.I16(box.top);
        writer.I16(box.left);
    }

    BOOL Box(unsigned function, const RECT &box) noexcept {
        unsigned char *at = Record(function, 8);
        if (at == nullptr) return FALSE;
        FieldWriter writer(at);
        WriteBox(writer, box);
        return TRUE;
    }

    // Selects a pen, brush or palette by its slot, recording the object
    // first when this metafile has not seen it yet.
    bool SelectSlot(HGDIOBJ object, unsigned selectFunction) noexcept {
        int slot = objects_.Find(object);
        if (slot < 0) {
            slot = CreateSlot(object, kHeadBytes + 2);
            if (slot < 0) return false;
        }
        unsigned char *at = Record(selectFunction, 2);
        if (at == nullptr) return false;
        FieldWriter(at).U16(static_cast<unsigned>(slot));
        return true;
    }

    // The creation record of a pen, brush or palette.
    struct Creation {
        unsigned function = 0;
        std::size_t paramBytes = 0;
        const PenObject *pen = nullptr;
        const BrushObject *brush = nullptr;
        const PaletteObject *palette = nullptr;
        ByteBuffer patternStorage;
        DibParts pattern;
    };

    static bool Describe(HGDIOBJ object, Creation &creation) noexcept {
        if ((creation.pen = FindObject<PenObject>(object)) != nullptr) {
            creation.function = kCreatePenIndirect;
            creation.paramBytes = 10;
        } else if ((creation.brush = FindObject<BrushObject>(object)) != nullptr) {
            const UINT style = creation.brush->Logical().lbStyle;
            if (style != BS_PATTERN && style != BS_DIBPATTERN && style != BS_DIBPATTERNPT) {
                creation.function = kCreateBrushIndirect;
                creation.paramBytes = 8;
                return true;
            }
            if (!BrushPatternDib(*creation.brush, creation.patternStorage, creation.pattern)) return false;
            creation.function = kDibCreatePatternBrush;
            creation.paramBytes = 4 + creation.pattern.infoBytes + creation.pattern.bitsBytes;
        } else if ((creation.palette = FindObject<PaletteObject>(object)) != nullptr) {
            creation.function = kCreatePalette;
            creation.paramBytes = 4 + 4 * std::size_t{creation.palette->Count()};
        }
        return creation.function != 0;
    }

    static void Write(const Creation &creation, FieldWriter writer) noexcept {
        if (creation.pen != nullptr) {
            const LOGPEN &logical = creation.pen->Logical();
            writer.U16(logical.lopnStyle);
            writer.I16(logical.lopnWidth.x);
            writer.I16(logical.lopnWidth.y);
            writer.U32(logical.lopnColor);
        } else if (creation.palette != nullptr) {
            writer.U16(0x0300);
            writer.U16(creation.palette->Count());
            writer.Bytes(creation.palette->Entries(), 4 * std::size_t{creation.palette->Count()});
        } else if (creation.function == kCreateBrushIndirect) {
            const LOGBRUSH &logical = creation.brush->Logical();
            writer.U16(logical.lbStyle);
            writer.U32(logical.lbColor);
            writer.U16(static_cast<unsigned>(logical.lbHatch));
        } else {
            // A bitmap pattern travels as a DIB with its own colours.
            const bool bitmap = creation.brush->Logical().lbStyle == BS_PATTERN;
            writer.U16(bitmap ? BS_PATTERN : BS_DIBPATTERN);
            writer.U16(bitmap ? DIB_RGB_COLORS : creation.pattern.usage);
            writer.Bytes(creation.pattern.info, creation.pattern.infoBytes);
            writer.Bytes(creation.pattern.bits, creation.pattern.bitsBytes);
        }
    }

    // Records the creation of `object` into the lowest free slot, with room
    // for `followingBytes` more reserved; the slot, or -1.
    int CreateSlot(HGDIOBJ object, std::size_t followingBytes) noexcept {
        Creation creation;
        if (!Describe(object, creation)) return -1;
        if (!stream_.Reserve(kHeadBytes + Even(creation.paramBytes) + followingBytes)) return -1;
        const int slot = objects_.Claim(object);
        if (slot >= 0) Write(creation, FieldWriter(Record(creation.function, creation.paramBytes)));
        return slot;
    }

    RecordStream stream_;
    ObjectSlots objects_;
    std::uint32_t maxRecordWords_ = 0;
    HGDIOBJ pen_ = StockObject(BLACK_PEN);
    HGDIOBJ brush_ = StockObject(WHITE_BRUSH);
    DWORD attributes_[5] = {kAttributes[0].initial, kAttributes[1].initial, kAttributes[2].initial,
                            kAttributes[3].initial, kAttributes[4].initial};
};

}  // namespace

MetaRecorder *NewWmfRecorder() noexcept {
    std::unique_ptr<WmfRecorder> recorder(NewObject<WmfRecorder>());
    if (recorder == nullptr || !recorder->Init()) return nullptr;
    return recorder.release();
}

}  // namespace zelt::platform
