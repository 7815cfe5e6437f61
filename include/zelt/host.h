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
