// The records applications share with the library keep their 32-bit
// Windows layouts: each field is 4 bytes wide (pointers and handles
// included) and sits where its place in the declaration puts it;
// RegionXForm is seven LONGs, RegionRecord 132 bytes, BitmapRecord 144.
#include <cstddef>

#include "zelt/kernel.h"

#if defined(_WIN32) && !defined(_WIN64)

#define ZELT_FIELD_AT(record, field, slot) \
    static_assert(offsetof(record, field) == 4 * (slot), #record "." #field " is not at its 32-bit offset")

ZELT_FIELD_AT(RegionXForm, Perspective, 0);
ZELT_FIELD_AT(RegionXForm, XNum, 1);
ZELT_FIELD_AT(RegionXForm, XDen, 2);
ZELT_FIELD_AT(RegionXForm, YNum, 3);
ZELT_FIELD_AT(RegionXForm, YDen, 4);
ZELT_FIELD_AT(RegionXForm, XOffset, 5);
ZELT_FIELD_AT(RegionXForm, YOffset, 6);
static_assert(sizeof(RegionXForm) == 28, "RegionXForm is not 28 bytes");

ZELT_FIELD_AT(RegionRecord, hRgnCache, 0);
ZELT_FIELD_AT(RegionRecord, RgnCacheXForm, 1);
ZELT_FIELD_AT(RegionRecord, hFrameMask, 8);
ZELT_FIELD_AT(RegionRecord, hColorMask, 9);
ZELT_FIELD_AT(RegionRecord, FrameMaskXForm, 10);
ZELT_FIELD_AT(RegionRecord, ColorMaskXForm, 17);
ZELT_FIELD_AT(RegionRecord, MaskPerspective, 24);
ZELT_FIELD_AT(RegionRecord, Bounds, 25);
ZELT_FIELD_AT(RegionRecord, RowTableBytes, 29);
ZELT_FIELD_AT(RegionRecord, RowTable, 30);
ZELT_FIELD_AT(RegionRecord, RunBytes, 31);
ZELT_FIELD_AT(RegionRecord, RunData, 32);
static_assert(sizeof(RegionRecord) == 132, "RegionRecord is not 132 bytes");

ZELT_FIELD_AT(BitmapRecord, Data, 0);
ZELT_FIELD_AT(BitmapRecord, DataSize, 1);
ZELT_FIELD_AT(BitmapRecord, KernelFlags, 2);
ZELT_FIELD_AT(BitmapRecord, Width, 3);
ZELT_FIELD_AT(BitmapRecord, Height, 4);
ZELT_FIELD_AT(BitmapRecord, BitsPerPixel, 5);
ZELT_FIELD_AT(BitmapRecord, BytesPerLine, 6);
ZELT_FIELD_AT(BitmapRecord, Flags, 7);
ZELT_FIELD_AT(BitmapRecord, ColorCount, 8);
ZELT_FIELD_AT(BitmapRecord, Palette, 9);
ZELT_FIELD_AT(BitmapRecord, ViewPerspective, 10);
ZELT_FIELD_AT(BitmapRecord, Order, 11);
ZELT_FIELD_AT(BitmapRecord, Region, 12);
ZELT_FIELD_AT(BitmapRecord, XResolution, 13);
ZELT_FIELD_AT(BitmapRecord, YResolution, 14);
ZELT_FIELD_AT(BitmapRecord, Left, 15);
ZELT_FIELD_AT(BitmapRecord, Top, 16);
ZELT_FIELD_AT(BitmapRecord, Delay, 17);
ZELT_FIELD_AT(BitmapRecord, BackgroundColor, 18);
ZELT_FIELD_AT(BitmapRecord, TransparentColor, 19);
ZELT_FIELD_AT(BitmapRecord, DisposalMethod, 20);
ZELT_FIELD_AT(BitmapRecord, LowBit, 21);
ZELT_FIELD_AT(BitmapRecord, HighBit, 22);
ZELT_FIELD_AT(BitmapRecord, LevelLut, 23);
ZELT_FIELD_AT(BitmapRecord, LevelLutLength, 24);
ZELT_FIELD_AT(BitmapRecord, MinValue, 25);
ZELT_FIELD_AT(BitmapRecord, MaxValue, 26);
ZELT_FIELD_AT(BitmapRecord, PaintLowBit, 27);
ZELT_FIELD_AT(BitmapRecord, PaintHighBit, 28);
ZELT_FIELD_AT(BitmapRecord, PaintGamma, 29);
ZELT_FIELD_AT(BitmapRecord, PaintContrast, 30);
ZELT_FIELD_AT(BitmapRecord, PaintIntensity, 31);
ZELT_FIELD_AT(BitmapRecord, PaintLut, 32);
ZELT_FIELD_AT(BitmapRecord, MemoryKind, 33);
ZELT_FIELD_AT(BitmapRecord, AccessCount, 34);
ZELT_FIELD_AT(BitmapRecord, LockCount, 35);
static_assert(sizeof(BitmapRecord) == 144, "BitmapRecord is not 144 bytes");

#undef ZELT_FIELD_AT

#endif
