// .cur and .ico parsing: the directory, then one image as a DIB of double
// height (XOR colours, then the AND mask), every offset and size checked
// against the data first.
#include "user/cursor_file.h"

#include <cstdint>
#include <cstring>

namespace zelt::platform {
namespace {

constexpr std::size_t kDirectorySize = 6, kEntrySize = 16, kHeaderSize = 40;
constexpr int kMaxSide = 256;

// Little-endian reads from a bounds-checked byte range.
struct Bytes {
    const std::uint8_t *data;
    std::size_t size;
    bool Has(std::size_t offset, std::size_t count) const { return offset <= size && count <= size - offset; }
    std::uint32_t U16(std::size_t at) const { return data[at] | data[at + 1] << 8; }
    std::uint32_t U32(std::size_t at) const { return U16(at) | U16(at + 2) << 16; }
};

std::size_t RowBytes(int width, int bits) { return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4; }

std::uint32_t PixelIndex(const std::uint8_t *row, int x, int bits) {
    const std::size_t bit = static_cast<std::size_t>(x) * bits;
    return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

// The DIB of one entry into `image`; false when it does not fit `bytes`.
bool ReadImage(const Bytes &bytes, std::size_t offset, std::size_t length, CursorImage &image) {
    if (!bytes.Has(offset, length) || length < kHeaderSize) return false;
    const Bytes dib{bytes.data + offset, length};
    const std::uint32_t headerSize = dib.U32(0);
    const auto width = static_cast<std::int32_t>(dib.U32(4)), doubled = static_cast<std::int32_t>(dib.U32(8));
    const std::uint32_t bits = dib.U16(14), compression = dib.U32(16), used = dib.U32(32);
    if (headerSize < kHeaderSize || compression != BI_RGB || width <= 0 || width > kMaxSide || doubled <= 0 ||
        doubled % 2 != 0 || doubled / 2 > kMaxSide)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
    const int height = doubled / 2;
    const std::size_t tableEntries = bits <= 8 ? (used != 0 && used < (1u << bits) ? used : 1u << bits) : 0;
    const std::size_t xorAt = headerSize + tableEntries * 4;
    const std::size_t xorRow = RowBytes(width, static_cast<int>(bits)), andRow = RowBytes(width, 1);
    const std::size_t andAt = xorAt + xorRow * height;
    if (!dib.Has(headerSize, tableEntries * 4) || !dib.Has(andAt, andRow * height)) return false;
    if (!image.Allocate(width, height)) return false;
    DWORD *colours = image.Colours();
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom-up.
        const std::uint8_t *xr = dib.data + xorAt + xorRow * (height - 1 - y);
        const std::uint8_t *ar = dib.data + andAt + andRow * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            DWORD colour;
            if (bits <= 8) {
                const std::uint32_t index = PixelIndex(xr, x, static_cast<int>(bits));
                colour = index < tableEntries ? dib.U32(headerSize + index * 4) & 0xFFFFFF : 0;
            } else if (bits == 24) {
                colour = xr[x * 3] | xr[x * 3 + 1] << 8 | xr[x * 3 + 2] << 16;
            } else {
                colour = static_cast<DWORD>(xr[x * 4] | xr[x * 4 + 1] << 8 | xr[x * 4 + 2] << 16) |
                         static_cast<DWORD>(xr[x * 4 + 3]) << 24;
                anyAlpha = anyAlpha || (colour >> 24) != 0;
            }
            colours[y * width + x] = colour;
            image.andMask.Data()[y * width + x] = static_cast<unsigned char>(PixelIndex(ar, x, 1));
        }
    }
    image.hasAlpha = anyAlpha;
    return true;
}

}  // namespace

bool CursorImage::Allocate(int w, int h) noexcept {
    ByteBuffer c, a;
    const std::size_t pixels = static_cast<std::size_t>(w) * h;
    if (!c.Reset(pixels * 4) || !a.Reset(pixels)) return false;
    std::memset(a.Data(), 1, pixels);
    colours = std::move(c);
    andMask = std::move(a);
    width = w;
    height = h;
    hasAlpha = false;
    return true;
}

bool ParseCursorFile(const void *data, std::size_t size, bool cursor, CursorImage &image) noexcept {
    if (data == nullptr) return false;
    const Bytes bytes{static_cast<const std::uint8_t *>(data), size};
    if (!bytes.Has(0, kDirectorySize) || bytes.U16(0) != 0 || bytes.U16(2) != (cursor ? 2u : 1u)) return false;
    const std::uint32_t count = bytes.U16(4);
    if (count == 0 || !bytes.Has(kDirectorySize, count * kEntrySize)) return false;
    // The entry closest to 32 x 32 (a 0 in the directory means 256).
    std::size_t best = 0;
    int bestDistance = 1 << 30;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = kDirectorySize + i * kEntrySize;
        const int side = bytes.data[at] == 0 ? 256 : bytes.data[at];
        const int distance = side > 32 ? side - 32 : 32 - side;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = at;
        }
    }
    CursorImage read;
    if (!ReadImage(bytes, bytes.U32(best + 12), bytes.U32(best + 8), read)) return false;
    if (cursor) {
        read.hotSpot = POINT{static_cast<LONG>(bytes.U16(best + 4)), static_cast<LONG>(bytes.U16(best + 6))};
        if (read.hotSpot.x >= read.width || read.hotSpot.y >= read.height) return false;
    } else {
        read.hotSpot = POINT{read.width / 2, read.height / 2};
    }
    image = std::move(read);
    return true;
}

}  // namespace zelt::platform
