#include "key_table.h"

#include <array>
#include <cctype>

#include "zelt/host.h"

namespace zeltview {

namespace {

constexpr UINT kOemPlus = 0xBB;
constexpr UINT kOemMinus = 0xBD;

struct NamedKey {
    std::string_view name;
    UINT virtualKey;
    UINT character;
};

constexpr std::array kNamedKeys = {
    NamedKey{"left", VK_LEFT, 0},      NamedKey{"right", VK_RIGHT, 0},   NamedKey{"up", VK_UP, 0},
    NamedKey{"down", VK_DOWN, 0},      NamedKey{"pageup", VK_PRIOR, 0},  NamedKey{"pagedown", VK_NEXT, 0},
    NamedKey{"home", VK_HOME, 0},      NamedKey{"end", VK_END, 0},       NamedKey{"escape", VK_ESCAPE, 0x1B},
    NamedKey{"esc", VK_ESCAPE, 0x1B},  NamedKey{"enter", VK_RETURN, '\r'}, NamedKey{"return", VK_RETURN, '\r'},
    NamedKey{"space", VK_SPACE, ' '},  NamedKey{"tab", VK_TAB, '\t'},    NamedKey{"backspace", VK_BACK, '\b'},
    NamedKey{"plus", VK_ADD, '+'},     NamedKey{"minus", VK_SUBTRACT, '-'},
};

struct SdlKey {
    SDL_Keycode key;
    UINT virtualKey;
    UINT plain;
    UINT shifted;
};

constexpr std::array kSdlKeys = {
    SdlKey{SDLK_LEFT, VK_LEFT, 0, 0},         SdlKey{SDLK_RIGHT, VK_RIGHT, 0, 0},
    SdlKey{SDLK_UP, VK_UP, 0, 0},             SdlKey{SDLK_DOWN, VK_DOWN, 0, 0},
    SdlKey{SDLK_PAGEUP, VK_PRIOR, 0, 0},      SdlKey{SDLK_PAGEDOWN, VK_NEXT, 0, 0},
    SdlKey{SDLK_HOME, VK_HOME, 0, 0},         SdlKey{SDLK_END, VK_END, 0, 0},
    SdlKey{SDLK_ESCAPE, VK_ESCAPE, 0x1B, 0x1B}, SdlKey{SDLK_RETURN, VK_RETURN, '\r', '\r'},
    SdlKey{SDLK_SPACE, VK_SPACE, ' ', ' '},   SdlKey{SDLK_TAB, VK_TAB, '\t', '\t'},
    SdlKey{SDLK_BACKSPACE, VK_BACK, '\b', '\b'}, SdlKey{SDLK_KP_PLUS, VK_ADD, '+', '+'},
    SdlKey{SDLK_KP_MINUS, VK_SUBTRACT, '-', '-'}, SdlKey{SDLK_PLUS, kOemPlus, '+', '+'},
    SdlKey{SDLK_EQUALS, kOemPlus, '=', '+'},  SdlKey{SDLK_MINUS, kOemMinus, '-', '_'},
    SdlKey{SDLK_LCTRL, VK_CONTROL, 0, 0},     SdlKey{SDLK_RCTRL, VK_CONTROL, 0, 0},
    SdlKey{SDLK_LSHIFT, VK_SHIFT, 0, 0},      SdlKey{SDLK_RSHIFT, VK_SHIFT, 0, 0},
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A letter or digit typed by itself, or with Ctrl.
std::optional<KeyStroke> CharacterKey(char c, bool control) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (std::isalpha(u)) {
        const UINT virtualKey = static_cast<UINT>(std::toupper(u));
        return KeyStroke{virtualKey, control ? (virtualKey & 0x1F) : u, control};
    }
    if (std::isdigit(u) && !control) return KeyStroke{u, u, false};
    if (c == '+' || c == '=') return KeyStroke{kOemPlus, u, control};
    if (c == '-') return KeyStroke{kOemMinus, u, control};
    return std::nullopt;
}

}  // namespace

std::optional<KeyStroke> KeyFromName(std::string_view name) {
    bool control = false;
    constexpr std::string_view kCtrl = "ctrl+";
    if (name.size() > kCtrl.size() && EqualsIgnoringCase(name.substr(0, kCtrl.size()), kCtrl)) {
        control = true;
        name.remove_prefix(kCtrl.size());
    }
    if (name.size() == 1) return CharacterKey(name[0], control);
    for (const NamedKey &key : kNamedKeys)
        if (EqualsIgnoringCase(name, key.name)) return KeyStroke{key.virtualKey, control ? 0 : key.character, control};
    return std::nullopt;
}

std::optional<KeyStroke> KeyFromSdl(SDL_Keycode key, Uint16 modifiers) {
    const bool control = (modifiers & KMOD_CTRL) != 0;
    const bool shift = (modifiers & KMOD_SHIFT) != 0;
    if (key >= SDLK_a && key <= SDLK_z) {
        const char letter = static_cast<char>((shift ? 'A' : 'a') + (key - SDLK_a));
        return CharacterKey(letter, control);
    }
    if (key >= SDLK_0 && key <= SDLK_9 && !shift) return CharacterKey(static_cast<char>('0' + (key - SDLK_0)), control);
    for (const SdlKey &entry : kSdlKeys)
        if (entry.key == key) return KeyStroke{entry.virtualKey, control ? 0 : (shift ? entry.shifted : entry.plain), false};
    return std::nullopt;
}

void TypeKey(const KeyStroke &key) {
    if (key.control) ZeltHostKeyInput(VK_CONTROL, TRUE, 0);
    ZeltHostKeyInput(key.virtualKey, TRUE, key.character);
    ZeltHostKeyInput(key.virtualKey, FALSE, 0);
    if (key.control) ZeltHostKeyInput(VK_CONTROL, FALSE, 0);
}

}  // namespace zeltview
