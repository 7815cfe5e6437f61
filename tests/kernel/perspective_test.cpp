// View perspectives against the perspective table: the change between any
// two codes turns the stored image into the other, and rectangles map like
// the pixels they cover, there and back.
#include <algorithm>
#include <cstring>
#include <functional>
#include <random>

#include <gtest/gtest.h>

#include "support/perspective_oracle.h"
#include "zelt/kernel.h"

namespace {

using namespace zelt::test;

using Image = std::vector<std::vector<int>>;  // [row][column]

// The displayed picture stored in perspective p.
Image StoreAs(int p, const Image &picture) {
    const std::size_t w = ExchangesAxes(p) ? picture.size() : picture[0].size(),
                      h = picture.size() * picture[0].size() / w;
    Image stored(h, std::vector<int>(w));
    for (std::size_t r = 0; r < h; ++r)
        for (std::size_t c = 0; c < w; ++c) {
            const Point d = Displayed(p, int(w), int(h), int(c), int(r));
            stored[r][c] = picture[std::size_t(d.y)][std::size_t(d.x)];
        }
    return stored;
}

TEST(Perspective, ChangeTurnsTheStoredImageIntoTheOther) {
    for (int testCase = 0; testCase < 81 * 3; ++testCase) {
        const int from = testCase % 9, to = testCase / 9 % 9;
        std::mt19937 rng(static_cast<unsigned>(testCase));
        Image picture(1 + rng() % 6, std::vector<int>(1 + rng() % 6));
        for (auto &row : picture) std::generate(row.begin(), row.end(), std::ref(rng));
        int flip = -1, degrees = -1;
        ASSERT_EQ(KrnGetPerspectiveChange(from, to, &flip, &degrees), STATUS_OK);
        Image changed = StoreAs(from, picture);
        if (flip) std::reverse(changed.begin(), changed.end());
        for (int turn = 0; turn < degrees / 90 && degrees % 90 == 0; ++turn)
            changed = StoreAs(8, changed);  // clockwise
        EXPECT_EQ(changed, StoreAs(to, picture)) << from << " -> " << to << ": flip " << flip << ", " << degrees;
    }
}

TEST(Perspective, RectanglesMapLikeTheirPixelsThereAndBack) {
    for (int testCase = 0; testCase < 81 * 20; ++testCase) {
        const int from = testCase % 9, to = testCase / 9 % 9;
        std::mt19937 rng(static_cast<unsigned>(testCase));
        const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 40), l = int(rng() % (w + 1)), t = int(rng() % (h + 1));
        const RECT original{l, t, l + int(rng() % (w - l + 1)), t + int(rng() % (h - t + 1))};
        // In display coordinates the rectangle is the box around its pixels' places.
        RECT expected{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}, rect = original, back = original;
        for (int y = original.top; y < original.bottom; ++y)
            for (int x = original.left; x < original.right; ++x) {
                const Point d = Displayed(from, w, h, x, y);
                expected = RECT{std::min<LONG>(expected.left, d.x), std::min<LONG>(expected.top, d.y),
                                std::max<LONG>(expected.right, d.x + 1), std::max<LONG>(expected.bottom, d.y + 1)};
            }
        ASSERT_EQ(KrnMapRectPerspective(from, w, h, 0, &rect), STATUS_OK);
        EXPECT_TRUE(expected.left > expected.right || std::memcmp(&rect, &expected, sizeof rect) == 0)
            << "case " << testCase;
        BitmapRecord bitmap{};
        bitmap.Width = w, bitmap.Height = h, bitmap.ViewPerspective = from;
        const bool exchanged = ExchangesAxes(from) != ExchangesAxes(to);
        ASSERT_EQ(KrnRectFromBitmap(&bitmap, to, &back), STATUS_OK);
        ASSERT_EQ(KrnMapRectPerspective(to, exchanged ? h : w, exchanged ? w : h, from, &(rect = back)), STATUS_OK);
        ASSERT_EQ(KrnRectToBitmap(&bitmap, to, &back), STATUS_OK);
        EXPECT_TRUE(std::memcmp(&rect, &original, sizeof rect) == 0 && std::memcmp(&back, &original, sizeof rect) == 0)
            << "case " << testCase << ": " << from << " -> " << to;
    }
}

}  // namespace
