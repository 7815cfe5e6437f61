// ZeltHostSaveSurfacePng: small surfaces written out, read back with
// libpng and compared pixel for pixel with the colours the test put in.
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/gdi_dib_support.h"
#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

class HostPng : public LeakCheckedTest {};

// The file's pixels as 0xRRGGBB, or empty when it cannot be read.
std::vector<DWORD> ReadPng(const std::string &path, int &width, int &height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    std::vector<DWORD> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = DWORD{bytes[3 * i]} << 16 | DWORD{bytes[3 * i + 1]} << 8 | bytes[3 * i + 2];
    return rgb;
}

struct Case {
    int bpp;
    int width, height;  // height < 0: top-down
};

TEST_F(HostPng, SavedSurfaceReadsBackPixelForPixel) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    for (const Case &c : {Case{32, 7, 5}, Case{32, 1, -3}, Case{24, 9, 4}, Case{1, 13, 3}, Case{8, 5, -6}}) {
        const std::string context = std::to_string(c.bpp) + " bpp " + std::to_string(c.width) + "x" + std::to_string(c.height);
        std::mt19937 random(static_cast<unsigned>(c.bpp * 100 + c.width));
        DibHeader dib;
        dib.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), c.width, c.height, 1, static_cast<WORD>(c.bpp), BI_RGB, 0, 0, 0, 0, 0};
        if (c.bpp <= 8) {
            dib.header.biClrUsed = 1u << c.bpp;
            for (int i = 0; i < (1 << c.bpp); ++i) dib.colours[i] = RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0};
        }
        void *pointer = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, dib.Info(), DIB_RGB_COLORS, &pointer, nullptr, 0);
        ASSERT_NE(bitmap, nullptr) << context;
        BYTE *bits = static_cast<BYTE *>(pointer);
        const int rows = c.height < 0 ? -c.height : c.height;
        std::vector<DWORD> expected;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < c.width; ++x) {
                const unsigned raw = static_cast<unsigned>(random()) & (c.bpp == 32 ? 0xFFFFFFFFu : (1u << c.bpp) - 1);
                SetRawPixel(DibRow(bits, c.width, c.height, c.bpp, y), x, c.bpp, raw);
                if (c.bpp <= 8) {
                    const RGBQUAD &q = dib.colours[raw];
                    expected.push_back(DWORD{q.rgbRed} << 16 | DWORD{q.rgbGreen} << 8 | q.rgbBlue);
                } else {
                    expected.push_back(raw & 0xFFFFFF);
                }
            }
        const std::string path = (folder / ("zelt_png_test_" + std::to_string(c.bpp) + "_" + std::to_string(c.width) + ".png")).string();
        ASSERT_TRUE(ZeltHostSaveSurfacePng(bitmap, path.c_str())) << context;
        int width = 0, height = 0;
        const std::vector<DWORD> got = ReadPng(path, width, height);
        std::remove(path.c_str());
        EXPECT_EQ(width, c.width) << context;
        EXPECT_EQ(height, rows) << context;
        EXPECT_EQ(got, expected) << context;
        DeleteObject(bitmap);
    }
    EXPECT_FALSE(ZeltHostSaveSurfacePng(nullptr, "/nonexistent.png"));
}

}  // namespace
}  // namespace zelt::test
