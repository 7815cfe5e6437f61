// The pan window's three exports: create (hidden), update from the owner's
// view, destroy. The window procedure does the rest (pan_window_proc.cpp).
#include <algorithm>
#include <cstring>
#include <memory>

#include "frame/library_state.h"
#include "views/pan_geometry.h"
#include "views/pan_record.h"

namespace pan {
namespace {

constexpr DWORD kPanStyle = WS_CAPTION;

struct FreeRecord {
    void operator()(PanWindowRecord *record) const { KrnFreeMem(record); }
};
using OwnedRecord = std::unique_ptr<PanWindowRecord, FreeRecord>;

// Registers the class; an existing class of that name is shared.
bool RegisterPanClass(const char *className) {
    WNDCLASSA windowClass{};
    windowClass.style = 0;
    windowClass.lpfnWndProc = PanWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = kWindowExtraBytes;
    windowClass.hInstance = Library().Instance;
    windowClass.hIcon = nullptr;
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = className;
    if (RegisterClassA(&windowClass) != 0) return true;
    const DWORD error = GetLastError();
    return error == 0 || error == ERROR_CLASS_ALREADY_EXISTS;
}

// Gives the window the outer size whose client is its current client fitted
// to the record's displayed size.
void ResizeToBitmap(HWND window, const PanWindowRecord &record) {
    RECT outer = ImageArea(window, record);
    AdjustWindowRect(&outer, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), FALSE);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top, SWP_NOMOVE);
}

}  // namespace

RECT ImageArea(HWND window, const PanWindowRecord &record) {
    RECT client{};
    GetClientRect(window, &client);
    return FitToBitmap(client, record.DisplayWidth, record.DisplayHeight);
}

PanWindowRecord *RecognisedRecord(HWND window) {
    if (window == nullptr) return nullptr;
    PanWindowRecord *record = StoredRecord(window);
    if (record == nullptr) return nullptr;
    char className[kClassNameBytes];
    if (GetClassNameA(window, className, kClassNameBytes) == 0) return nullptr;
    return lstrcmpA(className, record->ClassName) == 0 ? record : nullptr;
}

void DestroyPanWindow(HWND window, const PanWindowRecord &record) {
    // WM_DESTROY releases the record: keep the class name first.
    char className[kClassNameBytes];
    std::memcpy(className, record.ClassName, sizeof className);
    DestroyWindow(window);
    // Fails while another pan window still uses the class; that one keeps it.
    UnregisterClassA(className, Library().Instance);
}

}  // namespace pan

using namespace pan;

extern "C" int ZELT_API Z_CreatePanWindow(HWND hWndOwner, BitmapRecord *pBitmap, UINT ulDisplayFlags, int nLeft,
                                          int nTop, int nWidth, int nHeight, char *pszClassName, HICON hIcon,
                                          HCURSOR hCursor, int bSysMenu, PANWINDOWCALLBACK pfnCallback,
                                          void *pUserData) {
    if (hWndOwner == nullptr || !IsWindow(hWndOwner)) return STATUS_BAD_PARAMETER;
    if (!IsAllocated(pBitmap)) return STATUS_NO_BITMAP;
    if (pszClassName == nullptr || pszClassName[0] == '\0') return STATUS_BAD_PARAMETER;

    OwnedRecord record(static_cast<PanWindowRecord *>(KrnAllocZeroed(sizeof(PanWindowRecord))));
    if (!record) return STATUS_NO_MEMORY;
    const SIZE displayed = DisplayedSize(*pBitmap);
    record->Owner = hWndOwner;
    record->Bitmap = pBitmap;
    record->DisplayWidth = displayed.cx;
    record->DisplayHeight = displayed.cy;
    record->DisplayFlags = ulDisplayFlags;
    record->PanRect = RECT{0, 0, 0, 0};
    record->Cursor = hCursor;
    record->Callback = pfnCallback;
    record->UserData = pUserData;
    // Longer names are cut to what the record holds.
    std::strncpy(record->ClassName, pszClassName, kClassNameBytes - 1);
    record->ClassName[kClassNameBytes - 1] = '\0';

    if (!RegisterPanClass(record->ClassName)) return STATUS_CREATE_WINDOW_FAILED;

    const DWORD style = kPanStyle | (bSysMenu ? WS_SYSMENU : 0);
    RECT outer{0, 0, (std::max)(nWidth, GetSystemMetrics(SM_CXMIN)), (std::max)(nHeight, GetSystemMetrics(SM_CYMIN))};
    outer = FitToBitmap(outer, record->DisplayWidth, record->DisplayHeight);
    AdjustWindowRect(&outer, style, FALSE);
    const int outerHeight = outer.bottom > outer.top ? outer.bottom - outer.top : outer.top - outer.bottom;
    // The record goes in as the creation parameter; WM_CREATE stores it and
    // from then on the window owns it. A failed creation never got that far
    // (our WM_CREATE cannot fail with a record), so it is still ours to free.
    HWND window = CreateWindowExA(0, record->ClassName, record->ClassName, style, nLeft, nTop,
                                  outer.right - outer.left, outerHeight, hWndOwner, nullptr, Library().Instance,
                                  record.get());
    if (window == nullptr) {
        // Nothing left behind: the class goes too unless other pan windows use it.
        UnregisterClassA(record->ClassName, Library().Instance);
        return STATUS_CREATE_WINDOW_FAILED;
    }
    PanWindowRecord &owned = *record.release();

    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
    owned.PaintPalette = CreatePanPalette(window, owned);
    Notify(owned, window, PAN_CREATED, nullptr);
    return STATUS_OK;
}

extern "C" int ZELT_API Z_UpdatePanWindow(HWND hPanWnd, BitmapRecord *pBitmap, UINT ulDisplayFlags, COLORREF crPen,
                                          char *pszTitle, RECT *pViewRect) {
    if (pViewRect == nullptr || pViewRect->right == pViewRect->left || pViewRect->bottom == pViewRect->top)
        return STATUS_BAD_PARAMETER;
    if (pBitmap != nullptr && pBitmap->Width == 0) return STATUS_BAD_PARAMETER;
    PanWindowRecord *record = RecognisedRecord(hPanWnd);
    if (record == nullptr) return STATUS_BAD_PARAMETER;
    if (!IsAllocated(pBitmap)) {
        DestroyPanWindow(hPanWnd, *record);
        return STATUS_NO_BITMAP;
    }

    const RECT oldPanRect = record->PanRect;
    record->Bitmap = pBitmap;
    record->DisplayFlags = ulDisplayFlags;
    RebuildPanPalette(hPanWnd, *record);
    record->PenColor = crPen;
    record->ViewRect = *pViewRect;
    record->PanRect = *pViewRect;

    const SIZE displayed = DisplayedSize(*pBitmap);
    const bool sizeChanged = displayed.cx != record->DisplayWidth || displayed.cy != record->DisplayHeight;
    if (sizeChanged) {
        record->DisplayWidth = displayed.cx;
        record->DisplayHeight = displayed.cy;
        ResizeToBitmap(hPanWnd, *record);
    }
    if (IsIconic(record->Owner)) return STATUS_BAD_PARAMETER;

    RECT ownerClient{};
    GetClientRect(record->Owner, &ownerClient);
    const RECT visible = VisiblePart(ownerClient, *pViewRect, record->DisplayWidth, record->DisplayHeight);
    record->PanRect = PanRectFromVisible(visible, ImageArea(hPanWnd, *record).right, record->DisplayWidth);

    SetWindowTextA(hPanWnd, pszTitle);
    if (!IsWindowVisible(hPanWnd)) ShowWindow(hPanWnd, SW_SHOW);
    if (sizeChanged)
        InvalidateRect(hPanWnd, nullptr, TRUE);
    else
        InvalidateRect(hPanWnd, &oldPanRect, FALSE);
    return STATUS_OK;
}

extern "C" int ZELT_API Z_DestroyPanWindow(HWND hPanWnd) {
    PanWindowRecord *record = RecognisedRecord(hPanWnd);
    if (record == nullptr) return STATUS_BAD_PARAMETER;
    DestroyPanWindow(hPanWnd, *record);
    return STATUS_OK;
}
