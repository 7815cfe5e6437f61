// Indexed rows stored into an indexed destination of the same depth: with
// the same colours the indices come through unchanged (the raw route),
// with the colours permuted each index becomes the one of its colour.
// Seeded random rows, offsets and widths; pixels outside the span and the
// guard bytes stay as they were.
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gdi/dib_transfer.h"
#include "gdi/pixel_format.h"
#include "gdi/surface.h"
#include "platform/gdi_dib_support.h"

namespace zelt::test {
namespace {

using platform::PixelFormatId;
using platform::Surface;

unsigned IndexAt(const std::vector<BYTE> &row, int x, int bits) {
    const int bit = x * bits;
    return (row[static_cast<std::size_t>(bit / 8)] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

struct IndexCase {
    PixelFormatId format;
    int bits;
};

TEST(DibTransferIndices, SameDepthStoresMapEveryIndexByItsColour) {
    const IndexCase cases[] = {{PixelFormatId::Index1, 1}, {PixelFormatId::Index4, 4}, {PixelFormatId::Index8, 8}};
    for (const IndexCase &c : cases) {
        for (int permuted = 0; permuted < 2; ++permuted) {
            for (int width = 1; width <= 70; width += (width < 20 ? 1 : 5)) {
                const int seed = c.bits * 10000 + permuted * 1000 + width;
                std::mt19937 random(static_cast<unsigned>(seed));
                const int entries = 1 << c.bits;
                // Destination entry k holds source colour order[k].
                std::vector<int> order(static_cast<std::size_t>(entries));
                std::iota(order.begin(), order.end(), 0);
                if (permuted) std::shuffle(order.begin(), order.end(), random);
                const int stride = DibStride(width, c.bits);
                std::vector<BYTE> sourceRow(static_cast<std::size_t>(stride) + 8), before(sourceRow.size());
                for (BYTE &b : sourceRow) b = static_cast<BYTE>(random());
                for (BYTE &b : before) b = static_cast<BYTE>(random());
                std::vector<BYTE> destinationRow = before;
                Surface source, destination;
                platform::DescribeSurface(source, c.format, width, -1, sourceRow.data(), stride);
                platform::DescribeSurface(destination, c.format, width, -1, destinationRow.data(), stride);
                source.tableSize = destination.tableSize = entries;
                for (int i = 0; i < entries; ++i) {
                    // Distinct colours, so every colour has one exact match.
                    const auto colour = [](int k) { return RGBQUAD{BYTE(k), BYTE(255 - k), BYTE(k * 7), 0}; };
                    source.table[i] = colour(i);
                    destination.table[i] = colour(order[static_cast<std::size_t>(i)]);
                }
                platform::PixelConverter converter;
                ASSERT_TRUE(converter.Init(source, destination));
                const int dx = static_cast<int>(random() % static_cast<unsigned>(width));
                const int count = width - dx;
                const int sx = static_cast<int>(random() % static_cast<unsigned>(width - count + 1));
                converter.Store(sourceRow.data(), sx, destinationRow.data(), dx, count);

                std::vector<int> inverse(static_cast<std::size_t>(entries));
                for (int k = 0; k < entries; ++k) inverse[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])] = k;
                const std::string label = "bits " + std::to_string(c.bits) + " permuted " + std::to_string(permuted) +
                                          " width " + std::to_string(width) + " seed " + std::to_string(seed);
                for (int x = 0; x < width; ++x) {
                    const bool stored = x >= dx;
                    const unsigned want = stored ? static_cast<unsigned>(inverse[IndexAt(sourceRow, sx + x - dx, c.bits)])
                                                 : IndexAt(before, x, c.bits);
                    ASSERT_EQ(IndexAt(destinationRow, x, c.bits), want) << label << " pixel " << x;
                }
                for (std::size_t b = static_cast<std::size_t>(stride); b < before.size(); ++b)
                    ASSERT_EQ(destinationRow[b], before[b]) << label << ": guard byte " << b;
            }
        }
    }
}

}  // namespace
}  // namespace zelt::test
