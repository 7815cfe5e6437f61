// The enhanced metafile player: header, set-up of the DC and of the
// mapping from the picture's frame to the caller's rectangle, the record
// walk and the player's own state (transform, save stack, object table,
// clip, paths).
#include "gdi/metafile/play_emf.h"

#include <algorithm>
#include <array>
#include <new>

#include "gdi/draw_device.h"
#include "gdi/metafile/play_emf_player.h"
#include "gdi/metafile/play_stroke.h"
#include "gdi/screen.h"
#include "gdi/stock.h"

namespace zelt::platform {

namespace {

constexpr std::size_t kSmallestHeader = 88;  // up to szlMillimeters
constexpr DWORD kHeaderType = 1, kEofType = 14;
// Object indexes are 16-bit in the header's count.
constexpr DWORD kMostObjects = 0x10000;
// Saves nested deeper than this are counted, not kept.
constexpr std::size_t kDeepestSave = 1024;

struct EmfKind {
    DWORD minSize;  // bytes, head included, the handler reads without checking
    EmfHandler play;
};

struct KindEntry {
    DWORD type;
    EmfKind kind;
};

constexpr KindEntry kKinds[] = {
    {2, {28, EmfPolyBezier}},          {3, {28, EmfPolygon}},
    {4, {28, EmfPolyline}},            {5, {28, EmfPolyBezierTo}},
    {6, {28, EmfPolylineTo}},          {7, {32, EmfPolyPolyline}},
    {8, {32, EmfPolyPolygon}},         {9, {16, EmfSetWindowExt}},
    {10, {16, EmfSetWindowOrg}},       {11, {16, EmfSetViewportExt}},
    {12, {16, EmfSetViewportOrg}},     {13, {16, EmfSetBrushOrg}},
    {15, {20, EmfSetPixel}},           {17, {12, EmfSetMapMode}},
    {18, {12, EmfSetBkMode}},          {19, {12, EmfSetPolyFillMode}},
    {20, {12, EmfSetRop2}},            {21, {12, EmfSetStretchBltMode}},
    {24, {12, EmfSetTextColor}},       {25, {12, EmfSetBkColor}},
    {27, {16, EmfMoveTo}},             {29, {24, EmfExcludeClipRect}},
    {30, {24, EmfIntersectClipRect}},  {31, {24, EmfScaleViewportExt}},
    {32, {24, EmfScaleWindowExt}},     {33, {8, EmfSaveDc}},
    {34, {12, EmfRestoreDc}},          {35, {32, EmfSetWorldTransform}},
    {36, {36, EmfModifyWorldTransform}}, {37, {12, EmfSelectObject}},
    {38, {28, EmfCreatePen}},          {39, {24, EmfCreateBrushIndirect}},
    {40, {12, EmfDeleteObject}},       {42, {24, EmfEllipse}},
    {43, {24, EmfRectangle}},          {44, {32, EmfRoundRect}},
    {45, {40, EmfArc}},                {46, {40, EmfChord}},
    {47, {40, EmfPie}},                {48, {12, EmfSelectPalette}},
    {49, {16, EmfCreatePalette}},      {52, {8, EmfRealizePalette}},
    {54, {16, EmfLineTo}},             {57, {12, EmfSetArcDirection}},
    {58, {12, EmfSetMiterLimit}},
    {59, {8, EmfBeginPath}},           {60, {8, EmfEndPath}},
    {61, {8, EmfCloseFigure}},         {62, {8, EmfFillPath}},
    {63, {8, EmfStrokeAndFillPath}},   {64, {8, EmfStrokePath}},
    {67, {12, EmfSelectClipPath}},     {68, {8, EmfAbortPath}},
    {75, {16, EmfExtSelectClipRgn}},   {76, {100, EmfBitBlt}},
    {77, {108, EmfStretchBlt}},        {80, {76, EmfSetDiBitsToDevice}},
    {81, {80, EmfStretchDiBits}},      {82, {12, EmfCreateFont}},
    {85, {28, EmfPolyBezier16}},       {86, {28, EmfPolygon16}},
    {87, {28, EmfPolyline16}},         {88, {28, EmfPolyBezierTo16}},
    {89, {28, EmfPolylineTo16}},       {90, {32, EmfPolyPolyline16}},
    {91, {32, EmfPolyPolygon16}},      {93, {32, EmfCreateMonoBrush}},
    {94, {32, EmfCreateDibPatternBrush}}, {95, {52, EmfExtCreatePen}},
    {114, {108, EmfAlphaBlend}},
};

constexpr DWORD kTypeCount = 128;
constexpr std::array<EmfKind, kTypeCount> kKindByType = [] {
    std::array<EmfKind, kTypeCount> table{};
    for (const KindEntry &entry : kKinds) table[entry.type] = entry.kind;
    return table;
}();

// One axis of the frame-to-rectangle mapping. The rectangle's edges are
// both inside the picture ("points along the edges are included"), so
// (a, b) covers units a … b. Reversed edges mirror the picture, which then
// runs from a with a negative extent that, as in every GDI call, includes
// its start: a … b again.
void MapAxis(LONG a, LONG b, double frameStart, double frameExtent, double &scale, double &offset) {
    const double start = a, end = b >= a ? b + 1.0 : b - 1.0;
    scale = (end - start) / frameExtent;
    offset = start - frameStart * scale;
}

EmfPictureState DefaultPictureState() {
    EmfPictureState state{};
    state.mapMode = MM_TEXT;
    state.windowExt = state.viewportExt = SIZE{1, 1};
    state.pen = EmfPen{PS_SOLID, 0, RGB(0, 0, 0), 0, false, 0, {}};
    state.miterLimit = 10;
    return state;
}

}  // namespace

// ---- set-up and the record walk ----

bool EmfPlayer::Begin(ByteView h, const RECT &rect) noexcept {
    const RECT bounds{h.I32(8), h.I32(12), h.I32(16), h.I32(20)};
    const RECT frame{h.I32(24), h.I32(28), h.I32(32), h.I32(36)};
    referencePixels_ = SIZE{h.I32(72), h.I32(76)};
    referenceMillimetres_ = SIZE{h.I32(80), h.I32(84)};
    if (referencePixels_.cx <= 0 || referencePixels_.cy <= 0 || referenceMillimetres_.cx <= 0 ||
        referenceMillimetres_.cy <= 0) {
        referencePixels_ = SIZE{ScreenDeviceCaps(HORZRES), ScreenDeviceCaps(VERTRES)};
        referenceMillimetres_ = SIZE{ScreenDeviceCaps(HORZSIZE), ScreenDeviceCaps(VERTSIZE)};
    }
    // The frame (0.01 mm) in reference pixels; a frame with no extent falls
    // back to the inclusive bounds.
    const double perUnitX = static_cast<double>(referencePixels_.cx) / (referenceMillimetres_.cx * 100.0);
    const double perUnitY = static_cast<double>(referencePixels_.cy) / (referenceMillimetres_.cy * 100.0);
    double x0 = frame.left * perUnitX, y0 = frame.top * perUnitY;
    double cx = (static_cast<double>(frame.right) - frame.left) * perUnitX;
    double cy = (static_cast<double>(frame.bottom) - frame.top) * perUnitY;
    if (!(cx > 0) || !(cy > 0)) {
        x0 = bounds.left;
        y0 = bounds.top;
        cx = std::max(1.0, static_cast<double>(bounds.right) - bounds.left + 1);
        cy = std::max(1.0, static_cast<double>(bounds.bottom) - bounds.top + 1);
    }
    Affine toRect;
    MapAxis(rect.left, rect.right, x0, cx, toRect.m11, toRect.dx);
    MapAxis(rect.top, rect.bottom, y0, cy, toRect.m22, toRect.dy);
    referenceToDevice_ = DcMapping::Of(dc_.State()).AsAffine().After(toRect);

    try {
        base_ = dc_.DrawableRegion();
    } catch (const std::bad_alloc &) {
        return false;
    }
    baseLevel_ = dc_.Save();
    if (baseLevel_ == 0) return false;
    begun_ = true;
    if (!objects_.Resize(std::max<std::size_t>(1, h.U16(56)))) return false;

    // The picture starts from a DC in its default state, mapped 1:1.
    DcState &s = dc_.State();
    s.mapMode = MM_TEXT;
    s.windowOrg = s.viewportOrg = POINT{0, 0};
    s.windowExt = s.viewportExt = SIZE{1, 1};
    SetBkColor(hdc_, RGB(255, 255, 255));
    SetTextColor(hdc_, RGB(0, 0, 0));
    SetBkMode(hdc_, OPAQUE);
    SetROP2(hdc_, R2_COPYPEN);
    SetPolyFillMode(hdc_, ALTERNATE);
    SetStretchBltMode(hdc_, BLACKONWHITE);
    SetBrushOrgEx(hdc_, 0, 0, nullptr);
    SelectObject(hdc_, StockObject(WHITE_BRUSH));
    state = DefaultPictureState();
    return true;
}

bool EmfPlayer::Play(ByteView file, const RECT &rect) noexcept {
    const DWORD headerSize = file.U32(4), fileBytes = file.U32(48);
    if (file.Size() < kSmallestHeader || file.U32(0) != kHeaderType || file.U32(40) != ENHMETA_SIGNATURE ||
        headerSize < kSmallestHeader || headerSize % 4 != 0 || headerSize > file.Size() || fileBytes < headerSize)
        return false;
    if (!Begin(file.Sub(0, headerSize), rect)) {
        Fail();
        return false;
    }
    // Records end where the header says the file ends, and never later
    // than the bytes given.
    const std::size_t limit = std::min<std::size_t>(fileBytes, file.Size());
    std::size_t offset = headerSize;
    while (offset + 8 <= limit) {
        const DWORD type = file.U32(offset), size = file.U32(offset + 4);
        if (size < 8 || size % 4 != 0 || size > limit - offset) return false;
        if (type == kEofType) return true;
        if (type < kTypeCount && kKindByType[type].play != nullptr && size >= kKindByType[type].minSize) {
            try {
                kKindByType[type].play(*this, file.Sub(offset, size));
            } catch (const std::bad_alloc &) {
                Fail();
            }
        }
        offset += size;
    }
    return true;
}

EmfPlayer::~EmfPlayer() {
    if (begun_) dc_.Restore(baseLevel_);
    for (std::size_t i = 0; i < objects_.Size(); ++i)
        if (objects_[i].handle != nullptr) DeleteObject(objects_[i].handle);
}

// ---- mapping ----

Affine EmfPlayer::PageMapping() const noexcept {
    const auto scale = [](LONG viewport, LONG window) {
        return window == 0 ? 1.0 : static_cast<double>(viewport) / window;
    };
    const double sx = scale(state.viewportExt.cx, state.windowExt.cx), sy = scale(state.viewportExt.cy, state.windowExt.cy);
    return Affine::Scaling(sx, sy, state.viewportOrg.x - state.windowOrg.x * sx, state.viewportOrg.y - state.windowOrg.y * sy);
}

const Affine &EmfPlayer::Transform() noexcept {
    if (!transformValid_) {
        transform_ = referenceToDevice_.After(PageMapping().After(state.world));
        transformValid_ = true;
    }
    return transform_;
}

void EmfPlayer::SetFixedExtents() noexcept {
    const double perMm = LogicalUnitsPerMillimetre(state.mapMode);
    state.windowExt = SIZE{static_cast<LONG>(std::lround(referenceMillimetres_.cx * perMm)),
                           static_cast<LONG>(std::lround(referenceMillimetres_.cy * perMm))};
    state.viewportExt = SIZE{referencePixels_.cx, -referencePixels_.cy};
}

void EmfPlayer::FixIsotropic() noexcept {
    if (state.mapMode != MM_ISOTROPIC || state.windowExt.cx == 0 || state.windowExt.cy == 0) return;
    const double xUnit = std::fabs(static_cast<double>(state.viewportExt.cx) * referenceMillimetres_.cx /
                                   (static_cast<double>(referencePixels_.cx) * state.windowExt.cx));
    const double yUnit = std::fabs(static_cast<double>(state.viewportExt.cy) * referenceMillimetres_.cy /
                                   (static_cast<double>(referencePixels_.cy) * state.windowExt.cy));
    const auto shrink = [](LONG &extent, double ratio) {
        const LONG sign = extent >= 0 ? 1 : -1;
        extent = static_cast<LONG>(std::lround(extent * ratio));
        if (extent == 0) extent = sign;
    };
    if (xUnit > yUnit) shrink(state.viewportExt.cx, yUnit / xUnit);
    if (yUnit > xUnit) shrink(state.viewportExt.cy, xUnit / yUnit);
}

DevicePen EmfPlayer::Pen() noexcept {
    DevicePen pen;
    pen.null = state.pen.style == PS_NULL;
    pen.colour = state.pen.colour;
    pen.insideFrame = state.pen.style == PS_INSIDEFRAME;
    // Width 0 is one pixel whatever the mapping; others scale with it.
    const double width = state.pen.width * Transform().LengthScale();
    if (state.pen.width <= 0)
        pen.width = 1;
    else
        pen.width = width < 65536 ? std::max(1, static_cast<int>(std::lround(width))) : 65536;
    return pen;
}

// ---- save and restore ----

void EmfPlayer::Save() noexcept {
    if (saved_.Size() >= kDeepestSave) {
        ++savesSkipped_;
        return;
    }
    if (!saved_.Push(state)) return Fail();
    if (dc_.Save() == 0) {
        saved_.Pop();
        Fail();
    }
}

// Negative values count back from the latest save; positive ones name a
// save of the picture's own, the first being 1.
void EmfPlayer::Restore(int n) noexcept {
    const long long depth = static_cast<long long>(saved_.Size()) + savesSkipped_;
    long long pops = n < 0 ? -static_cast<long long>(n) : depth - n + 1;
    if (n == 0 || pops <= 0 || pops > depth) return;
    const long long skipped = std::min<long long>(pops, savesSkipped_);
    savesSkipped_ -= static_cast<int>(skipped);
    pops -= skipped;
    if (pops == 0) return;
    const std::size_t keep = saved_.Size() - static_cast<std::size_t>(pops);
    state = saved_[keep];
    while (saved_.Size() > keep) saved_.Pop();
    dc_.Restore(baseLevel_ + static_cast<int>(keep) + 1);
    MappingChanged();
}

// ---- objects ----

void EmfPlayer::SetObject(DWORD index, const EmfObject &object) noexcept {
    if (index == 0 || index >= kMostObjects || (index >= objects_.Size() && !objects_.Resize(index + 1))) {
        if (object.handle != nullptr) DeleteObject(object.handle);
        if (index != 0 && index < kMostObjects) Fail();
        return;
    }
    DeleteObjectAt(index);
    objects_[index] = object;
}

const EmfObject *EmfPlayer::ObjectAt(DWORD index) const noexcept {
    return index < objects_.Size() && objects_[index].kind != EmfObject::Kind::Empty ? &objects_[index] : nullptr;
}

void EmfPlayer::DeleteObjectAt(DWORD index) noexcept {
    if (index >= objects_.Size()) return;
    // A brush still selected is deleted when the DC lets it go.
    if (objects_[index].handle != nullptr) DeleteObject(objects_[index].handle);
    objects_[index] = EmfObject{};
}

// ---- clipping ----

RECT EmfPlayer::ClipLimit() const noexcept {
    const RECT b = base_.Bounds();
    return RECT{b.left - 1, b.top - 1, b.right + 1, b.bottom + 1};
}

void EmfPlayer::CombineClip(const RegionData &device, int mode) {
    const RegionData region = RegionData::Combine(device, base_, RGN_AND);
    if (mode == RGN_COPY) {
        dc_.SetClip(region);
        return;
    }
    const RegionData *clip = dc_.Clip();
    dc_.SetClip(RegionData::Combine(clip != nullptr ? *clip : base_, region, mode));
}

void EmfPlayer::ResetClip() { dc_.SetClip(base_); }

// ---- paths and figures ----

void EmfPlayer::BeginPath() noexcept {
    path_.Clear();
    pathOpen_ = true;
}

void EmfPlayer::AbortPath() noexcept {
    path_.Clear();
    pathOpen_ = false;
}

FigureSet &EmfPlayer::FigureTarget() noexcept {
    if (pathOpen_) return path_;
    scratch_.Clear();
    return scratch_;
}

void EmfPlayer::DrawFigures(const FigureSet &figures, bool fill, bool stroke) {
    if (!device.From(figures, 2)) return Fail();
    const int count = static_cast<int>(device.counts.Size());
    if (count == 0) return;
    const DevicePen pen = Pen();
    if (fill) {
        const DevicePen none{};
        if (!DevicePolygons(dc_, device.points.Data(), device.counts.Data(), count, dc_.State().polyFillMode, true, none))
            Fail();
    }
    if (!stroke || pen.null) return;
    const StrokeStyle style{state.pen.ends, state.miterLimit};
    double pattern[EmfPen::kMostDashes];
    const int dashes = DashPattern(pen, pattern);
    for (std::size_t i = 0; i < figures.FigureCount(); ++i) {
        if (dashes == 0) {
            if (!StrokeFigure(dc_, figures, i, pen, style, device)) Fail();
            continue;
        }
        if (!DashFigure(figures, i, pattern, dashes, dashes_)) Fail();
        for (std::size_t d = 0; d < dashes_.FigureCount(); ++d)
            if (!StrokeFigure(dc_, dashes_, d, pen, style, device)) Fail();
    }
}

int EmfPlayer::DashPattern(const DevicePen &pen, double *out) noexcept {
    // Pixels for one-pixel pens, pen widths for wider ones.
    static constexpr double kDash[] = {18, 6}, kDot[] = {3, 3}, kDashDot[] = {9, 6, 3, 6}, kDashDotDot[] = {9, 3, 3, 3, 3, 3};
    static constexpr double kWideDash[] = {3, 1}, kWideDot[] = {1, 1}, kWideDashDot[] = {3, 1, 1, 1},
                            kWideDashDotDot[] = {3, 1, 1, 1, 1, 1};
    const EmfPen &p = state.pen;
    const bool wide = pen.width > 1;
    const auto copy = [&](const double *from, int count, double unit) {
        for (int i = 0; i < count; ++i) out[i] = from[i] * unit;
        return count;
    };
    // Pens of the plain kind wider than a pixel draw their dashes solid.
    if (wide && !p.extended && p.style >= PS_DASH && p.style <= PS_DASHDOTDOT) return 0;
    const double unit = wide ? pen.width : 1;
    switch (p.style) {
        case PS_DASH: return wide ? copy(kWideDash, 2, unit) : copy(kDash, 2, 1);
        case PS_DOT: return wide ? copy(kWideDot, 2, unit) : copy(kDot, 2, 1);
        case PS_DASHDOT: return wide ? copy(kWideDashDot, 4, unit) : copy(kDashDot, 4, 1);
        case PS_DASHDOTDOT: return wide ? copy(kWideDashDotDot, 6, unit) : copy(kDashDotDot, 6, 1);
        case EmfPen::kAlternate: return copy(kWideDot, 2, 1);
        case EmfPen::kUserStyle: {
            const double scale = p.width > 0 ? Transform().LengthScale() : 1;
            for (int i = 0; i < p.dashCount; ++i) out[i] = p.dashes[i] * scale;
            return p.dashCount;
        }
        default: return 0;
    }
}

bool PlayEmfBytes(HDC hdc, const unsigned char *data, std::size_t size, const RECT *rect) noexcept {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr || data == nullptr || rect == nullptr) return false;
    EmfPlayer player(hdc, *dc);
    return player.Play(ByteView(data, size), *rect) && !player.Failed();
}

}  // namespace zelt::platform
