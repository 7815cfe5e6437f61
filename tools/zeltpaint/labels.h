// Text on a picture in a small built-in 5 x 7 pixel font (upper-case
// letters, digits and a little punctuation; lower case is shown as upper).
#pragma once

#include <cstdint>
#include <string_view>

#include "picture.h"

namespace zeltpaint {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
inline constexpr int kGlyphAdvance = kGlyphWidth + 1;

// Width in pixels of `text` drawn at `scale` (each font pixel a scale x scale block).
int LabelWidth(std::string_view text, int scale);

// Draws `text` with its top-left corner at (x, y). Characters the font
// lacks are drawn as an empty box so they are noticed.
void DrawLabel(Picture &picture, int x, int y, std::string_view text, std::uint32_t rgb, int scale);

}  // namespace zeltpaint
