// Z_ParseMetaBits: metafile bytes from a file or a caller's memory. The bytes
// are untrusted: every field is read through a bounds check against `size`.
//
// A classic metafile is described from its (optional) placeable header and
// the first few records, where writers put the mapping mode and extents;
// anything else is handed to GDI as an enhanced metafile.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "interchange/metafile_info.h"

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr UINT kPlaceableHeaderBytes = 22;
constexpr UINT kMetaHeaderBytes = 18;
constexpr UINT kRecordHeadBytes = 6;  // size in words (4), function (2)
constexpr int kRecordsScanned = 10;
constexpr LONG kDefaultResolution = 96;
constexpr LONG kDefaultWidth = 640, kDefaultHeight = 480;

constexpr WORD kSetWindowExt = 0x020C;
constexpr WORD kSetViewportExt = 0x020E;
constexpr WORD kSetMapMode = 0x0103;

// Little-endian fields of a byte range whose end is known.
class Bytes {
public:
    Bytes(BYTE *data, UINT size) : data_(data), size_(size) {}
    bool Has(std::uint64_t offset, std::uint64_t count) const { return offset + count <= size_; }
    WORD Word(std::uint64_t offset) const { return WORD(data_[offset] | data_[offset + 1] << 8); }
    SHORT Short(std::uint64_t offset) const { return static_cast<SHORT>(Word(offset)); }
    std::uint32_t Dword(std::uint64_t offset) const { return Word(offset) | std::uint32_t(Word(offset + 2)) << 16; }
    void SetWord(std::uint64_t offset, WORD value) {
        data_[offset] = BYTE(value);
        data_[offset + 1] = BYTE(value >> 8);
    }
    BYTE *At(std::uint64_t offset) const { return data_ + offset; }
    UINT size() const { return size_; }

private:
    BYTE *data_;
    UINT size_;
};

struct PlaceableHeader {
    bool present = false;
    SHORT left = 0, top = 0, right = 0, bottom = 0;
    WORD unitsPerInch = 0;
};

PlaceableHeader ReadPlaceable(const Bytes &bytes) {
    PlaceableHeader header;
    if (bytes.size() < kPlaceableHeaderBytes || bytes.Dword(0) != kPlaceableKey) return header;
    header.present = true;
    header.left = bytes.Short(6), header.top = bytes.Short(8);
    header.right = bytes.Short(10), header.bottom = bytes.Short(12);
    header.unitsPerInch = bytes.Word(14);
    return header;
}

bool IsClassicHeader(const Bytes &bytes, UINT start) {
    const WORD headerWords = bytes.Word(start + 2), version = bytes.Word(start + 4);
    return headerWords == kMetaHeaderBytes / 2 && (version == 0x0300 || version == 0x0100);
}

// Walks the first records for extents and the mapping mode. A mode that
// fixes the scale (anything but MM_TEXT and the two scalable modes) makes
// the picture's natural size its window extent; MM_TEXT is rewritten to
// MM_ANISOTROPIC so a player's extents scale it.
int ScanRecords(Bytes &bytes, UINT start, bool placeable, MetaBitmap *info, bool *fixedScale) {
    std::uint64_t at = start + kMetaHeaderBytes;
    for (int i = 0; i < kRecordsScanned && bytes.Has(at, kRecordHeadBytes); ++i) {
        const std::uint32_t words = bytes.Dword(at);
        const WORD function = bytes.Word(at + 4);
        if (words == 0 || function == 0) break;
        const std::uint64_t parameters = at + kRecordHeadBytes;
        if ((function == kSetWindowExt && !placeable) || function == kSetViewportExt) {
            if (!bytes.Has(parameters, 4)) return STATUS_INVALID_DATA;
            const LONG y = std::abs(bytes.Short(parameters)), x = std::abs(bytes.Short(parameters + 2));
            (function == kSetWindowExt ? info->WindowExtY : info->DeviceExtY) = y;
            (function == kSetWindowExt ? info->WindowExtX : info->DeviceExtX) = x;
        } else if (function == kSetMapMode) {
            if (!bytes.Has(parameters, 2)) return STATUS_INVALID_DATA;
            const WORD mode = bytes.Word(parameters);
            if (mode == MM_TEXT) bytes.SetWord(parameters, MM_ANISOTROPIC);
            else if (mode != MM_ISOTROPIC && mode != MM_ANISOTROPIC) *fixedScale = true;
        }
        at += std::uint64_t{words} * 2;
    }
    return STATUS_OK;
}

int ParseClassic(Bytes &bytes, UINT start, const PlaceableHeader &placeable, MetaBitmap *info, int create) {
    info->WindowExtX = info->WindowExtY = info->DeviceExtX = info->DeviceExtY = 0;
    LONG resolution = kDefaultResolution;
    info->WindowOrgX = info->WindowOrgY = 0;
    if (placeable.present) {
        info->WindowOrgX = placeable.left, info->WindowOrgY = placeable.top;
        info->WindowExtX = placeable.right - placeable.left, info->WindowExtY = placeable.bottom - placeable.top;
        resolution = placeable.unitsPerInch;
    }
    info->XResolution = info->YResolution = resolution;
    bool fixedScale = false;
    if (const int status = ScanRecords(bytes, start, placeable.present, info, &fixedScale); status != STATUS_OK)
        return status;
    if (info->WindowExtX == 0) info->WindowExtX = kDefaultWidth, info->WindowExtY = kDefaultHeight;
    if (info->DeviceExtX == 0 && fixedScale) info->DeviceExtX = info->WindowExtX, info->DeviceExtY = info->WindowExtY;
    info->DeviceExtX = std::abs(info->DeviceExtX), info->DeviceExtY = std::abs(info->DeviceExtY);
    info->IsEnhanced = 0;
    if (!create) return STATUS_OK;
    info->Handle = SetMetaFileBitsEx(bytes.size() - start, bytes.At(start));
    return info->Handle != nullptr ? STATUS_OK : STATUS_INVALID_DATA;
}

int ParseEnhanced(const Bytes &bytes, MetaBitmap *info, int create) {
    if (!create) return STATUS_INVALID_DATA;
    HENHMETAFILE metafile = SetEnhMetaFileBits(bytes.size(), bytes.At(0));
    if (metafile == nullptr) return STATUS_INVALID_DATA;
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(metafile, interchange::kEnhancedHeaderBytes, &header);
    interchange::DescribeEnhanced(metafile, header, info);
    return STATUS_OK;
}

}  // namespace

int ZELT_API Z_ParseMetaBits(void *data, UINT size, MetaBitmap *metaBitmap, int create) {
    if (metaBitmap == nullptr || (data == nullptr && size != 0)) return STATUS_BAD_PARAMETER;
    Bytes bytes(static_cast<BYTE *>(data), size);
    const PlaceableHeader placeable = ReadPlaceable(bytes);
    const UINT start = placeable.present ? kPlaceableHeaderBytes : 0;
    if (size - start < kMetaHeaderBytes) return STATUS_INVALID_DATA;
    if (IsClassicHeader(bytes, start)) return ParseClassic(bytes, start, placeable, metaBitmap, create);
    return ParseEnhanced(bytes, metaBitmap, create);
}
