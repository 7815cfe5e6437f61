// The kernel's smaller services: palettes, bitmap lists against a vector
// model, raw files, memory, thread slots, the status callback, the region
// services table, fixed-point trigonometry and the cell threshold.
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <thread>

#include <gtest/gtest.h>

#include "support/bitmap_model.h"
#include "support/host_controls.h"
#include "support/leak_guard.h"

namespace {

using namespace zelt::test;

class KernelServices : public LeakCheckedTest {};

TEST_F(KernelServices, PalettesKeepTheirColoursAndDevicesTheirTables) {
    for (int testCase = 0; testCase < 40; ++testCase) {
        std::mt19937 rng(static_cast<unsigned>(testCase));
        const int count = 1 + int(rng() % 256), i = int(rng() % count);
        auto colors = RandomPalette(rng, count);
        BitmapRecord bitmap{};
        colors[i].rgbReserved = 99;  // not kept, not compared
        HPALETTE palette = KrnCreatePaletteFromColors(colors.data(), count);
        bitmap.Palette = KrnCreatePaletteCopy(palette);
        DeleteObject(palette);
        EXPECT_NE(KrnPaletteMatches(bitmap.Palette, colors.data(), count), 0) << testCase;
        colors[i].rgbReserved = 0;
        ASSERT_EQ(std::memcmp(ColorsOf(bitmap).data(), colors.data(), 4 * std::size_t(count)), 0) << testCase;
        EXPECT_EQ(KrnPaletteMatches(bitmap.Palette, colors.data(), count - 1), 0) << "the palette is longer";
        colors[i].rgbRed ^= 1 << (rng() % 8), colors[i].rgbBlue ^= BYTE(rng() % 2);
        EXPECT_EQ(KrnPaletteMatches(bitmap.Palette, colors.data(), count), 0) << "entry " << i;
        std::vector<RGBQUAD> part(std::size_t(count) + 1);  // from the middle, clipped at the end
        EXPECT_EQ(KrnGetBitmapColors(&bitmap, i, count, part.data()), count - i);
        EXPECT_EQ(std::memcmp(part.data(), &ColorsOf(bitmap)[i], 4), 0);
        DeleteObject(bitmap.Palette);
    }
    RGBQUAD color;
    EXPECT_EQ(KrnGetBitmapColors(nullptr, 0, 1, &color) + KrnGetPaletteColors(nullptr, 0, 1, &color), 0);
    for (int bits : {1, 2, 4, 8, 24}) {
        HPALETTE palette = KrnCreateDevicePalette(bits);
        EXPECT_NE(KrnPaletteMatches(palette, DeviceTable(bits).data(), int(DeviceTable(bits).size())), 0)
            << bits << " bits";
        DeleteObject(palette);
    }
    for (int bits : {0, 3, 5, 7, -1}) EXPECT_EQ(KrnCreateDevicePalette(bits), nullptr) << bits;
    // The screen's: the system palette on a palette device, else the 8-bit device table.
    // Windows keeps its screen's depth: only that depth is checked there.
    if (kHostControls) {
        ASSERT_TRUE(ZeltHostConfigureScreen(640, 480, 8));
    }
    const int hostDepth = ScreenBitsPerPixel();
    HDC screen = GetDC(nullptr);
    std::vector<RGBQUAD> system(256);
    // A screen without a palette has no system palette entries to give.
    ASSERT_EQ(GetSystemPaletteEntries(screen, 0, 256, reinterpret_cast<PALETTEENTRY *>(system.data())),
              hostDepth == 8 ? 256u : 0u);
    ReleaseDC(nullptr, screen);
    for (RGBQUAD &e : system) std::swap(e.rgbRed, e.rgbBlue), e.rgbReserved = 0;  // entries are red first
    for (const auto &[depth, colors] : {std::pair{8, system}, {32, DeviceTable(8)}}) {
        if (kHostControls) {
            ASSERT_TRUE(ZeltHostConfigureScreen(1024, 768, depth));
        }
        if (!kHostControls && (depth == 8) != (hostDepth == 8)) continue;
        HPALETTE palette = KrnCreateScreenPalette();
        EXPECT_NE(KrnPaletteMatches(palette, colors.data(), 256), 0) << depth << "-bit screen";
        DeleteObject(palette);
    }
}

TEST_F(KernelServices, BitmapListsFollowAVectorModelAndOwnTheirImages) {
    for (int testCase = 0; testCase < 30; ++testCase) {
        std::mt19937 rng(static_cast<unsigned>(testCase));
        HBITMAPLIST list = nullptr;
        ASSERT_EQ(KrnCreateBitmapList(&list), STATUS_OK);
        std::vector<DWORD> model;  // items told apart by their Delay
        for (int step = 0; step < 100; ++step) {
            const int count = int(model.size()), index = int(rng() % (count + 1)), action = int(rng() % 4);
            BitmapRecord item = {.Delay = DWORD(rng())};
            if (action == 0) {  // an item of the list itself, read by value, inserted anywhere
                ASSERT_EQ(index < count ? KrnGetBitmapListItem(list, index, &item) : 1, STATUS_OK);
                ASSERT_EQ(KrnInsertBitmapListItem(list, index == count && rng() % 2 ? -1 : index, &item), 1);
                model.insert(model.begin() + index, item.Delay);
            } else if (action == 1 && index < count) {
                ASSERT_EQ(KrnSetBitmapListItem(list, index, &item), STATUS_OK);
                model[std::size_t(index)] = item.Delay;
            } else if (action == 2 && index < count) {
                ASSERT_EQ(KrnGetBitmapListItem(list, index, &item), STATUS_OK);
                ASSERT_EQ(item.Delay, model[std::size_t(index)]) << "case " << testCase << " item " << index;
            } else if (action == 3) {
                EXPECT_EQ(KrnGetBitmapListItem(list, count, &item) + KrnSetBitmapListItem(list, -1, &item) +
                              KrnInsertBitmapListItem(list, count + 1, &item) +
                              KrnInsertBitmapListItem(list, -2, &item),
                          4 * STATUS_BAD_PARAMETER);
            }
            ASSERT_EQ(KrnGetBitmapListCount(list), model.size());
        }
        EXPECT_EQ(KrnDestroyBitmapList(list), STATUS_OK);
    }
    // A listed copy read back, used, reset and written back keeps the image;
    // destroying the list frees it (the leak check sees that).
    HBITMAPLIST list = nullptr;
    std::mt19937 rng(1);
    ASSERT_EQ(KrnCreateBitmapList(&list), STATUS_OK);
    for (int bits : {1, 8, 24}) {
        const BitmapRecord frame = RandomBitmap({bits, 1}, 5, 4, rng);
        ASSERT_EQ(KrnInsertBitmapListItem(list, -1, &frame), STATUS_OK);
    }
    BitmapRecord item{};
    ASSERT_EQ(KrnGetBitmapListItem(list, 1, &item), STATUS_OK);
    ASSERT_EQ(KrnAccessBitmap(&item), KrnLockBitmapData(&item));
    ASSERT_EQ(KrnResetListedBitmap(&item), STATUS_OK);
    EXPECT_EQ(item.AccessCount * 10 + item.LockCount + (item.Flags & BITMAP_ALLOCATED), 1u);
    ASSERT_EQ(KrnSetBitmapListItem(list, 1, &item), STATUS_OK);
    EXPECT_EQ(KrnDestroyBitmapList(list), KrnDestroyBitmapList(nullptr));
}

TEST(KernelFiles, WrittenBytesReadBackAtEveryPosition) {
    const std::string path = (std::filesystem::temp_directory_path() / "zelt_kernel_files_test").string();
    std::mt19937 rng(7);
    auto bytes = RandomBytes(rng, 5000);
    int file = KrnOpenFile(path.c_str(), KRN_FILE_WRITE | KRN_FILE_CREATE | KRN_FILE_TRUNCATE | KRN_FILE_BINARY,
                           KRN_FILE_MODE_READ | KRN_FILE_MODE_WRITE);
    EXPECT_EQ(KrnWriteFile(file, bytes.data(), 3000), 3000);
    EXPECT_EQ(KrnWriteFile(file, bytes.data() + 3000, 2000), 2000);
    EXPECT_EQ(KrnCloseFile(file), 0);
    file = KrnOpenFile(path.c_str(), KRN_FILE_READWRITE | KRN_FILE_BINARY, 0);
    EXPECT_EQ(KrnSeekFile(file, 0, SEEK_END), 5000);
    for (int testCase = 0; testCase < 50; ++testCase) {  // a byte written in place at random, then read back
        const LONG position = LONG(rng() % 5000);
        std::vector<BYTE> got(rng() % 200);
        bytes[std::size_t(position)] = BYTE(rng());
        ASSERT_EQ(KrnSeekFile(file, position, SEEK_SET), position);
        ASSERT_EQ(KrnWriteFile(file, &bytes[std::size_t(position)], 1), 1);
        ASSERT_EQ(KrnSeekFile(file, position, SEEK_SET), position);
        const int read = KrnReadFile(file, got.data(), UINT(got.size()));
        ASSERT_EQ(read, int(std::min<std::size_t>(got.size(), 5000 - position))) << "case " << testCase;
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + read, bytes.begin() + position)) << "case " << testCase;
        EXPECT_EQ(KrnSeekFile(file, 0, SEEK_CUR), position + read);
    }
    EXPECT_EQ(KrnSeekFile(file, -1, SEEK_SET) + KrnSeekFile(file, 0, 7), -2);
    EXPECT_EQ(KrnCloseFile(file), 0);
    for (int flags : {KRN_FILE_READ, KRN_FILE_WRITE | KRN_FILE_TRUNCATE}) {  // read only: no writes; truncated: empty
        file = KrnOpenFile(path.c_str(), flags, 0);
        EXPECT_EQ(KrnSeekFile(file, 0, SEEK_END), flags ? 0 : 5000);
        EXPECT_EQ(KrnWriteFile(file, bytes.data(), 1), flags ? 1 : -1);
        KrnCloseFile(file);
    }
    std::filesystem::remove(path);
    EXPECT_EQ(KrnOpenFile(path.c_str(), KRN_FILE_READ, 0) + KrnOpenFile(nullptr, KRN_FILE_READ, 0), -2);
    EXPECT_EQ(KrnOpenFile(path.c_str(), 3, 0), -1) << "no such access mode";
    EXPECT_EQ(KrnSeekFile(-1, 0, SEEK_SET) + KrnReadFile(-1, nullptr, 0) + KrnCloseFile(-1), -3);
}

int ZELT_CDECL Callback(int, void *) { return STATUS_OK; }

TEST(KernelThreads, SlotsAndStatusCallbacksArePerThread) {
    const DWORD slot = KrnAllocThreadSlot();
    int here = 0, there = 0;
    void *seen[4] = {&here, &here, &here, &here}, *user = nullptr;
    EXPECT_TRUE(KrnGetThreadSlot(slot) == nullptr && KrnSetThreadSlot(slot, &here));
    ASSERT_EQ(KrnSetStatusCallback(Callback, &there), STATUS_OK);
    std::thread([&] {
        seen[0] = KrnGetThreadSlot(slot);
        KrnSetThreadSlot(slot, &there);
        seen[1] = KrnGetThreadSlot(slot);
        seen[2] = reinterpret_cast<void *>(KrnGetStatusCallback(&seen[3]));
        KrnSetStatusCallback(Callback, nullptr);
    }).join();
    EXPECT_EQ(std::vector<void *>(seen, seen + 4), (std::vector<void *>{nullptr, &there, nullptr, nullptr}));
    EXPECT_TRUE(KrnGetThreadSlot(slot) == &here && KrnGetStatusCallback(&user) == Callback && user == &there);
    EXPECT_EQ(KrnGetStatusCallback(nullptr), Callback);
    KrnSetStatusCallback(nullptr, nullptr);
    EXPECT_TRUE(KrnGetStatusCallback(&user) == nullptr && user == nullptr);
    EXPECT_TRUE(KrnFreeThreadSlot(slot));
    EXPECT_FALSE(KrnGetThreadSlot(KRN_INVALID_SLOT) || KrnSetThreadSlot(KRN_INVALID_SLOT, &here) ||
                 KrnFreeThreadSlot(KRN_INVALID_SLOT));
}

template <int N>
void ZELT_API Service() {}

TEST_F(KernelServices, RegionServicesAreCopiedAndEmptyRegionsFreed) {
    std::array<KRNSERVICEPROC, KRN_REGION_SERVICE_COUNT> table{};
    table[KRN_RGN_FLIP_HORZ] = Service<0>, table[KRN_RGN_COPY] = Service<8>, table[KRN_RGN_SET_LIST_ITEM] = Service<22>;
    ASSERT_EQ(KrnRegisterRegionServices(table.data()), STATUS_OK);
    const auto registered = table;
    table.fill(Service<99>);  // the caller's table may be gone after registration
    for (int i = -1; i <= KRN_REGION_SERVICE_COUNT; ++i)
        EXPECT_EQ(KrnGetRegionService(i), i >= 0 && i < KRN_REGION_SERVICE_COUNT ? registered[i] : nullptr) << i;
    ASSERT_EQ(KrnRegisterRegionServices(nullptr), STATUS_OK);
    for (int i = 0; i < KRN_REGION_SERVICE_COUNT; ++i) EXPECT_EQ(KrnGetRegionService(i), nullptr) << i;
    KrnFreeRegion(nullptr), KrnFreeMem(nullptr);                                       // both harmless
    KrnFreeRegion(static_cast<RegionRecord *>(KrnAllocZeroed(sizeof(RegionRecord))));  // the leak check sees it gone
}

// Rounded to the nearest integer: within 1 of the real value, exact at quarter
// turns, and keeping the symmetries exactly.
TEST(KernelTrig, RoundedFixedPoint) {
    auto closeTo = [](LONG a, LONG fixed, bool sine) {
        const double radians = double(a % 36000) * std::numbers::pi / 18000.0;
        return std::fabs(fixed - (sine ? std::sin(radians) : std::cos(radians)) * 16384.0) <= (a % 9000 ? 1.0 : 1e-9);
    };
    for (LONG a = -81000; a <= 81000; a += 9000)
        ASSERT_TRUE(closeTo(a, KrnCosFixed(a), false) && closeTo(a, KrnSinFixed(a), true)) << a;
    for (LONG a = -80000; a <= 80000; a += 7)
        ASSERT_TRUE(closeTo(a, KrnCosFixed(a), false) && closeTo(a, KrnSinFixed(a), true) &&
                    KrnCosFixed(-a) == KrnCosFixed(a) && KrnSinFixed(-a) == -KrnSinFixed(a) &&
                    KrnSinFixed(a) == KrnCosFixed(9000 - a))
            << a;
    for (LONG a : {INT_MIN, INT_MIN + 1, INT_MAX - 1, INT_MAX})
        EXPECT_TRUE(closeTo(a, KrnCosFixed(a), false) && closeTo(a, KrnSinFixed(a), true)) << a;
    EXPECT_EQ(KrnCosFixed(6000) * 100000 + KrnCosFixed(4500), 8192 * 100000 + 11585);
}

TEST(CellThreshold, IsTheIntegerSquareRoot) {
    std::mt19937 rng(1);
    for (int c = -10; c < 3000; ++c) {
        const int area = c < 1000 ? c : c == 1000 ? INT_MAX : int(rng() % INT_MAX) + 1;
        const long long t = KrnCellThreshold(area);
        ASSERT_TRUE(area < 1 ? t == 1 : t * t <= area && (t + 1) * (t + 1) > area) << "area " << area << " gives " << t;
    }
}

}  // namespace
