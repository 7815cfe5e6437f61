// The platform's screen shown 1:1 in a desktop window: the pixels that
// changed since the last frame are copied into an SDL texture, and the
// platform's cursor is composed on top (SDL's own cursor stays hidden).
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

#include "zelt/win32.h"

namespace zeltview {

class ScreenMirror {
public:
    ScreenMirror() = default;
    ~ScreenMirror();
    ScreenMirror(const ScreenMirror &) = delete;
    ScreenMirror &operator=(const ScreenMirror &) = delete;

    bool Open(int width, int height, std::string &error);
    // Copies the damage, composes the cursor and presents when anything changed.
    void Present();
    // The window was exposed: draw it again on the next Present.
    void Invalidate() { dirty_ = true; }
    void WindowPosition(int &x, int &y) const;
    HDC ScreenDC() const { return screenDC_; }

private:
    void CopyDamage();
    void UpdateCursor();

    SDL_Window *window_ = nullptr;
    SDL_Renderer *renderer_ = nullptr;
    SDL_Texture *screen_ = nullptr;
    SDL_Texture *cursor_ = nullptr;
    HDC screenDC_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    std::vector<DWORD> pixels_;        // one screen's worth, so frames never allocate
    std::vector<DWORD> cursorPixels_;  // 64 x 64 as the platform reports it
    std::vector<DWORD> shownCursor_;
    SDL_Rect cursorRect_{0, 0, 0, 0};
    bool cursorVisible_ = false;
    bool firstFrame_ = true;
    bool dirty_ = true;
    bool videoStarted_ = false;
};

}  // namespace zeltview
