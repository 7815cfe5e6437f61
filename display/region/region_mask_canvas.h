// Monochrome masks of a region in display space, shared by framing and
// colouring: the cache key and its check, the mapped copy of the region a
// mask is drawn from, the memory context a mask is drawn in, and the one
// blit that puts a finished mask on a device. Also the scope guards these
// steps release their temporaries with.
#pragma once

#include "region/region_internal.h"

namespace zelt::region {

// Deletes a GDI object at the end of the scope unless it was released.
template <typename Handle>
class GdiObjectGuard {
public:
    explicit GdiObjectGuard(Handle handle = nullptr) : handle_(handle) {}
    ~GdiObjectGuard() {
        if (handle_ != nullptr) DeleteObject(handle_);
    }
    GdiObjectGuard(const GdiObjectGuard &) = delete;
    GdiObjectGuard &operator=(const GdiObjectGuard &) = delete;
    Handle get() const { return handle_; }
    Handle release() {
        Handle handle = handle_;
        handle_ = nullptr;
        return handle;
    }

private:
    Handle handle_;
};

// The key a mask is cached under: the caller's transform, or the default
// one of the bitmap when there is none.
inline RegionXForm MaskKey(const BitmapRecord &bitmap, const RegionXForm *xform) {
    return xform != nullptr ? *xform : DefaultXForm(bitmap);
}

// True when `mask` exists and was built for the bitmap's current view
// perspective and for the key's perspective and scale (the offsets may
// differ: a mask is simply drawn elsewhere).
inline bool MaskMatches(const BitmapRecord &bitmap, HBITMAP mask, const RegionXForm &built, const RegionXForm &key) {
    return mask != nullptr && bitmap.Region->MaskPerspective == bitmap.ViewPerspective &&
           built.Perspective == key.Perspective && built.XNum == key.XNum && built.XDen == key.XDen &&
           built.YNum == key.YNum && built.YDen == key.YDen;
}

// A copy of the bitmap's region mapped into display space (the caller
// frees it), and the box the mask covers: the region's bounds mapped the
// way a rectangle is.
int MappedRegionCopy(const BitmapRecord &bitmap, const RegionXForm *xform, OwnedRegion &copy, RECT *box);

// Caches a finished mask in `slot` with its key, dropping what was cached
// under another view and the mask it replaces.
void StoreMask(BitmapRecord &bitmap, HBITMAP RegionRecord::*slot, RegionXForm RegionRecord::*keySlot, HBITMAP mask,
               const RegionXForm *xform);

// A cleared monochrome bitmap selected into a memory context compatible
// with the display; drawing white into dc() sets mask bits. Whatever is
// still held is released when the canvas goes out of scope.
class MaskCanvas {
public:
    MaskCanvas() = default;
    ~MaskCanvas();
    MaskCanvas(const MaskCanvas &) = delete;
    MaskCanvas &operator=(const MaskCanvas &) = delete;

    // STATUS_OK, or STATUS_NO_MEMORY with nothing held.
    int Open(LONG width, LONG height);
    HDC dc() const { return memory_; }
    // Closes the contexts and hands the finished mask to the caller.
    HBITMAP TakeMask();

private:
    void Close();

    HBITMAP mask_ = nullptr;
    HDC display_ = nullptr;
    HDC memory_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// Blits `mask` onto hdc over `box` with `brush` selected and raster
// operation `rop`, with the text colour black and the background white so
// that clear mask bits leave the device alone. The caller's brush and text
// colour are restored; the background stays white when
// `leaveWhiteBackground`, else it is restored too.
int DrawMask(HDC hdc, HBITMAP mask, const RECT &box, HBRUSH brush, DWORD rop, bool leaveWhiteBackground);

}  // namespace zelt::region
