// Registered clipboard formats: names compared without regard to case, each
// given a number from 0xC000 up, the same number for the same name.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

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

}  // namespace

extern "C" {

UINT WINAPI RegisterClipboardFormatA(LPCSTR lpszFormat) {
    if (lpszFormat == nullptr || *lpszFormat == '\0' || std::strlen(lpszFormat) > kMaxNameLength) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    FormatRegistry &registry = Registry();
    std::lock_guard lock(registry.mutex);
    for (std::size_t i = 0; i < registry.names.size(); ++i)
        if (SameName(registry.names[i], lpszFormat)) return static_cast<UINT>(kFirstRegisteredFormat + i);
    if (registry.names.size() > kLastRegisteredFormat - kFirstRegisteredFormat) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    try {
        registry.names.emplace_back(lpszFormat);
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return static_cast<UINT>(kFirstRegisteredFormat + registry.names.size() - 1);
}

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
