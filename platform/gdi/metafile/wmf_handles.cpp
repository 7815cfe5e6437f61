// Classic metafile handles: bytes in and out, copies, files, deletion.
// Only memory metafiles of version 3.0 are taken (type 1, a 9-word header,
// version 0x0300), as the reference system's SetMetaFileBitsEx does; a
// file's disk type becomes the memory type. The size in the header is not
// trusted: a metafile's size is the number of bytes it was given.
#include <algorithm>
#include <cstring>

#include "gdi/metafile/metafile_disk.h"
#include "gdi/metafile/metafile_object.h"
#include "gdi/metafile/record_stream.h"

namespace zelt::platform {
namespace {

constexpr std::size_t kHeaderBytes = 18;
// Type, header size and version, then the size in words: the least a
// metafile's bytes must hold.
constexpr std::size_t kSizedPrefixBytes = 10;

bool AcceptedHeader(const unsigned char *data, bool diskTypeToo) noexcept {
    const unsigned type = ReadU16(data);
    return (type == 1 || (diskTypeToo && type == 2)) && ReadU16(data + 2) == kHeaderBytes / 2 &&
           ReadU16(data + 4) == 0x0300;
}

// A new metafile of `size` bytes of `data`, its header stating that size
// and the memory type.
HMETAFILE NewClassic(const unsigned char *data, std::size_t size) noexcept {
    HANDLE handle = NewMetaFile(false, data, size);
    if (handle == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    unsigned char *stored = FindMetaFile(handle, false)->Bytes().Data();
    WriteU16(stored, 1);
    WriteU32(stored + 6, static_cast<std::uint32_t>(size / 2));
    return static_cast<HMETAFILE>(handle);
}

MetaFileObject *FindClassic(HMETAFILE handle) noexcept {
    MetaFileObject *metafile = FindMetaFile(handle, false);
    if (metafile == nullptr) SetLastError(ERROR_INVALID_HANDLE);
    return metafile;
}

}  // namespace
}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

HMETAFILE WINAPI SetMetaFileBitsEx(UINT cbBuffer, const BYTE *lpData) {
    // An odd size is refused before anything is looked at.
    if (cbBuffer % 2 != 0) return nullptr;
    if (lpData == nullptr || cbBuffer < kSizedPrefixBytes || !AcceptedHeader(lpData, false)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return NewClassic(lpData, cbBuffer);
}

UINT WINAPI GetMetaFileBitsEx(HMETAFILE hMF, UINT cbBuffer, LPVOID lpData) {
    const MetaFileObject *metafile = FindClassic(hMF);
    if (metafile == nullptr) return 0;
    if (lpData == nullptr) return static_cast<UINT>(metafile->Size());
    const std::size_t count = std::min<std::size_t>(cbBuffer, metafile->Size());
    if (count != 0) std::memcpy(lpData, metafile->Data(), count);
    return static_cast<UINT>(count);
}

HMETAFILE WINAPI CopyMetaFileA(HMETAFILE hmfSrc, LPCSTR lpszFile) {
    const MetaFileObject *metafile = FindClassic(hmfSrc);
    if (metafile == nullptr) return nullptr;
    if (lpszFile != nullptr && !WriteWholeFile(lpszFile, metafile->Data(), metafile->Size())) return nullptr;
    HANDLE copy = NewMetaFile(false, metafile->Data(), metafile->Size());
    if (copy == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<HMETAFILE>(copy);
}

HMETAFILE WINAPI GetMetaFileA(LPCSTR lpName) {
    ByteBuffer file;
    if (!ReadWholeFile(lpName, file)) return nullptr;
    // A file with a placeable header (or anything else) is not a metafile
    // these calls read.
    if (file.Size() < kHeaderBytes || !AcceptedHeader(file.Data(), true)) return nullptr;
    // The stated size, when the file holds it; otherwise what it holds.
    const std::size_t stated = std::size_t{ReadU32(file.Data() + 6)} * 2;
    const std::size_t size = stated >= kHeaderBytes && stated <= file.Size() ? stated : file.Size() & ~std::size_t{1};
    return NewClassic(file.Data(), size);
}

BOOL WINAPI DeleteMetaFile(HMETAFILE hmf) {
    if (FindClassic(hmf) == nullptr) return FALSE;
    return DestroyObject(hmf) ? TRUE : FALSE;
}

}  // extern "C"
