#include "store.h"

#include <algorithm>
#include <vector>

#include "zelt/display.h"

namespace zeltpaint {
namespace {

// Palette a bitmap of `depth` bits gets when the image is stored at that depth.
std::vector<RGBQUAD> PaletteFor(int depth) {
    std::vector<RGBQUAD> colors(static_cast<size_t>(1) << depth);
    if (depth == 1 || depth == 4 || depth == 8) {
        HPALETTE palette = KrnCreateDevicePalette(depth);
        const int n = KrnGetPaletteColors(palette, 0, static_cast<int>(colors.size()), colors.data());
        DeleteObject(palette);
        if (n == static_cast<int>(colors.size())) return colors;
    }
    for (size_t i = 0; i < colors.size(); ++i) {
        const BYTE g = static_cast<BYTE>(i * 255 / (colors.size() - 1));
        colors[i] = {g, g, g, 0};
    }
    return colors;
}

// Every stored row of `bitmap` as 24-bit blue-green-red, row after row.
int ReadRowsAs24(BitmapRecord *bitmap, std::vector<BYTE> &pixels) {
    const int width = bitmap->Width, height = bitmap->Height;
    std::vector<BYTE> row(KrnGetRowBufferSize(width, bitmap->BitsPerPixel, width, 24));
    std::vector<RGBQUAD> colors(256);
    const int colorCount = bitmap->BitsPerPixel <= 8 ? KrnGetBitmapColors(bitmap, 0, 256, colors.data()) : 0;
    const bool gray = bitmap->Order == 2 && bitmap->BitsPerPixel > 8;
    pixels.assign(static_cast<size_t>(width) * height * 3, 0);
    const int token = KrnAccessBitmap(bitmap);
    if (token < 0) return token;
    int status = STATUS_OK;
    for (int y = 0; y < height && status == STATUS_OK; ++y) {
        const int got = KrnGetBitmapRow(bitmap, row.data(), y, static_cast<DWORD>(bitmap->BytesPerLine));
        status = got < 0 ? got
                         : KrnConvertRowTo24(row.data(), row.data(), width, bitmap->BitsPerPixel, bitmap->Order, 24, 1,
                                             colorCount ? colors.data() : nullptr, colorCount,
                                             gray ? KRN_CONVERT_GRAY | KRN_CONVERT_BIT_WINDOW : 0, bitmap->LowBit,
                                             bitmap->HighBit);
        if (status == STATUS_OK)
            std::copy_n(row.data(), static_cast<size_t>(width) * 3, &pixels[static_cast<size_t>(y) * width * 3]);
    }
    KrnReleaseBitmapAccess(bitmap, token);
    return status;
}

}  // namespace

int StoreAtDepth(BitmapRecord *source, int depth, bool gray, int perspective, BitmapRecord *target) {
    const int order = depth == 12 || (depth == 16 && gray) ? 2 : 1;
    // A palette image kept at its own depth keeps its own colours.
    std::vector<RGBQUAD> palette;
    if (depth <= 8) {
        palette.resize(static_cast<size_t>(1) << depth);
        const int own = depth == source->BitsPerPixel
                            ? KrnGetBitmapColors(source, 0, static_cast<int>(palette.size()), palette.data())
                            : 0;
        if (own != static_cast<int>(palette.size())) palette = PaletteFor(depth);
    }
    std::vector<BYTE> sourcePixels;
    int status = ReadRowsAs24(source, sourcePixels);
    if (status != STATUS_OK) return status;

    RECT shown = {0, 0, source->Width, source->Height};
    KrnRectFromBitmap(source, 0, &shown);
    RECT stored = shown;
    KrnMapRectPerspective(0, shown.right, shown.bottom, perspective, &stored);
    status = KrnCreateBitmap(target, KRN_MEMORY_CONVENTIONAL, stored.right - stored.left, stored.bottom - stored.top,
                             depth, order, palette.empty() ? nullptr : palette.data(), perspective, nullptr, 0);
    if (status != STATUS_OK) return status;

    // Row by row of the target: each stored pixel takes the source pixel
    // displayed at the same place.
    std::vector<BYTE> row(KrnGetRowBufferSize(target->Width, 24, target->Width, depth));
    for (int r = 0; r < target->Height && status == STATUS_OK; ++r) {
        for (int c = 0; c < target->Width; ++c) {
            RECT pixel = {c, r, c + 1, r + 1};
            KrnRectFromBitmap(target, 0, &pixel);  // where it is displayed
            KrnRectToBitmap(source, 0, &pixel);    // what the source stores there
            const BYTE *from = &sourcePixels[(static_cast<size_t>(pixel.top) * source->Width + pixel.left) * 3];
            std::copy_n(from, 3, &row[3 * static_cast<size_t>(c)]);
        }
        status = KrnConvertRowTo24(row.data(), row.data(), target->Width, 24, 1, depth, order,
                                   palette.empty() ? nullptr : palette.data(), static_cast<int>(palette.size()),
                                   order == 2 ? KRN_CONVERT_GRAY : 0, target->LowBit, target->HighBit);
        if (status == STATUS_OK && KrnPutBitmapRow(target, row.data(), r, static_cast<DWORD>(target->BytesPerLine)) < 0)
            status = STATUS_BAD_PARAMETER;
    }
    if (status != STATUS_OK) KrnFreeBitmap(target);
    return status;
}

bool ApplyPaintSettings(BitmapRecord *bitmap, const Options &options, std::string &error) {
    if (Z_SetPaintIntensity(bitmap, options.intensity) != STATUS_OK ||
        Z_SetPaintContrast(bitmap, options.contrast) != STATUS_OK ||
        Z_SetPaintGamma(bitmap, options.gamma) != STATUS_OK) {
        error = "the library refused the intensity, contrast or gamma";
        return false;
    }
    if (!options.HasWindowLevel()) return true;
    const bool deepGray = bitmap->Order == 2 && (bitmap->BitsPerPixel == 12 || bitmap->BitsPerPixel == 16);
    if (!deepGray) {
        error = "window level needs a 12 or 16-bit gray image (try --depth 12, or --depth 16 --gray)";
        return false;
    }
    const int bits = static_cast<int>(bitmap->BitsPerPixel);
    const int lowBit = options.windowLowBit >= 0 ? options.windowLowBit : 0;
    const int highBit = options.windowHighBit >= 0 ? std::min(options.windowHighBit, bits - 1) : bits - 1;
    if (lowBit > highBit) {
        error = "--window-bits lies outside the image's samples";
        return false;
    }
    std::vector<RGBQUAD> lut;
    if (options.window) {
        const UINT maxValue = (1u << (highBit + 1)) - 1;
        lut.assign(static_cast<size_t>(1) << (highBit - lowBit + 1), RGBQUAD{0, 0, 0, 0});
        // The fill leaves the last entry as it finds it: the top value is white.
        lut.back() = RGBQUAD{255, 255, 255, 0};
        if (Z_WindowLevelFillLUT(lut.data(), static_cast<UINT>(lut.size()), RGB(0, 0, 0), RGB(255, 255, 255),
                                 options.window->first, options.window->second, static_cast<UINT>(lowBit),
                                 static_cast<UINT>(highBit), 0, maxValue, 0) != STATUS_OK) {
            error = "the library refused the window";
            return false;
        }
    }
    if (Z_WindowLevel(bitmap, lowBit, highBit, lut.empty() ? nullptr : lut.data(), static_cast<UINT>(lut.size()), 0) !=
        STATUS_OK) {
        error = "the library refused the window level";
        return false;
    }
    return true;
}

}  // namespace zeltpaint
