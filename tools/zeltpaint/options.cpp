#include "options.h"

#include <charconv>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace zeltpaint {
namespace {

template <typename T>
bool ParseNumber(std::string_view text, T &value, int base = 10) {
    const char *end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    return !text.empty() && ec == std::errc() && ptr == end;
}

bool OneOf(int value, std::initializer_list<int> allowed) {
    for (int a : allowed)
        if (a == value) return true;
    return false;
}

// "A,B,..." with exactly `count` integers.
bool ParseIntList(std::string_view text, std::vector<int> &values, size_t count) {
    values.clear();
    while (true) {
        const size_t comma = text.find(',');
        int v = 0;
        if (!ParseNumber(text.substr(0, comma), v)) return false;
        values.push_back(v);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return values.size() == count;
}

// Switches that set or clear display-mode bits.
struct ModeSwitch {
    const char *name;
    UINT set;
    UINT clear;
};
constexpr ModeSwitch kModeSwitches[] = {
    {"--ordered", DISP_CONVERTER_ALT, 0},
    // The clustered matrix only matters to the ordered converters.
    {"--clustered", DISP_DITHER_ALT | DISP_CONVERTER_ALT, 0},
    {"--fixed-palette", DISP_FIXED_PALETTE, 0},
    {"--bitonal-gray", DISP_BITONAL_GRAY, 0},
    {"--bitonal-resample", DISP_BITONAL_RESAMPLE, 0},
    {"--reduce-same-depth", DISP_REDUCE_SAME_DEPTH, 0},
    {"--no-reduce", 0, DISP_DEVICE_REDUCE},
    {"--indexed", DISP_INDEXED_PAINT, 0},
    {"--no-indexed", 0, DISP_INDEXED_PAINT},
    {"--kernel-reduce", DISP_KERNEL_REDUCE, 0},
};

}  // namespace

const char *UsageText() {
    return "usage: zeltpaint [options] [image.png | image.bmp | picture.wmf | picture.emf]\n"
           "\n"
           "Paints an image (or, without one, the built-in demo image) through the display\n"
           "library into a device of the chosen depth and writes what the device shows to\n"
           "a PNG file. Without an input image and without --device it writes a contact\n"
           "sheet: the image painted on every device depth (rows) with error diffusion,\n"
           "ordered dispersed and ordered clustered dither (columns), each cell labelled.\n"
           "\n"
           "output:\n"
           "  -o, --output FILE       PNG file to write (default zeltpaint.png)\n"
           "  --sheet                 write the contact sheet, also for an input image\n"
           "  --print FILE.pdf        also print the image on a letter-size 24-bit printer\n"
           "                          whose documents go to FILE.pdf: centred, as large as it\n"
           "                          fits (alone, it replaces the PNG unless -o is given)\n"
           "  --dpi N                 with --print, the printer's resolution (default 300)\n"
           "  --wmf FILE              also write the image, as painted, as a classic metafile\n"
           "                          (with a placeable header, 96 units an inch)\n"
           "  --emf FILE              the same as an enhanced metafile; with --wmf or --emf\n"
           "                          a PNG is written only when -o is given\n"
           "\n"
           "device:\n"
           "  --device BITS           device depth: 1, 4 (memory DCs with a black-and-white\n"
           "                          or 16-colour DIB section), 8 (an 8-bit palette screen\n"
           "                          with the paint palette realised), 16, 24 or 32\n"
           "                          (memory DCs with DIB sections); default 24\n"
           "  --size WxH              device size in pixels (default: the painted source's\n"
           "                          displayed size); the source is scaled to fill it. A\n"
           "                          metafile input is played at this size (default: its\n"
           "                          natural size)\n"
           "  --source L,T,R,B        part of the image to paint, in displayed coordinates,\n"
           "                          right and bottom exclusive (default: all of it)\n"
           "\n"
           "storage (the image is kept through the kernel library before painting):\n"
           "  --depth N               store the image at N bits per pixel: 1, 2, 3, 4, 5, 6, 7,\n"
           "                          8, 12, 16, 24, 32, 48 or 64 (default: as loaded; the demo\n"
           "                          image is 24). Palette depths use black/white (1), the 16\n"
           "                          VGA colours (4), the 3-3-2 table (8) or a gray ramp\n"
           "                          (2, 3, 5, 6, 7); 12 bits is gray\n"
           "  --gray                  with --depth 16, store one 16-bit gray sample a pixel\n"
           "  --perspective P         view perspective 0..8 the stored rows are kept in; the\n"
           "                          painted picture looks the same for every value\n"
           "\n"
           "display mode (the library's default is indexed paint with device reduction):\n"
           "  --ordered               ordered dither instead of error diffusion\n"
           "  --clustered             ordered dither with the clustered matrix (implies --ordered)\n"
           "  --fixed-palette         8-bit devices use the fixed 6x6x6 colour cube\n"
           "  --bitonal-gray          paint 1-bit gray images scaled to gray on deeper devices\n"
           "  --bitonal-resample      paint 1-bit gray images through bitonal resampling\n"
           "  --reduce-same-depth     also reduce when the image has the device's depth\n"
           "  --no-reduce             do not reduce colours to what the device shows\n"
           "  --indexed, --no-indexed send 8-bit rows as palette indices, or as colours\n"
           "  --kernel-reduce         take reduced rows from the kernel's colour reduction\n"
           "  --mode HEX              start from this raw DISP_ mode instead of the default\n"
           "                          (the switches above then set and clear their bits)\n"
           "\n"
           "paint adjustments:\n"
           "  --intensity N           brightness, -1000..1000 (default 0)\n"
           "  --contrast N            contrast, -1000..1000 (default 0)\n"
           "  --gamma N               gamma in hundredths, 1..100000 (default 100)\n"
           "  --window LOW,HIGH       window level of a 12 or 16-bit gray image: data values\n"
           "                          LOW..HIGH span black to white\n"
           "  --window-bits LO,HI     significant bits of the gray sample (default: all)\n"
           "\n"
           "selection (one picture only):\n"
           "  --select ellipse        select the ellipse inscribed in the image\n"
           "  --select wand:X,Y[,T]   select the area around displayed pixel (X, Y) whose\n"
           "                          colours lie within T (default 32) of its colour\n"
           "                          the picture is painted through the selection on black\n"
           "                          and its outline drawn with marching ants\n"
           "\n"
           "image operations (after storing and selecting, before painting):\n"
           "  --underlay FILE[,stretch]\n"
           "                          lay a PNG or BMP under the image as a texture: every\n"
           "                          channel moves by the file's gray level around 128,\n"
           "                          tiled from the top-left corner (default) or stretched\n"
           "                          to the image; only the selection changes\n"
           "  --halftone ANGLE[,CELL] turn the image into a 1-bit halftone, the screen turned\n"
           "                          by ANGLE degrees (fractional and negative allowed); CELL\n"
           "                          is cluster (default) or disperse\n"
           "  --halftone-sheet CELL   write the image halftoned at 0, 15, 45 and 75 degrees\n"
           "                          with that cell, side by side, instead of the picture\n"
           "\n"
           "animation:\n"
           "  --play ANIM.GIF         play an animated GIF through the library's playback engine\n"
           "                          into the directory -o names (required): frame-NNN.png for\n"
           "                          every frame shown, as a window painted from the update\n"
           "                          rectangles shows it, and delays.txt (one line per frame:\n"
           "                          file, display time in ms, 'input' when the frame waits\n"
           "                          for user input). The tool does not sleep: every wait is\n"
           "                          taken as over at once. The canvas is the GIF's logical\n"
           "                          screen at 24 bits on its background colour; --perspective\n"
           "                          0 or 2 keeps its rows top-down or bottom-up. Only in\n"
           "                          builds made with giflib (not the Windows build)\n"
           "  --progressive           with --play, hand each frame's rows over a few at a time\n"
           "                          while playing (interlaced frames pass by pass), as a\n"
           "                          loader would; the frames shown are the same\n"
           "\n"
           "  -h, --help              show this text\n"
           "\n"
           "exit status: 0 done, 1 the image could not be processed, 2 bad command line or\n"
           "unreadable input file\n";
}

bool ParseOptions(int argc, char **argv, Options &options, std::string &error) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&]() -> const char * {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        const auto bad = [&](const char *v, const char *what) {
            error = std::string(arg) + ": " + what + ", not '" + v + "'";
            return false;
        };
        bool matchedSwitch = false;
        for (const ModeSwitch &s : kModeSwitches) {
            if (arg == s.name) {
                options.modeSet = (options.modeSet & ~s.clear) | s.set;
                options.modeClear = (options.modeClear & ~s.set) | s.clear;
                matchedSwitch = true;
            }
        }
        if (matchedSwitch) continue;

        std::vector<int> numbers;
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--play") {
            const char *v = value();
            if (!v) return false;
            options.play = v;
        } else if (arg == "--progressive") {
            options.progressive = true;
        } else if (arg == "--sheet") {
            options.sheet = true;
        } else if (arg == "--gray") {
            options.grayStorage = true;
        } else if (arg == "-o" || arg == "--output") {
            const char *v = value();
            if (!v) return false;
            options.output = v;
            options.outputGiven = true;
        } else if (arg == "--wmf" || arg == "--emf") {
            const char *v = value();
            if (!v) return false;
            (arg == "--wmf" ? options.wmfOutput : options.emfOutput) = v;
        } else if (arg == "--print") {
            const char *v = value();
            if (!v) return false;
            options.printOutput = v;
        } else if (arg == "--dpi") {
            const char *v = value();
            if (!v) return false;
            if (!ParseNumber(v, options.printDpi) || options.printDpi < 10 || options.printDpi > 1200)
                return bad(v, "printer resolution must be 10..1200 dpi");
        } else if (arg == "--depth") {
            const char *v = value();
            if (!v) return false;
            if (!ParseNumber(v, options.depth) || !OneOf(options.depth, {1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 24, 32, 48, 64}))
                return bad(v, "unsupported depth");
        } else if (arg == "--perspective") {
            const char *v = value();
            if (!v) return false;
            if (!ParseNumber(v, options.perspective) || options.perspective < 0 || options.perspective > 8)
                return bad(v, "view perspective must be 0..8");
        } else if (arg == "--device") {
            const char *v = value();
            if (!v) return false;
            if (!ParseNumber(v, options.deviceBits) || !OneOf(options.deviceBits, {1, 4, 8, 16, 24, 32}))
                return bad(v, "device depth must be 1, 4, 8, 16, 24 or 32");
        } else if (arg == "--size") {
            const char *v = value();
            if (!v) return false;
            const std::string_view text = v;
            const size_t x = text.find('x');
            if (x == std::string_view::npos || !ParseNumber(text.substr(0, x), options.deviceWidth) ||
                !ParseNumber(text.substr(x + 1), options.deviceHeight) || options.deviceWidth < 1 ||
                options.deviceHeight < 1 || options.deviceWidth > 8192 || options.deviceHeight > 8192)
                return bad(v, "size must be WxH, 1..8192 each");
        } else if (arg == "--source") {
            const char *v = value();
            if (!v) return false;
            if (!ParseIntList(v, numbers, 4) || numbers[0] < 0 || numbers[1] < 0 || numbers[2] <= numbers[0] ||
                numbers[3] <= numbers[1])
                return bad(v, "source must be L,T,R,B with L < R and T < B, not negative");
            options.source = RECT{numbers[0], numbers[1], numbers[2], numbers[3]};
        } else if (arg == "--select") {
            const char *v = value();
            if (!v) return false;
            const std::string_view text = v;
            if (text == "ellipse") {
                options.select = Selection::Ellipse;
            } else if (text.starts_with("wand:") && (ParseIntList(text.substr(5), numbers, 2) ||
                                                     ParseIntList(text.substr(5), numbers, 3))) {
                if (numbers[0] < 0 || numbers[1] < 0 || (numbers.size() == 3 && (numbers[2] < 0 || numbers[2] > 255)))
                    return bad(v, "the wand needs X,Y not negative and a tolerance 0..255");
                options.select = Selection::Wand;
                options.wandSeed = POINT{numbers[0], numbers[1]};
                if (numbers.size() == 3) options.wandTolerance = static_cast<UINT>(numbers[2]);
            } else {
                return bad(v, "selection must be 'ellipse' or 'wand:X,Y[,T]'");
            }
        } else if (IsImageOpOption(arg)) {
            const char *v = value();
            if (!v || !ParseImageOpOption(arg, v, options.imageOps, error)) return false;
        } else if (arg == "--mode") {
            const char *v = value();
            if (!v) return false;
            std::string_view text = v;
            if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
            if (!ParseNumber(text, options.modeBase, 16)) return bad(v, "mode must be a hexadecimal number");
        } else if (arg == "--intensity" || arg == "--contrast") {
            const char *v = value();
            if (!v) return false;
            int &target = arg == "--intensity" ? options.intensity : options.contrast;
            if (!ParseNumber(v, target) || target < -1000 || target > 1000) return bad(v, "must be -1000..1000");
        } else if (arg == "--gamma") {
            const char *v = value();
            if (!v) return false;
            if (!ParseNumber(v, options.gamma) || options.gamma < 1 || options.gamma > 100000)
                return bad(v, "gamma must be 1..100000 hundredths");
        } else if (arg == "--window") {
            const char *v = value();
            if (!v) return false;
            if (!ParseIntList(v, numbers, 2) || numbers[0] < 0 || numbers[1] < numbers[0])
                return bad(v, "window must be LOW,HIGH with 0 <= LOW <= HIGH");
            options.window = std::pair<UINT, UINT>(static_cast<UINT>(numbers[0]), static_cast<UINT>(numbers[1]));
        } else if (arg == "--window-bits") {
            const char *v = value();
            if (!v) return false;
            if (!ParseIntList(v, numbers, 2) || numbers[0] < 0 || numbers[1] < numbers[0] || numbers[1] > 15)
                return bad(v, "window bits must be LO,HI with 0 <= LO <= HI <= 15");
            options.windowLowBit = numbers[0];
            options.windowHighBit = numbers[1];
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
    if (options.select != Selection::None && options.WantsContactSheet()) {
        error = "--select needs one picture (--device or an input image)";
        return false;
    }
    if (options.progressive && options.play.empty()) {
        error = "--progressive needs --play";
        return false;
    }
    if (!options.play.empty()) {
        if (!options.outputGiven) {
            error = "--play needs -o DIR, the directory the frames are written to";
            return false;
        }
        if (options.perspective != -1 && options.perspective != 0 && options.perspective != 2) {
            error = "--play keeps the canvas in perspective 0 or 2 only";
            return false;
        }
    }
    if (options.printDpi != 0 && options.printOutput.empty()) {
        error = "--dpi needs --print";
        return false;
    }
    if (options.grayStorage && options.depth != 16) {
        error = "--gray needs --depth 16";
        return false;
    }
    return true;
}

}  // namespace zeltpaint
