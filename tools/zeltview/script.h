// Scripted sessions (--script): one command a line, '#' starts a comment.
// Every command goes through the same input path as the desktop's events,
// and the screen is shown after each one so a person can watch.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "viewer_window.h"

namespace zeltview {

enum class CommandKind {
    Key, Move, Press, Release, MoveView, PressView, ReleaseView, Drag, Pan, DragPan, Magnify, Wait, WaitFor,
    Screenshot, Geometry, Print, Quit
};

struct ScriptCommand {
    CommandKind kind{};
    int line = 0;
    int numbers[5] = {};
    int numberCount = 0;
    std::string text;
};

// Reads the whole script; false with `error` naming the line on a bad one.
bool LoadScript(const std::string &path, std::vector<ScriptCommand> &commands, std::string &error);

struct ScriptTarget {
    Viewer &viewer;
    HDC screen;
    std::function<bool()> frame;  // pumps messages and shows the screen; false once the program ends
};

enum class ScriptResult { Finished, Quit, Failed };

ScriptResult RunScript(const std::vector<ScriptCommand> &commands, ScriptTarget &target, std::string &error);

}  // namespace zeltview
