// Halftoning: every layout against the model over seeded images, angles and
// perspectives; the threshold edges pinned to the matrices themselves; the
// progress sequence, aborts and allocation failures leaving the source as
// it was.
#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "paint/paint_engine.h"
#include "support/front_fixture.h"
#include "support/halftone_model.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

using Matrix = const BYTE (*)[8];
Matrix MatrixOf(UINT type) { return type == HALFTONE_CLUSTER ? ClusterDitherMatrix : DisperseDitherMatrix; }

// The first row where the 1-bit result differs from `expected`, or -1.
int FirstDifferentRow(const BitmapRecord &result, const std::vector<BYTE> &expected) {
    const std::size_t stride = RowBytes(result.Width, 1);
    for (int y = 0; y < result.Height; ++y)
        if (std::memcmp(RowOf(result, y), expected.data() + stride * std::size_t(y), stride) != 0) return y;
    return -1;
}

// Packed rows of the bits bit(x, y).
template <typename Bit>
std::vector<BYTE> Expected(int width, int height, Bit bit) {
    const std::size_t stride = RowBytes(width, 1);
    std::vector<BYTE> rows(stride * std::size_t(height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (bit(x, y)) rows[stride * std::size_t(y) + std::size_t(x / 8)] |= BYTE(0x80 >> (x % 8));
    return rows;
}

// Random processing window and, sometimes, a level table used for processing.
void RandomizeDeepGray(BitmapRecord &bitmap, std::mt19937 &rng) {
    const int bits = bitmap.BitsPerPixel;
    bitmap.LowBit = int(rng() % unsigned(bits + 2)) - 1;
    bitmap.HighBit = bitmap.LowBit + int(rng() % unsigned(bits + 1));
    if (rng() % 3 != 0) return;
    const DWORD length = 1 + rng() % (1u << (rng() % 2 ? bits : 6));
    bitmap.LevelLut = static_cast<RGBQUAD *>(KrnAllocMem(length * sizeof(RGBQUAD)));
    for (DWORD i = 0; i < length; ++i) bitmap.LevelLut[i] = RGBQUAD{BYTE(rng()), BYTE(rng()), BYTE(rng()), 0};
    bitmap.LevelLutLength = length;
    if (rng() % 4 != 0) bitmap.Flags |= BITMAP_LEVEL_PROCESSING;
}

class Halftone : public FrontTest {};

TEST_F(Halftone, MatchesTheModelOnEveryLayoutAngleAndPerspective) {
    std::vector<Layout> layouts = {{12, 2}, {16, 2}, {16, 0}, {16, 1}};
    for (int bits = 1; bits <= 8; ++bits) layouts.push_back({bits, 0});
    for (int bits : {24, 32, 48, 64}) layouts.insert(layouts.end(), {{bits, 0}, {bits, 1}});
    const int fixedAngles[] = {0, 9000, 36000, -36000, 4500, -1500, 18000};
    for (const Layout &layout : layouts) {
        for (int n = 0; n < 150; ++n) {
            std::mt19937 rng(0x4A1F7u * unsigned(layout.bits * 4 + layout.order) + unsigned(n));
            const int width = 1 + int(rng() % 37), height = 1 + int(rng() % 19);
            BitmapRecord bitmap = RandomBitmap(layout, width, height, rng, int(rng() % 9));
            if (layout.Gray()) RandomizeDeepGray(bitmap, rng);
            if (rng() % 4 == 0) {
                const RECT box = {0, 0, 1 + int(rng() % unsigned(width)), 1 + int(rng() % unsigned(height))};
                ASSERT_EQ(Z_SetBitmapRgnRect(&bitmap, nullptr, &box, RGNMODE_SET), STATUS_OK);
            }
            const UINT type = rng() % 2;
            int angle = n % 8 < 7 ? fixedAngles[n % 8] : int(rng() % 200001) - 100000;
            const int *angleArg = n % 9 == 8 ? nullptr : &angle;
            const std::vector<BYTE> expected = ModelHalftone(bitmap, ColorsOf(bitmap), MatrixOf(type), angleArg);
            const BitmapRecord before = bitmap;
            const std::string what = layout.Name() + " case " + std::to_string(n) + " perspective " +
                                     std::to_string(before.ViewPerspective) + " type " + std::to_string(type) +
                                     (angleArg ? " angle " + std::to_string(angle) : " unrotated");

            ASSERT_EQ(angleArg ? Z_HalfToneBitmapExt(&bitmap, type, angle) : Z_HalfToneBitmap(&bitmap, type), STATUS_OK) << what;
            EXPECT_EQ((std::vector<LONG>{bitmap.BitsPerPixel, bitmap.Width, bitmap.Height, bitmap.ViewPerspective}),
                      (std::vector<LONG>{1, width, height, before.ViewPerspective})) << what;
            EXPECT_EQ(bitmap.Region, before.Region) << what;
            EXPECT_EQ(FirstDifferentRow(bitmap, expected), -1) << what;
            const auto colors = ColorsOf(bitmap);
            EXPECT_TRUE(colors.size() == 2 && ToRgb(colors[0]) == Rgb{} && ToRgb(colors[1]) == (Rgb{255, 255, 255})) << what;
            KrnFreeBitmap(&bitmap);
        }
    }
}

// Pinned to the matrices, independent of the model: uniform images, gray
// 128, thresholds met exactly and just passed, and the whole and quarter
// turns (threshold matrix[(-x) & 7][y & 7] at 9000).
TEST_F(Halftone, EdgesFollowTheMatricesDirectly) {
    static BYTE noise[21][29];
    std::mt19937 rng(91);
    for (auto &row : noise)
        for (BYTE &level : row) level = BYTE(rng());
    using Level = int (*)(Matrix, int, int);
    using Bit = bool (*)(Matrix, int, int);
    const Level random = [](Matrix, int x, int y) { return int(noise[y][x]); };
    const Bit unturned = [](Matrix m, int x, int y) { return noise[y][x] > m[y & 7][x & 7]; };
    const struct {
        const char *name;
        std::optional<int> angle;
        Level level;
        Bit bit;
    } cases[] = {
        {"uniform 0", {}, [](Matrix, int, int) { return 0; }, [](Matrix, int, int) { return false; }},
        {"uniform 255", 4500, [](Matrix, int, int) { return 255; }, [](Matrix, int, int) { return true; }},
        {"gray 128", {}, [](Matrix, int, int) { return 128; }, [](Matrix m, int x, int y) { return m[y & 7][x & 7] < 128; }},
        {"equal", {}, [](Matrix m, int x, int y) { return int(m[y & 7][x & 7]); }, [](Matrix, int, int) { return false; }},
        {"one above", {}, [](Matrix m, int x, int y) { return std::min(255, m[y & 7][x & 7] + 1); },
         [](Matrix m, int x, int y) { return m[y & 7][x & 7] < 255; }},
        {"angle 0", 0, random, unturned},
        {"angle 36000", 36000, random, unturned},
        {"angle -36000", -36000, random, unturned},
        {"angle 9000", 9000, random, [](Matrix m, int x, int y) { return noise[y][x] > m[-x & 7][y & 7]; }},
    };
    for (const auto &c : cases)
        for (UINT type : {HALFTONE_CLUSTER, HALFTONE_DISPERSE}) {
            const Matrix m = MatrixOf(type);
            ScopedBitmap bitmap;
            ASSERT_EQ(CreateBitmap(bitmap.get(), 29, 21, 8, GrayRamp(256)), STATUS_OK);
            for (int y = 0; y < 21; ++y)
                for (int x = 0; x < 29; ++x) static_cast<BYTE *>(bitmap->Data)[y * bitmap->BytesPerLine + x] = BYTE(c.level(m, x, y));
            ASSERT_EQ(c.angle ? Z_HalfToneBitmapExt(bitmap.get(), type, *c.angle) : Z_HalfToneBitmap(bitmap.get(), type), STATUS_OK);
            EXPECT_EQ(FirstDifferentRow(bitmap.record, Expected(29, 21, [&](int x, int y) { return c.bit(m, x, y); })), -1)
                << c.name << ", type " << type;
        }
    // Gray 128 on the dispersed matrix sets half of each 8 x 8 tile.
    EXPECT_EQ(std::count_if(&DisperseDitherMatrix[0][0], &DisperseDitherMatrix[0][0] + 64, [](BYTE t) { return t < 128; }), 32);
}

TEST_F(Halftone, FourBitPixelsAreReadHighNibbleFirst) {
    std::vector<RGBQUAD> palette(16, RGBQUAD{0, 0, 0, 0});
    palette[15] = RGBQUAD{255, 255, 255, 0};
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 13, 3, 4, palette), STATUS_OK);
    std::memset(bitmap->Data, 0x0F, bitmap->DataSize);  // pixels 0, 15, 0, 15, ...
    ASSERT_EQ(Z_HalfToneBitmap(bitmap.get(), HALFTONE_CLUSTER), STATUS_OK);
    EXPECT_EQ(FirstDifferentRow(bitmap.record, Expected(13, 3, [](int x, int) { return x % 2 == 1; })), -1);
}

struct ProgressLog {
    std::vector<int> calls;
    int stopAtCall = -1;  // the call (from 0) answered with `stopWith`
    int stopWith = 0;
};

int ZELT_CDECL RecordProgress(int percent, void *data) {
    auto *log = static_cast<ProgressLog *>(data);
    log->calls.push_back(percent);
    return int(log->calls.size()) - 1 == log->stopAtCall ? log->stopWith : STATUS_OK;
}

struct CallbackScope {
    explicit CallbackScope(ProgressLog *log) { KrnSetStatusCallback(&RecordProgress, log); }
    ~CallbackScope() { KrnSetStatusCallback(nullptr, nullptr); }
};

// 0 first, then floor(100 * rows done / rows) whenever it changes; an
// answer other than 1 stops the work with that status and leaves the source.
TEST_F(Halftone, ReportsProgressAndStopsWhenTheCallbackSaysSo) {
    for (int height : {1, 3, 7, 50, 100, 101, 300, 333}) {
        ProgressLog log;
        CallbackScope scope(&log);
        ScopedBitmap bitmap;
        ASSERT_EQ(CreateBitmap(bitmap.get(), 5, height, 24), STATUS_OK);
        ASSERT_EQ(Z_HalfToneBitmapExt(bitmap.get(), HALFTONE_DISPERSE, 3000), STATUS_OK);
        std::vector<int> expected = {0};
        for (int k = 1; k <= height; ++k)
            if (100 * k / height != 100 * (k - 1) / height) expected.push_back(100 * k / height);
        EXPECT_EQ(log.calls, expected) << height << " rows";
    }
    for (int stopAt : {0, 1, 9}) {
        std::mt19937 rng{unsigned(stopAt)};
        BitmapRecord bitmap = RandomBitmap({4, 0}, 23, 10, rng, 2);
        const RECT box = {2, 1, 9, 8};
        ASSERT_EQ(Z_SetBitmapRgnRect(&bitmap, nullptr, &box, RGNMODE_SET), STATUS_OK);
        const BitmapRecord before = bitmap;
        const std::vector<BYTE> data = DataOf(bitmap);
        ProgressLog log{{}, stopAt, stopAt == 1 ? 0 : -77};
        {
            CallbackScope scope(&log);
            EXPECT_EQ(Z_HalfToneBitmap(&bitmap, HALFTONE_CLUSTER), log.stopWith) << "stop at call " << stopAt;
        }
        EXPECT_EQ(int(log.calls.size()), stopAt + 1);
        EXPECT_TRUE(SameBytes(bitmap, before) && DataOf(bitmap) == data) << "stop at call " << stopAt;
        KrnFreeBitmap(&bitmap);
    }
}

TEST_F(Halftone, RejectsBadArgumentsWithoutTouchingTheRecord) {
    BitmapRecord empty{};
    EXPECT_EQ(Z_HalfToneBitmap(nullptr, HALFTONE_CLUSTER), STATUS_NO_BITMAP);
    EXPECT_EQ(Z_HalfToneBitmapExt(&empty, 7, 100), STATUS_NO_BITMAP);
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 9, 4, 4), STATUS_OK);
    const BitmapRecord before = bitmap.record;
    for (UINT type : {2u, 0xFFFFFFFFu})
        EXPECT_EQ(Z_HalfToneBitmap(bitmap.get(), type) + Z_HalfToneBitmapExt(bitmap.get(), type, 0), 2 * STATUS_BAD_PARAMETER);
    // More colours in use than the palette holds, or no palette at all.
    for (LONG count : {17, 300}) {
        bitmap->ColorCount = count;
        EXPECT_EQ(Z_HalfToneBitmap(bitmap.get(), HALFTONE_CLUSTER), STATUS_NO_BITMAP) << count;
    }
    bitmap->ColorCount = before.ColorCount;
    bitmap->Palette = nullptr;
    EXPECT_EQ(Z_HalfToneBitmapExt(bitmap.get(), HALFTONE_DISPERSE, 4500), STATUS_NO_BITMAP);
    bitmap->Palette = before.Palette;
    EXPECT_TRUE(SameBytes(bitmap.record, before));
}

TEST_F(Halftone, AllocationFailuresLeaveTheSourceUntouched) {
    ZELT_REQUIRE_HOST_CONTROLS("allocation failure injection");
    for (const Layout &layout : {Layout{4, 0}, Layout{24, 1}, Layout{16, 2}}) {
        std::mt19937 rng{unsigned(layout.bits)};
        BitmapRecord original = RandomBitmap(layout, 21, 6, rng, 5);
        const RECT box = {1, 1, 12, 5};
        ASSERT_EQ(Z_SetBitmapRgnRect(&original, nullptr, &box, RGNMODE_SET), STATUS_OK);
        const std::vector<BYTE> data = DataOf(original);
        // Each run works on a shallow copy, so a success frees nothing of the original.
        BitmapRecord work{}, copied{};
        int status = 0;
        bool untouched = false;
        const long allocations = ForEachAllocationFailure(
            [&] {
                KrnCopyBitmapRecord(&work, &original);
                copied = work;
                status = Z_HalfToneBitmapExt(&work, HALFTONE_CLUSTER, 1500);
                untouched = SameBytes(work, copied);
                work.Region = nullptr;
                (status == STATUS_OK ? KrnFreeBitmap : KrnReleaseBitmapRecord)(&work);
            },
            [&](long failedAt) {
                EXPECT_EQ(status, STATUS_NO_MEMORY) << layout.Name() << " allocation " << failedAt;
                EXPECT_TRUE(untouched) << layout.Name() << " allocation " << failedAt;
                EXPECT_EQ(DataOf(original), data) << layout.Name();
            });
        // The output record, the two row buffers, the image with its table and palette.
        EXPECT_GE(allocations, 5) << layout.Name();
        KrnFreeBitmap(&original);
    }
}

}  // namespace
}  // namespace zelt::test
