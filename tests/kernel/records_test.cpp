// The bitmap record lifecycle: describing, allocating and creating every
// depth; deep, shallow and derived copies; rectangles against the model; the
// descriptive fields; and access brackets.
#include <random>

#include <gtest/gtest.h>

#include "region_fixture.h"
#include "support/bitmap_model.h"

namespace {

using namespace zelt::test;

constexpr int kAllDepths[] = {1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 24, 32, 48, 64};

using KernelRecords = RegionServicesTest;

TEST_F(KernelRecords, DescribeAllocateAndCreateEveryDepth) {
    std::mt19937 rng(3);
    for (int bpp : kAllDepths) {
        BitmapRecord r = Garbage(), expected{};
        ASSERT_EQ(KrnInitBitmapRecord(&r, 13, 5, bpp), STATUS_OK);
        // Order 1 above 8 bits, 2 for 12-bit gray; the level window spans a gray sample, else 8 bits.
        const LONG high = bpp == 12 ? 11 : 7;
        expected.Width = 13, expected.Height = 5, expected.BitsPerPixel = bpp, expected.PaintGamma = 100;
        expected.BytesPerLine = LONG(RowBytes(13, bpp)), expected.Order = bpp == 12 ? 2 : bpp > 8;
        expected.HighBit = expected.PaintHighBit = high, expected.MaxValue = (1 << (high + 1)) - 1;
        EXPECT_TRUE(SameBytes(r, expected)) << bpp;
        // Zeroed data, an identity paint table and, up to 8 bits, the ramp i * 255 / (n - 1) rounded.
        ASSERT_EQ(KrnAllocBitmapData(&r, KRN_MEMORY_NOCLEAR), STATUS_OK);
        EXPECT_EQ(r.Flags * 1000 + r.MemoryKind, BITMAP_ALLOCATED * 1000 + KRN_MEMORY_NOCLEAR);
        EXPECT_EQ(DataOf(r), std::vector<BYTE>(RowBytes(13, bpp) * 5));
        for (int i = 0; i < 256; ++i) ASSERT_EQ(r.PaintLut[i], i) << bpp;
        const auto ramp = ColorsOf(r);
        ASSERT_EQ(int(ramp.size()) * 1000 + r.ColorCount, (bpp <= 8 ? 1 << bpp : 0) * 1001) << bpp;
        for (int i = 0, n = int(ramp.size()), level; i < n; ++i)
            ASSERT_EQ(ToRgb(ramp[i]), (Rgb{level = (i * 255 + (n - 1) / 2) / (n - 1), level, level}))
                << bpp << ": " << i;
        EXPECT_EQ(KrnAllocBitmapData(&r, 0), STATUS_BAD_PARAMETER) << "already allocated";
        EXPECT_EQ(KrnFreeBitmap(&r), STATUS_OK);
        EXPECT_TRUE(IsCleared(r));
        // Created with colours, Order 2 (forced for 12 bits), perspective 5 and all but the last 3 bytes of data.
        const auto colors = RandomPalette(rng, 256);
        auto data = RandomBytes(rng, RowBytes(9, bpp) * 4);
        ASSERT_EQ(
            KrnCreateBitmap(&r, 0, 9, 4, bpp, bpp == 12 ? 1 : 2, colors.data(), 5, data.data(), DWORD(data.size() - 3)),
            1);
        std::fill(data.end() - 3, data.end(), 0);
        EXPECT_EQ(r.ViewPerspective * 10 + r.Order, 52) << bpp;
        EXPECT_EQ(DataOf(r), data) << bpp;
        EXPECT_EQ(KrnPaletteMatches(r.Palette, colors.data(), 1 << std::min(bpp, 8)) != 0, bpp <= 8) << bpp;
        EXPECT_EQ(r.MaxValue, bpp == 12 || bpp == 16 ? (1 << bpp) - 1 : 255) << "the gray window spans the sample";
        KrnFreeBitmap(&r);
    }
}

// A deep copy owns copies of everything (the region through the services, if
// any); a shallow copy shares everything and owns nothing; a derived record
// shares the colours and tables until it gets data of its own; the
// descriptive fields copy alone.
TEST_F(KernelRecords, CopiesOwnWhatTheyShould) {
    for (bool services : {true, false}) {
        services ? FakeRegionServices::Register(false) : FakeRegionServices::Clear();
        std::mt19937 rng(11);
        BitmapRecord source = RandomBitmap({8, 0}, 21, 6, rng, 3), copy = Garbage(), shallow = Garbage(),
                     derived = Garbage();
        for (int i = 0; i < 256; ++i) source.PaintLut[i] = BYTE(255 - i);
        source.LevelLut = static_cast<RGBQUAD *>(KrnAllocZeroed(16 * sizeof(RGBQUAD))), source.LevelLutLength = 16;
        source.LevelLut[5] = RGBQUAD{7, 14, 21, 0};
        source.Region = MakeRectRegion(RECT{1, 1, 21, 6});
        source.Flags |= BITMAP_LEVEL_PROCESSING | BITMAP_TRANSPARENT, source.Delay = 40, source.XResolution = 300;
        ASSERT_EQ(KrnCopyBitmap(&copy, &source) + KrnCopyBitmapRecord(&shallow, &source), 2);
        ASSERT_EQ(KrnInitBitmapFrom(&derived, &source, 4, 3, 8, 0), STATUS_OK);
        EXPECT_TRUE(copy.Data != source.Data && copy.Palette != source.Palette && copy.LevelLut != source.LevelLut);
        BitmapRecord expected = source;
        expected.KernelFlags = 0;
        EXPECT_TRUE(SameBytes(shallow, expected));
        expected.Data = nullptr, expected.DataSize = 0, expected.Region = nullptr, expected.MemoryKind = 0;
        expected.Width = 4, expected.Height = 3, expected.BytesPerLine = 4, expected.Flags &= ~DWORD{BITMAP_ALLOCATED};
        EXPECT_TRUE(SameBytes(derived, expected));
        shallow.Region = nullptr;  // callers detach a shared region
        ASSERT_EQ(KrnReleaseBitmapRecord(&shallow), STATUS_OK);
        EXPECT_TRUE(IsCleared(shallow));
        ASSERT_EQ(KrnAllocBitmapData(&derived, 0), STATUS_OK);
        EXPECT_TRUE(derived.Palette == source.Palette && derived.PaintLut != source.PaintLut &&
                    derived.LevelLut != source.LevelLut);
        EXPECT_EQ(derived.PaintLut[0] + derived.LevelLut[5].rgbRed, 255 + 21);
        EXPECT_EQ(KrnFreeBitmap(&derived), STATUS_OK);
        const auto pixels = DataOf(source);
        const auto sourceColors = ColorsOf(source);
        BitmapRecord described{};  // the descriptive fields, with the paint table's contents, and nothing else
        ASSERT_EQ(KrnInitBitmapRecord(&described, 2, 2, 1), STATUS_OK);
        expected = described;
        for (BitmapRecord *r : {&source, &expected}) {
            r->YResolution = 75, r->Left = 3, r->Top = 4, r->DisposalMethod = 2, r->BackgroundColor = 0x123456;
            r->TransparentColor = 0x654321, r->PaintIntensity = 10, r->PaintContrast = -20, r->PaintGamma = 250;
        }
        source.Flags |= BITMAP_WAIT_INPUT | BITMAP_PAINT_LUT_ACTIVE;
        expected.Flags = BITMAP_WAIT_INPUT | BITMAP_TRANSPARENT | BITMAP_PAINT_LUT_ACTIVE;
        expected.Delay = 40, expected.XResolution = 300;
        ASSERT_EQ(KrnCopyBitmapInfo(&described, &source), STATUS_OK);
        expected.PaintLut = described.PaintLut, expected.KernelFlags = described.KernelFlags;
        EXPECT_TRUE(SameBytes(described, expected));
        EXPECT_EQ(described.PaintLut[0] * 1000 + described.PaintLut[255], 255 * 1000);
        KrnFreeBitmap(&described);
        KrnFreeBitmap(&source);  // the copy must not depend on anything of the source
        EXPECT_EQ(DataOf(copy), pixels);
        EXPECT_NE(KrnPaletteMatches(copy.Palette, sourceColors.data(), 256), 0);
        EXPECT_EQ(copy.PaintLut[10] + copy.LevelLut[5].rgbGreen, 245 + 14);
        EXPECT_EQ(services ? RunsOf(*copy.Region) : Runs{}, services ? Runs(5, {1, 21}) : Runs{});
        KrnFreeBitmap(&copy);
    }
}

TEST_F(KernelRecords, CopyRectMatchesTheModelAndMovesTheRegion) {
    for (int testCase = 0; testCase < 300; ++testCase) {
        std::mt19937 rng(static_cast<unsigned>(testCase));
        FakeRegionServices::Register(testCase % 2 == 0);
        const int bpp = kAllDepths[testCase % std::size(kAllDepths)];
        const int width = 1 + int(rng() % 40), height = 1 + int(rng() % 12);
        BitmapRecord source = RandomBitmap({bpp, 1}, width, height, rng), part = Garbage();
        if (testCase % 3 == 0) source.Region = MakeRectRegion(RECT{1, 1, width, height + 1});
        // Rectangles partly or wholly outside the source as well.
        const int x = int(rng() % (width + 10)) - 5, y = int(rng() % (height + 6)) - 3;
        const int w = 1 + int(rng() % (width + 4)), h = 1 + int(rng() % (height + 2));
        ASSERT_EQ(KrnCopyBitmapRect(&part, &source, x, y, w, h), STATUS_OK);
        ASSERT_EQ(part.Width * 1000000 + part.Height * 100 + part.BitsPerPixel, w * 1000000 + h * 100 + bpp);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) {
                const bool inside = x + c >= 0 && x + c < width && y + r >= 0 && y + r < height;
                ASSERT_EQ(ReadPixel(RowOf(part, r), c, bpp), inside ? ReadPixel(RowOf(source, y + r), x + c, bpp) : 0)
                    << "case " << testCase << ": pixel " << c << "," << r << " of " << x << "," << y << " " << w << "x"
                    << h;
            }
        ASSERT_EQ(part.Region != nullptr, source.Region != nullptr);
        EXPECT_TRUE(!part.Region || RunsOf(*part.Region) == Runs(std::size_t(height), {1 - x, width - x}));
        EXPECT_TRUE(!part.Region || part.Region->Bounds.top == 1 - y);
        EXPECT_EQ(FakeRegionServices::copyOffsetCalls, part.Region && testCase % 2 == 0 ? 1 : 0);
        KrnFreeBitmap(&part);
        KrnFreeBitmap(&source);
    }
}

TEST_F(KernelRecords, AccessLocksClearAndFreeWithRegionAndCachedObjects) {
    std::mt19937 rng(1);
    BitmapRecord r = RandomBitmap({24, 1}, 8, 8, rng);
    EXPECT_EQ(KrnReleaseBitmapAccess(&r, 1), STATUS_BAD_PARAMETER) << "nothing open";
    const int first = KrnAccessBitmap(&r), second = KrnAccessBitmap(&r);
    EXPECT_EQ(first * 10 + second, 12);
    EXPECT_EQ(KrnReleaseBitmapAccess(&r, 3) + KrnReleaseBitmapAccess(&r, 0), 2 * STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnLockBitmapData(&r), STATUS_OK);
    EXPECT_EQ(r.LockCount * 10 + r.AccessCount, 12);
    EXPECT_EQ(KrnReleaseBitmapAccess(&r, KRN_ACCESS_LOCK), STATUS_OK);
    EXPECT_EQ(KrnReleaseBitmapAccess(&r, second), STATUS_OK);
    EXPECT_EQ(KrnReleaseBitmapAccess(&r, first), STATUS_OK);
    EXPECT_EQ(r.LockCount * 10 + r.AccessCount, 0);
    EXPECT_EQ(KrnReleaseBitmapAccess(&r, first), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnClearBitmap(&r), STATUS_OK);
    EXPECT_EQ(DataOf(r), std::vector<BYTE>(r.DataSize));
    r.Region = MakeRectRegion(RECT{0, 0, 4, 4});
    r.Region->hFrameMask = CreateBitmap(4, 4, 1, 1, nullptr), r.Region->hColorMask = CreateBitmap(4, 4, 1, 1, nullptr);
    r.Region->hRgnCache = CreateRectRgn(0, 0, 4, 4);
    EXPECT_EQ(KrnFreeBitmap(&r), STATUS_OK);  // the leak check sees region, cached objects, data and tables gone
    EXPECT_TRUE(IsCleared(r));
}

}  // namespace
