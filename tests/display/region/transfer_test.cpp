// Selections travelling with bitmaps: deep copies, copies onto other bitmaps
// with an offset, and the services table the kernel is handed at load.
#include <cstdint>
#include <cstring>

#include "region_model.h"
#include "support/host_controls.h"

namespace zelt::test {
namespace {

using namespace zelt::region;

class RegionTransfer : public LeakCheckedTest {};

// A deep copy owns its buffers and its own copy of the cached handle (not
// the masks); an empty record copies empty, none copies to none, and a
// failed copy leaves nothing behind.
TEST_F(RegionTransfer, DeepCopiesAreIndependent) {
    const PixelMask mask = RandomShape(11, 90, 70, 5);
    RecordPtr source = RecordFromMask(mask), empty = RecordFromMask(PixelMask(10, 10));
    source->hRgnCache = CreateRectRgn(3, 4, 50, 60);
    source->RgnCacheXForm = RegionXForm{2, 3, 4, 5, 6, 7, 8};
    source->hFrameMask = CreateBitmap(8, 8, 1, 1, nullptr);
    source->MaskPerspective = 2;
    RegionRecord *raw = nullptr, *none = reinterpret_cast<RegionRecord *>(uintptr_t(1)), *emptyRaw = nullptr;
    ASSERT_EQ(Z_CopyZeltRgn(&raw, source.get()), STATUS_OK);
    ASSERT_EQ(Z_CopyZeltRgn(&none, nullptr), STATUS_OK);
    ASSERT_EQ(Z_CopyZeltRgn(&emptyRaw, empty.get()), STATUS_OK);
    RecordPtr copy(raw), emptyCopy(emptyRaw);
    EXPECT_TRUE(RecordIsWellFormed(*copy) && MaskFromRecord(*copy, mask) == mask && none == nullptr);
    EXPECT_TRUE(copy->RowTable != source->RowTable && copy->RunData != source->RunData && !copy->hFrameMask);
    EXPECT_TRUE(copy->MaskPerspective == 0 && copy->RgnCacheXForm.YOffset == 8);
    EXPECT_TRUE(RecordIsWellFormed(*emptyCopy) && !emptyCopy->RowTable && !emptyCopy->RunData);
    ASSERT_TRUE(copy->hRgnCache != nullptr && copy->hRgnCache != source->hRgnCache);
    DropRegionCaches(*source);
    RECT box{};
    EXPECT_TRUE(GetRgnBox(copy->hRgnCache, &box) == SIMPLEREGION && box.right == 50 && box.bottom == 60);
    source->hRgnCache = CreateRectRgn(0, 0, 5, 5);  // a cache that cannot be duplicated is dropped, not an error
    int status = 0;
    EXPECT_GE(
        ForEachAllocationFailure(
            [&] {
                raw = nullptr;
                status = Z_CopyZeltRgn(&raw, source.get());
                if (status == STATUS_OK) KrnFreeRegion(raw);
            },
            [&](long n) { EXPECT_TRUE(status == STATUS_OK || (status == STATUS_NO_MEMORY && raw == nullptr)) << n; }),
        kHostControls ? 3 : 0);
}

// Copying onto another bitmap moves the region and cuts it to the new size;
// a failed copy leaves the destination without a region, which is never
// freed, only overwritten.
TEST_F(RegionTransfer, CopiesWithAnOffsetMatchTheModel) {
    const LONG cases[][4] = {{0, 0, 64, 48}, {-10, -10, 64, 48}, {7, -3, 30, 70}, {100, 0, 64, 48}, {-5, 12, 80, 20}};
    uint32_t seed = 300;
    for (const auto &[dx, dy, w, h] : cases) {
        const PixelMask mask = RandomShape(++seed, 64, 48, 4);
        RegionBitmap source(mask), destination(w, h);
        ASSERT_EQ(CopyBitmapRgnOffset(destination.get(), source.get(), dx, dy), STATUS_OK);
        EXPECT_EQ(destination.Selection(),
                  ModelOf(w, h, 0, 0, [&](LONG x, LONG y) { return mask.Get(x - dx, y - dy); }));
        EXPECT_EQ(source.Selection(), mask);
        bool clean = true;
        ForEachAllocationFailure(
            [&] {
                RegionBitmap target(w, h);
                const int status = CopyBitmapRgnOffset(target.get(), source.get(), dx, dy);
                clean = status == STATUS_OK || (status == STATUS_NO_MEMORY && target.record.Region == nullptr);
            },
            [&](long n) { EXPECT_TRUE(clean) << n; });
    }
    RegionBitmap plain(5, 5);
    BitmapRecord target = plain.record;
    target.Region = reinterpret_cast<RegionRecord *>(uintptr_t(8));
    EXPECT_TRUE(CopyBitmapRgnOffset(&target, plain.get(), 1, 1) == STATUS_OK && target.Region == nullptr);
    RegionBitmap same(RandomShape(9, 30, 20));  // resizing to the same size changes nothing
    ASSERT_EQ(ResizeBitmapRgn(same.get(), 30, 20), STATUS_OK);
    EXPECT_EQ(same.Selection(), RandomShape(9, 30, 20));
}

// The address of the library's function. A Windows program that takes the
// address of a function imported without dllimport gets its import thunk,
// `jmp [rip + offset]`, whose slot holds the function's address in the DLL.
template <typename Function>
KRNSERVICEPROC Entry(Function function) {
    auto *code = reinterpret_cast<const unsigned char *>(function);
#if defined(_WIN64)
    if (code[0] == 0xFF && code[1] == 0x25) {
        std::int32_t offset;
        std::memcpy(&offset, code + 2, sizeof(offset));
        KRNSERVICEPROC target;
        std::memcpy(&target, code + 6 + offset, sizeof(target));
        return target;
    }
#endif
    return reinterpret_cast<KRNSERVICEPROC>(code);
}

// The services the kernel is handed, in their fixed order (how the kernel's
// copies, crops and conversions use them is the kernel's to show).
TEST_F(RegionTransfer, KernelIsHandedTheServices) {
    const KRNSERVICEPROC services[KRN_REGION_SERVICE_COUNT] = {
        Entry(&FlipBitmapRgnHorz),       Entry(&CopyBitmapRgnOffset),
        Entry(&Z_SetBitmapRgnFromMask),  Entry(&Z_GetBitmapClipSegmentsMax),
        Entry(&Z_GetBitmapClipSegments), Entry(&ResizeBitmapRgn),
        Entry(&CombineBitmapRgn),        Entry(&Z_GetBitmapRgnBounds),
        Entry(&Z_CopyZeltRgn),           Entry(&OffsetRgnRecord),
        Entry(&FlipRgnRecordVert),       Entry(&ShearBitmapRgn),
        Entry(&RotateBitmapRgn),         Entry(&Z_IntGetBitmapRgnHandle),
        Entry(&SetBitmapRgnColorInt),    Entry(&SetBitmapRgnRectInt),
        Entry(&Z_IsPtInBitmapRgn),       Entry(&Z_CreateMaskFromBitmapRgn),
        Entry(&FlipBitmapRgnVert),       Entry(&Z_GetBitmapRgnHandle),
        Entry(&KrnGetBitmapListCount),   Entry(&KrnGetBitmapListItem),
        Entry(&KrnSetBitmapListItem)};
    for (int i = 0; i < KRN_REGION_SERVICE_COUNT; ++i) EXPECT_EQ(KrnGetRegionService(i), services[i]) << i;
}

}  // namespace
}  // namespace zelt::test
