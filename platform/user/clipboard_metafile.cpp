// The metafile conversions of the clipboard. An enhanced metafile becomes a
// metafile picture by playing it into a 24-bit DIB at its frame's size and
// recording that DIB in a classic metafile (MM_ISOTROPIC, extents = the frame
// in 0.01 mm); a metafile picture becomes an enhanced metafile by playing it
// into an EMF DC framed by its extents.
#include <algorithm>
#include <cstdlib>

#include "user/clipboard_data.h"

namespace zelt::platform {

namespace {

// A picture larger than this on a side is drawn at this size: the DIB is
// only a stand-in and must stay affordable.
constexpr int kMaxPictureSide = 4096;
constexpr int kHimetricPerInch = 2540;
// The suggested size of a picture that gives none (0.01 mm: one inch).
constexpr LONG kDefaultHimetric = kHimetricPerInch;

int ClampSide(long long pixels) { return static_cast<int>(std::clamp<long long>(pixels, 1, kMaxPictureSide)); }

// Screen resolution in pixels per inch.
SIZE ScreenDpi() {
    SIZE dpi{96, 96};
    if (HDC screen = GetDC(nullptr)) {
        dpi = SIZE{GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
        ReleaseDC(nullptr, screen);
    }
    return dpi;
}

// A 24-bit DIB section selected into a memory DC, released on every path.
class DibCanvas {
public:
    DibCanvas(int width, int height) noexcept {
        info_.biSize = sizeof info_;
        info_.biWidth = width;
        info_.biHeight = height;  // bottom-up, as the picture's DIB is stored
        info_.biPlanes = 1;
        info_.biBitCount = 24;
        info_.biCompression = BI_RGB;
        info_.biSizeImage = static_cast<DWORD>(((width * 24 + 31) / 32) * 4 * height);
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = dc_ != nullptr ? CreateDIBSection(dc_, reinterpret_cast<const BITMAPINFO *>(&info_), DIB_RGB_COLORS,
                                                    &bits_, nullptr, 0)
                                 : nullptr;
        if (bitmap_ != nullptr) previous_ = SelectObject(dc_, bitmap_);
    }
    ~DibCanvas() {
        if (previous_ != nullptr) SelectObject(dc_, previous_);
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
        if (dc_ != nullptr) DeleteDC(dc_);
    }
    DibCanvas(const DibCanvas &) = delete;
    DibCanvas &operator=(const DibCanvas &) = delete;

    bool Ready() const noexcept { return previous_ != nullptr && bits_ != nullptr; }
    HDC Dc() const noexcept { return dc_; }
    const void *Bits() const noexcept { return bits_; }
    const BITMAPINFO *Info() const noexcept { return reinterpret_cast<const BITMAPINFO *>(&info_); }

private:
    BITMAPINFOHEADER info_{};
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    void *bits_ = nullptr;
};

HMETAFILE RecordDib(const DibCanvas &canvas, int width, int height) {
    HDC recorder = CreateMetaFileA(nullptr);
    if (recorder == nullptr) return nullptr;
    const bool drawn = SetMapMode(recorder, MM_ISOTROPIC) != 0 && SetWindowOrgEx(recorder, 0, 0, nullptr) &&
                       SetWindowExtEx(recorder, width, height, nullptr) &&
                       StretchDIBits(recorder, 0, 0, width, height, 0, 0, width, height, canvas.Bits(),
                                     canvas.Info(), DIB_RGB_COLORS, SRCCOPY) != 0;
    HMETAFILE recorded = CloseMetaFile(recorder);
    if (!drawn && recorded != nullptr) {
        DeleteMetaFile(recorded);
        recorded = nullptr;
    }
    return recorded;
}

// A picture's size in 0.01 mm from its mapping mode and extents.
SIZE HimetricSize(const METAFILEPICT &picture, SIZE dpi) {
    const LONG mm = picture.mm;
    if (mm == MM_TEXT)
        return SIZE{MulDiv(std::abs(picture.xExt), kHimetricPerInch, dpi.cx),
                    MulDiv(std::abs(picture.yExt), kHimetricPerInch, dpi.cy)};
    // 0.01 mm per unit of MM_LOMETRIC, MM_HIMETRIC, MM_LOENGLISH, MM_HIENGLISH
    // and MM_TWIPS, as fractions.
    static constexpr int kScales[][2] = {{10, 1}, {1, 1}, {254, 100}, {254, 1000}, {kHimetricPerInch, 1440}};
    if (mm >= MM_LOMETRIC && mm <= MM_TWIPS) {
        const int *scale = kScales[mm - MM_LOMETRIC];
        return SIZE{MulDiv(std::abs(picture.xExt), scale[0], scale[1]), MulDiv(std::abs(picture.yExt), scale[0], scale[1])};
    }
    // Isotropic and anisotropic pictures suggest a size in 0.01 mm; a
    // negative pair gives only the aspect ratio, zero nothing at all.
    if (picture.xExt > 0 && picture.yExt > 0) return SIZE{picture.xExt, picture.yExt};
    if (picture.xExt < 0 && picture.yExt < 0) {
        const LONG longer = std::max(-picture.xExt, -picture.yExt);
        return SIZE{MulDiv(-picture.xExt, kDefaultHimetric, longer), MulDiv(-picture.yExt, kDefaultHimetric, longer)};
    }
    return SIZE{kDefaultHimetric, kDefaultHimetric};
}

}  // namespace

HGLOBAL PictureFromEnhMetaFile(HENHMETAFILE emf) noexcept {
    ENHMETAHEADER header{};
    if (GetEnhMetaFileHeader(emf, sizeof header, &header) == 0) return nullptr;
    const LONG frameWidth = header.rclFrame.right - header.rclFrame.left;
    const LONG frameHeight = header.rclFrame.bottom - header.rclFrame.top;
    if (frameWidth <= 0 || frameHeight <= 0 || header.szlMillimeters.cx <= 0 || header.szlMillimeters.cy <= 0)
        return nullptr;
    // The frame on the reference device the EMF was made for.
    const int width = ClampSide(MulDiv(frameWidth, header.szlDevice.cx, header.szlMillimeters.cx * 100));
    const int height = ClampSide(MulDiv(frameHeight, header.szlDevice.cy, header.szlMillimeters.cy * 100));
    HMETAFILE recorded = nullptr;
    {
        DibCanvas canvas(width, height);
        if (!canvas.Ready()) return nullptr;
        // PlayEnhMetaFile includes the rectangle's right and bottom edges.
        const RECT area{0, 0, width - 1, height - 1};
        PatBlt(canvas.Dc(), 0, 0, width, height, WHITENESS);
        if (!PlayEnhMetaFile(canvas.Dc(), emf, &area)) return nullptr;
        GdiFlush();
        recorded = RecordDib(canvas, width, height);
    }
    if (recorded == nullptr) return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, sizeof(METAFILEPICT));
    if (block == nullptr) {
        DeleteMetaFile(recorded);
        return nullptr;
    }
    *static_cast<METAFILEPICT *>(block) = METAFILEPICT{MM_ISOTROPIC, frameWidth, frameHeight, recorded};
    return block;
}

HENHMETAFILE EnhMetaFileFromPicture(HGLOBAL picture) noexcept {
    METAFILEPICT copy{};
    {
        const auto *locked = static_cast<const METAFILEPICT *>(GlobalLock(picture));
        if (locked == nullptr) return nullptr;
        const bool whole = GlobalSize(picture) >= sizeof(METAFILEPICT);
        if (whole) copy = *locked;
        GlobalUnlock(picture);
        if (!whole || copy.hMF == nullptr) return nullptr;
    }
    const SIZE dpi = ScreenDpi();
    const SIZE himetric = HimetricSize(copy, dpi);
    const RECT frame{0, 0, std::max<LONG>(himetric.cx, 1), std::max<LONG>(himetric.cy, 1)};
    HDC recorder = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
    if (recorder == nullptr) return nullptr;
    // Played as a paster plays it: the picture's mode, and for the scalable
    // modes a viewport of the suggested size (the metafile sets its window).
    SetMapMode(recorder, copy.mm);
    if (copy.mm == MM_ISOTROPIC || copy.mm == MM_ANISOTROPIC)
        SetViewportExtEx(recorder, ClampSide(MulDiv(frame.right, dpi.cx, kHimetricPerInch)),
                         ClampSide(MulDiv(frame.bottom, dpi.cy, kHimetricPerInch)), nullptr);
    const BOOL played = PlayMetaFile(recorder, copy.hMF);
    HENHMETAFILE made = CloseEnhMetaFile(recorder);
    if (!played && made != nullptr) {
        DeleteEnhMetaFile(made);
        made = nullptr;
    }
    return made;
}

}  // namespace zelt::platform
