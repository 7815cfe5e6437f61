// Scope guards for the GDI temporaries of the display exports: DCs,
// objects selected into them, palettes, map and display modes. Each puts
// back or releases what it holds on every exit path.
#pragma once

#include <utility>

#include "zelt/display.h"

namespace zelt {

// A window's DC (the screen's for a null window), released at the end.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc &) = delete;
    WindowDc &operator=(const WindowDc &) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A memory DC compatible with another, deleted at the end.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
    ~MemoryDc() {
        if (dc_ != nullptr) DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc &) = delete;
    MemoryDc &operator=(const MemoryDc &) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// Owns a handle and frees it with `Free` unless released.
template <typename Handle, auto Free>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { reset(); }
    Owned(const Owned &) = delete;
    Owned &operator=(const Owned &) = delete;
    Owned &operator=(Handle handle) {
        reset();
        handle_ = handle;
        return *this;
    }
    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    Handle release() { return std::exchange(handle_, nullptr); }
    void reset() {
        if (handle_ != nullptr) Free(std::exchange(handle_, nullptr));
    }

private:
    Handle handle_ = nullptr;
};

inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }

using OwnedGdiObject = Owned<HGDIOBJ, DeleteGdiObject>;
using OwnedRegion = Owned<HRGN, DeleteGdiObject>;
using OwnedPalette = Owned<HPALETTE, DeleteGdiObject>;
using OwnedBitmap = Owned<HBITMAP, DeleteGdiObject>;

// An object selected into a DC for the scope; a null object selects nothing.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
    ~Selection() {
        if (old_ != nullptr) SelectObject(dc_, old_);
    }
    Selection(const Selection &) = delete;
    Selection &operator=(const Selection &) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A palette selected (as foreground or background palette) for the scope,
// realized when asked; the previous palette comes back the same way. A null
// palette selects nothing.
class SelectedPalette {
public:
    SelectedPalette(HDC dc, HPALETTE palette, BOOL background, bool realize = false)
        : dc_(dc), background_(background), realize_(realize) {
        if (palette == nullptr) return;
        old_ = SelectPalette(dc, palette, background);
        if (realize) RealizePalette(dc);
    }
    ~SelectedPalette() {
        if (old_ == nullptr) return;
        SelectPalette(dc_, old_, background_);
        if (realize_) RealizePalette(dc_);
    }
    SelectedPalette(const SelectedPalette &) = delete;
    SelectedPalette &operator=(const SelectedPalette &) = delete;

private:
    HDC dc_;
    BOOL background_;
    bool realize_;
    HPALETTE old_ = nullptr;
};

// MM_TEXT for the scope.
class TextMapMode {
public:
    explicit TextMapMode(HDC dc) : dc_(dc), old_(SetMapMode(dc, MM_TEXT)) {}
    ~TextMapMode() {
        if (old_ != 0) SetMapMode(dc_, old_);
    }
    TextMapMode(const TextMapMode &) = delete;
    TextMapMode &operator=(const TextMapMode &) = delete;

private:
    HDC dc_;
    int old_;
};

// The thread's display mode changed for the scope: the bits of `mask` take
// those of `value`; the whole previous mode comes back at the end.
class DisplayModeScope {
public:
    DisplayModeScope(UINT mask, UINT value) : old_(Z_SetDisplayMode(mask, value)) {}
    ~DisplayModeScope() { Z_SetDisplayMode(0xFFFFFFFFu, old_); }
    DisplayModeScope(const DisplayModeScope &) = delete;
    DisplayModeScope &operator=(const DisplayModeScope &) = delete;

private:
    UINT old_;
};

}  // namespace zelt
