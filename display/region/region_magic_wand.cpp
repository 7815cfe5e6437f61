// The magic wand: the 4-connected area around a seed pixel whose colours
// lie within a tolerance of the seed's own colour (each pixel is compared
// with the seed, not with its neighbour). The fill marks the selection in
// a one-bit-per-pixel work block; its rows of runs become the region.
#include "region/region_wand.h"

namespace zelt::region {

namespace {

ToleranceBox ToleranceAround(COLORREF seed, BYTE t) {
    auto low = [t](BYTE c) { return BYTE(c > t ? c - t : 0); };
    auto high = [t](BYTE c) { return BYTE(c + t >= 255 ? 255 : c + t); };
    const BYTE r = GetRValue(seed), g = GetGValue(seed), b = GetBValue(seed);
    return ToleranceBox{low(r), high(r), low(g), high(g), low(b), high(b)};
}

// The selection's bits, cleared, with one spare word a row that stays
// clear and ends every scan for the end of a run. Freed on every path.
class SelectionBlock {
public:
    SelectionBlock() = default;
    SelectionBlock(const SelectionBlock &) = delete;
    SelectionBlock &operator=(const SelectionBlock &) = delete;
    ~SelectionBlock() { KrnFreeMem(bits_.words); }

    bool Open(LONG width, LONG height) {
        bits_.wordsPerRow = size_t(width + 63) / 64 + 1;
        const uint64_t bytes = uint64_t(bits_.wordsPerRow) * uint64_t(height) * sizeof(uint64_t);
        if (bytes > 0xFFFFFFFFu) return false;
        bits_.words = static_cast<uint64_t *>(KrnAllocZeroed(DWORD(bytes)));
        return bits_.words != nullptr;
    }
    const WandBits &Bits() const { return bits_; }

private:
    WandBits bits_;
};

// A data lock on the image, released on every path.
class ImageLock {
public:
    explicit ImageLock(BitmapRecord &image) : image_(image), status_(KrnLockBitmapData(&image)) {}
    ImageLock(const ImageLock &) = delete;
    ImageLock &operator=(const ImageLock &) = delete;
    ~ImageLock() {
        if (status_ == STATUS_OK) KrnReleaseBitmapAccess(&image_, KRN_ACCESS_LOCK);
    }
    int Status() const { return status_; }

private:
    BitmapRecord &image_;
    int status_;
};

int SelectFromSeed(BitmapRecord &image, const ToleranceBox &tolerance, LONG x, LONG y, const WandBits &bits) {
    WandPixelTest test;
    if (!PrepareWandTest(image, tolerance, test)) return STATUS_BAD_PARAMETER;
    const ImageLock lock(image);
    if (lock.Status() != STATUS_OK) return lock.Status();
    const WandImage view{static_cast<const BYTE *>(image.Data), size_t(image.BytesPerLine), image.Width, image.Height};
    return FillWandSpans(view, test, x, y, bits);
}

// The selected runs of every row, as a record covering the image.
int RegionOfSelection(const WandBits &bits, LONG width, LONG height, RegionRecord **out) {
    RegionBuilder builder;
    int status = BeginRegion(builder, RECT{0, 0, width, height});
    if (status != STATUS_OK) return status;
    const size_t usedWords = bits.wordsPerRow - 1;
    for (LONG y = 0; y < height; ++y) {
        const uint64_t *row = bits.Row(y);
        size_t k = 0;
        uint64_t word = row[0];
        for (;;) {
            while (word == 0 && ++k < usedWords) word = row[k];
            if (word == 0) break;
            const LONG start = LONG(k * 64) + LONG(std::countr_zero(word));
            const LONG end = WandBits::RunEnd(row, start);
            AppendRun(builder, start, end);
            k = size_t(end >> 6);
            word = k < usedWords ? row[k] & (~uint64_t{0} << (end & 63)) : 0;
        }
        status = EndRegionRow(builder);  // a failure has freed the record
        if (status != STATUS_OK) return status;
    }
    *out = FinishRegion(builder);
    return STATUS_OK;
}

}  // namespace

}  // namespace zelt::region

using namespace zelt::region;

int ZELT_API Z_SetBitmapRgnMagicWand(BitmapRecord *bitmap, int x, int y, UINT tolerance, int mode) {
    if (bitmap == nullptr || (bitmap->Flags & BITMAP_ALLOCATED) == 0) return STATUS_NO_BITMAP;
    const COLORREF seed = KrnGetPixelColor(bitmap, y, x);
    if (seed == KRN_PIXEL_OUTSIDE) return STATUS_BAD_PARAMETER;

    RegionRecord *region = nullptr;
    {
        SelectionBlock selection;
        if (!selection.Open(bitmap->Width, bitmap->Height)) return STATUS_NO_MEMORY;
        int status = SelectFromSeed(*bitmap, ToleranceAround(seed, BYTE(tolerance)), x, y, selection.Bits());
        if (status == STATUS_OK) status = RegionOfSelection(selection.Bits(), bitmap->Width, bitmap->Height, &region);
        if (status != STATUS_OK) return status;
    }
    return CombineBitmapRgn(bitmap, nullptr, region, mode);
}
