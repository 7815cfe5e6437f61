/*
 * display.h - the Zelt display library: painting bitmaps into device
 * contexts, selection regions, Windows interchange, views, playback and
 * display-oriented image operations.
 *
 * Every export is a plain function with the ZELT_API calling convention
 * that answers with a signed status (status.h: STATUS_OK = 1, failures
 * negative) unless its comment names another result.
 */
#ifndef ZELT_DISPLAY_H
#define ZELT_DISPLAY_H

#include "zelt/kernel.h"
#include "zelt/status.h"
#include "zelt/win32.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#ifdef ZELT_BUILDING_DISPLAY
#define ZELT_DISPLAY_EXPORT __declspec(dllexport)
#else
#define ZELT_DISPLAY_EXPORT __declspec(dllimport)
#endif
#else
#define ZELT_DISPLAY_EXPORT __attribute__((visibility("default")))
#endif
#define ZAPI ZELT_DISPLAY_EXPORT

/* ---- display mode bits (per thread) ---------------------------------------- */
#define DISP_CONVERTER_ALT 0x0001     /* reducing converters dither (ordered) instead of diffusing errors */
#define DISP_INDEXED_PAINT 0x0004     /* 8-bit rows go to GDI as palette indices (DIB_PAL_COLORS) */
#define DISP_DEVICE_REDUCE 0x0008     /* reduce colours to what the device can show */
#define DISP_BITONAL_GRAY 0x0010      /* paint 1-bit gray images scaled to gray on deeper devices */
#define DISP_DITHER_ALT 0x0020        /* ordered dither uses the clustered matrix */
#define DISP_BITONAL_RESAMPLE 0x0040  /* paint 1-bit gray images through the bitonal resampling path */
#define DISP_REDUCE_SAME_DEPTH 0x0080 /* with DISP_DEVICE_REDUCE, also reduce at the device's own depth */
#define DISP_FIXED_PALETTE 0x0100     /* 8-bit devices use the fixed 6x6x6 colour cube */
#define DISP_PATH_OPTION 0x0200       /* the general path takes rows from the kernel colour reduction */
#define DISP_KERNEL_REDUCE 0x0400     /* the same, with that service's palette option */
#define DISP_DEFAULT_MODE (DISP_INDEXED_PAINT | DISP_DEVICE_REDUCE)

/* ---- paint modes (result of device analysis) -------------------------------- */
#define PAINTMODE_DIRECT 0
#define PAINTMODE_CONVERT 1
#define PAINTMODE_REDUCE 2
#define PAINTMODE_GRAY 3
#define PAINTMODE_GRAY_INVERTED 4
#define PAINTMODE_BITONAL 5
#define PAINTMODE_BITONAL_INVERTED 6

/* ---- region combination modes ----------------------------------------------- */
#define RGNMODE_AND 0
#define RGNMODE_SET 1
#define RGNMODE_ANDNOTOLD 2
#define RGNMODE_ANDNOTNEW 3
#define RGNMODE_OR 4
#define RGNMODE_XOR 5
#define RGNMODE_SETNOT 6

/* ---- clipboard placement bits ------------------------------------------------- */
#define COPY_EMPTY 0x01
#define COPY_DIB 0x02
#define COPY_DDB 0x04
#define COPY_PALETTE 0x08
#define COPY_REGION 0x10

/* ---- meta bitmaps ------------------------------------------------------------------
   A metafile handle with what is needed to play it. Ten 32-bit fields on
   32-bit Windows; on 64-bit hosts Handle is pointer-sized and the record
   grows accordingly. The caller owns the record and the handle in it
   (Z_DeleteMetaBitmap). */
typedef struct MetaBitmap {
    HANDLE Handle;     /* HMETAFILE or HENHMETAFILE, or NULL */
    LONG IsEnhanced;   /* 1: Handle is an HENHMETAFILE */
    LONG WindowOrgX;   /* window origin and extent a classic metafile plays with */
    LONG WindowOrgY;
    LONG WindowExtX;
    LONG WindowExtY;
    LONG DeviceExtX;   /* natural size in pixels, 0 when the file gives none */
    LONG DeviceExtY;
    LONG XResolution;  /* dots per inch */
    LONG YResolution;
} MetaBitmap;

/* ---- pan window notifications -------------------------------------------------- */
#define PAN_CREATED 0
#define PAN_MOVED 1
#define PAN_DESTROYED 2
#define PAN_CLOSE 3
#define PAN_PAINTED 4
/* The pan window's notification callback; its result matters for PAN_CLOSE
   only, where it becomes the result of WM_CLOSE. */
typedef int(ZELT_CDECL *PANWINDOWCALLBACK)(HWND hPanWnd, HWND hOwner, UINT nCode, RECT *pRect, void *pUserData);

/* ---- library entry ------------------------------------------------------------------ */
/* The module entry point. On hosts without a Windows loader it is called
   through the platform's module attach when the library loads and unloads. */
ZAPI BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

/* ---- display mode --------------------------------------------------------------------- */
/* The calling thread's mode becomes (old & ~mask) | (value & mask); returns
   the old mode. Switching DISP_INDEXED_PAINT on re-fills the identity index
   table of the thread's paint colours. */
ZAPI UINT ZELT_API Z_SetDisplayMode(UINT mask, UINT value);
/* The calling thread's mode (12 for a new thread). */
ZAPI UINT ZELT_API Z_GetDisplayMode(void);

/* ---- painting ---------------------------------------------------------------------- */
/* Paints `source` of the bitmap (stored-image coordinates; NULL: the whole
   image) scaled onto `destination` of hdc, reading only `sourceClip` and
   drawing only inside `destinationClip` (NULL: no extra clip). A negative
   destination height draws upside down. rop is the GDI raster operation of
   the transfer (SRCCOPY for a plain copy). Clips that leave nothing to draw
   give STATUS_OK without touching the device. */
ZAPI int ZELT_API Z_PaintDC(HDC hdc, BitmapRecord *bitmap, const RECT *source, const RECT *sourceClip,
                            const RECT *destination, const RECT *destinationClip, DWORD rop);
/* Like Z_PaintDC, for the band of stored rows firstRow .. firstRow +
   |rowCount| - 1 held in the caller's buffer (BytesPerLine bytes a row, the
   bitmap's stored order and format); the record only describes the image
   and need not be allocated. A negative rowCount passes the rows through
   the kernel's buffer conversion first. The buffer is unchanged on return. */
ZAPI int ZELT_API Z_PaintDCBuffer(HDC hdc, BitmapRecord *bitmap, const RECT *source, const RECT *sourceClip,
                                  const RECT *destination, const RECT *destinationClip, DWORD rop, void *buffer,
                                  int firstRow, int rowCount);
/* The palette to realise in hdc before painting the bitmap, owned by the
   caller (DeleteObject); NULL when none is needed or it cannot be made. */
ZAPI HPALETTE ZELT_API Z_CreatePaintPalette(HDC hdc, BitmapRecord *bitmap);

/* ---- paint intensity, contrast and gamma ----------------------------------------- */
/* Intensity and contrast range over -1000..1000 (0 neutral), gamma is in
   hundredths (100 neutral, 0 refused). Setters rebuild the bitmap's paint
   table when the value changes. Getters return the stored value and need a
   valid record. */
ZAPI int ZELT_API Z_SetPaintIntensity(BitmapRecord *bitmap, int intensity);
ZAPI int ZELT_API Z_SetPaintContrast(BitmapRecord *bitmap, int contrast);
ZAPI int ZELT_API Z_SetPaintGamma(BitmapRecord *bitmap, UINT gamma);
ZAPI int ZELT_API Z_GetPaintIntensity(BitmapRecord *bitmap);
ZAPI int ZELT_API Z_GetPaintContrast(BitmapRecord *bitmap);
ZAPI UINT ZELT_API Z_GetPaintGamma(BitmapRecord *bitmap);

/* ---- window level ------------------------------------------------------------------- */
/* Sets the significant bit range lowBit..highBit of a deep gray image
   (negative: 0 and BitsPerPixel - 1) and a copy of the lookup table `lut`
   (lutLength entries, blue-green-red-0; NULL removes the table), for
   painting only (flag 0) or painting and processing (flag 1). The record
   need not be allocated. */
ZAPI int ZELT_API Z_WindowLevel(BitmapRecord *bitmap, int lowBit, int highBit, RGBQUAD *lut, UINT lutLength,
                                UINT flag);
/* Fills a window-level table for the data values low..high (clamped to
   minValue..maxValue), indexed by value >> lowBit. flag nonzero: black
   below the window, a ramp from startColor to endColor inside it, white
   above; flag 0: startColor below, a gray ramp inside, endColor above. */
ZAPI int ZELT_API Z_WindowLevelFillLUT(RGBQUAD *lut, UINT lutLength, COLORREF startColor, COLORREF endColor,
                                       UINT low, UINT high, UINT lowBit, UINT highBit, UINT minValue,
                                       UINT maxValue, UINT flag);

/* ---- selection regions ------------------------------------------------------------ */
/* A bitmap's region is a run list in stored-image coordinates. Shapes are
   given in caller coordinates that `xform` maps into the bitmap (NULL: the
   shape is in bitmap coordinates); `mode` is one of RGNMODE_... and says
   how the new shape merges with the existing region (a bitmap without a
   region counts as wholly selected). Every result is clipped to the
   bitmap. On failure the bitmap keeps its previous region. */
ZAPI int ZELT_API Z_SetBitmapRgnRect(BitmapRecord *bitmap, const RegionXForm *xform, const RECT *rect, int mode);
ZAPI int ZELT_API Z_SetBitmapRgnRoundRect(BitmapRecord *bitmap, const RegionXForm *xform, const RECT *rect,
                                          int ellipseWidth, int ellipseHeight, int mode);
ZAPI int ZELT_API Z_SetBitmapRgnEllipse(BitmapRecord *bitmap, const RegionXForm *xform, const RECT *rect, int mode);
/* fillMode 0: WINDING, 1: ALTERNATE. */
ZAPI int ZELT_API Z_SetBitmapRgnPolygon(BitmapRecord *bitmap, const RegionXForm *xform, const POINT *points,
                                        int pointCount, int fillMode, int mode);
/* The caller's region is only read. A NULL handle removes the region. */
ZAPI int ZELT_API Z_SetBitmapRgnHandle(BitmapRecord *bitmap, const RegionXForm *xform, HRGN region, int mode);
/* Moves the region right by columnOffset and down by rowOffset, cutting
   off what leaves the bitmap; a bitmap without a region gets the whole
   bitmap moved. */
ZAPI int ZELT_API Z_OffsetBitmapRgn(BitmapRecord *bitmap, int rowOffset, int columnOffset);
/* Every pixel of `color` (0x01000000 | index: a palette index for 8 bits
   or less). */
ZAPI int ZELT_API Z_SetBitmapRgnColor(BitmapRecord *bitmap, COLORREF color, int mode);
/* The white pixels of `mask` (same size as the bitmap). */
ZAPI int ZELT_API Z_SetBitmapRgnFromMask(BitmapRecord *bitmap, const RegionXForm *xform, BitmapRecord *mask,
                                         int mode);
/* A new 1-bit bitmap, owned by the caller, with 1 for the selected pixels. */
ZAPI int ZELT_API Z_CreateMaskFromBitmapRgn(BitmapRecord *bitmap, BitmapRecord *mask);
/* The 4-connected area around pixel (x, y) whose red, green and blue each
   lie within the low byte of `tolerance` of the seed's. */
ZAPI int ZELT_API Z_SetBitmapRgnMagicWand(BitmapRecord *bitmap, int x, int y, UINT tolerance, int mode);

/* 1 when the bitmap holds a region record (even an empty one), else 0. */
ZAPI int ZELT_API Z_BitmapHasRgn(const BitmapRecord *bitmap);
ZAPI int ZELT_API Z_FreeBitmapRgn(BitmapRecord *bitmap);
/* 1 when the pixel is selected, else 0. */
ZAPI int ZELT_API Z_IsPtInBitmapRgn(BitmapRecord *bitmap, int row, int column);
ZAPI int ZELT_API Z_GetBitmapRgnArea(BitmapRecord *bitmap, DWORD *area);
/* The most integers Z_GetBitmapClipSegments can write for one row. */
ZAPI int ZELT_API Z_GetBitmapClipSegmentsMax(BitmapRecord *bitmap, DWORD *count);
/* The selected runs of a row as start, end, start, end, ... */
ZAPI int ZELT_API Z_GetBitmapClipSegments(BitmapRecord *bitmap, int row, LONG *segments, DWORD *count);
/* The region's bounding box in display coordinates. */
ZAPI int ZELT_API Z_GetBitmapRgnBounds(BitmapRecord *bitmap, const RegionXForm *xform, RECT *bounds);
/* A GDI region of the selection in display coordinates. *callerOwns is 1
   when the caller must delete it, 0 when it is the region's cached handle
   (valid until the region changes). */
ZAPI int ZELT_API Z_IntGetBitmapRgnHandle(BitmapRecord *bitmap, const RegionXForm *xform, HRGN *region,
                                          int *callerOwns);
/* The same, always a handle the caller deletes. */
ZAPI int ZELT_API Z_GetBitmapRgnHandle(BitmapRecord *bitmap, const RegionXForm *xform, HRGN *region);
/* A deep copy of a region record (NULL source: *destination = NULL). */
ZAPI int ZELT_API Z_CopyZeltRgn(RegionRecord **destination, RegionRecord *source);

/* Z_PaintDC and Z_PaintDCBuffer limited to the selected pixels. The
   region is mapped from `source` (NULL: the whole bitmap) onto
   `destination`; any clip region of hdc is replaced while painting and
   restored afterwards. */
ZAPI int ZELT_API Z_PaintRgnDC(HDC hdc, BitmapRecord *bitmap, const RECT *source, const RECT *sourceClip,
                               const RECT *destination, const RECT *destinationClip, DWORD rop);
ZAPI int ZELT_API Z_PaintRgnDCBuffer(HDC hdc, BitmapRecord *bitmap, const RECT *source, const RECT *sourceClip,
                                     const RECT *destination, const RECT *destinationClip, DWORD rop,
                                     void *buffer, int firstRow, int rowCount);
/* The GDI region the two calls above paint through. */
ZAPI int ZELT_API Z_GetResizedRgnHandle(BitmapRecord *bitmap, const RECT *source, const RECT *destination,
                                        HRGN *region, int *callerOwns);
/* Draws the region's outline with stripe pattern frameType (0..7; stepping
   it moves the stripes: marching ants). */
ZAPI int ZELT_API Z_FrameBitmapRgn(HDC hdc, BitmapRecord *bitmap, const RegionXForm *xform, UINT frameType);
/* XORs `color` into the selected pixels; a second identical call restores
   the device. */
ZAPI int ZELT_API Z_ColorBitmapRgn(HDC hdc, BitmapRecord *bitmap, const RegionXForm *xform, COLORREF color);

/* ---- device-dependent bitmaps and screen capture ---------------------------------- */
/* The record painted into a new bitmap compatible with hdc (NULL: the
   screen), at its displayed size; a 1-bit gray record gives a monochrome
   bitmap. NULL when the record has no image or GDI has no bitmap. */
ZAPI HBITMAP ZELT_API Z_ConvertToDDB(HDC hdc, BitmapRecord *bitmap);
/* Z_ConvertToDDB, then, on success only, the record is freed. */
ZAPI HBITMAP ZELT_API Z_ChangeToDDB(HDC hdc, BitmapRecord *bitmap);
/* A new record from hBitmap (compatible with hdc), its colours read through
   hPalette when given. The handles stay the caller's. */
ZAPI int ZELT_API Z_ConvertFromDDB(HDC hdc, BitmapRecord *bitmap, HBITMAP hBitmap, HPALETTE hPalette);
/* Z_ConvertFromDDB, then, on success only, hBitmap and hPalette are deleted. */
ZAPI int ZELT_API Z_ChangeFromDDB(HDC hdc, BitmapRecord *bitmap, HBITMAP hBitmap, HPALETTE hPalette);
/* A new record holding *rect of hdc (a rectangle given bottom-up takes
   |bottom - top| rows from rect->top). */
ZAPI int ZELT_API Z_ScreenCaptureBitmap(HDC hdc, BitmapRecord *bitmap, const RECT *rect);

/* ---- clipboard ----------------------------------------------------------------------- */
/* Places the bitmap on the clipboard, opened for hwnd, in the formats the
   COPY_... flags ask for: CF_PALETTE (the paint palette), CF_DIB, the
   selection region as a 1-bit mask in the "ZELTWORKS 8.0 Region" format
   (only when the bitmap has a region) and CF_BITMAP. COPY_EMPTY empties the
   clipboard first. Placed data belongs to the clipboard; on failure nothing
   is placed and everything made is released. STATUS_NO_BITMAP,
   STATUS_NO_MEMORY, STATUS_BAD_PARAMETER (no DC for hwnd, clipboard busy). */
ZAPI int ZELT_API Z_CopyToClipboardExt(HWND hwnd, BitmapRecord *bitmap, UINT flags);
/* Z_CopyToClipboardExt with every flag: 1 on success, 0 on failure. */
ZAPI int ZELT_API Z_CopyToClipboard(HWND hwnd, BitmapRecord *bitmap);
/* A new record from the clipboard's best image: CF_DIB, else CF_BITMAP
   (with CF_PALETTE), else CF_ENHMETAFILE, else CF_METAFILEPICT (metafiles
   are played onto a white 24-bit image); a region placed beside it becomes
   the record's region. 1 on success, 0 on failure (the record is then left
   as it was). */
ZAPI int ZELT_API Z_CopyFromClipboard(HWND hwnd, BitmapRecord *bitmap);
/* Nonzero when the clipboard holds an image Z_CopyFromClipboard takes. */
ZAPI int ZELT_API Z_ClipboardReady(void);

/* ---- metafiles ----------------------------------------------------------------------- */
/* The bitmap recorded as a metafile that paints it at its displayed size:
   an HENHMETAFILE (cast to HANDLE) when `enhanced` is nonzero, else an
   HMETAFILE. The logical size of the picture is the displayed size in
   pixels; an enhanced metafile's frame is that size on the screen. NULL
   when the record has no image or the metafile cannot be made. */
ZAPI HANDLE ZELT_API Z_ConvertToMetafile(BitmapRecord *bitmap, int enhanced);
ZAPI HMETAFILE ZELT_API Z_ConvertToWMF(BitmapRecord *bitmap);
ZAPI HENHMETAFILE ZELT_API Z_ConvertToEMF(BitmapRecord *bitmap);
/* The same; on success only, the bitmap is freed. */
ZAPI HANDLE ZELT_API Z_ChangeToMetafile(BitmapRecord *bitmap, int enhanced);
ZAPI HMETAFILE ZELT_API Z_ChangeToWMF(BitmapRecord *bitmap);
ZAPI HENHMETAFILE ZELT_API Z_ChangeToEMF(BitmapRecord *bitmap);
/* A new 24-bit record (blue first, rows top-down) with the metafile
   (classic or enhanced, told apart by the handle) played onto it at
   width x height pixels: both 0 gives the picture's natural size, one of
   them 0 keeps its aspect ratio. The handle stays the caller's. */
ZAPI int ZELT_API Z_ConvertFromMetafile(BitmapRecord *bitmap, HANDLE metafile, int width, int height);
/* The same; on success only, the metafile is deleted. */
ZAPI int ZELT_API Z_ChangeFromMetafile(BitmapRecord *bitmap, HANDLE metafile, int width, int height);
ZAPI int ZELT_API Z_ConvertFromWMF(BitmapRecord *bitmap, HANDLE metafile, int width, int height);
ZAPI int ZELT_API Z_ConvertFromEMF(BitmapRecord *bitmap, HANDLE metafile, int width, int height);
ZAPI int ZELT_API Z_ChangeFromWMF(BitmapRecord *bitmap, HANDLE metafile, int width, int height);
ZAPI int ZELT_API Z_ChangeFromEMF(BitmapRecord *bitmap, HANDLE metafile, int width, int height);

/* ---- meta bitmaps ---------------------------------------------------------------------- */
/* Describes a metafile handle (which stays the caller's): STATUS_BAD_PARAMETER
   for a handle that is neither kind, STATUS_INVALID_DATA for classic bytes
   that cannot be read. */
ZAPI int ZELT_API Z_GetMetafileInfo(HANDLE metafile, MetaBitmap *metaBitmap);
/* Reads metafile bytes: a classic metafile, with or without the 22-byte
   placeable header, or (only with `create`) an enhanced one. With `create`
   the descriptor gets a new handle made from the bytes. A mapping-mode
   record selecting MM_TEXT is rewritten in `data` to MM_ANISOTROPIC so the
   picture scales. Never reads past `size`; STATUS_INVALID_DATA for bytes
   that are no metafile. */
ZAPI int ZELT_API Z_ParseMetaBits(void *data, UINT size, MetaBitmap *metaBitmap, int create);
/* Z_ParseMetaBits (with create) of a whole file: STATUS_FILE_OPEN,
   STATUS_FILE_SEEK, STATUS_FILE_READ, STATUS_NO_MEMORY besides its own. */
ZAPI int ZELT_API Z_LoadMetaBitmap(const char *fileName, MetaBitmap *metaBitmap);
/* Plays the picture into `rect` of hdc; returns the play result (nonzero on
   success). A classic metafile leaves hdc in MM_ANISOTROPIC with the
   picture's window and the rectangle's viewport. */
ZAPI int ZELT_API Z_PaintMetaBitmap(HDC hdc, MetaBitmap *metaBitmap, const RECT *rect);
/* Copies the descriptor with a copy of its handle. */
ZAPI int ZELT_API Z_CopyMetaBitmap(MetaBitmap *destination, const MetaBitmap *source);
/* The metafile's bytes: *size always receives their count; when `buffer`
   is not NULL, *buffer receives a new block holding them (release it with
   KrnFreeMem). */
ZAPI int ZELT_API Z_AllocateMetaBitmapBits(const MetaBitmap *metaBitmap, void **buffer, UINT *size);
/* Deletes the descriptor's handle, when there is one, and sets it to NULL. */
ZAPI int ZELT_API Z_DeleteMetaBitmap(MetaBitmap *metaBitmap);

/* ---- animation playback -------------------------------------------------------------- */
/* States reported by Z_ProcessPlayback and Z_GetPlaybackState. */
#define PLAYBACK_START 0
#define PLAYBACK_CLEARED 1
#define PLAYBACK_DRAW 2
#define PLAYBACK_WAIT_ROWS 3
#define PLAYBACK_DRAWN 4
#define PLAYBACK_WAIT_INPUT 5
#define PLAYBACK_WAIT_DELAY 6
#define PLAYBACK_WAIT_INPUT_DELAY 7
#define PLAYBACK_DISPOSE 8
#define PLAYBACK_DISPOSED 9
#define PLAYBACK_END 10

/* One playback, held through the global handle of its block. */
typedef struct PlaybackRecord {
    LONG Index;             /* list position of the current frame; -1 before the first */
    DWORD State;            /* PLAYBACK_... */
    BitmapRecord *Target;   /* the canvas (the caller's) */
    HBITMAPLIST FrameList;  /* the frames (handed back by Z_DestroyPlayback) */
    DWORD FrameStartTick;   /* GetTickCount when the current frame's delay began */
    RECT UpdateRect;        /* canvas area changed since last cleared (stored coordinates) */
    BitmapRecord SavedArea; /* canvas under a frame with disposal 3 */
    DWORD RowsPending;      /* nonzero while the last appended frame lacks rows */
    DWORD RowsMissing;      /* rows of that frame not yet reported */
    BYTE *RowFlags;         /* one bit per row of that frame, most significant first */
} PlaybackRecord;

ZAPI int ZELT_API Z_CreatePlayback(HGLOBAL *phPlayback, BitmapRecord *pTarget, HBITMAPLIST hFrameList);
ZAPI int ZELT_API Z_DestroyPlayback(HGLOBAL hPlayback, HBITMAPLIST *phFrameList);
ZAPI int ZELT_API Z_AppendPlayback(HGLOBAL hPlayback, BitmapRecord *pFrame);
ZAPI int ZELT_API Z_ValidatePlaybackLines(HGLOBAL hPlayback, int nRow, int nLines);
ZAPI int ZELT_API Z_ProcessPlayback(HGLOBAL hPlayback, UINT *pState);
ZAPI int ZELT_API Z_GetPlaybackState(HGLOBAL hPlayback, UINT *pState);
ZAPI int ZELT_API Z_CancelPlaybackWait(HGLOBAL hPlayback);
ZAPI int ZELT_API Z_GetPlaybackDelay(HGLOBAL hPlayback, UINT *pDelay);
ZAPI int ZELT_API Z_SetPlaybackIndex(HGLOBAL hPlayback, int nIndex);
ZAPI int ZELT_API Z_GetPlaybackIndex(HGLOBAL hPlayback, int *pIndex);
ZAPI int ZELT_API Z_GetPlaybackUpdateRect(HGLOBAL hPlayback, RECT *pRect, int bClear);
ZAPI int ZELT_API Z_ClearPlaybackUpdateRect(HGLOBAL hPlayback);

/* ---- colour spaces ---------------------------------------------------------------------- */
#define COLORSPACE_BGR 0  /* 3 bytes: blue, green, red */
#define COLORSPACE_YUV 1  /* 3 signed 16-bit: Y, U = B - Y, V = R - Y; 16384 = 1.0 */
#define COLORSPACE_CMYK 2 /* 4 bytes: cyan, magenta, yellow, black */
#define COLORSPACE_HSV 3  /* 3 bytes: hue (256ths of a turn), saturation, value */
#define COLORSPACE_HLS 4  /* 3 bytes: hue (255ths of a turn), lightness, saturation */
#define COLORSPACE_YIQ 5  /* 3 signed 16-bit: Y, I, Q; 16384 = 1.0 */
#define COLORSPACE_CMY 6  /* 3 bytes: cyan, magenta, yellow */
/* Converts pixelCount pixels from one space to another through 24-bit
   blue-green-red. The arrays may overlap only when both spaces are BGR. */
ZAPI int ZELT_API Z_ConvertColorSpace(const void *source, void *destination, int pixelCount, int fromSpace,
                                      int toSpace);

/* ---- underlay -------------------------------------------------------------------------- */
#define UNDERLAY_TILE 0
#define UNDERLAY_STRETCH 1
/* Raises or lowers every channel of the bitmap (inside its region) by the
   underlay's gray level around 128, the underlay tiled from the top-left
   corner or stretched to the bitmap's size. The underlay is not changed. */
ZAPI int ZELT_API Z_UnderlayBitmap(BitmapRecord *bitmap, const BitmapRecord *underlay, UINT flags);

/* ---- halftone --------------------------------------------------------------------------- */
#define HALFTONE_CLUSTER 0
#define HALFTONE_DISPERSE 1
/* Replaces the bitmap with a 1-bit halftone of it (ordered dither against
   the clustered or dispersed 8 x 8 matrix), keeping its size, region and
   perspective; on failure the bitmap is untouched. The Ext form turns the
   screen by nAngle hundredths of a degree. */
ZAPI int ZELT_API Z_HalfToneBitmap(BitmapRecord *pBitmap, UINT uType);
ZAPI int ZELT_API Z_HalfToneBitmapExt(BitmapRecord *pBitmap, UINT uType, int nAngle);

/* ---- printing ------------------------------------------------------------------------- */
/* Prints a bitmap on a printer page. hDC 0 opens the default printer and
   starts a document and a page; fEndDoc non-zero ends them and deletes the
   DC. Returns the (still open) DC, non-zero after a successful end, 0 on
   failure. nX, nY 0 centre on that axis; nWidth, nHeight 0 derive the size
   from the bitmap's aspect. The kernel's status callback sees the progress
   in percent and stops the print by returning anything but 1. */
ZAPI UINT ZELT_API Z_PrintBitmapExt(HDC hDC, BitmapRecord *pBitmap, int nX, int nY, int nWidth, int nHeight,
                                    int fEndDoc);
/* The same on the default printer, with the open DC kept per thread so that
   several calls fill one page. */
ZAPI UINT ZELT_API Z_PrintBitmap(BitmapRecord *pBitmap, int nX, int nY, int nWidth, int nHeight, int fEndDoc);
/* Hands the rows to the printer in one StretchDIBits when the bitmap is
   already in a device-independent form, else as Z_PrintBitmapExt. */
ZAPI UINT ZELT_API Z_PrintBitmapFast(HDC hDC, BitmapRecord *pBitmap, int nX, int nY, int nWidth, int nHeight,
                                     int fEndDoc);

/* ---- pan window ----------------------------------------------------------------------- */
/* A small captioned window owned by hWndOwner that shows the whole bitmap
   reduced to fit, with a rectangle marking the owner's view; dragging it
   reports PAN_MOVED with the rectangle in bitmap coordinates. Created
   hidden; the first Z_UpdatePanWindow shows it. */
ZAPI int ZELT_API Z_CreatePanWindow(HWND hWndOwner, BitmapRecord *pBitmap, UINT ulDisplayFlags, int nLeft, int nTop,
                                    int nWidth, int nHeight, char *pszClassName, HICON hIcon, HCURSOR hCursor,
                                    int bSysMenu, PANWINDOWCALLBACK pfnCallback, void *pUserData);
/* pViewRect: where the owner shows the whole bitmap, in its client
   coordinates. A null or unallocated bitmap destroys the pan window. */
ZAPI int ZELT_API Z_UpdatePanWindow(HWND hPanWnd, BitmapRecord *pBitmap, UINT ulDisplayFlags, COLORREF crPen,
                                    char *pszTitle, RECT *pViewRect);
ZAPI int ZELT_API Z_DestroyPanWindow(HWND hPanWnd);

/* ---- magnifying glass ---------------------------------------------------------------- */
/* Subclasses hWnd so that holding the left button shows a glass with the
   bitmap under the cursor enlarged; pDestRect is where the window shows the
   whole bitmap. See the reference for the remaining settings. */
ZAPI int ZELT_API Z_StartMagGlass(HWND hWnd, BitmapRecord *pBitmap, RECT *pDestRect, int nGlassWidth,
                                  int nGlassHeight, int nZoom, COLORREF crPen, HCURSOR hCursor, COLORREF crBack,
                                  int bEllipse, int nBorderSize, int b3D, UINT uDisplayMode, COLORREF *pMaskColors,
                                  int nMaskColors, int nCrosshair, int bIgnoreRgn, int bCenter);
ZAPI int ZELT_API Z_StopMagGlass(HWND hWnd);
/* The library's cursors for the glass: round and rectangular lens. */
#define ZELT_CURSOR_ROUND_LENS 500
#define ZELT_CURSOR_RECT_LENS 501

#ifdef __cplusplus
}
#endif

#endif /* ZELT_DISPLAY_H */
