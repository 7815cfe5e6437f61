// KrnCombineBitmap against a pixel model: every source pixel inside the
// rectangle (and the region) goes to the destination pixel that shows the
// same place once both perspectives are undone, and no other bit changes.
#include <random>

#include "kernel/region_fixture.h"
#include "support/bitmap_model.h"
#include "support/perspective_oracle.h"

namespace zelt::test {
namespace {

class Combine : public RegionServicesTest {};

struct Case {
    Layout layout;
    int srcW, srcH, srcP, dstW, dstH, dstP;
    int left = 0, top = 0, width = 0, height = 0, sourceLeft = 0, sourceTop = 0;
    bool useRegion = false;
    Runs runs{};
    LONG regionTop = 0;
};

// A coordinate near the edges of 0..size more often than not.
int EdgeBiased(std::mt19937 &rng, int size) {
    switch (rng() % 4) {
        case 0: return -int(rng() % 3);
        case 1: return size - 1 + int(rng() % 3);
        default: return int(rng() % uint32_t(size + 1));
    }
}

Case RandomCase(uint32_t seed) {
    std::mt19937 rng(seed);
    const auto layouts = AllLayouts();
    Case c{layouts[rng() % layouts.size()], 1 + int(rng() % 19), 1 + int(rng() % 13), int(rng() % 9),
           1 + int(rng() % 23), 1 + int(rng() % 17), int(rng() % 9)};
    c.left = EdgeBiased(rng, c.dstW) - 3;
    c.top = EdgeBiased(rng, c.dstH) - 3;
    c.width = int(rng() % 26) - 1;
    c.height = int(rng() % 20) - 1;
    c.sourceLeft = EdgeBiased(rng, c.srcW) / 2 - 1;
    c.sourceTop = EdgeBiased(rng, c.srcH) / 2 - 1;
    c.useRegion = rng() % 3 != 0;
    c.regionTop = int(rng() % 5) - 2;
    c.runs.resize(rng() % uint32_t(c.srcH + 3));
    for (auto &row : c.runs)
        for (LONG x = LONG(rng() % 4) - 2; x < c.srcW + 2; x += 1 + LONG(rng() % 6)) {
            const LONG end = x + 1 + LONG(rng() % 5);
            row.insert(row.end(), {x, end});
            x = end;
        }
    return c;
}

bool InRuns(const Case &c, int x, int y) {
    const int r = y - c.regionTop;
    if (r < 0 || r >= int(c.runs.size())) return false;
    for (size_t k = 0; k + 1 < c.runs[size_t(r)].size(); k += 2)
        if (x >= c.runs[size_t(r)][k] && x < c.runs[size_t(r)][k + 1]) return true;
    return false;
}

// The destination's bytes after the copy, pixel by pixel.
std::vector<BYTE> Expected(const Case &c, const BitmapRecord &source, const BitmapRecord &destination) {
    std::vector<BYTE> data = DataOf(destination);
    const bool exchanged = ExchangesAxes(c.srcP) != ExchangesAxes(c.dstP);
    const int boxW = exchanged ? c.dstH : c.dstW, boxH = exchanged ? c.dstW : c.dstH;
    // Stored destination pixel of each displayed position.
    const int shownW = ExchangesAxes(c.dstP) ? c.dstH : c.dstW;
    std::vector<Point> storedAt(size_t(c.dstW) * size_t(c.dstH));
    for (int r = 0; r < c.dstH; ++r)
        for (int q = 0; q < c.dstW; ++q) {
            const Point shown = Displayed(c.dstP, c.dstW, c.dstH, q, r);
            storedAt[size_t(shown.y) * size_t(shownW) + size_t(shown.x)] = {q, r};
        }
    for (int y = std::max(c.sourceTop, 0); y < std::min(c.sourceTop + c.height, c.srcH); ++y)
        for (int x = std::max(c.sourceLeft, 0); x < std::min(c.sourceLeft + c.width, c.srcW); ++x) {
            if (c.useRegion && !InRuns(c, x, y)) continue;
            const int bx = c.left + x - c.sourceLeft, by = c.top + y - c.sourceTop;
            if (bx < 0 || by < 0 || bx >= boxW || by >= boxH) continue;
            const Point shown = Displayed(c.srcP, boxW, boxH, bx, by);
            const Point at = storedAt[size_t(shown.y) * size_t(shownW) + size_t(shown.x)];
            WritePixel(data.data() + size_t(at.y) * size_t(destination.BytesPerLine), at.x, c.layout.bits,
                       ReadPixel(RowOf(source, y), x, c.layout.bits));
        }
    return data;
}

TEST_F(Combine, MatchesThePixelModel) {
    int copied = 0;
    for (uint32_t seed = 1; seed <= 4000; ++seed) {
        const Case c = RandomCase(seed);
        std::mt19937 rng(seed * 7919u);
        BitmapRecord source = RandomBitmap(c.layout, c.srcW, c.srcH, rng, c.srcP);
        BitmapRecord destination = RandomBitmap(c.layout, c.dstW, c.dstH, rng, c.dstP);
        source.Region = MakeRunRegion(c.runs, c.regionTop);
        const std::vector<BYTE> sourceBefore = DataOf(source), expected = Expected(c, source, destination);
        copied += expected != DataOf(destination) ? 1 : 0;
        const UINT flags = KRN_COMBINE_COPY | (c.useRegion ? KRN_COMBINE_SOURCE_REGION : 0);
        ASSERT_EQ(KrnCombineBitmap(&destination, c.left, c.top, c.width, c.height, &source, c.sourceLeft,
                                   c.sourceTop, flags),
                  STATUS_OK)
            << "case " << seed;
        EXPECT_EQ(DataOf(destination), expected) << "case " << seed << ": " << c.layout.Name() << ", perspectives "
                                                 << c.srcP << " -> " << c.dstP;
        EXPECT_EQ(DataOf(source), sourceBefore) << "case " << seed;
        KrnFreeBitmap(&source);
        KrnFreeBitmap(&destination);
    }
    EXPECT_GT(copied, 1000);
}

TEST_F(Combine, RefusesWhatItCannotCopy) {
    std::mt19937 rng(5);
    BitmapRecord a8 = RandomBitmap({8, 0}, 4, 4, rng), b8 = RandomBitmap({8, 0}, 4, 4, rng), empty{};
    BitmapRecord a24 = RandomBitmap({24, 1}, 4, 4, rng), b24 = RandomBitmap({24, 0}, 4, 4, rng), bad8 = b8;
    bad8.ViewPerspective = 9;
    const std::vector<BYTE> before = DataOf(a8);
    const UINT copy = KRN_COMBINE_COPY;
    EXPECT_EQ(KrnCombineBitmap(nullptr, 0, 0, 4, 4, &b8, 0, 0, copy), STATUS_NO_BITMAP);
    EXPECT_EQ(KrnCombineBitmap(&a8, 0, 0, 4, 4, &empty, 0, 0, copy), STATUS_NO_BITMAP);
    // Without the copy flag, an unknown flag, other layouts, itself, a bad perspective.
    for (auto [source, flags] : {std::pair{&b8, UINT(KRN_COMBINE_SOURCE_REGION)}, {&b8, copy | 1}, {&a24, copy},
                                 {&a8, copy}, {&bad8, copy}})
        EXPECT_EQ(KrnCombineBitmap(&a8, 0, 0, 4, 4, source, 0, 0, flags), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnCombineBitmap(&a24, 0, 0, 4, 4, &b24, 0, 0, copy), STATUS_BAD_PARAMETER);  // orders differ
    EXPECT_EQ(DataOf(a8), before);
    for (BitmapRecord *b : {&a8, &b8, &a24, &b24}) KrnFreeBitmap(b);
}

}  // namespace
}  // namespace zelt::test
