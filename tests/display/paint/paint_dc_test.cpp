// Z_PaintDC against the painting model: random images of every depth and
// perspective, rectangles and clips (upside-down destinations with no clip,
// a clip equal to them or to their upright form), screens of every depth,
// display modes for direct, converted, diffused, dithered, indexed painting;
// golden values of the scaled ordered dither and of the 1-bit gray paths.
#include <array>
#include <numeric>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "paint/paint_engine.h"
#include "support/front_fixture.h"
#include "support/paint_canvas.h"

namespace zelt::test {
namespace {

DWORD ToDword(Rgb c) { return DWORD(c.r) << 16 | DWORD(c.g) << 8 | DWORD(c.b); }

DWORD ThroughLut(const BYTE *L, DWORD c) { return DWORD{L[(c >> 16) & 0xFF]} << 16 | DWORD{L[(c >> 8) & 0xFF]} << 8 | L[c & 0xFF]; }

// Black and white pixels, which error diffusion reproduces exactly on every
// device: every byte of a pixel (or of two 12-bit pixels) 0x00 or 0xFF.
void MakeBlackWhite(BitmapRecord *bitmap, std::mt19937 &random) {
    std::vector<BYTE> row(static_cast<std::size_t>(bitmap->BytesPerLine));
    const std::size_t unit = bitmap->BitsPerPixel == 12 ? 3 : std::max<int>(1, bitmap->BitsPerPixel / 8);
    for (int r = 0; r < bitmap->Height; ++r) {
        for (std::size_t i = 0; i < row.size(); i += unit)
            std::fill_n(&row[i], std::min(unit, row.size() - i), random() & 1 ? 0xFF : 0);
        KrnPutBitmapRow(bitmap, row.data(), r, static_cast<DWORD>(row.size()));
    }
}

// A 1-bit image from rows of '#' (index 0) and '.' (index 1).
void MakePicture(BitmapRecord *bitmap, const std::vector<std::string> &rows, const std::vector<RGBQUAD> &palette,
                 int perspective = 0) {
    ASSERT_EQ(CreateBitmap(bitmap, int(rows[0].size()), int(rows.size()), 1, palette, 1, perspective), STATUS_OK);
    std::vector<BYTE> row(static_cast<std::size_t>(bitmap->BytesPerLine));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::fill(row.begin(), row.end(), 0);
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            if (rows[r][c] == '.') row[c / 8] |= static_cast<BYTE>(0x80 >> (c % 8));
        KrnPutBitmapRow(bitmap, row.data(), static_cast<int>(r), static_cast<DWORD>(row.size()));
    }
}

// Rows of runs of random lengths, some long.
std::vector<std::string> RunPicture(std::mt19937 &random, int width, int height) {
    std::vector<std::string> rows(static_cast<std::size_t>(height));
    for (std::string &row : rows)
        for (bool white = random() & 1; int(row.size()) < width; white = !white) {
            const std::size_t run = 1 + random() % (random() % 3 == 0 ? 12 : 3);
            row.append(std::min(run, std::size_t(width) - row.size()), white ? '.' : '#');
        }
    return rows;
}

// Destination size against the source's displayed size: 0 same, -1 smaller
// both ways, 1 otherwise.
int Scale(const PaintRequest &q) {
    const bool turned = ExchangesAxes(q.perspective);
    const int sw = turned ? q.source.bottom - q.source.top : q.source.right - q.source.left;
    const int sh = turned ? q.source.right - q.source.left : q.source.bottom - q.source.top;
    const int dw = q.destination.right - q.destination.left, dh = std::abs(q.destination.bottom - q.destination.top);
    return dw == sw && dh == sh ? 0 : dw < sw && dh < sh ? -1 : 1;
}

class PaintDC : public FrontTest {};

TEST_F(PaintDC, RandomPaintsMatchTheModel) {
    const std::vector<Layout> layouts = AllLayouts();
    RGBQUAD indices[256], distinct[256];  // a palette pixel's index; the DC's palette for indexed painting
    for (int i = 0; i < 256; ++i) indices[i] = {0, 0, BYTE(i), 0}, distinct[i] = {BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
    HPALETTE dcPalette = KrnCreatePaletteFromColors(distinct, 256);
    auto dcColor = [&](int i) { return DWORD(distinct[i].rgbRed) << 16 | DWORD(distinct[i].rgbGreen) << 8 | distinct[i].rgbBlue; };
    std::optional<ScreenScope> screenScope;  // 500 cases per screen depth
    int painted = 0;
    for (unsigned c = 0; c < 3000; ++c) {
        std::mt19937 random(c);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
        const int screen = std::array{1, 4, 8, 16, 24, 32}[c / 500];
        if (c % 500 == 0) screenScope.emplace(screen);
        if (!screenScope->held()) continue;
        ++painted;
        const bool grayImage = c % 3 == 2;  // through the gray and bitonal paths
        const auto [bits, order] = grayImage ? Layout{1, 1} : layouts[std::size_t(pick(0, int(layouts.size()) - 1))];
        UINT mode = DISP_DEVICE_REDUCE | (grayImage ? (pick(0, 1) ? DISP_BITONAL_GRAY : DISP_BITONAL_RESAMPLE) : 0);
        for (UINT bit : {DISP_REDUCE_SAME_DEPTH, DISP_CONVERTER_ALT, DISP_DITHER_ALT, DISP_FIXED_PALETTE})
            if (pick(0, 1)) mode |= bit;
        if (pick(0, 3) == 0) mode |= DISP_INDEXED_PAINT;
        const bool ordered = mode & DISP_CONVERTER_ALT, indexed = mode & DISP_INDEXED_PAINT;
        ModeScope modeScope(mode);
        Canvas canvas(pick(8, 48), pick(8, 40));
        SelectPalette(canvas.dc(), dcPalette, FALSE);
        const int perspective = pick(0, 8), width = grayImage ? pick(2, 70) : pick(1, 37);
        const int height = grayImage ? pick(2, 60) : pick(1, 29);
        ScopedBitmap bitmap;
        const bool blackWhite = !ordered && screen <= 8;
        if (grayImage) {
            MakePicture(bitmap.get(), RunPicture(random, width, height), GrayRamp(2, pick(0, 1)), perspective);
        } else {
            MakeRandomBitmap(bitmap.get(), random, width, height, bits, perspective,
                             blackWhite ? std::vector<RGBQUAD>{{0, 0, 0, 0}, {255, 255, 255, 0}, {255, 255, 255, 0}}
                                        : std::vector<RGBQUAD>{},
                             order);
        }
        if (blackWhite && !grayImage) MakeBlackWhite(bitmap.get(), random);
        if (!blackWhite && pick(0, 3) == 0) {
            ASSERT_EQ(Z_SetPaintContrast(bitmap.get(), pick(-1000, 1000)), STATUS_OK);
        }
        // Deep gray through a window of its bits and a level table of grays
        // or colours, for painting only or for processing too.
        if ((bits == 12 || (bits == 16 && order == 2)) && !blackWhite && pick(0, 1)) {
            const int low = pick(0, bits - 1), high = pick(low, bits - 1);
            std::vector<RGBQUAD> levels(pick(0, 1) ? std::size_t{1} << (high - low + 1) : 0);
            const bool grays = pick(0, 1);
            for (RGBQUAD &e : levels) {
                const unsigned v = random();
                e = grays ? RGBQUAD{BYTE(v), BYTE(v), BYTE(v), 0} : RGBQUAD{BYTE(v), BYTE(v >> 8), BYTE(v >> 16), 0};
            }
            ASSERT_EQ(Z_WindowLevel(bitmap.get(), low, high, levels.empty() ? nullptr : levels.data(),
                                    DWORD(levels.size()), pick(0, 1)),
                      STATUS_OK);
        }
        PaintRequest q = RandomRequest(random, width, height, perspective, canvas, pick(0, 2) == 0);
        const int sw = q.source.right - q.source.left, sh = q.source.bottom - q.source.top;
        if (grayImage && pick(0, 3) == 0) {  // sources past the image: cells hold its edge pixels
            q.source = {q.source.left - pick(0, 3), q.source.top - pick(0, 3), q.source.right + pick(0, 6),
                        q.source.bottom + pick(0, 6)};
        } else if (grayImage && pick(0, 2) == 0) {  // reductions of up to 6 both ways: big cells
            const int k = pick(2, 6);
            q.destination.right = q.destination.left + std::max(1, (ExchangesAxes(perspective) ? sh : sw) / k);
            q.destination.bottom = q.destination.top + std::max(1, (ExchangesAxes(perspective) ? sw : sh) / k);
        }
        // Null rectangles mean the image and the destination; an upside-down
        // destination paints alike with no clip, itself or its upright form.
        const bool nullSource = pick(0, 3) == 0;
        const RECT upright{q.destination.left, std::min(q.destination.top, q.destination.bottom), q.destination.right,
                           std::max(q.destination.top, q.destination.bottom)};
        const RECT *clip = std::array<const RECT *, 4>{&q.destinationClip, nullptr, &q.destination, &upright}[pick(0, 3)];
        ASSERT_EQ(Z_PaintDC(canvas.dc(), bitmap.get(), nullSource ? nullptr : &q.source, &q.sourceClip, &q.destination,
                            clip, SRCCOPY),
                  STATUS_OK)
            << "case " << c;
        if (nullSource) q.source = {0, 0, width, height};
        if (clip != &q.destinationClip) q.destinationClip = upright;

        int deviceBits = 0, paintMode = 0;
        AnalyzeDevice(canvas.dc(), bitmap.get(), &deviceBits, &paintMode);
        const int target = std::min(deviceBits, 8);
        const bool reduces = paintMode == PAINTMODE_REDUCE && !(bits == 1 && target < 8);
        const bool deepGray = bits == 12 || (bits == 16 && order == 2);
        const bool lut = bitmap->Flags & BITMAP_PAINT_LUT_ACTIVE, paintsAsGray = deepGray && IsDeepGrayBitmap(bitmap.get());
        // Rows of up to 8 bits travel as indices: stored, converted or reduced.
        const bool asIndices = indexed && (reduces || bits <= 8 || paintsAsGray);
        const int scale = Scale(q);
        const bool oneToOne = scale == 0, inverted = paintMode == PAINTMODE_GRAY_INVERTED || paintMode == PAINTMODE_BITONAL_INVERTED;
        const bool swapped = bits >= 16 && !deepGray && order != 1;  // GDI takes the stored order as blue first
        BYTE identity[256];
        std::iota(identity, identity + 256, 0);
        const BYTE *lutBytes = lut ? bitmap->PaintLut : identity;
        RGBQUAD palette[256] = {};
        KrnGetPaletteColors(bitmap->Palette, 0, bitmap->ColorCount, palette);
        std::vector<BYTE> row(static_cast<std::size_t>(bitmap->BytesPerLine));
        const RECT visible = VisibleArea(q);
        std::optional<GrayModel> model;
        RGBQUAD bitonal[2];  // the 1-bit table: DC palette indices or the image's colours
        if (paintMode >= PAINTMODE_GRAY) {
            model.emplace(bitmap.get(), q, inverted);
            for (int i = 0; i < 2; ++i) {
                const DWORD v = indexed && !(mode & DISP_REDUCE_SAME_DEPTH) ? dcColor(i) : ThroughLut(lutBytes, ToDword({palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue}));
                bitonal[i] = {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), 0};
            }
        }
        auto expected = [&](int x, int y, const StoredPixel &p) -> DWORD {
            if (model && paintMode >= PAINTMODE_BITONAL && !oneToOne) return model->Bitonal(x, y, inverted, bitonal);
            if (model && paintMode < PAINTMODE_BITONAL) {
                const int level = int((oneToOne ? model->Unscaled(x, y) : scale < 0 ? model->Reduced(x, y) : model->Scaled(x, y)) & 0xFF);
                return indexed ? dcColor(level) : GrayModel::Gray(bitmap->PaintLut[level]);
            }
            KrnGetBitmapRow(bitmap.get(), row.data(), p.row, static_cast<DWORD>(row.size()));
            if (deepGray && !reduces) {  // through the direct converter: 8-bit gray or 24-bit colour
                std::vector<BYTE> out(3);
                DeepGrayRow(out, bitmap.record, row.data(), p.column, p.column + 1, paintsAsGray);
                if (asIndices) return dcColor(out[0]);
                return paintsAsGray ? out[0] * 0x010101u : ThroughLut(lutBytes, DWORD(out[2]) << 16 | out[1] << 8 | out[0]);
            }
            if (!reduces) {
                DWORD stored = StoredColor(bitmap.get(), p);
                if (asIndices) return dcColor(DecodePixel(bitmap.record, row.data(), p.column, indices).r);
                if (swapped) stored = (stored & 0xFF00) | (stored >> 16) | ((stored & 0xFF) << 16);
                return ThroughLut(lutBytes, stored);
            }
            const Rgb colour = DecodePixel(bitmap.record, row.data(), p.column, palette);
            int index = DeviceIndex(target, mode & DISP_FIXED_PALETTE, colour.r, colour.g, colour.b);
            if (ordered) {
                const MatrixCell cell = oneToOne ? MatrixCell{p.row, p.column} : ScaledDitherCell(q, visible, x, y);
                index = DitherIndex(colour, target, mode, cell.row, cell.column, bitmap->PaintLut);
            }
            return asIndices ? dcColor(index) : ToDword(DeviceColor(target, mode & DISP_FIXED_PALETTE, index));
        };
        const std::string label = "case " + std::to_string(c) + ": " + std::to_string(bits) + " bits order " +
                                  std::to_string(order) + " on " + std::to_string(screen) + " bits, mode " +
                                  std::to_string(mode) + " paint mode " + std::to_string(paintMode);
        ASSERT_EQ(CompareWithModel(canvas, q, expected, label), 0);
    }
    EXPECT_GT(painted, 0) << "the screen's depth is none of the six";
    DeleteObject(dcPalette);
}

// Ordered dither of a scaled paint uses fixed phases: a 4 x 4 gray 30 image
// (luminance 30) on a 1-bit device lights the cells of the dispersed matrix
// below 30, rows by y - dst.left, columns by x - visible.left.
TEST_F(PaintDC, ScaledOrderedDitherGolden) {
    ScreenScope screen(1);
    if (!screen.held()) GTEST_SKIP() << "needs a 1-bit screen";
    ModeScope mode(DISP_DEVICE_REDUCE | DISP_CONVERTER_ALT);
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 4, 4, 24), STATUS_OK);
    const std::vector<BYTE> gray(static_cast<std::size_t>(bitmap->BytesPerLine), 30);
    for (int r = 0; r < 4; ++r) KrnPutBitmapRow(bitmap.get(), gray.data(), r, static_cast<DWORD>(gray.size()));
    Canvas canvas(12, 12);
    const RECT destination{3, 2, 11, 10};
    ASSERT_EQ(Z_PaintDC(canvas.dc(), bitmap.get(), nullptr, nullptr, &destination, nullptr, SRCCOPY), STATUS_OK);
    const std::set<std::pair<int, int>> lit = {{3, 3}, {7, 3}, {5, 5}, {9, 5}, {3, 7}, {7, 7}, {5, 9}, {9, 9}};
    for (int y = 2; y < 10; ++y)
        for (int x = 3; x < 11; ++x) EXPECT_EQ(canvas.At(x, y), lit.count({x, y}) ? 0xFFFFFFu : 0u) << x << "," << y;
}

// Golden values of the paths of 1-bit gray images: 255 - floor(255 black /
// area) over a cell, inverted too; MulDiv's rounding above 0x808080 (254.69
// -> 255); bitonal cells of 4 pixels black from one black pixel, of 16 from
// three, of 25 from five; overflowing sizes by nearest neighbour.
TEST_F(PaintDC, GrayPathGoldens) {
    ModeScope mode(0);  // RGB colour tables
    using Path = int (*)(HDC, BitmapRecord *, const RECT *, const RECT *, const RECT *, const RECT *, int, DWORD);
    const struct {
        Path path;
        std::vector<std::string> rows;
        RECT destination;
        int invert;
        std::vector<DWORD> pixels;
    } cases[] = {
        {PaintGrayReduced, {"#.##..", ".###.."}, {0, 0, 3, 1}, 0, {0x808080, 0, 0xFFFFFF}},
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
        MakePicture(bitmap.get(), c.rows, GrayRamp(2));
        Canvas canvas(4, 1);
        const RECT source{0, 0, bitmap->Width, bitmap->Height}, clip{0, 0, 4, 1};
        ASSERT_EQ(c.path(canvas.dc(), bitmap.get(), &source, &source, &c.destination, &clip, c.invert, SRCCOPY), 1);
        for (std::size_t x = 0; x < c.pixels.size(); ++x)
            EXPECT_EQ(canvas.At(int(x), 0), c.pixels[x]) << c.rows[0].substr(0, 10) << " pixel " << x;
    }
}

TEST_F(PaintDC, ArgumentsAndEmptyClips) {
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 6, 6, 24), STATUS_OK);
    BitmapRecord unallocated{};
    ASSERT_EQ(KrnInitBitmapRecord(&unallocated, 6, 6, 24), STATUS_OK);
    Canvas canvas(8, 8);
    const RECT destination{0, 0, 6, 6}, offImage{6, 0, 12, 6}, disjoint{7, 7, 8, 8}, part{0, 0, 3, 3}, other{3, 3, 6, 6},
        inverted{0, 6, 6, 0};
    EXPECT_EQ(Z_PaintDC(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, SRCCOPY), STATUS_NO_BITMAP);
    EXPECT_EQ(Z_PaintDC(canvas.dc(), &unallocated, nullptr, nullptr, &destination, nullptr, SRCCOPY), STATUS_NO_BITMAP);
    EXPECT_EQ(Z_PaintDC(canvas.dc(), bitmap.get(), nullptr, nullptr, nullptr, nullptr, SRCCOPY), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_PaintDC(nullptr, bitmap.get(), nullptr, nullptr, &destination, nullptr, SRCCOPY), STATUS_BAD_PARAMETER);
    const std::array<std::array<const RECT *, 3>, 6> empty = {{{nullptr, &offImage, nullptr}, {&offImage, nullptr, nullptr},
        {&part, &other, nullptr}, {nullptr, nullptr, &disjoint}, {&inverted, nullptr, nullptr}, {nullptr, &inverted, nullptr}}};
    for (const auto &[source, sourceClip, clip] : empty)
        EXPECT_EQ(Z_PaintDC(canvas.dc(), bitmap.get(), source, sourceClip, &destination, clip, SRCCOPY), STATUS_OK);
    // Buffer painting: the record need not hold an image; a band outside the image draws nothing.
    BYTE rows[6 * 20] = {};
    const HDC dc = canvas.dc();
    BitmapRecord *described = &unallocated;
    const RECT *to = &destination;
    EXPECT_EQ((std::array{Z_PaintDCBuffer(dc, nullptr, nullptr, nullptr, to, nullptr, SRCCOPY, rows, 0, 1),
                          Z_PaintDCBuffer(dc, described, nullptr, nullptr, to, nullptr, SRCCOPY, nullptr, 0, 1),
                          Z_PaintDCBuffer(dc, described, nullptr, nullptr, nullptr, nullptr, SRCCOPY, rows, 0, 1),
                          Z_PaintDCBuffer(nullptr, described, nullptr, nullptr, to, nullptr, SRCCOPY, rows, 0, 1),
                          Z_PaintDCBuffer(dc, described, nullptr, nullptr, to, nullptr, SRCCOPY, rows, 6, 1)}),
              (std::array{-2, -2, -13, -13, 1}));
    EXPECT_TRUE(canvas.Untouched());
    EXPECT_EQ(bitmap->AccessCount, 0) << "every access bracket is closed again";
}

}  // namespace
}  // namespace zelt::test
