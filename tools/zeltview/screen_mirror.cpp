#include "screen_mirror.h"

#include <algorithm>

#include "zelt/host.h"

namespace zeltview {

namespace {

constexpr int kCursorSize = 64;

}  // namespace

ScreenMirror::~ScreenMirror() {
    if (screenDC_ != nullptr) ReleaseDC(nullptr, screenDC_);
    if (cursor_ != nullptr) SDL_DestroyTexture(cursor_);
    if (screen_ != nullptr) SDL_DestroyTexture(screen_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool ScreenMirror::Open(int width, int height, std::string &error) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = std::string("cannot open the display: ") + SDL_GetError();
        return false;
    }
    videoStarted_ = true;
    width_ = width;
    height_ = height;
    // At (0, 0) so that, without a window manager, the mirror covers the top
    // left of the desktop exactly.
    window_ = SDL_CreateWindow("zeltview", 0, 0, width, height, SDL_WINDOW_SHOWN);
    if (window_ != nullptr) renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ != nullptr) {
        screen_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
        cursor_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, kCursorSize,
                                    kCursorSize);
    }
    if (screen_ == nullptr || cursor_ == nullptr) {
        error = std::string("cannot create the mirror window: ") + SDL_GetError();
        return false;
    }
    SDL_SetTextureBlendMode(cursor_, SDL_BLENDMODE_BLEND);
    SDL_ShowCursor(SDL_DISABLE);
    screenDC_ = GetDC(nullptr);
    if (screenDC_ == nullptr) {
        error = "cannot get the screen's device context";
        return false;
    }
    pixels_.resize(static_cast<size_t>(width) * height);
    cursorPixels_.resize(kCursorSize * kCursorSize);
    shownCursor_.resize(kCursorSize * kCursorSize);
    return true;
}

void ScreenMirror::CopyDamage() {
    RECT damage{};
    const bool changed = ZeltHostTakeScreenDamage(&damage) != FALSE;
    if (firstFrame_) {
        damage = RECT{0, 0, width_, height_};
        firstFrame_ = false;
    } else if (!changed) {
        return;
    }
    damage.left = std::clamp<LONG>(damage.left, 0, width_);
    damage.top = std::clamp<LONG>(damage.top, 0, height_);
    damage.right = std::clamp<LONG>(damage.right, damage.left, width_);
    damage.bottom = std::clamp<LONG>(damage.bottom, damage.top, height_);
    const int w = damage.right - damage.left;
    const int h = damage.bottom - damage.top;
    if (w == 0 || h == 0) return;
    if (!ZeltHostReadPixels(screenDC_, damage.left, damage.top, w, h, pixels_.data())) return;
    const SDL_Rect area{damage.left, damage.top, w, h};
    SDL_UpdateTexture(screen_, &area, pixels_.data(), w * static_cast<int>(sizeof(DWORD)));
    dirty_ = true;
}

void ScreenMirror::UpdateCursor() {
    int left = 0, top = 0, w = 0, h = 0;
    const bool visible =
        ZeltHostCursorImage(&left, &top, &w, &h, cursorPixels_.data()) != FALSE && w > 0 && h > 0;
    w = (std::min)(w, kCursorSize);
    h = (std::min)(h, kCursorSize);
    const SDL_Rect rect{left, top, w, h};
    const bool moved = rect.x != cursorRect_.x || rect.y != cursorRect_.y || rect.w != cursorRect_.w ||
                       rect.h != cursorRect_.h;
    if (visible != cursorVisible_ || moved) dirty_ = true;
    cursorVisible_ = visible;
    cursorRect_ = rect;
    if (!visible) return;
    const size_t count = static_cast<size_t>(w) * h;
    if (moved || !std::equal(cursorPixels_.begin(), cursorPixels_.begin() + static_cast<std::ptrdiff_t>(count),
                             shownCursor_.begin())) {
        std::copy_n(cursorPixels_.begin(), count, shownCursor_.begin());
        const SDL_Rect area{0, 0, w, h};
        SDL_UpdateTexture(cursor_, &area, shownCursor_.data(), w * static_cast<int>(sizeof(DWORD)));
        dirty_ = true;
    }
}

void ScreenMirror::Present() {
    if (renderer_ == nullptr) return;
    CopyDamage();
    UpdateCursor();
    if (!dirty_) return;
    dirty_ = false;
    SDL_RenderCopy(renderer_, screen_, nullptr, nullptr);
    if (cursorVisible_) {
        const SDL_Rect source{0, 0, cursorRect_.w, cursorRect_.h};
        SDL_RenderCopy(renderer_, cursor_, &source, &cursorRect_);
    }
    SDL_RenderPresent(renderer_);
}

void ScreenMirror::WindowPosition(int &x, int &y) const {
    x = y = 0;
    if (window_ != nullptr) SDL_GetWindowPosition(window_, &x, &y);
}

}  // namespace zeltview
