// Hosts without a Windows loader: the platform's module attach stands in for
// it, calling DllMain when this library is loaded and unloaded and when a
// thread that used it exits.
#include <dlfcn.h>

#include "views/resources/lens_cursors.h"
#include "zelt/display.h"
#include "zelt/host.h"

namespace {

HINSTANCE ThisModule() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&DllMain), &info) != 0 && info.dli_fbase != nullptr)
        return static_cast<HINSTANCE>(info.dli_fbase);
    return reinterpret_cast<HINSTANCE>(&DllMain);
}

// The lens cursors go in before DllMain runs, as a loader would find them in
// the image.
void PublishCursors(HINSTANCE module) {
    ZeltHostAddModuleResource(module, RT_CURSOR, MAKEINTRESOURCEA(ZELT_CURSOR_ROUND_LENS), kLensRoundCursor,
                              static_cast<DWORD>(kLensRoundCursorSize));
    ZeltHostAddModuleResource(module, RT_CURSOR, MAKEINTRESOURCEA(ZELT_CURSOR_RECT_LENS), kLensRectCursor,
                              static_cast<DWORD>(kLensRectCursorSize));
}

__attribute__((constructor)) void AttachOnLoad() {
    PublishCursors(ThisModule());
    ZeltHostAttachModule(ThisModule(), &DllMain);
}

__attribute__((destructor)) void DetachOnUnload() { ZeltHostDetachModule(ThisModule()); }

}  // namespace
