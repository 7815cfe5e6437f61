// Scope guards for the temporaries of the clipboard and metafile exports:
// each releases what it holds on every exit path unless handed over.
#pragma once

#include <utility>

#include "frame/gdi_scopes.h"
#include "paint/paint_front.h"
#include "zelt/display.h"

namespace interchange {

using WindowContext = zelt::WindowDc;
using zelt::DeleteGdiObject;
using zelt::Owned;
using zelt::OwnedBitmap;
using zelt::OwnedPalette;

inline void FreeGlobal(HGLOBAL block) { GlobalFree(block); }
inline void FreeKernelBlock(void *block) { KrnFreeMem(block); }

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
class ConversionDisplayMode : public zelt::DisplayModeScope {
public:
    ConversionDisplayMode() : DisplayModeScope(DISP_INDEXED_PAINT | DISP_DEVICE_REDUCE, DISP_DEVICE_REDUCE) {}
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
