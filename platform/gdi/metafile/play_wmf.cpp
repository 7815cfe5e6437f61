// The classic metafile player: the record walk, the object table and the
// records that change the DC's attributes, mapping, objects and clip.
#include "gdi/metafile/play_wmf.h"

#include <array>
#include <new>
#include <vector>

#include "gdi/metafile/play_dib.h"
#include "gdi/metafile/play_objects.h"
#include "gdi/metafile/play_region.h"
#include "gdi/metafile/play_wmf_player.h"

namespace zelt::platform {

namespace {

constexpr std::size_t kHeaderBytes = 18;
constexpr std::size_t kRecordHeadBytes = 6;
// Object indexes are 16-bit.
constexpr std::size_t kMostObjects = 0x10000;
// Records cannot nest saves deeper than this above the starting level.
constexpr int kDeepestSave = 1024;

// ---- attributes and mapping ----

void SetBkColorRecord(WmfPlayer &p, const WmfRecord &r) { SetBkColor(p.Hdc(), r.D(0)); }
void SetTextColorRecord(WmfPlayer &p, const WmfRecord &r) { SetTextColor(p.Hdc(), r.D(0)); }
void SetBkModeRecord(WmfPlayer &p, const WmfRecord &r) { SetBkMode(p.Hdc(), r.W(0)); }
void SetMapModeRecord(WmfPlayer &p, const WmfRecord &r) { SetMapMode(p.Hdc(), r.W(0)); }
void SetRop2Record(WmfPlayer &p, const WmfRecord &r) { SetROP2(p.Hdc(), r.W(0)); }
void SetPolyFillModeRecord(WmfPlayer &p, const WmfRecord &r) { SetPolyFillMode(p.Hdc(), r.W(0)); }
void SetStretchBltModeRecord(WmfPlayer &p, const WmfRecord &r) { SetStretchBltMode(p.Hdc(), r.W(0)); }

// Two-coordinate records store y before x.
void SetWindowOrgRecord(WmfPlayer &p, const WmfRecord &r) { SetWindowOrgEx(p.Hdc(), r.S(1), r.S(0), nullptr); }
void SetWindowExtRecord(WmfPlayer &p, const WmfRecord &r) { SetWindowExtEx(p.Hdc(), r.S(1), r.S(0), nullptr); }
void SetViewportOrgRecord(WmfPlayer &p, const WmfRecord &r) { SetViewportOrgEx(p.Hdc(), r.S(1), r.S(0), nullptr); }
void SetViewportExtRecord(WmfPlayer &p, const WmfRecord &r) { SetViewportExtEx(p.Hdc(), r.S(1), r.S(0), nullptr); }

void OffsetWindowOrgRecord(WmfPlayer &p, const WmfRecord &r) {
    const POINT org = p.Dc().State().windowOrg;
    SetWindowOrgEx(p.Hdc(), org.x + r.S(1), org.y + r.S(0), nullptr);
}
void OffsetViewportOrgRecord(WmfPlayer &p, const WmfRecord &r) {
    const POINT org = p.Dc().State().viewportOrg;
    SetViewportOrgEx(p.Hdc(), org.x + r.S(1), org.y + r.S(0), nullptr);
}

// Parameters: y denominator, y numerator, x denominator, x numerator.
void ScaleExtent(WmfPlayer &p, const WmfRecord &r, SIZE DcState::*extent, BOOL(WINAPI *set)(HDC, int, int, LPSIZE)) {
    if (r.S(0) == 0 || r.S(2) == 0) return;
    const SIZE old = p.Dc().State().*extent;
    const int cx = MulDiv(old.cx, r.S(3), r.S(2)), cy = MulDiv(old.cy, r.S(1), r.S(0));
    if (cx != 0 && cy != 0) set(p.Hdc(), cx, cy, nullptr);
}
void ScaleWindowExtRecord(WmfPlayer &p, const WmfRecord &r) { ScaleExtent(p, r, &DcState::windowExt, SetWindowExtEx); }
void ScaleViewportExtRecord(WmfPlayer &p, const WmfRecord &r) {
    ScaleExtent(p, r, &DcState::viewportExt, SetViewportExtEx);
}

void SaveDcRecord(WmfPlayer &p, const WmfRecord &) {
    if (p.Dc().SaveLevel() - p.StartLevel() >= kDeepestSave) return;
    if (SaveDC(p.Hdc()) == 0) p.Fail();
}

// Never back below the level the DC had before playback: those saves are
// the caller's.
void RestoreDcRecord(WmfPlayer &p, const WmfRecord &r) {
    const int n = r.S(0);
    const int level = n < 0 ? p.Dc().SaveLevel() + n + 1 : n;
    if (level > p.StartLevel()) RestoreDC(p.Hdc(), level);
}

void MoveToRecord(WmfPlayer &p, const WmfRecord &r) { MoveToEx(p.Hdc(), r.S(1), r.S(0), nullptr); }

// ---- objects ----

void SelectObjectRecord(WmfPlayer &p, const WmfRecord &r) {
    if (HGDIOBJ object = p.ObjectAt(r.W(0))) SelectObject(p.Hdc(), object);
}

void SelectPaletteRecord(WmfPlayer &p, const WmfRecord &r) {
    HGDIOBJ object = p.ObjectAt(r.W(0));
    if (object != nullptr && GetObjectType(object) == OBJ_PAL) SelectPalette(p.Hdc(), static_cast<HPALETTE>(object), FALSE);
}

void RealizePaletteRecord(WmfPlayer &p, const WmfRecord &) { RealizePalette(p.Hdc()); }
void DeleteObjectRecord(WmfPlayer &p, const WmfRecord &r) { p.DeleteObjectAt(r.W(0)); }

// Style, width (x, y), colour.
void CreatePenRecord(WmfPlayer &p, const WmfRecord &r) {
    const LOGPEN pen{r.W(0), POINT{r.S(1), 0}, r.D(3)};
    p.AddObject(CreatePenIndirect(&pen));
}

// Style, colour, hatch.
void CreateBrushRecord(WmfPlayer &p, const WmfRecord &r) { p.AddObject(CreateRecordBrush(r.W(0), r.D(1), r.W(3))); }

// Style, colour usage, then the packed DIB.
void DibPatternBrushRecord(WmfPlayer &p, const WmfRecord &r) {
    const UINT usage = r.W(0) == BS_PATTERN ? DIB_RGB_COLORS : r.W(1);
    RecordDib dib;
    p.AddObject(dib.FromPacked(r.From(2), usage) ? CreateDIBPatternBrushPt(dib.Packed(), usage) : nullptr);
}

// The old pattern brush: a Bitmap16 head (type, width, height, row bytes,
// planes and bits per pixel in one word each pair, 4 ignored bytes), 18
// reserved bytes, then the rows. Only monochrome patterns are drawn.
void PatternBrushRecord(WmfPlayer &p, const WmfRecord &r) {
    const int width = r.S(1), height = r.S(2), rowBytes = r.S(3);
    const BYTE planes = static_cast<BYTE>(r.W(4) & 0xFF), bitsPixel = static_cast<BYTE>(r.W(4) >> 8);
    HBRUSH brush = nullptr;
    if (planes == 1 && bitsPixel == 1 && rowBytes > 0)
        brush = CreateMonoPatternBrush(width, height, static_cast<std::size_t>(rowBytes), false, r.From(16));
    p.AddObject(brush);
}

// Version, entry count, entries.
void CreatePaletteRecord(WmfPlayer &p, const WmfRecord &r) { p.AddObject(CreateRecordPalette(r.From(2), r.W(1))); }

// A region object: a 22-byte head whose word 5 counts the scans, then each
// scan as (count of x values, top, bottom, left/right pairs, count again).
void CreateRegionRecord(WmfPlayer &p, const WmfRecord &r) {
    const std::size_t scans = r.W(5);
    std::vector<RECT> rects;
    std::size_t word = 11;
    for (std::size_t s = 0; s < scans; ++s) {
        const std::size_t values = r.W(word);
        if (word + 3 + values + 1 > r.Words()) break;
        const LONG top = r.S(word + 1), bottom = r.S(word + 2);
        for (std::size_t i = 0; i + 1 < values; i += 2)
            rects.push_back(RECT{r.S(word + 3 + i), top, r.S(word + 4 + i), bottom});
        word += 3 + values + 1;
    }
    RegionObject *object = nullptr;
    HANDLE handle = CreateObject<RegionObject>(&object, UnionOfRects(rects.data(), rects.size()));
    p.AddObject(static_cast<HGDIOBJ>(handle));
}

// Fonts and bitmaps hold a slot each; text is not drawn.
void PlaceholderRecord(WmfPlayer &p, const WmfRecord &) { p.AddObject(nullptr); }

// ---- clipping ----

// A slot that holds no region removes the clip.
void SelectClipRegionRecord(WmfPlayer &p, const WmfRecord &r) {
    HGDIOBJ object = p.ObjectAt(r.W(0));
    SelectClipRgn(p.Hdc(), object != nullptr && GetObjectType(object) == OBJ_REGION ? static_cast<HRGN>(object) : nullptr);
}

// IntersectClipRect and ExcludeClipRect on the device box the mapping
// gives (bottom, right, top, left in the record).
void ClipRect(WmfPlayer &p, const WmfRecord &r, bool exclude) {
    const DcMapping m = p.Mapping();
    const RECT device = ToDeviceBox(m.Apply(r.S(3), r.S(2)), m.Apply(r.S(1), r.S(0)));
    DcObject &dc = p.Dc();
    const RegionData *clip = dc.Clip();
    if (!exclude) {
        dc.SetClip(clip == nullptr ? RegionData::FromRect(device) : clip->Intersect(device));
        return;
    }
    const RegionData current = clip != nullptr ? *clip : RegionData::FromRect(dc.Target().Bounds());
    dc.SetClip(RegionData::Combine(current, RegionData::FromRect(device), RGN_DIFF));
}
void IntersectClipRectRecord(WmfPlayer &p, const WmfRecord &r) { ClipRect(p, r, false); }
void ExcludeClipRectRecord(WmfPlayer &p, const WmfRecord &r) { ClipRect(p, r, true); }
void OffsetClipRgnRecord(WmfPlayer &p, const WmfRecord &r) { OffsetClipRgn(p.Hdc(), r.S(1), r.S(0)); }

// ---- the table ----

struct WmfKind {
    WORD function;
    WORD minWords;  // parameter words the handler reads without checking
    WmfHandler play;
};

constexpr WmfKind kKinds[] = {
    {0x0201, 2, SetBkColorRecord},        {0x0102, 1, SetBkModeRecord},
    {0x0103, 1, SetMapModeRecord},        {0x0104, 1, SetRop2Record},
    {0x0106, 1, SetPolyFillModeRecord},   {0x0107, 1, SetStretchBltModeRecord},
    {0x0209, 2, SetTextColorRecord},      {0x020B, 2, SetWindowOrgRecord},
    {0x020C, 2, SetWindowExtRecord},      {0x020D, 2, SetViewportOrgRecord},
    {0x020E, 2, SetViewportExtRecord},    {0x020F, 2, OffsetWindowOrgRecord},
    {0x0410, 4, ScaleWindowExtRecord},    {0x0211, 2, OffsetViewportOrgRecord},
    {0x0412, 4, ScaleViewportExtRecord},  {0x0213, 2, WmfLineTo},
    {0x0214, 2, MoveToRecord},            {0x0415, 4, ExcludeClipRectRecord},
    {0x0416, 4, IntersectClipRectRecord}, {0x0817, 8, WmfArc},
    {0x0418, 4, WmfEllipse},              {0x081A, 8, WmfPie},
    {0x041B, 4, WmfRectangle},            {0x061C, 6, WmfRoundRect},
    {0x061D, 6, WmfPatBlt},               {0x001E, 0, SaveDcRecord},
    {0x041F, 4, WmfSetPixel},             {0x0220, 2, OffsetClipRgnRecord},
    {0x0922, 8, WmfBitmapBlt},            {0x0B23, 10, WmfBitmapBlt},
    {0x0324, 1, WmfPolygon},              {0x0325, 1, WmfPolyline},
    {0x0127, 1, RestoreDcRecord},         {0x0228, 2, WmfFillRegion},
    {0x0429, 4, WmfFrameRegion},          {0x012A, 1, WmfInvertRegion},
    {0x012B, 1, WmfPaintRegion},          {0x012C, 1, SelectClipRegionRecord},
    {0x012D, 1, SelectObjectRecord},      {0x0830, 8, WmfChord},
    {0x0D33, 9, WmfSetDibToDev},          {0x0234, 1, SelectPaletteRecord},
    {0x0035, 0, RealizePaletteRecord},    {0x0538, 1, WmfPolyPolygon},
    {0x0940, 8, WmfDibBitBlt},            {0x0B41, 10, WmfDibStretchBlt},
    {0x0142, 2, DibPatternBrushRecord},   {0x0F43, 11, WmfStretchDib},
    {0x01F0, 1, DeleteObjectRecord},      {0x00F7, 2, CreatePaletteRecord},
    {0x01F9, 16, PatternBrushRecord},     {0x02FA, 5, CreatePenRecord},
    {0x02FB, 0, PlaceholderRecord},       {0x02FC, 4, CreateBrushRecord},
    {0x02FD, 0, PlaceholderRecord},       {0x06FE, 0, PlaceholderRecord},
    {0x06FF, 11, CreateRegionRecord},
};

// The low byte of a record function is unique among the record types.
constexpr std::array<unsigned char, 256> kKindByLowByte = [] {
    std::array<unsigned char, 256> table{};
    for (std::size_t i = 0; i < std::size(kKinds); ++i) table[kKinds[i].function & 0xFF] = static_cast<unsigned char>(i + 1);
    return table;
}();

const WmfKind *KindOf(WORD function) {
    const unsigned char entry = kKindByLowByte[function & 0xFF];
    if (entry == 0 || kKinds[entry - 1].function != function) return nullptr;
    return &kKinds[entry - 1];
}

}  // namespace

WmfPlayer::WmfPlayer(HDC hdc, DcObject &dc) noexcept
    : hdc_(hdc), dc_(dc), pen_(dc.State().pen), brush_(dc.State().brush), font_(dc.State().font),
      palette_(dc.State().palette), startLevel_(dc.SaveLevel()) {}

WmfPlayer::~WmfPlayer() {
    SelectObject(hdc_, pen_);
    SelectObject(hdc_, brush_);
    if (font_ != nullptr) SelectObject(hdc_, font_);
    SelectPalette(hdc_, palette_, FALSE);
    // Objects still selected in a DC state the records saved go when that
    // state is released.
    for (std::size_t i = 0; i < objects_.Size(); ++i)
        if (objects_[i].handle != nullptr) DeleteObject(objects_[i].handle);
}

void WmfPlayer::AddObject(HGDIOBJ handle) noexcept {
    std::size_t slot = lowestFree_;
    while (slot < objects_.Size() && objects_[slot].used) ++slot;
    if (slot == objects_.Size() && (slot >= kMostObjects || !objects_.Push(Slot{nullptr, false}))) {
        if (handle != nullptr) DeleteObject(handle);
        Fail();
        return;
    }
    objects_[slot] = Slot{handle, true};
    lowestFree_ = slot + 1;
}

HGDIOBJ WmfPlayer::ObjectAt(unsigned index) const noexcept {
    return index < objects_.Size() ? objects_[index].handle : nullptr;
}

void WmfPlayer::DeleteObjectAt(unsigned index) noexcept {
    if (index >= objects_.Size()) return;
    if (objects_[index].handle != nullptr) DeleteObject(objects_[index].handle);
    objects_[index] = Slot{nullptr, false};
    lowestFree_ = std::min<std::size_t>(lowestFree_, index);
}

bool WmfPlayer::Play(ByteView file) noexcept {
    const WORD type = file.U16(0), headerWords = file.U16(2);
    const std::size_t headerBytes = std::size_t{headerWords} * 2;
    if (file.Size() < kHeaderBytes || (type != 1 && type != 2) || headerBytes < kHeaderBytes || headerBytes > file.Size())
        return false;
    // The header's object count sizes the table; a file that lies about it
    // only makes the table grow.
    if (!objects_.Reserve(file.U16(10))) Fail();
    std::size_t offset = headerBytes;
    while (file.Has(offset, kRecordHeadBytes)) {
        const std::uint64_t bytes = std::uint64_t{file.U32(offset)} * 2;
        const WORD function = file.U16(offset + 4);
        if (bytes < kRecordHeadBytes || bytes > file.Size() - offset) return false;
        if (function == 0) return true;  // META_EOF
        const WmfRecord record{function, file.Sub(offset + kRecordHeadBytes, static_cast<std::size_t>(bytes) - kRecordHeadBytes)};
        const WmfKind *kind = KindOf(function);
        if (kind != nullptr && record.Words() >= kind->minWords) {
            try {
                kind->play(*this, record);
            } catch (const std::bad_alloc &) {
                Fail();
            }
        }
        offset += static_cast<std::size_t>(bytes);
    }
    return true;
}

bool PlayWmfBytes(HDC hdc, const unsigned char *data, std::size_t size) noexcept {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr || data == nullptr) return false;
    WmfPlayer player(hdc, *dc);
    return player.Play(ByteView(data, size)) && !player.Failed();
}

}  // namespace zelt::platform
