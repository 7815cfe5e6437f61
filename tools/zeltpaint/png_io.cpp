#include "png_io.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "png_codec.h"

namespace zeltpaint {
namespace {

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

int LoadPng(const std::vector<BYTE> &bytes, BitmapRecord *bitmap, std::string &error) {
    DecodedPng png;
    switch (DecodePng(bytes, png)) {
        case PngStatus::kOk: break;
        case PngStatus::kSizeOutOfRange: error = "image size out of range"; return STATUS_INVALID_DATA;
        case PngStatus::kNoMemory: error = "out of memory"; return STATUS_NO_MEMORY;
        case PngStatus::kUnreadable: error = "not a readable PNG file"; return STATUS_INVALID_DATA;
    }
    // 16-bit gray stays deep (one little-endian sample a pixel), so that
    // window levelling has its levels to work on; the rest is 24-bit BGR.
    const int status = KrnCreateBitmap(bitmap, KRN_MEMORY_CONVENTIONAL, static_cast<int>(png.width),
                                       static_cast<int>(png.height), png.deepGray ? 16 : 24, png.deepGray ? 2 : 1,
                                       nullptr, 0, nullptr, 0);
    if (status != STATUS_OK) {
        error = "not enough memory for the image";
        return status;
    }
    const size_t rowBytes = png.RowBytes();
    for (std::uint32_t y = 0; y < png.height; ++y) {
        const int copied = KrnPutBitmapRow(bitmap, &png.pixels[y * rowBytes], static_cast<int>(y), static_cast<DWORD>(rowBytes));
        if (copied < 0) {
            KrnFreeBitmap(bitmap);
            error = "the kernel refused a row";
            return copied;
        }
    }
    return STATUS_OK;
}

int LoadBmp(const std::vector<BYTE> &bytes, BitmapRecord *bitmap, std::string &error) {
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
    std::vector<BYTE> bytes;
    try {
        BYTE chunk[65536];
        for (size_t n; (n = std::fread(chunk, 1, sizeof(chunk), file.get())) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    } catch (const std::bad_alloc &) {
        error = "out of memory";
        return STATUS_NO_MEMORY;
    }
    if (HasPngSignature(bytes)) return LoadPng(bytes, bitmap, error);
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return LoadBmp(bytes, bitmap, error);
    error = "'" + path + "' is neither a PNG nor a BMP file";
    return STATUS_INVALID_DATA;
}

bool WritePicturePng(const Picture &picture, const std::string &path, std::string &error) {
    std::vector<BYTE> rgb, png;
    try {
        rgb.resize(picture.pixels.size() * 3);
    } catch (const std::bad_alloc &) {
        error = "out of memory";
        return false;
    }
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        rgb[3 * i] = static_cast<BYTE>(picture.pixels[i] >> 16);
        rgb[3 * i + 1] = static_cast<BYTE>(picture.pixels[i] >> 8);
        rgb[3 * i + 2] = static_cast<BYTE>(picture.pixels[i]);
    }
    if (!EncodePng(rgb, static_cast<std::uint32_t>(picture.width), static_cast<std::uint32_t>(picture.height),
                   PngFormat::kRgb8, png)) {
        error = "out of memory";
        return false;
    }
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot create '" + path + "': " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    if (std::fclose(file) != 0 || !written) {
        error = "writing '" + path + "' failed";
        return false;
    }
    return true;
}

}  // namespace zeltpaint
