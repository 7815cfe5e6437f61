#include "gdi/metafile/metafile_disk.h"

#include <cerrno>
#include <cstdio>

#include "zelt/win32.h"

namespace zelt::platform {
namespace {

// A metafile larger than this is not a picture anyone sends.
constexpr long kLargestFile = 1L << 30;

void SetErrorFromErrno() noexcept {
    switch (errno) {
        case ENOENT:
        case ENOTDIR: SetLastError(ERROR_FILE_NOT_FOUND); break;
        case ENOMEM: SetLastError(ERROR_NOT_ENOUGH_MEMORY); break;
        default: SetLastError(ERROR_ACCESS_DENIED); break;
    }
}

struct FileCloser {
    std::FILE *file;
    ~FileCloser() {
        if (file != nullptr) std::fclose(file);
    }
};

}  // namespace

bool WriteWholeFile(const char *path, const unsigned char *data, std::size_t size) noexcept {
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    FileCloser out{std::fopen(path, "wb")};
    if (out.file == nullptr) {
        SetErrorFromErrno();
        return false;
    }
    SetLastError(ERROR_SUCCESS);
    const bool written = std::fwrite(data, 1, size, out.file) == size;
    const bool closed = std::fclose(out.file) == 0;
    out.file = nullptr;
    if (!written || !closed) {
        SetLastError(ERROR_ACCESS_DENIED);
        std::remove(path);
        return false;
    }
    return true;
}

bool ReadWholeFile(const char *path, ByteBuffer &bytes) noexcept {
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    FileCloser in{std::fopen(path, "rb")};
    if (in.file == nullptr) {
        SetErrorFromErrno();
        return false;
    }
    SetLastError(ERROR_SUCCESS);
    if (std::fseek(in.file, 0, SEEK_END) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    const long size = std::ftell(in.file);
    if (size < 0 || size > kLargestFile || std::fseek(in.file, 0, SEEK_SET) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    ByteBuffer read;
    if (!read.Reset(static_cast<std::size_t>(size))) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    if (size != 0 && std::fread(read.Data(), 1, read.Size(), in.file) != read.Size()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    bytes = std::move(read);
    return true;
}

}  // namespace zelt::platform

// The platform's one file call, beside the only code that writes files.
extern "C" BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
    if (lpFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (std::remove(lpFileName) != 0) {
        zelt::platform::SetErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}
