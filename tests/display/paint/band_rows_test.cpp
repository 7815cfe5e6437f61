// Band rows of the general path at the source depth: enlarged paints wide
// enough to take several bands, so source rows repeated across a band edge
// are made again in the new band, against the reference model; and the
// paint LUT applied once to rows copied within a band.
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "display/paint/paint_test_canvas.h"
#include "paint/paint_engine.h"

namespace zelt::test {
namespace {

// 500 x 45 stored pixels onto 1500 x 120: 24-bit band rows of 4500 bytes
// make bands of 58 rows, and row 57 and row 58 show the same source row.
constexpr int kImageW = 500, kImageH = 45, kCanvasW = 1500, kCanvasH = 120;

PaintRequest WholeImageRequest(int perspective, const Canvas &canvas) {
    PaintRequest q;
    q.width = kImageW;
    q.height = kImageH;
    q.perspective = perspective;
    q.source = q.sourceClip = {0, 0, kImageW, kImageH};
    q.destination = q.destinationClip = {0, 0, canvas.width(), canvas.height()};
    return q;
}

TEST(BandRows, EnlargedMultiBandPaintsMatchTheModelInEveryPerspective) {
    DisplayModeScope mode(0);
    Canvas canvas(kCanvasW, kCanvasH);
    for (int perspective = 0; perspective < 9; ++perspective) {
        std::mt19937 random(static_cast<unsigned>(7000 + perspective));
        BitmapRecord bitmap{};
        MakeRandomBitmap(&bitmap, random, kImageW, kImageH, 24, perspective);
        const PaintRequest q = WholeImageRequest(perspective, canvas);
        canvas.Clear();
        ASSERT_EQ(PaintGeneral(canvas.dc(), &bitmap, nullptr, 0, 0, &q.source, &q.sourceClip, &q.destination,
                               &q.destinationClip, 24, PAINTMODE_DIRECT, SRCCOPY),
                  STATUS_OK)
            << "perspective " << perspective;
        const int mismatches =
            CompareWithModel(canvas, q, [&](const StoredPixel &p) { return StoredColor(&bitmap, p); },
                             "perspective " + std::to_string(perspective));
        KrnFreeBitmap(&bitmap);
        ASSERT_EQ(mismatches, 0) << "perspective " << perspective;
    }
}

TEST(BandRows, PaintLutReachesEveryRepeatedRowOnce) {
    DisplayModeScope mode(0);
    Canvas canvas(kCanvasW, kCanvasH);
    std::mt19937 random(7100);
    BitmapRecord bitmap{};
    MakeRandomBitmap(&bitmap, random, kImageW, kImageH, 24, 0);
    ASSERT_NE(bitmap.PaintLut, nullptr);
    // Not an involution, so a row passed through it twice shows.
    for (int i = 0; i < 256; ++i) bitmap.PaintLut[i] = static_cast<BYTE>(i / 2 + 17);
    bitmap.Flags |= BITMAP_PAINT_LUT_ACTIVE;
    const PaintRequest q = WholeImageRequest(0, canvas);
    ASSERT_EQ(PaintGeneral(canvas.dc(), &bitmap, nullptr, 0, 0, &q.source, &q.sourceClip, &q.destination,
                           &q.destinationClip, 24, PAINTMODE_DIRECT, SRCCOPY),
              STATUS_OK);
    const BYTE *lut = bitmap.PaintLut;
    const int mismatches = CompareWithModel(
        canvas, q,
        [&](const StoredPixel &p) {
            const DWORD c = StoredColor(&bitmap, p);
            return DWORD{lut[(c >> 16) & 0xFF]} << 16 | DWORD{lut[(c >> 8) & 0xFF]} << 8 | lut[c & 0xFF];
        },
        "paint LUT");
    KrnFreeBitmap(&bitmap);
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace zelt::test
