// Row transfer: whole rows, rows from a column, segments, and the checks.
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "kernel/pixel_oracle.h"
#include "support/leak_guard.h"
#include "zelt/kernel.h"

namespace {

using namespace zelt::test;

class KernelRows : public LeakCheckedTest {
protected:
    void Create(const Layout &layout, int width, int height) {
        ASSERT_EQ(KrnCreateBitmap(&bitmap_, KRN_MEMORY_CONVENTIONAL, width, height, layout.bits, layout.order, nullptr, 0,
                                  nullptr, 0),
                  STATUS_OK);
    }
    void TearDown() override {
        KrnFreeBitmap(&bitmap_);
        LeakCheckedTest::TearDown();
    }
    BitmapRecord bitmap_{};
};

TEST_F(KernelRows, RowsRoundTripAndRowColReturnsTheTailFromEveryColumn) {
    for (const Layout &layout : AllLayouts()) {
        const int width = 37, height = 5;
        Create(layout, width, height);
        std::mt19937 rng(static_cast<unsigned>(layout.bits * 10 + layout.order));
        const DWORD stride = static_cast<DWORD>(bitmap_.BytesPerLine);
        ASSERT_EQ(stride, RowBytes(width, layout.bits)) << layout.Name();
        std::vector<std::vector<BYTE>> rows;
        for (int y = 0; y < height; ++y) {
            rows.push_back(RandomBytes(rng, stride));
            ASSERT_EQ(KrnPutBitmapRow(&bitmap_, rows.back().data(), y, stride + 10), int(stride)) << layout.Name();
        }
        for (int y = 0; y < height; ++y) {
            std::vector<BYTE> back(stride + 8, 0xEE);
            ASSERT_EQ(KrnGetBitmapRow(&bitmap_, back.data(), y, stride + 8), int(stride));
            ASSERT_EQ(0, std::memcmp(back.data(), rows[y].data(), stride)) << layout.Name() << " row " << y;
            EXPECT_EQ(back[stride], 0xEE);
            ASSERT_EQ(KrnGetBitmapRow(&bitmap_, back.data(), y, 3), 3);
            for (int column = 0; column < width; ++column) {
                const std::size_t offset = std::size_t(column) * layout.bits / 8;
                std::vector<BYTE> tail(stride, 0xEE);
                ASSERT_EQ(KrnGetBitmapRowCol(&bitmap_, tail.data(), y, column, stride), int(stride - offset));
                ASSERT_EQ(0, std::memcmp(tail.data(), rows[y].data() + offset, stride - offset))
                    << layout.Name() << " row " << y << " column " << column;
                ASSERT_EQ(KrnGetBitmapRowCol(&bitmap_, tail.data(), y, column, 2), int(std::min<std::size_t>(2, stride - offset)));
            }
        }
        KrnFreeBitmap(&bitmap_);
    }
}

TEST_F(KernelRows, SegmentsStoreOnlyTheirPixels) {
    for (const Layout &layout : AllLayouts()) {
        for (int seed = 0; seed < 20; ++seed) {
            std::mt19937 rng(static_cast<unsigned>(seed * 131 + layout.bits * 7 + layout.order));
            const int width = 1 + static_cast<int>(rng() % 70);
            Create(layout, width, 2);
            const DWORD stride = static_cast<DWORD>(bitmap_.BytesPerLine);
            const auto before = RandomBytes(rng, stride);
            ASSERT_EQ(KrnPutBitmapRow(&bitmap_, before.data(), 1, stride), int(stride));
            // The buffer may start at a later column that begins a byte.
            const int step = layout.bits % 8 == 0 ? 1 : (layout.bits == 12 ? 2 : 8);
            const int bufferColumn = step * static_cast<int>(rng() % ((width + step - 1) / step));
            const auto whole = RandomBytes(rng, stride);
            const std::size_t bufferByte = std::size_t(bufferColumn) * layout.bits / 8;
            std::vector<BYTE> buffer(whole.begin() + bufferByte, whole.end());
            std::vector<int> segments;
            const int count = static_cast<int>(rng() % 4);
            for (int i = 0; i < count; ++i) {
                const int a = static_cast<int>(rng() % (width + 3)) - 1, b = static_cast<int>(rng() % (width + 3)) - 1;
                segments.push_back(std::min(a, b));
                segments.push_back(std::max(a, b) + static_cast<int>(rng() % 2));
            }
            const int wholeRow = static_cast<int>(rng() % 2);
            SCOPED_TRACE(layout.Name() + ", case " + std::to_string(seed) + ", width " + std::to_string(width) +
                         ", buffer column " + std::to_string(bufferColumn));
            ASSERT_EQ(KrnPutBitmapRowSegments(&bitmap_, buffer.data(), 1, bufferColumn, segments.data(), count, wholeRow),
                      STATUS_OK);
            std::vector<BYTE> after(stride);
            ASSERT_EQ(KrnGetBitmapRow(&bitmap_, after.data(), 1, stride), int(stride));
            for (int x = 0; x < width; ++x) {
                bool inside = count == 0 && wholeRow && x >= bufferColumn;
                for (int i = 0; i < count; ++i) inside |= x >= segments[2 * i] && x < segments[2 * i + 1] && x >= bufferColumn;
                const auto expected = OracleRead(inside ? whole.data() : before.data(), x, layout.bits);
                ASSERT_EQ(OracleRead(after.data(), x, layout.bits), expected) << "pixel " << x << (inside ? " inside" : " outside");
            }
            KrnFreeBitmap(&bitmap_);
        }
    }
}

TEST_F(KernelRows, ChecksTheRecordFirstThenTheArguments) {
    BYTE buffer[64] = {};
    BitmapRecord described{};
    ASSERT_EQ(KrnInitBitmapRecord(&described, 4, 4, 8), STATUS_OK);
    Create({8, 0}, 4, 3);
    struct Case {
        const char *what;
        BitmapRecord *bitmap;
        BYTE *buffer;
        int row, column;
        int expected;
    } cases[] = {
        {"null record", nullptr, buffer, 0, 0, STATUS_NO_BITMAP},
        {"record without data", &described, buffer, 0, 0, STATUS_NO_BITMAP},
        {"null record and null buffer", nullptr, nullptr, 0, 0, STATUS_NO_BITMAP},
        {"null buffer", &bitmap_, nullptr, 0, 0, STATUS_BAD_PARAMETER},
        {"negative row", &bitmap_, buffer, -1, 0, STATUS_BAD_PARAMETER},
        {"row past the end", &bitmap_, buffer, 3, 0, STATUS_BAD_PARAMETER},
        {"negative column", &bitmap_, buffer, 0, -1, STATUS_BAD_PARAMETER},
        {"column past the end", &bitmap_, buffer, 0, 4, STATUS_BAD_PARAMETER},
    };
    for (const Case &c : cases) {
        const bool columnCase = c.column != 0;
        if (!columnCase) {
            EXPECT_EQ(KrnGetBitmapRow(c.bitmap, c.buffer, c.row, 4), c.expected) << c.what;
            EXPECT_EQ(KrnPutBitmapRow(c.bitmap, c.buffer, c.row, 4), c.expected) << c.what;
            EXPECT_EQ(KrnPutBitmapRowSegments(c.bitmap, c.buffer, c.row, 0, nullptr, 0, 1), c.expected) << c.what;
        }
        EXPECT_EQ(KrnGetBitmapRowCol(c.bitmap, c.buffer, c.row, c.column, 4), c.expected) << c.what;
    }
    const int segment[2] = {0, 1};
    EXPECT_EQ(KrnPutBitmapRowSegments(&bitmap_, buffer, 0, 0, nullptr, 1, 0), STATUS_BAD_PARAMETER);
    EXPECT_EQ(KrnPutBitmapRowSegments(&bitmap_, buffer, 0, 0, segment, -1, 0), STATUS_BAD_PARAMETER);
    KrnFreeBitmap(&bitmap_);
    Create({4, 0}, 9, 1);
    EXPECT_EQ(KrnPutBitmapRowSegments(&bitmap_, buffer, 0, 1, segment, 1, 0), STATUS_BAD_PARAMETER) << "column inside a byte";
}

TEST(RowBufferSize, IsTheLargerDwordAlignedRow) {
    struct Case {
        int width, bits, otherWidth, otherBits;
        DWORD expected;
    } cases[] = {
        {1, 1, 1, 24, 4},      {33, 1, 0, 0, 8},     {10, 24, 10, 32, 40},  {10, 64, 10, 24, 80},
        {3, 12, 3, 24, 12},    {5, 3, 0, 24, 4},     {0, 8, 0, 8, 0},       {-4, 8, 2, 8, 4},
        {0x7FFFFFFF, 64, 1, 8, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(KrnGetRowBufferSize(c.width, c.bits, c.otherWidth, c.otherBits), c.expected)
            << c.width << "x" << c.bits << ", " << c.otherWidth << "x" << c.otherBits;
    }
}

}  // namespace
