// Every entry point refuses what it cannot work on before touching anything:
// a missing or data-less record is "no bitmap", anything else malformed a bad
// parameter; the caller's records stay as they were (or cleared, where a
// failed operation documents that).
#include <random>

#include <gtest/gtest.h>

#include "support/bitmap_model.h"
#include "support/leak_guard.h"

namespace {

using namespace zelt::test;

class ArgumentChecks : public LeakCheckedTest {};

TEST_F(ArgumentChecks, EveryOperationRefusesBadCallsWithItsStatus) {
    std::mt19937 rng(1);
    BitmapRecord none{}, r = Garbage(), described{}, b = RandomBitmap({8, 0}, 4, 3, rng);
    BitmapRecord nibbles = RandomBitmap({4, 0}, 9, 1, rng), mono = RandomBitmap({1, 0}, 16, 2, rng);
    BitmapRecord rgb = RandomBitmap({24, 1}, 8, 8, rng);
    ASSERT_EQ(KrnInitBitmapRecord(&described, 8, 8, 24), STATUS_OK);
    BYTE buffer[64] = {}, band[16] = {}, rows[3][4] = {};
    WORD runs[32];
    const int segment[2] = {0, 1};
    RECT rect{0, 0, 1, 1};
    int flip, degrees;
    const BITMAPINFOHEADER header{40, 4, 4, 1, 8};
    const RGBQUAD one{1, 2, 3, 0}, bw[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    HKRNREDUCE h = nullptr, ok = nullptr;
    ASSERT_EQ(KrnStartColorReduce(&rgb, 4, 4, 1, bw, 2, 0, nullptr, nullptr, &ok), STATUS_OK);
    auto row24 = [](void *out, const void *in, int width, int bits, int targetBits) {
        return KrnConvertRowTo24(out, in, width, bits, 1, targetBits, 1, nullptr, 0, 0, 0, 0);
    };
    auto start = [&](const BitmapRecord *source, int width, int bits, const RGBQUAD *colors, int count,
                     HKRNREDUCE *out) {
        return KrnStartColorReduce(source, width, 4, bits, colors, count, 0, nullptr, nullptr, out);
    };
    // A failed conversion leaves its destination cleared.
    auto convert = [](const BitmapRecord *source, int bits, UINT flags, const RGBQUAD *colors, int count) {
        BitmapRecord destination = Garbage();
        const int status = KrnConvertColorRes(source, &destination, bits, flags, colors, nullptr, count, 0, 0);
        EXPECT_TRUE(IsCleared(destination) || source == nullptr) << "bits " << bits;
        return status;
    };

    const int noBitmap[] = {
        // Records.
        KrnCopyBitmap(&r, nullptr), KrnCopyBitmap(&r, &none), KrnCopyBitmapRect(&r, &none, 0, 0, 1, 1),
        KrnCopyBitmapRecord(&r, nullptr), KrnCopyBitmapInfo(&r, nullptr), KrnInitBitmapFrom(&r, nullptr, 1, 1, 8, 0),
        KrnAccessBitmap(&none), KrnAccessBitmap(nullptr), KrnLockBitmapData(&none), KrnClearBitmap(&none),
        // Rows, depth changes, fills and rectangles.
        KrnGetBitmapRow(&none, buffer, 0, 4), KrnGetBitmapRow(nullptr, nullptr, 0, 4),
        KrnPutBitmapRow(&none, buffer, 0, 4), KrnGetBitmapRowCol(nullptr, buffer, 0, 0, 4),
        KrnPutBitmapRowSegments(&none, buffer, 0, 0, nullptr, 0, 1), convert(&described, 8, 0, nullptr, 0),
        KrnFillBitmap(nullptr, 0), KrnFillBitmap(&described, 0), KrnRectFromBitmap(nullptr, 0, &rect)};
    for (const int &status : noBitmap) EXPECT_EQ(status, STATUS_NO_BITMAP) << "no bitmap case " << &status - noBitmap;

    // Null pointers; rows, columns, sizes and depths outside what the operation takes; a record as its own copy.
    const int badParameter[] = {
        // Records.
        KrnCopyBitmap(nullptr, &b), KrnCopyBitmap(&b, &b), KrnCopyBitmapRect(&r, &b, 0, 0, 0, 1),
        KrnCopyBitmapRecord(nullptr, &b), KrnCopyBitmapInfo(nullptr, &b), KrnAllocBitmapData(nullptr, 0),
        KrnInitBitmapFrom(&r, &b, 0, 1, 8, 0), KrnInitBitmapFrom(nullptr, &b, 1, 1, 8, 0), KrnFreeBitmap(nullptr),
        KrnInitBitmapRecord(nullptr, 1, 1, 8), KrnCreateBitmap(nullptr, 0, 3, 3, 8, 0, nullptr, 0, nullptr, 0),
        KrnInitBitmapRecord(&r, 4, 4, 0), KrnInitBitmapRecord(&r, 4, 4, 9), KrnInitBitmapRecord(&r, 4, 4, 11),
        KrnInitBitmapRecord(&r, 4, 4, 15), KrnInitBitmapRecord(&r, 4, 4, 17), KrnInitBitmapRecord(&r, 4, 4, 31),
        KrnInitBitmapRecord(&r, 4, 4, 40), KrnInitBitmapRecord(&r, 4, 4, 65), KrnInitBitmapRecord(&r, 4, 4, -8),
        KrnInitBitmapRecord(&r, 0, 4, 8), KrnInitBitmapRecord(&r, 4, -1, 8),
        // Rows, segments (a buffer column outside the row or inside a byte) and runs (1-bit images only).
        KrnGetBitmapRow(&b, nullptr, 0, 4), KrnGetBitmapRow(&b, buffer, -1, 4), KrnGetBitmapRow(&b, buffer, 3, 4),
        KrnPutBitmapRow(&b, nullptr, 0, 4), KrnPutBitmapRow(&b, buffer, -1, 4), KrnPutBitmapRow(&b, buffer, 3, 4),
        KrnGetBitmapRowCol(&b, nullptr, 0, 0, 4), KrnGetBitmapRowCol(&b, buffer, 3, 0, 4),
        KrnGetBitmapRowCol(&b, buffer, 0, -1, 4), KrnGetBitmapRowCol(&b, buffer, 0, 4, 4),
        KrnPutBitmapRowSegments(&b, nullptr, 0, 0, nullptr, 0, 1),
        KrnPutBitmapRowSegments(&b, buffer, 3, 0, nullptr, 0, 1),
        KrnPutBitmapRowSegments(&b, buffer, 0, 0, nullptr, 1, 0),
        KrnPutBitmapRowSegments(&b, buffer, 0, 0, segment, -1, 0),
        KrnPutBitmapRowSegments(&b, buffer, 0, 5, segment, 1, 0),
        KrnPutBitmapRowSegments(&nibbles, buffer, 0, 1, segment, 1, 0), KrnGetRowRuns(nullptr, buffer, runs, 0, 0, 4),
        KrnGetRowRuns(&mono, nullptr, runs, 0, 0, 4), KrnGetRowRuns(&mono, buffer, nullptr, 0, 0, 4),
        KrnGetRowRuns(&mono, buffer, runs, 2, 0, 4), KrnGetRowRuns(&mono, buffer, runs, -1, 0, 4),
        KrnGetRowRuns(&mono, buffer, runs, 0, 13, 4), KrnGetRowRuns(&mono, buffer, runs, 0, -1, 4),
        KrnGetRowRuns(&b, buffer, runs, 0, 0, 4),
        // Row buffers: depths, an offset past the step, a target too short; rows converted onto themselves.
        KrnResampleRow(9, 16, 0, 1, 0, 0, band, band + 8, 2, 1, TRUE),
        KrnResampleRow(8, 16, 0, 1, 2, 0, band, band + 8, 2, 2, TRUE),
        KrnResampleRow(24, 5, 0, 1, 0, 0, band, band + 8, 2, 1, TRUE), KrnRotateBuffer(band, buffer, 1, 2, 2, 12),
        KrnReverseBuffer(band, buffer, 2, 2, 3), KrnConvertBufferRows(rows, rows, 4, 3),
        row24(nullptr, buffer, 1, 8, 24), row24(buffer, nullptr, 1, 8, 24), row24(buffer, buffer, -1, 8, 24),
        row24(buffer, buffer, 1, 8, 16), row24(buffer, buffer, 1, 9, 24), row24(buffer, buffer, 1, 24, 10),
        row24(buffer, buffer, 1, 0, 24),
        // Depth changes: targets 2, 12 and 48 bits; a given palette without colours, or with none counted.
        convert(&rgb, 2, 0, nullptr, 0), convert(&rgb, 12, 0, nullptr, 0), convert(&rgb, 48, 0, nullptr, 0),
        convert(&rgb, 8, KRN_COLORRES_GIVEN_PALETTE, nullptr, 4), convert(&rgb, 4, KRN_COLORRES_GIVEN_PALETTE, &one, 0),
        convert(nullptr, 8, 0, nullptr, 0), KrnConvertColorRes(&rgb, nullptr, 8, 0, nullptr, nullptr, 0, 0, 0),
        // Colour reduction: no source, no width, a depth or colour count the colours do not fit, no handle.
        start(nullptr, 4, 1, bw, 2, &h), start(&rgb, 0, 1, bw, 2, &h), start(&rgb, 4, 2, bw, 2, &h),
        start(&rgb, 4, 1, bw, 3, &h), start(&rgb, 4, 1, nullptr, 2, &h), start(&rgb, 4, 1, bw, 2, nullptr),
        KrnReduceRow(ok, buffer, 4, 0, 1), KrnReduceRow(ok, buffer, 0, 4, 1), KrnReduceRow(nullptr, buffer, 0, 0, 1),
        // Perspectives outside 0..8, missing outputs.
        KrnGetPerspectiveChange(9, 0, &flip, &degrees), KrnGetPerspectiveChange(0, -1, &flip, &degrees),
        KrnGetPerspectiveChange(0, 1, nullptr, &degrees), KrnMapRectPerspective(0, 1, 1, 9, &rect),
        KrnMapRectPerspective(0, 1, 1, 0, nullptr), KrnRectToBitmap(&b, 12, &rect),
        // Lists and DIBs.
        KrnCreateBitmapList(nullptr), KrnInsertBitmapListItem(nullptr, -1, &b), KrnGetBitmapListItem(nullptr, 0, &r),
        KrnResetListedBitmap(nullptr), KrnConvertFromDib(nullptr, &header, nullptr),
        KrnConvertFromDib(&r, nullptr, nullptr), KrnChangeFromDib(&r, nullptr)};
    for (const int &status : badParameter)
        EXPECT_EQ(status, STATUS_BAD_PARAMETER) << "bad parameter case " << &status - badParameter;
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(KrnEndColorReduce(ok) + KrnEndColorReduce(nullptr), 2);
    const BitmapRecord before = rgb;  // converting into itself must not clear it
    EXPECT_EQ(KrnConvertColorRes(&rgb, &rgb, 8, 0, nullptr, nullptr, 0, 0, 0), STATUS_BAD_PARAMETER);
    EXPECT_TRUE(SameBytes(before, rgb));
    EXPECT_EQ(KrnGetPixelColor(&described, 0, 0) & KrnGetPixelColor(nullptr, 0, 0) & KrnGetPixelColor(&b, -1, 0) &
                  KrnGetPixelColor(&b, 3, 0) & KrnGetPixelColor(&b, 0, -1) & KrnGetPixelColor(&b, 0, 4),
              KRN_PIXEL_OUTSIDE);
    EXPECT_EQ(KrnGetBitmapListCount(nullptr), 0u);

    // Sizes beyond a 32-bit stride or 2 GiB of data, and perspectives that do not exist.
    EXPECT_EQ(KrnInitBitmapRecord(&r, 1 << 30, 1, 64), STATUS_NO_MEMORY) << "a row beyond a 32-bit stride";
    EXPECT_TRUE(SameBytes(r, Garbage()));
    EXPECT_EQ(KrnFreeBitmap(&none) + KrnReleaseBitmapRecord(&none), 2) << "harmless on empty records";
    EXPECT_TRUE(IsCleared(none));
    ASSERT_EQ(KrnInitBitmapRecord(&r, 70000, 70000, 8), STATUS_OK);
    const BitmapRecord huge = r;
    EXPECT_EQ(KrnAllocBitmapData(&r, 0), STATUS_NO_MEMORY) << "beyond 2 GiB";
    EXPECT_TRUE(SameBytes(r, huge));
    for (int perspective : {0, 9}) {
        r = Garbage();
        EXPECT_EQ(KrnCreateBitmap(&r, 0, 65536, perspective ? 3 : 32769, 8, 0, nullptr, perspective, nullptr, 0),
                  perspective ? STATUS_BAD_PARAMETER : STATUS_NO_MEMORY);
        EXPECT_TRUE(IsCleared(r));
    }
    for (BitmapRecord *bitmap : {&b, &nibbles, &mono, &rgb}) KrnFreeBitmap(bitmap);
}

}  // namespace
