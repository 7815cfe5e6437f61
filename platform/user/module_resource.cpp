// Module resources for hosts without a resource loader: a module publishes
// the bytes (ZeltHostAddModuleResource) and LoadCursorA / LoadIconA find
// them by instance, type and name. Published resources live as long as
// the process, as a loaded module's resources do.
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "user/cursor_file.h"
#include "zelt/host.h"

namespace zelt::platform {
namespace {

// An integer id (MAKEINTRESOURCE or "#123") or a name.
struct ResourceId {
    ULONG_PTR number = 0;
    ByteBuffer name;  // NUL-terminated, empty for numbers

    bool Set(LPCSTR id) {
        if (IS_INTRESOURCE(id)) {
            number = reinterpret_cast<ULONG_PTR>(id);
            return true;
        }
        if (id[0] == '#') {
            number = std::strtoul(id + 1, nullptr, 10);
            return true;
        }
        const std::size_t length = std::strlen(id);
        if (!name.Reset(length + 1)) return false;
        std::memcpy(name.Data(), id, length);
        return true;
    }
    bool Matches(LPCSTR id) const {
        if (IS_INTRESOURCE(id)) return name.Size() == 0 && number == reinterpret_cast<ULONG_PTR>(id);
        if (id[0] == '#') return name.Size() == 0 && number == std::strtoul(id + 1, nullptr, 10);
        return name.Size() != 0 && lstrcmpiA(reinterpret_cast<const char *>(name.Data()), id) == 0;
    }
};

struct Resource {
    HINSTANCE instance = nullptr;
    ResourceId type, name;
    ByteBuffer bytes;
    Resource *next = nullptr;
};

std::mutex resourcesLock;
Resource *resources = nullptr;  // newest first; never freed

}  // namespace

const void *FindModuleResource(HINSTANCE instance, LPCSTR type, LPCSTR name, std::size_t &size) noexcept {
    if (type == nullptr || name == nullptr) return nullptr;
    std::lock_guard lock(resourcesLock);
    for (const Resource *r = resources; r != nullptr; r = r->next)
        if (r->instance == instance && r->type.Matches(type) && r->name.Matches(name)) {
            size = r->bytes.Size();
            return r->bytes.Data();
        }
    return nullptr;
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" BOOL ZeltHostAddModuleResource(HINSTANCE instance, LPCSTR type, LPCSTR name, const void *data,
                                          DWORD size) {
    if (type == nullptr || name == nullptr || (data == nullptr && size != 0)) return FALSE;
    Resource *resource = NewObject<Resource>();
    if (resource == nullptr) return FALSE;
    resource->instance = instance;
    if (!resource->type.Set(type) || !resource->name.Set(name) || !resource->bytes.Reset(size)) {
        delete resource;
        return FALSE;
    }
    if (size != 0) std::memcpy(resource->bytes.Data(), data, size);
    std::lock_guard lock(resourcesLock);
    resource->next = resources;
    resources = resource;
    return TRUE;
}
