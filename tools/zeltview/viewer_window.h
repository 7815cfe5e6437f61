// The viewer as a program of the platform: a captioned top-level window
// that paints the image at the zoom and scroll position, scrolls and zooms
// with the keys, and opens the pan window, the magnifying glass and the
// print job on the image.
#pragma once

#include <cstdio>
#include <string>

#include "view_geometry.h"
#include "zelt/display.h"

namespace zeltview {

class Viewer {
public:
    Viewer(BitmapRecord *bitmap, int zoom, std::string title);
    ~Viewer();
    Viewer(const Viewer &) = delete;
    Viewer &operator=(const Viewer &) = delete;

    // Registers the class and shows the window on a screen of that size.
    bool Create(int screenWidth, int screenHeight, std::string &error);

    HWND Window() const { return window_; }
    HWND PanWindow() const { return panWindow_; }
    bool Magnifying() const { return magnifying_; }

    void ScrollBy(int dx, int dy);
    void ZoomStep(int direction);
    bool OpenPan();
    void ClosePan();
    bool SetMagnifier(bool on);
    void Print();

    // A point of the client area on the screen.
    POINT ClientToScreenPoint(int x, int y) const;
    // The centre of the pan window's rectangle on the screen; false when the
    // pan window is closed.
    bool PanRectCentre(POINT &screenPoint) const;

    // The machine-readable geometry block of --print-geometry.
    void WriteGeometry(std::FILE *out, const char *label) const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static int ZELT_CDECL PanNotification(HWND pan, HWND owner, UINT code, RECT *rect, void *userData);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    bool HandleKey(WPARAM key);
    bool HandleCharacter(WPARAM character);
    // Scroll or zoom changed: repaint, and tell the pan window and the glass.
    void ViewChanged();
    void UpdatePan();
    void Destroyed();

    BitmapRecord *bitmap_;
    std::string title_;
    ViewState view_;
    HWND window_ = nullptr;
    HWND panWindow_ = nullptr;
    HPALETTE palette_ = nullptr;
    HBRUSH background_ = nullptr;
    bool magnifying_ = false;
    bool classRegistered_ = false;
    int screenWidth_ = 0;
};

}  // namespace zeltview
