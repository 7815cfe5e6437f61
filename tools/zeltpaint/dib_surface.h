// A memory DC over a top-down DIB section: the drawing surface of the
// tool's devices and of the window --play shows frames in.
#pragma once

#include "picture.h"
#include "zelt/win32.h"

namespace zeltpaint {

class DibSurface {
public:
    // `colors` (colorCount entries) is the colour table of a 1, 4 or 8-bit
    // section. Ready() says whether the section could be made.
    DibSurface(int width, int height, int bits, const RGBQUAD *colors = nullptr, int colorCount = 0);
    ~DibSurface();
    DibSurface(const DibSurface &) = delete;
    DibSurface &operator=(const DibSurface &) = delete;

    bool Ready() const { return bitmap_ != nullptr && pixels_ != nullptr; }
    HDC dc() const { return dc_; }
    const void *pixels() const { return pixels_; }

    // The pixels of a 24-bit section, after GDI has finished drawing.
    Picture Shown24() const;

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void *pixels_ = nullptr;
};

}  // namespace zeltpaint
