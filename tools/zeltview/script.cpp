#include "script.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "key_table.h"
#include "zelt/host.h"

namespace zeltview {

namespace {

// name, kind, numbers required, numbers allowed, whether a word comes first
struct CommandForm {
    const char *name;
    CommandKind kind;
    int minNumbers;
    int maxNumbers;
    bool word;
};

constexpr std::array kCommands = {
    CommandForm{"key", CommandKind::Key, 0, 0, true},
    CommandForm{"move", CommandKind::Move, 2, 2, false},
    CommandForm{"press", CommandKind::Press, 2, 2, false},
    CommandForm{"release", CommandKind::Release, 2, 2, false},
    CommandForm{"move-view", CommandKind::MoveView, 2, 2, false},
    CommandForm{"press-view", CommandKind::PressView, 2, 2, false},
    CommandForm{"release-view", CommandKind::ReleaseView, 2, 2, false},
    CommandForm{"drag", CommandKind::Drag, 5, 5, false},
    CommandForm{"pan", CommandKind::Pan, 0, 0, false},
    CommandForm{"drag-pan", CommandKind::DragPan, 2, 2, false},
    CommandForm{"magnify", CommandKind::Magnify, 0, 0, true},
    CommandForm{"wait", CommandKind::Wait, 1, 1, false},
    CommandForm{"wait-for", CommandKind::WaitFor, 0, 1, true},
    CommandForm{"screenshot", CommandKind::Screenshot, 0, 0, true},
    CommandForm{"geometry", CommandKind::Geometry, 0, 0, false},
    CommandForm{"print", CommandKind::Print, 0, 0, false},
    CommandForm{"quit", CommandKind::Quit, 0, 0, false},
};

constexpr int kDragPanSteps = 8;
constexpr int kDefaultWaitForMs = 30000;
constexpr int kFrameMs = 10;

bool ParseLine(const std::string &line, int number, ScriptCommand &command, std::string &error) {
    std::istringstream words(line);
    std::string name;
    words >> name;
    const CommandForm *form = nullptr;
    for (const CommandForm &candidate : kCommands)
        if (name == candidate.name) form = &candidate;
    if (form == nullptr) {
        error = "line " + std::to_string(number) + ": unknown command '" + name + "'";
        return false;
    }
    command.kind = form->kind;
    command.line = number;
    if (form->word && !(words >> command.text)) {
        error = "line " + std::to_string(number) + ": " + name + " needs an argument";
        return false;
    }
    std::string token;
    while (words >> token) {
        char *end = nullptr;
        const long value = std::strtol(token.c_str(), &end, 10);
        if (*end != '\0' || command.numberCount == form->maxNumbers || value < -100000 || value > 100000) {
            error = "line " + std::to_string(number) + ": unexpected '" + token + "'";
            return false;
        }
        command.numbers[command.numberCount++] = static_cast<int>(value);
    }
    if (command.numberCount < form->minNumbers) {
        error = "line " + std::to_string(number) + ": " + name + " needs " + std::to_string(form->minNumbers) +
                " numbers";
        return false;
    }
    if (command.kind == CommandKind::Magnify && command.text != "on" && command.text != "off") {
        error = "line " + std::to_string(number) + ": magnify takes on or off";
        return false;
    }
    if (command.kind == CommandKind::Key && !KeyFromName(command.text)) {
        error = "line " + std::to_string(number) + ": unknown key '" + command.text + "'";
        return false;
    }
    if (command.kind == CommandKind::Drag && command.numbers[4] < 1) {
        error = "line " + std::to_string(number) + ": drag needs at least one step";
        return false;
    }
    return true;
}

// The scripted pointing device: where it is and which buttons are down.
class Pointer {
public:
    explicit Pointer(ScriptTarget &target) : target_(target) {}
    bool MoveTo(int x, int y) {
        x_ = x;
        y_ = y;
        return Send();
    }
    bool Press(int x, int y) {
        buttons_ |= MK_LBUTTON;
        return MoveTo(x, y);
    }
    bool Release(int x, int y) {
        buttons_ &= ~static_cast<DWORD>(MK_LBUTTON);
        return MoveTo(x, y);
    }
    // Presses at (x1, y1), moves in `steps` even steps and releases at (x2, y2).
    bool Drag(int x1, int y1, int x2, int y2, int steps) {
        if (!MoveTo(x1, y1) || !Press(x1, y1)) return false;
        for (int i = 1; i <= steps; ++i)
            if (!MoveTo(x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps)) return false;
        return Release(x2, y2);
    }

private:
    bool Send() {
        ZeltHostMouseInput(x_, y_, buttons_);
        return target_.frame();
    }
    ScriptTarget &target_;
    int x_ = 0;
    int y_ = 0;
    DWORD buttons_ = 0;
};

bool WaitMs(ScriptTarget &target, int ms) {
    const Uint64 end = SDL_GetTicks64() + static_cast<Uint64>((std::max)(ms, 0));
    do {
        if (!target.frame()) return false;
        SDL_Delay(kFrameMs);
    } while (SDL_GetTicks64() < end);
    return true;
}

// Runs one command; false when the program ended or the command failed
// (then `error` is set).
bool Run(const ScriptCommand &c, ScriptTarget &target, Pointer &pointer, std::string &error) {
    const int *n = c.numbers;
    Viewer &viewer = target.viewer;
    switch (c.kind) {
    case CommandKind::Key:
        TypeKey(*KeyFromName(c.text));
        return target.frame();
    case CommandKind::Move: return pointer.MoveTo(n[0], n[1]);
    case CommandKind::Press: return pointer.Press(n[0], n[1]);
    case CommandKind::Release: return pointer.Release(n[0], n[1]);
    case CommandKind::MoveView:
    case CommandKind::PressView:
    case CommandKind::ReleaseView: {
        const POINT p = viewer.ClientToScreenPoint(n[0], n[1]);
        if (c.kind == CommandKind::MoveView) return pointer.MoveTo(p.x, p.y);
        return c.kind == CommandKind::PressView ? pointer.Press(p.x, p.y) : pointer.Release(p.x, p.y);
    }
    case CommandKind::Drag: return pointer.Drag(n[0], n[1], n[2], n[3], n[4]);
    case CommandKind::Pan:
        if (!viewer.OpenPan()) {
            error = "the pan window did not open";
            return false;
        }
        return target.frame();
    case CommandKind::DragPan: {
        POINT centre{};
        if (!viewer.PanRectCentre(centre)) {
            error = "drag-pan needs the pan window (use pan first)";
            return false;
        }
        return pointer.Drag(centre.x, centre.y, centre.x + n[0], centre.y + n[1], kDragPanSteps);
    }
    case CommandKind::Magnify:
        if (!viewer.SetMagnifier(c.text == "on")) {
            error = "the magnifying glass did not start";
            return false;
        }
        return target.frame();
    case CommandKind::Wait: return WaitMs(target, n[0]);
    case CommandKind::WaitFor: {
        const int limit = c.numberCount > 0 ? n[0] : kDefaultWaitForMs;
        const Uint64 end = SDL_GetTicks64() + static_cast<Uint64>((std::max)(limit, 0));
        std::error_code ignored;
        while (!std::filesystem::exists(c.text, ignored)) {
            if (SDL_GetTicks64() >= end) {
                error = "gave up waiting for " + c.text;
                return false;
            }
            if (!WaitMs(target, kFrameMs)) return false;
        }
        return true;
    }
    case CommandKind::Screenshot:
        if (!ZeltHostSaveSurfacePng(target.screen, c.text.c_str())) {
            error = "cannot write " + c.text;
            return false;
        }
        return target.frame();
    case CommandKind::Geometry:
        viewer.WriteGeometry(stdout, ("line " + std::to_string(c.line)).c_str());
        return true;
    case CommandKind::Print:
        viewer.Print();
        return target.frame();
    case CommandKind::Quit: return false;
    }
    return true;
}

}  // namespace

bool LoadScript(const std::string &path, std::vector<ScriptCommand> &commands, std::string &error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the script " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        ScriptCommand command;
        if (!ParseLine(line, number, command, error)) return false;
        commands.push_back(std::move(command));
    }
    return true;
}

ScriptResult RunScript(const std::vector<ScriptCommand> &commands, ScriptTarget &target, std::string &error) {
    Pointer pointer(target);
    for (const ScriptCommand &command : commands) {
        if (Run(command, target, pointer, error)) continue;
        if (!error.empty()) {
            error = "line " + std::to_string(command.line) + ": " + error;
            return ScriptResult::Failed;
        }
        return ScriptResult::Quit;
    }
    return ScriptResult::Finished;
}

}  // namespace zeltview
