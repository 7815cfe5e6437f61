// Bitmap records: description defaults per depth, allocation, deep and
// shallow copies, rectangles against a pixel oracle, ownership, access
// brackets, and every allocating operation under injected failures.
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "record_test_support.h"
#include "support/leak_guard.h"
#include "zelt/host.h"
#include "zelt/kernel.h"

namespace {

using zelt::test::FakeRegionServices;
using zelt::test::kAllDepths;
using zelt::test::LeakCheckedTest;
using zelt::test::PixelBits;
using zelt::test::RowOf;

class KernelRecords : public LeakCheckedTest {
protected:
    void TearDown() override {
        FakeRegionServices::Clear();
        LeakCheckedTest::TearDown();
    }
};

bool SameBytes(const BitmapRecord &a, const BitmapRecord &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool IsCleared(const BitmapRecord &r) {
    const BitmapRecord zero{};
    return SameBytes(r, zero);
}

BitmapRecord Garbage() {
    BitmapRecord r;
    std::memset(&r, 0xAB, sizeof r);
    return r;
}

std::vector<RGBQUAD> PaletteOf(const BitmapRecord &bitmap) {
    std::vector<RGBQUAD> colors(bitmap.ColorCount);
    EXPECT_EQ(KrnGetPaletteColors(bitmap.Palette, 0, bitmap.ColorCount, colors.data()), bitmap.ColorCount);
    return colors;
}

// A source for the copy tests: random pixels, its own colours, a level
// table, a changed paint table and a region.
void MakeRichSource(BitmapRecord &bitmap, int bpp, int width, int height, std::mt19937 &random) {
    std::vector<RGBQUAD> colors(256);
    for (auto &c : colors) c = RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0};
    ASSERT_EQ(KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, width, height, bpp, 1, colors.data(),
                              static_cast<int>(random() % 9), nullptr, 0),
              STATUS_OK);
    zelt::test::FillRandom(bitmap, random);
    for (int i = 0; i < 256; ++i) bitmap.PaintLut[i] = static_cast<BYTE>(255 - i);
    bitmap.LevelLutLength = 16;
    bitmap.LevelLut = static_cast<RGBQUAD *>(KrnAllocMem(16 * sizeof(RGBQUAD)));
    ASSERT_NE(bitmap.LevelLut, nullptr);
    for (int i = 0; i < 16; ++i) bitmap.LevelLut[i] = RGBQUAD{BYTE(i), BYTE(i * 2), BYTE(i * 3), 0};
    bitmap.Region = zelt::test::MakeRectRegion(RECT{1, 1, width, height});
    ASSERT_NE(bitmap.Region, nullptr);
}

TEST_F(KernelRecords, InitDescribesEveryDepth) {
    struct Case {
        int bpp, width;
        LONG bytesPerLine, order, highBit, maxValue;
    };
    const Case cases[] = {
        {1, 33, 8, 0, 7, 255},    {2, 17, 8, 0, 7, 255},     {3, 11, 8, 0, 7, 255},     {4, 9, 8, 0, 7, 255},
        {5, 7, 8, 0, 7, 255},     {6, 6, 8, 0, 7, 255},      {7, 5, 8, 0, 7, 255},      {8, 5, 8, 0, 7, 255},
        {12, 3, 8, 2, 11, 4095},  {16, 3, 8, 1, 7, 255},     {24, 3, 12, 1, 7, 255},    {32, 3, 12, 1, 7, 255},
        {48, 3, 20, 1, 7, 255},   {64, 3, 24, 1, 7, 255},    {1, 32, 4, 0, 7, 255},     {24, 1, 4, 1, 7, 255},
    };
    for (const Case &c : cases) {
        BitmapRecord r = Garbage();
        ASSERT_EQ(KrnInitBitmapRecord(&r, c.width, 7, c.bpp), STATUS_OK) << c.bpp;
        EXPECT_EQ(r.Width, c.width);
        EXPECT_EQ(r.Height, 7);
        EXPECT_EQ(r.BitsPerPixel, c.bpp);
        EXPECT_EQ(r.BytesPerLine, c.bytesPerLine) << c.bpp << " x " << c.width;
        EXPECT_EQ(r.Order, c.order) << c.bpp;
        EXPECT_EQ(r.HighBit, c.highBit) << c.bpp;
        EXPECT_EQ(r.PaintHighBit, c.highBit) << c.bpp;
        EXPECT_EQ(r.MaxValue, c.maxValue) << c.bpp;
        EXPECT_EQ(r.PaintGamma, 100u);
        EXPECT_EQ(r.LowBit, 0);
        EXPECT_EQ(r.Flags, 0u);
        EXPECT_EQ(r.Data, nullptr);
        EXPECT_EQ(r.Palette, nullptr);
        EXPECT_EQ(r.Region, nullptr);
        EXPECT_EQ(r.ViewPerspective, 0);
    }
}

TEST_F(KernelRecords, InitRefusesBadArguments) {
    BitmapRecord r{};
    EXPECT_EQ(KrnInitBitmapRecord(nullptr, 1, 1, 8), STATUS_BAD_PARAMETER);
    for (int bpp : {0, 9, 10, 11, 13, 15, 17, 20, 31, 40, 65, -8}) {
        EXPECT_EQ(KrnInitBitmapRecord(&r, 4, 4, bpp), STATUS_BAD_PARAMETER) << bpp;
    }
    EXPECT_EQ(KrnInitBitmapRecord(&r, 0, 4, 8), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnInitBitmapRecord(&r, 4, -1, 8), STATUS_BAD_PARAMETER);
    // A row that cannot be addressed with a 32-bit stride.
    EXPECT_EQ(KrnInitBitmapRecord(&r, 1 << 30, 1, 64), STATUS_NO_MEMORY);
}

TEST_F(KernelRecords, ImagesBeyondTwoGigabytesAreRefusedUntouched) {
    BitmapRecord r{};
    ASSERT_EQ(KrnInitBitmapRecord(&r, 70000, 70000, 8), STATUS_OK);
    const BitmapRecord before = r;
    EXPECT_EQ(KrnAllocBitmapData(&r, KRN_MEMORY_CONVENTIONAL), STATUS_NO_MEMORY);
    EXPECT_TRUE(SameBytes(r, before));
    BitmapRecord created = Garbage();
    EXPECT_EQ(KrnCreateBitmap(&created, 0, 65536, 32769, 8, 0, nullptr, 0, nullptr, 0), STATUS_NO_MEMORY);
    EXPECT_TRUE(IsCleared(created));
}

TEST_F(KernelRecords, AllocGivesZeroedDataIdentityTablesAndAGrayRamp) {
    for (int bpp : kAllDepths) {
        BitmapRecord r{};
        ASSERT_EQ(KrnInitBitmapRecord(&r, 13, 5, bpp), STATUS_OK);
        ASSERT_EQ(KrnAllocBitmapData(&r, KRN_MEMORY_NOCLEAR), STATUS_OK) << bpp;
        EXPECT_NE(r.Flags & BITMAP_ALLOCATED, 0u);
        EXPECT_EQ(r.MemoryKind, static_cast<DWORD>(KRN_MEMORY_NOCLEAR));
        EXPECT_EQ(r.DataSize, static_cast<DWORD>(r.BytesPerLine * 5));
        for (DWORD i = 0; i < r.DataSize; ++i) ASSERT_EQ(static_cast<BYTE *>(r.Data)[i], 0) << bpp;
        ASSERT_NE(r.PaintLut, nullptr);
        for (int i = 0; i < 256; ++i) ASSERT_EQ(r.PaintLut[i], i) << bpp;
        if (bpp <= 8) {
            const int count = 1 << bpp;
            ASSERT_EQ(r.ColorCount, count) << bpp;
            const std::vector<RGBQUAD> colors = PaletteOf(r);
            for (int i = 0; i < count; ++i) {
                const int level = (i * 255 + (count - 1) / 2) / (count - 1);
                ASSERT_EQ(colors[i].rgbRed, level) << bpp << " entry " << i;
                ASSERT_EQ(colors[i].rgbGreen, level);
                ASSERT_EQ(colors[i].rgbBlue, level);
            }
            EXPECT_EQ(colors.back().rgbRed, 255);
        } else {
            EXPECT_EQ(r.Palette, nullptr) << bpp;
            EXPECT_EQ(r.ColorCount, 0);
        }
        EXPECT_EQ(KrnAllocBitmapData(&r, 0), STATUS_BAD_PARAMETER) << "already allocated";
        EXPECT_EQ(KrnFreeBitmap(&r), STATUS_OK);
        EXPECT_TRUE(IsCleared(r));
    }
}

TEST_F(KernelRecords, CreateTakesPaletteOrderPerspectiveAndData) {
    std::mt19937 random(3);
    for (int bpp : kAllDepths) {
        BitmapRecord source{};
        ASSERT_EQ(KrnInitBitmapRecord(&source, 9, 4, bpp), STATUS_OK);
        std::vector<BYTE> data(source.BytesPerLine * 4);
        for (auto &b : data) b = static_cast<BYTE>(random());
        std::vector<RGBQUAD> colors(256);
        for (auto &c : colors) c = RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0};

        BitmapRecord r = Garbage();
        // Only part of the data: the rest stays zero.
        const DWORD given = static_cast<DWORD>(data.size() - 3);
        ASSERT_EQ(KrnCreateBitmap(&r, KRN_MEMORY_CONVENTIONAL, 9, 4, bpp, 2, colors.data(), 5, data.data(), given),
                  STATUS_OK)
            << bpp;
        EXPECT_EQ(r.ViewPerspective, 5);
        EXPECT_EQ(r.Order, 2);
        EXPECT_EQ(std::memcmp(r.Data, data.data(), given), 0) << bpp;
        EXPECT_EQ(static_cast<BYTE *>(r.Data)[r.DataSize - 1], 0) << bpp;
        if (bpp <= 8) {
            EXPECT_NE(KrnPaletteMatches(r.Palette, colors.data(), 1 << bpp), 0) << bpp;
        } else {
            EXPECT_EQ(r.Palette, nullptr) << bpp;
        }
        if (bpp == 16 || bpp == 12) {
            // Gray: the level window spans the whole sample.
            EXPECT_EQ(r.HighBit, bpp - 1);
            EXPECT_EQ(r.MaxValue, (1 << bpp) - 1);
        }
        KrnFreeBitmap(&r);
    }
    BitmapRecord r = Garbage();
    ASSERT_EQ(KrnCreateBitmap(&r, 0, 3, 3, 12, 1, nullptr, 0, nullptr, 0), STATUS_OK);
    EXPECT_EQ(r.Order, 2) << "12 bits are always gray";
    KrnFreeBitmap(&r);
    r = Garbage();
    EXPECT_EQ(KrnCreateBitmap(&r, 0, 3, 3, 8, 0, nullptr, 9, nullptr, 0), STATUS_BAD_PARAMETER);
    EXPECT_TRUE(IsCleared(r));
    EXPECT_EQ(KrnCreateBitmap(nullptr, 0, 3, 3, 8, 0, nullptr, 0, nullptr, 0), STATUS_BAD_PARAMETER);
}

TEST_F(KernelRecords, DeepCopyOwnsEverythingItHolds) {
    FakeRegionServices::Register(false);
    std::mt19937 random(11);
    BitmapRecord source{};
    MakeRichSource(source, 8, 21, 6, random);
    BitmapRecord copy = Garbage();
    ASSERT_EQ(KrnCopyBitmap(&copy, &source), STATUS_OK);
    EXPECT_NE(copy.Data, source.Data);
    EXPECT_NE(copy.Palette, source.Palette);
    EXPECT_NE(copy.PaintLut, source.PaintLut);
    EXPECT_NE(copy.LevelLut, source.LevelLut);
    ASSERT_NE(copy.Region, nullptr);
    EXPECT_NE(copy.Region, source.Region);
    const RECT bounds = copy.Region->Bounds;
    EXPECT_EQ(copy.Width, 21);
    EXPECT_EQ(copy.ViewPerspective, source.ViewPerspective);
    const std::vector<BYTE> pixels(static_cast<BYTE *>(source.Data), static_cast<BYTE *>(source.Data) + source.DataSize);
    const std::vector<RGBQUAD> colors = PaletteOf(source);
    KrnFreeBitmap(&source);  // the copy must not depend on anything of the source

    EXPECT_EQ(std::memcmp(copy.Data, pixels.data(), pixels.size()), 0);
    EXPECT_NE(KrnPaletteMatches(copy.Palette, colors.data(), 256), 0);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(copy.PaintLut[i], 255 - i);
    for (int i = 0; i < 16; ++i) ASSERT_EQ(copy.LevelLut[i].rgbGreen, i * 2);
    EXPECT_EQ(bounds.left, 1);
    EXPECT_EQ(bounds.right, 21);
    KrnFreeBitmap(&copy);

    // Without region services a copy has no region.
    FakeRegionServices::Clear();
    MakeRichSource(source, 24, 5, 5, random);
    ASSERT_EQ(KrnCopyBitmap(&copy, &source), STATUS_OK);
    EXPECT_EQ(copy.Region, nullptr);
    KrnFreeBitmap(&copy);
    KrnFreeBitmap(&source);
}

TEST_F(KernelRecords, CopyRectMatchesThePixelOracleAtEveryDepth) {
    for (int testCase = 0; testCase < 300; ++testCase) {
        std::mt19937 random(testCase);
        const int bpp = kAllDepths[testCase % std::size(kAllDepths)];
        const int width = 1 + random() % 40, height = 1 + random() % 12;
        BitmapRecord source{};
        ASSERT_EQ(KrnCreateBitmap(&source, 0, width, height, bpp, 1, nullptr, 0, nullptr, 0), STATUS_OK);
        zelt::test::FillRandom(source, random);
        // Rectangles partly or wholly outside the source as well.
        const int x = static_cast<int>(random() % (width + 10)) - 5, y = static_cast<int>(random() % (height + 6)) - 3;
        const int w = 1 + random() % (width + 4), h = 1 + random() % (height + 2);
        BitmapRecord part = Garbage();
        ASSERT_EQ(KrnCopyBitmapRect(&part, &source, x, y, w, h), STATUS_OK) << "case " << testCase;
        ASSERT_EQ(part.Width, w);
        ASSERT_EQ(part.Height, h);
        ASSERT_EQ(part.BitsPerPixel, bpp);
        for (int r = 0; r < h; ++r) {
            for (int c = 0; c < w; ++c) {
                const int sx = x + c, sy = y + r;
                const bool inside = sx >= 0 && sx < width && sy >= 0 && sy < height;
                const std::uint64_t expected = inside ? PixelBits(RowOf(source, sy), sx, bpp) : 0;
                ASSERT_EQ(PixelBits(RowOf(part, r), c, bpp), expected)
                    << "case " << testCase << " bpp " << bpp << " rect " << x << "," << y << " " << w << "x" << h
                    << " pixel " << c << "," << r;
            }
        }
        KrnFreeBitmap(&part);
        KrnFreeBitmap(&source);
    }
}

TEST_F(KernelRecords, CopyRectMovesTheRegionByTheOrigin) {
    std::mt19937 random(5);
    BitmapRecord source{};
    for (bool withCopyOffset : {false, true}) {
        FakeRegionServices::Register(withCopyOffset);
        MakeRichSource(source, 4, 30, 20, random);
        BitmapRecord part{};
        ASSERT_EQ(KrnCopyBitmapRect(&part, &source, 7, 3, 10, 8), STATUS_OK);
        ASSERT_NE(part.Region, nullptr);
        EXPECT_NE(part.Region, source.Region);
        EXPECT_EQ(part.Region->Bounds.left, 1 - 7);
        EXPECT_EQ(part.Region->Bounds.top, 1 - 3);
        EXPECT_EQ(part.Region->RunData[1], 30 - 7);
        if (withCopyOffset) {
            // The copy-and-offset service also clips to the new bitmap.
            EXPECT_EQ(FakeRegionServices::copyOffsetCalls, 1);
            EXPECT_EQ(FakeRegionServices::lastDx, -7);
            EXPECT_EQ(FakeRegionServices::lastDy, -3);
            EXPECT_EQ(FakeRegionServices::lastDestinationWidth, 10);
            EXPECT_EQ(FakeRegionServices::lastDestinationHeight, 8);
        }
        KrnFreeBitmap(&part);
        KrnFreeBitmap(&source);
    }
}

TEST_F(KernelRecords, ShallowCopiesShareAndReleaseOnlyWhatTheyOwn) {
    std::mt19937 random(8);
    BitmapRecord source{};
    MakeRichSource(source, 8, 10, 10, random);
    const BitmapRecord sourceBefore = source;

    BitmapRecord shallow = Garbage();
    ASSERT_EQ(KrnCopyBitmapRecord(&shallow, &source), STATUS_OK);
    EXPECT_EQ(shallow.Data, source.Data);
    EXPECT_EQ(shallow.Palette, source.Palette);
    EXPECT_EQ(shallow.PaintLut, source.PaintLut);
    EXPECT_EQ(shallow.Region, source.Region);
    EXPECT_EQ(shallow.KernelFlags, 0u);
    shallow.Region = nullptr;  // callers detach the shared region
    ASSERT_EQ(KrnReleaseBitmapRecord(&shallow), STATUS_OK);
    EXPECT_TRUE(IsCleared(shallow));

    BitmapRecord derived = Garbage();
    source.Flags |= BITMAP_LEVEL_PROCESSING | BITMAP_TRANSPARENT;
    source.Delay = 40;
    source.XResolution = 300;
    ASSERT_EQ(KrnInitBitmapFrom(&derived, &source, 4, 3, 8, 0), STATUS_OK);
    EXPECT_EQ(derived.Width, 4);
    EXPECT_EQ(derived.Height, 3);
    EXPECT_EQ(derived.Data, nullptr);
    EXPECT_EQ(derived.Region, nullptr);
    EXPECT_EQ(derived.Palette, source.Palette);
    EXPECT_EQ(derived.ColorCount, 256);
    EXPECT_EQ(derived.LevelLut, source.LevelLut);
    EXPECT_EQ(derived.PaintLut, source.PaintLut);
    EXPECT_EQ(derived.ViewPerspective, source.ViewPerspective);
    EXPECT_EQ(derived.Delay, 40u);
    EXPECT_EQ(derived.XResolution, 300);
    EXPECT_EQ(derived.Flags, static_cast<DWORD>(BITMAP_LEVEL_PROCESSING | BITMAP_TRANSPARENT));
    EXPECT_EQ(derived.KernelFlags, 0u);

    // Given data, the derived record takes its own copies of the tables and
    // keeps the shared palette.
    ASSERT_EQ(KrnAllocBitmapData(&derived, 0), STATUS_OK);
    EXPECT_EQ(derived.Palette, source.Palette);
    EXPECT_NE(derived.PaintLut, source.PaintLut);
    EXPECT_NE(derived.LevelLut, source.LevelLut);
    EXPECT_EQ(derived.PaintLut[0], 255);
    EXPECT_EQ(derived.LevelLut[5].rgbRed, 15);
    EXPECT_EQ(KrnFreeBitmap(&derived), STATUS_OK);

    source.Flags = sourceBefore.Flags;
    EXPECT_TRUE(SameBytes(source, sourceBefore) || source.Delay == 40);
    // The source survived both releases whole: reading everything is fine.
    EXPECT_EQ(PaletteOf(source).size(), 256u);
    EXPECT_EQ(source.PaintLut[10], 245);
    KrnFreeBitmap(&source);
}

TEST_F(KernelRecords, CopyInfoCopiesTheDescriptiveFields) {
    std::mt19937 random(9);
    BitmapRecord source{};
    MakeRichSource(source, 8, 4, 4, random);
    source.XResolution = 150;
    source.YResolution = 75;
    source.Left = 3;
    source.Top = 4;
    source.Delay = 100;
    source.BackgroundColor = 0x123456;
    source.TransparentColor = 0x654321;
    source.DisposalMethod = 2;
    source.PaintIntensity = 10;
    source.PaintContrast = -20;
    source.PaintGamma = 250;
    source.Flags |= BITMAP_WAIT_INPUT | BITMAP_PAINT_LUT_ACTIVE;

    BitmapRecord target{};
    ASSERT_EQ(KrnCreateBitmap(&target, 0, 2, 2, 1, 0, nullptr, 0, nullptr, 0), STATUS_OK);
    target.Flags |= BITMAP_TRANSPARENT;
    BYTE *ownTable = target.PaintLut;
    ASSERT_EQ(KrnCopyBitmapInfo(&target, &source), STATUS_OK);
    EXPECT_EQ(target.PaintLut, ownTable);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(target.PaintLut[i], 255 - i);
    EXPECT_EQ(target.Flags, static_cast<DWORD>(BITMAP_ALLOCATED | BITMAP_WAIT_INPUT | BITMAP_PAINT_LUT_ACTIVE));
    EXPECT_EQ(target.XResolution, 150);
    EXPECT_EQ(target.YResolution, 75);
    EXPECT_EQ(target.Left, 3);
    EXPECT_EQ(target.Top, 4);
    EXPECT_EQ(target.Delay, 100u);
    EXPECT_EQ(target.BackgroundColor, 0x123456u);
    EXPECT_EQ(target.TransparentColor, 0x654321u);
    EXPECT_EQ(target.DisposalMethod, 2);
    EXPECT_EQ(target.PaintIntensity, 10);
    EXPECT_EQ(target.PaintContrast, -20);
    EXPECT_EQ(target.PaintGamma, 250u);
    EXPECT_EQ(target.Width, 2) << "shape fields stay";
    EXPECT_EQ(target.BitsPerPixel, 1);

    // A record sharing another's table gets its own before it is written.
    BitmapRecord sharing{};
    ASSERT_EQ(KrnInitBitmapFrom(&sharing, &target, 2, 2, 1, 0), STATUS_OK);
    BitmapRecord other{};
    ASSERT_EQ(KrnCreateBitmap(&other, 0, 2, 2, 1, 0, nullptr, 0, nullptr, 0), STATUS_OK);
    ASSERT_EQ(KrnCopyBitmapInfo(&sharing, &other), STATUS_OK);
    EXPECT_NE(sharing.PaintLut, target.PaintLut);
    EXPECT_EQ(sharing.PaintLut[0], 0);
    EXPECT_EQ(target.PaintLut[0], 255) << "the shared table was left alone";
    KrnReleaseBitmapRecord(&sharing);
    KrnFreeBitmap(&other);
    KrnFreeBitmap(&target);
    KrnFreeBitmap(&source);
}

TEST_F(KernelRecords, FreeIsHarmlessOnEmptyRecordsAndFreesTheRegion) {
    BitmapRecord empty{};
    EXPECT_EQ(KrnFreeBitmap(&empty), STATUS_OK);
    EXPECT_EQ(KrnFreeBitmap(&empty), STATUS_OK);
    EXPECT_EQ(KrnReleaseBitmapRecord(&empty), STATUS_OK);
    EXPECT_EQ(KrnFreeBitmap(nullptr), STATUS_BAD_PARAMETER);

    BitmapRecord r{};
    ASSERT_EQ(KrnCreateBitmap(&r, 0, 8, 8, 8, 0, nullptr, 0, nullptr, 0), STATUS_OK);
    r.Region = zelt::test::MakeRectRegion(RECT{0, 0, 4, 4});
    ASSERT_NE(r.Region, nullptr);
    r.Region->hFrameMask = CreateBitmap(4, 4, 1, 1, nullptr);
    ASSERT_NE(r.Region->hFrameMask, nullptr);
    EXPECT_EQ(KrnFreeBitmap(&r), STATUS_OK);  // TearDown: region, mask, data, palette all gone
    EXPECT_TRUE(IsCleared(r));
}

TEST_F(KernelRecords, AccessTokensAndLocksAreCounted) {
    BitmapRecord r{};
    EXPECT_EQ(KrnAccessBitmap(&r), STATUS_NO_BITMAP);
    EXPECT_EQ(KrnAccessBitmap(nullptr), STATUS_NO_BITMAP);
    EXPECT_EQ(KrnLockBitmapData(&r), STATUS_NO_BITMAP);
    EXPECT_EQ(KrnClearBitmap(&r), STATUS_NO_BITMAP);
    ASSERT_EQ(KrnCreateBitmap(&r, 0, 8, 8, 24, 1, nullptr, 0, nullptr, 0), STATUS_OK);
    EXPECT_EQ(KrnReleaseBitmapAccess(&r, 1), STATUS_BAD_PARAMETER) << "nothing open";
    const int first = KrnAccessBitmap(&r);
    const int second = KrnAccessBitmap(&r);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
    EXPECT_EQ(KrnReleaseBitmapAccess(&r, 3), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnReleaseBitmapAccess(&r, 0), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnLockBitmapData(&r), STATUS_OK);
    EXPECT_EQ(r.LockCount, 1);
    EXPECT_EQ(KrnReleaseBitmapAccess(&r, KRN_ACCESS_LOCK), STATUS_OK);
    EXPECT_EQ(r.LockCount, 0);
    EXPECT_EQ(r.AccessCount, 2);
    EXPECT_EQ(KrnReleaseBitmapAccess(&r, second), STATUS_OK);
    EXPECT_EQ(KrnReleaseBitmapAccess(&r, first), STATUS_OK);
    EXPECT_EQ(r.AccessCount, 0);
    EXPECT_EQ(KrnReleaseBitmapAccess(&r, first), STATUS_BAD_PARAMETER);

    std::memset(r.Data, 0x5A, r.DataSize);
    EXPECT_EQ(KrnClearBitmap(&r), STATUS_OK);
    for (DWORD i = 0; i < r.DataSize; ++i) ASSERT_EQ(static_cast<BYTE *>(r.Data)[i], 0);
    KrnFreeBitmap(&r);
}

TEST_F(KernelRecords, NullAndUnallocatedSourcesAreRefused) {
    BitmapRecord empty{}, out = Garbage();
    EXPECT_EQ(KrnCopyBitmap(&out, nullptr), STATUS_NO_BITMAP);
    EXPECT_EQ(KrnCopyBitmap(&out, &empty), STATUS_NO_BITMAP);
    EXPECT_EQ(KrnCopyBitmapRect(&out, &empty, 0, 0, 1, 1), STATUS_NO_BITMAP);
    EXPECT_EQ(KrnCopyBitmapRecord(&out, nullptr), STATUS_NO_BITMAP);
    EXPECT_EQ(KrnCopyBitmapInfo(&out, nullptr), STATUS_NO_BITMAP);
    EXPECT_EQ(KrnInitBitmapFrom(&out, nullptr, 1, 1, 8, 0), STATUS_NO_BITMAP);
    BitmapRecord r{};
    ASSERT_EQ(KrnCreateBitmap(&r, 0, 4, 4, 8, 0, nullptr, 0, nullptr, 0), STATUS_OK);
    EXPECT_EQ(KrnCopyBitmap(nullptr, &r), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnCopyBitmap(&r, &r), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnCopyBitmapRect(&out, &r, 0, 0, 0, 1), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnCopyBitmapRecord(nullptr, &r), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnCopyBitmapInfo(nullptr, &r), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnAllocBitmapData(nullptr, 0), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnInitBitmapFrom(&out, &r, 0, 1, 8, 0), STATUS_BAD_PARAMETER);
    KrnFreeBitmap(&r);
}

// Every allocating operation, each allocation failing in turn: the status is
// STATUS_NO_MEMORY, nothing leaks, and the caller's record is as it was
// (creating and copying operations clear it).
TEST_F(KernelRecords, EveryAllocatingOperationIsAllOrNothing) {
    FakeRegionServices::Register(false);
    std::mt19937 random(21);
    BitmapRecord source{};
    MakeRichSource(source, 8, 12, 9, random);

    BitmapRecord described{};
    ASSERT_EQ(KrnInitBitmapRecord(&described, 7, 5, 4), STATUS_OK);
    BitmapRecord derived{};
    ASSERT_EQ(KrnInitBitmapFrom(&derived, &source, 3, 3, 8, 0), STATUS_OK);
    derived.Palette = nullptr;  // so that allocation makes a palette too
    derived.ColorCount = 0;
    std::vector<BYTE> data(64, 0x77);

    struct Operation {
        const char *name;
        BitmapRecord initial;
        bool clearsOnFailure;
        std::function<int(BitmapRecord &)> run;
    };
    const Operation operations[] = {
        {"AllocBitmapData", described, false, [](BitmapRecord &r) { return KrnAllocBitmapData(&r, 0); }},
        {"AllocBitmapData shared tables", derived, false, [](BitmapRecord &r) { return KrnAllocBitmapData(&r, 0); }},
        {"CreateBitmap", Garbage(), true,
         [&](BitmapRecord &r) {
             std::vector<RGBQUAD> colors(16, RGBQUAD{1, 2, 3, 0});
             return KrnCreateBitmap(&r, 0, 6, 6, 4, 0, colors.data(), 2, data.data(), 64);
         }},
        {"CreateBitmap gray", Garbage(), true,
         [](BitmapRecord &r) { return KrnCreateBitmap(&r, 0, 6, 6, 8, 0, nullptr, 0, nullptr, 0); }},
        {"CopyBitmap", Garbage(), true, [&](BitmapRecord &r) { return KrnCopyBitmap(&r, &source); }},
        {"CopyBitmapRect", Garbage(), true,
         [&](BitmapRecord &r) { return KrnCopyBitmapRect(&r, &source, 2, -1, 8, 8); }},
        {"CopyBitmapInfo", described, false, [&](BitmapRecord &r) { return KrnCopyBitmapInfo(&r, &source); }},
    };
    for (const Operation &op : operations) {
        BitmapRecord record{};
        int status = 0;
        const long allocations = zelt::test::ForEachAllocationFailure(
            [&] {
                record = op.initial;
                status = op.run(record);
                if (status == STATUS_OK) KrnFreeBitmap(&record);
            },
            [&](long failedAt) {
                EXPECT_EQ(status, STATUS_NO_MEMORY) << op.name << ", allocation " << failedAt;
                if (op.clearsOnFailure) {
                    EXPECT_TRUE(IsCleared(record)) << op.name << ", allocation " << failedAt;
                } else {
                    EXPECT_TRUE(SameBytes(record, op.initial)) << op.name << ", allocation " << failedAt;
                }
            });
        EXPECT_GE(allocations, 1) << op.name;
    }
    KrnFreeBitmap(&source);
}

}  // namespace
