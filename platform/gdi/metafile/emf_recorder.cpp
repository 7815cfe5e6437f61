// Recording into an enhanced metafile. Every record is its type and size
// (32 bits each) and a body padded to 4 bytes. The DC keeps a real state in
// a private memory DC compatible with the reference device: each call is
// recorded, then made on that DC, whose answer is the call's answer (a call
// the state refuses takes its record back). The bounds of what is drawn
// accumulate in reference-device pixels through that DC's mapping.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "gdi/brush.h"
#include "gdi/dc.h"
#include "gdi/metafile/emf_format.h"
#include "gdi/metafile/meta_dib.h"
#include "gdi/metafile/object_slots.h"
#include "gdi/metafile/recorders.h"
#include "gdi/metafile/record_stream.h"
#include "gdi/palette.h"
#include "gdi/pen.h"
#include "gdi/region.h"
#include "gdi/rop3_internal.h"
#include "gdi/stock.h"

namespace zelt::platform {
namespace {

using namespace emf;

struct MappingRecord {
    DWORD type;
    BOOL (*apply)(HDC, int, int, void *);
};
constexpr MappingRecord kMapping[] = {
    {kSetWindowOrgEx, [](HDC dc, int x, int y, void *p) { return SetWindowOrgEx(dc, x, y, static_cast<POINT *>(p)); }},
    {kSetWindowExtEx, [](HDC dc, int x, int y, void *p) { return SetWindowExtEx(dc, x, y, static_cast<SIZE *>(p)); }},
    {kSetViewportOrgEx,
     [](HDC dc, int x, int y, void *p) { return SetViewportOrgEx(dc, x, y, static_cast<POINT *>(p)); }},
    {kSetViewportExtEx,
     [](HDC dc, int x, int y, void *p) { return SetViewportExtEx(dc, x, y, static_cast<SIZE *>(p)); }},
};

struct AttributeRecord {
    DWORD type;
    DWORD failure;
    DWORD (*apply)(HDC, DWORD);
};
constexpr AttributeRecord kAttributes[] = {
    {kSetBkColor, CLR_INVALID, [](HDC dc, DWORD v) -> DWORD { return SetBkColor(dc, v); }},
    {kSetTextColor, CLR_INVALID, [](HDC dc, DWORD v) -> DWORD { return SetTextColor(dc, v); }},
    {kSetBkMode, 0, [](HDC dc, DWORD v) -> DWORD { return SetBkMode(dc, static_cast<int>(v)); }},
    {kSetRop2, 0, [](HDC dc, DWORD v) -> DWORD { return SetROP2(dc, static_cast<int>(v)); }},
    {kSetStretchBltMode, 0, [](HDC dc, DWORD v) -> DWORD { return SetStretchBltMode(dc, static_cast<int>(v)); }},
};

constexpr DWORD kClipRectType[] = {kIntersectClipRect, kExcludeClipRect};
constexpr int (*kClipRectApply[])(HDC, int, int, int, int) = {IntersectClipRect, ExcludeClipRect};
constexpr DWORD kShapeType[] = {kRectangle, kEllipse, kRoundRect};

// Stock objects are selected by their stock index with the top bit set.
constexpr DWORD kStockFlag = 0x80000000;

std::size_t Align4(std::size_t bytes) { return (bytes + 3) & ~std::size_t{3}; }
bool Fits16(LONG v) { return v >= -32768 && v <= 32767; }

RECT Normalised(LONG x0, LONG y0, LONG x1, LONG y1) {
    return RECT{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

// The logical rectangle a drawing call covers, corners included.
RECT InclusiveExtent(int x, int y, int w, int h) {
    const LONG x1 = w >= 0 ? x + w - 1 : x + w + 1, y1 = h >= 0 ? y + h - 1 : y + h + 1;
    return Normalised(x, y, w == 0 ? x : x1, h == 0 ? y : y1);
}

void WriteRect(FieldWriter &writer, const RECT &rect) {
    writer.I32(rect.left);
    writer.I32(rect.top);
    writer.I32(rect.right);
    writer.I32(rect.bottom);
}

int StockIndexOf(HGDIOBJ object) {
    for (int i = 0; i <= DEFAULT_PALETTE; ++i)
        if (object != nullptr && StockObject(i) == object) return i;
    return -1;
}

class EmfRecorder final : public MetaRecorder {
public:
    ~EmfRecorder() override {
        if (state_ != nullptr) DeleteDC(state_);
        if (pixels_ != nullptr) DeleteObject(pixels_);
    }

    bool Init(HDC reference, const RECT *frame, const char *description) noexcept {
        // Every DC here is compatible with the screen: its device is the
        // reference device whatever DC names it.
        if (reference != nullptr && FindDc(reference) == nullptr) return false;
        // The state DC draws nothing anyone sees: a call no record stands
        // for lands in a pixel of its own, not in the shared stock bitmap.
        state_ = CreateCompatibleDC(nullptr);
        pixels_ = CreateBitmap(1, 1, 1, 1, nullptr);
        if (state_ == nullptr || pixels_ == nullptr || ::SelectObject(state_, pixels_) == nullptr) return false;
        device_ = SIZE{GetDeviceCaps(state_, HORZRES), GetDeviceCaps(state_, VERTRES)};
        millimetres_ = SIZE{GetDeviceCaps(state_, HORZSIZE), GetDeviceCaps(state_, VERTSIZE)};
        if (frame != nullptr) {
            frame_ = *frame;
            framed_ = true;
        }
        descriptionChars_ = DescriptionChars(description);
        headerBytes_ = kHeaderBytes + Align4(2 * std::size_t{descriptionChars_});
        unsigned char *header = stream_.Append(headerBytes_);
        if (header == nullptr) return false;
        FieldWriter text(header + kHeaderBytes);
        // The count takes one character beyond the NUL that ends the second
        // string: it is written as NUL, never read from the caller's memory.
        for (DWORD i = 0; i + 1 < descriptionChars_; ++i) text.U16(static_cast<unsigned char>(description[i]));
        if (descriptionChars_ != 0) text.U16(0);
        return true;
    }

    int SetMapMode(int mode) noexcept override {
        return Apply(kSetMapMode, static_cast<DWORD>(mode), [&] { return ::SetMapMode(state_, mode); });
    }

    BOOL SetMapping(MappingCall call, int x, int y, void *previous) noexcept override {
        const MappingRecord &kind = kMapping[static_cast<int>(call)];
        const Mark mark = Here();
        unsigned char *at = Record(kind.type, 8);
        if (at == nullptr) return FALSE;
        FieldWriter writer(at);
        writer.I32(x);
        writer.I32(y);
        const BOOL done = kind.apply(state_, x, y, previous);
        if (!done) Undo(mark);
        return done;
    }

    int SaveDC() noexcept override {
        const Mark mark = Here();
        if (Record(kSaveDc, 0) == nullptr) return 0;
        const int level = ::SaveDC(state_);
        if (level == 0) Undo(mark);
        return level;
    }

    BOOL RestoreDC(int level) noexcept override {
        return Apply(kRestoreDc, static_cast<DWORD>(level), [&] { return ::RestoreDC(state_, level); });
    }

    DWORD SetAttribute(AttributeCall call, DWORD value) noexcept override {
        const AttributeRecord &kind = kAttributes[static_cast<int>(call)];
        const Mark mark = Here();
        unsigned char *at = Record(kind.type, 4);
        if (at == nullptr) return kind.failure;
        FieldWriter(at).U32(value);
        const DWORD previous = kind.apply(state_, value);
        if (previous == kind.failure) Undo(mark);
        return previous;
    }

    HGDIOBJ SelectObject(HGDIOBJ object) noexcept override {
        const GdiObject *found = FindObject<GdiObject>(object);
        if (found == nullptr) return nullptr;
        if (found->Kind() == ObjectKind::Region) {
            const int type = SelectClip(static_cast<HRGN>(object), RGN_COPY);
            return type == ERROR ? HGDI_ERROR : reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(type));
        }
        // A metafile has no bitmap to select, and palettes have their call.
        if (found->Kind() != ObjectKind::Pen && found->Kind() != ObjectKind::Brush) return nullptr;
        const Mark mark = Here();
        if (!SelectRecorded(object, kSelectObject)) return nullptr;
        HGDIOBJ previous = ::SelectObject(state_, object);
        if (previous == nullptr) Undo(mark);
        return previous;
    }

    HPALETTE SelectPalette(HPALETTE palette, BOOL background) noexcept override {
        if (FindObject<PaletteObject>(palette) == nullptr) return nullptr;
        const Mark mark = Here();
        if (!SelectRecorded(palette, kSelectPalette)) return nullptr;
        HPALETTE previous = ::SelectPalette(state_, palette, background);
        if (previous == nullptr) Undo(mark);
        return previous;
    }

    // The reference device has no palette to realise into while recording.
    UINT RealizePalette() noexcept override { return Record(kRealizePalette, 0) != nullptr ? 0 : GDI_ERROR; }

    void ForgetObject(HGDIOBJ object) noexcept override {
        const int slot = objects_.Find(object);
        if (slot < 0) return;
        unsigned char *at = Record(kDeleteObject, 4);
        if (at == nullptr) {
            objects_.Retire(slot);
            return;
        }
        FieldWriter(at).U32(static_cast<std::uint32_t>(slot + 1));
        objects_.Release(slot);
    }

    int SelectClip(HRGN region, int mode) noexcept override {
        const RegionObject *found = FindObject<RegionObject>(region);
        if ((region != nullptr && found == nullptr) || mode < RGN_AND || mode > RGN_COPY) return ERROR;
        // No region with RGN_COPY goes back to the whole device.
        const std::size_t rects = found != nullptr ? found->data.RectCount() : 0;
        const std::size_t dataBytes = found != nullptr ? sizeof(RGNDATAHEADER) + sizeof(RECT) * rects : 0;
        const Mark mark = Here();
        unsigned char *at = Record(kExtSelectClipRgn, 8 + dataBytes);
        if (at == nullptr) return ERROR;
        FieldWriter writer(at);
        writer.U32(static_cast<std::uint32_t>(dataBytes));
        writer.U32(static_cast<std::uint32_t>(mode));
        if (found != nullptr) {
            writer.U32(sizeof(RGNDATAHEADER));
            writer.U32(RDH_RECTANGLES);
            writer.U32(static_cast<std::uint32_t>(rects));
            writer.U32(static_cast<std::uint32_t>(sizeof(RECT) * rects));
            WriteRect(writer, found->data.Bounds());
            found->data.ForEachRect([&](const RECT &rect) { WriteRect(writer, rect); });
        }
        const int type = ::ExtSelectClipRgn(state_, region, mode);
        if (type == ERROR) Undo(mark);
        return type;
    }

    int ClipRect(ClipRectCall call, const RECT &rect) noexcept override {
        const Mark mark = Here();
        unsigned char *at = Record(kClipRectType[static_cast<int>(call)], 16);
        if (at == nullptr) return ERROR;
        FieldWriter writer(at);
        WriteRect(writer, rect);
        const int type = kClipRectApply[static_cast<int>(call)](state_, rect.left, rect.top, rect.right, rect.bottom);
        if (type == ERROR) Undo(mark);
        return type;
    }

    BOOL MoveTo(int x, int y, POINT *previous) noexcept override {
        if (!Point(kMoveToEx, x, y)) return FALSE;
        return ::MoveToEx(state_, x, y, previous);
    }

    BOOL LineTo(int x, int y) noexcept override {
        POINT from{};
        GetCurrentPositionEx(state_, &from);
        if (!Point(kLineTo, x, y)) return FALSE;
        const POINT ends[2] = {from, POINT{x, y}};
        AddPoints(ends, 2, PenReach());
        return ::MoveToEx(state_, x, y, nullptr);
    }

    BOOL Poly(PolyCall call, const POINT *points, int count) noexcept override {
        if (points == nullptr || count < 2) return FALSE;
        const bool narrow =
            std::all_of(points, points + count, [](const POINT &p) { return Fits16(p.x) && Fits16(p.y); });
        const bool polygon = call == PolyCall::Polygon;
        const DWORD type = narrow ? (polygon ? kPolygon16 : kPolyline16) : (polygon ? kPolygon : kPolyline);
        unsigned char *at = Record(type, 20 + (narrow ? 4 : 8) * static_cast<std::size_t>(count));
        if (at == nullptr) return FALSE;
        RECT box{points[0].x, points[0].y, points[0].x, points[0].y};
        for (int i = 1; i < count; ++i)
            box = RECT{std::min(box.left, points[i].x), std::min(box.top, points[i].y),
                       std::max(box.right, points[i].x), std::max(box.bottom, points[i].y)};
        FieldWriter writer(at);
        WriteRect(writer, box);
        writer.U32(static_cast<std::uint32_t>(count));
        for (int i = 0; i < count; ++i) {
            narrow ? writer.I16(points[i].x) : writer.I32(points[i].x);
            narrow ? writer.I16(points[i].y) : writer.I32(points[i].y);
        }
        AddPoints(points, count, PenReach());
        return TRUE;
    }

    BOOL Shape(ShapeCall call, const RECT &box, SIZE corner) noexcept override {
        const bool round = call == ShapeCall::RoundRect;
        unsigned char *at = Record(kShapeType[static_cast<int>(call)], round ? 24 : 16);
        if (at == nullptr) return FALSE;
        FieldWriter writer(at);
        WriteRect(writer, box);
        if (round) {
            writer.I32(corner.cx);
            writer.I32(corner.cy);
        }
        AddRect(InclusiveExtent(box.left, box.top, box.right - box.left, box.bottom - box.top), PenReach());
        return TRUE;
    }

    BOOL Blt(const BltCall &call) noexcept override {
        const bool withSource = Rop3UsesSource(call.rop);
        BltSource source;
        if (withSource && !CaptureBltSource(call.source, call.xSrc, call.ySrc, call.wSrc, call.hSrc, source))
            return FALSE;
        const int wDest = source.flipX ? -call.wDest : call.wDest, hDest = source.flipY ? -call.hDest : call.hDest;
        // BitBlt keeps one extent for both sides; a stretch, or a source
        // whose device size differs, needs the source extent too.
        const bool stretch = withSource && (call.stretch || source.width != call.wDest || source.height != call.hDest);
        const std::size_t fixed = stretch ? kStretchBltFixedBytes : kBitBltFixedBytes;
        const DibParts &dib = source.parts;
        const std::size_t bmiBytes = Align4(dib.infoBytes), bitsBytes = Align4(dib.bitsBytes);
        unsigned char *at = Record(stretch ? kStretchBlt : kBitBlt, fixed - 8 + bmiBytes + bitsBytes);
        if (at == nullptr) return FALSE;
        const RECT extent = InclusiveExtent(call.xDest, call.yDest, call.wDest, call.hDest);
        FieldWriter writer(at);
        WriteRect(writer, extent);
        writer.I32(call.xDest);
        writer.I32(call.yDest);
        writer.I32(wDest);
        writer.I32(hDest);
        writer.U32(call.rop);
        writer.I32(0);  // the captured DIB starts at the source rectangle
        writer.I32(0);
        for (const std::uint32_t word : kIdentityTransform) writer.U32(word);
        writer.U32(source.bkColor);
        writer.U32(dib.usage);
        writer.U32(withSource ? static_cast<std::uint32_t>(fixed) : 0);
        writer.U32(static_cast<std::uint32_t>(dib.infoBytes));
        writer.U32(withSource ? static_cast<std::uint32_t>(fixed + bmiBytes) : 0);
        writer.U32(static_cast<std::uint32_t>(dib.bitsBytes));
        if (stretch) {
            writer.I32(source.width);
            writer.I32(source.height);
        }
        writer.Bytes(dib.info, dib.infoBytes);
        writer.Skip(bmiBytes - dib.infoBytes);
        writer.Bytes(dib.bits, dib.bitsBytes);
        AddRect(extent, 0);
        return TRUE;
    }

    int StretchDIBits(const DibCall &call) noexcept override {
        DibParts dib;
        if (!DescribeCallerDib(call.info, call.bits, call.usage, dib)) return 0;
        const std::size_t bmiBytes = Align4(dib.infoBytes), bitsBytes = Align4(dib.bitsBytes);
        unsigned char *at = Record(kStretchDiBits, kStretchDiBitsFixedBytes - 8 + bmiBytes + bitsBytes);
        if (at == nullptr) return 0;
        const RECT extent = InclusiveExtent(call.xDest, call.yDest, call.wDest, call.hDest);
        FieldWriter writer(at);
        WriteRect(writer, extent);
        writer.I32(call.xDest);
        writer.I32(call.yDest);
        writer.I32(call.xSrc);
        writer.I32(call.ySrc);
        writer.I32(call.wSrc);
        writer.I32(call.hSrc);
        writer.U32(static_cast<std::uint32_t>(kStretchDiBitsFixedBytes));
        writer.U32(static_cast<std::uint32_t>(dib.infoBytes));
        writer.U32(static_cast<std::uint32_t>(kStretchDiBitsFixedBytes + bmiBytes));
        writer.U32(static_cast<std::uint32_t>(dib.bitsBytes));
        writer.U32(call.usage);
        writer.U32(call.rop);
        writer.I32(call.wDest);
        writer.I32(call.hDest);
        writer.Bytes(dib.info, dib.infoBytes);
        writer.Skip(bmiBytes - dib.infoBytes);
        writer.Bytes(dib.bits, dib.bitsBytes);
        AddRect(extent, 0);
        return std::abs(call.hSrc);
    }

    int DeviceCaps(int index) noexcept override { return GetDeviceCaps(state_, index); }
    DcObject *State() noexcept override { return FindObject<DcObject>(state_); }

    bool Finish() noexcept override {
        unsigned char *end = Record(kEof, 12);
        if (end == nullptr) return false;
        FieldWriter eof(end);
        eof.U32(0);   // no palette entries
        eof.U32(16);  // where they would start
        eof.U32(20);  // this record's size, last
        const RECT bounds = drawn_ ? bounds_ : RECT{0, 0, -1, -1};
        // Without a frame, the bounds in 0.01 mm (truncated).
        const auto toFrame = [](LONG pixels, LONG millimetres, LONG device) {
            return static_cast<LONG>(static_cast<long long>(pixels) * millimetres * 100 / std::max<LONG>(device, 1));
        };
        const RECT frame = framed_ ? frame_
                                   : RECT{toFrame(bounds.left, millimetres_.cx, device_.cx),
                                          toFrame(bounds.top, millimetres_.cy, device_.cy),
                                          toFrame(bounds.right, millimetres_.cx, device_.cx),
                                          toFrame(bounds.bottom, millimetres_.cy, device_.cy)};
        FieldWriter header(stream_.Data());
        header.U32(kHeader);
        header.U32(static_cast<std::uint32_t>(headerBytes_));
        WriteRect(header, bounds);
        WriteRect(header, frame);
        header.U32(ENHMETA_SIGNATURE);
        header.U32(0x00010000);
        header.U32(static_cast<std::uint32_t>(stream_.Size()));
        header.U32(records_);
        header.U16(static_cast<unsigned>(objects_.HighWater() + 1));
        header.U16(0);
        header.U32(descriptionChars_);
        header.U32(descriptionChars_ != 0 ? static_cast<std::uint32_t>(kHeaderBytes) : 0);
        header.U32(0);  // palette entries
        header.I32(device_.cx);
        header.I32(device_.cy);
        header.I32(millimetres_.cx);
        header.I32(millimetres_.cy);
        header.U32(0);  // no pixel format
        header.U32(0);
        header.U32(0);  // not OpenGL
        header.I32(millimetres_.cx * 1000);
        header.I32(millimetres_.cy * 1000);
        return true;
    }

    const RecordStream &Bytes() const noexcept override { return stream_; }

private:
    struct Mark {
        std::size_t size;
        DWORD records;
    };
    Mark Here() const noexcept { return Mark{stream_.Size(), records_}; }
    void Undo(const Mark &mark) noexcept {
        stream_.Truncate(mark.size);
        records_ = mark.records;
    }

    // Appends a record with a zeroed body of `bodyBytes` (padded to 4) and
    // returns where the body starts; nullptr when memory runs out.
    unsigned char *Record(DWORD type, std::size_t bodyBytes) noexcept {
        const std::size_t bytes = 8 + Align4(bodyBytes);
        unsigned char *at = stream_.Append(bytes);
        if (at == nullptr) return nullptr;
        FieldWriter head(at);
        head.U32(type);
        head.U32(static_cast<std::uint32_t>(bytes));
        ++records_;
        return at + 8;
    }

    // A one-value record, then the state call; the record goes again when
    // the state refuses the call (answers 0).
    template <class Call>
    auto Apply(DWORD type, DWORD value, Call call) noexcept -> decltype(call()) {
        const Mark mark = Here();
        unsigned char *at = Record(type, 4);
        if (at == nullptr) return 0;
        FieldWriter(at).U32(value);
        const auto result = call();
        if (result == 0) Undo(mark);
        return result;
    }

    bool Point(DWORD type, int x, int y) noexcept {
        unsigned char *at = Record(type, 8);
        if (at == nullptr) return false;
        FieldWriter writer(at);
        writer.I32(x);
        writer.I32(y);
        return true;
    }

    // How far past its path a wide pen paints, in device pixels.
    int PenReach() noexcept {
        const DcObject *dc = State();
        const PenObject *pen = dc != nullptr ? FindObject<PenObject>(dc->State().pen) : nullptr;
        if (pen == nullptr || pen->IsNull() || pen->Width() <= 1) return 0;
        const POINT a = dc->ToDevice(POINT{0, 0}), b = dc->ToDevice(POINT{pen->Width(), 0});
        return std::abs(b.x - a.x) / 2;
    }

    void AddDevice(const RECT &device) noexcept {
        bounds_ = drawn_ ? RECT{std::min(bounds_.left, device.left), std::min(bounds_.top, device.top),
                                std::max(bounds_.right, device.right), std::max(bounds_.bottom, device.bottom)}
                         : device;
        drawn_ = true;
    }

    // Adds a logical rectangle whose corners are drawn, as device pixels.
    void AddRect(const RECT &logical, int reach) noexcept {
        const POINT corners[2] = {POINT{logical.left, logical.top}, POINT{logical.right, logical.bottom}};
        AddPoints(corners, 2, reach);
    }

    void AddPoints(const POINT *points, int count, int reach) noexcept {
        const DcObject *dc = State();
        if (dc == nullptr) return;
        for (int i = 0; i < count; ++i) {
            const POINT p = dc->ToDevice(points[i]);
            AddDevice(RECT{p.x - reach, p.y - reach, p.x + reach, p.y + reach});
        }
    }

    // Selects a pen, brush or palette: by stock index, or by the slot of
    // its creation record, written first when this metafile has not seen
    // the object yet.
    bool SelectRecorded(HGDIOBJ object, DWORD selectType) noexcept {
        std::uint32_t index;
        const int stock = StockIndexOf(object);
        if (stock >= 0) {
            index = kStockFlag | static_cast<std::uint32_t>(stock);
        } else {
            int slot = objects_.Find(object);
            if (slot < 0 && (slot = CreateSlot(object)) < 0) return false;
            index = static_cast<std::uint32_t>(slot + 1);
        }
        unsigned char *at = Record(selectType, 4);
        if (at == nullptr) return false;
        FieldWriter(at).U32(index);
        return true;
    }

    int CreateSlot(HGDIOBJ object) noexcept {
        EmfObjectRecord creation;
        if (!DescribeEmfObject(object, creation)) return -1;
        // The selection that follows is reserved with the creation.
        if (!stream_.Reserve(8 + Align4(creation.bodyBytes) + 12)) return -1;
        const int slot = objects_.Claim(object);
        if (slot < 0) return -1;
        WriteEmfObject(creation, static_cast<std::uint32_t>(slot + 1), Record(creation.type, creation.bodyBytes));
        return slot;
    }

    // The description is "application\0picture\0\0": its length is that of
    // the two strings and three characters.
    static DWORD DescriptionChars(const char *description) noexcept {
        if (description == nullptr) return 0;
        const std::size_t first = std::strlen(description);
        return static_cast<DWORD>(first + std::strlen(description + first + 1) + 3);
    }

    RecordStream stream_;
    ObjectSlots objects_;
    DWORD records_ = 1;  // the header
    HDC state_ = nullptr;
    HBITMAP pixels_ = nullptr;
    SIZE device_{};
    SIZE millimetres_{};
    std::size_t headerBytes_ = kHeaderBytes;
    DWORD descriptionChars_ = 0;
    bool framed_ = false;
    RECT frame_{};
    bool drawn_ = false;
    RECT bounds_{};
};

}  // namespace

MetaRecorder *NewEmfRecorder(HDC reference, const RECT *frame, const char *description) noexcept {
    std::unique_ptr<EmfRecorder> recorder(NewObject<EmfRecorder>());
    if (recorder == nullptr || !recorder->Init(reference, frame, description)) return nullptr;
    return recorder.release();
}

}  // namespace zelt::platform
