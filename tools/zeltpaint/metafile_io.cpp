#include "metafile_io.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "zelt/display.h"

namespace zeltpaint {
namespace {

constexpr DWORD kPlaceableKey = 0x9AC6CDD7;
constexpr WORD kInchOfPixels = 96;

DWORD Dword(const unsigned char *p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24; }
WORD Word(const unsigned char *p) { return static_cast<WORD>(p[0] | p[1] << 8); }

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The 22-byte header files of classic metafiles start with: the picture's
// box in logical units and how many of them make an inch.
std::vector<unsigned char> PlaceableHeader(int width, int height) {
    const WORD words[10] = {static_cast<WORD>(kPlaceableKey), static_cast<WORD>(kPlaceableKey >> 16), 0, 0, 0,
                            static_cast<WORD>(width), static_cast<WORD>(height), kInchOfPixels, 0, 0};
    WORD checksum = 0;
    for (WORD w : words) checksum ^= w;
    std::vector<unsigned char> header;
    for (WORD w : words) header.push_back(static_cast<unsigned char>(w)), header.push_back(static_cast<unsigned char>(w >> 8));
    header.push_back(static_cast<unsigned char>(checksum));
    header.push_back(static_cast<unsigned char>(checksum >> 8));
    return header;
}

// The metafile's bytes through the Win32 calls that hand them out.
std::vector<unsigned char> MetafileBytes(HANDLE handle, bool enhanced) {
    std::vector<unsigned char> bytes;
    if (enhanced) {
        const HENHMETAFILE metafile = static_cast<HENHMETAFILE>(handle);
        bytes.resize(GetEnhMetaFileBits(metafile, 0, nullptr));
        if (!bytes.empty() && GetEnhMetaFileBits(metafile, static_cast<UINT>(bytes.size()), bytes.data()) != bytes.size())
            bytes.clear();
    } else {
        const HMETAFILE metafile = static_cast<HMETAFILE>(handle);
        bytes.resize(GetMetaFileBitsEx(metafile, 0, nullptr));
        if (!bytes.empty() && GetMetaFileBitsEx(metafile, static_cast<UINT>(bytes.size()), bytes.data()) != bytes.size())
            bytes.clear();
    }
    return bytes;
}

}  // namespace

bool LooksLikeMetafile(const std::string &path) {
    File file(std::fopen(path.c_str(), "rb"));
    unsigned char head[44] = {};
    const size_t got = file ? std::fread(head, 1, sizeof(head), file.get()) : 0;
    if (got >= 4 && Dword(head) == kPlaceableKey) return true;
    if (got >= 18 && Word(head) <= 2 && Word(head + 2) == 9 && (Word(head + 4) == 0x0300 || Word(head + 4) == 0x0100))
        return true;
    return got >= 44 && Dword(head) == 1 && Dword(head + 40) == 0x464D4520;
}

int LoadMetafileImage(const std::string &path, int width, int height, BitmapRecord *bitmap, std::string &error) {
    MetaBitmap meta{};
    int status = Z_LoadMetaBitmap(path.c_str(), &meta);
    if (status != STATUS_OK) {
        error = "cannot read '" + path + "' as a metafile";
        return status;
    }
    status = Z_ConvertFromMetafile(bitmap, meta.Handle, width, height);
    if (status != STATUS_OK) error = "cannot play '" + path + "'";
    Z_DeleteMetaBitmap(&meta);
    return status;
}

bool WriteMetafile(BitmapRecord *image, const std::string &path, bool enhanced, std::string &error) {
    const HANDLE handle = Z_ConvertToMetafile(image, enhanced ? 1 : 0);
    if (handle == nullptr) {
        error = "cannot record the image as a metafile";
        return false;
    }
    MetaBitmap meta{};
    const int status = Z_GetMetafileInfo(handle, &meta);
    std::vector<unsigned char> bytes = MetafileBytes(handle, enhanced);
    if (enhanced)
        DeleteEnhMetaFile(static_cast<HENHMETAFILE>(handle));
    else
        DeleteMetaFile(static_cast<HMETAFILE>(handle));
    if (status != STATUS_OK || bytes.empty()) {
        error = "cannot read the recorded metafile back";
        return false;
    }
    if (!enhanced) {
        const std::vector<unsigned char> header = PlaceableHeader(meta.WindowExtX, meta.WindowExtY);
        bytes.insert(bytes.begin(), header.begin(), header.end());
    }
    File file(std::fopen(path.c_str(), "wb"));
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() || std::fflush(file.get()) != 0) {
        error = "cannot write '" + path + "'";
        return false;
    }
    return true;
}

}  // namespace zeltpaint
