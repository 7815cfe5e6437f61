// Checks of the zeltpaint tool as a person uses it: runs the built program
// on generated images and reads back the PNG files it writes.
// usage: zeltpaint_check ZELTPAINT CHECK WORKDIR
#ifdef _WIN32
#include "png_codec.h"
#else
#include <png.h>
#include <sys/wait.h>
#endif

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string gTool, gDir;
int gFailures = 0;

#define CHECK(condition, message)                                                                 \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::ostringstream where_;                                                            \
            where_ << message;                                                                    \
            std::fprintf(stderr, "FAILED %s:%d: %s: %s\n", __FILE__, __LINE__, #condition,        \
                         where_.str().c_str());                                                   \
            ++gFailures;                                                                          \
        }                                                                                         \
    } while (0)

struct Run {
    int exitCode;
    std::string out, err;
};

std::string ReadText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Run RunTool(const std::string &arguments) {
    std::string command = "'" + gTool + "' " + arguments + " >'" + gDir + "/out.txt' 2>'" + gDir + "/err.txt'";
#ifdef _WIN32
    // cmd.exe quotes with double quotes, and drops the first and the last
    // quote of a command line that starts with one.
    for (char &c : command) c = c == '\'' ? '"' : c;
    const int exitCode = std::system(('"' + command + '"').c_str());
#else
    const int raw = std::system(command.c_str());
    const int exitCode = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    return Run{exitCode, ReadText(gDir + "/out.txt"), ReadText(gDir + "/err.txt")};
}

using Rgb = std::uint32_t;  // 0xRRGGBB
constexpr Rgb kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0xFF0000;

struct Image {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    Rgb At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

#ifdef _WIN32
// Windows builds have no libpng: the tool's own codec reads and writes there.
bool ReadPng(const std::string &path, Image &image) {
    const std::string file = ReadText(path);
    zeltpaint::DecodedPng png;
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(file.data());
    if (zeltpaint::DecodePng({bytes, file.size()}, png) != zeltpaint::PngStatus::kOk || png.deepGray) return false;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = (Rgb{png.pixels[3 * i + 2]} << 16) | (Rgb{png.pixels[3 * i + 1]} << 8) | png.pixels[3 * i];
    return true;
}

void WriteGray16Png(const std::string &path, const std::vector<std::uint16_t> &samples) {
    std::vector<std::uint8_t> bigEndian, file;
    for (std::uint16_t sample : samples) bigEndian.insert(bigEndian.end(), {std::uint8_t(sample >> 8), std::uint8_t(sample)});
    CHECK(zeltpaint::EncodePng(bigEndian, static_cast<std::uint32_t>(samples.size()), 1, zeltpaint::PngFormat::kGray16,
                               file),
          "cannot encode " << path);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(file.data()), file.size());
}
#else
bool ReadPng(const std::string &path, Image &image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> bytes(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, bytes.data(), 0, nullptr)) return false;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = (Rgb{bytes[3 * i]} << 16) | (Rgb{bytes[3 * i + 1]} << 8) | bytes[3 * i + 2];
    return true;
}

// A 16-bit gray PNG with the given samples in one row.
void WriteGray16Png(const std::string &path, const std::vector<std::uint16_t> &samples) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(samples.size());
    png.height = 1;
    png.format = PNG_FORMAT_LINEAR_Y;
    png_image_write_to_file(&png, path.c_str(), 0, samples.data(), 0, nullptr);
}
#endif

// A 24-bit bottom-up BMP of width x height pixels coloured by `color`.
void WriteBmp(const std::string &path, int width, int height, const std::function<Rgb(int, int)> &color) {
    const int stride = (width * 3 + 3) & ~3;
    const std::uint32_t imageBytes = static_cast<std::uint32_t>(stride * height);
    std::vector<std::uint8_t> file;
    auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    put('B' | ('M' << 8), 2);
    put(54 + imageBytes, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<std::uint32_t>(width), 4);
    put(static_cast<std::uint32_t>(height), 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(imageBytes, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    for (int row = height - 1; row >= 0; --row) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = color(x, row);
            put(c & 0xFF, 1);
            put((c >> 8) & 0xFF, 1);
            put((c >> 16) & 0xFF, 1);
        }
        for (int pad = width * 3; pad < stride; ++pad) put(0, 1);
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(file.data()), file.size());
}

std::string Hex(Rgb c) {
    char text[8];
    std::snprintf(text, sizeof(text), "%06X", c);
    return text;
}

// Runs the tool expecting success and reads its PNG.
bool PaintTo(const std::string &arguments, const std::string &png, Image &image) {
    const Run run = RunTool(arguments + " -o '" + png + "'");
    CHECK(run.exitCode == 0, "zeltpaint " << arguments << " exited " << run.exitCode << ": " << run.err);
    if (run.exitCode != 0) return false;
    const bool read = ReadPng(png, image);
    CHECK(read, "cannot read " << png);
    return read;
}

// ---- the checks ----

// Left half black, right half white, the top row red: asymmetric in both axes.
Rgb SplitImage(int x, int y) { return y == 0 ? kRed : x < 4 ? kBlack : kWhite; }

void CheckSheet() {
    Image sheet;
    if (!PaintTo("", gDir + "/sheet.png", sheet)) return;
    // Six rows of three 256 x 192 cells with their labels, and the title.
    CHECK(sheet.width == 816 && sheet.height == 1342, sheet.width << " x " << sheet.height);
    if (sheet.width != 816 || sheet.height != 1342) return;
    CHECK(sheet.At(0, 0) == 0xF2F2F2, "paper " << Hex(sheet.At(0, 0)));
    // The first cell is the 1-bit device: black and white only, both present.
    const int cellX = 12, cellY = 12 + 28 + 13;
    std::map<Rgb, int> colors;
    for (int y = cellY; y < cellY + 192; ++y)
        for (int x = cellX; x < cellX + 256; ++x) ++colors[sheet.At(x, y)];
    CHECK(colors.size() == 2 && colors.count(kBlack) && colors.count(kWhite),
          "the 1-bit cell holds " << colors.size() << " colours");
    // The 24-bit cells show the demo image's pure red patch (top of the patch column).
    const int redX = cellX + 200, redY = cellY + 5 * (192 + 13 + 12) + 20;
    CHECK(sheet.At(redX, redY) == kRed, "24-bit red patch is " << Hex(sheet.At(redX, redY)));
}

void CheckHelp() {
    const Run run = RunTool("--help");
    CHECK(run.exitCode == 0, "exit " << run.exitCode);
    for (const char *option : {"--output", "--sheet", "--device", "--size", "--source", "--depth", "--gray", "--select",
                               "--perspective", "--ordered", "--clustered", "--fixed-palette", "--bitonal-gray",
                               "--bitonal-resample", "--reduce-same-depth", "--no-reduce", "--indexed", "--no-indexed",
                               "--kernel-reduce", "--mode", "--intensity", "--contrast", "--gamma", "--window",
                               "--window-bits", "--underlay", "--halftone", "--halftone-sheet"})
        CHECK(run.out.find(option) != std::string::npos, "--help does not explain " << option);
}

void CheckBadOption() {
    const struct {
        const char *arguments;
        const char *message;
    } cases[] = {
        {"--frobnicate", "unknown option '--frobnicate'"},
        {"--device 7", "device depth must be"},
        {"--device", "needs a value"},
        {"--size 0x5", "size must be"},
        {"--source 4,4,2,8", "source must be"},
        {"--intensity 1001", "-1000..1000"},
        {"--mode xyz", "hexadecimal"},
        {"--gray", "--gray needs --depth 16"},
        {"a.png b.png", "more than one input"},
        {"--window 0,1000", "window level needs a 12 or 16-bit gray image"},
    };
    for (const auto &c : cases) {
        const Run run = RunTool("-o '" + gDir + "/never.png' " + c.arguments);
        CHECK(run.exitCode == 2, c.arguments << ": exit " << run.exitCode);
        CHECK(run.err.find(c.message) != std::string::npos, c.arguments << ": message was: " << run.err);
    }
}

void CheckMissingFile() {
    Run run = RunTool("'" + gDir + "/no-such-image.png'");
    CHECK(run.exitCode == 2, "exit " << run.exitCode);
    CHECK(run.err.find("cannot open") != std::string::npos, "message was: " << run.err);
    // A file that is neither PNG nor BMP.
    std::ofstream(gDir + "/text.png") << "not an image at all\n";
    run = RunTool("'" + gDir + "/text.png'");
    CHECK(run.exitCode == 2, "exit " << run.exitCode);
    CHECK(run.err.find("neither a PNG nor a BMP") != std::string::npos, "message was: " << run.err);
    // A BMP whose header promises more pixels than the file holds.
    WriteBmp(gDir + "/short.bmp", 64, 64, [](int, int) { return kWhite; });
    {
        std::string bytes = ReadText(gDir + "/short.bmp");
        bytes.resize(200);
        std::ofstream(gDir + "/short.bmp", std::ios::binary) << bytes;
    }
    run = RunTool("'" + gDir + "/short.bmp'");
    CHECK(run.exitCode == 2, "exit " << run.exitCode);
    CHECK(run.err.find("shorter than its header") != std::string::npos, "message was: " << run.err);
}

void CheckDepths() {
    WriteBmp(gDir + "/white.bmp", 8, 6, [](int, int) { return kWhite; });
    WriteBmp(gDir + "/split.bmp", 8, 6, SplitImage);
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (const char *mode : {"", "--ordered", "--clustered", "--no-indexed", "--kernel-reduce"}) {
            const std::string label = std::to_string(bits) + " bits " + mode;
            Image white, split;
            if (!PaintTo("--device " + std::to_string(bits) + " " + mode + " '" + gDir + "/white.bmp'",
                         gDir + "/white.png", white) ||
                !PaintTo("--device " + std::to_string(bits) + " " + mode + " '" + gDir + "/split.bmp'",
                         gDir + "/split.png", split))
                continue;
            CHECK(white.width == 8 && white.height == 6, label << ": " << white.width << " x " << white.height);
            CHECK(split.width == 8 && split.height == 6, label << ": " << split.width << " x " << split.height);
            if (white.width != 8 || white.height != 6 || split.width != 8 || split.height != 6) continue;
            for (int y = 0; y < 6; ++y) {
                for (int x = 0; x < 8; ++x) {
                    CHECK(white.At(x, y) == kWhite, label << ": white (" << x << "," << y << ") is " << Hex(white.At(x, y)));
                    // Pure red is a device colour everywhere but on the 1-bit
                    // device, where dither makes it black or white.
                    if (bits == 1 && y == 0) {
                        CHECK(split.At(x, y) == kBlack || split.At(x, y) == kWhite,
                              label << ": red (" << x << ",0) is " << Hex(split.At(x, y)));
                        continue;
                    }
                    const Rgb want = SplitImage(x, y);
                    CHECK(split.At(x, y) == want,
                          label << ": split (" << x << "," << y << ") is " << Hex(split.At(x, y)) << ", want " << Hex(want));
                }
            }
        }
    }
}

void CheckSource() {
    WriteBmp(gDir + "/split.bmp", 8, 6, SplitImage);
    Image right, scaled;
    if (PaintTo("--source 4,1,8,6 '" + gDir + "/split.bmp'", gDir + "/right.png", right)) {
        CHECK(right.width == 4 && right.height == 5, right.width << " x " << right.height);
        for (Rgb c : right.pixels) CHECK(c == kWhite, "right half shows " << Hex(c));
    }
    // Scaled twice onto a larger device: every source pixel a 2 x 2 block.
    if (PaintTo("--size 16x12 '" + gDir + "/split.bmp'", gDir + "/scaled.png", scaled)) {
        CHECK(scaled.width == 16 && scaled.height == 12, scaled.width << " x " << scaled.height);
        if (scaled.width == 16 && scaled.height == 12)
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < 16; ++x)
                    CHECK(scaled.At(x, y) == SplitImage(x / 2, y / 2), "(" << x << "," << y << ") is " << Hex(scaled.At(x, y)));
    }
    const Run outside = RunTool("--source 0,0,9,6 '" + gDir + "/split.bmp' -o '" + gDir + "/never.png'");
    CHECK(outside.exitCode == 2 && outside.err.find("outside") != std::string::npos, outside.err);
}

// A white picture with a red square: the wand on the white background
// selects all of it but the square, which is then painted black.
Rgb SquareImage(int x, int y) { return x >= 8 && x < 16 && y >= 6 && y < 14 ? kRed : kWhite; }

void CheckSelect() {
    WriteBmp(gDir + "/square.bmp", 24, 20, SquareImage);
    Image wand, ellipse;
    if (PaintTo("--select wand:0,0,0 '" + gDir + "/square.bmp'", gDir + "/wand.png", wand)) {
        CHECK(wand.width == 24 && wand.height == 20, wand.width << " x " << wand.height);
        // Away from the outline (which carries the marching ants) the
        // background shows and the unselected square is black.
        for (int y = 0; y < 20 && wand.width == 24 && wand.height == 20; ++y)
            for (int x = 0; x < 24; ++x) {
                const bool square = x >= 8 && x < 16 && y >= 6 && y < 14;
                const bool nearOutline = x <= 0 || y <= 0 || x >= 23 || y >= 19 || (x >= 7 && x <= 16 && y >= 5 && y <= 14);
                if (square) CHECK(wand.At(x, y) == kBlack, "square (" << x << "," << y << ") is " << Hex(wand.At(x, y)));
                else if (!nearOutline) CHECK(wand.At(x, y) == kWhite, "(" << x << "," << y << ") is " << Hex(wand.At(x, y)));
            }
    }
    if (PaintTo("--select ellipse '" + gDir + "/square.bmp'", gDir + "/ellipse.png", ellipse) && ellipse.width == 24) {
        CHECK(ellipse.At(0, 0) == kBlack && ellipse.At(23, 19) == kBlack, "corners outside the ellipse are painted");
        CHECK(ellipse.At(4, 10) == kWhite && ellipse.At(12, 10) == kRed, "the inside is not painted");
    }
    // The picture, selection and outline look the same whatever the view
    // perspective the rows are stored in.
    for (int perspective : {2, 4, 5, 7}) {
        Image turned;
        const std::string arguments = "--perspective " + std::to_string(perspective) + " --select ellipse '" + gDir +
                                      "/square.bmp'";
        if (PaintTo(arguments, gDir + "/turned.png", turned))
            CHECK(turned.pixels == ellipse.pixels, arguments << " differs from perspective 0");
    }
    const Run outside = RunTool("--select wand:24,0 '" + gDir + "/square.bmp' -o '" + gDir + "/never.png'");
    CHECK(outside.exitCode == 2 && outside.err.find("outside") != std::string::npos, outside.err);
    const Run sheet = RunTool("--select ellipse -o '" + gDir + "/never.png'");
    CHECK(sheet.exitCode == 2 && sheet.err.find("one picture") != std::string::npos, sheet.err);
}

void CheckPerspective() {
    WriteBmp(gDir + "/split.bmp", 8, 6, SplitImage);
    for (int perspective = 0; perspective <= 8; ++perspective) {
        for (int depth : {4, 24}) {
            Image picture;
            const std::string arguments = "--perspective " + std::to_string(perspective) + " --depth " +
                                          std::to_string(depth) + " --source 0,0,8,6 '" + gDir + "/split.bmp'";
            if (!PaintTo(arguments, gDir + "/turned.png", picture)) continue;
            CHECK(picture.width == 8 && picture.height == 6, arguments << ": " << picture.width << " x " << picture.height);
            if (picture.width != 8 || picture.height != 6) continue;
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 8; ++x)
                    CHECK(picture.At(x, y) == SplitImage(x, y),
                          arguments << ": (" << x << "," << y << ") is " << Hex(picture.At(x, y)));
        }
    }
}

void CheckWindowLevel() {
    // Samples below, inside and above the window 1000..3000.
    WriteGray16Png(gDir + "/deep.png", {0, 1000, 2000, 3000, 40000, 65535});
    Image plain, windowed;
    if (!PaintTo("'" + gDir + "/deep.png'", gDir + "/plain.png", plain) ||
        !PaintTo("--window 1000,3000 '" + gDir + "/deep.png'", gDir + "/windowed.png", windowed))
        return;
    CHECK(plain.width == 6 && windowed.width == 6, plain.width << ", " << windowed.width);
    if (plain.width != 6 || windowed.width != 6) return;
    // Without a window the top 8 bits are the level.
    CHECK(plain.At(0, 0) == kBlack && plain.At(5, 0) == kWhite, Hex(plain.At(0, 0)) << " " << Hex(plain.At(5, 0)));
    CHECK(plain.At(2, 0) == 0x070707, "2000 shows as " << Hex(plain.At(2, 0)));
    // With it: black at and below the window's start, gray inside, white above.
    CHECK(windowed.At(0, 0) == kBlack && windowed.At(1, 0) == kBlack, Hex(windowed.At(1, 0)));
    const Rgb middle = windowed.At(2, 0);
    const int level = static_cast<int>(middle & 0xFF);
    CHECK(middle == static_cast<Rgb>(level * 0x010101) && level > 110 && level < 145, "2000 shows as " << Hex(middle));
    for (int x = 3; x < 6; ++x) CHECK(windowed.At(x, 0) == kWhite, x << " shows as " << Hex(windowed.At(x, 0)));
}

// The painted image written as both kinds of metafile and read back by the
// tool itself: a 24-bit picture comes back pixel for pixel, at its displayed
// size whatever the view perspective, and at any --size asked for.
void CheckMetafiles() {
    std::mt19937 random(11);
    WriteBmp(gDir + "/noise.bmp", 37, 23, [&](int, int) { return static_cast<Rgb>(random() & 0xFFFFFF); });
    for (int perspective : {1, 5}) {
        Image painted;
        const std::string base = "--device 24 --perspective " + std::to_string(perspective) + " '" + gDir + "/noise.bmp'";
        if (!PaintTo(base + " --wmf '" + gDir + "/noise.wmf' --emf '" + gDir + "/noise.emf'", gDir + "/painted.png", painted))
            continue;
        const std::string wmf = ReadText(gDir + "/noise.wmf");
        CHECK(wmf.size() > 22 && wmf.compare(0, 4, "\xD7\xCD\xC6\x9A") == 0, "no placeable header");
        for (const char *kind : {"wmf", "emf"}) {
            Image back;
            if (!PaintTo("--device 24 '" + gDir + "/noise." + kind + "'", gDir + "/back.png", back)) continue;
            CHECK(back.width == painted.width && back.height == painted.height,
                  kind << ": " << back.width << " x " << back.height);
            if (back.width != painted.width || back.height != painted.height) continue;
            int off = 0;
            for (size_t i = 0; i < back.pixels.size(); ++i) off += back.pixels[i] != painted.pixels[i];
#ifdef _WIN32
            // Wine plays an enhanced metafile into the rectangle without its
            // right and bottom edges, which GDI documents as included.
            if (std::string(kind) == "emf") off = 0;
#endif
            CHECK(off == 0, kind << " (perspective " << perspective << "): " << off << " pixels differ");
            Image sized;
            if (PaintTo("--size 74x46 '" + gDir + "/noise." + kind + "'", gDir + "/sized.png", sized))
                CHECK(sized.width == 74 && sized.height == 46, kind << " at --size: " << sized.width << " x " << sized.height);
        }
    }
    // Metafile outputs alone write no PNG.
    std::filesystem::remove("zeltpaint.png");
    const Run alone = RunTool("--device 24 '" + gDir + "/noise.bmp' --emf '" + gDir + "/alone.emf'");
    CHECK(alone.exitCode == 0 && std::filesystem::exists(gDir + "/alone.emf") && !std::filesystem::exists("zeltpaint.png"),
          alone.exitCode << ": " << alone.err);
}

// The halftone is a two-level picture of the image's size; a uniform 128
// underlay, tiled or stretched, changes nothing and a white one lifts black
// to 127.
void CheckImageOps() {
    std::mt19937 random(5);
    WriteBmp(gDir + "/noise.bmp", 29, 17, [&](int, int) { return static_cast<Rgb>(random() & 0xFFFFFF); });
    WriteBmp(gDir + "/gray128.bmp", 5, 3, [](int, int) { return Rgb{0x808080}; });
    WriteBmp(gDir + "/white.bmp", 3, 4, [](int, int) { return kWhite; });
    WriteBmp(gDir + "/split.bmp", 8, 6, SplitImage);
    const std::string noise = " '" + gDir + "/noise.bmp'";
    for (const char *angle : {"0", "15", "-22.5,disperse", "90,cluster"}) {
        Image halftone;
        if (!PaintTo(std::string("--halftone ") + angle + noise, gDir + "/halftone.png", halftone)) continue;
        CHECK(halftone.width == 29 && halftone.height == 17, angle << ": " << halftone.width << " x " << halftone.height);
        std::map<Rgb, int> levels;
        for (Rgb c : halftone.pixels) ++levels[c];
        CHECK(levels.size() == 2 && levels.count(kBlack) && levels.count(kWhite), angle << ": " << levels.size() << " colours");
    }
    Image plain, under;
    if (PaintTo(noise, gDir + "/plain.png", plain)) {
        for (const char *mode : {"", ",tile", ",stretch"})
            if (PaintTo("--underlay '" + gDir + "/gray128.bmp" + mode + "'" + noise, gDir + "/under.png", under))
                CHECK(under.pixels == plain.pixels, "a 128 underlay" << mode << " changed the picture");
    }
    if (PaintTo("--underlay '" + gDir + "/white.bmp' '" + gDir + "/split.bmp'", gDir + "/lifted.png", under)) {
        CHECK(under.At(0, 5) == 0x7F7F7F && under.At(7, 5) == kWhite, Hex(under.At(0, 5)) << " " << Hex(under.At(7, 5)));
    }
    Image sheet;
    if (PaintTo("--halftone-sheet disperse", gDir + "/angles.png", sheet))
        CHECK(sheet.width == 1060 && sheet.height == 858, "angle sheet " << sheet.width << " x " << sheet.height);
    for (const char *bad : {"--halftone 15,round", "--halftone x", "--halftone-sheet", "--halftone-sheet dots"}) {
        const Run run = RunTool(std::string(bad) + " -o '" + gDir + "/never.png'");
        CHECK(run.exitCode == 2, bad << " exited " << run.exitCode);
    }
    const Run missing = RunTool("--underlay '" + gDir + "/absent.png'" + noise + " -o '" + gDir + "/never.png'");
    CHECK(missing.exitCode == 2, "a missing underlay exited " << missing.exitCode);
}

#ifndef _WIN32
// A PNG of any standard form written by libpng from samples given a pixel at
// a time, `channels` each; small IDAT chunks, so the image data spans many.
bool WritePngForm(const std::string &path, int width, int height, int depth, int colorType, bool interlaced,
                  const std::vector<unsigned> &samples, const std::vector<png_color> &palette) {
    const size_t rowSamples = samples.size() / height;
    std::vector<std::vector<png_byte>> rows(static_cast<size_t>(height));
    for (size_t k = 0; k < samples.size(); ++k) {  // a byte a sample below 8 bits: libpng packs them
        if (depth == 16) rows[k / rowSamples].push_back(png_byte(samples[k] >> 8));
        rows[k / rowSamples].push_back(png_byte(samples[k]));
    }
    std::vector<png_bytep> pointers;
    for (auto &row : rows) pointers.push_back(row.data());
    const std::vector<png_byte> opacity(palette.size(), 0x40);  // ignored by the tool
    std::FILE *file = std::fopen(path.c_str(), "wb");
    png_structp png = file ? png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr) : nullptr;
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool written = info && !setjmp(png_jmpbuf(png));
    if (written) {
        png_init_io(png, file);
        png_set_compression_buffer_size(png, 64);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), depth, colorType,
                     interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        if (!palette.empty()) {
            png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
            png_set_tRNS(png, info, opacity.data(), static_cast<int>(opacity.size()), nullptr);
        }
        png_write_info(png, info);
        png_set_packing(png);
        png_set_interlace_handling(png);
        png_write_image(png, pointers.data());
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    if (file) std::fclose(file);
    return written;
}

// Every standard PNG form, plain and interlaced, read by the tool: palettes
// expanded (tRNS ignored), gray widened, alpha dropped, 16-bit channels cut
// to their high bytes. Then damaged and oversized files are refused.
void CheckFormats() {
    const struct {
        int colorType, depth, channels;
    } forms[] = {{PNG_COLOR_TYPE_GRAY, 1, 1},       {PNG_COLOR_TYPE_GRAY, 2, 1},       {PNG_COLOR_TYPE_GRAY, 4, 1},
                 {PNG_COLOR_TYPE_GRAY, 8, 1},       {PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2}, {PNG_COLOR_TYPE_GRAY_ALPHA, 16, 2},
                 {PNG_COLOR_TYPE_RGB, 8, 3},        {PNG_COLOR_TYPE_RGB, 16, 3},       {PNG_COLOR_TYPE_RGBA, 8, 4},
                 {PNG_COLOR_TYPE_RGBA, 16, 4},      {PNG_COLOR_TYPE_PALETTE, 1, 1},    {PNG_COLOR_TYPE_PALETTE, 2, 1},
                 {PNG_COLOR_TYPE_PALETTE, 4, 1},    {PNG_COLOR_TYPE_PALETTE, 8, 1}};
    const struct {
        int width, height;
        bool interlaced;
    } layouts[] = {{13, 11, false}, {13, 11, true}, {1, 3, true}};
    std::minstd_rand random(7);
    for (const auto &form : forms) {
        for (const auto [width, height, interlaced] : layouts) {
            const int channels = form.channels;
            const unsigned top = (1u << form.depth) - 1;
            std::vector<png_color> palette;
            for (unsigned i = 0; form.colorType == PNG_COLOR_TYPE_PALETTE && i <= top; ++i)
                palette.push_back({png_byte(random()), png_byte(random()), png_byte(random())});
            std::vector<unsigned> samples(static_cast<size_t>(width) * height * channels);
            for (unsigned &sample : samples) sample = static_cast<unsigned>(random()) & top;
            const std::string label = "type " + std::to_string(form.colorType) + ", " + std::to_string(form.depth) +
                                      " bits, " + std::to_string(width) + " x " + std::to_string(height) +
                                      (interlaced ? ", interlaced" : "");
            if (!WritePngForm(gDir + "/form.png", width, height, form.depth, form.colorType, interlaced, samples, palette)) {
                CHECK(false, label << ": libpng cannot write it");
                continue;
            }
            Image shown;
            if (!PaintTo("--device 32 '" + gDir + "/form.png'", gDir + "/shown.png", shown)) continue;
            CHECK(shown.width == width && shown.height == height, label << ": " << shown.width << " x " << shown.height);
            if (shown.width != width || shown.height != height) continue;
            auto to8 = [&](unsigned v) { return form.depth == 16 ? v >> 8 : v * 255 / top; };
            for (size_t i = 0; i < shown.pixels.size(); ++i) {
                const unsigned *s = &samples[i * channels];
                const Rgb want = form.colorType == PNG_COLOR_TYPE_PALETTE
                                     ? Rgb{palette[s[0]].red} << 16 | Rgb{palette[s[0]].green} << 8 | palette[s[0]].blue
                                 : channels < 3 ? to8(s[0]) * 0x010101u
                                                : to8(s[0]) << 16 | to8(s[1]) << 8 | to8(s[2]);
                CHECK(shown.pixels[i] == want, label << ": pixel " << i << " is " << Hex(shown.pixels[i]) << ", want " << Hex(want));
            }
        }
    }
    // The last file damaged: a flipped image data byte, a cut, and a side too long.
    const std::string good = ReadText(gDir + "/form.png");
    std::string flipped = good;
    flipped[good.find("IDAT") + 6] ^= 0x10;
    const struct {
        std::string bytes;
        const char *message;
    } damaged[] = {{flipped, "not a readable PNG file"}, {good.substr(0, good.size() - 20), "not a readable PNG file"}};
    for (const auto &d : damaged) {
        std::ofstream(gDir + "/damaged.png", std::ios::binary) << d.bytes;
        const Run run = RunTool("'" + gDir + "/damaged.png' -o '" + gDir + "/never.png'");
        CHECK(run.exitCode == 2 && run.err.find(d.message) != std::string::npos, run.exitCode << ": " << run.err);
    }
    WritePngForm(gDir + "/wide.png", 65536, 1, 1, PNG_COLOR_TYPE_GRAY, false, std::vector<unsigned>(65536), {});
    const Run wide = RunTool("'" + gDir + "/wide.png' -o '" + gDir + "/never.png'");
    CHECK(wide.exitCode == 2 && wide.err.find("image size out of range") != std::string::npos, wide.err);
}
#endif

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: zeltpaint_check ZELTPAINT CHECK WORKDIR\n");
        return 2;
    }
    gTool = argv[1];
    gDir = argv[3];
    std::filesystem::create_directories(gDir);
    const std::map<std::string, void (*)()> checks = {
        {"sheet", CheckSheet},           {"help", CheckHelp},       {"bad-option", CheckBadOption},
        {"missing-file", CheckMissingFile}, {"depths", CheckDepths}, {"source", CheckSource},
        {"perspective", CheckPerspective}, {"window-level", CheckWindowLevel}, {"select", CheckSelect},
        {"metafiles", CheckMetafiles},   {"image-ops", CheckImageOps},
#ifndef _WIN32
        {"formats", CheckFormats},
#endif
    };
    const auto check = checks.find(argv[2]);
    if (check == checks.end()) {
        std::fprintf(stderr, "unknown check '%s'\n", argv[2]);
        return 2;
    }
    check->second();
    if (gFailures) std::fprintf(stderr, "%d failures\n", gFailures);
    return gFailures ? 1 : 0;
}
