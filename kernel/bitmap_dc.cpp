// KrnCreateBitmapDC / KrnDeleteBitmapDC: GDI drawing into a bitmap record.
//
// The DC draws on a 24-bit top-down DIB section holding the record's
// displayed picture. A copy of the section as it was filled is kept beside
// it, so that only the pixels drawing changed go back into the record: an
// untouched pixel of a deep or indexed image keeps its exact stored value
// (a 48-bit sample or a duplicate palette index would not survive a trip
// through 24 bits). Every work buffer is made when the DC is, so handing the
// drawing back cannot run out of memory.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "memory_internal.h"
#include "pixel_formats.h"
#include "record_internal.h"
#include "zelt/kernel.h"

namespace zelt::kernel {
namespace {

// Where stored pixel (c, r) is displayed: transposed perspectives show
// stored rows as columns; the flips run a coordinate from the far edge.
struct DisplayWalk {
    bool transposed;
    bool flipColumns;
    bool flipRows;
};
constexpr DisplayWalk kDisplayWalks[9] = {
    {false, false, false}, {false, true, false}, {false, false, true}, {false, true, true}, {true, false, true},
    {true, false, false},  {false, false, false}, {true, true, true},  {true, true, false},
};

DisplayWalk WalkOf(const BitmapRecord &bitmap) {
    const int p = bitmap.ViewPerspective;
    return kDisplayWalks[p >= 0 && p <= 8 ? p : 0];
}

// One live bitmap DC. The entry, the snapshot and the work rows are one
// kernel block each, freed with the entry.
struct BitmapDc {
    HDC dc = nullptr;
    HBITMAP section = nullptr;
    HGDIOBJ previous = nullptr;
    BitmapRecord *bitmap = nullptr;
    BYTE *pixels = nullptr;  // the section's bits, top row first
    std::size_t stride = 0;  // bytes of a section row
    KernelBlock<BYTE> snapshot;    // the section as filled from the record
    KernelBlock<BYTE> wideRow;     // one stored row at 24 bits
    KernelBlock<BYTE> packedRow;   // the same in the record's layout
    KernelBlock<int> segments;     // changed runs of a stored row: start, end pairs
    BitmapDc *next = nullptr;
};

// Live bitmap DCs, looked up by HDC. Threads may draw into different
// bitmaps at once; the list is touched only for an insert or a removal, so
// a spin lock (which needs no allocation and no threading runtime) is
// enough.
class BitmapDcTable {
public:
    void Insert(BitmapDc *entry) {
        Lock();
        entry->next = head_;
        head_ = entry;
        Unlock();
    }
    BitmapDc *Remove(HDC dc) {
        Lock();
        BitmapDc **link = &head_;
        while (*link != nullptr && (*link)->dc != dc) link = &(*link)->next;
        BitmapDc *found = *link;
        if (found != nullptr) *link = found->next;
        Unlock();
        return found;
    }

private:
    void Lock() {
        while (busy_.test_and_set(std::memory_order_acquire)) {
        }
    }
    void Unlock() { busy_.clear(std::memory_order_release); }

    std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
    BitmapDc *head_ = nullptr;
};

BitmapDcTable &LiveBitmapDcs() {
    static BitmapDcTable table;
    return table;
}

// How a record's rows convert to and from 24 bits: the palette of indexed
// images, the bit window (and level table) of deep gray ones.
struct RowColors {
    RGBQUAD palette[256];
    const RGBQUAD *colors = nullptr;
    int colorCount = 0;
    UINT flags = 0;

    explicit RowColors(const BitmapRecord &bitmap) {
        const PixelFormat &format = *FormatOf(&bitmap);
        if (format.indexed) {
            colorCount = KrnGetPaletteColors(bitmap.Palette, 0, std::clamp<int>(bitmap.ColorCount, 0, 256), palette);
            colors = palette;
        } else if (format.gray) {
            flags = KRN_CONVERT_GRAY | KRN_CONVERT_BIT_WINDOW;
            if ((bitmap.Flags & BITMAP_LEVEL_PROCESSING) != 0 && bitmap.LevelLut != nullptr) {
                colors = bitmap.LevelLut;
                colorCount = static_cast<int>(bitmap.LevelLutLength);
            }
        }
    }
};

// Offset in the section of stored pixel (column, row).
struct PixelAddress {
    DisplayWalk walk;
    int width, height;  // stored
    std::size_t stride;
    std::size_t At(int column, int row) const {
        const int c = walk.flipColumns ? width - 1 - column : column;
        const int r = walk.flipRows ? height - 1 - row : row;
        const int x = walk.transposed ? r : c, y = walk.transposed ? c : r;
        return static_cast<std::size_t>(y) * stride + 3 * static_cast<std::size_t>(x);
    }
};

PixelAddress AddressOf(const BitmapDc &entry) {
    return {WalkOf(*entry.bitmap), entry.bitmap->Width, entry.bitmap->Height, entry.stride};
}

void FillSection(BitmapDc &entry) {
    const BitmapRecord &bitmap = *entry.bitmap;
    const RowColors row(bitmap);
    const PixelAddress address = AddressOf(entry);
    BYTE *wide = entry.wideRow.get();
    for (int r = 0; r < bitmap.Height; ++r) {
        KrnConvertRowTo24(wide, RowAddress(&bitmap, r), bitmap.Width, bitmap.BitsPerPixel, bitmap.Order, 24, 1,
                          row.colors, row.colorCount, row.flags, bitmap.LowBit, bitmap.HighBit);
        for (int c = 0; c < bitmap.Width; ++c) std::memcpy(entry.pixels + address.At(c, r), wide + 3 * c, 3);
    }
}

// Stores the runs of each stored row that differ from the snapshot.
void StoreChangedPixels(BitmapDc &entry) {
    BitmapRecord *bitmap = entry.bitmap;
    const RowColors row(*bitmap);
    const PixelAddress address = AddressOf(entry);
    BYTE *wide = entry.wideRow.get();
    int *segments = entry.segments.get();
    for (int r = 0; r < bitmap->Height; ++r) {
        int pairs = 0;
        bool inRun = false;
        for (int c = 0; c < bitmap->Width; ++c) {
            const std::size_t at = address.At(c, r);
            std::memcpy(wide + 3 * c, entry.pixels + at, 3);
            const bool changed = std::memcmp(entry.pixels + at, entry.snapshot.get() + at, 3) != 0;
            if (changed && !inRun) segments[2 * pairs] = c;
            if (!changed && inRun) segments[2 * pairs++ + 1] = c;
            inRun = changed;
        }
        if (inRun) segments[2 * pairs++ + 1] = bitmap->Width;
        if (pairs == 0) continue;
        // Gray targets take the luminance: a level table only maps the other way.
        const bool gray = (row.flags & KRN_CONVERT_GRAY) != 0;
        KrnConvertRowTo24(entry.packedRow.get(), wide, bitmap->Width, 24, 1, bitmap->BitsPerPixel, bitmap->Order,
                          gray ? nullptr : row.colors, gray ? 0 : row.colorCount, row.flags, bitmap->LowBit,
                          bitmap->HighBit);
        KrnPutBitmapRowSegments(bitmap, entry.packedRow.get(), r, 0, segments, pairs, 0);
    }
}

// Releases whatever part of an entry exists, and the entry.
void DestroyEntry(BitmapDc *entry) {
    if (entry->previous != nullptr) SelectObject(entry->dc, entry->previous);
    if (entry->dc != nullptr) DeleteDC(entry->dc);
    if (entry->section != nullptr) DeleteObject(entry->section);
    entry->~BitmapDc();
    KrnFreeMem(entry);
}

struct EntryDeleter {
    void operator()(BitmapDc *entry) const { DestroyEntry(entry); }
};

}  // namespace
}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" HDC ZELT_API KrnCreateBitmapDC(BitmapRecord *bitmap) {
    if (!RecordIsAllocated(bitmap) || FormatOf(bitmap) == nullptr) return nullptr;
    const DisplayWalk walk = WalkOf(*bitmap);
    const int width = walk.transposed ? bitmap->Height : bitmap->Width;
    const int height = walk.transposed ? bitmap->Width : bitmap->Height;
    const std::int64_t bytes = DataBytesFor(width, height, 24);
    if (bytes < 0) return nullptr;

    void *block = KrnAllocZeroed(sizeof(BitmapDc));
    if (block == nullptr) return nullptr;
    std::unique_ptr<BitmapDc, EntryDeleter> entry(new (block) BitmapDc);
    entry->bitmap = bitmap;
    entry->stride = static_cast<std::size_t>(BytesPerLineFor(width, 24));
    entry->snapshot = AllocBlock<BYTE>(static_cast<DWORD>(bytes));
    entry->wideRow = AllocBlock<BYTE>(KrnGetRowBufferSize(bitmap->Width, 24, 0, 0));
    entry->packedRow = AllocBlock<BYTE>(static_cast<DWORD>(bitmap->BytesPerLine));
    entry->segments = AllocBlock<int>(static_cast<DWORD>(sizeof(int) * (static_cast<std::size_t>(bitmap->Width) + 2)));
    if (!entry->snapshot || !entry->wideRow || !entry->packedRow || !entry->segments) return nullptr;

    entry->dc = CreateCompatibleDC(nullptr);
    if (entry->dc == nullptr) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row y of the picture is row y of the bits
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    entry->section = CreateDIBSection(entry->dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (entry->section == nullptr || bits == nullptr) return nullptr;
    entry->pixels = static_cast<BYTE *>(bits);
    FillSection(*entry);
    std::memcpy(entry->snapshot.get(), entry->pixels, static_cast<std::size_t>(bytes));
    entry->previous = SelectObject(entry->dc, entry->section);
    if (entry->previous == nullptr) return nullptr;

    HDC dc = entry->dc;
    LiveBitmapDcs().Insert(entry.release());
    return dc;
}

extern "C" int ZELT_API KrnDeleteBitmapDC(HDC hdc) {
    if (hdc == nullptr) return STATUS_BAD_PARAMETER;
    BitmapDc *entry = LiveBitmapDcs().Remove(hdc);
    if (entry == nullptr) return STATUS_BAD_PARAMETER;
    GdiFlush();  // Windows may still hold drawing calls in its batch
    StoreChangedPixels(*entry);
    DestroyEntry(entry);
    return STATUS_OK;
}
