// Keys as the platform receives them: a virtual-key code, the character its
// press types (0 for none) and whether Ctrl is held. Script key names and
// SDL keys are both turned into these.
#pragma once

#include <SDL.h>

#include <optional>
#include <string_view>

#include "zelt/win32.h"

namespace zeltview {

struct KeyStroke {
    UINT virtualKey = 0;
    UINT character = 0;
    bool control = false;
};

// "Left", "PageDown", "Plus", "Escape", "p", "Ctrl+P", ... (case-insensitive
// except for single letters, which type themselves).
std::optional<KeyStroke> KeyFromName(std::string_view name);

// An SDL key with its modifiers; nothing for keys the viewer has no use for.
std::optional<KeyStroke> KeyFromSdl(SDL_Keycode key, Uint16 modifiers);

// Presses and releases the key through the platform's keyboard input.
void TypeKey(const KeyStroke &key);

}  // namespace zeltview
