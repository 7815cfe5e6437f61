// Module attach for hosts whose loader does not call DllMain. Attached
// modules get DLL_PROCESS_ATTACH at once, DLL_THREAD_DETACH on each exiting
// thread that used TLS, and DLL_PROCESS_DETACH from ZeltHostDetachModule or,
// for those still attached, at process exit. Entry points are called with
// no lock held so that they may use the platform freely.
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "base/tls_internal.h"
#include "zelt/host.h"

namespace {

struct Module {
    HINSTANCE instance;
    ZELT_DLLMAIN entry;
    int attachCount;
};

struct ModuleList {
    std::mutex mutex;
    std::vector<Module> modules;
    bool exitHookRegistered = false;
};

// Never destroyed: the exit hook and late thread exits still read it.
ModuleList &Modules() {
    static ModuleList *list = new ModuleList;
    return *list;
}

// The thread that loaded the platform is the process's main thread; as on
// Windows it gets no DLL_THREAD_DETACH, only the process detach.
const std::thread::id mainThread = std::this_thread::get_id();

std::vector<Module> Snapshot() {
    ModuleList &list = Modules();
    std::lock_guard lock(list.mutex);
    return list.modules;
}

void DetachAllAtExit() {
    ModuleList &list = Modules();
    std::vector<Module> remaining;
    {
        std::lock_guard lock(list.mutex);
        remaining.swap(list.modules);
    }
    // Last attached, first detached.
    for (auto module = remaining.rbegin(); module != remaining.rend(); ++module)
        for (int i = 0; i < module->attachCount; ++i) module->entry(module->instance, DLL_PROCESS_DETACH, nullptr);
}

struct ThreadDetachSentinel {
    ~ThreadDetachSentinel() {
        if (std::this_thread::get_id() == mainThread) return;
        for (const Module &module : Snapshot()) module.entry(module.instance, DLL_THREAD_DETACH, nullptr);
    }
};

}  // namespace

namespace zelt::platform {

void ArmThreadDetachSentinel() noexcept {
    // Constructing the thread_local registers its destructor for this thread.
    thread_local ThreadDetachSentinel sentinel;
    (void)sentinel;
}

}  // namespace zelt::platform

extern "C" BOOL ZeltHostAttachModule(HINSTANCE instance, ZELT_DLLMAIN entry) {
    if (entry == nullptr) return FALSE;
    ModuleList &list = Modules();
    {
        std::lock_guard lock(list.mutex);
        // Registered on first attach, so the hook runs before the destructors
        // of everything constructed up to now, the attaching library's
        // objects included.
        if (!list.exitHookRegistered) list.exitHookRegistered = std::atexit(DetachAllAtExit) == 0;
    }
    if (!entry(instance, DLL_PROCESS_ATTACH, nullptr)) {
        // A refused attach is answered with a detach, and not remembered.
        entry(instance, DLL_PROCESS_DETACH, nullptr);
        return FALSE;
    }
    std::lock_guard lock(list.mutex);
    for (Module &module : list.modules) {
        if (module.instance == instance && module.entry == entry) {
            ++module.attachCount;
            return TRUE;
        }
    }
    list.modules.push_back({instance, entry, 1});
    return TRUE;
}

extern "C" void ZeltHostDetachModule(HINSTANCE instance) {
    ModuleList &list = Modules();
    ZELT_DLLMAIN entry = nullptr;
    {
        std::lock_guard lock(list.mutex);
        for (auto module = list.modules.begin(); module != list.modules.end(); ++module) {
            if (module->instance != instance) continue;
            entry = module->entry;
            if (--module->attachCount == 0) list.modules.erase(module);
            break;
        }
    }
    if (entry != nullptr) entry(instance, DLL_PROCESS_DETACH, nullptr);
}
