// The magnifying glass: the record attached to a magnified window and what
// the exports, the glass procedure and the drawing ask of each other.
#pragma once

#include "zelt/display.h"

// One per magnified window, zero-filled global memory kept locked while the
// glass is installed; the window property "ZELTMAGDATA" holds its handle.
struct MagnifierRecord {
    HWND Window;
    WNDPROC OldWindowProc;   // the procedure every message goes on to
    HINSTANCE Instance;      // this library (cursor resources)
    HCURSOR GlassCursor;     // over the client area while not magnifying
    DWORD Active;            // 1 while the left button holds the glass
    RECT DestRect;           // where the window shows the whole bitmap (client coordinates)
    RECT GlassRect;          // the glass as last drawn (client coordinates)
    LONG Zoom;               // percent, at least 100
    LONG GlassWidth;
    LONG GlassHeight;
    LONG LastX;
    LONG LastY;
    float Scale;             // DestRect width / displayed bitmap width
    BitmapRecord View;       // shallow copy of the caller's record with the glass's own region
    RECT BitmapRect;         // (0, 0, displayed width, displayed height)
    HPEN BorderPen;
    HBRUSH BackBrush;
    LONG Elliptic;
    LONG BorderSize;
    LONG Edge3D;
    DWORD GlassDisplayMode;  // 0: the thread's current mode
    COLORREF *MaskColors;    // the caller's array
    LONG MaskColorCount;
    HRGN OwnRegion;
    LONG Crosshair;          // 0 none, 1 plain, 2 inverse-pen outline, 3 inverted-image outline
    HPEN CrosshairPen;
    LONG IgnoreRegion;
    LONG CenterRule;
    DWORD SavedStyle;
};

namespace mag {

inline constexpr const char *kRecordProperty = "ZELTMAGDATA";
// Window style bit cleared while the glass is installed.
inline constexpr DWORD kClearedStyleBit = 0x8;

// The record of a magnified window, or null.
MagnifierRecord *FindRecord(HWND window);

// The procedure installed over the application's. Once installed it stays
// in the window's chain until either the glass is stopped while it is still
// the window's procedure or the window is destroyed; in between, without a
// record, it passes every message on unchanged.
LRESULT CALLBACK GlassWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Which procedure the glass procedure forwards to for each window it sits
// in, whether or not the glass is running. Remember fails (false) only when
// memory runs out.
bool RememberChain(HWND window, WNDPROC next);
WNDPROC ChainedProcedure(HWND window);
void ForgetChain(HWND window);

// Frees what the record holds and the record itself, takes the glass
// procedure out of the chain when nothing was chained after it, and removes
// the property. `announce` sends the window WM_SETCURSOR first.
void ReleaseMagnifier(HWND window, bool announce);

// The glass at cursor position (x, y), drawn onto the window DC after
// uncovering what the previous one hid; and its erasure at button up.
void DrawGlass(MagnifierRecord &record, int x, int y);
void EraseGlass(MagnifierRecord &record);

}  // namespace mag
