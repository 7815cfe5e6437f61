// Packed DIBs: round trips for every layout, header size and orientation,
// hand-built DIBs with known pixels, malformed headers and failed
// allocations.
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "support/perspective_oracle.h"

#include "kernel/pixel_oracle.h"
#include "support/leak_guard.h"
#include "zelt/host.h"
#include "zelt/kernel.h"

namespace {

using zelt::test::Displayed;
using zelt::test::ExchangesAxes;
using zelt::test::Point;

using namespace zelt::test;

class DibTest : public LeakCheckedTest {};

int DibDepth(const Layout &layout) {
    if (layout.bits == 1) return 1;
    if (layout.bits <= 4) return 4;
    if (layout.bits <= 8 || layout.Gray()) return 8;
    if (layout.bits == 48) return 24;
    if (layout.bits == 64) return 32;
    return layout.bits;
}

BitmapRecord RandomBitmap(const Layout &layout, int width, int height, int perspective, std::mt19937 &rng) {
    const auto palette = RandomPalette(rng, 1 << std::min(layout.bits, 8));
    const auto data = RandomBytes(rng, RowBytes(width, layout.bits) * height);
    BitmapRecord bitmap{};
    EXPECT_EQ(KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, width, height, layout.bits, layout.order,
                              layout.Indexed() ? palette.data() : nullptr, perspective, const_cast<BYTE *>(data.data()),
                              DWORD(data.size())),
              STATUS_OK);
    if (layout.Gray()) {
        bitmap.LowBit = static_cast<int>(rng() % 4);
        bitmap.HighBit = bitmap.LowBit + 8 + static_cast<int>(rng() % 3);
    }
    return bitmap;
}

TEST_F(DibTest, EveryLayoutHeaderAndOrientationRoundTrips) {
    for (const Layout &layout : AllLayouts()) {
        const int depth = DibDepth(layout);
        for (DWORD headerSize : {40u, 12u}) {
            if (headerSize == 12 && depth != 1 && depth != 4 && depth != 8 && depth != 24) continue;
            for (BOOL topDown : {FALSE, TRUE}) {
                if (headerSize == 12 && topDown) continue;
                for (int perspective : {0, 2, 1, 3, 4, 5, 7, 8}) {
                    std::mt19937 rng(static_cast<unsigned>(layout.bits * 97 + layout.order * 13 + perspective + headerSize + topDown));
                    const int width = 1 + static_cast<int>(rng() % 19), height = 1 + static_cast<int>(rng() % 7);
                    SCOPED_TRACE(layout.Name() + ", header " + std::to_string(headerSize) + (topDown ? ", top-down" : ", bottom-up") +
                                 ", perspective " + std::to_string(perspective) + ", " + std::to_string(width) + "x" +
                                 std::to_string(height));
                    BitmapRecord bitmap = RandomBitmap(layout, width, height, perspective, rng);
                    HGLOBAL dib = KrnConvertToDibEx(&bitmap, headerSize, topDown);
                    ASSERT_NE(dib, nullptr);
                    BitmapRecord back{};
                    ASSERT_EQ(KrnChangeFromDib(&back, dib), STATUS_OK);
                    EXPECT_EQ(back.BitsPerPixel, depth);
                    EXPECT_EQ(back.Order, 1);
                    EXPECT_EQ(back.ViewPerspective, topDown ? 0 : 2);
                    const bool exchanged = perspective == 4 || perspective == 5 || perspective == 7 || perspective == 8;
                    ASSERT_EQ(back.Width, exchanged ? height : width);
                    ASSERT_EQ(back.Height, exchanged ? width : height);
                    for (int r = 0; r < height; ++r) {
                        for (int c = 0; c < width; ++c) {
                            const Point d = Displayed(perspective, width, height, c, r);
                            const int backRow = topDown ? d.y : back.Height - 1 - d.y;
                            ASSERT_EQ(KrnGetPixelColor(&back, backRow, d.x), KrnGetPixelColor(&bitmap, r, c))
                                << "stored " << c << "," << r;
                        }
                    }
                    KrnFreeBitmap(&back);
                    KrnFreeBitmap(&bitmap);
                }
            }
        }
    }
}

// A DIB laid out by hand: header, colour table, rows.
std::vector<BYTE> BuildDib(BITMAPINFOHEADER header, const std::vector<DWORD> &table, const std::vector<BYTE> &rows) {
    std::vector<BYTE> dib(sizeof header + 4 * table.size() + rows.size());
    std::memcpy(dib.data(), &header, sizeof header);
    if (!table.empty()) std::memcpy(dib.data() + sizeof header, table.data(), 4 * table.size());
    if (!rows.empty()) std::memcpy(dib.data() + sizeof header + 4 * table.size(), rows.data(), rows.size());
    return dib;
}

BITMAPINFOHEADER Header(LONG width, LONG height, WORD bits, DWORD compression = BI_RGB, DWORD used = 0) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = compression;
    h.biClrUsed = used;
    h.biXPelsPerMeter = 3780;  // 96 dpi
    return h;
}

TEST_F(DibTest, HandBuiltDibsGiveTheirPixels) {
    // 4 bits, 3 x 2, bottom-up, three colours: row 0 in memory is the bottom.
    const std::vector<DWORD> table = {0x000000FF, 0x0000FF00, 0x00FF0000};  // blue, green, red
    auto dib = BuildDib(Header(3, 2, 4, BI_RGB, 3), table, {0x01, 0x20, 0, 0, 0x22, 0x10, 0, 0});
    BitmapRecord bitmap{};
    ASSERT_EQ(KrnConvertFromDib(&bitmap, dib.data(), nullptr), STATUS_OK);
    EXPECT_EQ(bitmap.BitsPerPixel, 4);
    EXPECT_EQ(bitmap.ColorCount, 3);
    EXPECT_EQ(bitmap.ViewPerspective, 2);
    EXPECT_EQ(bitmap.XResolution, 96);
    const COLORREF blue = RGB(0, 0, 255), green = RGB(0, 255, 0), red = RGB(255, 0, 0);
    const COLORREF expected[2][3] = {{blue, green, red}, {red, red, green}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(KrnGetPixelColor(&bitmap, y, x), expected[y][x]) << x << "," << y;
    KrnFreeBitmap(&bitmap);

    // 16-bit 5-6-5 bit fields, top-down, widened to 24 bits.
    auto fields = BuildDib(Header(2, -1, 16, BI_BITFIELDS), {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0xE0, 0x07});
    ASSERT_EQ(KrnConvertFromDib(&bitmap, fields.data(), nullptr), STATUS_OK);
    EXPECT_EQ(bitmap.BitsPerPixel, 24);
    EXPECT_EQ(bitmap.ViewPerspective, 0);
    EXPECT_EQ(KrnGetPixelColor(&bitmap, 0, 0), red);
    EXPECT_EQ(KrnGetPixelColor(&bitmap, 0, 1), green);
    KrnFreeBitmap(&bitmap);

    // 32-bit with the plain masks stays 32 bits; rows passed apart.
    auto plain = BuildDib(Header(1, 1, 32, BI_BITFIELDS), {0xFF0000, 0xFF00, 0xFF}, {});
    const BYTE pixel[4] = {0x10, 0x20, 0x30, 0};
    ASSERT_EQ(KrnConvertFromDib(&bitmap, plain.data(), pixel), STATUS_OK);
    EXPECT_EQ(bitmap.BitsPerPixel, 32);
    EXPECT_EQ(KrnGetPixelColor(&bitmap, 0, 0), RGB(0x30, 0x20, 0x10));
    KrnFreeBitmap(&bitmap);

    // A core header with a three-byte colour table.
    BITMAPCOREHEADER core{sizeof core, 2, 1, 1, 1};
    std::vector<BYTE> coreDib(sizeof core);
    std::memcpy(coreDib.data(), &core, sizeof core);
    for (BYTE b : {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x40, 0, 0, 0}) coreDib.push_back(b);
    ASSERT_EQ(KrnConvertFromDib(&bitmap, coreDib.data(), nullptr), STATUS_OK);
    EXPECT_EQ(KrnGetPixelColor(&bitmap, 0, 0), red);
    EXPECT_EQ(KrnGetPixelColor(&bitmap, 0, 1), RGB(255, 255, 255));
    KrnFreeBitmap(&bitmap);
}

TEST_F(DibTest, MadeDibsHaveTheDocumentedHeader) {
    std::mt19937 rng(5);
    BitmapRecord bitmap = RandomBitmap({3, 0}, 10, 3, 2, rng);
    bitmap.ColorCount = 5;
    HGLOBAL dib = KrnConvertToDib(&bitmap);
    ASSERT_NE(dib, nullptr);
    BITMAPINFOHEADER header;
    std::memcpy(&header, GlobalLock(dib), sizeof header);
    GlobalUnlock(dib);
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biBitCount, 4);
    EXPECT_EQ(header.biClrUsed, 5u);
    EXPECT_EQ(header.biSizeImage, 8u * 3);
    EXPECT_EQ(header.biHeight, 3);
    EXPECT_GE(GlobalSize(dib), SIZE_T(40 + 5 * 4 + 24));
    GlobalFree(dib);
    EXPECT_EQ(KrnConvertToDibEx(&bitmap, 12, TRUE), nullptr) << "core headers are bottom-up";
    EXPECT_EQ(KrnConvertToDibEx(&bitmap, 16, FALSE), nullptr);
    dib = KrnChangeToDib(&bitmap);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(bitmap.Flags & BITMAP_ALLOCATED, 0u) << "the record was freed";
    GlobalFree(dib);
    EXPECT_EQ(KrnConvertToDib(&bitmap), nullptr);
    EXPECT_EQ(KrnConvertToDib(nullptr), nullptr);
}

TEST_F(DibTest, MalformedHeadersAreRejectedAndTheRecordKept) {
    struct Case {
        const char *what;
        BITMAPINFOHEADER header;
        int expected;
    };
    auto with = [](auto change) {
        BITMAPINFOHEADER h = Header(4, 4, 8);
        change(h);
        return h;
    };
    const Case cases[] = {
        {"size 20", with([](auto &h) { h.biSize = 20; }), STATUS_INVALID_DATA},
        {"size 1 GiB", with([](auto &h) { h.biSize = 1u << 30; }), STATUS_INVALID_DATA},
        {"two planes", with([](auto &h) { h.biPlanes = 2; }), STATUS_INVALID_DATA},
        {"zero width", with([](auto &h) { h.biWidth = 0; }), STATUS_INVALID_DATA},
        {"negative width", with([](auto &h) { h.biWidth = -4; }), STATUS_INVALID_DATA},
        {"zero height", with([](auto &h) { h.biHeight = 0; }), STATUS_INVALID_DATA},
        {"absurd size", with([](auto &h) { h.biWidth = 1 << 20, h.biHeight = 1 << 20; }), STATUS_INVALID_DATA},
        {"lowest height", with([](auto &h) { h.biHeight = INT32_MIN; }), STATUS_INVALID_DATA},
        {"7 bits", with([](auto &h) { h.biBitCount = 7; }), STATUS_INVALID_DATA},
        {"RLE8", with([](auto &h) { h.biCompression = BI_RLE8; }), STATUS_INVALID_DATA},
        {"bit fields at 8 bits", with([](auto &h) { h.biCompression = BI_BITFIELDS; }), STATUS_INVALID_DATA},
        {"300 colours", with([](auto &h) { h.biClrUsed = 300; }), STATUS_INVALID_DATA},
    };
    for (const Case &c : cases) {
        auto dib = BuildDib(c.header, std::vector<DWORD>(256), std::vector<BYTE>(64));
        BitmapRecord bitmap;
        std::memset(&bitmap, 0x5A, sizeof bitmap);
        EXPECT_EQ(KrnConvertFromDib(&bitmap, dib.data(), nullptr), c.expected) << c.what;
        const BYTE *bytes = reinterpret_cast<const BYTE *>(&bitmap);
        for (std::size_t i = 0; i < sizeof bitmap; ++i) ASSERT_EQ(bytes[i], 0x5A) << c.what << ": record changed";
    }
    auto gappy = BuildDib(Header(1, 1, 16, BI_BITFIELDS), {0xF00F, 0x0F00, 0x00F0}, std::vector<BYTE>(4));
    BitmapRecord bitmap{};
    EXPECT_EQ(KrnConvertFromDib(&bitmap, gappy.data(), nullptr), STATUS_INVALID_DATA) << "mask with a gap";
    EXPECT_EQ(KrnConvertFromDib(nullptr, gappy.data(), nullptr), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnConvertFromDib(&bitmap, nullptr, nullptr), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnChangeFromDib(&bitmap, nullptr), STATUS_BAD_PARAMETER);

    // A block too short for its rows stays the caller's.
    HGLOBAL shortBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 40 + 1024 + 8);
    ASSERT_NE(shortBlock, nullptr);
    const BITMAPINFOHEADER h = Header(4, 4, 8);
    std::memcpy(GlobalLock(shortBlock), &h, sizeof h);
    GlobalUnlock(shortBlock);
    EXPECT_EQ(KrnChangeFromDib(&bitmap, shortBlock), STATUS_INVALID_DATA);
    EXPECT_EQ(GlobalFree(shortBlock), nullptr) << "the block was still valid";
}

TEST_F(DibTest, FailedAllocationsLeaveNothingBehind) {
    std::mt19937 rng(9);
    for (const Layout layout : {Layout{48, 1}, Layout{5, 0}, Layout{12, 2}}) {
        BitmapRecord bitmap = RandomBitmap(layout, 9, 4, 4, rng);
        const long made = ForEachAllocationFailure(
            [&] {
                HGLOBAL dib = KrnConvertToDib(&bitmap);
                if (dib != nullptr) GlobalFree(dib);
            },
            [&](long failedAt) {});
        EXPECT_GE(made, 2) << layout.Name() << ": the block and a scratch row";
        KrnFreeBitmap(&bitmap);
    }

    auto dib = BuildDib(Header(5, 3, 8), std::vector<DWORD>(256, 0x00123456), std::vector<BYTE>(24, 7));
    BitmapRecord out;
    std::memset(&out, 0x5A, sizeof out);
    int status = 0;
    ForEachAllocationFailure(
        [&] {
            status = KrnConvertFromDib(&out, dib.data(), nullptr);
            if (status == STATUS_OK) {
                KrnFreeBitmap(&out);
                std::memset(&out, 0x5A, sizeof out);
            }
        },
        [&](long failedAt) {
            EXPECT_EQ(status, STATUS_NO_MEMORY) << "allocation " << failedAt;
            const BYTE *bytes = reinterpret_cast<const BYTE *>(&out);
            for (std::size_t i = 0; i < sizeof out; ++i) ASSERT_EQ(bytes[i], 0x5A) << "allocation " << failedAt;
        });
}

}  // namespace
