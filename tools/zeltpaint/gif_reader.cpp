#include "gif_reader.h"

#include <algorithm>
#include <memory>

#ifdef ZELTPAINT_WITH_GIF
#include <gif_lib.h>
#endif

namespace zeltpaint {

std::vector<int> ArrivalOrder(const GifFrame &frame) {
    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(frame.height));
    if (!frame.interlaced) {
        for (int y = 0; y < frame.height; ++y) rows.push_back(y);
        return rows;
    }
    constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < frame.height; y += kStep[pass]) rows.push_back(y);
    return rows;
}

#ifndef ZELTPAINT_WITH_GIF

bool GifSupported() { return false; }

bool ReadGif(const std::string &, GifAnimation &, std::string &error) {
    error = "GIF support is not built into this zeltpaint (giflib was not found when it was built)";
    return false;
}

#else

namespace {

struct GifCloser {
    void operator()(GifFileType *gif) const {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};

void CopyColors(const ColorMapObject *map, RGBQUAD *colors) {
    const int count = std::min(map->ColorCount, 256);
    for (int i = 0; i < count; ++i)
        colors[i] = RGBQUAD{map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red, 0};
}

bool ReadFrame(GifFileType *gif, int index, GifFrame &frame, std::string &error) {
    const SavedImage &image = gif->SavedImages[index];
    const GifImageDesc &desc = image.ImageDesc;
    frame.left = desc.Left;
    frame.top = desc.Top;
    frame.width = desc.Width;
    frame.height = desc.Height;
    frame.interlaced = desc.Interlace;
    const ColorMapObject *map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
    if (map == nullptr || frame.width < 1 || frame.height < 1 || image.RasterBits == nullptr) {
        error = "frame " + std::to_string(index) + " has no colour table or no pixels";
        return false;
    }
    CopyColors(map, frame.colors);
    // giflib hands the rows de-interlaced, top to bottom.
    frame.indices.assign(image.RasterBits, image.RasterBits + static_cast<size_t>(frame.width) * frame.height);
    GraphicsControlBlock control{};
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    if (DGifSavedExtensionToGCB(gif, index, &control) == GIF_OK) {
        frame.delayCentiseconds = control.DelayTime;
        frame.disposal = control.DisposalMode;
        frame.transparentIndex = control.TransparentColor;
        frame.waitForInput = control.UserInputFlag;
    }
    return true;
}

}  // namespace

bool GifSupported() { return true; }

bool ReadGif(const std::string &path, GifAnimation &animation, std::string &error) {
    int status = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpenFileName(path.c_str(), &status));
    if (!gif) {
        error = "cannot open " + path + ": " + GifErrorString(status);
        return false;
    }
    if (DGifSlurp(gif.get()) != GIF_OK) {
        error = "cannot read " + path + ": " + GifErrorString(gif->Error);
        return false;
    }
    animation.width = gif->SWidth;
    animation.height = gif->SHeight;
    if (animation.width < 1 || animation.height < 1 || gif->ImageCount < 1) {
        error = path + " has no logical screen or no frames";
        return false;
    }
    if (const ColorMapObject *map = gif->SColorMap; map != nullptr && gif->SBackGroundColor < map->ColorCount) {
        const GifColorType &c = map->Colors[gif->SBackGroundColor];
        animation.background = RGB(c.Red, c.Green, c.Blue);
    }
    animation.frames.resize(static_cast<size_t>(gif->ImageCount));
    for (int i = 0; i < gif->ImageCount; ++i)
        if (!ReadFrame(gif.get(), i, animation.frames[static_cast<size_t>(i)], error)) return false;
    return true;
}

#endif

}  // namespace zeltpaint
