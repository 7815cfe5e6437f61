// Depth conversion of whole bitmaps: palette images through deep ones and
// back, the black-and-white split of any image, diffusion against nearest
// colour, deep gray read through a bit window, every stored layout against
// a model, bad arguments and failed allocations.
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

using zelt::test::GrayDecoding;
using zelt::test::Layout;
using zelt::test::OracleColor;
using zelt::test::OracleRead;
using zelt::test::Rgb;
using zelt::test::RowOf;

class ConvertColorResTest : public zelt::test::LeakCheckedTest {};

// Random colours made distinct by their red channel (count <= 256).
std::vector<RGBQUAD> DistinctPalette(std::mt19937 &rng, int count) {
    std::vector<RGBQUAD> colors(std::size_t(count), RGBQUAD{});
    for (int i = 0; i < count; ++i) colors[std::size_t(i)] = RGBQUAD{BYTE(rng()), BYTE(rng()), BYTE(i * 97 % 256), 0};
    return colors;
}

std::vector<RGBQUAD> DeviceTable(int bits) {
    HPALETTE device = KrnCreateDevicePalette(bits);
    std::vector<RGBQUAD> colors(std::size_t{1} << bits);
    colors.resize(static_cast<std::size_t>(KrnGetPaletteColors(device, 0, 1 << bits, colors.data())));
    DeleteObject(device);
    return colors;
}

// A conventional bitmap of the given layout and colours.
bool Created(BitmapRecord *bitmap, int width, int height, int bits, int order, const RGBQUAD *palette = nullptr) {
    return KrnCreateBitmap(bitmap, KRN_MEMORY_CONVENTIONAL, width, height, bits, order, palette, 0, nullptr, 0) ==
           STATUS_OK;
}

bool AllBytesZero(const BitmapRecord &record) {
    const auto *bytes = reinterpret_cast<const BYTE *>(&record);
    return std::all_of(bytes, bytes + sizeof record, [](BYTE b) { return b == 0; });
}

enum class Colors { Random, RandomAsHandle, DeviceTable };

TEST_F(ConvertColorResTest, PaletteImageThroughDeepAndBackKeepsIndices) {
    constexpr UINT kGiven = KRN_COLORRES_GIVEN_PALETTE;
    const struct {
        int bits, deepBits;
        UINT deepFlags, backFlags;
        Colors colors;
    } cases[] = {
        {8, 24, KRN_COLORRES_BGR, kGiven, Colors::Random},
        {8, 32, 0, kGiven | KRN_COLORRES_DIFFUSE, Colors::Random},
        {8, 24, 0, kGiven, Colors::RandomAsHandle},
        {4, 24, 0, kGiven | KRN_COLORRES_DIFFUSE, Colors::Random},
        {1, 32, KRN_COLORRES_BGR, kGiven, Colors::Random},
        {1, 24, 0, KRN_COLORRES_FIXED_PALETTE, Colors::DeviceTable},
        {4, 32, 0, KRN_COLORRES_FIXED_PALETTE, Colors::DeviceTable},
        {8, 24, KRN_COLORRES_BGR, KRN_COLORRES_FIXED_PALETTE | KRN_COLORRES_DIFFUSE, Colors::DeviceTable},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("bits " + std::to_string(c.bits) + " via " + std::to_string(c.deepBits) + " flags " +
                     std::to_string(c.backFlags));
        std::mt19937 rng(static_cast<unsigned>(c.bits * 100 + c.deepBits + c.backFlags));
        const std::vector<RGBQUAD> palette =
            c.colors == Colors::DeviceTable ? DeviceTable(c.bits) : DistinctPalette(rng, 1 << c.bits);
        const int width = 45, height = 7;
        BitmapRecord source, deep, back;
        ASSERT_TRUE(Created(&source, width, height, c.bits, 0, palette.data()));
        zelt::test::FillRandom(source, rng);

        ASSERT_EQ(KrnConvertColorRes(&source, &deep, c.deepBits, c.deepFlags, nullptr, nullptr, 0, 0, 0), STATUS_OK);
        const Layout deepLayout{c.deepBits, (c.deepFlags & KRN_COLORRES_BGR) ? 1 : 0};
        EXPECT_EQ(deep.Order, deepLayout.order);
        const bool asHandle = c.colors == Colors::RandomAsHandle;
        ASSERT_EQ(KrnConvertColorRes(&deep, &back, c.bits, c.backFlags, asHandle ? nullptr : palette.data(),
                                     asHandle ? source.Palette : nullptr, asHandle ? 0 : 1 << c.bits, 0, 0),
                  STATUS_OK);
        EXPECT_EQ(back.ColorCount, 1 << c.bits);
        EXPECT_TRUE(KrnPaletteMatches(back.Palette, palette.data(), 1 << c.bits));
        int mismatches = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint64_t index = OracleRead(RowOf(source, y), x, c.bits);
                const RGBQUAD &p = palette[index];
                mismatches += OracleColor(RowOf(deep, y), x, deepLayout, nullptr, 0) != Rgb{p.rgbRed, p.rgbGreen, p.rgbBlue};
                mismatches += OracleRead(RowOf(back, y), x, c.bits) != index;
            }
        EXPECT_EQ(mismatches, 0);
        KrnFreeBitmap(&source);
        KrnFreeBitmap(&deep);
        KrnFreeBitmap(&back);
    }
}

// A source of the given layout whose column x shows gray level x & 255
// (8 bits: index x of the default gray-ramp palette).
void MakeGrayRamp(BitmapRecord *bitmap, const Layout &layout, int width) {
    ASSERT_TRUE(Created(bitmap, width, 2, layout.bits, layout.order));
    std::vector<BYTE> row(static_cast<std::size_t>(KrnGetRowBufferSize(width, 24, width, layout.bits)));
    if (layout.bits == 8) {
        for (int x = 0; x < width; ++x) row[x] = static_cast<BYTE>(x);
    } else {
        for (int x = 0; x < width; ++x) std::fill_n(row.begin() + 3 * x, 3, static_cast<BYTE>(x));
        ASSERT_EQ(KrnConvertRowTo24(row.data(), row.data(), width, 24, 1, layout.bits, layout.order, nullptr, 0, 0, 0,
                                    0),
                  STATUS_OK);
    }
    for (int y = 0; y < 2; ++y) KrnPutBitmapRow(bitmap, row.data(), y, static_cast<DWORD>(bitmap->BytesPerLine));
}

TEST_F(ConvertColorResTest, OneBitFixedTableSplitsGraysAtTheMiddle) {
    for (const Layout &layout : {Layout{8, 0}, Layout{24, 1}, Layout{32, 0}, Layout{48, 1}, Layout{16, 2}}) {
        SCOPED_TRACE(layout.Name());
        BitmapRecord source, mask;
        MakeGrayRamp(&source, layout, 256);
        source.ViewPerspective = 3;
        source.XResolution = 300;
        source.Left = 17;
        source.Region = zelt::test::MakeRectRegion(RECT{2, 0, 9, 2});

        ASSERT_EQ(KrnConvertColorRes(&source, &mask, 1, KRN_COLORRES_FIXED_PALETTE, nullptr, nullptr, 0, 0, 0),
                  STATUS_OK);
        const RGBQUAD blackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        EXPECT_TRUE(KrnPaletteMatches(mask.Palette, blackWhite, 2));
        EXPECT_EQ(mask.ColorCount, 2);
        EXPECT_EQ(mask.Width, 256);
        EXPECT_EQ(mask.Height, 2);
        EXPECT_EQ(mask.ViewPerspective, 3);
        EXPECT_EQ(mask.XResolution, 300);
        EXPECT_EQ(mask.Left, 17);
        EXPECT_EQ(mask.Region, nullptr);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 256; ++x) {
                const int level = layout.Indexed() ? int(OracleRead(RowOf(source, y), x, 8))
                                                   : OracleColor(RowOf(source, y), x, layout, nullptr, 0).r;
                ASSERT_EQ(level, x);
                ASSERT_EQ(OracleRead(RowOf(mask, y), x, 1), level >= 128 ? 1u : 0u) << "level " << level;
            }
        KrnFreeBitmap(&source);
        KrnFreeBitmap(&mask);
    }
}

TEST_F(ConvertColorResTest, DiffusionKeepsTheMeanOfFlatGrayWhereNearestCannot) {
    BitmapRecord source;
    ASSERT_TRUE(Created(&source, 64, 64, 24, 1));
    std::memset(source.Data, 96, source.DataSize);
    // The reduction service's diffusion bit asks for the same diffusion.
    const UINT methods[] = {0, KRN_COLORRES_DIFFUSE, KRN_REDUCE_DIFFUSE};
    std::vector<std::vector<BYTE>> images;
    for (UINT method : methods) {
        BitmapRecord mask;
        ASSERT_EQ(KrnConvertColorRes(&source, &mask, 1, KRN_COLORRES_FIXED_PALETTE | method, nullptr, nullptr, 0, 0, 0),
                  STATUS_OK);
        int white = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) white += static_cast<int>(OracleRead(RowOf(mask, y), x, 1));
        if (method == 0) {
            EXPECT_EQ(white, 0);
        } else {
            EXPECT_NEAR(white, 64 * 64 * 96 / 255, 64) << "flags " << method;
        }
        images.emplace_back(static_cast<BYTE *>(mask.Data), static_cast<BYTE *>(mask.Data) + mask.DataSize);
        KrnFreeBitmap(&mask);
    }
    EXPECT_EQ(images[1], images[2]);
    KrnFreeBitmap(&source);
}

TEST_F(ConvertColorResTest, DeepGrayIsReadThroughTheBitWindow) {
    const struct {
        int bits;
        int ownLow, ownHigh;  // the source's window
        int lowBit, highBit;  // the requested one; highBit 0 keeps the source's
    } cases[] = {
        {16, 0, 15, 4, 11}, {16, 8, 15, 0, 0}, {16, 0, 15, 0, 5}, {12, 0, 11, 2, 11}, {12, 3, 9, 0, 0},
    };
    std::vector<RGBQUAD> grayRamp(256);
    for (int i = 0; i < 256; ++i) grayRamp[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, window " + std::to_string(c.lowBit) + ".." +
                     std::to_string(c.highBit));
        std::mt19937 rng(static_cast<unsigned>(c.bits * 31 + c.lowBit * 7 + c.highBit));
        BitmapRecord source, deep, indexed;
        ASSERT_TRUE(Created(&source, 33, 5, c.bits, 2));
        zelt::test::FillRandom(source, rng);
        source.LowBit = c.ownLow;
        source.HighBit = c.ownHigh;
        ASSERT_EQ(KrnConvertColorRes(&source, &deep, 24, KRN_COLORRES_BGR, nullptr, nullptr, 0, c.lowBit, c.highBit),
                  STATUS_OK);
        ASSERT_EQ(KrnConvertColorRes(&source, &indexed, 8, KRN_COLORRES_GIVEN_PALETTE, grayRamp.data(), nullptr, 256,
                                     c.lowBit, c.highBit),
                  STATUS_OK);
        GrayDecoding window{true, c.highBit != 0 ? c.lowBit : c.ownLow, c.highBit != 0 ? c.highBit : c.ownHigh};
        int mismatches = 0;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 33; ++x) {
                const Rgb expected = OracleColor(RowOf(source, y), x, Layout{c.bits, 2}, nullptr, 0, window);
                mismatches += OracleColor(RowOf(deep, y), x, Layout{24, 1}, nullptr, 0) != expected;
                mismatches += OracleRead(RowOf(indexed, y), x, 8) != std::uint64_t(expected.r);
            }
        EXPECT_EQ(mismatches, 0);
        // The source keeps its own window.
        EXPECT_EQ(source.LowBit, c.ownLow);
        EXPECT_EQ(source.HighBit, c.ownHigh);
        KrnFreeBitmap(&source);
        KrnFreeBitmap(&deep);
        KrnFreeBitmap(&indexed);
    }
}

// The colour of the first entry nearest to c (squared distance).
Rgb NearestEntry(const std::vector<RGBQUAD> &table, const Rgb &c) {
    long best = -1;
    Rgb nearest;
    for (const RGBQUAD &e : table) {
        const long d = (e.rgbRed - c.r) * (e.rgbRed - c.r) + (e.rgbGreen - c.g) * (e.rgbGreen - c.g) +
                       (e.rgbBlue - c.b) * (e.rgbBlue - c.b);
        if (best < 0 || d < best) best = d, nearest = {e.rgbRed, e.rgbGreen, e.rgbBlue};
    }
    return nearest;
}

// Each source layout against a model: decode the pixel, then the nearest
// fixed-table colour or the deep layout's precision.
TEST_F(ConvertColorResTest, EveryLayoutConvertsToEveryTarget) {
    const Layout targets[] = {{1, 0}, {4, 0}, {8, 0}, {16, 0}, {16, 1}, {24, 0}, {24, 1}, {32, 0}, {32, 1}};
    for (const Layout &layout : zelt::test::AllLayouts()) {
        std::mt19937 rng(static_cast<unsigned>(layout.bits * 3 + layout.order));
        const std::vector<RGBQUAD> palette = zelt::test::RandomPalette(rng, 1 << std::min(layout.bits, 8));
        BitmapRecord source;
        ASSERT_TRUE(Created(&source, 27, 4, layout.bits, layout.order, layout.Indexed() ? palette.data() : nullptr));
        zelt::test::FillRandom(source, rng);
        const GrayDecoding window{true, source.LowBit, source.HighBit};
        for (const Layout &target : targets) {
            SCOPED_TRACE(layout.Name() + " to " + target.Name());
            const std::vector<RGBQUAD> table = target.Indexed() ? DeviceTable(target.bits) : std::vector<RGBQUAD>();
            BitmapRecord converted;
            ASSERT_EQ(KrnConvertColorRes(&source, &converted, target.bits, target.order ? KRN_COLORRES_BGR : 0,
                                         nullptr, nullptr, 0, 0, 0),
                      STATUS_OK);
            int mismatches = 0;
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 27; ++x) {
                    Rgb expected = OracleColor(RowOf(source, y), x, layout, palette.data(),
                                               static_cast<int>(palette.size()), window);
                    auto five = [](int v) { return ((v >> 3) << 3) | (v >> 5); };
                    if (target.Indexed()) expected = NearestEntry(table, expected);
                    if (target.bits == 16) expected = {five(expected.r), five(expected.g), five(expected.b)};
                    mismatches += OracleColor(RowOf(converted, y), x, target, table.data(),
                                              static_cast<int>(table.size())) != expected;
                }
            EXPECT_EQ(mismatches, 0);
            KrnFreeBitmap(&converted);
        }
        KrnFreeBitmap(&source);
    }
}

TEST_F(ConvertColorResTest, BadArgumentsLeaveDestinationCleared) {
    BitmapRecord source, described;
    ASSERT_TRUE(Created(&source, 8, 8, 24, 1));
    ASSERT_EQ(KrnInitBitmapRecord(&described, 8, 8, 24), STATUS_OK);
    const RGBQUAD one{1, 2, 3, 0};
    constexpr UINT kGiven = KRN_COLORRES_GIVEN_PALETTE;
    struct Case {
        const BitmapRecord *source;
        int bits;
        UINT flags;
        const RGBQUAD *colors;
        int colorCount, status;
    } const cases[] = {
        {&described, 8, 0, nullptr, 0, STATUS_NO_BITMAP},     {&source, 2, 0, nullptr, 0, STATUS_BAD_PARAMETER},
        {&source, 12, 0, nullptr, 0, STATUS_BAD_PARAMETER},   {&source, 48, 0, nullptr, 0, STATUS_BAD_PARAMETER},
        {&source, 8, kGiven, nullptr, 4, STATUS_BAD_PARAMETER}, {&source, 4, kGiven, &one, 0, STATUS_BAD_PARAMETER},
    };
    for (const Case &c : cases) {
        BitmapRecord destination;
        std::memset(&destination, 0xAB, sizeof destination);
        EXPECT_EQ(KrnConvertColorRes(c.source, &destination, c.bits, c.flags, c.colors, nullptr, c.colorCount, 0, 0),
                  c.status) << "bits " << c.bits;
        EXPECT_TRUE(AllBytesZero(destination)) << "bits " << c.bits;
    }
    BitmapRecord destination{};
    EXPECT_EQ(KrnConvertColorRes(nullptr, &destination, 8, 0, nullptr, nullptr, 0, 0, 0), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnConvertColorRes(&source, nullptr, 8, 0, nullptr, nullptr, 0, 0, 0), STATUS_BAD_PARAMETER);
    const BitmapRecord before = source;  // converting into itself must not clear it
    EXPECT_EQ(KrnConvertColorRes(&source, &source, 8, 0, nullptr, nullptr, 0, 0, 0), STATUS_BAD_PARAMETER);
    EXPECT_EQ(std::memcmp(&before, &source, sizeof source), 0);
    KrnFreeBitmap(&source);
}

TEST_F(ConvertColorResTest, FailedAllocationLeavesDestinationClearedAndSourceIntact) {
    const struct {
        int sourceBits, sourceOrder, bits;
        UINT flags;
    } cases[] = {
        {24, 1, 8, KRN_COLORRES_GIVEN_PALETTE},
        {24, 0, 8, KRN_COLORRES_GIVEN_PALETTE | KRN_COLORRES_DIFFUSE},
        {32, 1, 1, KRN_COLORRES_FIXED_PALETTE},
        {8, 0, 24, KRN_COLORRES_BGR},
        {16, 2, 4, KRN_COLORRES_FIXED_PALETTE},
    };
    std::mt19937 rng(3);
    const std::vector<RGBQUAD> palette = DistinctPalette(rng, 200);
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.sourceBits) + " to " + std::to_string(c.bits));
        BitmapRecord source;
        ASSERT_TRUE(Created(&source, 40, 6, c.sourceBits, c.sourceOrder));
        zelt::test::FillRandom(source, rng);
        const std::vector<BYTE> data(static_cast<BYTE *>(source.Data), static_cast<BYTE *>(source.Data) + source.DataSize);
        BitmapRecord destination;
        int status = 0;
        const long allocations = zelt::test::ForEachAllocationFailure(
            [&] {
                std::memset(&destination, 0xAB, sizeof destination);
                status = KrnConvertColorRes(&source, &destination, c.bits, c.flags, palette.data(), nullptr,
                                            static_cast<int>(palette.size()), 0, 0);
                if (status == STATUS_OK) KrnFreeBitmap(&destination);
            },
            [&](long failedAt) {
                EXPECT_EQ(status, STATUS_NO_MEMORY) << "allocation " << failedAt;
                EXPECT_TRUE(AllBytesZero(destination)) << "allocation " << failedAt;
                EXPECT_EQ(std::memcmp(source.Data, data.data(), data.size()), 0) << "allocation " << failedAt;
            });
        EXPECT_GE(allocations, 2);
        KrnFreeBitmap(&source);
    }
}

}  // namespace
