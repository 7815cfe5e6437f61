// Filling a bitmap with one colour: every layout, inside random regions
// whose runs stray past the image, with nothing outside the region changed
// (row padding included); palette indices and nearest palette colours; a
// failed work row leaves the image alone.
#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "pixel_oracle.h"
#include "record_test_support.h"
#include "support/leak_guard.h"
#include "zelt/kernel.h"

namespace {

using zelt::test::Layout;
using zelt::test::Rgb;

// Random runs (pairs start, end) over columns -3 .. width + 3 for rows
// -2 .. height + 1; a fifth of the rows are empty.
std::vector<std::vector<LONG>> RandomRuns(std::mt19937 &rng, int width, int height) {
    std::vector<std::vector<LONG>> rows(std::size_t(height) + 4);
    for (auto &row : rows) {
        for (LONG x = -3 + LONG(rng() % 4); x < width + 3;) {
            const LONG end = std::min<LONG>(x + 1 + LONG(rng() % 9), width + 3);
            row.insert(row.end(), {x, end});
            x = end + 1 + LONG(rng() % 6);
        }
        if (rng() % 5 == 0) row.clear();
    }
    return rows;
}

// A region record of `rows` from row -2 on, allocated through the kernel
// so that the bitmap frees it.
RegionRecord *MakeRunRegion(const std::vector<std::vector<LONG>> &rows) {
    auto *region = static_cast<RegionRecord *>(KrnAllocZeroed(sizeof(RegionRecord)));
    region->RowTableBytes = DWORD(rows.size() * sizeof(RowEntry));
    region->RowTable = static_cast<RowEntry *>(KrnAllocZeroed(region->RowTableBytes));
    std::vector<LONG> values;
    LONG left = INT32_MAX, right = INT32_MIN;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        region->RowTable[r] = RowEntry{DWORD(rows[r].size()), DWORD(values.size() * sizeof(LONG))};
        values.insert(values.end(), rows[r].begin(), rows[r].end());
        if (!rows[r].empty()) left = std::min(left, rows[r].front()), right = std::max(right, rows[r].back());
    }
    region->RunBytes = DWORD(values.size() * sizeof(LONG));
    region->RunData = static_cast<LONG *>(KrnAllocMem(std::max<DWORD>(region->RunBytes, 4)));
    std::copy(values.begin(), values.end(), region->RunData);
    if (left > right) left = right = 0;
    region->Bounds = RECT{left, -2, right, -2 + LONG(rows.size())};
    return region;
}

bool Selected(const std::vector<std::vector<LONG>> &rows, int x, int y) {
    const std::size_t index = std::size_t(y + 2);
    for (std::size_t i = 0; index < rows.size() && i + 1 < rows[index].size(); i += 2)
        if (x >= rows[index][i] && x < rows[index][i + 1]) return true;
    return false;
}

// What a pixel filled with `color` reads back as: the nearest palette entry
// (squared distance, first wins), the gray level, or 5-bit channels.
Rgb ExpectedColor(const Layout &layout, const std::vector<RGBQUAD> &palette, const Rgb &color) {
    if (layout.Indexed()) {
        long best = -1;
        Rgb nearest;
        for (const RGBQUAD &p : palette) {
            const long dr = p.rgbRed - color.r, dg = p.rgbGreen - color.g, db = p.rgbBlue - color.b;
            if (const long d = dr * dr + dg * dg + db * db; best < 0 || d < best) best = d, nearest = {p.rgbRed, p.rgbGreen, p.rgbBlue};
        }
        return nearest;
    }
    if (layout.Gray()) {
        const int level = (299 * color.r + 587 * color.g + 114 * color.b) / 1000;
        return {level, level, level};
    }
    auto five = [](int v) { return ((v >> 3) << 3) | (v >> 5); };
    return layout.bits == 16 ? Rgb{five(color.r), five(color.g), five(color.b)} : color;
}

class FillBitmapTest : public zelt::test::LeakCheckedTest {};

TEST_F(FillBitmapTest, FillsInsideRegionOnlyForEveryLayout) {
    for (const Layout &layout : zelt::test::AllLayouts()) {
        for (unsigned seed = 0; seed < 4; ++seed) {
            SCOPED_TRACE(layout.Name() + ", case " + std::to_string(seed));
            std::mt19937 rng(seed * 977 + unsigned(layout.bits * 10 + layout.order));
            const int width = 29 + int(rng() % 40), height = 5 + int(rng() % 6);
            const std::vector<RGBQUAD> palette = zelt::test::RandomPalette(rng, 1 << std::min(layout.bits, 8));
            BitmapRecord bitmap;
            ASSERT_EQ(KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, width, height, layout.bits, layout.order,
                                      layout.Indexed() ? palette.data() : nullptr, 0, nullptr, 0),
                      STATUS_OK);
            if (layout.Gray()) {  // a window of at least 8 bits that is not the whole sample
                bitmap.LowBit = 1;
                bitmap.HighBit = layout.bits - 2;
            }
            zelt::test::FillRandom(bitmap, rng);
            // Case 0 has no region: the whole image is selected.
            std::vector<std::vector<LONG>> runs;
            if (seed != 0) bitmap.Region = MakeRunRegion(runs = RandomRuns(rng, width, height));
            const BYTE *data = static_cast<BYTE *>(bitmap.Data);
            std::vector<BYTE> model(data, data + bitmap.DataSize);
            const Rgb color{int(rng() & 255), int(rng() & 255), int(rng() & 255)};

            ASSERT_EQ(KrnFillBitmap(&bitmap, RGB(color.r, color.g, color.b)), STATUS_OK);

            const Rgb expected = ExpectedColor(layout, palette, color);
            int mismatches = 0;
            for (int y = 0; y < height; ++y) {
                const BYTE *row = zelt::test::RowOf(bitmap, y);
                for (int x = 0; x < width; ++x) {
                    if (seed != 0 && !Selected(runs, x, y)) continue;
                    // The model takes the filled value; everything else must stay.
                    zelt::test::OracleWrite(model.data() + std::size_t(y) * bitmap.BytesPerLine, x, layout.bits,
                                            zelt::test::OracleRead(row, x, layout.bits));
                    const COLORREF c = KrnGetPixelColor(&bitmap, y, x);
                    const Rgb actual{GetRValue(c), GetGValue(c), GetBValue(c)};
                    if (actual != expected && ++mismatches <= 3)
                        ADD_FAILURE() << "pixel (" << x << "," << y << ") " << actual << " expected " << expected;
                }
            }
            EXPECT_EQ(mismatches, 0);
            EXPECT_TRUE(std::memcmp(model.data(), bitmap.Data, model.size()) == 0)
                << "bits outside the selected pixels changed";
            KrnFreeBitmap(&bitmap);
        }
    }
}

TEST_F(FillBitmapTest, IndexColorsAndNearestGrayStoreExpectedValue) {
    const struct {
        int bits;
        COLORREF color;
        std::uint64_t stored;  // in a gray-ramp palette
    } cases[] = {
        {1, 0x01000001, 1}, {2, 0x01000003, 3}, {4, 0x01000009, 9}, {7, 0x0100007F, 127}, {8, 0x010000C8, 200},
        // Without the tag the same numbers are colours: near black.
        {1, 0x00000001, 0}, {8, 0x000000C8, 67},
        {1, RGB(200, 200, 200), 1}, {1, RGB(100, 100, 100), 0}, {4, RGB(40, 40, 40), 2}, {8, RGB(37, 37, 37), 37},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("bits " + std::to_string(c.bits) + " color " + std::to_string(c.color));
        BitmapRecord bitmap;
        ASSERT_EQ(KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, 13, 3, c.bits, 0, nullptr, 0, nullptr, 0),
                  STATUS_OK);
        ASSERT_EQ(KrnFillBitmap(&bitmap, c.color), STATUS_OK);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(zelt::test::OracleRead(zelt::test::RowOf(bitmap, y), x, c.bits), c.stored)
                    << "(" << x << "," << y << ")";
        KrnFreeBitmap(&bitmap);
    }
}

TEST_F(FillBitmapTest, RejectsMissingImage) {
    EXPECT_EQ(KrnFillBitmap(nullptr, 0), STATUS_NO_BITMAP);
    BitmapRecord described;
    ASSERT_EQ(KrnInitBitmapRecord(&described, 4, 4, 8), STATUS_OK);
    EXPECT_EQ(KrnFillBitmap(&described, 0), STATUS_NO_BITMAP);
}

TEST_F(FillBitmapTest, FailedWorkRowLeavesImageUnchanged) {
    BitmapRecord bitmap;
    ASSERT_EQ(KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, 21, 6, 4, 0, nullptr, 0, nullptr, 0), STATUS_OK);
    std::mt19937 rng(5);
    zelt::test::FillRandom(bitmap, rng);
    bitmap.Region = MakeRunRegion(RandomRuns(rng, 21, 6));
    const std::vector<BYTE> original(static_cast<BYTE *>(bitmap.Data),
                                     static_cast<BYTE *>(bitmap.Data) + bitmap.DataSize);
    int status = 0;
    const long allocations = zelt::test::ForEachAllocationFailure(
        [&] {
            std::memcpy(bitmap.Data, original.data(), original.size());
            status = KrnFillBitmap(&bitmap, RGB(255, 255, 255));
        },
        [&](long failedAt) {
            EXPECT_EQ(status, STATUS_NO_MEMORY) << "allocation " << failedAt;
            EXPECT_TRUE(std::memcmp(bitmap.Data, original.data(), original.size()) == 0) << "allocation " << failedAt;
        });
    EXPECT_GE(allocations, 1);
    KrnFreeBitmap(&bitmap);
}

}  // namespace
