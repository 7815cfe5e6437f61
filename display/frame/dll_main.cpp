// Library entry: what happens when the library is loaded into a process,
// when threads come and go, and when it is unloaded.
#include "frame/display_settings.h"
#include "frame/frame_brushes.h"
#include "frame/library_state.h"
#include "region/region_services.h"

namespace {

BOOL ProcessAttach(HINSTANCE instance) {
    LibraryState &library = Library();
    library.Instance = instance;
    if (CreateDisplaySettings(true) != STATUS_OK) return FALSE;
    if (library.AttachCount == 0) {
        library.RegionClipboardFormat = RegisterClipboardFormatA(kRegionClipboardFormatName);
        KRNSERVICEPROC services[KRN_REGION_SERVICE_COUNT];
        BuildRegionServices(services);
        KrnRegisterRegionServices(services);
        // Framing without brushes draws nothing; that is no reason to refuse loading.
        (void)CreateFrameBrushes();
    }
    ++library.AttachCount;
    return TRUE;
}

void ProcessDetach() {
    LibraryState &library = Library();
    --library.AttachCount;
    if (library.SettingsSlot != kInvalidSettingsSlot) {
        KrnFreeThreadSlot(library.SettingsSlot);
        library.SettingsSlot = kInvalidSettingsSlot;
    }
    if (library.AttachCount == 0) DeleteFrameBrushes();
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            return ProcessAttach(instance);
        case DLL_THREAD_DETACH:
            FreeThreadDisplaySettings();
            return TRUE;
        case DLL_PROCESS_DETACH:
            ProcessDetach();
            return TRUE;
        case DLL_THREAD_ATTACH:
        default:
            return TRUE;
    }
}
