// The magic wand: the 4-connected area around a seed pixel whose colours
// lie within a tolerance of the seed's own colour (each pixel is compared
// with the seed, not with its neighbour). Two one-bit work bitmaps record
// the visited and the selected pixels; the selected one becomes the region.
#include <initializer_list>

#include "region/region_wand.h"

namespace zelt::region {

namespace {

constexpr DWORD kStackStep = 30000;  // entries per allocation step
constexpr COLORREF kWhite = 0x00FFFFFF;
constexpr UINT kWorkMemory = KRN_MEMORY_NOCLEAR;

ToleranceBox ToleranceAround(COLORREF seed, BYTE t) {
    auto low = [t](BYTE c) { return BYTE(c > t ? c - t : 0); };
    auto high = [t](BYTE c) { return BYTE(c + t >= 255 ? 255 : c + t); };
    const BYTE r = GetRValue(seed), g = GetGValue(seed), b = GetBValue(seed);
    return ToleranceBox{low(r), high(r), low(g), high(g), low(b), high(b)};
}

// The two work bitmaps, freed on every path.
struct WorkBitmaps {
    BitmapRecord visited{};
    BitmapRecord selected{};
    WorkBitmaps() = default;
    WorkBitmaps(const WorkBitmaps &) = delete;
    WorkBitmaps &operator=(const WorkBitmaps &) = delete;
    ~WorkBitmaps() {
        KrnFreeBitmap(&visited);
        KrnFreeBitmap(&selected);
    }
};

int CreateWorkBitmap(const BitmapRecord &image, BitmapRecord &work) {
    const int status = KrnCreateBitmap(&work, kWorkMemory, image.Width, image.Height, 1, 0, nullptr,
                                       image.ViewPerspective, nullptr, 0);
    // This memory kind does not promise cleared data; the fill needs it.
    if (status == STATUS_OK) KrnClearBitmap(&work);
    return status;
}

// The stack's block, unlocked and freed on every path.
struct StackBlock {
    WandStack stack;
    StackBlock() = default;
    StackBlock(const StackBlock &) = delete;
    StackBlock &operator=(const StackBlock &) = delete;
    ~StackBlock() {
        if (stack.block == nullptr) return;
        if (stack.entries != nullptr) GlobalUnlock(stack.block);
        GlobalFree(stack.block);
    }
    bool Open() {
        stack.block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, SIZE_T(kStackStep) * sizeof(WandPoint));
        if (stack.block == nullptr) return false;
        stack.entries = static_cast<WandPoint *>(GlobalLock(stack.block));
        stack.capacity = stack.entries != nullptr ? kStackStep : 0;
        return stack.entries != nullptr;
    }
};

// Data locks on the image and both work bitmaps, released together.
class DataLocks {
public:
    DataLocks() = default;
    DataLocks(const DataLocks &) = delete;
    DataLocks &operator=(const DataLocks &) = delete;
    ~DataLocks() {
        for (int i = 0; i < count_; ++i) KrnReleaseBitmapAccess(locked_[i], KRN_ACCESS_LOCK);
    }
    int Lock(BitmapRecord &bitmap) {
        const int status = KrnLockBitmapData(&bitmap);
        if (status == STATUS_OK) locked_[count_++] = &bitmap;
        return status;
    }

private:
    BitmapRecord *locked_[3] = {};
    int count_ = 0;
};

// Fills the selected work bitmap from the seed.
int SelectFromSeed(BitmapRecord &image, WorkBitmaps &work, const ToleranceBox &tolerance, LONG x, LONG y) {
    StackBlock block;
    if (!block.Open()) return STATUS_NO_MEMORY;
    DataLocks locks;
    for (BitmapRecord *bitmap : {&image, &work.visited, &work.selected}) {
        const int status = locks.Lock(*bitmap);
        if (status != STATUS_OK) return status;
    }
    WandFill fill;
    fill.image = &image;
    fill.visited = static_cast<BYTE *>(work.visited.Data);
    fill.selected = static_cast<BYTE *>(work.selected.Data);
    fill.bitsPerLine = size_t(work.visited.BytesPerLine);
    fill.tolerance = tolerance;
    fill.stack = &block.stack;

    // The seed is marked when pushed: the clicked pixel is always selected,
    // and a one-pixel island selects itself.
    const size_t byte = size_t(y) * fill.bitsPerLine + size_t(x >> 3);
    const BYTE bit = BYTE(0x80u >> (x & 7));
    fill.visited[byte] |= bit;
    fill.selected[byte] |= bit;
    block.stack.entries[block.stack.count++] = WandPoint{x, y};
    return RunWandFill(fill);
}

}  // namespace

bool GrowWandStack(WandStack &stack) {
    GlobalUnlock(stack.block);
    stack.entries = nullptr;
    const SIZE_T bytes = SIZE_T(stack.capacity + kStackStep) * sizeof(WandPoint);
    HGLOBAL grown = GlobalReAlloc(stack.block, bytes, GMEM_ZEROINIT);
    if (grown != nullptr) stack.block = grown;
    stack.entries = static_cast<WandPoint *>(GlobalLock(stack.block));
    if (grown == nullptr || stack.entries == nullptr) return false;
    stack.capacity += kStackStep;
    return true;
}

}  // namespace zelt::region

using namespace zelt::region;

int ZELT_API Z_SetBitmapRgnMagicWand(BitmapRecord *bitmap, int x, int y, UINT tolerance, int mode) {
    if (bitmap == nullptr || (bitmap->Flags & BITMAP_ALLOCATED) == 0) return STATUS_NO_BITMAP;
    const COLORREF seed = KrnGetPixelColor(bitmap, y, x);
    if (seed == KRN_PIXEL_OUTSIDE) return STATUS_BAD_PARAMETER;

    WorkBitmaps work;
    int status = CreateWorkBitmap(*bitmap, work.visited);
    if (status == STATUS_OK) status = CreateWorkBitmap(*bitmap, work.selected);
    if (status == STATUS_OK) status = SelectFromSeed(*bitmap, work, ToleranceAround(seed, BYTE(tolerance)), x, y);
    if (status != STATUS_OK) return status;
    KrnFreeBitmap(&work.visited);  // not needed while the region is built

    // The selected bits (white on the work bitmap's black and white ramp)
    // become a record, handed on to the bitmap.
    status = SetBitmapRgnColorInt(&work.selected, kWhite, RGNMODE_SET);
    if (status != STATUS_OK) return status;
    RegionRecord *region = work.selected.Region;
    work.selected.Region = nullptr;
    return CombineBitmapRgn(bitmap, nullptr, region, mode);
}
