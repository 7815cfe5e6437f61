// View perspectives: every pair of codes, checked against the pixel table
// of the perspectives written out independently here.
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "support/perspective_oracle.h"

#include "zelt/kernel.h"

namespace {

using zelt::test::Displayed;
using zelt::test::ExchangesAxes;
using zelt::test::Point;

// A picture of displayed size dw x dh stored in perspective p.
using Image = std::vector<std::vector<int>>;  // [row][column]
Image StoreAs(int p, const Image &picture) {
    const int dh = static_cast<int>(picture.size()), dw = static_cast<int>(picture[0].size());
    const int w = ExchangesAxes(p) ? dh : dw, h = ExchangesAxes(p) ? dw : dh;
    Image stored(h, std::vector<int>(w));
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            const Point d = Displayed(p, w, h, c, r);
            stored[r][c] = picture[d.y][d.x];
        }
    return stored;
}

Image FlipVertically(const Image &image) { return Image(image.rbegin(), image.rend()); }

Image TurnClockwise(const Image &image) {
    const int h = static_cast<int>(image.size()), w = static_cast<int>(image[0].size());
    Image turned(w, std::vector<int>(h));
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) turned[c][h - 1 - r] = image[r][c];
    return turned;
}

RECT RandomRect(std::mt19937 &random, int w, int h) {
    std::uniform_int_distribution<int> xs(0, w), ys(0, h);
    int l = xs(random), r = xs(random), t = ys(random), b = ys(random);
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    return RECT{l, t, r, b};
}

bool Same(const RECT &a, const RECT &b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(KernelPerspective, ChangeTurnsTheStoredImageIntoTheOther) {
    for (int testCase = 0; testCase < 81 * 3; ++testCase) {
        const int from = testCase % 9, to = (testCase / 9) % 9;
        std::mt19937 random(testCase);
        const int dw = 1 + random() % 6, dh = 1 + random() % 6;
        Image picture(dh, std::vector<int>(dw));
        for (auto &row : picture)
            for (int &v : row) v = static_cast<int>(random() % 1000);
        int flip = -1, degrees = -1;
        ASSERT_EQ(KrnGetPerspectiveChange(from, to, &flip, &degrees), STATUS_OK);
        ASSERT_TRUE(degrees == 0 || degrees == 90 || degrees == 180 || degrees == 270) << degrees;
        Image changed = StoreAs(from, picture);
        if (flip) changed = FlipVertically(changed);
        for (int turn = 0; turn < degrees / 90; ++turn) changed = TurnClockwise(changed);
        EXPECT_EQ(changed, StoreAs(to, picture)) << "case " << testCase << ": " << from << " -> " << to
                                                 << " flip " << flip << " degrees " << degrees;
    }
}

TEST(KernelPerspective, KnownChanges) {
    struct Case {
        int from, to, flip, degrees;
    };
    const Case cases[] = {{0, 0, 0, 0}, {0, 2, 1, 0}, {2, 0, 1, 0}, {0, 3, 0, 180}, {0, 4, 0, 270},
                          {4, 0, 0, 90}, {0, 8, 0, 90},  {6, 0, 0, 0},  {0, 1, 1, 180}, {5, 2, 0, 270}};
    for (const Case &c : cases) {
        int flip = -1, degrees = -1;
        ASSERT_EQ(KrnGetPerspectiveChange(c.from, c.to, &flip, &degrees), STATUS_OK);
        EXPECT_EQ(flip, c.flip) << c.from << " -> " << c.to;
        EXPECT_EQ(degrees, c.degrees) << c.from << " -> " << c.to;
    }
}

TEST(KernelPerspective, OnePixelRectsFollowThePixelTable) {
    for (int testCase = 0; testCase < 400; ++testCase) {
        std::mt19937 random(testCase);
        const int p = testCase % 9;
        const int w = 1 + random() % 9, h = 1 + random() % 9;
        const int c = static_cast<int>(random() % w), r = static_cast<int>(random() % h);
        // Stored coordinates of an image in perspective p to display coordinates.
        RECT rect{c, r, c + 1, r + 1};
        ASSERT_EQ(KrnMapRectPerspective(p, w, h, 0, &rect), STATUS_OK);
        const Point d = Displayed(p, w, h, c, r);
        EXPECT_TRUE(Same(rect, RECT{d.x, d.y, d.x + 1, d.y + 1}))
            << "case " << testCase << " perspective " << p << " got " << rect.left << "," << rect.top;
        // And from display coordinates back into perspective p.
        ASSERT_EQ(KrnMapRectPerspective(0, ExchangesAxes(p) ? h : w, ExchangesAxes(p) ? w : h, p, &rect), STATUS_OK);
        EXPECT_TRUE(Same(rect, RECT{c, r, c + 1, r + 1})) << "case " << testCase;
    }
}

TEST(KernelPerspective, MappingThereAndBackIsTheIdentity) {
    for (int testCase = 0; testCase < 81 * 20; ++testCase) {
        const int from = testCase % 9, to = (testCase / 9) % 9;
        std::mt19937 random(testCase);
        const int w = 1 + random() % 300, h = 1 + random() % 300;
        const RECT original = RandomRect(random, w, h);
        RECT rect = original;
        ASSERT_EQ(KrnMapRectPerspective(from, w, h, to, &rect), STATUS_OK);
        const bool exchanged = ExchangesAxes(from) != ExchangesAxes(to);
        const int tw = exchanged ? h : w, th = exchanged ? w : h;
        ASSERT_TRUE(rect.left >= 0 && rect.left <= rect.right && rect.right <= tw) << "case " << testCase;
        ASSERT_TRUE(rect.top >= 0 && rect.top <= rect.bottom && rect.bottom <= th) << "case " << testCase;
        EXPECT_EQ((rect.right - rect.left) * (rect.bottom - rect.top),
                  (original.right - original.left) * (original.bottom - original.top))
            << "case " << testCase;
        ASSERT_EQ(KrnMapRectPerspective(to, tw, th, from, &rect), STATUS_OK);
        EXPECT_TRUE(Same(rect, original)) << "case " << testCase << ": " << from << " -> " << to;
    }
}

TEST(KernelPerspective, AxesExchangeExactlyForFourFiveSevenEight) {
    for (int p = 0; p < 9; ++p) {
        RECT rect{0, 0, 30, 20};
        ASSERT_EQ(KrnMapRectPerspective(p, 30, 20, 0, &rect), STATUS_OK);
        const RECT expected = ExchangesAxes(p) ? RECT{0, 0, 20, 30} : RECT{0, 0, 30, 20};
        EXPECT_TRUE(Same(rect, expected)) << p;
    }
}

TEST(KernelPerspective, BitmapRectsRoundTripThroughEveryPerspective) {
    for (int testCase = 0; testCase < 200; ++testCase) {
        std::mt19937 random(testCase);
        BitmapRecord bitmap{};
        bitmap.Width = 1 + random() % 50;
        bitmap.Height = 1 + random() % 50;
        bitmap.ViewPerspective = static_cast<LONG>(random() % 9);
        const int target = static_cast<int>(random() % 9);
        const RECT original = RandomRect(random, bitmap.Width, bitmap.Height);
        RECT rect = original;
        ASSERT_EQ(KrnRectFromBitmap(&bitmap, target, &rect), STATUS_OK);
        RECT direct = original;
        KrnMapRectPerspective(bitmap.ViewPerspective, bitmap.Width, bitmap.Height, target, &direct);
        EXPECT_TRUE(Same(rect, direct)) << "case " << testCase;
        ASSERT_EQ(KrnRectToBitmap(&bitmap, target, &rect), STATUS_OK);
        EXPECT_TRUE(Same(rect, original)) << "case " << testCase;
    }
}

TEST(KernelPerspective, RefusesBadArguments) {
    int flip, degrees;
    RECT rect{0, 0, 1, 1};
    BitmapRecord bitmap{};
    EXPECT_EQ(KrnGetPerspectiveChange(9, 0, &flip, &degrees), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnGetPerspectiveChange(0, -1, &flip, &degrees), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnGetPerspectiveChange(0, 1, nullptr, &degrees), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnMapRectPerspective(0, 1, 1, 9, &rect), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnMapRectPerspective(0, 1, 1, 0, nullptr), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnRectFromBitmap(nullptr, 0, &rect), STATUS_NO_BITMAP);
    EXPECT_EQ(KrnRectToBitmap(&bitmap, 12, &rect), STATUS_BAD_PARAMETER);
}

}  // namespace
