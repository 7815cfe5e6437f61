// Command line of zeltpaint.
#pragma once

#include <optional>
#include <string>

#include "image_ops.h"
#include "zelt/display.h"

namespace zeltpaint {

// A selection made on the image before it is painted.
enum class Selection { None, Ellipse, Wand };

struct Options {
    std::string input;                       // empty: the built-in demo image
    std::string output = "zeltpaint.png";
    bool outputGiven = false;                // -o: a PNG is written also when metafiles are
    std::string wmfOutput, emfOutput;        // --wmf / --emf: the painted image as a metafile
    std::string printOutput;                 // --print: the image printed to this PDF
    int printDpi = 0;                        // --dpi: the printer's resolution (0: 300)
    bool help = false;
    std::string play;                        // --play: an animated GIF played into the directory -o names
    bool progressive = false;                // --progressive: its frames arrive row by row while playing
    bool sheet = false;                      // --sheet, or implied (see WantsContactSheet)

    // How the image is kept before painting.
    int depth = 0;                           // bits the image is stored at; 0 keeps the loaded depth
    bool grayStorage = false;                // 16 bits as one gray sample (12 bits always is)
    int perspective = -1;                    // -1: keep the image's own

    // The device painted into.
    int deviceBits = 0;                      // 1, 4, 8, 16, 24, 32; 0: not chosen (24 for one picture)
    int deviceWidth = 0, deviceHeight = 0;   // 0: the size of the painted source
    std::optional<RECT> source;              // displayed-image coordinates

    // Display mode: starts at the library's default or --mode, then the
    // named switches are set and cleared.
    UINT modeBase = DISP_DEFAULT_MODE;
    UINT modeSet = 0;
    UINT modeClear = 0;

    // Paint adjustments and window level (deep gray images).
    int intensity = 0, contrast = 0;
    UINT gamma = 100;
    int windowLowBit = -1, windowHighBit = -1;  // -1: the whole sample
    std::optional<std::pair<UINT, UINT>> window; // data values shown as black .. white

    // Selection: the picture is painted through it and framed.
    Selection select = Selection::None;
    POINT wandSeed{};                        // displayed coordinates
    UINT wandTolerance = 32;

    // Underlay and halftone, made after storing and selecting (image_ops.h).
    ImageOps imageOps;

    UINT DisplayMode() const { return (modeBase | modeSet) & ~modeClear; }
    bool HasWindowLevel() const { return window.has_value() || windowLowBit >= 0 || windowHighBit >= 0; }
    // Without an input image and a device the tool writes the contact sheet.
    bool WantsContactSheet() const {
        return sheet || (input.empty() && deviceBits == 0 && wmfOutput.empty() && emfOutput.empty() &&
                         printOutput.empty());
    }
    // Metafile and print outputs alone replace the PNG unless -o asks for it too.
    bool WantsPng() const { return outputGiven || (wmfOutput.empty() && emfOutput.empty() && printOutput.empty()); }
};

// Parses argv; returns false with `error` set for a bad command line.
bool ParseOptions(int argc, char **argv, Options &options, std::string &error);

// The text --help prints.
const char *UsageText();

}  // namespace zeltpaint
