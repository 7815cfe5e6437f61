// A bitmap recorded as a metafile: one paint of the whole record through
// the library's own paint machinery into a metafile DC.
//
// The picture's logical size is the displayed size in pixels, so a record
// whose perspective exchanges the axes is recorded as it is shown (the
// paint already turns it) and plays back the same way round.
#include "interchange/interchange_guards.h"
#include "paint/paint_engine.h"

namespace {

// An application name with an empty picture name ends in a double NUL;
// GDI copies one character past it, so a third NUL is there to be read.
constexpr char kDescription[] = "ZELTWORKS Metafile v1.0\0\0";

// A recording DC, closed into its metafile once, or discarded.
class Recording {
public:
    Recording(bool enhanced, HDC dc) : enhanced_(enhanced), dc_(dc) {}
    ~Recording() {
        if (dc_ == nullptr) return;
        if (enhanced_) DeleteEnhMetaFile(CloseEnhMetaFile(dc_));
        else DeleteMetaFile(CloseMetaFile(dc_));
    }
    Recording(const Recording &) = delete;
    Recording &operator=(const Recording &) = delete;
    HDC get() const { return dc_; }
    HANDLE Close() {
        HDC dc = std::exchange(dc_, nullptr);
        return enhanced_ ? HANDLE(CloseEnhMetaFile(dc)) : HANDLE(CloseMetaFile(dc));
    }

private:
    bool enhanced_;
    HDC dc_;
};

// An enhanced metafile's frame: the picture's size on the screen, in
// hundredths of a millimetre.
HDC CreateEnhancedRecording(SIZE size) {
    interchange::WindowContext screen(nullptr);
    if (screen.get() == nullptr) return nullptr;
    const RECT frame{0, 0, MulDiv(size.cx, GetDeviceCaps(screen.get(), HORZSIZE) * 100, GetDeviceCaps(screen.get(), HORZRES)),
                     MulDiv(size.cy, GetDeviceCaps(screen.get(), VERTSIZE) * 100, GetDeviceCaps(screen.get(), VERTRES))};
    return CreateEnhMetaFileA(nullptr, nullptr, &frame, kDescription);
}

void PaintInto(HDC recording, BitmapRecord *bitmap, SIZE size) {
    const interchange::ConversionDisplayMode mode;
    const interchange::OwnedPalette palette(Z_CreatePaintPalette(recording, bitmap));
    if (palette) {
        SaveDC(recording);
        SelectPalette(recording, palette.get(), FALSE);
        RealizePalette(recording);
    }
    const RECT destination{0, 0, size.cx, size.cy};
    PaintDispatch(recording, bitmap, nullptr, nullptr, &destination, nullptr, SRCCOPY, RowBand{});
    // The palette is deleted only once the DC no longer holds it.
    if (palette) RestoreDC(recording, -1);
}

}  // namespace

HANDLE ZELT_API Z_ConvertToMetafile(BitmapRecord *bitmap, int enhanced) {
    if (bitmap == nullptr || !(bitmap->Flags & BITMAP_ALLOCATED)) return nullptr;
    const SIZE size = interchange::DisplayedSize(*bitmap);
    Recording recording(enhanced != 0, enhanced ? CreateEnhancedRecording(size) : CreateMetaFileA(nullptr));
    HDC dc = recording.get();
    if (dc == nullptr) return nullptr;
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, size.cx, size.cy, nullptr);
    if (enhanced) {
        SetViewportOrgEx(dc, 0, 0, nullptr);
        SetViewportExtEx(dc, size.cx, size.cy, nullptr);
    }
    PaintInto(dc, bitmap, size);
    return recording.Close();
}

HMETAFILE ZELT_API Z_ConvertToWMF(BitmapRecord *bitmap) { return static_cast<HMETAFILE>(Z_ConvertToMetafile(bitmap, 0)); }

HENHMETAFILE ZELT_API Z_ConvertToEMF(BitmapRecord *bitmap) {
    return static_cast<HENHMETAFILE>(Z_ConvertToMetafile(bitmap, 1));
}

HANDLE ZELT_API Z_ChangeToMetafile(BitmapRecord *bitmap, int enhanced) {
    HANDLE metafile = Z_ConvertToMetafile(bitmap, enhanced);
    if (metafile != nullptr) KrnFreeBitmap(bitmap);
    return metafile;
}

HMETAFILE ZELT_API Z_ChangeToWMF(BitmapRecord *bitmap) { return static_cast<HMETAFILE>(Z_ChangeToMetafile(bitmap, 0)); }

HENHMETAFILE ZELT_API Z_ChangeToEMF(BitmapRecord *bitmap) {
    return static_cast<HENHMETAFILE>(Z_ChangeToMetafile(bitmap, 1));
}
