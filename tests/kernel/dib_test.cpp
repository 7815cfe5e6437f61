// Packed DIBs: every layout exported in every perspective, header size and
// orientation and imported back against the perspective table; hand-built
// DIBs with known pixels; the made header; malformed headers.
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "support/bitmap_model.h"
#include "support/leak_guard.h"
#include "support/perspective_oracle.h"

namespace {

using namespace zelt::test;

class Dib : public LeakCheckedTest {};

// Each layout as exported and imported back: a DIB depth (2, 3 -> 4; 5..7 and
// deep gray -> 8; 48 -> 24; 64 -> 32), Order 1, the displayed picture stored as
// the DIB's orientation says (perspective 0 top-down, 2 bottom-up).
TEST_F(Dib, EveryLayoutHeaderAndOrientationRoundTrips) {
    for (const Layout &layout : AllLayouts()) {
        const int b = layout.bits, depth = b == 1 ? 1 : b <= 4 ? 4 : b <= 8 || layout.Gray() ? 8 : b >= 48 ? b / 2 : b;
        for (auto [headerSize, topDown] : {std::pair{40u, FALSE}, {40u, TRUE}, {12u, FALSE}}) {
            for (int perspective = -1; perspective <= 9 && (headerSize == 40 || depth % 3 == 0 || depth < 16);
                 ++perspective) {
                std::mt19937 rng(
                    static_cast<unsigned>(b * 97 + layout.order * 13 + perspective + headerSize + topDown));
                const int width = 1 + int(rng() % 19), height = 1 + int(rng() % 7);
                SCOPED_TRACE(layout.Name() + ", header " + std::to_string(headerSize) + (topDown ? ", top-down" : "") +
                             ", perspective " + std::to_string(perspective) + ", " + std::to_string(width) + "x" +
                             std::to_string(height));
                BitmapRecord bitmap = RandomBitmap(layout, width, height, rng), back{};
                bitmap.ViewPerspective = perspective;  // outside 0..8 counts as 0
                if (layout.Gray()) bitmap.LowBit = int(rng() % 4), bitmap.HighBit = bitmap.LowBit + 8 + int(rng() % 3);
                ASSERT_EQ(KrnChangeFromDib(&back, KrnConvertToDibEx(&bitmap, headerSize, topDown)), STATUS_OK);
                EXPECT_EQ(back.BitsPerPixel * 100 + back.Order * 10 + back.ViewPerspective,
                          depth * 100 + 10 + (topDown ? 0 : 2));
                const int p = perspective < 0 || perspective > 8 ? 0 : perspective;
                ASSERT_EQ(back.Width * 1000 + back.Height,
                          ExchangesAxes(p) ? height * 1000 + width : width * 1000 + height);
                for (int r = 0; r < height; ++r)
                    for (int c = 0; c < width; ++c) {
                        const Point d = Displayed(p, width, height, c, r);
                        ASSERT_EQ(KrnGetPixelColor(&back, topDown ? d.y : back.Height - 1 - d.y, d.x),
                                  KrnGetPixelColor(&bitmap, r, c))
                            << "stored " << c << "," << r;
                    }
                KrnFreeBitmap(&back);
                KrnFreeBitmap(&bitmap);
            }
        }
    }
}

// A DIB laid out by hand: header, colour table or bit fields, rows.
std::vector<BYTE> BuildDib(const void *header, std::size_t headerBytes, const std::vector<DWORD> &table,
                           std::vector<BYTE> rest) {
    std::vector<BYTE> dib(static_cast<const BYTE *>(header), static_cast<const BYTE *>(header) + headerBytes);
    for (DWORD entry : table)
        dib.insert(dib.end(), {BYTE(entry), BYTE(entry >> 8), BYTE(entry >> 16), BYTE(entry >> 24)});
    dib.insert(dib.end(), rest.begin(), rest.end());
    return dib;
}

BITMAPINFOHEADER Header(LONG width, LONG height, WORD bits, DWORD compression = BI_RGB, DWORD used = 0) {
    return BITMAPINFOHEADER{40, width, height, 1, bits, compression, 0, 3780, 0, used, 0};  // 96 dpi
}

TEST_F(Dib, HandBuiltDibsGiveTheirPixels) {
    const COLORREF blue = RGB(0, 0, 255), green = RGB(0, 255, 0), red = RGB(255, 0, 0), white = RGB(255, 255, 255);
    const BITMAPINFOHEADER fourBits = Header(3, 2, 4, BI_RGB, 3), fields = Header(2, -1, 16, BI_BITFIELDS),
                           plain = Header(1, 1, 32, BI_BITFIELDS);
    const BITMAPCOREHEADER core{sizeof core, 2, 1, 1, 1};
    const BYTE pixel[4] = {0x10, 0x20, 0x30, 0};
    // Stored rows first to last; `bits`: rows passed apart.
    auto check = [](std::vector<BYTE> dib, const void *bits, int depth, int perspective, std::vector<COLORREF> pixels) {
        BitmapRecord bitmap{};
        ASSERT_EQ(KrnConvertFromDib(&bitmap, dib.data(), bits), STATUS_OK);
        EXPECT_EQ(bitmap.BitsPerPixel * 10 + bitmap.ViewPerspective, depth * 10 + perspective);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            EXPECT_EQ(KrnGetPixelColor(&bitmap, int(i) / bitmap.Width, int(i) % bitmap.Width), pixels[i])
                << depth << ": " << i;
        EXPECT_TRUE(depth != 4 || bitmap.ColorCount * 1000 + bitmap.XResolution == 3 * 1000 + 96);
        KrnFreeBitmap(&bitmap);
    };
    // Bottom-up, three colours: the first row in memory is stored row 0, shown at the bottom.
    check(BuildDib(&fourBits, 40, {0xFF, 0xFF00, 0xFF0000}, {0x01, 0x20, 0, 0, 0x22, 0x10, 0, 0}), nullptr, 4, 2,
          {blue, green, red, red, red, green});
    check(BuildDib(&fields, 40, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0xE0, 0x07}), nullptr, 24, 0,
          {red, green});  // 5-6-5
    check(BuildDib(&plain, 40, {0xFF0000, 0xFF00, 0xFF}, {}), pixel, 32, 2, {RGB(0x30, 0x20, 0x10)});
    check(BuildDib(&core, sizeof core, {}, {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x40, 0, 0, 0}), nullptr, 1, 2,
          {red, white});
}

TEST_F(Dib, MadeDibsHaveTheDocumentedHeader) {
    BitmapRecord bitmap{};
    ASSERT_EQ(KrnCreateBitmap(&bitmap, 0, 10, 3, 3, 0, nullptr, 2, nullptr, 0), STATUS_OK);
    bitmap.ColorCount = 5;
    HGLOBAL dib = KrnConvertToDib(&bitmap);
    ASSERT_NE(dib, nullptr);
    BITMAPINFOHEADER header;
    std::memcpy(&header, GlobalLock(dib), sizeof header);
    GlobalUnlock(dib);
    EXPECT_EQ(std::vector<long>({long(header.biSize), header.biBitCount, long(header.biClrUsed),
                                 long(header.biSizeImage), header.biHeight}),
              std::vector<long>({40, 4, 5, 8 * 3, 3}));
    EXPECT_GE(GlobalSize(dib), SIZE_T(40 + 5 * 4 + 24));
    GlobalFree(dib);
    EXPECT_FALSE(KrnConvertToDibEx(&bitmap, 12, TRUE) || KrnConvertToDibEx(&bitmap, 16, FALSE))
        << "core headers are bottom-up";
    EXPECT_EQ(GlobalFree(KrnChangeToDib(&bitmap)), nullptr);
    EXPECT_TRUE(IsCleared(bitmap)) << "the record was freed";
    EXPECT_FALSE(KrnConvertToDib(&bitmap) || KrnConvertToDib(nullptr));
}

TEST_F(Dib, MalformedHeadersAreRejectedAndTheRecordKept) {
    BITMAPINFOHEADER small = Header(4, 4, 8), huge = small, planes = small;
    small.biSize = 20, huge.biSize = 1u << 30, planes.biPlanes = 2;
    // Header sizes, planes, sizes, depths, compressions, colour counts; 16-bit masks with a gap, 32-bit zero masks.
    for (const BITMAPINFOHEADER &header :
         {small, huge, planes, Header(0, 4, 8), Header(-4, 4, 8), Header(4, 0, 8), Header(1 << 20, 1 << 20, 8),
          Header(4, INT32_MIN, 8), Header(4, 4, 7), Header(4, 4, 8, BI_RLE8), Header(4, 4, 8, BI_BITFIELDS),
          Header(4, 4, 8, BI_RGB, 300), Header(4, 4, 16, BI_BITFIELDS), Header(4, 4, 32, BI_BITFIELDS)}) {
        const auto dib = BuildDib(&header, sizeof header, {header.biBitCount == 16 ? 0xF00Fu : 0u, 0x0F00, 0x00F0},
                                  std::vector<BYTE>(1024 + 64));
        BitmapRecord bitmap = Garbage();
        SCOPED_TRACE(testing::Message() << "header size " << header.biSize << ", " << header.biPlanes << " planes, "
                                        << header.biWidth << "x" << header.biHeight << "x" << header.biBitCount
                                        << ", compression " << header.biCompression << ", " << header.biClrUsed
                                        << " colours");
        EXPECT_EQ(KrnConvertFromDib(&bitmap, dib.data(), nullptr), STATUS_INVALID_DATA);
        EXPECT_TRUE(SameBytes(bitmap, Garbage())) << "record changed";
    }
    BitmapRecord bitmap{};
    const BITMAPINFOHEADER h = Header(4, 4, 8);
    HGLOBAL shortBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 40 + 1024 + 8);  // too short for its rows
    std::memcpy(GlobalLock(shortBlock), &h, sizeof h);
    GlobalUnlock(shortBlock);
    EXPECT_EQ(KrnChangeFromDib(&bitmap, shortBlock), STATUS_INVALID_DATA);
    EXPECT_EQ(GlobalFree(shortBlock), nullptr) << "the block stays the caller's";
}

}  // namespace
