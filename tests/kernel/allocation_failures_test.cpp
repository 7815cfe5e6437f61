// Every allocating operation of the kernel run once per allocation it makes,
// with exactly that allocation failing: it reports STATUS_NO_MEMORY, nothing
// leaks, the sources stay as they were, and the caller's record is cleared or
// not written at all, as documented.
#include <functional>
#include <random>

#include <gtest/gtest.h>

#include "region_fixture.h"
#include "support/host_controls.h"
#include "support/bitmap_model.h"
#include "support/leak_guard.h"

namespace {

using namespace zelt::test;

enum class OnFailure { Cleared, Unwritten, UnwrittenWithData };

struct Operation {
    const char *name;
    BitmapRecord initial;
    OnFailure onFailure;
    std::function<int(BitmapRecord &)> run;  // frees what it made when it succeeds
};

int Made(const void *handle, const std::function<void()> &free) {
    if (handle != nullptr) free();
    return handle != nullptr ? STATUS_OK : STATUS_NO_MEMORY;
}

int MadeRecord(int status, BitmapRecord &r) {
    if (status == STATUS_OK) KrnFreeBitmap(&r);
    return status;
}

// Eight items and a ninth inserted at 2 (the list grows): a failure keeps the items inserted so far.
int GrowList(BitmapRecord &) {
    HBITMAPLIST list = reinterpret_cast<HBITMAPLIST>(1);
    int status = KrnCreateBitmapList(&list), inserted = 0;
    for (BitmapRecord item{}; inserted < 9 && status == STATUS_OK; ++inserted, ++item.Delay)
        status = KrnInsertBitmapListItem(list, inserted == 8 ? 2 : -1, &item);
    EXPECT_EQ(KrnGetBitmapListCount(list), UINT(status == STATUS_OK ? 9 : std::max(inserted - 1, 0)));
    for (int i = 0; status != STATUS_OK && i + 1 < inserted; ++i) {
        BitmapRecord item{};
        EXPECT_EQ(KrnGetBitmapListItem(list, i, &item), STATUS_OK);
        EXPECT_EQ(item.Delay, DWORD(i)) << "item " << i;
    }
    KrnDestroyBitmapList(list);
    return status;
}

// A zeroed block grown: when that fails the old block is kept, else its contents move along.
int GrowBlock(BitmapRecord &) {
    auto *block = static_cast<BYTE *>(KrnAllocZeroed(4096));
    if (block == nullptr) return STATUS_NO_MEMORY;
    EXPECT_EQ(std::vector<BYTE>(block, block + 4096), std::vector<BYTE>(4096));
    for (int i = 0; i < 4096; ++i) block[i] = BYTE(i * 7);
    auto *grown = static_cast<BYTE *>(KrnReallocMem(block, 1 << 20));
    for (int i = 0; i < 4096; ++i) EXPECT_EQ((grown ? grown : block)[i], BYTE(i * 7)) << "byte " << i;
    KrnFreeMem(grown != nullptr ? grown : block);
    return grown != nullptr ? STATUS_OK : STATUS_NO_MEMORY;
}

int Reduce(const BitmapRecord &source, const std::vector<RGBQUAD> &colors, UINT flags) {
    HKRNREDUCE h = nullptr;
    int status = KrnStartColorReduce(&source, 45, 10, 8, colors.data(), 200, flags, nullptr, nullptr, &h);
    std::vector<BYTE> out(48);
    for (int i = 0; i < 3 && status == STATUS_OK; ++i) status = KrnReduceRow(h, out.data(), i, 0, 45);
    KrnEndColorReduce(h);
    return status;
}

using AllocationFailures = RegionServicesTest;

TEST_F(AllocationFailures, EveryAllocatingOperationIsAllOrNothing) {
    ZELT_REQUIRE_HOST_CONTROLS("failing each allocation of every kernel operation");
    FakeRegionServices::Register(false);
    std::mt19937 rng(21);
    std::vector<BitmapRecord> sources;  // 8 bits with tables and a region, then one per conversion source layout
    for (const Layout &layout : {Layout{8, 0}, {24, 1}, {24, 0}, {32, 1}, {16, 2}, {48, 1}, {5, 0}, {12, 2}})
        sources.push_back(RandomBitmap(layout, 12, 9, rng, 4));
    BitmapRecord &rich = sources[0], described{}, derived{}, canvas = RandomBitmap({4, 0}, 21, 6, rng);
    rich.Region = MakeRectRegion(RECT{1, 1, 12, 9});
    rich.LevelLut = static_cast<RGBQUAD *>(KrnAllocZeroed(16 * sizeof(RGBQUAD))), rich.LevelLutLength = 16;
    ASSERT_EQ(KrnInitBitmapRecord(&described, 7, 5, 4), STATUS_OK);
    ASSERT_EQ(KrnInitBitmapFrom(&derived, &rich, 3, 3, 8, 0), STATUS_OK);
    derived.Palette = nullptr, derived.ColorCount = 0;  // so that allocation makes a palette too
    canvas.Region = MakeRunRegion({{0, 3, 5, 9}, {}, {2, 30}, {-1, 4}}, 1);
    auto data = RandomBytes(rng, 64);
    const auto colors = RandomPalette(rng, 256);
    BITMAPINFOHEADER header{40, 5, 3, 1, 8};
    std::vector<BYTE> dib(reinterpret_cast<BYTE *>(&header), reinterpret_cast<BYTE *>(&header + 1));
    dib.resize(dib.size() + 1024 + 24, 7);
    auto convert = [&](int source, int bits, UINT flags) {
        return [&, source, bits, flags](BitmapRecord &r) {
            return MadeRecord(KrnConvertColorRes(&sources[source], &r, bits, flags, colors.data(), nullptr, 200, 0, 0),
                              r);
        };
    };
    auto toDib = [](BitmapRecord &r) {
        HGLOBAL dib = KrnConvertToDib(&r);
        return Made(dib, [&] { GlobalFree(dib); });
    };
    auto palette = [](HPALETTE made) { return Made(made, [&] { DeleteObject(made); }); };
    const Operation operations[] = {
        {"AllocBitmapData", described, OnFailure::Unwritten,
         [](BitmapRecord &r) { return MadeRecord(KrnAllocBitmapData(&r, 0), r); }},
        {"AllocBitmapData, shared tables", derived, OnFailure::Unwritten,
         [](BitmapRecord &r) { return MadeRecord(KrnAllocBitmapData(&r, 0), r); }},
        {"CreateBitmap", Garbage(), OnFailure::Cleared,
         [&](BitmapRecord &r) {
             return MadeRecord(KrnCreateBitmap(&r, 0, 6, 6, 4, 0, colors.data(), 2, data.data(), 64), r);
         }},
        {"CreateBitmap gray", Garbage(), OnFailure::Cleared,
         [](BitmapRecord &r) { return MadeRecord(KrnCreateBitmap(&r, 0, 6, 6, 8, 0, nullptr, 0, nullptr, 0), r); }},
        {"CopyBitmap", Garbage(), OnFailure::Cleared,
         [&](BitmapRecord &r) { return MadeRecord(KrnCopyBitmap(&r, &rich), r); }},
        {"CopyBitmapRect", Garbage(), OnFailure::Cleared,
         [&](BitmapRecord &r) { return MadeRecord(KrnCopyBitmapRect(&r, &rich, 2, -1, 8, 8), r); }},
        {"CopyBitmapInfo", described, OnFailure::Unwritten,
         [&](BitmapRecord &r) { return MadeRecord(KrnCopyBitmapInfo(&r, &rich), r); }},
        {"ConvertColorRes 24 to 8", Garbage(), OnFailure::Cleared, convert(1, 8, KRN_COLORRES_GIVEN_PALETTE)},
        {"ConvertColorRes 24 to 8 diffused", Garbage(), OnFailure::Cleared,
         convert(2, 8, KRN_COLORRES_GIVEN_PALETTE | KRN_COLORRES_DIFFUSE)},
        {"ConvertColorRes 32 to 1", Garbage(), OnFailure::Cleared, convert(3, 1, KRN_COLORRES_FIXED_PALETTE)},
        {"ConvertColorRes 8 to 24", Garbage(), OnFailure::Cleared, convert(0, 24, KRN_COLORRES_BGR)},
        {"ConvertColorRes 16 gray to 4", Garbage(), OnFailure::Cleared, convert(4, 4, KRN_COLORRES_FIXED_PALETTE)},
        {"FillBitmap", canvas, OnFailure::UnwrittenWithData,
         [](BitmapRecord &r) { return KrnFillBitmap(&r, 0xFFFFFF); }},
        {"ConvertFromDib", Garbage(), OnFailure::Unwritten,
         [&](BitmapRecord &r) { return MadeRecord(KrnConvertFromDib(&r, dib.data(), nullptr), r); }},
        {"ChangeFromDib", Garbage(), OnFailure::Unwritten,
         [&](BitmapRecord &r) {
             HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, dib.size());
             if (block == nullptr) return STATUS_NO_MEMORY;
             std::memcpy(GlobalLock(block), dib.data(), dib.size());
             GlobalUnlock(block);
             const int status = KrnChangeFromDib(&r, block);
             EXPECT_TRUE(status == STATUS_OK || GlobalFree(block) == nullptr) << "the block stays the caller's";
             return MadeRecord(status, r);
         }},
        {"ConvertToDib 48 bits", sources[5], OnFailure::Unwritten, toDib},
        {"ConvertToDib 5 bits", sources[6], OnFailure::Unwritten, toDib},
        {"ConvertToDib 12-bit gray", sources[7], OnFailure::Unwritten, toDib},
        {"CreatePaletteCopy", BitmapRecord{}, OnFailure::Unwritten,
         [&](BitmapRecord &) { return palette(KrnCreatePaletteCopy(rich.Palette)); }},
        {"CreatePaletteFromColors", BitmapRecord{}, OnFailure::Unwritten,
         [&](BitmapRecord &) { return palette(KrnCreatePaletteFromColors(colors.data(), 200)); }},
        {"CreateDevicePalette", BitmapRecord{}, OnFailure::Unwritten,
         [&](BitmapRecord &) { return palette(KrnCreateDevicePalette(4)); }},
        {"bitmap list growth", BitmapRecord{}, OnFailure::Unwritten, GrowList},
        {"AllocZeroed and ReallocMem", BitmapRecord{}, OnFailure::Unwritten, GrowBlock},
        {"ColorReduce diffused", BitmapRecord{}, OnFailure::Unwritten,
         [&](BitmapRecord &) { return Reduce(sources[1], colors, KRN_REDUCE_DIFFUSE); }},
        {"ColorReduce ordered", BitmapRecord{}, OnFailure::Unwritten,
         [&](BitmapRecord &) { return Reduce(sources[0], colors, KRN_REDUCE_ORDERED); }},
    };
    std::vector<std::vector<BYTE>> sourceData;
    for (const BitmapRecord &s : sources) sourceData.push_back(DataOf(s));
    for (const Operation &op : operations) {
        BitmapRecord record{};
        std::vector<BYTE> dataBefore;
        int status = 0;
        const bool keepsData = op.onFailure == OnFailure::UnwrittenWithData;
        const long allocations = ForEachAllocationFailure(
            [&] {
                record = op.initial;
                if (keepsData) dataBefore = DataOf(record);
                status = op.run(record);
            },
            [&](long failedAt) {
                EXPECT_EQ(status, STATUS_NO_MEMORY) << op.name << ", allocation " << failedAt;
                EXPECT_TRUE(SameBytes(record, op.onFailure == OnFailure::Cleared ? BitmapRecord{} : op.initial))
                    << op.name << ", allocation " << failedAt << ": the record was written";
                EXPECT_TRUE(!keepsData || DataOf(record) == dataBefore) << op.name << ", allocation " << failedAt;
                for (std::size_t i = 0; i < sources.size(); ++i)
                    EXPECT_EQ(DataOf(sources[i]), sourceData[i]) << op.name;
            });
        EXPECT_GE(allocations, 1) << op.name;
    }
    for (BitmapRecord &s : sources) KrnFreeBitmap(&s);
    KrnFreeBitmap(&canvas);
}

}  // namespace
