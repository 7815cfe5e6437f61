// Windows test programs: the host controls of the software platform have no
// Windows counterpart. Tests that need them skip before calling them, so
// reaching one of these is a defect of the test, reported loudly.
#if defined(_WIN32)

#include <cstdio>
#include <cstdlib>

#include "zelt/host.h"

namespace {

[[noreturn]] void Absent(const char *control) {
    std::fprintf(stderr, "%s called on Windows, which has no such control\n", control);
    std::abort();
}

}  // namespace

extern "C" {
BOOL ZeltHostConfigureScreen(int, int, int) { Absent("ZeltHostConfigureScreen"); }
BOOL ZeltHostReadPixels(HGDIOBJ, int, int, int, int, DWORD *) { Absent("ZeltHostReadPixels"); }
BOOL ZeltHostSaveSurfacePng(HGDIOBJ, const char *) { Absent("ZeltHostSaveSurfacePng"); }
void ZeltHostSetTickCount(DWORD) { Absent("ZeltHostSetTickCount"); }
void ZeltHostUseRealClock(void) { Absent("ZeltHostUseRealClock"); }
void ZeltHostSetProfileString(const char *, const char *, const char *) { Absent("ZeltHostSetProfileString"); }
void ZeltHostResetProfile(void) { Absent("ZeltHostResetProfile"); }
long ZeltHostLiveGdiObjects(void) { Absent("ZeltHostLiveGdiObjects"); }
long ZeltHostLiveUserObjects(void) { Absent("ZeltHostLiveUserObjects"); }
long ZeltHostLiveGlobalBlocks(void) { Absent("ZeltHostLiveGlobalBlocks"); }
long ZeltHostFailAllocationAfter(long) { Absent("ZeltHostFailAllocationAfter"); }
BOOL ZeltHostAttachModule(HINSTANCE, ZELT_DLLMAIN) { Absent("ZeltHostAttachModule"); }
void ZeltHostDetachModule(HINSTANCE) { Absent("ZeltHostDetachModule"); }
BOOL ZeltHostMouseInput(int, int, DWORD) { Absent("ZeltHostMouseInput"); }
BOOL ZeltHostKeyInput(UINT, BOOL, UINT) { Absent("ZeltHostKeyInput"); }
int ZeltHostPumpMessages(void) { Absent("ZeltHostPumpMessages"); }
BOOL ZeltHostTakeScreenDamage(RECT *) { Absent("ZeltHostTakeScreenDamage"); }
BOOL ZeltHostCursorImage(int *, int *, int *, int *, DWORD *) { Absent("ZeltHostCursorImage"); }
BOOL ZeltHostAddModuleResource(HINSTANCE, LPCSTR, LPCSTR, const void *, DWORD) { Absent("ZeltHostAddModuleResource"); }
BOOL ZeltHostAddPrinter(const char *, int, int, int, int, const char *) { Absent("ZeltHostAddPrinter"); }
void ZeltHostRemovePrinters(void) { Absent("ZeltHostRemovePrinters"); }
int ZeltHostPrintedDocuments(const char *, char *, int) { Absent("ZeltHostPrintedDocuments"); }
}

#endif
