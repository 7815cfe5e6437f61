// zeltpaint --play: an animated GIF played through the library's playback
// engine the way an application plays it, every shown frame written out.
#pragma once

#include "options.h"

namespace zeltpaint {

// Plays options.play into the directory options.output: frame-NNN.png for
// each frame shown (what a window painted from the update rectangles
// shows) and delays.txt. Returns the tool's exit code.
int RunPlay(const Options &options);

}  // namespace zeltpaint
