#include "options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "view_geometry.h"

namespace zeltview {

namespace {

bool ParseInt(const char *text, int low, int high, int &value) {
    char *end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < low || parsed > high) return false;
    value = static_cast<int>(parsed);
    return true;
}

// "WxH" or "WxHxBITS".
bool ParseScreen(const char *text, Options &options) {
    int width = 0, height = 0, bits = 32, used = 0;
    const int fields = std::sscanf(text, "%dx%d%n", &width, &height, &used);
    if (fields != 2) return false;
    if (text[used] == 'x') {
        int more = 0;
        if (std::sscanf(text + used, "x%d%n", &bits, &more) != 1 || text[used + more] != '\0') return false;
    } else if (text[used] != '\0') {
        return false;
    }
    if (width < 64 || height < 64 || width > 8192 || height > 8192) return false;
    options.screenWidth = width;
    options.screenHeight = height;
    options.screenBits = bits;
    return true;
}

}  // namespace

bool ParseOptions(int argc, char **argv, Options &options, std::string &error) {
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        const bool hasValue = i + 1 < argc;
        auto needValue = [&](const char *name) {
            if (!hasValue) error = std::string(name) + " needs a value";
            return hasValue;
        };
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            options.help = true;
        } else if (std::strcmp(arg, "--zoom") == 0) {
            if (!needValue(arg)) return false;
            if (!ParseInt(argv[++i], kMinZoom, kMaxZoom, options.zoom)) {
                error = "--zoom takes a percentage from " + std::to_string(kMinZoom) + " to " + std::to_string(kMaxZoom);
                return false;
            }
        } else if (std::strcmp(arg, "--screen") == 0) {
            if (!needValue(arg)) return false;
            if (!ParseScreen(argv[++i], options)) {
                error = "--screen takes WIDTHxHEIGHT or WIDTHxHEIGHTxBITS (64 to 8192 pixels)";
                return false;
            }
        } else if (std::strcmp(arg, "--script") == 0) {
            if (!needValue(arg)) return false;
            options.script = argv[++i];
        } else if (std::strcmp(arg, "--screenshot") == 0) {
            if (!needValue(arg)) return false;
            options.screenshot = argv[++i];
        } else if (std::strcmp(arg, "--print-geometry") == 0) {
            options.printGeometry = true;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            error = std::string("unknown option ") + arg;
            return false;
        } else if (options.image.empty()) {
            options.image = arg;
        } else {
            error = std::string("more than one image: ") + arg;
            return false;
        }
    }
    return true;
}

const char *UsageText() {
    return "usage: zeltview [IMAGE] [--zoom PERCENT] [--screen WxH[xBITS]] [--script FILE]\n"
           "                [--screenshot PNG] [--print-geometry]\n"
           "Shows IMAGE (PNG, BMP, WMF or EMF; without one the demo image) in a window of the\n"
           "software screen, mirrored 1:1 in a desktop window.\n"
           "keys: arrows and PageUp/PageDown scroll, + and - zoom, P pan window, M magnifying glass\n"
           "      (hold the left button), Ctrl+P print to ./zeltview-N.pdf, Esc or Q quit\n"
           "script commands: key NAME, move X Y, press X Y, release X Y, drag X1 Y1 X2 Y2 STEPS,\n"
           "      move-view/press-view/release-view X Y (application client coordinates),\n"
           "      pan, drag-pan DX DY, magnify on|off, wait MS, wait-for FILE [MS],\n"
           "      screenshot PNG, geometry, print, quit\n";
}

}  // namespace zeltview
