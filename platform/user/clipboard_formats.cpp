// The atom table behind registered clipboard formats, window messages,
// class names and global atoms: names compared without regard to case, each
// given a number from 0xC000 up, the same number for the same name. "#n"
// names the integer atom n (1 to 0xBFFF) without adding anything.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "user/atom_table.h"
#include "zelt/win32.h"

namespace {

constexpr UINT kFirstRegisteredFormat = 0xC000;
constexpr UINT kLastRegisteredFormat = 0xFFFF;
// Format names are atoms, which hold at most 255 characters.
constexpr std::size_t kMaxNameLength = 255;

struct FormatRegistry {
    std::mutex mutex;
    std::vector<std::string> names;  // names[i] is format 0xC000 + i
};

FormatRegistry &Registry() {
    static FormatRegistry *registry = new FormatRegistry;  // never destroyed
    return *registry;
}

bool SameName(const std::string &a, const char *b) {
    return a.size() == std::strlen(b) && std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// "#n" with n a decimal integer atom: true with the value (0 when out of
// range); false for an ordinary name.
bool IntegerAtomName(const char *name, unsigned &value) {
    if (name[0] != '#' || name[1] == '\0') return false;
    value = 0;
    for (const char *digit = name + 1; *digit != '\0'; ++digit) {
        if (*digit < '0' || *digit > '9') return false;
        value = value * 10 + static_cast<unsigned>(*digit - '0');
        if (value >= kFirstRegisteredFormat) value = kFirstRegisteredFormat;  // stays out of range
    }
    if (value >= kFirstRegisteredFormat) value = 0;
    return true;
}

bool ValidName(const char *name) {
    if (name == nullptr || *name == '\0' || std::strlen(name) > kMaxNameLength) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

}  // namespace

namespace zelt::platform {

namespace {

ATOM LookUp(const char *name, bool add) noexcept {
    FormatRegistry &registry = Registry();
    if (name != nullptr && IS_INTRESOURCE(name)) {
        // An atom given as a number: integer atoms always exist, string atoms
        // when registered.
        const auto atom = static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name));
        std::lock_guard lock(registry.mutex);
        if (atom < kFirstRegisteredFormat || atom - kFirstRegisteredFormat < registry.names.size())
            return static_cast<ATOM>(atom);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (!ValidName(name)) return 0;
    unsigned integer;
    if (IntegerAtomName(name, integer)) {
        if (integer == 0) SetLastError(ERROR_INVALID_PARAMETER);
        return static_cast<ATOM>(integer);
    }
    std::lock_guard lock(registry.mutex);
    for (std::size_t i = 0; i < registry.names.size(); ++i)
        if (SameName(registry.names[i], name)) return static_cast<ATOM>(kFirstRegisteredFormat + i);
    if (!add) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (registry.names.size() > kLastRegisteredFormat - kFirstRegisteredFormat) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    try {
        registry.names.emplace_back(name);
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return static_cast<ATOM>(kFirstRegisteredFormat + registry.names.size() - 1);
}

}  // namespace

ATOM AddAtomName(const char *name) noexcept { return LookUp(name, true); }
ATOM FindAtomName(const char *name) noexcept { return LookUp(name, false); }

}  // namespace zelt::platform

extern "C" {

UINT WINAPI RegisterClipboardFormatA(LPCSTR lpszFormat) { return zelt::platform::AddAtomName(lpszFormat); }

UINT WINAPI RegisterWindowMessageA(LPCSTR lpString) { return zelt::platform::AddAtomName(lpString); }

ATOM WINAPI GlobalAddAtomA(LPCSTR lpString) { return zelt::platform::AddAtomName(lpString); }

ATOM WINAPI GlobalFindAtomA(LPCSTR lpString) { return zelt::platform::FindAtomName(lpString); }

int WINAPI GetClipboardFormatNameA(UINT format, LPSTR lpszFormatName, int cchMaxCount) {
    if (lpszFormatName == nullptr || cchMaxCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    FormatRegistry &registry = Registry();
    std::lock_guard lock(registry.mutex);
    // Predefined formats have no name.
    if (format < kFirstRegisteredFormat || format - kFirstRegisteredFormat >= registry.names.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string &name = registry.names[format - kFirstRegisteredFormat];
    const std::size_t copied = std::min<std::size_t>(name.size(), static_cast<std::size_t>(cchMaxCount) - 1);
    std::memcpy(lpszFormatName, name.data(), copied);
    lpszFormatName[copied] = '\0';
    return static_cast<int>(copied);
}

}  // extern "C"
