// Z_PaintDC against the painting model: random images of every depth and
// perspective, rectangles and clips (upside-down destinations with no clip,
// a clip equal to them or to their upright form), screens of every depth,
// display modes for direct, converted, diffused, dithered, indexed painting.
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
    const std::size_t unit = bitmap->BitsPerPixel == 12 ? 3 : std::max(1, bitmap->BitsPerPixel / 8);
    for (int r = 0; r < bitmap->Height; ++r) {
        for (std::size_t i = 0; i < row.size(); i += unit)
            std::fill_n(&row[i], std::min(unit, row.size() - i), random() & 1 ? 0xFF : 0);
        KrnPutBitmapRow(bitmap, row.data(), r, static_cast<DWORD>(row.size()));
    }
}

// A 1-bit gray image of runs of random lengths, some long.
void MakeRunImage(BitmapRecord *bitmap, std::mt19937 &random, int width, int height, int perspective, bool inverted) {
    const std::vector<RGBQUAD> palette = GrayRamp(2, inverted);
    ASSERT_EQ(CreateBitmap(bitmap, width, height, 1, palette, 1, perspective), STATUS_OK);
    std::vector<BYTE> row(static_cast<std::size_t>(bitmap->BytesPerLine));
    for (int r = 0; r < height; ++r) {
        std::fill(row.begin(), row.end(), 0);
        bool bit = random() & 1;
        for (int x = 0; x < width; bit = !bit)
            for (int k = static_cast<int>(random() % (random() % 3 == 0 ? 12 : 3)); k >= 0 && x < width; --k, ++x)
                if (bit) row[static_cast<std::size_t>(x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
        KrnPutBitmapRow(bitmap, row.data(), r, static_cast<DWORD>(row.size()));
    }
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
    const std::array<std::array<int, 2>, 17> depths = {{{1, 1},  {2, 1},  {3, 1},  {4, 1},  {5, 1},  {6, 1},
                                                         {7, 1},  {8, 1},  {12, 2}, {16, 1}, {16, 0}, {16, 2},
                                                         {24, 1}, {24, 0}, {32, 1}, {48, 1}, {64, 0}}};
    RGBQUAD indices[256], distinct[256];  // a palette pixel's index; the DC's palette for indexed painting
    for (int i = 0; i < 256; ++i) indices[i] = {0, 0, BYTE(i), 0}, distinct[i] = {BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
    HPALETTE dcPalette = KrnCreatePaletteFromColors(distinct, 256);
    auto dcColor = [&](int i) { return DWORD(distinct[i].rgbRed) << 16 | DWORD(distinct[i].rgbGreen) << 8 | distinct[i].rgbBlue; };
    std::optional<ScreenScope> screenScope;  // 500 cases per screen depth
    for (unsigned c = 0; c < 3000; ++c) {
        std::mt19937 random(c);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
        const int screen = std::array{1, 4, 8, 16, 24, 32}[c / 500];
        if (c % 500 == 0) screenScope.emplace(screen);
        const bool grayImage = c % 3 == 2;  // through the gray and bitonal paths
        const auto [bits, order] = grayImage ? std::array{1, 1} : depths[static_cast<std::size_t>(pick(0, 16))];
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
            MakeRunImage(bitmap.get(), random, width, height, perspective, pick(0, 1));
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
    DeleteObject(dcPalette);
}

// Ordered dither of a scaled paint uses fixed phases: a 4 x 4 gray 30 image
// (luminance 30) on a 1-bit device lights the cells of the dispersed matrix
// below 30, rows by y - dst.left, columns by x - visible.left.
TEST_F(PaintDC, ScaledOrderedDitherGolden) {
    ScreenScope screen(1);
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
    EXPECT_TRUE(canvas.Untouched());
    EXPECT_EQ(bitmap->AccessCount, 0) << "every access bracket is closed again";
}

}  // namespace
}  // namespace zelt::test
