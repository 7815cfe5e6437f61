// The pan window's procedure: paints the reduced bitmap and the pan
// rectangle, lets the user drag the rectangle, and reports every move.
#include <algorithm>

#include "views/pan_geometry.h"
#include "views/pan_record.h"

namespace pan {
namespace {

// A one-pixel solid pen and the hollow brush selected for one scope.
class OutlineTools {
public:
    OutlineTools(HDC dc, COLORREF color) : dc_(dc), pen_(CreatePen(PS_SOLID, 1, color)) {
        if (pen_ == nullptr) return;
        oldPen_ = SelectObject(dc_, pen_);
        oldBrush_ = SelectObject(dc_, GetStockObject(NULL_BRUSH));
    }
    ~OutlineTools() {
        if (pen_ == nullptr) return;
        SelectObject(dc_, oldBrush_);
        SelectObject(dc_, oldPen_);
        DeleteObject(pen_);
    }
    OutlineTools(const OutlineTools &) = delete;
    OutlineTools &operator=(const OutlineTools &) = delete;
    bool ready() const { return pen_ != nullptr && oldPen_ != nullptr; }

private:
    HDC dc_;
    HPEN pen_;
    HGDIOBJ oldPen_ = nullptr;
    HGDIOBJ oldBrush_ = nullptr;
};

// Drawn on a DC of its own so the whole rectangle shows, not only the part
// inside the area being repainted.
void DrawPanRect(HWND window, const PanWindowRecord &record) {
    WindowDc dc(window);
    if (dc.get() == nullptr) return;
    OutlineTools tools(dc.get(), record.PenColor);
    if (!tools.ready()) return;
    const RECT &r = record.PanRect;
    Rectangle(dc.get(), r.left, r.top, r.right, r.bottom);
}

void PaintImage(HDC dc, const RECT &updateArea, HWND window, PanWindowRecord &record) {
    const RECT destination = ImageArea(window, record);
    SelectedPalette palette(dc, record.PaintPalette, FALSE);
    if (record.PaintPalette != nullptr) RealizePalette(dc);
    ExtendedDisplayMode mode(record.DisplayFlags);
    Z_PaintDC(dc, record.Bitmap, nullptr, nullptr, &destination, &updateArea, SRCCOPY);
}

LRESULT OnPaint(HWND window, PanWindowRecord &record) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    if (dc != nullptr && IsAllocated(record.Bitmap)) PaintImage(dc, paint.rcPaint, window, record);
    Notify(record, window, PAN_PAINTED, nullptr);
    ValidateRect(window, nullptr);
    EndPaint(window, &paint);
    DrawPanRect(window, record);
    return 0;
}

void MoveRectTo(HWND window, PanWindowRecord &record, LONG x, LONG y) {
    const RECT area = ImageArea(window, record);
    const RECT oldPanRect = record.PanRect;
    record.PanRect = MoveToPoint(record.PanRect, x, y, area);
    RECT reported = ReportedRect(record.PanRect, area.right - area.left, record.DisplayWidth);
    InvalidateRect(window, &oldPanRect, FALSE);
    UpdateWindow(window);
    Notify(record, window, PAN_MOVED, &reported);
}

// Client coordinates of a mouse message as 16-bit two's complement values
// (a captured pointer outside the window is negative).
LONG SignedLow(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
LONG SignedHigh(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

LRESULT OnSetCursor(HWND window, const PanWindowRecord *record) {
    if (record == nullptr || record->Cursor == nullptr) return 1;
    POINT position{};
    GetCursorPos(&position);
    ScreenToClient(window, &position);
    RECT client{};
    GetClientRect(window, &client);
    SetCursor(PtInRect(&client, position) ? record->Cursor : LoadCursorA(nullptr, IDC_ARROW));
    return 1;
}

LRESULT OnQueryNewPalette(HWND window, PanWindowRecord &record) {
    RebuildPanPalette(window, record);
    if (record.PaintPalette == nullptr) return 0;
    WindowDc dc(window);
    if (dc.get() == nullptr) return 0;
    SelectedPalette palette(dc.get(), record.PaintPalette, FALSE);
    const UINT changed = RealizePalette(dc.get());
    if (changed != 0 && changed != GDI_ERROR) InvalidateRect(window, nullptr, FALSE);
    return 0;
}

LRESULT OnPaletteChanged(HWND window, HWND changer, const PanWindowRecord &record) {
    if (changer == window || record.PaintPalette == nullptr) return 0;
    WindowDc dc(window);
    if (dc.get() == nullptr) return 0;
    SelectedPalette palette(dc.get(), record.PaintPalette, TRUE);
    RealizePalette(dc.get());
    InvalidateRect(window, nullptr, FALSE);
    return 0;
}

LRESULT OnDestroy(HWND window, PanWindowRecord *record) {
    ShowWindow(window, SW_HIDE);
    if (record == nullptr) return 0;
    if (record->PaintPalette != nullptr) DeleteObject(record->PaintPalette);
    record->PaintPalette = nullptr;
    Notify(*record, window, PAN_DESTROYED, nullptr);
    StoreRecord(window, nullptr);
    KrnFreeMem(record);
    return 0;
}

}  // namespace

LRESULT CALLBACK PanWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        const auto *create = reinterpret_cast<const CREATESTRUCTA *>(lParam);
        auto *record = create != nullptr ? static_cast<PanWindowRecord *>(create->lpCreateParams) : nullptr;
        if (record == nullptr) {
            DestroyWindow(window);
            return 0;
        }
        record->Dragging = 0;
        StoreRecord(window, record);
        return 0;
    }
    PanWindowRecord *record = StoredRecord(window);
    switch (message) {
        case WM_SETCURSOR: return OnSetCursor(window, record);
        case WM_DESTROY: return OnDestroy(window, record);
        case WM_CLOSE:
            // Never passed on: closing is the application's decision.
            return record != nullptr && record->Callback != nullptr ? Notify(*record, window, PAN_CLOSE, nullptr) : 1;
        default: break;
    }
    if (record == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
        case WM_PAINT: return OnPaint(window, *record);
        case WM_LBUTTONDOWN:
            // Taken unsigned: a press always lies inside the client.
            MoveRectTo(window, *record, LOWORD(lParam), HIWORD(lParam));
            record->Dragging = 1;
            SetCapture(window);
            return 0;
        case WM_MOUSEMOVE:
            if (record->Dragging)
                MoveRectTo(window, *record, (std::max)(SignedLow(lParam), LONG{0}),
                           (std::max)(SignedHigh(lParam), LONG{0}));
            return 0;
        case WM_LBUTTONUP:
            if (record->Dragging) {
                ReleaseCapture();
                record->Dragging = 0;
            }
            return 0;
        case WM_QUERYNEWPALETTE: return OnQueryNewPalette(window, *record);
        case WM_PALETTECHANGED: return OnPaletteChanged(window, reinterpret_cast<HWND>(wParam), *record);
        default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace pan
