#include "png_io.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace zeltpaint {
namespace {

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads every stored row of `bitmap` as 24-bit blue-green-red.
bool ReadRowsAs24(BitmapRecord *bitmap, std::vector<BYTE> &pixels, std::string &error) {
    const int width = bitmap->Width, height = bitmap->Height;
    const DWORD rowBytes = KrnGetRowBufferSize(width, bitmap->BitsPerPixel, width, 24);
    std::vector<BYTE> row(rowBytes);
    std::vector<RGBQUAD> colors(256);
    const int colorCount = bitmap->BitsPerPixel <= 8 ? KrnGetBitmapColors(bitmap, 0, 256, colors.data()) : 0;
    const bool gray = bitmap->Order == 2 && bitmap->BitsPerPixel > 8;
    pixels.assign(static_cast<size_t>(width) * height * 3, 0);
    const int token = KrnAccessBitmap(bitmap);
    if (token < 0) {
        error = "the bitmap holds no image";
        return false;
    }
    bool ok = true;
    for (int y = 0; y < height && ok; ++y) {
        ok = KrnGetBitmapRow(bitmap, row.data(), y, static_cast<DWORD>(bitmap->BytesPerLine)) >= 0 &&
             KrnConvertRowTo24(row.data(), row.data(), width, bitmap->BitsPerPixel, bitmap->Order, 24, 1,
                               colorCount ? colors.data() : nullptr, colorCount,
                               gray ? KRN_CONVERT_GRAY | KRN_CONVERT_BIT_WINDOW : 0, bitmap->LowBit,
                               bitmap->HighBit) == STATUS_OK;
        if (ok) std::memcpy(&pixels[static_cast<size_t>(y) * width * 3], row.data(), static_cast<size_t>(width) * 3);
    }
    KrnReleaseBitmapAccess(bitmap, token);
    if (!ok) error = "the kernel could not read the bitmap's rows";
    return ok;
}

int LoadPng(std::FILE *file, BitmapRecord *bitmap, std::string &error) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        error = "out of memory";
        return STATUS_NO_MEMORY;
    }
    // Declared before setjmp: a longjmp out of libpng must not skip them.
    std::vector<BYTE> pixels;
    std::vector<png_bytep> rows;
    png_uint_32 width = 0, height = 0;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        error = "not a readable PNG file";
        return STATUS_INVALID_DATA;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    // Everything becomes 8-bit BGR: palettes expanded, gray widened, alpha
    // dropped, 16-bit channels cut to their high bytes.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_read_update_info(png, info);
    if (width == 0 || height == 0 || width > 65535 || height > 65535) {
        png_destroy_read_struct(&png, &info, nullptr);
        error = "image size out of range";
        return STATUS_INVALID_DATA;
    }
    pixels.resize(static_cast<size_t>(width) * height * 3);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = &pixels[static_cast<size_t>(y) * width * 3];
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);

    int status = KrnCreateBitmap(bitmap, KRN_MEMORY_CONVENTIONAL, static_cast<int>(width), static_cast<int>(height),
                                 24, 1, nullptr, 0, nullptr, 0);
    if (status != STATUS_OK) {
        error = "not enough memory for the image";
        return status;
    }
    for (png_uint_32 y = 0; y < height; ++y) {
        const int copied = KrnPutBitmapRow(bitmap, rows[y], static_cast<int>(y), width * 3);
        if (copied < 0) {
            KrnFreeBitmap(bitmap);
            error = "the kernel refused a row";
            return copied;
        }
    }
    return STATUS_OK;
}

int LoadBmp(std::FILE *file, BitmapRecord *bitmap, std::string &error) {
    std::vector<BYTE> bytes;
    BYTE chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof(chunk), file)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    if (bytes.size() < sizeof(BITMAPFILEHEADER) + 12) {
        error = "file too short for a BMP";
        return STATUS_INVALID_DATA;
    }
    BITMAPFILEHEADER fileHeader;
    std::memcpy(&fileHeader, bytes.data(), sizeof(fileHeader));
    const BYTE *header = bytes.data() + sizeof(BITMAPFILEHEADER);
    const BYTE *bits = fileHeader.bfOffBits >= sizeof(BITMAPFILEHEADER) && fileHeader.bfOffBits < bytes.size()
                           ? bytes.data() + fileHeader.bfOffBits
                           : nullptr;
    const int status = KrnConvertFromDib(bitmap, header, bits);
    if (status != STATUS_OK) error = "the BMP file's header or data is not usable";
    return status;
}

}  // namespace

int LoadImageFile(const std::string &path, BitmapRecord *bitmap, std::string &error) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return STATUS_FILE_OPEN;
    }
    BYTE magic[8] = {};
    const size_t got = std::fread(magic, 1, sizeof(magic), file.get());
    std::rewind(file.get());
    if (got == 8 && png_sig_cmp(magic, 0, 8) == 0) return LoadPng(file.get(), bitmap, error);
    if (got >= 2 && magic[0] == 'B' && magic[1] == 'M') return LoadBmp(file.get(), bitmap, error);
    error = "'" + path + "' is neither a PNG nor a BMP file";
    return STATUS_INVALID_DATA;
}

bool WriteDisplayedPng(BitmapRecord *bitmap, const std::string &path, std::string &error) {
    std::vector<BYTE> stored;
    if (!ReadRowsAs24(bitmap, stored, error)) return false;

    // Displayed size and, per displayed pixel, the stored pixel shown there.
    RECT shown = {0, 0, bitmap->Width, bitmap->Height};
    KrnRectFromBitmap(bitmap, 0, &shown);
    const int width = shown.right - shown.left, height = shown.bottom - shown.top;
    std::vector<BYTE> displayed(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            RECT pixel = {x, y, x + 1, y + 1};
            KrnRectToBitmap(bitmap, 0, &pixel);
            const BYTE *from = &stored[(static_cast<size_t>(pixel.top) * bitmap->Width + pixel.left) * 3];
            BYTE *to = &displayed[(static_cast<size_t>(y) * width + x) * 3];
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }

    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = "cannot create '" + path + "': " + std::strerror(errno);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        error = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = "writing '" + path + "' failed";
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) png_write_row(png, &displayed[static_cast<size_t>(y) * width * 3]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace zeltpaint
