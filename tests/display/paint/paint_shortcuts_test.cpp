// The paint shortcuts (rows read where they lie, 1:1 copies sent without a
// band, the column table) against the paths without them: from the bitmap
// and from caller bands, every view, 1:1 and scaled, clipped, with and
// without the paint table, on every kind of screen.
#include <array>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "frame/display_settings.h"
#include "paint/column_table.h"
#include "paint/stored_rows.h"
#include "support/front_fixture.h"
#include "support/paint_canvas.h"

namespace zelt::test {
namespace {

class PaintShortcuts : public FrontTest {};

TEST_F(PaintShortcuts, PaintAsThePathsWithoutThem) {
    std::optional<ScreenScope> screen;  // a quarter of the cases per screen depth
    constexpr unsigned kCases = 1600;
    for (unsigned c = 0; c < kCases; ++c) {
        if (c % (kCases / 4) == 0) screen.emplace(std::array{32, 24, 8, 1}[c / (kCases / 4)]);
        if (!screen->held()) continue;
        std::mt19937 random(9100 + c);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
        const int bits = std::array{24, 24, 8, 4, 1, 32, 16}[c % 7], width = pick(1, 37), height = pick(1, 29);
        // Half the cases in the two views whose rows need no turn.
        const int perspective = pick(0, 1) ? std::array{0, 2}[pick(0, 1)] : pick(0, 8);
        const UINT mode = (pick(0, 1) ? DISP_DEVICE_REDUCE : 0) | (pick(0, 1) ? DISP_CONVERTER_ALT : 0) |
                          (bits <= 8 && pick(0, 2) == 0 ? DISP_INDEXED_PAINT : 0);
        ModeScope modeScope(mode);
        ScopedBitmap bitmap;
        MakeRandomBitmap(bitmap.get(), random, width, height, bits, perspective);
        if (pick(0, 3) == 0) Z_SetPaintContrast(bitmap.get(), pick(-500, 500));
        Canvas canvas(44, 40);
        PaintRequest q = RandomRequest(random, width, height, perspective, canvas, pick(0, 2) != 0);
        // A quarter from a caller band of some rows, last row first at times.
        const bool fromBand = pick(0, 3) == 0, lastFirst = pick(0, 2) == 0;
        const int first = pick(0, height - 1), rows = pick(1, height - first);
        const std::size_t line = static_cast<std::size_t>(bitmap->BytesPerLine);
        std::vector<BYTE> band(line * static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r)
            KrnGetBitmapRow(bitmap.get(), &band[line * std::size_t(lastFirst ? rows - 1 - r : r)], first + r, DWORD(line));

        // The canvas, then the status and the band header the paint leaves.
        auto paint = [&](bool shortcuts) {
            paint_band::SetPaintShortcuts(shortcuts);
            canvas.Clear();
            const int status = fromBand ? Z_PaintDCBuffer(canvas.dc(), bitmap.get(), &q.source, &q.sourceClip,
                                                          &q.destination, &q.destinationClip, SRCCOPY, band.data(),
                                                          first, lastFirst ? -rows : rows)
                                        : Z_PaintDC(canvas.dc(), bitmap.get(), &q.source, &q.sourceClip,
                                                    &q.destination, &q.destinationClip, SRCCOPY);
            paint_band::SetPaintShortcuts(true);
            std::vector<DWORD> out(canvas.Data(), canvas.Data() + canvas.width() * canvas.height());
            const BITMAPINFOHEADER &h = GetDisplaySettings()->PaintHeader;
            out.insert(out.end(), {DWORD(status), DWORD(h.biWidth), DWORD(h.biHeight), h.biSizeImage, h.biBitCount});
            return out;
        };
        const std::vector<DWORD> without = paint(false), with = paint(true);
        const std::string label = "case " + std::to_string(c) + ", " + std::to_string(bits) + " bits, mode " +
                                  std::to_string(mode) + (fromBand ? ", band " : ", ") + Describe(q);
        std::size_t i = 0;
        while (i < with.size() && with[i] == without[i]) ++i;
        ASSERT_EQ(i, with.size()) << label << ": first difference at (" << i % 44 << "," << i / 44 << ")";
        ASSERT_EQ(with[std::size_t(canvas.width() * canvas.height())], DWORD(STATUS_OK)) << label;
        // Unreduced 24-bit rows from the bitmap show their stored colours.
        if (bits == 24 && !fromBand && !(mode & DISP_DEVICE_REDUCE) && c < kCases / 2 &&
            !(bitmap->Flags & BITMAP_PAINT_LUT_ACTIVE)) {
            ASSERT_EQ(CompareWithModel(canvas, q, [&](int, int, const StoredPixel &p) { return StoredColor(bitmap.get(), p); },
                                       label),
                      0);
        }
    }
}

// The column table against the kernel's walk over random ratios and phases,
// spans ending at the last column read.
TEST_F(PaintShortcuts, ColumnTableResamplesAsTheKernel) {
    std::mt19937 random(41);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    for (int c = 0; c < 3000; ++c) {
        const int bits = std::array{8, 24, 32}[c % 3], bytes = bits / 8;
        const int width = pick(1, 300), extent = pick(1, 400), source = pick(1, 400);
        const paint_geometry::AxisWalk walk{pick(0, 5), source / extent, pick(0, extent - 1), source % extent, extent};
        const std::int64_t last = (std::int64_t{width - 1} * source + walk.error) / extent;
        const std::size_t spanBytes = static_cast<std::size_t>(last + 1) * bytes;
        const std::vector<BYTE> span = RandomBytes(random, spanBytes);
        std::vector<BYTE> want(std::size_t(width) * bytes + 1, 0xAB), got = want;
        ASSERT_EQ(KrnResampleRow(bits, DWORD(want.size()), walk.first, walk.step, walk.error, walk.remainder,
                                 span.data(), want.data(), width, extent, extent >= source),
                  STATUS_OK);
        paint_band::ColumnTable table;
        ASSERT_TRUE(table.Build(walk, walk.first, width, bits));
        table.Resample(span.data(), spanBytes, got.data());
        ASSERT_EQ(got, want) << "case " << c << ": " << bits << " bits, " << width << " of " << source << "/" << extent;
    }
}

}  // namespace
}  // namespace zelt::test
