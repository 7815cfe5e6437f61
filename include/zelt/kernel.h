/*
 * kernel.h - the companion kernel library: bitmap records and the memory,
 * rows and palettes behind them.
 *
 * Conventions
 * - Functions returning int answer with a status (STATUS_OK = 1, failures
 *   negative, see status.h) unless the comment names another result.
 * - Image data is Height rows of BytesPerLine bytes, row 0 first, with
 *   BytesPerLine = ((Width * BitsPerPixel + 31) / 32) * 4.
 * - Pixel layout inside a row, by BitsPerPixel:
 *     1..8   packed most significant bits first; 3, 5, 6 and 7-bit pixels
 *            straddle byte boundaries (pixel x starts at bit x * bpp of the
 *            row read as a big-endian bit stream). Values index Palette.
 *     12     gray samples packed least significant bits first: pixel x is
 *            bits x * 12 .. x * 12 + 11 of the row read as a little-endian
 *            bit stream (so an even pixel is the low 12 bits of the 16-bit
 *            word at byte 3x/2, an odd pixel the high 12 bits of the word at
 *            byte (3x-1)/2).
 *     16     Order 2: one little-endian gray sample. Otherwise 5-5-5 in a
 *            little-endian word (bit 15 unused): Order 1 keeps blue in bits
 *            0-4 and red in bits 10-14, any other Order swaps them.
 *     24     three bytes: Order 1 blue, green, red; otherwise red, green, blue.
 *     32     four bytes, the first three as for 24 bits, the fourth unused.
 *     48     three little-endian 16-bit channels, ordered as for 24 bits.
 *     64     four little-endian 16-bit channels, the first three as for 48.
 *
 * View perspectives (ViewPerspective, 0..8). A perspective says how the
 * stored image (Width x Height, stored column c, stored row r) is displayed.
 * Displayed size is Width x Height, except for 4, 5, 7 and 8 where it is
 * Height x Width. Stored (c, r) is displayed at:
 *     0  (c, r)                      top-left     rows top-down
 *     1  (Width-1-c, r)              top-right    mirrored left to right
 *     2  (c, Height-1-r)             bottom-left  rows bottom-up (a DIB)
 *     3  (Width-1-c, Height-1-r)     bottom-right turned 180 degrees
 *     4  (Height-1-r, c)             right-top    turned 90 degrees clockwise
 *     5  (r, c)                      left-top     transposed
 *     6  (c, r)                      top-left     the same as 0
 *     7  (Height-1-r, Width-1-c)     right-bottom transposed the other way
 *     8  (r, Width-1-c)              left-bottom  turned 90 degrees counter-clockwise
 * 1, 2, 5 and 7 mirror the image; 0, 3, 4, 6 and 8 only turn it.
 * Coordinates "in perspective p" of an image are the stored coordinates the
 * image would have if it were stored with perspective p showing the same
 * picture; perspective 0 coordinates are therefore display coordinates.
 */
#ifndef ZELT_KERNEL_H
#define ZELT_KERNEL_H

#include "zelt/status.h"
#include "zelt/win32.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define ZELT_API __stdcall
#define ZELT_CDECL __cdecl
#else
#define ZELT_API
#define ZELT_CDECL
#endif

#if defined(_WIN32)
#ifdef ZELT_BUILDING_KERNEL
#define ZELT_KERNEL_EXPORT __declspec(dllexport)
#else
#define ZELT_KERNEL_EXPORT __declspec(dllimport)
#endif
#else
#define ZELT_KERNEL_EXPORT __attribute__((visibility("default")))
#endif

#define KRNAPI ZELT_KERNEL_EXPORT

/* ---- records ------------------------------------------------------------ */

/* A transform from caller coordinates into a bitmap's coordinates. */
typedef struct RegionXForm {
    LONG Perspective;
    LONG XNum;
    LONG XDen;
    LONG YNum;
    LONG YDen;
    LONG XOffset;
    LONG YOffset;
} RegionXForm;

/* One row of a region's run list: Count x values starting Offset bytes into
   RunData. */
typedef struct RowEntry {
    DWORD Count;
    DWORD Offset;
} RowEntry;

/* A bitmap's selection region as a run list in stored-image coordinates,
   with GDI objects built from it cached beside it. 132 bytes with 32-bit
   pointers. */
typedef struct RegionRecord {
    HRGN hRgnCache;
    RegionXForm RgnCacheXForm;
    HBITMAP hFrameMask;
    HBITMAP hColorMask;
    RegionXForm FrameMaskXForm;
    RegionXForm ColorMaskXForm;
    LONG MaskPerspective;
    RECT Bounds;
    DWORD RowTableBytes;
    RowEntry *RowTable;
    DWORD RunBytes;
    LONG *RunData;
} RegionRecord;

/* Flags bits. */
#define BITMAP_ALLOCATED 0x0001
#define BITMAP_FLAG_4 0x0004 /* kernel: the image data is not in one block */
#define BITMAP_WAIT_INPUT 0x0040
#define BITMAP_TRANSPARENT 0x0080
#define BITMAP_FLAG_100 0x0100 /* kernel: the image data is not in main memory */
#define BITMAP_LEVEL_PROCESSING 0x0800
#define BITMAP_PAINT_LUT_ACTIVE 0x2000

/* Memory kinds for KrnAllocBitmapData and KrnCreateBitmap. Every kind is
   kept in one block of main memory here; the value is recorded. */
#define KRN_MEMORY_CONVENTIONAL 0x0001
#define KRN_MEMORY_NOCLEAR 0x0100

/* KernelFlags bits (private to the kernel). */
#define KRN_OWNS_DATA 0x0001    /* Data was allocated for this record */
#define KRN_OWNS_PALETTE 0x0002 /* Palette was created for this record */
#define KRN_OWNS_TABLES 0x0004  /* PaintLut and LevelLut belong to this record */

/* The bitmap descriptor. Application-visible fields are in their fixed
   order; fields marked "kernel" are the kernel's own. Records may be placed
   on the stack and copied by value. */
typedef struct BitmapRecord {
    void *Data;             /* image data, Height rows of BytesPerLine bytes */
    DWORD DataSize;         /* kernel: bytes of image data */
    DWORD KernelFlags;      /* kernel: KRN_OWNS_... */
    LONG Width;
    LONG Height;
    LONG BitsPerPixel;
    LONG BytesPerLine;
    DWORD Flags;
    LONG ColorCount;
    HPALETTE Palette;
    LONG ViewPerspective;
    LONG Order;
    RegionRecord *Region;
    LONG XResolution;       /* kernel: dots per inch, 0 when unknown */
    LONG YResolution;       /* kernel */
    LONG Left;
    LONG Top;
    DWORD Delay;
    COLORREF BackgroundColor;
    COLORREF TransparentColor;
    LONG DisposalMethod;
    LONG LowBit;
    LONG HighBit;
    RGBQUAD *LevelLut;
    DWORD LevelLutLength;
    LONG MinValue;
    LONG MaxValue;
    LONG PaintLowBit;
    LONG PaintHighBit;
    DWORD PaintGamma;
    LONG PaintContrast;
    LONG PaintIntensity;
    BYTE *PaintLut;
    DWORD MemoryKind;       /* kernel: the kind the data was allocated with */
    LONG AccessCount;       /* kernel: open KrnAccessBitmap brackets */
    LONG LockCount;         /* kernel: open KrnLockBitmapData locks */
} BitmapRecord;

/* ---- memory ---------------------------------------------------------------
   Every kernel block is a fixed block of global memory (GlobalAlloc with
   GMEM_FIXED), so GlobalHandle of a block's address is its handle. */
KRNAPI void *ZELT_API KrnAllocMem(DWORD bytes);
KRNAPI void *ZELT_API KrnAllocZeroed(DWORD bytes);
/* Grows or shrinks; on failure returns NULL and the old block is kept.
   KrnReallocMem(NULL, n) allocates. */
KRNAPI void *ZELT_API KrnReallocMem(void *block, DWORD bytes);
KRNAPI void ZELT_API KrnFreeMem(void *block); /* NULL allowed */

/* ---- thread slots ---------------------------------------------------------- */
#define KRN_INVALID_SLOT 0xFFFFFFFFu
KRNAPI DWORD ZELT_API KrnAllocThreadSlot(void);            /* slot or KRN_INVALID_SLOT */
KRNAPI BOOL ZELT_API KrnSetThreadSlot(DWORD slot, void *value);
KRNAPI void *ZELT_API KrnGetThreadSlot(DWORD slot);        /* NULL when unset or invalid */
KRNAPI BOOL ZELT_API KrnFreeThreadSlot(DWORD slot);

/* ---- records ----------------------------------------------------------------
   KrnInitBitmapRecord clears the record and describes an image without data:
   Width, Height, BitsPerPixel, BytesPerLine; Order 1 (blue first) above
   8 bits and for 16 bits (5-5-5), Order 2 for 12 bits; ViewPerspective 0;
   LowBit 0, HighBit and PaintHighBit = BitsPerPixel - 1 for 12 and 16-bit
   gray (else 7), PaintLowBit 0, MinValue 0, MaxValue 2^HighBit+1 - 1;
   PaintGamma 100. Width or Height below 1, or an unsupported depth, gives
   STATUS_BAD_PARAMETER. */
KRNAPI int ZELT_API KrnInitBitmapRecord(BitmapRecord *bitmap, int width, int height, int bitsPerPixel);
/* Describes `bitmap` as an image of the given size and depth that takes
   Order, ViewPerspective, the level and paint fields, the resolution and
   the animation fields from `source`, and shares its Palette, PaintLut and
   LevelLut (not owned, not freed with this record). No data, no region.
   flags: reserved, 0. */
KRNAPI int ZELT_API KrnInitBitmapFrom(BitmapRecord *bitmap, const BitmapRecord *source, int width, int height,
                                      int bitsPerPixel, UINT flags);
/* Allocates zeroed image data for a described record (memory kind above),
   an identity PaintLut and, at 8 bits or less, a gray-ramp Palette unless
   one is set; sets BITMAP_ALLOCATED. */
KRNAPI int ZELT_API KrnAllocBitmapData(BitmapRecord *bitmap, UINT memoryKind);
/* Describes and allocates in one call. palette: ColorCount = 2^bpp entries
   for 1..8 bits (NULL: a gray ramp from black to white). order: as the
   Order field; for 12 bits it is forced to 2. data: when not NULL, up to
   dataSize bytes are copied into the image data (row 0 first). */
KRNAPI int ZELT_API KrnCreateBitmap(BitmapRecord *bitmap, UINT memoryKind, int width, int height, int bitsPerPixel,
                                    int order, const RGBQUAD *palette, int viewPerspective, void *data,
                                    DWORD dataSize);
/* Deep copy: image data, palette, tables and region (the region through
   the registered region services; without them the copy has none). */
KRNAPI int ZELT_API KrnCopyBitmap(BitmapRecord *destination, const BitmapRecord *source);
/* Shallow copy: the same image data, palette and tables, owned by neither
   copy's KernelFlags (the source keeps ownership); release the copy with
   KrnReleaseBitmapRecord, never KrnFreeBitmap. */
KRNAPI int ZELT_API KrnCopyBitmapRecord(BitmapRecord *destination, const BitmapRecord *source);
/* New bitmap holding the stored-coordinate rectangle (x, y, width, height)
   of source, clipped to it; pixels outside the source are zero. The region,
   when there is one, is copied offset by (-x, -y). */
KRNAPI int ZELT_API KrnCopyBitmapRect(BitmapRecord *destination, const BitmapRecord *source, int x, int y,
                                      int width, int height);
/* Copies the descriptive fields that are not about the image's shape:
   resolution, Left, Top, Delay, BackgroundColor, TransparentColor,
   DisposalMethod, the BITMAP_WAIT_INPUT and BITMAP_TRANSPARENT flags and the
   paint intensity, contrast and gamma (with the PaintLut contents and the
   BITMAP_PAINT_LUT_ACTIVE flag). */
KRNAPI int ZELT_API KrnCopyBitmapInfo(BitmapRecord *destination, const BitmapRecord *source);
/* Frees what the record owns (data, palette, tables, LevelLut) and its
   region, and clears the record. Harmless on an empty or cleared record. */
KRNAPI int ZELT_API KrnFreeBitmap(BitmapRecord *bitmap);
/* Releases a record made by KrnCopyBitmapRecord or KrnInitBitmapFrom: frees
   its region and whatever it owns, leaves shared data alone, and clears it. */
KRNAPI int ZELT_API KrnReleaseBitmapRecord(BitmapRecord *bitmap);
/* Sets every byte of the image data to 0. */
KRNAPI int ZELT_API KrnClearBitmap(BitmapRecord *bitmap);
/* Makes Data address the whole image until KrnReleaseBitmapAccess(bitmap,
   KRN_ACCESS_LOCK). */
KRNAPI int ZELT_API KrnLockBitmapData(BitmapRecord *bitmap);

/* ---- rows ------------------------------------------------------------------ */
#define KRN_ACCESS_LOCK 1
/* Opens an access bracket: returns a token (>= 1) to hand back to
   KrnReleaseBitmapAccess, or STATUS_NO_BITMAP. */
KRNAPI int ZELT_API KrnAccessBitmap(BitmapRecord *bitmap);
KRNAPI int ZELT_API KrnReleaseBitmapAccess(BitmapRecord *bitmap, int token);
/* Copies min(bytes, BytesPerLine) bytes of stored row `row`; returns the
   number copied, or a negative status (bad row: STATUS_BAD_PARAMETER). */
KRNAPI int ZELT_API KrnGetBitmapRow(BitmapRecord *bitmap, void *buffer, int row, DWORD bytes);
/* Copies `bytes` bytes of row `row` starting at the byte that holds column
   `column` ((column * BitsPerPixel) / 8), limited to the row's end; returns
   the number copied or a negative status. */
KRNAPI int ZELT_API KrnGetBitmapRowCol(BitmapRecord *bitmap, void *buffer, int row, int column, DWORD bytes);
/* Stores min(bytes, BytesPerLine) bytes as row `row`; returns the bytes
   copied or a negative status. */
KRNAPI int ZELT_API KrnPutBitmapRow(BitmapRecord *bitmap, const void *buffer, int row, DWORD bytes);
/* Stores only the pixels of `buffer` (a whole row in the bitmap's format,
   pixel x at column x) that lie in the listed segments: segments holds
   segmentCount pairs (start, end), end exclusive. With wholeRowWithoutSegments
   set and segmentCount 0, the whole row is stored. bufferColumn is the column
   of the buffer's first pixel (0 for a whole row; a multiple of 8 / the
   pixels per byte otherwise). Segments are clipped to bufferColumn..Width.
   Returns STATUS_OK; STATUS_BAD_PARAMETER for a bad row, a null buffer, a
   bufferColumn outside the row or inside a byte, a negative count or null
   segments with a positive count. */
KRNAPI int ZELT_API KrnPutBitmapRowSegments(BitmapRecord *bitmap, const void *buffer, int row, int bufferColumn,
                                            const int *segments, int segmentCount, int wholeRowWithoutSegments);
/* Bytes a row buffer needs to hold `width` pixels of `bitsPerPixel` bits and
   also, after an in-place conversion, `otherWidth` pixels of `otherBits`
   bits: the larger of the two DWORD-aligned row sizes (a pair with a
   width or depth below 1 counts as 0; 0 when the size exceeds a DWORD). */
KRNAPI DWORD ZELT_API KrnGetRowBufferSize(int width, int bitsPerPixel, int otherWidth, int otherBits);

/* KrnConvertRowTo24 flags. */
#define KRN_CONVERT_GRAY 0x0001       /* the deep side is gray (Order 2) */
#define KRN_CONVERT_BIT_WINDOW 0x0004 /* deep gray passes through LowBit..HighBit */
/* Converts `width` pixels between a bitmap format and 24 bits. One of
   srcBits and dstBits is 24 (with its order: 1 = blue first, else red
   first); the other is any supported depth with its Order. dst may equal
   src (the buffer must then hold the larger row, KrnGetRowBufferSize).
   - From 1..8 bits: each index is looked up in colors (colorCount entries;
     indices beyond give black).
   - From 12/16-bit gray: with KRN_CONVERT_BIT_WINDOW the sample is reduced
     through KrnGetBitWindow(bits, colors ? bits : 8, lowBit, highBit); with
     colors (a LevelLut of colorCount entries) the windowed sample indexes it,
     otherwise the gray level is the windowed sample scaled to 0..255.
     Without the flag the top 8 bits of the sample are the gray level.
   - From 16-bit 5-5-5: each field v becomes (v << 3) | (v >> 2).
   - From 48/64 bits: the high byte of each channel.
   - To 1..8 bits: the nearest of the colorCount colors (squared RGB
     distance, first wins); to 12/16-bit gray: the luminance
     (299 R + 587 G + 114 B) / 1000 scaled to the full sample range (to the
     window when KRN_CONVERT_BIT_WINDOW is set); to 5-5-5: the top 5 bits;
     to 48/64 bits: each byte v becomes v * 257. Written gray samples with
   KRN_CONVERT_BIT_WINDOW fill the whole window (maxBits = bitsPerPixel),
   so reading them back through its top 8 bits gives the same level.
   Returns STATUS_OK, or STATUS_BAD_PARAMETER for null buffers, a negative
   width, neither side 24 bits or an unsupported depth. */
KRNAPI int ZELT_API KrnConvertRowTo24(void *dst, const void *src, int width, int srcBits, int srcOrder,
                                      int dstBits, int dstOrder, const RGBQUAD *colors, int colorCount,
                                      UINT flags, int lowBit, int highBit);
/* The significant window lowBit..highBit of a bitsPerPixel-bit sample,
   clipped to the sample and, when wider than maxBits, to its top maxBits
   bits: returns the bit count n and sets *mask = 2^n - 1 and *shift, so that
   (sample >> shift) & mask is the windowed value. An empty window (lowBit >
   highBit after clipping, or maxBits < 1) gives n = 0, mask 0, shift 0;
   mask and shift may be NULL. */
KRNAPI int ZELT_API KrnGetBitWindow(int bitsPerPixel, int maxBits, int lowBit, int highBit, DWORD *mask,
                                    int *shift);
/* Colour of stored pixel (column, row) as a COLORREF (0x00BBGGRR); 12 and
   16-bit gray give the windowed (LowBit..HighBit, 8 bits) level on all three
   channels, or the LevelLut entry when BITMAP_LEVEL_PROCESSING is set.
   0x80000000 when the position is outside the image or the record is not
   allocated. */
#define KRN_PIXEL_OUTSIDE 0x80000000u
KRNAPI COLORREF ZELT_API KrnGetPixelColor(BitmapRecord *bitmap, int row, int column);
/* 0: colour. 1: gray, dark to light (a palette that is a gray ramp from black
   to white, or deep gray data). 2: inverted gray (the same ramp from white to
   black). With a LevelLut and BITMAP_LEVEL_PROCESSING, deep gray is gray only
   when the table's entries over the window are gray. A ramp of n entries has
   entry i = i * 255 / (n - 1), give or take 1. Answered from the record's
   description (no data needed); 0 for NULL. */
KRNAPI int ZELT_API KrnIsGrayBitmap(BitmapRecord *bitmap);

/* ---- palettes -------------------------------------------------------------- */
/* Copies up to `count` entries from `first` as RGBQUADs; returns the number
   copied (0 for a NULL palette). */
KRNAPI int ZELT_API KrnGetPaletteColors(HPALETTE palette, int first, int count, RGBQUAD *colors);
/* The same for a bitmap's palette; 0 for images without one. */
KRNAPI int ZELT_API KrnGetBitmapColors(BitmapRecord *bitmap, int first, int count, RGBQUAD *colors);
KRNAPI HPALETTE ZELT_API KrnCreatePaletteCopy(HPALETTE palette);
KRNAPI HPALETTE ZELT_API KrnCreatePaletteFromColors(const RGBQUAD *colors, int count);
/* Fixed palette of a device of `bits` bits: 1 black and white; 2 four grays;
   4 the 16 VGA colours; 8 and deeper the 256-colour 3-3-2 table (blue
   (0,85,170,255)[i & 3], green L[(i >> 2) & 7], red L[i >> 5], L[k] =
   round(k * 255 / 7)). */
KRNAPI HPALETTE ZELT_API KrnCreateDevicePalette(int bits);
/* The screen's palette: the system palette on a palette device, the 8-bit
   device palette otherwise. */
KRNAPI HPALETTE ZELT_API KrnCreateScreenPalette(void);
/* Nonzero when the palette's first `count` entries equal colors (red, green
   and blue compared) and it has exactly `count` entries. */
KRNAPI int ZELT_API KrnPaletteMatches(HPALETTE palette, const RGBQUAD *colors, int count);

/* ---- orientation ------------------------------------------------------------ */
/* The change that turns an image stored in perspective `from` into the same
   picture stored in perspective `to`: flip vertically first (*flip nonzero),
   then turn clockwise by *degrees (0, 90, 180 or 270). */
KRNAPI int ZELT_API KrnGetPerspectiveChange(int from, int to, int *flip, int *degrees);
/* Maps a rectangle from perspective `from` coordinates of an image into its
   perspective `to` coordinates; width and height are the image's size in
   the `from` coordinates. Right and bottom are exclusive; the result is
   normalised (left <= right, top <= bottom). */
KRNAPI int ZELT_API KrnMapRectPerspective(int from, int width, int height, int to, RECT *rect);
/* Stored coordinates of `bitmap` to perspective `perspective` coordinates,
   and back. */
KRNAPI int ZELT_API KrnRectFromBitmap(const BitmapRecord *bitmap, int perspective, RECT *rect);
KRNAPI int ZELT_API KrnRectToBitmap(const BitmapRecord *bitmap, int perspective, RECT *rect);

/* ---- packed DIBs -------------------------------------------------------------
   A packed DIB is a header, its colour table and the pixel rows in one
   moveable global block (GMEM_MOVEABLE | GMEM_DDESHARE). Depths a DIB cannot
   hold are widened: 2, 3 -> 4; 5, 6, 7 -> 8; 12 and 16-bit gray -> 8-bit gray
   (through LowBit..HighBit); 48 -> 24; 64 -> 32. 16-bit 5-5-5 stays 16.
   The DIB holds the displayed picture: the record's ViewPerspective is
   applied (values outside 0..8 count as 0), so perspectives 4, 5, 7 and 8
   give a Height x Width DIB. Colour tables: ColorCount entries (biClrUsed)
   for palette images, a 256-level gray ramp for deep gray. NULL when the
   record is not allocated, the header size or orientation is not offered
   for the depth, or memory runs out (nothing is left allocated). */
KRNAPI HGLOBAL ZELT_API KrnConvertToDib(BitmapRecord *bitmap);
/* headerSize 40 (BITMAPINFOHEADER) or 12 (BITMAPCOREHEADER, depths 1, 4, 8
   and 24 only); topDown gives a negative biHeight (40-byte headers only). */
KRNAPI HGLOBAL ZELT_API KrnConvertToDibEx(BitmapRecord *bitmap, DWORD headerSize, BOOL topDown);
/* Like KrnConvertToDib, and on success frees the bitmap. */
KRNAPI HGLOBAL ZELT_API KrnChangeToDib(BitmapRecord *bitmap);
/* Fills `bitmap` (any previous contents are not freed) from a DIB header
   (40-byte or larger BITMAPINFOHEADER, or 12-byte BITMAPCOREHEADER) with its
   colour table following it; bits NULL means the rows follow the colour
   table. BI_RGB at 1, 4, 8, 16, 24, 32 bits; BI_BITFIELDS at 16 and 32 bits
   (5-6-5 and other masks are widened to 24 bits). The result has Order 1 and
   ViewPerspective 2 for a bottom-up DIB, 0 for a top-down one, the rows
   stored as they lie in the DIB.
   Null bitmap or header: STATUS_BAD_PARAMETER. A header no DIB can have
   (size not 12 and below 40 or above 4096, planes other than 1, width < 1,
   height 0, more than 2^31 bytes of rows, another depth or compression,
   bit fields that are zero or not one run of bits, biClrUsed above 256):
   STATUS_INVALID_DATA. Failed allocations: STATUS_NO_MEMORY. On any
   failure the record is not written. */
KRNAPI int ZELT_API KrnConvertFromDib(BitmapRecord *bitmap, const void *header, const void *bits);
/* Like KrnConvertFromDib from a packed DIB block; on success the block is
   freed (the kernel owns it), on failure it stays the caller's. A null
   block gives STATUS_BAD_PARAMETER; a block shorter than its header,
   colour table and rows, STATUS_INVALID_DATA. */
KRNAPI int ZELT_API KrnChangeFromDib(BitmapRecord *bitmap, HGLOBAL dib);
/* The same checks and result, the block staying the caller's whatever
   happens (for blocks others own, such as the clipboard's). */
KRNAPI int ZELT_API KrnConvertFromDibBlock(BitmapRecord *bitmap, HGLOBAL dib);

/* ---- paint support ------------------------------------------------------------
   Row and band services of the paint paths. */
/* Resamples one row by nearest neighbour: target pixel i (i < width) is
   source column c_i, with c_0 = firstColumn and error e_0 = error; each step
   adds `step` columns and `remainder` to the error, and one more column when
   the error reaches `extent` (which it then loses). `source` holds the row
   from firstColumn rounded down to its fetch unit (8 pixels for 1, 3, 5 and
   7 bits; 4 for 2 and 6; 2 for 4 and 12; 1 otherwise), so its first pixel is
   that column. Pixels keep the source depth; targetBytes bounds the output.
   `enlarging` (extent >= source width) lets the kernel take a faster route. */
KRNAPI int ZELT_API KrnResampleRow(int bitsPerPixel, DWORD targetBytes, int firstColumn, int step, int error,
                                   int remainder, const void *source, void *target, int width, int extent,
                                   BOOL enlarging);
/* Turns a band of `height` DWORD-aligned rows of `width` pixels of
   `bitsPerPixel` (1, 2, 4, 8, 16, 24 or 32) bits by 90 degrees into `turned`
   (another buffer), which then holds `width` rows of `height` pixels with
   zero padding. Rows count in memory order (row 0 first), the order the
   perspective change of KrnGetPerspectiveChange is expressed in: direction 1
   turns clockwise, turned(a, b) = band(height - 1 - b, a); direction 0
   counter-clockwise, turned(a, b) = band(b, width - 1 - a) (row, pixel). */
KRNAPI int ZELT_API KrnRotateBuffer(const void *band, void *turned, int direction, int width, int height,
                                    int bitsPerPixel);
/* Turns a band by 180 degrees: row order and pixel order reversed. */
KRNAPI int ZELT_API KrnReverseBuffer(const void *band, void *turned, int width, int height, int bitsPerPixel);
/* Buffer painting's conversion of a band given with a negative row count:
   such a band holds its rows last row first (as a bottom-up decoder delivers
   them); converted row i = rows row (rowCount - 1 - i), rowBytes bytes each
   (the record's BytesPerLine). The buffers must not overlap. */
KRNAPI int ZELT_API KrnConvertBufferRows(const void *rows, void *converted, int rowBytes, int rowCount);

/* ---- colour reduction -------------------------------------------------------------
   Reduces a source image, resampled by nearest neighbour to dstWidth x
   dstHeight (stored orientation: destination pixel (c, i) shows stored
   source pixel (floor(c * Width / dstWidth), floor(i * Height / dstHeight))),
   to 1-, 4- or 8-bit indices into `colors` (or to 24-bit blue-green-red rows
   when bits is 24, without reduction). Flags:
     KRN_REDUCE_DIFFUSE   error diffusion (Floyd-Steinberg weights 7, 3, 5, 1)
     KRN_REDUCE_ORDERED   ordered dither with an 8x8 Bayer matrix, phase
                          (column & 7, row index & 7) of the destination
     KRN_REDUCE_SERPENTINE diffusion runs right to left on odd row indices
     KRN_REDUCE_WEIGHTED  colour distance weights 3, 4, 2 for red, green,
                          blue (else KRN_REDUCE_PLAIN: equal weights)
   Nearest colours are exact (no colour-cube approximation): a source that
   only holds target colours is reproduced as it is by both methods.
   Rows may be requested in any order. Diffusion carries its error from a
   row to the next one in the direction the requests run (ascending or
   descending row indices, the same column span); any other request restarts
   it with zero error at the requested row. Ordered dither does not depend
   on the order. Memory is bounded by a few rows of the source and the
   requested span plus a 128 KiB colour-cell table.
   The row supplier, when given, is asked for stored source rows (all
   Width pixels, in the source's format, from column 0) instead of the
   source's image data. LowBit and HighBit of deep gray sources are taken
   at the start. */
typedef int(ZELT_CDECL *KRNROWSUPPLIER)(void *data, int row, void *buffer, int pixelCount);
DECLARE_HANDLE(HKRNREDUCE);
#define KRN_REDUCE_SERPENTINE 0x0004
#define KRN_REDUCE_WEIGHTED 0x0010
#define KRN_REDUCE_PLAIN 0x0020
#define KRN_REDUCE_DIFFUSE 0x10000
#define KRN_REDUCE_ORDERED 0x70000
/* STATUS_BAD_PARAMETER for a null source or handle, sizes below 1, bits not
   1, 4, 8 or 24, or a colour count outside 1 .. 2^bits; otherwise a
   failed allocation gives STATUS_NO_MEMORY. */
KRNAPI int ZELT_API KrnStartColorReduce(const BitmapRecord *source, int dstWidth, int dstHeight, int bits,
                                        const RGBQUAD *colors, int colorCount, UINT flags,
                                        KRNROWSUPPLIER rowSupplier, void *supplierData, HKRNREDUCE *handle);
/* Writes destination row `rowIndex` from column firstColumn on: as many
   pixels as `bytes` holds, up to the destination's right edge, packed most
   significant bits first. Returns STATUS_OK, STATUS_BAD_PARAMETER for a bad
   row or column, the supplier's status, or STATUS_NO_MEMORY. */
KRNAPI int ZELT_API KrnReduceRow(HKRNREDUCE handle, void *target, int rowIndex, int firstColumn, DWORD bytes);
KRNAPI int ZELT_API KrnEndColorReduce(HKRNREDUCE handle); /* NULL allowed */

/* ---- whole-image operations ---------------------------------------------------- */
/* Writes `color` to every pixel of the bitmap inside its region (every
   pixel when it has none). For 8 bits or less a colour whose top byte is
   0x01 names palette index (color & 0xFF); any other colour is matched to
   the nearest palette entry. Deep images store the colour in their own
   format (gray images its luminance). STATUS_NO_BITMAP for a null or
   unallocated bitmap; STATUS_NO_MEMORY when a work row cannot be made. */
KRNAPI int ZELT_API KrnFillBitmap(BitmapRecord *bitmap, COLORREF color);

/* Makes `destination` a new allocated bitmap holding `source` at `bits`
   bits per pixel (1, 4, 8, 16, 24, 32), with the source's size, view
   perspective, placement, resolution and a deep copy of its region (through
   the registered region services). For 8 bits or less the colours
   come from `colors` (colorCount entries) or `palette` when
   KRN_COLORRES_GIVEN_PALETTE is set, else from the fixed table of the
   depth (black and white for 1 bit, the device palette for 4 and 8). Pixels
   take the nearest colour unless KRN_COLORRES_DIFFUSE (or
   KRN_REDUCE_DIFFUSE) asks for error diffusion. Deep results use Order 1 (blue, green, red) with
   KRN_COLORRES_BGR and Order 0 otherwise. Deep gray sources are read
   through the bit window lowBit..highBit, or their own window when highBit
   is 0. The source is left untouched; on failure `destination` is left
   cleared and owns nothing. STATUS_BAD_PARAMETER for null records, an
   unsupported depth or an empty given palette; STATUS_NO_BITMAP for an
   unallocated source; STATUS_NO_MEMORY. */
#define KRN_COLORRES_FIXED_PALETTE 0x0001
#define KRN_COLORRES_DIFFUSE 0x0002
#define KRN_COLORRES_BGR 0x0004
#define KRN_COLORRES_GIVEN_PALETTE 0x0010
KRNAPI int ZELT_API KrnConvertColorRes(const BitmapRecord *source, BitmapRecord *destination, int bits, UINT flags,
                                       const RGBQUAD *colors, HPALETTE palette, int colorCount, int lowBit,
                                       int highBit);

/* Mirrors the stored image in place: KRN_FLIP_HORIZONTAL reverses every
   row, KRN_FLIP_VERTICAL reverses the order of the rows. The region, when
   there is one, is mirrored with it. STATUS_NO_BITMAP for a null or
   unallocated bitmap; STATUS_BAD_PARAMETER for another direction. */
#define KRN_FLIP_HORIZONTAL 0
#define KRN_FLIP_VERTICAL 1
KRNAPI int ZELT_API KrnFlipBitmap(BitmapRecord *bitmap, int direction);
/* Turns the image into gray in place: bits 8 gives 8 bits per pixel with a
   gray ramp palette (black to white); 12 and 16 give deep gray (Order 2)
   filling the whole sample. The level of a colour is its luminance
   (299 R + 587 G + 114 B) / 1000; gray images keep their levels (deep gray
   read through its LowBit..HighBit window). Size, perspective, region and
   descriptive fields are kept; the bit windows then cover the whole sample.
   The thread's status callback sees the progress and may stop it (its
   answer is then the status, the image unchanged). STATUS_NO_BITMAP,
   STATUS_BAD_PARAMETER for another depth, STATUS_NO_MEMORY (the image is
   then unchanged). */
KRNAPI int ZELT_API KrnGrayscaleBitmap(BitmapRecord *bitmap, int bits);
/* Resamples the stored image in place to width x height: each target pixel
   is the area-weighted average of the source pixels it covers when
   shrinking, and interpolated linearly between the two source pixel centres
   around its centre when enlarging, each axis on its own (KRN_RESIZE_NEAREST:
   the source pixel under its centre, no new colours). Gray-ramp palette
   images average their indices; other palette images average colours and
   take the nearest entry of their palette. The region is scaled with it;
   the same size changes nothing. Progress goes to the status callback, which
   may stop it.
   STATUS_NO_BITMAP, STATUS_BAD_PARAMETER for a size below 1 or another
   flag, STATUS_NO_MEMORY (the image is then unchanged). */
#define KRN_RESIZE_NEAREST 0x0001
KRNAPI int ZELT_API KrnResizeBitmap(BitmapRecord *bitmap, int width, int height, UINT flags);
/* Stores the picture of `bitmap` in perspective `perspective` (0..8): the
   pixels are moved (turned or mirrored) so that the image shows the same
   picture, the record's ViewPerspective becomes `perspective` and Width and
   Height are exchanged when the turn is a quarter turn. With `source` not
   NULL, `bitmap` is first made a deep copy of it (and freed on failure);
   with `source` NULL (or `bitmap` itself) the change is made in place. The
   change is KrnGetPerspectiveChange's: a vertical flip, then a clockwise
   turn with rows in memory order; the region follows through the flip and
   rotation services. flags: reserved, 0 (else STATUS_BAD_PARAMETER).
   STATUS_NO_BITMAP, STATUS_BAD_PARAMETER, STATUS_NO_MEMORY (the image is
   then unchanged). */
KRNAPI int ZELT_API KrnChangePerspective(const BitmapRecord *source, BitmapRecord *bitmap, int perspective,
                                         UINT flags);
/* Copies `source` into `destination` at the rectangle (left, top, width,
   height), given in the destination's coordinates in the source's
   perspective (for equal perspectives: stored coordinates), the source read
   from (sourceLeft, sourceTop) in its own coordinates of that perspective.
   The two must have the same BitsPerPixel (and Order above 8 bits); pixel
   values are copied as they stand. Flags: KRN_COMBINE_COPY (required) and
   KRN_COMBINE_SOURCE_REGION to copy only the source pixels inside the
   source's region when it has one. The rectangle is clipped to both images.
   STATUS_NO_BITMAP, STATUS_BAD_PARAMETER. */
#define KRN_COMBINE_SOURCE_REGION 0x0010
#define KRN_COMBINE_COPY 0x0020
KRNAPI int ZELT_API KrnCombineBitmap(BitmapRecord *destination, int left, int top, int width, int height,
                                     const BitmapRecord *source, int sourceLeft, int sourceTop, UINT flags);
/* Error-diffusion dithering of 24-bit rows (blue, green, red) back to a
   palette, row after row. KrnStartDither prepares `ditherRecord` (a record
   described with KrnInitBitmapRecord at the rows' Width, no data): it keeps
   the colorCount colours, the target depth `bits` (1..8) and the errors
   carried from row to row in a block its Data addresses (so the record must
   hold no image data; a second start replaces the first); flags: reserved,
   0. KrnDitherRow turns the next row of Width pixels from `source` into
   packed indices in `target` (which may be the same buffer); a failed row
   leaves the target and the carried errors as they were. KrnStopDither
   releases what Start made (harmless on a record it did not prepare);
   KrnFreeBitmap does not, so a started record is always stopped.
   STATUS_BAD_PARAMETER, STATUS_NO_MEMORY. */
KRNAPI int ZELT_API KrnStartDither(BitmapRecord *ditherRecord, const RGBQUAD *colors, int colorCount, int bits,
                                   UINT flags);
KRNAPI int ZELT_API KrnDitherRow(BitmapRecord *ditherRecord, void *target, const void *source);
KRNAPI int ZELT_API KrnStopDither(BitmapRecord *ditherRecord);

/* ---- drawing into a bitmap with GDI ------------------------------------------
   KrnCreateBitmapDC gives a memory DC whose drawing surface is the bitmap's
   displayed picture (Width x Height, or Height x Width for perspectives 4,
   5, 7 and 8, top-left at (0, 0), in MM_TEXT); KrnDeleteBitmapDC stores the
   pixels that drawing changed back into the record, in its depth and
   perspective (colours of indexed images become the nearest palette
   entry, gray images the luminance), and deletes the DC. Pixels nothing
   drew on keep their stored values exactly. The bitmap must not be freed,
   resized or given to another bitmap DC in between. NULL for an
   unallocated bitmap or when GDI or memory runs out (nothing is left). */
KRNAPI HDC ZELT_API KrnCreateBitmapDC(BitmapRecord *bitmap);
/* STATUS_OK; STATUS_BAD_PARAMETER for a DC KrnCreateBitmapDC did not make
   (it is then left alone). */
KRNAPI int ZELT_API KrnDeleteBitmapDC(HDC hdc);

/* ---- 1-bit runs and cell thresholds ------------------------------------------ */
/* Pixels firstColumn .. firstColumn + count - 1 of stored row `row` of a
   1-bit image as run lengths that alternate between pixels of value 0 and
   of value 1, starting with a run of 0 pixels (length 0 when the first
   pixel is 1); the runs add up to count. A run longer than 65535 continues
   after a zero-length run of the other value. bitScratch holds at least
   (count + 15) / 8 bytes, runs at least count + 3 entries (2 * count + 6
   bytes). Returns the number of runs (>= 1), or STATUS_BAD_PARAMETER for a
   null pointer, an image that is not 1-bit, a bad row, or columns outside
   0 .. Width. */
KRNAPI int ZELT_API KrnGetRowRuns(BitmapRecord *bitmap, void *bitScratch, WORD *runs, int row, int firstColumn,
                                  int count);
/* Black pixels a reduced cell of `area` pixels of a scanned 1-bit image
   must hold to be shown black: floor(sqrt(area)), the pixels a one-pixel
   stroke crossing the cell straight leaves in it, so that thin strokes of
   text survive any reduction while lone specks in large cells vanish. 1 for
   areas below 1. */
KRNAPI int ZELT_API KrnCellThreshold(int area);

/* ---- fixed-point trigonometry ---------------------------------------------- */
/* cos and sin of an angle in hundredths of degrees, times 16384, rounded to
   the nearest integer. */
KRNAPI LONG ZELT_API KrnCosFixed(LONG hundredths);
KRNAPI LONG ZELT_API KrnSinFixed(LONG hundredths);

/* ---- status callback ----------------------------------------------------------
   Per-thread progress callback for long operations: called with a percentage
   and the user data; any result other than STATUS_OK aborts the operation. */
typedef int(ZELT_CDECL *KRNSTATUSCALLBACK)(int percent, void *userData);
KRNAPI KRNSTATUSCALLBACK ZELT_API KrnGetStatusCallback(void **userData);
KRNAPI int ZELT_API KrnSetStatusCallback(KRNSTATUSCALLBACK callback, void *userData);

/* ---- regions ----------------------------------------------------------------- */
#define KRN_REGION_SERVICE_COUNT 23
/* Position (from 0) of each entry of the table the display library registers. */
enum KrnRegionService {
    KRN_RGN_FLIP_HORZ = 0,
    KRN_RGN_COPY_OFFSET,
    KRN_RGN_SET_FROM_MASK,
    KRN_RGN_CLIP_SEGMENTS_MAX,
    KRN_RGN_CLIP_SEGMENTS,
    KRN_RGN_RESIZE,
    KRN_RGN_COMBINE,
    KRN_RGN_BOUNDS,
    KRN_RGN_COPY,
    KRN_RGN_OFFSET_RECORD,
    KRN_RGN_FLIP_RECORD_VERT,
    KRN_RGN_SHEAR,
    KRN_RGN_ROTATE,
    KRN_RGN_INT_HANDLE,
    KRN_RGN_SET_COLOR,
    KRN_RGN_SET_RECT,
    KRN_RGN_IS_PT_IN,
    KRN_RGN_CREATE_MASK,
    KRN_RGN_FLIP_VERT,
    KRN_RGN_HANDLE,
    KRN_RGN_LIST_COUNT,
    KRN_RGN_LIST_ITEM,
    KRN_RGN_SET_LIST_ITEM
};
typedef void(ZELT_API *KRNSERVICEPROC)(void);
/* Keeps a copy of the 23-entry table (entries may be NULL for services not
   offered). A NULL table clears it. */
KRNAPI int ZELT_API KrnRegisterRegionServices(const KRNSERVICEPROC *services);
/* The registered entry at `position`, or NULL. */
KRNAPI KRNSERVICEPROC ZELT_API KrnGetRegionService(int position);
/* Frees a region record with its row table, run data and cached GDI
   objects. NULL allowed. */
KRNAPI void ZELT_API KrnFreeRegion(RegionRecord *region);

/* ---- bitmap lists --------------------------------------------------------------
   An ordered list of bitmap records kept by value. */
DECLARE_HANDLE(HBITMAPLIST);
KRNAPI int ZELT_API KrnCreateBitmapList(HBITMAPLIST *list);
/* Frees the list and the images of its items. NULL allowed. */
KRNAPI int ZELT_API KrnDestroyBitmapList(HBITMAPLIST list);
/* Inserts a copy of *item before position index (-1 or the count: at the
   end); the list takes over the item's image (the caller's record must not
   be freed afterwards). */
KRNAPI int ZELT_API KrnInsertBitmapListItem(HBITMAPLIST list, int index, const BitmapRecord *item);
KRNAPI UINT ZELT_API KrnGetBitmapListCount(HBITMAPLIST list); /* 0 for NULL */
/* Copies item `index` into *item (a shallow copy: the list keeps the image). */
KRNAPI int ZELT_API KrnGetBitmapListItem(HBITMAPLIST list, int index, BitmapRecord *item);
/* Replaces item `index` with a copy of *item (the previous record's image is
   not freed: callers write back a record they read). */
KRNAPI int ZELT_API KrnSetBitmapListItem(HBITMAPLIST list, int index, const BitmapRecord *item);
/* Clears per-list state of a listed copy (its access and lock counts). */
KRNAPI int ZELT_API KrnResetListedBitmap(BitmapRecord *item);

/* ---- files -----------------------------------------------------------------------
   Raw binary files. flags: KRN_FILE_READ, KRN_FILE_WRITE or KRN_FILE_READWRITE,
   combined with KRN_FILE_CREATE, KRN_FILE_TRUNCATE, KRN_FILE_BINARY; mode:
   KRN_FILE_MODE_READ / KRN_FILE_MODE_WRITE permission bits for created files. */
#define KRN_FILE_READ 0x0000
#define KRN_FILE_WRITE 0x0001
#define KRN_FILE_READWRITE 0x0002
#define KRN_FILE_CREATE 0x0100
#define KRN_FILE_TRUNCATE 0x0200
#define KRN_FILE_BINARY 0x8000
#define KRN_FILE_MODE_WRITE 0x0080
#define KRN_FILE_MODE_READ 0x0100
KRNAPI int ZELT_API KrnOpenFile(const char *path, int flags, int mode);       /* file or -1 */
KRNAPI LONG ZELT_API KrnSeekFile(int file, LONG offset, int origin);         /* position or -1 */
KRNAPI int ZELT_API KrnReadFile(int file, void *buffer, UINT bytes);         /* bytes read or -1 */
KRNAPI int ZELT_API KrnWriteFile(int file, const void *buffer, UINT bytes);  /* bytes written or -1 */
KRNAPI int ZELT_API KrnCloseFile(int file);                                  /* 0 or -1 */

#ifdef __cplusplus
}
#endif

#endif /* ZELT_KERNEL_H */
