// Whole-image depth changes and fills against the model: every stored layout
// to every target depth, palette images through deep ones and back, and
// fills inside random regions.
#include <random>

#include <gtest/gtest.h>

#include "region_fixture.h"
#include "support/bitmap_model.h"

namespace {

using namespace zelt::test;

using Conversions = RegionServicesTest;

// The colour a pixel of colour c reads back as in a deep layout.
Rgb DeepPrecision(const Layout &layout, const Rgb &c) {
    BYTE pixel[8] = {};
    WritePixel(pixel, 0, layout.bits, PackedValue(layout, c, nullptr, 0));
    return PixelColor(pixel, 0, layout, nullptr, 0);
}

// Each source layout, deep gray read through its own window, a requested one
// or its level table, to each target: the nearest colour of the target's
// table or the deep layout's precision. Placement and the region come along.
// Single source pixels read as the model reads them through the record's own
// window (and level table, with level processing on).
TEST_F(Conversions, EveryLayoutConvertsToEveryTargetLikeTheModel) {
    const Layout targets[] = {{1, 0}, {4, 0}, {8, 0}, {16, 0}, {16, 1}, {24, 0}, {24, 1}, {32, 0}, {32, 1}};
    FakeRegionServices::Register(false);
    for (const Layout &layout : AllLayouts()) {
        for (const Layout &target : targets) {
            SCOPED_TRACE(layout.Name() + " to " + target.Name());
            std::mt19937 rng(static_cast<unsigned>(layout.bits * 3 + layout.order + target.bits * 50 + target.order));
            BitmapRecord source = RandomBitmap(layout, 27, 4, rng, int(rng() % 9)), converted{};
            const auto palette = ColorsOf(source), levels = RandomPalette(rng, 1 << std::min(layout.bits, 12));
            source.XResolution = 300, source.Left = 17, source.Region = MakeRectRegion(RECT{2, 0, 9, 2});
            const int kind = int(rng() % 3), lowBit = kind == 1 ? int(rng() % 5) : 0;
            const int highBit = kind == 1 ? lowBit + 7 + int(rng() % 4) : 0;  // 0: the source's window
            source.LowBit = int(rng() % 4), source.HighBit = source.LowBit + 6 + int(rng() % 6);
            if (kind == 2) {
                source.LevelLut = const_cast<RGBQUAD *>(levels.data()), source.LevelLutLength = DWORD(levels.size());
                source.Flags |= BITMAP_LEVEL_PROCESSING;
            }
            const GrayDecoding gray{true, highBit ? lowBit : source.LowBit, highBit ? highBit : source.HighBit,
                                    kind == 2 ? levels.data() : nullptr, int(levels.size())};
            GrayDecoding own = gray;
            own.lowBit = source.LowBit, own.highBit = source.HighBit;
            // Palette targets take the fixed table, or the source's own colours (as a table or a palette, nearest or
            // diffused: exact colours are reproduced either way).
            auto table = target.Indexed() ? DeviceTable(target.bits) : std::vector<RGBQUAD>();
            const int given = layout.Indexed() && target.Indexed() && layout.bits <= target.bits ? kind : 0;
            if (given) table = palette;
            const UINT flags = (target.order ? KRN_COLORRES_BGR : 0) | (given ? KRN_COLORRES_GIVEN_PALETTE : 0) |
                               (given == 2 ? KRN_COLORRES_DIFFUSE : 0);
            ASSERT_EQ(KrnConvertColorRes(&source, &converted, target.bits, flags, given == 1 ? nullptr : palette.data(),
                                         given == 1 ? source.Palette : nullptr, given == 1 ? 0 : int(palette.size()),
                                         lowBit, highBit),
                      STATUS_OK);
            EXPECT_EQ(converted.ViewPerspective * 10000 + converted.XResolution * 10 + converted.Left,
                      source.ViewPerspective * 10000 + 300 * 10 + 17);
            EXPECT_EQ(RunsOf(*converted.Region), Runs(2, {2, 9}));
            EXPECT_EQ(converted.ColorCount, int(table.size()));
            EXPECT_TRUE(table.empty() || KrnPaletteMatches(converted.Palette, table.data(), int(table.size())));
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 27; ++x) {
                    const Rgb c = PixelColor(RowOf(source, y), x, layout, palette.data(), int(palette.size()), gray);
                    ASSERT_EQ(ToRgb(KrnGetPixelColor(&source, y, x)),
                              PixelColor(RowOf(source, y), x, layout, palette.data(), int(palette.size()), own))
                        << "single pixel " << x << "," << y;
                    ASSERT_EQ(PixelColor(RowOf(converted, y), x, target, table.data(), int(table.size())),
                              target.Indexed() ? ToRgb(table[NearestIndex(table.data(), int(table.size()), c)])
                                               : DeepPrecision(target, c))
                        << "pixel " << x << "," << y << " of colour " << c;
                }
            source.LevelLut = nullptr;
            KrnFreeBitmap(&converted);
            KrnFreeBitmap(&source);
        }
    }
}

// Every layout filled with a colour (palette images also by index) inside a
// random region, whose runs stray past the image, or everywhere: selected
// pixels read back as the colour's stored form, every other bit (row padding
// included) stays.
TEST_F(Conversions, FillsInsideTheRegionOnlyForEveryLayout) {
    for (const Layout &layout : AllLayouts()) {
        for (unsigned seed = 0; seed < 4; ++seed) {
            SCOPED_TRACE(layout.Name() + ", case " + std::to_string(seed));
            std::mt19937 rng(seed * 977 + unsigned(layout.bits * 10 + layout.order));
            const int width = 29 + int(rng() % 40), height = 5 + int(rng() % 6);
            BitmapRecord bitmap = RandomBitmap(layout, width, height, rng);
            const auto palette = ColorsOf(bitmap);
            if (layout.Gray()) bitmap.LowBit = 1, bitmap.HighBit = layout.bits - 2;  // a window inside the sample
            Runs runs(std::size_t(height) + 4);  // rows -2 .. height + 1 over columns -3 .. width + 3
            for (auto &row : runs)
                for (LONG x = -3 + LONG(rng() % 4), end; x < width + 3 && rng() % 9; x = end + 1 + LONG(rng() % 6))
                    row.insert(row.end(), {x, end = std::min<LONG>(x + 1 + LONG(rng() % 9), width + 3)});
            if (seed != 0) bitmap.Region = MakeRunRegion(runs, -2);
            std::vector<BYTE> model = DataOf(bitmap);
            const Rgb color{int(rng() & 255), int(rng() & 255), int(rng() & 255)};
            const int index = int(rng() % std::max<std::size_t>(palette.size(), 1)), level = Luminance(color);
            const bool byIndex = layout.Indexed() && seed % 2 == 1;
            ASSERT_EQ(KrnFillBitmap(&bitmap, byIndex ? 0x01000000u | DWORD(index) : RGB(color.r, color.g, color.b)), 1);
            const Rgb expected = byIndex ? ToRgb(palette[index])
                                 : layout.Indexed()
                                     ? ToRgb(palette[NearestIndex(palette.data(), int(palette.size()), color)])
                                 : layout.Gray() ? Rgb{level, level, level}
                                                 : DeepPrecision(layout, color);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    bool selected = seed == 0;
                    for (std::size_t i = 0; i < runs[std::size_t(y + 2)].size(); i += 2)
                        selected |= x >= runs[std::size_t(y + 2)][i] && x < runs[std::size_t(y + 2)][i + 1];
                    if (!selected) continue;  // the model takes the filled value; everything else must stay
                    WritePixel(model.data() + std::size_t(y) * bitmap.BytesPerLine, x, layout.bits,
                               ReadPixel(RowOf(bitmap, y), x, layout.bits));
                    ASSERT_EQ(ToRgb(KrnGetPixelColor(&bitmap, y, x)), expected) << "pixel " << x << "," << y;
                }
            EXPECT_EQ(model, DataOf(bitmap)) << "bits outside the region changed";
            KrnFreeBitmap(&bitmap);
        }
    }
}

}  // namespace
