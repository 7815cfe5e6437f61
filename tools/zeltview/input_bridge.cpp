#include "input_bridge.h"

#include <array>

#include "key_table.h"
#include "zelt/host.h"

namespace zeltview {

namespace {

struct ButtonMap {
    Uint8 sdlButton;
    DWORD keyState;
};

constexpr std::array kButtons = {ButtonMap{SDL_BUTTON_LEFT, MK_LBUTTON}, ButtonMap{SDL_BUTTON_RIGHT, MK_RBUTTON},
                                 ButtonMap{SDL_BUTTON_MIDDLE, MK_MBUTTON}};

DWORD KeyStateOf(Uint8 sdlButton) {
    for (const ButtonMap &entry : kButtons)
        if (entry.sdlButton == sdlButton) return entry.keyState;
    return 0;
}

}  // namespace

bool InputBridge::Handle(const SDL_Event &event, bool forward) {
    switch (event.type) {
    case SDL_QUIT:
        return false;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) return false;
        if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
            exposed_ = true;
        return true;
    default:
        break;
    }
    if (!forward) return true;
    switch (event.type) {
    case SDL_MOUSEMOTION:
        ZeltHostMouseInput(event.motion.x, event.motion.y, buttons_);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const DWORD state = KeyStateOf(event.button.button);
        buttons_ = event.type == SDL_MOUSEBUTTONDOWN ? (buttons_ | state) : (buttons_ & ~state);
        ZeltHostMouseInput(event.button.x, event.button.y, buttons_);
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (const auto key = KeyFromSdl(event.key.keysym.sym, event.key.keysym.mod)) {
            const bool down = event.type == SDL_KEYDOWN;
            ZeltHostKeyInput(key->virtualKey, down ? TRUE : FALSE, down ? key->character : 0);
        }
        break;
    default:
        break;
    }
    return true;
}

bool InputBridge::TakeExposed() {
    const bool exposed = exposed_;
    exposed_ = false;
    return exposed;
}

}  // namespace zeltview
