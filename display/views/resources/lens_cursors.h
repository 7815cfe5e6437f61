// The lens cursor files as bytes, for hosts without a resource loader: the
// build generates their definitions from the checked-in .cur files, and the
// load-time constructor publishes them as RT_CURSOR resources 500 and 501.
#pragma once

#include <cstddef>

extern const unsigned char kLensRoundCursor[];
extern const std::size_t kLensRoundCursorSize;
extern const unsigned char kLensRectCursor[];
extern const std::size_t kLensRectCursorSize;
