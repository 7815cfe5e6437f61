// Enhanced metafile handles: the header, the bytes, the description and
// the palette out; bytes and files in; copies and deletion. Bytes are taken
// when they hold a whole header with the signature, of type EMR_HEADER,
// and at least the nBytes the header states; the handle keeps nBytes.
#include <algorithm>
#include <cstring>

#include "gdi/metafile/emf_format.h"
#include "gdi/metafile/metafile_disk.h"
#include "gdi/metafile/metafile_object.h"
#include "gdi/metafile/record_stream.h"

namespace zelt::platform {
namespace {

constexpr std::size_t kSizeOffset = 4, kSignatureOffset = 40, kBytesOffset = 48, kDescriptionOffset = 60,
                      kPalEntriesOffset = 68;

// The size a valid metafile's bytes have, or 0 (with ERROR_INVALID_DATA for
// a header of another type, the last error untouched otherwise).
std::size_t AcceptedSize(const unsigned char *data, std::size_t size) noexcept {
    if (data == nullptr || size < emf::kMinimalHeaderBytes || ReadU32(data + kSignatureOffset) != ENHMETA_SIGNATURE)
        return 0;
    if (ReadU32(data) != emf::kHeader) {
        SetLastError(ERROR_INVALID_DATA);
        return 0;
    }
    const std::size_t header = ReadU32(data + kSizeOffset), bytes = ReadU32(data + kBytesOffset);
    if (header < emf::kMinimalHeaderBytes || header > bytes || bytes > size) return 0;
    return bytes;
}

HENHMETAFILE NewEnhanced(const unsigned char *data, std::size_t size) noexcept {
    const std::size_t accepted = AcceptedSize(data, size);
    if (accepted == 0) return nullptr;
    HANDLE handle = NewMetaFile(true, data, accepted);
    if (handle == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<HENHMETAFILE>(handle);
}

MetaFileObject *FindEnhanced(HENHMETAFILE handle) noexcept {
    MetaFileObject *metafile = FindMetaFile(handle, true);
    if (metafile == nullptr) SetLastError(ERROR_INVALID_HANDLE);
    return metafile;
}

// Copies min(size, available) bytes when `buffer` is given; returns the
// count copied, or `available` for a size query.
UINT CopyOut(const unsigned char *data, std::size_t available, UINT size, void *buffer) noexcept {
    if (buffer == nullptr) return static_cast<UINT>(available);
    const std::size_t count = std::min<std::size_t>(size, available);
    if (count != 0) std::memcpy(buffer, data, count);
    return static_cast<UINT>(count);
}

// The description's UTF-16 characters, or nullptr when it has none or it
// does not lie inside the header.
const unsigned char *Description(const MetaFileObject &metafile, std::size_t &chars) noexcept {
    const unsigned char *data = metafile.Data();
    chars = ReadU32(data + kDescriptionOffset);
    const std::size_t offset = ReadU32(data + kDescriptionOffset + 4), header = ReadU32(data + kSizeOffset);
    if (chars == 0 || offset < emf::kMinimalHeaderBytes || offset > header || chars > (header - offset) / 2)
        return nullptr;
    return data + offset;
}

template <class Char>
UINT DescriptionOut(HENHMETAFILE handle, UINT size, Char *buffer) noexcept {
    const MetaFileObject *metafile = FindEnhanced(handle);
    if (metafile == nullptr) return GDI_ERROR;
    std::size_t chars = 0;
    const unsigned char *text = Description(*metafile, chars);
    if (text == nullptr) return 0;
    if (buffer == nullptr) return static_cast<UINT>(chars);
    const std::size_t count = std::min<std::size_t>(size, chars);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned unit = ReadU16(text + 2 * i);
        // The ANSI form keeps Latin-1 characters and marks the rest.
        buffer[i] = static_cast<Char>(sizeof(Char) == 1 && unit > 0xFF ? '?' : unit);
    }
    return static_cast<UINT>(count);
}

}  // namespace
}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

HENHMETAFILE WINAPI SetEnhMetaFileBits(UINT nSize, const BYTE *pb) { return NewEnhanced(pb, nSize); }

HENHMETAFILE WINAPI GetEnhMetaFileA(LPCSTR lpName) {
    ByteBuffer file;
    if (!ReadWholeFile(lpName, file)) return nullptr;
    return NewEnhanced(file.Data(), file.Size());
}

UINT WINAPI GetEnhMetaFileHeader(HENHMETAFILE hemf, UINT nSize, LPENHMETAHEADER lpEnhMetaHeader) {
    const MetaFileObject *metafile = FindEnhanced(hemf);
    if (metafile == nullptr) return 0;
    return CopyOut(metafile->Data(), ReadU32(metafile->Data() + kSizeOffset), nSize, lpEnhMetaHeader);
}

UINT WINAPI GetEnhMetaFileBits(HENHMETAFILE hEMF, UINT nSize, LPBYTE lpData) {
    const MetaFileObject *metafile = FindEnhanced(hEMF);
    if (metafile == nullptr) return 0;
    return CopyOut(metafile->Data(), metafile->Size(), nSize, lpData);
}

HENHMETAFILE WINAPI CopyEnhMetaFileA(HENHMETAFILE hEnh, LPCSTR lpFileName) {
    const MetaFileObject *metafile = FindEnhanced(hEnh);
    if (metafile == nullptr) return nullptr;
    if (lpFileName != nullptr && !WriteWholeFile(lpFileName, metafile->Data(), metafile->Size())) return nullptr;
    HANDLE copy = NewMetaFile(true, metafile->Data(), metafile->Size());
    if (copy == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<HENHMETAFILE>(copy);
}

BOOL WINAPI DeleteEnhMetaFile(HENHMETAFILE hmf) {
    if (FindEnhanced(hmf) == nullptr) return FALSE;
    return DestroyObject(hmf) ? TRUE : FALSE;
}

UINT WINAPI GetEnhMetaFileDescriptionA(HENHMETAFILE hemf, UINT cchBuffer, LPSTR lpDescription) {
    return DescriptionOut(hemf, cchBuffer, lpDescription);
}

UINT WINAPI GetEnhMetaFileDescriptionW(HENHMETAFILE hemf, UINT cchBuffer, WCHAR *lpDescription) {
    return DescriptionOut(hemf, cchBuffer, lpDescription);
}

// The palette sits in the end-of-file record, which the last four bytes of
// the metafile measure.
UINT WINAPI GetEnhMetaFilePaletteEntries(HENHMETAFILE hemf, UINT nNumEntries, LPPALETTEENTRY lpPaletteEntries) {
    const MetaFileObject *metafile = FindEnhanced(hemf);
    if (metafile == nullptr) return GDI_ERROR;
    const unsigned char *data = metafile->Data();
    const std::size_t size = metafile->Size();
    const std::size_t entries = ReadU32(data + kPalEntriesOffset);
    if (lpPaletteEntries == nullptr || entries == 0) return static_cast<UINT>(entries);
    const std::size_t eofSize = size >= 4 ? ReadU32(data + size - 4) : 0;
    if (eofSize < 20 || eofSize > size) return GDI_ERROR;
    const unsigned char *eof = data + size - eofSize;
    const std::size_t count = ReadU32(eof + 8), offset = ReadU32(eof + 12);
    if (ReadU32(eof) != emf::kEof || count != entries || offset > eofSize || count > (eofSize - offset) / 4)
        return GDI_ERROR;
    const std::size_t copied = std::min<std::size_t>(nNumEntries, count);
    if (copied != 0) std::memcpy(lpPaletteEntries, eof + offset, copied * sizeof(PALETTEENTRY));
    return static_cast<UINT>(copied);
}

}  // extern "C"
