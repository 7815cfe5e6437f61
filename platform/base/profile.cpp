// Profile strings ("win.ini"): sections of key = value lines, names matched
// without regard to case, kept in file order. The contents are read lazily
// from the file named by ZELT_WIN_INI; writes stay in memory for the life of
// the process (the file is never modified).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "zelt/host.h"

namespace {

struct Entry {
    std::string key;
    std::string value;
};

struct Section {
    std::string name;
    std::vector<Entry> entries;
};

bool SameName(const std::string &a, const char *b) {
    return a.size() == std::strlen(b) &&
           std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Trim(const std::string &text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Copies text into a caller's buffer of `size` bytes, truncating to size - 1
// characters; returns the number copied.
DWORD CopyOut(const char *text, std::size_t length, LPSTR buffer, DWORD size) {
    const std::size_t copied = std::min<std::size_t>(length, size - 1);
    std::memcpy(buffer, text, copied);
    buffer[copied] = '\0';
    return static_cast<DWORD>(copied);
}

class Profile {
public:
    DWORD Get(LPCSTR sectionName, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size) {
        if (buffer == nullptr || size == 0) return 0;
        std::lock_guard lock(mutex_);
        Load();
        if (sectionName == nullptr) {
            std::vector<const std::string *> names;
            for (const Section &section : sections_) names.push_back(&section.name);
            return CopyList(names, buffer, size);
        }
        const Section *section = Find(sectionName);
        if (section != nullptr && key == nullptr) {
            std::vector<const std::string *> keys;
            for (const Entry &entry : section->entries) keys.push_back(&entry.key);
            return CopyList(keys, buffer, size);
        }
        if (section == nullptr) SetLastError(ERROR_SUCCESS);
        if (key == nullptr) return CopyList({}, buffer, size);
        if (section != nullptr) {
            for (const Entry &entry : section->entries)
                if (SameName(entry.key, key)) return CopyOut(entry.value.data(), entry.value.size(), buffer, size);
        }
        // The default loses its trailing blanks.
        const char *text = defaultValue != nullptr ? defaultValue : "";
        std::size_t length = std::strlen(text);
        while (length > 0 && text[length - 1] == ' ') --length;
        return CopyOut(text, length, buffer, size);
    }

    BOOL Write(LPCSTR sectionName, LPCSTR key, LPCSTR value) {
        if (sectionName == nullptr) return FALSE;
        std::lock_guard lock(mutex_);
        Load();
        Set(sectionName, key, value, key == nullptr);
        return TRUE;
    }

    void HostSet(const char *sectionName, const char *key, const char *value) {
        if (sectionName == nullptr || key == nullptr) return;
        std::lock_guard lock(mutex_);
        Load();
        Set(sectionName, key, value, false);
    }

    void Reset() {
        std::lock_guard lock(mutex_);
        sections_.clear();
        loaded_ = false;
    }

private:
    // Lists names as NUL-terminated strings followed by one more NUL. A list
    // that does not fit is cut and still ends in two NULs; the result is
    // then size - 2, as Windows reports it.
    static DWORD CopyList(const std::vector<const std::string *> &names, LPSTR buffer, DWORD size) {
        if (size < 2) {
            buffer[0] = '\0';
            return 0;
        }
        DWORD used = 0;
        for (const std::string *name : names) {
            if (used + name->size() + 2 > size) {
                const DWORD room = size - 2 - used;
                std::memcpy(buffer + used, name->data(), room);
                buffer[size - 2] = '\0';
                buffer[size - 1] = '\0';
                return size - 2;
            }
            std::memcpy(buffer + used, name->data(), name->size());
            used += static_cast<DWORD>(name->size());
            buffer[used++] = '\0';
        }
        buffer[used] = '\0';
        if (used == 0 && size > 1) buffer[1] = '\0';
        return used;
    }

    Section *Find(const char *name) {
        for (Section &section : sections_)
            if (SameName(section.name, name)) return &section;
        return nullptr;
    }

    void Set(const char *sectionName, const char *key, const char *value, bool removeSection) {
        Section *section = Find(sectionName);
        if (removeSection) {
            if (section != nullptr) sections_.erase(sections_.begin() + (section - sections_.data()));
            return;
        }
        if (section == nullptr) {
            if (value == nullptr) return;
            sections_.push_back({sectionName, {}});
            section = &sections_.back();
        }
        auto entry = std::find_if(section->entries.begin(), section->entries.end(),
                                  [key](const Entry &e) { return SameName(e.key, key); });
        if (value == nullptr) {
            if (entry != section->entries.end()) section->entries.erase(entry);
        } else if (entry != section->entries.end()) {
            entry->value = value;
        } else {
            section->entries.push_back({key, value});
        }
    }

    void Load() {
        if (loaded_) return;
        loaded_ = true;
        // Every win.ini has a [windows] section, even an empty one.
        sections_.push_back({"windows", {}});
        const char *path = std::getenv("ZELT_WIN_INI");
        if (path == nullptr || *path == '\0') return;
        std::ifstream file(path);
        std::string line;
        Section *current = nullptr;
        while (std::getline(file, line)) {
            line = Trim(line);
            if (line.empty() || line[0] == ';') continue;
            if (line.front() == '[') {
                const auto close = line.find(']');
                const std::string name = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
                current = Find(name.c_str());
                if (current == nullptr) {
                    sections_.push_back({name, {}});
                    current = &sections_.back();
                }
                continue;
            }
            const auto equals = line.find('=');
            if (current == nullptr || equals == std::string::npos) continue;
            std::string value = Trim(line.substr(equals + 1));
            // Quotes around a whole value are not part of it.
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
            Set(current->name.c_str(), Trim(line.substr(0, equals)).c_str(), value.c_str(), false);
        }
    }

    std::mutex mutex_;
    std::vector<Section> sections_;
    bool loaded_ = false;
};

Profile &TheProfile() {
    static Profile *profile = new Profile;  // never destroyed
    return *profile;
}

}  // namespace

extern "C" {

DWORD WINAPI GetProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize) {
    return TheProfile().Get(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize);
}

BOOL WINAPI WriteProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString) {
    return TheProfile().Write(lpAppName, lpKeyName, lpString);
}

void ZeltHostSetProfileString(const char *section, const char *key, const char *value) {
    TheProfile().HostSet(section, key, value);
}

void ZeltHostResetProfile(void) { TheProfile().Reset(); }

}  // extern "C"
