// Host access to surfaces: reading pixels and saving PNG files, for tests
// and tools.
#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "gdi/bitmap.h"
#include "gdi/dc.h"
#include "zelt/host.h"

using namespace zelt::platform;

namespace {

const Surface *SurfaceOf(HGDIOBJ handle) {
    if (const DcObject *dc = FindObject<DcObject>(handle)) return &dc->Target();
    if (const BitmapObject *bitmap = FindObject<BitmapObject>(handle)) return &bitmap->GetSurface();
    return nullptr;
}

DWORD RgbOf(const Surface &surface, int x, int y) {
    const COLORREF c = surface.GetColor(x, y);
    return DWORD{GetRValue(c)} << 16 | DWORD{GetGValue(c)} << 8 | GetBValue(c);
}

}  // namespace

extern "C" {

BOOL ZeltHostReadPixels(HGDIOBJ dcOrBitmap, int x, int y, int width, int height, DWORD *rgb) {
    const Surface *surface = SurfaceOf(dcOrBitmap);
    if (surface == nullptr || rgb == nullptr || width < 0 || height < 0 || x < 0 || y < 0 ||
        x + width > surface->width || y + height > surface->height)
        return FALSE;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) *rgb++ = RgbOf(*surface, x + column, y + row);
    return TRUE;
}

BOOL ZeltHostSaveSurfacePng(HGDIOBJ dcOrBitmap, const char *path) {
    const Surface *surface = SurfaceOf(dcOrBitmap);
    if (surface == nullptr || path == nullptr) return FALSE;
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path, "wb"), &std::fclose);
    if (!file) return FALSE;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return FALSE;
    }
    std::vector<png_byte> row(static_cast<std::size_t>(surface->width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return FALSE;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(surface->width), static_cast<png_uint_32>(surface->height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < surface->height; ++y) {
        for (int x = 0; x < surface->width; ++x) {
            const DWORD rgb = RgbOf(*surface, x, y);
            row[3 * x] = static_cast<png_byte>(rgb >> 16);
            row[3 * x + 1] = static_cast<png_byte>(rgb >> 8);
            row[3 * x + 2] = static_cast<png_byte>(rgb);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return TRUE;
}

}  // extern "C"
