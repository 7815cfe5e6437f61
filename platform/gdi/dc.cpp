// The DC object: selection of objects, the save stack, the drawable area.
#include "gdi/dc.h"

#include <algorithm>

#include "gdi/bitmap.h"
#include "gdi/brush.h"
#include "gdi/metafile/meta_recorder.h"
#include "gdi/palette.h"
#include "gdi/printer_dc.h"
#include "gdi/screen.h"
#include "gdi/stock.h"
#include "gdi/window_dc.h"

namespace zelt::platform {

DcObject *FindDc(HDC hdc) noexcept {
    if (DcObject *dc = FindObject<DcObject>(hdc)) return dc;
    return EnhMetaDcState(hdc);
}

void RetainSelected(HGDIOBJ object) noexcept {
    if (GdiObject *found = FindObject<GdiObject>(object)) ++found->selections;
}

void ReleaseSelected(HGDIOBJ object) noexcept {
    GdiObject *found = FindObject<GdiObject>(object);
    if (found == nullptr) return;  // e.g. a palette deleted while selected
    if (--found->selections <= 0) {
        found->selections = 0;
        if (found->deletePending) DestroyObject(object);
    }
}

struct DcObject::SavedState {
    DcState state;
    SavedState *next;
};

DcObject::~DcObject() {
    if (printer != nullptr) DestroyPrinterSession(printer);
    FreeWindowView(windowView);
    ReleaseState(state_);
    while (saved_ != nullptr) {
        SavedState *next = saved_->next;
        ReleaseState(saved_->state);
        delete saved_;
        saved_ = next;
    }
}

void DcObject::RetainState(const DcState &state) noexcept {
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(state.bitmap), static_cast<HGDIOBJ>(state.brush), state.pen, state.font,
                           static_cast<HGDIOBJ>(state.palette)})
        RetainSelected(object);
}

void DcObject::ReleaseState(DcState &state) noexcept {
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(state.bitmap), static_cast<HGDIOBJ>(state.brush), state.pen, state.font,
                           static_cast<HGDIOBJ>(state.palette)})
        ReleaseSelected(object);
    state.bitmap = nullptr;
    state.brush = nullptr;
    state.pen = state.font = nullptr;
    state.palette = nullptr;
}

bool DcObject::Init() noexcept {
    state_ = DcState{};
    if (IsMemory()) state_.bitmap = StockBitmap();
    state_.brush = static_cast<HBRUSH>(StockObject(WHITE_BRUSH));
    state_.pen = StockObject(BLACK_PEN);
    state_.palette = static_cast<HPALETTE>(StockObject(DEFAULT_PALETTE));
    RetainState(state_);
    return true;
}

Surface &DcObject::Target() const noexcept {
    if (BitmapObject *bitmap = SelectedBitmap()) return bitmap->GetSurface();
    if (printer != nullptr) return printer->Page();
    if (windowView != nullptr) return WindowViewSurface(*windowView);
    return ScreenSurface();
}

RECT DcObject::TargetBounds() const noexcept {
    return windowView != nullptr ? WindowViewBounds(*windowView) : Target().Bounds();
}

namespace {

// Drawing on the screen (or through a window) records where it may land.
void NoteDrawing(const DcObject &dc, const RECT &deviceBounds) {
    if (dc.IsMemory() || dc.printer != nullptr) return;
    const POINT origin = dc.windowView != nullptr ? dc.windowView->origin : POINT{0, 0};
    NoteScreenDamage(RECT{deviceBounds.left + origin.x, deviceBounds.top + origin.y, deviceBounds.right + origin.x,
                          deviceBounds.bottom + origin.y});
}

}  // namespace

BitmapObject *DcObject::SelectedBitmap() const noexcept {
    return IsMemory() ? FindObject<BitmapObject>(state_.bitmap) : nullptr;
}

BrushObject *DcObject::SelectedBrush() const noexcept { return FindObject<BrushObject>(state_.brush); }

const PaletteObject *DcObject::SelectedPalette() const noexcept {
    const PaletteObject *palette = FindObject<PaletteObject>(state_.palette);
    return palette != nullptr ? palette : &DefaultPalette();
}

RegionData DcObject::DrawableRegion() const {
    const RECT bounds = TargetBounds();
    RegionData region = state_.clip ? state_.clip->Intersect(bounds) : RegionData::FromRect(bounds);
    NoteDrawing(*this, region.Bounds());
    return region;
}

RECT DcObject::DrawableBounds() const {
    RECT bounds = TargetBounds();
    if (state_.clip) {
        if (state_.clip->Empty()) return RECT{0, 0, 0, 0};
        const RECT clip = state_.clip->Bounds();
        bounds = RECT{std::max(bounds.left, clip.left), std::max(bounds.top, clip.top),
                      std::min(bounds.right, clip.right), std::min(bounds.bottom, clip.bottom)};
        if (bounds.left >= bounds.right || bounds.top >= bounds.bottom) return RECT{0, 0, 0, 0};
    }
    NoteDrawing(*this, bounds);
    return bounds;
}

int DcObject::Save() noexcept {
    SavedState *saved = NewObject<SavedState>();
    if (saved == nullptr) return 0;
    try {
        saved->state = state_;
    } catch (...) {
        delete saved;
        return 0;
    }
    RetainState(saved->state);
    saved->next = saved_;
    saved_ = saved;
    return ++saveDepth_;
}

bool DcObject::Restore(int level) noexcept {
    // Negative levels count back from the most recent save.
    if (level < 0) level = saveDepth_ + level + 1;
    if (level <= 0 || level > saveDepth_) return false;
    while (saveDepth_ > level) {
        SavedState *drop = saved_;
        saved_ = drop->next;
        ReleaseState(drop->state);
        delete drop;
        --saveDepth_;
    }
    SavedState *top = saved_;
    saved_ = top->next;
    --saveDepth_;
    // The saved state already holds its own references; they pass to the DC.
    ReleaseState(state_);
    state_ = std::move(top->state);
    delete top;
    return true;
}

HGDIOBJ DcObject::SelectBitmap(HBITMAP handle) noexcept {
    if (!IsMemory()) return nullptr;
    BitmapObject *bitmap = FindObject<BitmapObject>(handle);
    if (bitmap == nullptr) return nullptr;
    HBITMAP previous = state_.bitmap;
    if (handle == previous) return previous;
    // A bitmap lives in one DC at a time (the stock one excepted).
    if (bitmap->selections > 0 && !bitmap->stock) return nullptr;
    // DDBs must be monochrome or of the device's depth; DIB sections of any
    // depth are accepted.
    if (!bitmap->IsDibSection() && bitmap->BitsPixel() != 1 && bitmap->BitsPixel() != CurrentScreen().bitsPixel)
        return nullptr;
    RetainSelected(handle);
    state_.bitmap = handle;
    ReleaseSelected(previous);
    return previous;
}

HGDIOBJ DcObject::SelectPlain(ObjectKind kind, HGDIOBJ object) noexcept {
    HGDIOBJ *slot = nullptr;
    switch (kind) {
        case ObjectKind::Brush: slot = reinterpret_cast<HGDIOBJ *>(&state_.brush); break;
        case ObjectKind::Pen:
        case ObjectKind::ExtPen: slot = &state_.pen; break;
        case ObjectKind::Font: slot = &state_.font; break;
        case ObjectKind::Palette: slot = reinterpret_cast<HGDIOBJ *>(&state_.palette); break;
        default: return nullptr;
    }
    HGDIOBJ previous = *slot;
    if (previous == object) return previous;
    RetainSelected(object);
    *slot = object;
    ReleaseSelected(previous);
    return previous;
}

}  // namespace zelt::platform

namespace zelt::platform {

HDC NewDcObject(DcObject **dc, bool memory) noexcept {
    HANDLE handle = CreateObject<DcObject>(dc, memory);
    if (handle == nullptr || !(*dc)->Init()) {
        if (handle != nullptr) DestroyObject(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return static_cast<HDC>(handle);
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    if (hdc != nullptr && FindDc(hdc) == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    DcObject *dc = nullptr;
    return NewDcObject(&dc, true);
}

BOOL WINAPI DeleteDC(HDC hdc) {
    if (FindRecorder(hdc) != nullptr) return DiscardMetaDc(hdc);
    if (FindDc(hdc) == nullptr) return FALSE;
    return DestroyObject(hdc) ? TRUE : FALSE;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->SelectObject(h);
    DcObject *dc = FindDc(hdc);
    GdiObject *object = FindObject<GdiObject>(h);
    if (dc == nullptr || object == nullptr) return nullptr;
    switch (object->Kind()) {
        case ObjectKind::Bitmap: return dc->SelectBitmap(static_cast<HBITMAP>(h));
        case ObjectKind::Brush:
        case ObjectKind::Pen:
        case ObjectKind::ExtPen:
        case ObjectKind::Font: return dc->SelectPlain(object->Kind(), h);
        // Palettes go through SelectPalette; regions become the clip and
        // report their complexity.
        case ObjectKind::Palette: return nullptr;
        case ObjectKind::Region: {
            // The DC keeps its own copy; the caller may delete the region.
            const RegionData &region = static_cast<RegionObject *>(object)->data;
            try {
                dc->SetClip(region);
            } catch (...) {
                return HGDI_ERROR;
            }
            return reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(region.Complexity()));
        }
        default: return nullptr;
    }
}

HPALETTE WINAPI SelectPalette(HDC hdc, HPALETTE hPal, BOOL bForceBkgd) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->SelectPalette(hPal, bForceBkgd);
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr || FindObject<PaletteObject>(hPal) == nullptr) return nullptr;
    dc->State().paletteBackground = bForceBkgd != FALSE;
    return static_cast<HPALETTE>(dc->SelectPlain(ObjectKind::Palette, hPal));
}

HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return nullptr;
    const DcState &state = dc->State();
    switch (type) {
        case OBJ_BITMAP: return state.bitmap;
        case OBJ_BRUSH: return state.brush;
        case OBJ_PEN:
        case OBJ_EXTPEN: return state.pen;
        case OBJ_FONT: return state.font;
        case OBJ_PAL: return state.palette;
        default: return nullptr;
    }
}

int WINAPI SaveDC(HDC hdc) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->SaveDC();
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return 0;
    const int level = dc->Save();
    if (level == 0) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return level;
}

BOOL WINAPI RestoreDC(HDC hdc, int nSavedDC) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->RestoreDC(nSavedDC);
    DcObject *dc = FindDc(hdc);
    return dc != nullptr && dc->Restore(nSavedDC) ? TRUE : FALSE;
}

// Drawing is synchronous here; there is never a batch to flush.
BOOL WINAPI GdiFlush(void) { return TRUE; }

}  // extern "C"
