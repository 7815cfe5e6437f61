#include "options.h"

#include <charconv>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace zeltpaint {
namespace {

bool ParseInt(std::string_view text, int &value) {
    const char *end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool OneOf(int value, std::initializer_list<int> allowed) {
    for (int a : allowed)
        if (a == value) return true;
    return false;
}

}  // namespace

const char *UsageText() {
    return "usage: zeltpaint [options] [image.png | image.bmp]\n"
           "\n"
           "Loads the image (or, without one, the built-in demo image), stores it through\n"
           "the kernel library at the chosen depth and view perspective, and writes the\n"
           "picture as it is displayed to a PNG file.\n"
           "\n"
           "options:\n"
           "  -o, --output FILE       PNG file to write (default zeltpaint.png)\n"
           "  --depth N               store the image at N bits per pixel: 1, 2, 3, 4, 5, 6, 7,\n"
           "                          8, 12, 16, 24, 32, 48 or 64 (default 24). Palette depths\n"
           "                          use black/white (1), the 16 VGA colours (4), the 3-3-2\n"
           "                          table (8) or a gray ramp (2, 3, 5, 6, 7); 12 bits is gray\n"
           "  --perspective P         view perspective 0..8 the stored rows are kept in; the\n"
           "                          written picture looks the same for every value\n"
           "  -h, --help              show this text\n"
           "\n"
           "exit status: 0 done, 1 the image could not be processed, 2 bad command line or\n"
           "unreadable input file\n";
}

bool ParseOptions(int argc, char **argv, Options &options, std::string &error) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&](std::string_view name) -> const char * {
            if (i + 1 >= argc) {
                error = std::string(name) + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "-o" || arg == "--output") {
            const char *v = value(arg);
            if (!v) return false;
            options.output = v;
        } else if (arg == "--depth") {
            const char *v = value(arg);
            if (!v) return false;
            if (!ParseInt(v, options.depth) || !OneOf(options.depth, {1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 24, 32, 48, 64})) {
                error = std::string("unsupported depth '") + v + "'";
                return false;
            }
        } else if (arg == "--perspective") {
            const char *v = value(arg);
            if (!v) return false;
            if (!ParseInt(v, options.perspective) || options.perspective < 0 || options.perspective > 8) {
                error = std::string("view perspective must be 0..8, not '") + v + "'";
                return false;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option '" + std::string(arg) + "'";
            return false;
        } else if (options.input.empty()) {
            options.input = arg;
        } else {
            error = "more than one input image given";
            return false;
        }
    }
    return true;
}

}  // namespace zeltpaint
