/*
 * load_check.c - what a Windows application does first with the DLLs: load
 * zeltdisplay.dll by name, find exports with GetProcAddress under their
 * plain names, call them with the standard calling convention, and paint a
 * picture through the system's GDI. Prints one line per check and exits
 * non-zero when any fails.
 */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "zelt/display.h"

typedef UINT(ZELT_API *GetDisplayModeFn)(void);
typedef int(ZELT_API *PaintDCFn)(HDC, BitmapRecord *, const RECT *, const RECT *, const RECT *, const RECT *, DWORD);
typedef int(ZELT_API *CreateBitmapFn)(BitmapRecord *, UINT, int, int, int, int, const RGBQUAD *, int, void *, DWORD);
typedef int(ZELT_API *FreeBitmapFn)(BitmapRecord *);

static int failures;

static void Check(int ok, const char *what) {
    printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    failures += !ok;
}

int main(void) {
    HMODULE display = LoadLibraryA("zeltdisplay.dll");
    HMODULE kernel = GetModuleHandleA("zeltkernel.dll");
    Check(display != NULL && kernel != NULL, "zeltdisplay.dll loads and brings zeltkernel.dll");
    if (!display || !kernel) return 1;
    GetDisplayModeFn getMode = (GetDisplayModeFn)(void (*)(void))GetProcAddress(display, "Z_GetDisplayMode");
    PaintDCFn paint = (PaintDCFn)(void (*)(void))GetProcAddress(display, "Z_PaintDC");
    CreateBitmapFn create = (CreateBitmapFn)(void (*)(void))GetProcAddress(kernel, "KrnCreateBitmap");
    FreeBitmapFn release = (FreeBitmapFn)(void (*)(void))GetProcAddress(kernel, "KrnFreeBitmap");
    Check(getMode && paint && create && release, "exports found by their plain names");
    if (!getMode || !paint || !create || !release) return 1;
    Check(getMode() == DISP_DEFAULT_MODE, "a new thread's display mode is the default");

    /* A 2 x 2 picture painted 1:1 into a 32-bit DIB section reads back exactly. */
    BYTE rows[2][8] = {{0x10, 0x20, 0x30, 0x40, 0x50, 0x60}, {0x70, 0x80, 0x90, 0xA0, 0xB0, 0xC0}};
    BitmapRecord picture;
    memset(&picture, 0, sizeof picture);
    Check(create(&picture, KRN_MEMORY_CONVENTIONAL, 2, 2, 24, 0, NULL, 0, rows, sizeof rows) == STATUS_OK,
          "KrnCreateBitmap");
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = -2;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP surface = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(dc, surface);
    RECT destination = {0, 0, 2, 2};
    Check(paint(dc, &picture, NULL, NULL, &destination, NULL, SRCCOPY) == STATUS_OK, "Z_PaintDC");
    GdiFlush();
    const DWORD *pixels = (const DWORD *)bits;
    const DWORD expected[4] = {0x302010, 0x605040, 0x908070, 0xC0B0A0};
    int same = 1;
    for (int i = 0; i < 4; ++i) same &= (pixels[i] & 0xFFFFFF) == expected[i];
    Check(same, "the painted pixels are the picture's");
    SelectObject(dc, old);
    DeleteObject(surface);
    DeleteDC(dc);
    release(&picture);
    FreeLibrary(display);
    return failures != 0;
}
