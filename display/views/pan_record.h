// The pan window's record and the small scopes its exports and window
// procedure share: the record lives in the window's extra bytes from
// WM_CREATE to WM_DESTROY.
#pragma once

#include "frame/gdi_scopes.h"
#include "zelt/display.h"

namespace pan {

inline constexpr int kClassNameBytes = 260;  // 259 characters and a terminator

// One per pan window, allocated by Z_CreatePanWindow and released when the
// window is destroyed.
struct PanWindowRecord {
    HWND Owner;
    char ClassName[kClassNameBytes];
    BitmapRecord *Bitmap;  // the caller's
    UINT DisplayFlags;
    COLORREF PenColor;
    RECT PanRect;  // pan window client coordinates
    UINT Dragging;
    RECT ViewRect;  // owner client coordinates
    LONG DisplayWidth;
    LONG DisplayHeight;
    HPALETTE PaintPalette;
    PANWINDOWCALLBACK Callback;
    void *UserData;
    HCURSOR Cursor;
};

// The record pointer sits at extra-byte index 0. The 32-bit library keeps it
// in 4 extra bytes with SetWindowLongA; a 64-bit pointer needs 8, so the
// class asks for sizeof(void *) bytes and the Ptr calls read and write them
// (on 32-bit Windows they are the plain Long calls).
inline constexpr int kWindowExtraBytes = static_cast<int>(sizeof(void *));

inline PanWindowRecord *StoredRecord(HWND window) {
    return reinterpret_cast<PanWindowRecord *>(GetWindowLongPtrA(window, 0));
}

inline void StoreRecord(HWND window, PanWindowRecord *record) {
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(record));
}

inline int Notify(const PanWindowRecord &record, HWND window, UINT code, RECT *rect) {
    return record.Callback != nullptr ? record.Callback(window, record.Owner, code, rect, record.UserData) : 0;
}

inline bool IsAllocated(const BitmapRecord *bitmap) {
    return bitmap != nullptr && (bitmap->Flags & BITMAP_ALLOCATED) != 0;
}

using zelt::SelectedPalette;
using zelt::WindowDc;

// The thread's display mode with the record's bits switched on for one scope.
class ExtendedDisplayMode : public zelt::DisplayModeScope {
public:
    explicit ExtendedDisplayMode(UINT flags) : DisplayModeScope(flags, flags) {}
};

// The paint palette for the record's bitmap on the window's DC, built with
// the display mode extended by the record's bits; null when none is made.
inline HPALETTE CreatePanPalette(HWND window, const PanWindowRecord &record) {
    WindowDc dc(window);
    if (dc.get() == nullptr) return nullptr;
    ExtendedDisplayMode mode(record.DisplayFlags);
    return Z_CreatePaintPalette(dc.get(), record.Bitmap);
}

// Replaces the record's paint palette by a fresh one.
inline void RebuildPanPalette(HWND window, PanWindowRecord &record) {
    if (record.PaintPalette != nullptr) DeleteObject(record.PaintPalette);
    record.PaintPalette = CreatePanPalette(window, record);
}

// The client rectangle fitted to the bitmap: where the image is shown,
// always from client (0, 0).
RECT ImageArea(HWND window, const PanWindowRecord &record);

// The record of a pan window: present at index 0 and naming the window's own
// class; null for any other window.
PanWindowRecord *RecognisedRecord(HWND window);

// Destroys a recognised pan window and drops its class when no other pan
// window uses it.
void DestroyPanWindow(HWND window, const PanWindowRecord &record);

LRESULT CALLBACK PanWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace pan
