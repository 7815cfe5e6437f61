// Raw binary files on the C runtime's descriptors.
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "zelt/kernel.h"

namespace {

#if defined(_WIN32)
constexpr int kBinary = _O_BINARY;
int OpenDescriptor(const char *path, int flags, int mode) { return _open(path, flags, mode); }
long long SeekDescriptor(int file, long long offset, int origin) { return _lseeki64(file, offset, origin); }
int ReadDescriptor(int file, void *buffer, unsigned bytes) { return _read(file, buffer, bytes); }
int WriteDescriptor(int file, const void *buffer, unsigned bytes) { return _write(file, buffer, bytes); }
int CloseDescriptor(int file) { return _close(file); }
constexpr int kReadPermission = _S_IREAD;
constexpr int kWritePermission = _S_IWRITE;
#else
constexpr int kBinary = 0;
int OpenDescriptor(const char *path, int flags, int mode) { return open(path, flags | O_CLOEXEC, mode); }
long long SeekDescriptor(int file, long long offset, int origin) { return lseek(file, offset, origin); }
int ReadDescriptor(int file, void *buffer, unsigned bytes) {
    ssize_t got;
    do got = read(file, buffer, bytes);
    while (got < 0 && errno == EINTR);
    return static_cast<int>(got);
}
int WriteDescriptor(int file, const void *buffer, unsigned bytes) {
    ssize_t put;
    do put = write(file, buffer, bytes);
    while (put < 0 && errno == EINTR);
    return static_cast<int>(put);
}
int CloseDescriptor(int file) { return close(file); }
constexpr int kReadPermission = S_IRUSR;
constexpr int kWritePermission = S_IWUSR;
#endif

// Transfers are limited so that the count fits the int result.
constexpr unsigned kMaxTransfer = INT_MAX;

}  // namespace

extern "C" {

int ZELT_API KrnOpenFile(const char *path, int flags, int mode) {
    if (path == nullptr) return -1;
    int access;
    switch (flags & 0x3) {
    case KRN_FILE_READ: access = O_RDONLY; break;
    case KRN_FILE_WRITE: access = O_WRONLY; break;
    case KRN_FILE_READWRITE: access = O_RDWR; break;
    default: return -1;
    }
    if ((flags & KRN_FILE_CREATE) != 0) access |= O_CREAT;
    if ((flags & KRN_FILE_TRUNCATE) != 0) access |= O_TRUNC;
    if ((flags & KRN_FILE_BINARY) != 0) access |= kBinary;
    int permissions = 0;
    if ((mode & KRN_FILE_MODE_READ) != 0) permissions |= kReadPermission;
    if ((mode & KRN_FILE_MODE_WRITE) != 0) permissions |= kWritePermission;
    const int file = OpenDescriptor(path, access, permissions);
    return file < 0 ? -1 : file;
}

LONG ZELT_API KrnSeekFile(int file, LONG offset, int origin) {
    if (file < 0 || origin < SEEK_SET || origin > SEEK_END) return -1;
    const long long position = SeekDescriptor(file, offset, origin);
    // A position past LONG cannot be reported.
    if (position < 0 || position > LONG_MAX) return -1;
    return static_cast<LONG>(position);
}

int ZELT_API KrnReadFile(int file, void *buffer, UINT bytes) {
    if (file < 0 || (buffer == nullptr && bytes != 0)) return -1;
    const int got = ReadDescriptor(file, buffer, bytes < kMaxTransfer ? bytes : kMaxTransfer);
    return got < 0 ? -1 : got;
}

int ZELT_API KrnWriteFile(int file, const void *buffer, UINT bytes) {
    if (file < 0 || (buffer == nullptr && bytes != 0)) return -1;
    const int put = WriteDescriptor(file, buffer, bytes < kMaxTransfer ? bytes : kMaxTransfer);
    return put < 0 ? -1 : put;
}

int ZELT_API KrnCloseFile(int file) {
    if (file < 0) return -1;
    return CloseDescriptor(file) == 0 ? 0 : -1;
}

}  // extern "C"
