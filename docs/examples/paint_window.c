/*
 * paint_window.c - the smallest Windows application that shows a picture
 * with the display library: a 256 x 192 colour ramp in a kernel bitmap,
 * painted into the window's DC by Z_PaintDC on every WM_PAINT, scaled to
 * the client area. Link with zeltdisplay.dll.a and zeltkernel.dll.a; the two
 * DLLs sit beside the program.
 */
#include <windows.h>

#include "zelt/display.h"

static BitmapRecord picture;

static int MakePicture(void) {
    static BYTE rows[192][256 * 3];
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 256; ++x) {
            rows[y][3 * x] = (BYTE)x;             /* blue */
            rows[y][3 * x + 1] = (BYTE)(y * 4 / 3); /* green */
            rows[y][3 * x + 2] = (BYTE)(255 - x); /* red */
        }
    return KrnCreateBitmap(&picture, KRN_MEMORY_CONVENTIONAL, 256, 192, 24, 0, NULL, 0, rows, sizeof rows);
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        HPALETTE palette = Z_CreatePaintPalette(dc, &picture);
        HPALETTE old = palette ? SelectPalette(dc, palette, FALSE) : NULL;
        if (palette) RealizePalette(dc);
        Z_PaintDC(dc, &picture, NULL, NULL, &client, &paint.rcPaint, SRCCOPY);
        if (palette) {
            SelectPalette(dc, old, FALSE);
            DeleteObject(palette);
        }
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)previous;
    (void)commandLine;
    if (MakePicture() != STATUS_OK) return 1;
    WNDCLASSA windowClass = {0};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.lpszClassName = "ZeltPaintWindow";
    if (!RegisterClassA(&windowClass)) return 1;
    HWND window = CreateWindowA("ZeltPaintWindow", "Zelt", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 512, 384,
                                NULL, NULL, instance, NULL);
    if (!window) return 1;
    ShowWindow(window, show);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    KrnFreeBitmap(&picture);
    return 0;
}
