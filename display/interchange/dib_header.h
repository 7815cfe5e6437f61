// Packed DIBs in memory: a BITMAPINFOHEADER (40 bytes) or BITMAPCOREHEADER
// (12 bytes), the colour table, then the pixels. Shared by the device-
// dependent bitmap exports and the clipboard.
#pragma once

#include "zelt/kernel.h"

// Zeroes 40 bytes at `header` and describes a bottom-up DIB of the given
// size at the DIB depth that holds `depth` bits (1, 4, 8 or 24).
void InitDibHeader(BITMAPINFOHEADER *header, LONG width, LONG height, int depth);

// Colour table entries of the DIB the header starts.
DWORD DibColorCount(const void *header);

// Bytes of the colour table (3 a core entry, 4 otherwise).
DWORD DibColorTableSize(const void *header);

// The first pixel byte of the packed DIB the header starts.
BYTE *DibBitsPointer(void *header);
const BYTE *DibBitsPointer(const void *header);

// A new bitmap from a packed DIB in a global block, which stays the caller's.
// A null handle gives STATUS_NO_BITMAP; otherwise the kernel's status.
int BitmapFromDibHandle(BitmapRecord *bitmap, HGLOBAL dib);
