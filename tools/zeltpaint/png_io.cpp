#include "png_io.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace zeltpaint {
namespace {

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads the PNG's rows (already set up to arrive as `bitsPerPixel`-bit
// pixels of `bytesPerPixel` bytes) into a new bitmap; frees libpng's state.
int ReadRowsInto(png_structp png, png_infop info, png_uint_32 width, png_uint_32 height, int bitsPerPixel, int order,
                 int bytesPerPixel, BitmapRecord *bitmap, std::string &error) {
    // Declared before setjmp: a longjmp out of libpng must not skip them.
    std::vector<BYTE> pixels;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        error = "not a readable PNG file";
        return STATUS_INVALID_DATA;
    }
    const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
    pixels.resize(rowBytes * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = &pixels[y * rowBytes];
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);

    int status = KrnCreateBitmap(bitmap, KRN_MEMORY_CONVENTIONAL, static_cast<int>(width), static_cast<int>(height),
                                 bitsPerPixel, order, nullptr, 0, nullptr, 0);
    if (status != STATUS_OK) {
        error = "not enough memory for the image";
        return status;
    }
    for (png_uint_32 y = 0; y < height; ++y) {
        const int copied = KrnPutBitmapRow(bitmap, rows[y], static_cast<int>(y), static_cast<DWORD>(rowBytes));
        if (copied < 0) {
            KrnFreeBitmap(bitmap);
            error = "the kernel refused a row";
            return copied;
        }
    }
    return STATUS_OK;
}

int LoadPng(std::FILE *file, BitmapRecord *bitmap, std::string &error) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        error = "out of memory";
        return STATUS_NO_MEMORY;
    }
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
    if (width == 0 || height == 0 || width > 65535 || height > 65535) {
        png_destroy_read_struct(&png, &info, nullptr);
        error = "image size out of range";
        return STATUS_INVALID_DATA;
    }
    // 16-bit gray stays deep (one little-endian sample a pixel), so that
    // window levelling has its levels to work on.
    const bool deepGray = png_get_bit_depth(png, info) == 16 && png_get_color_type(png, info) == PNG_COLOR_TYPE_GRAY;
    if (deepGray) {
        png_set_swap(png);
        png_read_update_info(png, info);
        return ReadRowsInto(png, info, width, height, 16, 2, 2, bitmap, error);
    }
    // Everything becomes 8-bit BGR: palettes expanded, gray widened, alpha
    // dropped, 16-bit channels cut to their high bytes.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_read_update_info(png, info);
    return ReadRowsInto(png, info, width, height, 24, 1, 3, bitmap, error);
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
    // The reader trusts the header, so the file must hold what it promises.
    if (bits != nullptr && bytes.size() >= sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) {
        BITMAPINFOHEADER info;
        std::memcpy(&info, header, sizeof(info));
        if (info.biSize >= sizeof(BITMAPINFOHEADER) && info.biCompression == BI_RGB) {
            const long long stride = ((static_cast<long long>(info.biWidth) * info.biBitCount + 31) / 32) * 4;
            const long long need = stride * std::llabs(static_cast<long long>(info.biHeight));
            if (need > static_cast<long long>(bytes.data() + bytes.size() - bits)) {
                error = "the BMP file is shorter than its header says";
                return STATUS_INVALID_DATA;
            }
        }
    }
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

bool WritePicturePng(const Picture &picture, const std::string &path, std::string &error) {
    std::vector<BYTE> rgb(picture.pixels.size() * 3);
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        rgb[3 * i] = static_cast<BYTE>(picture.pixels[i] >> 16);
        rgb[3 * i + 1] = static_cast<BYTE>(picture.pixels[i] >> 8);
        rgb[3 * i + 2] = static_cast<BYTE>(picture.pixels[i]);
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
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y) png_write_row(png, &rgb[static_cast<size_t>(y) * picture.width * 3]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace zeltpaint
