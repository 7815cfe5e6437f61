// SDL's mouse and keyboard events as the platform's pointing device and
// keyboard: the mirror shows the screen 1:1, so window coordinates are
// screen coordinates.
#pragma once

#include <SDL.h>

#include "zelt/win32.h"

namespace zeltview {

class InputBridge {
public:
    // Handles one event; false when the desktop window was closed. Input
    // events reach the platform only while `forward` is set (a script
    // drives the session alone, so that a stray pointer cannot spoil it).
    bool Handle(const SDL_Event &event, bool forward);
    // The window needs drawing again (exposed, resized).
    bool TakeExposed();

private:
    DWORD buttons_ = 0;
    bool exposed_ = false;
};

}  // namespace zeltview
