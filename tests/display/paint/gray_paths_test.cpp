// Golden values of the paths of 1-bit gray images (their random paints are
// checked against the gray model with all other paints).
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "paint/paint_engine.h"
#include "support/front_fixture.h"
#include "support/paint_canvas.h"

namespace zelt::test {
namespace {

constexpr RGBQUAD kBlackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};

// A 1-bit image from rows of '#' (black) and '.' (white).
void MakePicture(BitmapRecord *bitmap, const std::vector<std::string> &rows) {
    ASSERT_EQ(CreateBitmap(bitmap, static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 1,
                           {kBlackWhite[0], kBlackWhite[1]}),
              STATUS_OK);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::vector<BYTE> row(static_cast<std::size_t>(bitmap->BytesPerLine), 0);
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            if (rows[r][c] == '.') row[c / 8] |= static_cast<BYTE>(0x80 >> (c % 8));
        KrnPutBitmapRow(bitmap, row.data(), static_cast<int>(r), static_cast<DWORD>(row.size()));
    }
}

class GrayPaths : public FrontTest {
protected:
    ModeScope mode_{0};  // RGB colour tables
};

// 255 - floor(255 black / area) over a cell; MulDiv's rounding above
// 0x808080 (254.69 -> 255); bitonal cells of 4 pixels black from one black
// pixel, of 16 from three, of 25 from five; overflowing sizes by nearest
// neighbour.
TEST_F(GrayPaths, GoldenValues) {
    using Path = int (*)(HDC, BitmapRecord *, const RECT *, const RECT *, const RECT *, const RECT *, int, DWORD);
    const struct {
        Path path;
        std::vector<std::string> rows;
        RECT destination;
        int invert;
        std::vector<DWORD> pixels;
    } cases[] = {
        {PaintGrayReduced, {"#.##..", ".###.."}, {0, 0, 3, 1}, 0, {0x808080, 0, 0xFFFFFF}},
        {PaintGrayReduced, {"...", ".#.", "..."}, {0, 0, 1, 1}, 0, {GrayModel::Gray(227)}},
        {PaintGrayReduced, {"...", ".#.", "..."}, {0, 0, 1, 1}, 1, {GrayModel::Gray(29)}},
        {PaintGrayScaled, {".#"}, {-11765, 0, 20000000 - 11765, 1}, 0, {0xFFFFFF, 0xFFFFFF}},
        {PaintBitonal, {"#...##..", "....#..."}, {0, 0, 4, 1}, 0, {0, 0xFFFFFF, 0, 0xFFFFFF}},
        {PaintBitonal, {"#...##..", "#.......", "#.......", "........"}, {0, 0, 2, 1}, 0, {0, 0xFFFFFF}},
        {PaintBitonal, {"#.........", "#.........", "..........", "#.....####", "#........."}, {0, 0, 2, 1}, 0,
         {0xFFFFFF, 0xFFFFFF}},
        {PaintBitonal, {"#.." + std::string(49997, '.'), "#.." + std::string(49997, '.')}, {0, 0, 50000, 2}, 0,
         {0, 0xFFFFFF, 0xFFFFFF}},
    };
    for (const auto &c : cases) {
        ScopedBitmap bitmap;
        MakePicture(bitmap.get(), c.rows);
        Canvas canvas(4, 1);
        const RECT source{0, 0, bitmap->Width, bitmap->Height}, clip{0, 0, 4, 1};
        ASSERT_EQ(c.path(canvas.dc(), bitmap.get(), &source, &source, &c.destination, &clip, c.invert, SRCCOPY), 1);
        for (std::size_t x = 0; x < c.pixels.size(); ++x)
            EXPECT_EQ(canvas.At(int(x), 0), c.pixels[x]) << c.rows[0].substr(0, 10) << " pixel " << x;
    }
}

}  // namespace
}  // namespace zelt::test
