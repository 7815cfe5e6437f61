// GetDIBits against every item of getdibits.json (seven kinds of bitmap
// into six requested depths, bands, top-down requests, errors and
// DIB_PAL_COLORS), and SetDIBits by round trips through GetDIBits.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/gdi_dib_support.h"
#include "platform/vector_rows.h"
#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

constexpr int kWidth = 6, kHeight = 3;

class GdiGetDIBits : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        ASSERT_TRUE(ZeltHostConfigureScreen(1024, 768, 32));
        screen_ = GetDC(nullptr);
        ASSERT_NE(screen_, nullptr);
    }
    void TearDown() override {
        ReleaseDC(nullptr, screen_);
        LeakCheckedTest::TearDown();
    }
    HDC screen_ = nullptr;
};

// A BITMAPINFO with room for 256 entries and the buffer GetDIBits fills,
// preset as the probe presets them.
struct Request {
    DibHeader dib;
    std::vector<BYTE> bits = std::vector<BYTE>(4096, 0xAA);
    Request(int bpp, int height = kHeight) {
        dib = DibHeader{};
        dib.header.biSize = sizeof(BITMAPINFOHEADER);
        dib.header.biWidth = kWidth;
        dib.header.biHeight = height;
        dib.header.biPlanes = 1;
        dib.header.biBitCount = static_cast<WORD>(bpp);
        std::memset(dib.colours, 0xEE, sizeof dib.colours);
    }
};

// The probe's source bitmaps, painted with SetPixel from the listed colours.
HBITMAP MakeSource(const std::string &kind, HDC screen, const JsonValue &colours) {
    HBITMAP bitmap = nullptr;
    if (kind == "screen-compatible DDB (32 bpp)") {
        bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    } else if (kind == "monochrome DDB") {
        bitmap = CreateBitmap(kWidth, kHeight, 1, 1, nullptr);
    } else {
        DibHeader dib;
        dib.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 0, BI_RGB, 0, 0, 0, 0, 0};
        dib.header.biBitCount = static_cast<WORD>(std::stoi(kind));
        if (kind.find("3-3-2") != std::string::npos) {
            static const BYTE levels[8] = {0, 36, 73, 109, 146, 182, 219, 255};
            static const BYTE blues[4] = {0, 85, 170, 255};
            for (int i = 0; i < 256; ++i) dib.colours[i] = RGBQUAD{blues[i & 3], levels[(i >> 2) & 7], levels[i >> 5], 0};
            dib.header.biClrUsed = 256;
        } else if (kind.find("black,white") != std::string::npos) {
            dib.colours[1] = RGBQUAD{255, 255, 255, 0};
            dib.header.biClrUsed = 2;
        }
        void *bits = nullptr;
        bitmap = CreateDIBSection(screen, dib.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    }
    if (bitmap == nullptr) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const unsigned rgb = ParseHex(colours[static_cast<std::size_t>(y * kWidth + x)]);
            SetPixel(dc, x, y, RGB(rgb >> 16, (rgb >> 8) & 255, rgb & 255));
        }
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

void ExpectHeader(const BITMAPINFOHEADER &h, const JsonValue &want, const std::string &context) {
    EXPECT_EQ(h.biWidth, want["biWidth"].AsInt()) << context;
    EXPECT_EQ(h.biHeight, want["biHeight"].AsInt()) << context;
    EXPECT_EQ(h.biPlanes, want["biPlanes"].AsInt()) << context;
    EXPECT_EQ(h.biBitCount, want["biBitCount"].AsInt()) << context;
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(want["biCompression"].AsInt())) << context;
    EXPECT_EQ(h.biSizeImage, static_cast<DWORD>(want["biSizeImage"].AsInt())) << context;
    EXPECT_EQ(h.biClrUsed, static_cast<DWORD>(want["biClrUsed"].AsInt())) << context;
    EXPECT_EQ(h.biClrImportant, static_cast<DWORD>(want["biClrImportant"].AsInt())) << context;
}

// Compares a buffer of `height` rows (negative: top-down) with visual-order
// pixels; returns the number of differences, reporting the first.
int ComparePixels(const BYTE *bits, int bpp, int height, const JsonValue &want, const std::string &context) {
    int differing = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const unsigned got = GetRawPixel(DibRow(const_cast<BYTE *>(bits), kWidth, height, bpp, y), x, bpp);
            const unsigned expected = RawValue(want[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
            if (got != expected && differing++ == 0)
                ADD_FAILURE() << context << ": pixel (" << x << "," << y << ") is 0x" << std::hex << got << ", want 0x"
                              << expected;
        }
    return differing;
}

TEST_F(GdiGetDIBits, EveryProbedItemMatches) {
    const JsonValue doc = LoadJsonFile(PlatformVectorPath("raster/getdibits.json"));
    const JsonValue &colours = doc["source_colours_rgb"];
    int replayed = 0;
    for (const JsonValue &item : doc["items"].items()) {
        const std::string &name = item["name"].AsString();
        const std::string source = item.Has("source") ? item["source"].AsString() : "24 bpp DIB section";
        const std::string context = name + " from " + source;
        HBITMAP bitmap = MakeSource(source, screen_, colours);
        ASSERT_NE(bitmap, nullptr) << context;
        ++replayed;
        if (name.rfind("query header", 0) == 0) {
            Request request(0, 0);
            request.dib.header.biWidth = 0;
            std::memset(request.dib.colours, 0, sizeof request.dib.colours);
            EXPECT_EQ(GetDIBits(screen_, bitmap, 0, 0, nullptr, request.dib.Info(), DIB_RGB_COLORS), item["result"].AsInt())
                << context;
            ExpectHeader(request.dib.header, item["header"], context);
            if (item.Has("masks")) {
                const DWORD *masks = reinterpret_cast<const DWORD *>(request.dib.colours);
                for (int i = 0; i < 3; ++i) EXPECT_EQ(masks[i], ParseHex(item["masks"][i])) << context << " mask " << i;
            }
        } else if (name == "GetDIBits full") {
            const int bpp = static_cast<int>(item["request_bpp"].AsInt());
            const std::string at = context + " at " + std::to_string(bpp) + " bpp";
            Request request(bpp);
            EXPECT_EQ(GetDIBits(screen_, bitmap, 0, kHeight, nullptr, request.dib.Info(), DIB_RGB_COLORS),
                      item["result_null_bits"].AsInt())
                << at;
            EXPECT_EQ(GetDIBits(screen_, bitmap, 0, kHeight, request.bits.data(), request.dib.Info(), DIB_RGB_COLORS),
                      item["result"].AsInt())
                << at;
            ExpectHeader(request.dib.header, item["header_after"], at);
            if (item.Has("table"))
                for (std::size_t i = 0; i < item["table"].size(); ++i) {
                    const RGBQUAD want = QuadOfHex(item["table"][i].AsString()), got = request.dib.colours[i];
                    EXPECT_TRUE(got.rgbRed == want.rgbRed && got.rgbGreen == want.rgbGreen && got.rgbBlue == want.rgbBlue)
                        << at << ": table entry " << i;
                }
            EXPECT_EQ(ComparePixels(request.bits.data(), bpp, kHeight, item["pixels"], at), 0);
        } else if (name == "GetDIBits partial, bottom-up request") {
            const UINT start = static_cast<UINT>(item["uStartScan"].AsInt()), lines = static_cast<UINT>(item["cScanLines"].AsInt());
            const std::string at = context + " start " + std::to_string(start) + " lines " + std::to_string(lines);
            Request request(24);
            EXPECT_EQ(GetDIBits(screen_, bitmap, start, lines, request.bits.data(), request.dib.Info(), DIB_RGB_COLORS),
                      item["result"].AsInt())
                << at;
            // Memory rows of the buffer, first row first.
            for (int row = 0; row < kHeight; ++row)
                for (int x = 0; x < kWidth; ++x)
                    EXPECT_EQ(GetRawPixel(request.bits.data() + row * DibStride(kWidth, 24), x, 24),
                              ParseHex(item["buffer_rows_bottom_up_raw"][row][x]))
                        << at << " memory row " << row << " x " << x;
        } else if (name == "GetDIBits top-down request (biHeight negative)") {
            Request request(24, -kHeight);
            EXPECT_EQ(GetDIBits(screen_, bitmap, 0, kHeight, request.bits.data(), request.dib.Info(), DIB_RGB_COLORS),
                      item["result"].AsInt());
            EXPECT_EQ(ComparePixels(request.bits.data(), 24, -kHeight, item["pixels"], context), 0);
        } else if (name == "GetDIBits while the bitmap is selected into the DC passed") {
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, bitmap);
            Request request(24);
            EXPECT_EQ(GetDIBits(dc, bitmap, 0, kHeight, request.bits.data(), request.dib.Info(), DIB_RGB_COLORS),
                      item["result"].AsInt());
            SelectObject(dc, old);
            DeleteDC(dc);
        } else if (name == "GetDIBits invalid arguments") {
            Request request(24);
            BYTE *bits = request.bits.data();
            EXPECT_EQ(GetDIBits(screen_, nullptr, 0, kHeight, bits, request.dib.Info(), DIB_RGB_COLORS), item["null_bitmap"].AsInt());
            request.dib.header.biBitCount = 7;
            EXPECT_EQ(GetDIBits(screen_, bitmap, 0, kHeight, bits, request.dib.Info(), DIB_RGB_COLORS), item["bitcount_7"].AsInt());
            request.dib.header.biBitCount = 24;
            EXPECT_EQ(GetDIBits(screen_, bitmap, 0, kHeight, bits, request.dib.Info(), 5), item["usage_5"].AsInt());
            EXPECT_EQ(GetDIBits(screen_, bitmap, 5, 2, bits, request.dib.Info(), DIB_RGB_COLORS), item["start_beyond"].AsInt());
            EXPECT_EQ(bits[0], 0xAA) << "a band past the image copies nothing";
        } else if (name == "GetDIBits 8 bpp DIB_PAL_COLORS from 24 bpp DIB section") {
            Request request(8);
            EXPECT_EQ(GetDIBits(screen_, bitmap, 0, kHeight, request.bits.data(), request.dib.Info(), DIB_PAL_COLORS),
                      item["result"].AsInt());
            const WORD *indices = reinterpret_cast<const WORD *>(request.dib.colours);
            for (int i = 0; i < 16; ++i) EXPECT_EQ(indices[i], item["first_16_indices"][i].AsInt()) << "index " << i;
            EXPECT_EQ(ComparePixels(request.bits.data(), 8, kHeight, item["pixels"], context), 0);
        } else {
            ADD_FAILURE() << "unreplayed item " << name;
        }
        DeleteObject(bitmap);
    }
    EXPECT_EQ(replayed, 58);
}

// A DIB section of `bpp` (indexed: a random table) with random pixels.
struct RandomDib {
    DibHeader dib;
    std::vector<BYTE> bits;
    RandomDib(int width, int height, int bpp, std::mt19937 &random) {
        dib.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
        if (bpp <= 8) {
            dib.header.biClrUsed = 1u << bpp;
            for (int i = 0; i < (1 << bpp); ++i)
                dib.colours[i] = RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0};
        }
        bits.resize(static_cast<std::size_t>(DibStride(width, bpp)) * static_cast<std::size_t>(std::abs(height)));
        for (BYTE &b : bits) b = static_cast<BYTE>(random());
    }
};

// SetDIBits then GetDIBits at the bitmap's own depth gives back every
// pixel (the top byte of 32-bpp pixels and the padding aside), for any band.
TEST_F(GdiGetDIBits, SetDIBitsRoundTripsAtEveryDepthAndBand) {
    for (int bpp : {1, 4, 8, 16, 24, 32})
        for (int seed = 0; seed < 24; ++seed) {
            std::mt19937 random(static_cast<unsigned>(seed * 64 + bpp));
            const int width = 1 + static_cast<int>(random() % 37), height = 1 + static_cast<int>(random() % 9);
            const bool topDown = random() % 2 != 0;
            RandomDib source(width, topDown ? -height : height, bpp, random);
            const UINT start = static_cast<UINT>(random() % (height + 1)), lines = static_cast<UINT>(random() % (height + 2));
            const std::string context = "bpp " + std::to_string(bpp) + " seed " + std::to_string(seed);

            void *sectionBits = nullptr;
            HBITMAP section = CreateDIBSection(nullptr, source.dib.Info(), DIB_RGB_COLORS, &sectionBits, nullptr, 0);
            ASSERT_NE(section, nullptr) << context;
            const int expected = start < static_cast<UINT>(height) ? static_cast<int>(std::min<UINT>(lines, height - start)) : 0;
            // The band's lines sit at the start of the caller's buffer.
            const std::size_t stride = static_cast<std::size_t>(DibStride(width, bpp));
            const BYTE *band = source.bits.data() + (topDown ? (height - start - expected) * stride : start * stride);
            ASSERT_EQ(SetDIBits(screen_, section, start, lines, expected > 0 ? band : source.bits.data(), source.dib.Info(),
                                DIB_RGB_COLORS),
                      expected)
                << context;

            RandomDib readBack(width, topDown ? -height : height, bpp, random);
            std::memcpy(readBack.dib.colours, source.dib.colours, sizeof source.dib.colours);
            std::fill(readBack.bits.begin(), readBack.bits.end(), BYTE{0x5A});
            ASSERT_EQ(GetDIBits(screen_, section, 0, static_cast<UINT>(height), readBack.bits.data(), readBack.dib.Info(),
                                DIB_RGB_COLORS),
                      height)
                << context;
            // Visual rows of the band came from the source, the others stay 0.
            for (int y = 0; y < height; ++y) {
                const int scan = height - 1 - y;
                const bool inBand = scan >= static_cast<int>(start) && scan < static_cast<int>(start) + expected;
                for (int x = 0; x < width; ++x) {
                    unsigned want = inBand ? GetRawPixel(DibRow(source.bits.data(), width, topDown ? -height : height, bpp, y), x, bpp) : 0;
                    if (bpp == 32) want &= 0xFFFFFF;
                    const unsigned got = GetRawPixel(DibRow(readBack.bits.data(), width, topDown ? -height : height, bpp, y), x, bpp);
                    ASSERT_EQ(got & (bpp == 32 ? 0xFFFFFFu : ~0u), want) << context << " at (" << x << "," << y << ")";
                }
            }
            DeleteObject(section);
        }
}

// SetDIBits into a monochrome DDB stores 1 only for exact white.
TEST_F(GdiGetDIBits, SetDIBitsIntoMonochromeTakesOnlyExactWhite) {
    HBITMAP mono = CreateBitmap(4, 1, 1, 1, nullptr);
    DibHeader dib;
    dib.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 4, 1, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const BYTE row[12] = {0xFF, 0xFF, 0xFF, 0xFE, 0xFE, 0xFE, 0, 0, 0, 0xFF, 0xFF, 0x7F};
    ASSERT_EQ(SetDIBits(screen_, mono, 0, 1, row, dib.Info(), DIB_RGB_COLORS), 1);
    BYTE got[2] = {};
    ASSERT_EQ(GetBitmapBits(mono, sizeof got, got), 2);
    EXPECT_EQ(got[0] & 0xF0, 0x80);
    EXPECT_EQ(SetDIBits(screen_, mono, 0, 1, nullptr, dib.Info(), DIB_RGB_COLORS), 0);
    EXPECT_EQ(SetDIBits(screen_, nullptr, 0, 1, row, dib.Info(), DIB_RGB_COLORS), 0);
    DeleteObject(mono);
}

}  // namespace
}  // namespace zelt::test
