// Scope guards for the temporaries of the clipboard and metafile exports:
// each releases what it holds on every exit path unless handed over.
#pragma once

#include <utility>

#include "paint/paint_front.h"
#include "zelt/display.h"

namespace interchange {

// A window's (or, for NULL, the screen's) DC, released at the end.
class WindowContext {
public:
    explicit WindowContext(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowContext() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowContext(const WindowContext &) = delete;
    WindowContext &operator=(const WindowContext &) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
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
inline void FreeGlobal(HGLOBAL block) { GlobalFree(block); }
inline void FreeKernelBlock(void *block) { KrnFreeMem(block); }

using OwnedPalette = Owned<HPALETTE, DeleteGdiObject>;
using OwnedBitmap = Owned<HBITMAP, DeleteGdiObject>;
using OwnedGlobal = Owned<HGLOBAL, FreeGlobal>;
using OwnedBuffer = Owned<void *, FreeKernelBlock>;

// A bitmap record made here: freed at the end unless handed to the caller.
class ScratchRecord {
public:
    ScratchRecord() = default;
    ~ScratchRecord() { KrnFreeBitmap(&record_); }
    ScratchRecord(const ScratchRecord &) = delete;
    ScratchRecord &operator=(const ScratchRecord &) = delete;
    BitmapRecord *get() { return &record_; }
    // Moves the record to `destination`; this guard then holds nothing.
    void HandOver(BitmapRecord *destination) {
        *destination = record_;
        record_ = BitmapRecord{};
    }

private:
    BitmapRecord record_{};
};

// A DC drawing into a record; the drawing is kept when the guard ends.
class BitmapContext {
public:
    explicit BitmapContext(BitmapRecord *bitmap) : dc_(KrnCreateBitmapDC(bitmap)) {}
    ~BitmapContext() {
        if (dc_ != nullptr) KrnDeleteBitmapDC(dc_);
    }
    BitmapContext(const BitmapContext &) = delete;
    BitmapContext &operator=(const BitmapContext &) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// The thread's display mode for one conversion: colours reduced to the
// device, rows never sent as palette indices (a recorded or memory picture
// must keep its colours whatever palette is realised later).
class ConversionDisplayMode {
public:
    ConversionDisplayMode() : old_(Z_SetDisplayMode(DISP_INDEXED_PAINT | DISP_DEVICE_REDUCE, DISP_DEVICE_REDUCE)) {}
    ~ConversionDisplayMode() { Z_SetDisplayMode(0xFFFFFFFF, old_); }
    ConversionDisplayMode(const ConversionDisplayMode &) = delete;
    ConversionDisplayMode &operator=(const ConversionDisplayMode &) = delete;

private:
    UINT old_;
};

// Locks a global block for one scope.
class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL block) : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
    ~GlobalLockScope() {
        if (data_ != nullptr) GlobalUnlock(block_);
    }
    GlobalLockScope(const GlobalLockScope &) = delete;
    GlobalLockScope &operator=(const GlobalLockScope &) = delete;
    void *get() const { return data_; }

private:
    HGLOBAL block_;
    void *data_;
};

// The displayed size of an allocated record (axes exchanged for 4, 5, 7, 8).
inline SIZE DisplayedSize(const BitmapRecord &bitmap) {
    return PerspectiveExchangesAxes(bitmap.ViewPerspective) ? SIZE{bitmap.Height, bitmap.Width}
                                                            : SIZE{bitmap.Width, bitmap.Height};
}

}  // namespace interchange
