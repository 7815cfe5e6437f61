// SetDIBits and GetDIBits against the surface model over seeded random
// formats, orientations and bands: what SetDIBits stores is the model's
// conversion of the caller's rows, what GetDIBits returns is the model's
// conversion into the requested format with the table it reports; and
// surfaces saved as PNG read back with libpng pixel for pixel.
#include <png.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/leak_guard.h"
#include "support/surface_model.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

constexpr int kFormats[] = {1, 4, 8, 15, 16, 24, 32};

SurfaceModel RandomSurface(std::mt19937 &rng, int w, int h, int format) {
    SurfaceModel m(w, h, format, {}, rng() % 2 == 0);
    if (format <= 8)
        for (int i = 0; i < (1 << format); ++i) m.table.push_back(RGBQUAD{BYTE(rng() % 3 * 120), BYTE(rng()), BYTE(rng() % 5 * 60), 0});
    for (DWORD &v : m.pixels) v = DWORD(rng()) & m.Ones();
    return m;
}

class DibBits : public LeakCheckedTest {};

TEST_F(DibBits, SetAndGetDIBitsConvertLikeTheModel) {
    HDC screen = GetDC(nullptr);
    for (int n = 0; n < 600; ++n) {
        std::mt19937 rng{unsigned(n)};
        const int w = 1 + int(rng() % 19), h = 1 + int(rng() % 7);
        SurfaceModel section = RandomSurface(rng, w, h, kFormats[rng() % 7]);
        const SurfaceModel data = RandomSurface(rng, w, h, kFormats[rng() % 7]);
        ModelDc dc(section);
        ASSERT_TRUE(dc.ok());
        // SetDIBits stores scan lines [start, start + lines) (scan 0 is the
        // bottom row) from the start of the caller's buffer.
        const UINT start = UINT(rng() % unsigned(h + 1)), lines = UINT(rng() % unsigned(h + 2));
        const int stored = start < UINT(h) ? int(std::min<UINT>(lines, h - start)) : 0;
        const std::vector<BYTE> info = InfoOf(data), packed = Pack(data);
        const size_t stride = size_t(DibStride(w, data.Bits()));
        const BYTE *band = packed.data() + (data.topDown ? size_t(h - int(start) - stored) : start) * stride;
        const std::string context = "case " + std::to_string(n) + " " + std::to_string(data.format) + " into " +
                                    std::to_string(section.format) + " band " + std::to_string(start) + "+" + std::to_string(lines);
        ASSERT_EQ(SetDIBits(screen, dc.bitmap(), start, lines, stored > 0 ? band : packed.data(),
                            reinterpret_cast<const BITMAPINFO *>(info.data()), DIB_RGB_COLORS),
                  stored)
            << context;
        for (int y = h - int(start) - stored; y < h - int(start); ++y)
            for (int x = 0; x < w; ++x) section.At(x, y) = section.Convert(data, data.At(x, y));
        ASSERT_EQ(dc.Read().pixels, section.pixels) << context;

        // GetDIBits into another format: bottom-up requests by bands, top-down ones whole.
        SurfaceModel request = RandomSurface(rng, w, h, kFormats[rng() % 7]);
        std::vector<BYTE> requestInfo = InfoOf(request), out(size_t(DibStride(w, request.Bits())) * size_t(h) + 16, 0xA5);
        const UINT from = request.topDown ? 0 : UINT(rng() % unsigned(h)), count = request.topDown ? UINT(h) : 1 + UINT(rng() % unsigned(h));
        const int copied = int(std::min<UINT>(count, h - from));
        auto *requestHeader = reinterpret_cast<BITMAPINFO *>(requestInfo.data());
        ASSERT_EQ(GetDIBits(screen, dc.bitmap(), from, count, out.data(), requestHeader, DIB_RGB_COLORS), copied) << context;
        if (request.Indexed()) std::memcpy(request.table.data(), requestHeader->bmiColors, request.table.size() * 4);
        for (int k = 0; k < copied; ++k) {
            const int y = request.topDown ? k : h - 1 - int(from) - k;
            const BYTE *row = out.data() + size_t(k) * size_t(DibStride(w, request.Bits()));
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(GetPacked(row, x, request.Bits()), request.Convert(section, section.At(x, y)))
                    << context << " read as " << request.format << " rows " << from << "+" << count << " at " << x << "," << y;
        }
    }
    // Into a monochrome DDB SetDIBits stores 1 only for exact white.
    HBITMAP mono = CreateBitmap(4, 1, 1, 1, nullptr);
    SurfaceModel row(4, 1, 24);
    row.pixels = {0xFFFFFF, 0xFEFEFE, 0, 0x7FFFFF};
    const std::vector<BYTE> info = InfoOf(row), bits = Pack(row);
    ASSERT_EQ(SetDIBits(screen, mono, 0, 1, bits.data(), reinterpret_cast<const BITMAPINFO *>(info.data()), DIB_RGB_COLORS), 1);
    BYTE got[2] = {};
    EXPECT_TRUE(GetBitmapBits(mono, sizeof got, got) == 2 && (got[0] & 0xF0) == 0x80);
    const auto *header = reinterpret_cast<const BITMAPINFO *>(info.data());
    EXPECT_EQ(SetDIBits(screen, mono, 0, 1, nullptr, header, DIB_RGB_COLORS), 0);
    EXPECT_EQ(SetDIBits(screen, nullptr, 0, 1, bits.data(), header, DIB_RGB_COLORS), 0);
    DeleteObject(mono), ReleaseDC(nullptr, screen);
}

// The file's pixels as 0xRRGGBB, or empty when it cannot be read.
std::vector<DWORD> ReadPng(const std::string &path, int &width, int &height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return png_image_free(&image), std::vector<DWORD>{};
    width = int(image.width), height = int(image.height);
    std::vector<DWORD> rgb(bytes.size() / 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = DWORD(bytes[3 * i]) << 16 | DWORD(bytes[3 * i + 1]) << 8 | bytes[3 * i + 2];
    return rgb;
}

TEST_F(DibBits, SavedSurfacesReadBackAsPng) {
    for (int n = 0; n < 14; ++n) {
        std::mt19937 rng{unsigned(n)};
        const SurfaceModel m = RandomSurface(rng, 1 + int(rng() % 13), 1 + int(rng() % 6), kFormats[n % 7]);
        ModelDc dc(m);
        const std::string path = ::testing::TempDir() + "zelt_png_" + std::to_string(n) + ".png";
        ASSERT_TRUE(ZeltHostSaveSurfacePng(n % 2 ? HGDIOBJ(dc.dc()) : HGDIOBJ(dc.bitmap()), path.c_str())) << n;
        int width = 0, height = 0;
        const std::vector<DWORD> got = ReadPng(path, width, height);
        std::remove(path.c_str());
        std::vector<DWORD> want;
        for (DWORD raw : m.pixels) want.push_back(m.ColourOf(raw) >> 16 | (m.ColourOf(raw) & 0xFF00) | (m.ColourOf(raw) & 0xFF) << 16);
        EXPECT_TRUE(width == m.width && height == m.height && got == want) << "case " << n << " format " << m.format;
    }
    EXPECT_FALSE(ZeltHostSaveSurfacePng(nullptr, "/nonexistent.png"));
}

}  // namespace
}  // namespace zelt::test
