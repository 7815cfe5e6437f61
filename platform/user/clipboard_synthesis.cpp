// The bitmap conversions of the clipboard: packed DIBs (CF_DIB with a
// 40-byte header, CF_DIBV5 with a 124-byte one) to and from device-dependent
// bitmaps, and a palette from a DIB's colour table. Packed DIBs from the
// clipboard are untrusted: every size is checked against the block before a
// byte is read.
#include <cstring>

#include "user/clipboard_data.h"

namespace zelt::platform {

namespace {

constexpr DWORD kV5HeaderSize = 124;
constexpr DWORD kColourSpaceSrgb = 0x73524742;  // 'sRGB'
constexpr DWORD kIntentImages = 4;              // LCS_GM_IMAGES
constexpr int kMaxColours = 256;

// A 40-byte header with what may follow it: three masks or a colour table.
struct HeaderAndTable {
    BITMAPINFOHEADER header;
    RGBQUAD table[kMaxColours];
};

// A global block locked for reading for as long as this lives.
class LockedBlock {
public:
    explicit LockedBlock(HGLOBAL block) noexcept
        : block_(block), data_(static_cast<const BYTE *>(GlobalLock(block))), size_(data_ ? GlobalSize(block) : 0) {}
    ~LockedBlock() {
        if (data_ != nullptr) GlobalUnlock(block_);
    }
    LockedBlock(const LockedBlock &) = delete;
    LockedBlock &operator=(const LockedBlock &) = delete;
    const BYTE *Data() const noexcept { return data_; }
    std::size_t Size() const noexcept { return size_; }

private:
    HGLOBAL block_;
    const BYTE *data_;
    std::size_t size_;
};

DWORD ReadDword(const BYTE *p) {
    DWORD value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

bool KnownDepth(WORD bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

std::size_t RowBytes(LONG width, WORD bits) {
    return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
}

// A packed DIB with any of the 40-byte and longer headers, read into the
// 40-byte form.
struct PackedDib {
    BITMAPINFOHEADER header{};  // biSize 40
    DWORD masks[3] = {};        // BI_BITFIELDS only
    const RGBQUAD *colours = nullptr;
    int colourCount = 0;
    const BYTE *bits = nullptr;
    std::size_t imageBytes = 0;
};

bool ReadPackedDib(const BYTE *data, std::size_t size, PackedDib &dib) {
    if (data == nullptr || size < sizeof(BITMAPINFOHEADER)) return false;
    const DWORD headerSize = ReadDword(data);
    if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > size) return false;
    std::memcpy(&dib.header, data, sizeof dib.header);
    BITMAPINFOHEADER &h = dib.header;
    h.biSize = sizeof(BITMAPINFOHEADER);
    const WORD bits = h.biBitCount;
    const bool knownDepth = KnownDepth(bits);
    const bool fields = h.biCompression == BI_BITFIELDS;
    if (!knownDepth || h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight == 0 || h.biWidth > 0x7FFFFF ||
        h.biHeight < -0x7FFFFF || h.biHeight > 0x7FFFFF || (h.biCompression != BI_RGB && !fields) ||
        (fields && bits != 16 && bits != 32))
        return false;
    std::size_t offset = headerSize;
    if (fields) {
        // The masks sit in the longer headers, after the 40-byte one.
        const std::size_t at = headerSize >= 52 ? sizeof(BITMAPINFOHEADER) : headerSize;
        if (at + sizeof dib.masks > size) return false;
        std::memcpy(dib.masks, data + at, sizeof dib.masks);
        if (headerSize < 52) offset += sizeof dib.masks;
    }
    const int fullTable = bits <= 8 ? 1 << bits : 0;
    dib.colourCount = h.biClrUsed == 0 ? fullTable : static_cast<int>(h.biClrUsed);
    if (dib.colourCount > kMaxColours || (fullTable != 0 && dib.colourCount > fullTable)) return false;
    dib.colours = reinterpret_cast<const RGBQUAD *>(data + offset);
    offset += static_cast<std::size_t>(dib.colourCount) * sizeof(RGBQUAD);
    const std::size_t height = static_cast<std::size_t>(h.biHeight < 0 ? -h.biHeight : h.biHeight);
    dib.imageBytes = RowBytes(h.biWidth, bits) * height;
    if (offset > size || dib.imageBytes > size - offset) return false;
    dib.bits = data + offset;
    h.biSizeImage = static_cast<DWORD>(dib.imageBytes);
    return true;
}

// The 40-byte header, masks and colour table as GDI calls take them.
void ToBitmapInfo(const PackedDib &dib, HeaderAndTable &info) {
    info.header = dib.header;
    if (dib.header.biCompression == BI_BITFIELDS)
        std::memcpy(info.table, dib.masks, sizeof dib.masks);
    else
        std::memcpy(info.table, dib.colours, static_cast<std::size_t>(dib.colourCount) * sizeof(RGBQUAD));
}

// Writes a packed DIB with a 40-byte header (masks after it) or with a
// 124-byte one (masks inside it) into a new moveable block.
HGLOBAL WritePackedDib(const PackedDib &dib, bool v5) {
    const bool fields = dib.header.biCompression == BI_BITFIELDS;
    const std::size_t headerBytes = v5 ? kV5HeaderSize : sizeof(BITMAPINFOHEADER) + (fields ? sizeof dib.masks : 0);
    const std::size_t tableBytes = static_cast<std::size_t>(dib.colourCount) * sizeof(RGBQUAD);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, headerBytes + tableBytes + dib.imageBytes);
    BYTE *out = block != nullptr ? static_cast<BYTE *>(GlobalLock(block)) : nullptr;
    if (out == nullptr) {
        if (block != nullptr) GlobalFree(block);
        return nullptr;
    }
    std::memcpy(out, &dib.header, sizeof dib.header);
    if (fields) std::memcpy(out + sizeof(BITMAPINFOHEADER), dib.masks, sizeof dib.masks);
    if (v5) {
        const DWORD size = kV5HeaderSize;
        std::memcpy(out, &size, sizeof size);
        std::memcpy(out + 56, &kColourSpaceSrgb, sizeof kColourSpaceSrgb);
        std::memcpy(out + 108, &kIntentImages, sizeof kIntentImages);
    }
    std::memcpy(out + headerBytes, dib.colours, tableBytes);
    std::memcpy(out + headerBytes + tableBytes, dib.bits, dib.imageBytes);
    GlobalUnlock(block);
    return block;
}

HGLOBAL Rewrite(HGLOBAL source, bool v5) {
    LockedBlock locked(source);
    PackedDib dib;
    return ReadPackedDib(locked.Data(), locked.Size(), dib) ? WritePackedDib(dib, v5) : nullptr;
}

// The masks a device-dependent bitmap of 16 or 32 bits is read back with.
constexpr DWORD kMasks16[3] = {0xF800, 0x07E0, 0x001F};
constexpr DWORD kMasks32[3] = {0xFF0000, 0x00FF00, 0x0000FF};

}  // namespace

HGLOBAL DibFromBitmap(HBITMAP bitmap) noexcept {
    BITMAP description{};
    if (GetObjectA(bitmap, sizeof description, &description) != sizeof description) return nullptr;
    const WORD bits = description.bmBitsPixel;
    if (!KnownDepth(bits) || description.bmWidth <= 0 || description.bmHeight <= 0) return nullptr;
    const bool fields = bits == 16 || bits == 32;
    const std::size_t image = RowBytes(description.bmWidth, bits) * static_cast<std::size_t>(description.bmHeight);
    const BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), description.bmWidth, description.bmHeight, 1, bits,
                                  fields ? DWORD{BI_BITFIELDS} : DWORD{BI_RGB}, static_cast<DWORD>(image), 0, 0, 0, 0};
    const std::size_t between = fields ? sizeof kMasks32 : bits <= 8 ? (std::size_t{1} << bits) * sizeof(RGBQUAD) : 0;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof header + between + image);
    auto *out = block != nullptr ? static_cast<BYTE *>(GlobalLock(block)) : nullptr;
    if (out == nullptr) {
        if (block != nullptr) GlobalFree(block);
        return nullptr;
    }
    // Bottom-up, as a DIB on the clipboard normally is; GetDIBits fills the
    // colour table and the bits.
    std::memcpy(out, &header, sizeof header);
    if (fields) std::memcpy(out + sizeof header, bits == 16 ? kMasks16 : kMasks32, sizeof kMasks32);
    HDC screen = GetDC(nullptr);
    const int lines = screen != nullptr ? GetDIBits(screen, bitmap, 0, static_cast<UINT>(header.biHeight),
                                                    out + sizeof header + between, reinterpret_cast<BITMAPINFO *>(out),
                                                    DIB_RGB_COLORS)
                                        : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    GlobalUnlock(block);
    if (lines != header.biHeight) {
        GlobalFree(block);
        return nullptr;
    }
    return block;
}

HBITMAP BitmapFromDib(HGLOBAL dib) noexcept {
    LockedBlock locked(dib);
    PackedDib packed;
    if (!ReadPackedDib(locked.Data(), locked.Size(), packed)) return nullptr;
    HeaderAndTable info;
    ToBitmapInfo(packed, info);
    const LONG height = packed.header.biHeight < 0 ? -packed.header.biHeight : packed.header.biHeight;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return nullptr;
    HBITMAP bitmap = CreateCompatibleBitmap(screen, packed.header.biWidth, height);
    if (bitmap != nullptr && SetDIBits(screen, bitmap, 0, static_cast<UINT>(height), packed.bits,
                                       reinterpret_cast<const BITMAPINFO *>(&info), DIB_RGB_COLORS) != height) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    ReleaseDC(nullptr, screen);
    return bitmap;
}

HGLOBAL DibV5FromDib(HGLOBAL dib) noexcept { return Rewrite(dib, true); }

HGLOBAL DibFromDibV5(HGLOBAL dibV5) noexcept { return Rewrite(dibV5, false); }

HPALETTE PaletteFromDib(HGLOBAL dib) noexcept {
    LockedBlock locked(dib);
    PackedDib packed;
    if (!ReadPackedDib(locked.Data(), locked.Size(), packed) || packed.colourCount == 0) return nullptr;
    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[kMaxColours];
    } palette{0x300, static_cast<WORD>(packed.colourCount), {}};
    for (int i = 0; i < packed.colourCount; ++i) {
        const RGBQUAD &c = packed.colours[i];
        palette.entries[i] = PALETTEENTRY{c.rgbRed, c.rgbGreen, c.rgbBlue, 0};
    }
    return CreatePalette(reinterpret_cast<const LOGPALETTE *>(&palette));
}

bool DibHasColourTable(HGLOBAL dib) noexcept {
    const DWORD savedError = GetLastError();
    bool indexed;
    {
        LockedBlock locked(dib);
        PackedDib packed;
        indexed = ReadPackedDib(locked.Data(), locked.Size(), packed) && packed.header.biBitCount <= 8;
    }
    SetLastError(savedError);
    return indexed;
}

}  // namespace zelt::platform
