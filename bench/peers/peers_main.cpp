// zelt_peers: Zelt's paint, GDI and region paths side by side with peer
// programs and libraries doing the same work on the same seeded inputs.
//
//   zelt_peers [--size N] [--reps N] [--no-cli] [--json FILE] [--check] [--only ID]
//
// For each repetition every row runs Zelt, then each peer, then the memcpy
// floor, so that the load of the machine falls on all of them alike; the
// table shows medians. --check also verifies Zelt's outputs (two identical
// paints give the same bytes, unscaled copies hold the source, the wand
// selects what the flood fill selects, the region's box is the selection's)
// and exits with 1 when a check fails or a row has no Zelt figure.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>

#include "cli_peers.h"
#include "pixman_peers.h"
#include "report.h"
#include "zelt_paint.h"
#include "zelt_region.h"

namespace peers {
namespace {

struct Options {
    int size = 4096;
    int reps = 5;
    bool cli = true;
    bool check = false;
    std::string json;
    std::string only;  // rows whose id contains this (profiling one row)
};

bool Parse(int argc, char **argv, Options &options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--size" && hasValue) options.size = std::atoi(argv[++i]);
        else if (arg == "--reps" && hasValue) options.reps = std::atoi(argv[++i]);
        else if (arg == "--json" && hasValue) options.json = argv[++i];
        else if (arg == "--only" && hasValue) options.only = argv[++i];
        else if (arg == "--no-cli") options.cli = false;
        else if (arg == "--check") options.check = true;
        else return false;
    }
    return options.size >= 16 && options.reps >= 1;
}

std::size_t Stride(int width, int bits) { return static_cast<std::size_t>((width * bits + 31) / 32 * 4); }

// The command-line peers of the reducing rows.
Command Netpbm(const std::string &program, const std::string &option, Input input = Input::Gray) {
    return Command{option, "netpbm", {program}, {option, "%in"}, input, program + option + ".out", true};
}
Command Magick(const std::string &name, std::vector<std::string> options, Input input, const std::string &output) {
    std::vector<std::string> arguments{"%in"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back("%out");
    return Command{name, "ImageMagick", {"convert-im6.q16", "convert-im6", "magick", "convert"}, arguments, input,
                   output, false};
}
Command Graphics(const std::string &name, std::vector<std::string> options, Input input, const std::string &output) {
    std::vector<std::string> arguments{"convert", "%in"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back("%out");
    return Command{name, "GraphicsMagick", {"gm"}, arguments, input, output, false};
}

std::vector<Row> MakeRows(const Options &o, Checks &checks, std::shared_ptr<SourceImage> source,
                          const CliPeers *cli) {
    const int n = o.size;
    const UINT reduce = DISP_DEVICE_REDUCE;
    auto command = [cli](const Command &c) {
        if (cli != nullptr) return cli->Make(c);
        return Contender{c.family + " " + c.programs.front() + " " + c.name, c.family, {}, "not run (--no-cli)", {},
                         false, false};
    };
    const double pixels = double(n) * n;
    std::vector<Row> rows;

    Row fs1{"1bit_diffusion", "24 -> 1 bit, error diffusion", false, pixels,
            ZeltPaint("Z_PaintDC", source, 1, n, reduce, checks), {}, MemcpyFloor(Stride(n, 1) * n),
            {TargetKind::RateOverPeer, 2, "netpbm"}, {}, {}};
    fs1.peers = {command(Netpbm("pgmtopbm", "-fs")), command(Netpbm("pamditherbw", "-fs")),
                 command(Graphics("-dither -monochrome", {"-dither", "-monochrome"}, Input::Gray, "gm-fs.pbm")),
                 command(Magick("-dither FloydSteinberg -monochrome", {"-dither", "FloydSteinberg", "-monochrome"},
                                Input::Gray, "im-fs.pbm"))};
    rows.push_back(std::move(fs1));

    Row od1{"1bit_ordered", "24 -> 1 bit, ordered 8 x 8", false, pixels,
            ZeltPaint("Z_PaintDC", source, 1, n, reduce | DISP_CONVERTER_ALT, checks), {},
            MemcpyFloor(Stride(n, 1) * n), {TargetKind::RateOverPeer, 3, "netpbm"}, {}, {}};
    od1.peers = {command(Netpbm("pgmtopbm", "-dither8")), command(Netpbm("pamditherbw", "-dither8")),
                 command(Graphics("-ordered-dither intensity 8x8", {"-ordered-dither", "intensity", "8x8"},
                                  Input::Gray, "gm-o8.pbm")),
                 command(Magick("-ordered-dither o8x8", {"-ordered-dither", "o8x8"}, Input::Gray, "im-o8.pbm"))};
    rows.push_back(std::move(od1));

    Row fs8{"8bit_diffusion", "24 -> 8 bit 3-3-2, error diffusion", false, pixels,
            ZeltPaint("Z_PaintDC", source, 8, n, reduce, checks), {}, MemcpyFloor(Stride(n, 8) * n),
            {TargetKind::RateOverPeer, 15, "ImageMagick"}, {}, {}};
    fs8.peers = {command(Magick("-dither FloydSteinberg -remap 3-3-2", {"-dither", "FloydSteinberg", "-remap", "%map",
                                                                      "-compress", "none"},
                                Input::Color, "im-remap.bmp")),
                 command(Graphics("-dither -map 3-3-2", {"-dither", "-map", "%map", "-compress", "none"}, Input::Color,
                                  "gm-map.bmp")),
                 command(Command{"-floyd -mapfile=3-3-2", "netpbm", {"pnmremap"}, {"-floyd", "-quiet", "-mapfile", "%map", "%in"},
                                 Input::Color, "pnmremap.ppm", true})};
    rows.push_back(std::move(fs8));

    for (int bits : {24, 32}) {
        Row copy{bits == 24 ? "unscaled_24" : "unscaled_32",
                 bits == 24 ? "24 -> 24 unscaled" : "24 -> 32 unscaled", false, pixels,
                 ZeltPaint("Z_PaintDC", source, bits, n, reduce, checks), {PixmanCopy(source, bits)},
                 MemcpyFloor(Stride(n, bits) * n), {TargetKind::RateOverFloor, 0.8, ""}, {}, {}};
        rows.push_back(std::move(copy));
    }

    const int half = n / 2;
    Row up{"stretch_up", "StretchDIBits 24 -> 32, 2x up", false, pixels,
           ZeltStretch("StretchDIBits", source, half, n), {PixmanNearest(source, half, n)},
           MemcpyFloor(Stride(n, 32) * n), {TargetKind::RateOverPeer, 0.8, "pixman"}, {}, {}};
    rows.push_back(std::move(up));
    Row down{"stretch_down", "StretchDIBits 24 -> 32, 0.5x down", false, double(half) * half,
             ZeltStretch("StretchDIBits", source, n, half), {PixmanNearest(source, n, half)},
             MemcpyFloor(Stride(half, 32) * half), {TargetKind::RateOverPeer, 0.8, "pixman"}, {}, {}};
    rows.push_back(std::move(down));

    auto wand = std::make_shared<WandImage>(n, 5);
    Row wandRow{"magic_wand", "Magic wand, about 90 % selected", false, pixels, ZeltWand(wand), {OpenCvFloodFill(wand)},
                MemcpyFloor(static_cast<std::size_t>(wand->bitmap()->BytesPerLine) * n),
                {TargetKind::RateOverPeer, 0.7, "OpenCV"}, {}, {}};
    wandRow.annotate = [wand, &checks, pixels](Row &row) {
        row.notes.push_back("selected: Zelt " + std::to_string(std::llround(wand->zeltSelected)) + " pixels (" +
                            std::to_string(std::llround(100 * wand->zeltSelected / pixels)) + " %)" +
                            (wand->peerSelected >= 0
                                 ? ", OpenCV " + std::to_string(std::llround(wand->peerSelected)) + " pixels"
                                 : std::string()));
        checks.Expect(wand->zeltSelected > 0, "magic wand: nothing selected");
        if (wand->peerSelected >= 0)
            checks.Expect(wand->zeltSelected == wand->peerSelected, "magic wand: Zelt and OpenCV select differently");
    };
    rows.push_back(std::move(wandRow));

    // The kernel route exists on the general path only: 101 %.
    const int scaled = (std::max)(n + 1, n * 101 / 100);
    Contender direct = ZeltPaint("Z_PaintDC", source, 8, scaled, reduce, checks);
    direct.name = "direct path (Z_PaintDC without the route)";
    direct.family = "direct";
    Row kernel{"kernel_route", "Kernel colour-reduction route, 8-bit diffusion, 101 %", false, double(scaled) * scaled,
               ZeltPaint("Z_PaintDC", source, 8, scaled, reduce | DISP_KERNEL_REDUCE, checks), {std::move(direct)},
               MemcpyFloor(Stride(scaled, 8) * scaled), {TargetKind::TimeOverPeer, 1.5, "direct"}, {}, {}};
    rows.push_back(std::move(kernel));

    auto selection = std::make_shared<RunSelection>(n);
    Row handle{"rgn_handle", "Z_GetBitmapRgnHandle, " + std::to_string(n) + " rows x 50 runs", true, 0,
               ZeltRgnHandle(selection, checks), {}, MemcpyFloor(selection->runBytes),
               {TargetKind::Milliseconds, 10, ""}, {}, {}};
    rows.push_back(std::move(handle));
    return rows;
}

void Take(Contender &c, bool record) {
    if (!c.sample || c.failed) return;
    const double seconds = c.sample();
    if (!record) return;
    if (seconds == kUnresolved) c.absent = "within start-up jitter";
    if (seconds == kTooSlow) c.absent = "stopped after 60 s";
    if (seconds < 0) c.failed = true;
    else c.seconds.push_back(seconds);
}

}  // namespace
}  // namespace peers

int main(int argc, char **argv) {
    using namespace peers;
    Options options;
    if (!Parse(argc, argv, options)) {
        std::cerr << "usage: zelt_peers [--size N>=16] [--reps N] [--no-cli] [--json FILE] [--check] [--only ID]\n";
        return 2;
    }
    Checks checks;
    checks.enabled = options.check;
    auto source = std::make_shared<SourceImage>(options.size, 3);
    if (!source->ok()) {
        std::cerr << "zelt_peers: no memory for the source\n";
        return 1;
    }
    std::unique_ptr<CliPeers> cli;
    if (options.cli) cli = std::make_unique<CliPeers>(*source);
    std::vector<Row> rows = MakeRows(options, checks, source, cli.get());
    std::erase_if(rows, [&](const Row &row) { return row.id.find(options.only) == std::string::npos; });

    // One untimed round of the in-process work: pages touched, caches warm.
    for (Row &row : rows) {
        Take(row.zelt, false);
        for (Contender &p : row.peers)
            if (p.warmUp) Take(p, false);
        Take(row.floor, false);
    }
    for (int rep = 0; rep < options.reps; ++rep) {
        std::cerr << "zelt_peers: repetition " << rep + 1 << " of " << options.reps << "\n";
        for (Row &row : rows) {
            Take(row.zelt, true);
            for (Contender &p : row.peers) Take(p, true);
            Take(row.floor, true);
        }
    }
    for (Row &row : rows)
        if (row.annotate) row.annotate(row);

    PrintTable(std::cout, rows, options.size, options.reps);
    if (!options.json.empty()) {
        std::ofstream json(options.json);
        WriteJson(json, rows, options.size, options.reps);
        if (!json) std::cerr << "zelt_peers: could not write " << options.json << "\n";
    }
    if (!options.check) return 0;
    for (const Row &row : rows) {
        checks.Expect(Status(row.zelt).empty(), row.work + ": no Zelt figure (" + Status(row.zelt) + ")");
        checks.Expect(Status(row.floor).empty(), row.work + ": no memcpy figure");
        for (const Contender &p : row.peers)
            checks.Expect(!p.warmUp || Status(p) != "failed", row.work + ": " + p.name + " failed");
    }
    for (const std::string &failure : checks.failures) std::cerr << "zelt_peers: check failed: " << failure << "\n";
    return checks.failures.empty() ? 0 : 1;
}
