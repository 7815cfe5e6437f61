// Buffer painting against whole-bitmap painting, the kernel reduction
// route, band sizes, and every paint entry under allocation failures.
#include <array>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "frame/display_settings.h"
#include "paint/paint_engine.h"
#include "support/host_controls.h"
#include "support/front_fixture.h"
#include "support/paint_canvas.h"

namespace zelt::test {
namespace {

class PaintPaths : public FrontTest {};

// Bands of random heights from buffers (some last row first, counted
// negative; 24-bit ones for a record without image) paint as one Z_PaintDC,
// in every view, for upside-down destinations and on every kind of screen.
TEST_F(PaintPaths, BandsFromBuffersPaintLikeTheBitmap) {
    std::vector<RGBQUAD> colours(256);
    for (int i = 0; i < 256; ++i) colours[std::size_t(i)] = {BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
    HPALETTE palette = KrnCreatePaletteFromColors(colours.data(), 256);
    std::optional<ScreenScope> screen;  // 100 cases per screen depth, reducing on the lower ones
    for (unsigned c = 0; c < 400; ++c) {
        if (c % 100 == 0) screen.emplace(std::array{32, 16, 8, 1}[c / 100]);
        if (!screen->held()) continue;
        std::mt19937 random(7000 + c);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
        const int bits = std::array{1, 4, 8, 24, 16}[c % 5], width = pick(1, 30), height = pick(1, 25);
        const bool oneToOne = pick(0, 1), indexed = bits <= 8 && pick(0, 2) == 0;
        const int perspective = pick(0, 8);
        // Reducing screens: one band (error diffusion carries from row to
        // row within one call only), diffused or dithered.
        const bool reducing = c >= 200, diffused = reducing && pick(0, 1);
        ModeScope mode(DISP_DEVICE_REDUCE | (indexed ? DISP_INDEXED_PAINT : 0) | (diffused ? 0 : DISP_CONVERTER_ALT));
        ScopedBitmap bitmap;
        MakeRandomBitmap(bitmap.get(), random, width, height, bits, perspective);
        BitmapRecord described{};
        ASSERT_EQ(KrnInitBitmapRecord(&described, width, height, 24), STATUS_OK);
        described.ViewPerspective = perspective;
        Canvas whole(40, 36), banded(40, 36);
        SelectPalette(whole.dc(), palette, FALSE);
        SelectPalette(banded.dc(), palette, FALSE);
        PaintRequest q = RandomRequest(random, width, height, perspective, whole, oneToOne);
        ASSERT_EQ(Z_PaintDC(whole.dc(), bitmap.get(), &q.source, &q.sourceClip, &q.destination, &q.destinationClip, SRCCOPY), 1);
        const std::size_t rowBytes = static_cast<std::size_t>(bitmap->BytesPerLine);
        for (int first = 0; first < height;) {
            const int rows = reducing ? height : pick(1, height - first);
            const bool lastFirst = pick(0, 3) == 0;
            std::vector<BYTE> band(rowBytes * static_cast<std::size_t>(rows));
            for (int r = 0; r < rows; ++r)
                KrnGetBitmapRow(bitmap.get(), &band[rowBytes * std::size_t(lastFirst ? rows - 1 - r : r)], first + r,
                                static_cast<DWORD>(rowBytes));
            const std::vector<BYTE> original = band;
            ASSERT_EQ(Z_PaintDCBuffer(banded.dc(), bits == 24 ? &described : bitmap.get(), &q.source, &q.sourceClip,
                                      &q.destination, &q.destinationClip, SRCCOPY, band.data(), first,
                                      lastFirst ? -rows : rows),
                      STATUS_OK);
            ASSERT_EQ(band, original) << "case " << c;
            first += rows;
        }
        for (int y = 0; y < whole.height(); ++y)
            for (int x = 0; x < whole.width(); ++x)
                ASSERT_EQ(banded.At(x, y), whole.At(x, y)) << "case " << c << " " << bits << " bits at " << x << ","
                                                           << y << (indexed ? " indexed " : " ") << (diffused ? "diffused " : "") << Describe(q);
    }
    DeleteObject(palette);
}

// The kernel's colour reduction (DISP_PATH_OPTION, DISP_KERNEL_REDUCE):
// colours the device shows exactly at whole-number enlargements.
TEST_F(PaintPaths, KernelReductionRouteMatchesTheModel) {
    std::vector<RGBQUAD> primaries;
    for (int i = 0; i < 8; ++i) primaries.push_back({BYTE(i & 1 ? 255 : 0), BYTE(i & 2 ? 255 : 0), BYTE(i & 4 ? 255 : 0), 0});
    const std::array<std::array<UINT, 3>, 5> routes = {{{DISP_PATH_OPTION, 8, PAINTMODE_REDUCE},
                                                        {DISP_KERNEL_REDUCE, 4, PAINTMODE_REDUCE},
                                                        {DISP_KERNEL_REDUCE | DISP_CONVERTER_ALT, 8, PAINTMODE_REDUCE},
                                                        {DISP_PATH_OPTION, 24, PAINTMODE_DIRECT},
                                                        {DISP_KERNEL_REDUCE, 8, PAINTMODE_DIRECT}}};
    for (unsigned c = 0; c < 270; ++c) {
        const auto [displayMode, deviceBits, paintMode] = routes[c % 5];
        ModeScope mode(displayMode);
        std::mt19937 random(c);
        const int perspective = c % 9, width = 1 + int(random() % 19), height = 1 + int(random() % 17);
        Canvas canvas(60, 56);
        ScopedBitmap bitmap;
        MakeRandomBitmap(bitmap.get(), random, width, height, std::array{8, 4, 1}[c % 3], perspective, primaries);
        PaintRequest q = RandomRequest(random, width, height, perspective, canvas, true);
        if (c % 4 == 0) q.source = {0, 0, width, height};
        if (q.destinationClip.left > q.destinationClip.right) std::swap(q.destinationClip.left, q.destinationClip.right);
        const int sw = q.source.right - q.source.left, sh = q.source.bottom - q.source.top;
        q.destination.right = q.destination.left + (ExchangesAxes(perspective) ? sh : sw) * int(1 + c % 3);
        q.destination.bottom = q.destination.top + (ExchangesAxes(perspective) ? sw : sh) * int(1 + c / 3 % 3);
        const BYTE *band = c % 4 == 1 ? static_cast<const BYTE *>(bitmap->Data) : nullptr;
        ASSERT_EQ(PaintGeneral(canvas.dc(), bitmap.get(), band, 0, band ? height : 0, &q.source, &q.sourceClip,
                               &q.destination, &q.destinationClip, int(deviceBits), int(paintMode), SRCCOPY),
                  STATUS_OK);
        ASSERT_EQ(CompareWithModel(canvas, q, [&](int, int, const StoredPixel &p) { return StoredColor(bitmap.get(), p); },
                                   "kernel route case " + std::to_string(c)),
                  0);
    }
}

// Bands hold at most 256 KiB (the last band's header tells its size):
// 24-bit rows of 1000 pixels, 87 rows (200 = 2 x 87 + 26); turned unscaled
// columns of 2400 pixels, 36 rounded down to 32 (100 = 3 x 32 + 4), of
// 17000, 5 (102 = 20 x 5 + 2); the general path keeps 36.
TEST_F(PaintPaths, BandSizesFollowTheLimit) {
    ModeScope mode(0);
    const std::array<std::array<int, 7>, 5> cases = {{{0, 0, 500, 100, 1000, 200, 26},
                                                      {1, 0, 1000, 200, 1000, 200, 26},
                                                      {1, 4, 2400, 100, 100, 2400, 4},
                                                      {0, 4, 1200, 50, 100, 2400, 28},
                                                      {1, 4, 17000, 102, 102, 17000, 2}}};
    for (const auto &[unscaled, perspective, imageW, imageH, dstW, dstH, lastBand] : cases) {
        std::mt19937 random(1);
        ScopedBitmap bitmap;
        MakeRandomBitmap(bitmap.get(), random, imageW, imageH, 24, perspective);
        Canvas canvas(dstW, dstH);
        const RECT src{0, 0, imageW, imageH}, dst{0, 0, dstW, dstH};
        const auto path = unscaled ? PaintUnscaled : PaintGeneral;
        ASSERT_EQ(path(canvas.dc(), bitmap.get(), nullptr, 0, 0, &src, &src, &dst, &dst, 24, 0, SRCCOPY), 1);
        const BITMAPINFOHEADER &header = GetDisplaySettings()->PaintHeader;
        EXPECT_EQ(perspective ? header.biWidth : header.biHeight, lastBand) << imageW;
        EXPECT_EQ(perspective ? header.biHeight : header.biWidth, perspective ? dstH : dstW) << imageW;
        EXPECT_NE(canvas.At(0, 0), kBackground);
        EXPECT_NE(canvas.At(dstW - 1, dstH - 1), kBackground);
        if (imageW != 500) continue;
        // Failing each allocation in turn: -1 draws nothing; a device refusing
        // a band (-13) keeps the bands before it, the first among them.
        int status = 0;
        bool sawSecondBand = false;
        ForEachAllocationFailure(
            [&] {
                canvas.Clear();
                status = path(canvas.dc(), bitmap.get(), nullptr, 0, 0, &src, &src, &dst, &dst, 24, 0, SRCCOPY);
            },
            [&](long failedAt) {
                int painted = 0;  // bands count up from the bottom
                while (painted < 200 && canvas.At(0, 199 - painted) != kBackground) ++painted;
                ASSERT_TRUE(painted % 87 == 0 && painted < 200) << failedAt << ": " << painted;
                EXPECT_TRUE(status == STATUS_BAD_PARAMETER || painted == 0) << failedAt;
                EXPECT_EQ(canvas.At(500, 199 - painted), kBackground) << failedAt;
                sawSecondBand |= status == STATUS_BAD_PARAMETER && painted == 87;
            });
        EXPECT_TRUE(sawSecondBand || !kHostControls);
    }
}

// Each allocation fails in turn: STATUS_NO_MEMORY with the device untouched
// (the kernel route sends rows made before), or -13 from GDI's transfer.
TEST_F(PaintPaths, AllocationFailuresOfEveryEntry) {
    ZELT_REQUIRE_HOST_CONTROLS("failing each allocation of a paint");
    struct Entry {
        UINT mode;
        int screen, bits, perspective, width, height;
        RECT destination;
        int bufferRows;  // paint from a buffer of that many rows (negative: last row first)
    };
    const Entry entries[] = {
        {DISP_DEVICE_REDUCE, 1, 24, 0, 30, 20, {1, 2, 31, 22}, 0},
        {DISP_PATH_OPTION | DISP_DEVICE_REDUCE, 8, 24, 4, 30, 20, {1, 2, 37, 54}, 0},
        {DISP_BITONAL_GRAY | DISP_INDEXED_PAINT, 24, 1, 4, 24, 36, {2, 1, 38, 25}, 0},
        {DISP_BITONAL_GRAY, 24, 1, 4, 24, 36, {2, 1, 20, 15}, 0},
        {DISP_BITONAL_GRAY, 24, 1, 4, 24, 36, {2, 1, 30, 30}, 0},
        {DISP_BITONAL_GRAY, 24, 1, 0, 24, 36, {2, 1, 10, 50}, 0},
        {DISP_BITONAL_RESAMPLE | DISP_INDEXED_PAINT, 24, 1, 2, 50, 70, {0, 0, 90, 19}, 0},
        {DISP_DEVICE_REDUCE, 24, 8, 0, 9, 7, {1, 1, 10, 8}, -7},
    };
    for (const Entry &e : entries) {
        SCOPED_TRACE(::testing::Message() << "mode " << e.mode << ", " << e.bits << " bits, perspective " << e.perspective);
        ScreenScope screen(e.screen);
        ModeScope mode(e.mode);
        std::mt19937 random(3);
        ScopedBitmap bitmap;
        MakeRandomBitmap(bitmap.get(), random, e.width, e.height, e.bits, e.perspective, GrayRamp(2));
        std::vector<BYTE> rows = DataOf(bitmap.record);
        const std::vector<BYTE> original = rows;
        Canvas canvas(40, 40);
        int status = 0;
        bool sawNoMemory = false;
        ForEachAllocationFailure(
            [&] {
                canvas.Clear();
                status = e.bufferRows == 0
                             ? Z_PaintDC(canvas.dc(), bitmap.get(), nullptr, nullptr, &e.destination, nullptr, SRCCOPY)
                             : Z_PaintDCBuffer(canvas.dc(), bitmap.get(), nullptr, nullptr, &e.destination, nullptr,
                                               SRCCOPY, rows.data(), 0, e.bufferRows);
            },
            [&](long failedAt) {
                EXPECT_TRUE(status == STATUS_NO_MEMORY || status == STATUS_BAD_PARAMETER) << failedAt << ": " << status;
                if (status == STATUS_NO_MEMORY && !(e.mode & DISP_PATH_OPTION)) {
                    EXPECT_TRUE(canvas.Untouched()) << "allocation " << failedAt;
                }
                sawNoMemory |= status == STATUS_NO_MEMORY;
                EXPECT_EQ(bitmap->AccessCount, 0);
                EXPECT_EQ(rows, original);
            });
        EXPECT_TRUE(sawNoMemory);
    }

}

}  // namespace
}  // namespace zelt::test
