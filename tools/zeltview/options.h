// zeltview's command line.
#pragma once

#include <string>

namespace zeltview {

struct Options {
    std::string image;           // empty: the built-in demo image
    int zoom = 100;              // percent
    int screenWidth = 1024;
    int screenHeight = 768;
    int screenBits = 32;
    std::string script;          // scripted session, empty for an interactive one
    std::string screenshot;      // the screen written as PNG at exit
    bool printGeometry = false;  // window and view geometry on stdout
    bool help = false;
};

// Fills `options`; false with `error` set on a bad command line.
bool ParseOptions(int argc, char **argv, Options &options, std::string &error);

const char *UsageText();

}  // namespace zeltview
