// Every palette lookup of the colour reduction against a whole-palette search,
// over seeded sources, scales, spans, row orders and methods.
#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "support/reduce_model.h"

namespace {

using namespace zelt::test;

// Every combination of the levels per channel, nested in `order` (slowest first).
std::vector<RGBQUAD> ProductPalette(const std::vector<int> (&levels)[3], const int order[3]) {
    std::vector<RGBQUAD> colors;
    const int middle = int(levels[1].size()), fast = int(levels[2].size());
    for (int i = 0, n = int(levels[0].size()) * middle * fast; i < n; ++i) {
        int v[3];
        v[order[0]] = levels[0][std::size_t(i / (middle * fast))];
        v[order[1]] = levels[1][std::size_t(i / fast % middle)];
        v[order[2]] = levels[2][std::size_t(i % fast)];
        colors.push_back(RGBQUAD{BYTE(v[2]), BYTE(v[1]), BYTE(v[0]), 0});
    }
    return colors;
}

// The 3-3-2 table; a 6x6x6 cube (blue fastest) whose 40 spare entries are
// black; random products (levels sometimes repeated) with a few repeated
// entries after them; two colours; any colours.
std::vector<RGBQUAD> TargetPalette(int kind, int bits, std::mt19937 &rng) {
    if (kind == 0 && bits == 8) return DeviceTable(8);
    const int rgb[3] = {0, 1, 2};
    const std::vector<int> cube = {0, 51, 102, 153, 204, 255};
    if (auto colors = ProductPalette({cube, cube, cube}, rgb); kind == 1 && bits == 8)
        return colors.resize(256, colors[0]), colors;
    if (kind >= 3) return RandomPalette(rng, kind == 3 ? 2 : 1 + int(rng() % (1u << bits)));
    std::vector<int> levels[3];
    do
        for (auto &l : levels) l.assign(1 + rng() % 7, 0);
    while (levels[0].size() * levels[1].size() * levels[2].size() > (1u << bits));
    for (auto &l : levels)
        for (std::size_t j = 0; j < l.size(); ++j) l[j] = j > 0 && rng() % 4 == 0 ? l[j - 1] : int(rng() % 256);
    int order[3] = {0, 1, 2};
    std::shuffle(order, order + 3, rng);
    auto colors = ProductPalette(levels, order);
    for (int extra = int(rng() % 3); extra > 0 && colors.size() < (1u << bits); --extra)
        colors.push_back(colors[rng() % colors.size()]);
    return colors;
}

TEST(ColorReducePalettes, EveryLookupMatchesTheWholePaletteSearch) {
    const Layout layouts[] = {{24, 1}, {24, 0}, {8, 0}};
    const int depths[] = {1, 4, 8};
    for (int n = 0; n < 2400; ++n) {
        std::mt19937 rng(static_cast<unsigned>(n));
        const Layout layout = layouts[rng() % 3];
        const int bits = depths[rng() % 3], kind = int(rng() % 5), dstWidth = 1 + int(rng() % 110);
        BitmapRecord bitmap = RandomBitmap(layout, 1 + int(rng() % 70), 1 + int(rng() % 25), rng);
        const bool ordered = rng() % 2, serpentine = rng() % 2, weighted = rng() % 2;
        const UINT flags = (ordered ? KRN_REDUCE_ORDERED : KRN_REDUCE_DIFFUSE) | (serpentine ? KRN_REDUCE_SERPENTINE : 0) |
                           (weighted ? KRN_REDUCE_WEIGHTED : KRN_REDUCE_PLAIN);
        ReduceModel model{bitmap, layout, ColorsOf(bitmap), TargetPalette(kind, bits, rng), dstWidth,
                          1 + int(rng() % 30), bits, weighted, ordered, serpentine, {}, {}};
        HKRNREDUCE handle = nullptr;
        ASSERT_EQ(KrnStartColorReduce(&bitmap, dstWidth, model.dstHeight, bits, model.palette.data(),
                                      int(model.palette.size()), flags, nullptr, nullptr, &handle),
                  STATUS_OK);
        const int first = rng() % 3 == 0 ? int(rng() % unsigned(dstWidth)) : 0, count = dstWidth - first;
        const bool upwards = rng() % 2;
        for (int i = 0; i < model.dstHeight; ++i) {
            const int row = upwards ? model.dstHeight - 1 - i : i, bytes = (count * bits + 7) / 8;
            std::vector<BYTE> out(std::size_t(bytes) + 1, 0xEE);
            ASSERT_EQ(KrnReduceRow(handle, out.data(), row, first, DWORD(bytes)), STATUS_OK);
            std::vector<int> expected = model.Row(row, first, count), got;
            expected.resize(std::size_t(bytes * 8 / bits), 0);  // spare bits of the last byte are clear
            for (int x = 0; x < bytes * 8 / bits; ++x) got.push_back(int(ReadPixel(out.data(), x, bits)));
            ASSERT_EQ(got, expected) << "case " << n << " kind " << kind << " bits " << bits << " flags " << flags
                                     << " row " << row << " first " << first;
            ASSERT_EQ(out.back(), 0xEE) << "case " << n;
        }
        KrnEndColorReduce(handle);
        KrnFreeBitmap(&bitmap);
    }
}

}  // namespace
