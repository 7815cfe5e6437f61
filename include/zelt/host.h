/*
 * host.h - control of the software Win32 platform that Windows has no call
 * for. Only tests and tools include it; the libraries never do.
 */
#ifndef ZELT_HOST_H
#define ZELT_HOST_H

#include "zelt/win32.h"

#if defined(_WIN32) && !defined(ZELT_PLATFORM_API)
/* Windows has no software platform: test programs built there define these
   controls themselves and skip what needs them. */
#define ZELT_PLATFORM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Screen: size in pixels and depth (1, 4, 8, 16, 24 or 32 bits per pixel).
   An 8-bit screen is a palette device with a 256-entry system palette whose
   20 static colours are set. Returns FALSE for an unsupported depth or size.
   The default screen is 1024 x 768 at 32 bits. */
ZELT_PLATFORM_API BOOL ZeltHostConfigureScreen(int width, int height, int bitsPerPixel);

/* ---- surfaces ---- */
/* Reads a rectangle of a surface: a DC reads the surface it draws into (its
   selected bitmap, or the screen), a bitmap its own pixels. Each pixel is
   0x00RRGGBB, rows top to bottom. FALSE when the rectangle is not inside the
   surface or the handle is neither a DC nor a bitmap. */
ZELT_PLATFORM_API BOOL ZeltHostReadPixels(HGDIOBJ dcOrBitmap, int x, int y, int width, int height, DWORD *rgb);
/* Writes the whole surface as an 8-bit RGB PNG file. */
ZELT_PLATFORM_API BOOL ZeltHostSaveSurfacePng(HGDIOBJ dcOrBitmap, const char *path);

/* Tick clock: a fixed value returned by GetTickCount until the real clock is
   switched back on. */
ZELT_PLATFORM_API void ZeltHostSetTickCount(DWORD ticks);
ZELT_PLATFORM_API void ZeltHostUseRealClock(void);

/* Profile strings ("win.ini"): set or (value NULL) delete a key. The initial
   contents come from the file named by the environment variable ZELT_WIN_INI
   when it is set. */
ZELT_PLATFORM_API void ZeltHostSetProfileString(const char *section, const char *key, const char *value);
/* Forget every profile string and read ZELT_WIN_INI again. */
ZELT_PLATFORM_API void ZeltHostResetProfile(void);

/* Live object counts, for leak checks. */
ZELT_PLATFORM_API long ZeltHostLiveGdiObjects(void);
ZELT_PLATFORM_API long ZeltHostLiveUserObjects(void);
ZELT_PLATFORM_API long ZeltHostLiveGlobalBlocks(void);

/* Failure injection: the n-th following allocation (n >= 1) of global memory
   (which is where kernel memory comes from) or of a GDI or USER object fails;
   the allocations before and after it succeed. -1 switches injection off.
   Returns the number of allocations counted since the previous call, so a
   test can run an operation once to learn how many allocations it makes and
   then fail each one in turn. */
ZELT_PLATFORM_API long ZeltHostFailAllocationAfter(long n);

/* ---- input and the message pump ---- */
/* Mouse input as the pointing device delivers it: the pointer moves to the
   screen point (x, y) and the buttons take the state `buttons` (MK_LBUTTON,
   MK_RBUTTON, MK_MBUTTON). The resulting messages (WM_NCHITTEST and
   WM_SETCURSOR, then WM_MOUSEMOVE / WM_xBUTTONDOWN / WM_xBUTTONUP, or their
   non-client forms) reach the window under the pointer, or the capture
   window, through its thread's queue. */
ZELT_PLATFORM_API BOOL ZeltHostMouseInput(int x, int y, DWORD buttons);
/* A key goes down or up (virtual-key code); a key going down with a
   non-zero `character` also queues WM_CHAR. Keys go to the focus window. */
ZELT_PLATFORM_API BOOL ZeltHostKeyInput(UINT virtualKey, BOOL down, UINT character);
/* Runs the calling thread's message loop until nothing is left to do
   (sent, posted and input messages, then WM_PAINT), without waiting.
   Returns the number of messages dispatched; a WM_QUIT found on the way is
   left in the queue and ends the pump. */
ZELT_PLATFORM_API int ZeltHostPumpMessages(void);
/* The bounding box of the screen pixels changed since the previous call
   (drawing through any DC on the screen, windows shown, moved or hidden);
   FALSE and an empty rectangle when nothing changed. */
ZELT_PLATFORM_API BOOL ZeltHostTakeScreenDamage(RECT *bounds);
/* The cursor as the screen shows it: position of its top-left corner,
   size, and its pixels as 0xAARRGGBB with alpha 0 where the screen shows
   through (an inverting pixel is reported as opaque black-or-white
   against `background`). FALSE when the cursor is hidden. `argb` holds at
   least 64 * 64 entries. */
ZELT_PLATFORM_API BOOL ZeltHostCursorImage(int *left, int *top, int *width, int *height, DWORD *argb);

/* ---- resources ---- */
/* Hosts without a resource loader: a module publishes a resource (the
   bytes of a .cur file for RT_CURSOR) before it is asked for it, usually
   from its load-time constructor. */
ZELT_PLATFORM_API BOOL ZeltHostAddModuleResource(HINSTANCE instance, LPCSTR type, LPCSTR name, const void *data,
                                                 DWORD size);

/* ---- printers ---- */
/* Registers (or replaces) a printer named `device`: resolution in dots per
   inch, page size in device units, 1 or 24 bits per pixel, and where its
   documents go: each document printed becomes one PDF at `outputPath`, in
   which a "%d" is replaced by the printer's document number (1, 2, ...).
   CreateDCA(driver, device, port, NULL) then opens it. */
ZELT_PLATFORM_API BOOL ZeltHostAddPrinter(const char *device, int dotsPerInch, int pageWidth, int pageHeight,
                                          int bitsPerPixel, const char *outputPath);
/* Forgets every printer. */
ZELT_PLATFORM_API void ZeltHostRemovePrinters(void);
/* Documents a printer has finished (EndDoc) so far, and the path of the
   last one (NUL-terminated, cut to `size`). */
ZELT_PLATFORM_API int ZeltHostPrintedDocuments(const char *device, char *lastPath, int size);

/* Module attach on hosts without a loader that calls DllMain: the library's
   entry point receives DLL_PROCESS_ATTACH now, DLL_THREAD_DETACH when a
   thread that used thread-local storage exits, and DLL_PROCESS_DETACH from
   ZeltHostDetachModule (or at process exit). Returns the entry point's
   result for DLL_PROCESS_ATTACH. */
typedef BOOL(WINAPI *ZELT_DLLMAIN)(HINSTANCE instance, DWORD reason, LPVOID reserved);
ZELT_PLATFORM_API BOOL ZeltHostAttachModule(HINSTANCE instance, ZELT_DLLMAIN entry);
ZELT_PLATFORM_API void ZeltHostDetachModule(HINSTANCE instance);

#ifdef __cplusplus
}
#endif

#endif /* ZELT_HOST_H */
