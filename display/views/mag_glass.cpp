// Z_StartMagGlass and Z_StopMagGlass: the record's life, the glass's own
// region, pens and brush, and the window procedure chain.
#include <initializer_list>

#include "frame/library_state.h"
#include "views/mag_record.h"

namespace mag {

MagnifierRecord *FindRecord(HWND window) {
    HGLOBAL block = static_cast<HGLOBAL>(GetPropA(window, kRecordProperty));
    if (block == nullptr) return nullptr;
    // The start keeps the block locked, so the address stays valid after
    // this lock is returned.
    auto *record = static_cast<MagnifierRecord *>(GlobalLock(block));
    if (record != nullptr) GlobalUnlock(block);
    return record;
}

void ReleaseMagnifier(HWND window, bool announce) {
    HGLOBAL block = static_cast<HGLOBAL>(GetPropA(window, kRecordProperty));
    MagnifierRecord *record = FindRecord(window);
    if (record == nullptr) return;
    if (record->OwnRegion != nullptr) DeleteObject(record->OwnRegion);
    if (record->View.Region != nullptr) Z_FreeBitmapRgn(&record->View);
    // Sent while the record is still there: the glass procedure hands it to
    // the default procedure, which picks the cursor for where the pointer is.
    if (announce) SendMessageA(window, WM_SETCURSOR, 0, 0);
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(record->BorderPen), static_cast<HGDIOBJ>(record->BackBrush),
                           static_cast<HGDIOBJ>(record->CrosshairPen)})
        if (object != nullptr) DeleteObject(object);
    // A procedure chained after the glass keeps calling it: then the glass
    // stays in the chain and only passes messages on.
    const auto installed = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    if (installed == &GlassWindowProc) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record->OldWindowProc));
        ForgetChain(window);
    }
    if ((record->SavedStyle & kClearedStyleBit) != 0)
        SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(record->SavedStyle));
    RemovePropA(window, kRecordProperty);
    GlobalUnlock(block);
    GlobalFree(block);
}

}  // namespace mag

namespace {

using mag::FindRecord;

// Displayed size: the stored size, turned for the perspectives that
// exchange rows and columns.
RECT DisplayedBitmapRect(const BitmapRecord &bitmap) {
    const LONG perspective = bitmap.ViewPerspective;
    const bool turned = perspective == 4 || perspective == 5 || perspective == 7 || perspective == 8;
    return RECT{0, 0, turned ? bitmap.Height : bitmap.Width, turned ? bitmap.Width : bitmap.Height};
}

// The glass's own region on View: every pixel not of a mask colour, within
// the bitmap's region unless that is ignored. A step that fails leaves the
// glass unrestricted rather than half restricted.
void BuildGlassRegion(MagnifierRecord &record, const COLORREF *maskColors, int maskColorCount) {
    BitmapRecord *view = &record.View;
    if (maskColors != nullptr && maskColorCount > 0) {
        bool built = Z_SetBitmapRgnColor(view, maskColors[0], RGNMODE_SET) == STATUS_OK;
        for (int i = 1; built && i < maskColorCount; ++i)
            built = Z_SetBitmapRgnColor(view, maskColors[i], RGNMODE_OR) == STATUS_OK;
        HRGN maskRegion = nullptr;
        if (built) built = Z_GetBitmapRgnHandle(view, nullptr, &maskRegion) == STATUS_OK;
        if (built) built = Z_SetBitmapRgnHandle(view, nullptr, maskRegion, RGNMODE_SETNOT) == STATUS_OK;
        if (built && record.OwnRegion != nullptr)
            built = Z_SetBitmapRgnHandle(view, nullptr, record.OwnRegion, RGNMODE_AND) == STATUS_OK;
        if (maskRegion != nullptr) DeleteObject(maskRegion);
        if (record.OwnRegion != nullptr) DeleteObject(record.OwnRegion);
        record.OwnRegion = nullptr;
        if (!built && view->Region != nullptr) Z_FreeBitmapRgn(view);
    } else if (record.OwnRegion != nullptr) {
        if (Z_SetBitmapRgnHandle(view, nullptr, record.OwnRegion, RGNMODE_SET) != STATUS_OK && view->Region != nullptr)
            Z_FreeBitmapRgn(view);
    }
}

void CreateDrawingTools(MagnifierRecord &record, COLORREF pen, COLORREF back) {
    if (record.BorderSize > 0)
        record.BorderPen = CreatePen(PS_SOLID, record.BorderSize + (record.Elliptic != 0 ? 1 : 0), pen);
    else
        record.BorderPen = CreatePen(PS_NULL, 0, 0);
    if (record.Crosshair != 0) record.CrosshairPen = CreatePen(PS_SOLID, 1, pen);
    const LOGBRUSH brush{BS_SOLID, back, 0};
    record.BackBrush = CreateBrushIndirect(&brush);
}

// The record's block, freed unless handed over to the window.
class RecordBlock {
public:
    RecordBlock() : block_(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(MagnifierRecord))) {
        if (block_ != nullptr) record_ = static_cast<MagnifierRecord *>(GlobalLock(block_));
    }
    ~RecordBlock() {
        if (block_ == nullptr) return;
        if (record_ != nullptr) GlobalUnlock(block_);
        GlobalFree(block_);
    }
    RecordBlock(const RecordBlock &) = delete;
    RecordBlock &operator=(const RecordBlock &) = delete;
    MagnifierRecord *get() const { return record_; }
    HGLOBAL handle() const { return block_; }
    void HandOver() {
        block_ = nullptr;
        record_ = nullptr;
    }

private:
    HGLOBAL block_ = nullptr;
    MagnifierRecord *record_ = nullptr;
};

}  // namespace

extern "C" ZAPI int ZELT_API Z_StartMagGlass(HWND hWnd, BitmapRecord *pBitmap, RECT *pDestRect, int nGlassWidth,
                                             int nGlassHeight, int nZoom, COLORREF crPen, HCURSOR hCursor,
                                             COLORREF crBack, int bEllipse, int nBorderSize, int b3D,
                                             UINT uDisplayMode, COLORREF *pMaskColors, int nMaskColors,
                                             int nCrosshair, int bIgnoreRgn, int bCenter) {
    if (hWnd == nullptr || !IsWindow(hWnd) || GetPropA(hWnd, mag::kRecordProperty) != nullptr)
        return STATUS_BAD_PARAMETER;
    if (nZoom < 100 || nGlassWidth < 10 || nGlassHeight < 10) return STATUS_BAD_PARAMETER;
    if (pBitmap == nullptr || (pBitmap->Flags & BITMAP_ALLOCATED) == 0) return STATUS_NO_BITMAP;
    if (pDestRect == nullptr) return STATUS_BAD_PARAMETER;

    RecordBlock block;
    MagnifierRecord *record = block.get();
    if (record == nullptr) return STATUS_NO_MEMORY;
    const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hWnd, GWLP_WNDPROC));
    if (current == nullptr) return STATUS_BAD_PARAMETER;
    // A glass procedure left in the chain by an earlier stop is used again
    // where it sits; installing a second one above it would loop.
    WNDPROC next = mag::ChainedProcedure(hWnd);
    const bool reuseChain = next != nullptr;
    if (!reuseChain) {
        next = current;
        if (!mag::RememberChain(hWnd, current)) return STATUS_NO_MEMORY;
    }
    if (!SetPropA(hWnd, mag::kRecordProperty, block.handle())) {
        if (!reuseChain) mag::ForgetChain(hWnd);
        return STATUS_NO_MEMORY;
    }

    record->Window = hWnd;
    record->OldWindowProc = next;
    record->Instance = Library().Instance;
    record->GlassCursor = hCursor != nullptr ? hCursor
                                             : LoadCursorA(record->Instance,
                                                           MAKEINTRESOURCEA(bEllipse != 0 ? ZELT_CURSOR_ROUND_LENS
                                                                                          : ZELT_CURSOR_RECT_LENS));
    record->DestRect = *pDestRect;
    record->Zoom = nZoom;
    record->GlassWidth = nGlassWidth;
    record->GlassHeight = nGlassHeight;
    record->Elliptic = bEllipse;
    record->BorderSize = nBorderSize;
    record->Edge3D = b3D;
    record->GlassDisplayMode = uDisplayMode;
    record->MaskColors = pMaskColors;
    record->MaskColorCount = nMaskColors;
    record->Crosshair = nCrosshair;
    record->IgnoreRegion = bIgnoreRgn;
    record->CenterRule = bCenter;

    // The copy shares the image; a failed copy leaves View without an image
    // and the first drawing stops the glass.
    if (KrnCopyBitmapRecord(&record->View, pBitmap) == STATUS_OK && record->View.Region != nullptr) {
        if (bIgnoreRgn == 0) {
            HRGN own = nullptr;
            if (Z_GetBitmapRgnHandle(&record->View, nullptr, &own) == STATUS_OK) record->OwnRegion = own;
        }
        record->View.Region = nullptr;  // the caller's region, not ours to free
    }
    BuildGlassRegion(*record, pMaskColors, nMaskColors);

    record->BitmapRect = DisplayedBitmapRect(record->View);
    const LONG displayedWidth = record->BitmapRect.right > 0 ? record->BitmapRect.right : 1;
    record->Scale = static_cast<float>(pDestRect->right - pDestRect->left) / static_cast<float>(displayedWidth);
    CreateDrawingTools(*record, crPen, crBack);

    record->SavedStyle = static_cast<DWORD>(GetWindowLongA(hWnd, GWL_STYLE));
    SetWindowLongA(hWnd, GWL_STYLE, static_cast<LONG>(record->SavedStyle & ~mag::kClearedStyleBit));
    if (!reuseChain) SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&mag::GlassWindowProc));
    block.HandOver();
    return STATUS_OK;
}

extern "C" ZAPI int ZELT_API Z_StopMagGlass(HWND hWnd) {
    if (hWnd == nullptr || !IsWindow(hWnd) || FindRecord(hWnd) == nullptr) return STATUS_BAD_PARAMETER;
    mag::ReleaseMagnifier(hWnd, true);
    return STATUS_OK;
}
