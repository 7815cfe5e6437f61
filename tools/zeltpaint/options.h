// Command line of zeltpaint.
#pragma once

#include <string>

namespace zeltpaint {

struct Options {
    std::string input;                       // empty: the built-in demo image
    std::string output = "zeltpaint.png";
    int depth = 24;                          // bits per pixel the image is stored at
    int perspective = -1;                    // -1: keep the image's own
    bool help = false;
};

// Parses argv; returns false with `error` set for a bad command line.
bool ParseOptions(int argc, char **argv, Options &options, std::string &error);

// The text --help prints.
const char *UsageText();

}  // namespace zeltpaint
