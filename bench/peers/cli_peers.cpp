#include "cli_peers.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

extern char **environ;

namespace peers {

namespace {

constexpr int kTiny = 16;
constexpr int kBaselineRuns = 5;
constexpr double kTimeLimitSeconds = 60;
constexpr double kTimedOut = -3;

std::string Find(const std::vector<std::string> &programs) {
    const char *path = std::getenv("PATH");
    const std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    for (const std::string &program : programs) {
        std::size_t from = 0;
        while (from <= dirs.size()) {
            const std::size_t colon = std::min(dirs.find(':', from), dirs.size());
            const std::string candidate = dirs.substr(from, colon - from) + "/" + program;
            if (access(candidate.c_str(), X_OK) == 0) return candidate;
            from = colon + 1;
        }
    }
    return {};
}

// Binary PGM (luminance) or PPM (red, green, blue) of a 24-bit image given
// row by row as blue, green, red.
template <typename RowOf>
bool WriteNetpbm(const std::string &file, int width, int height, Input kind, RowOf rowOf) {
    std::ofstream out(file, std::ios::binary);
    out << (kind == Input::Gray ? "P5\n" : "P6\n") << width << ' ' << height << "\n255\n";
    std::vector<char> line(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        const BYTE *p = rowOf(y);
        char *q = line.data();
        for (int x = 0; x < width; ++x, p += 3) {
            if (kind == Input::Gray) {
                *q++ = static_cast<char>((p[2] * 299 + p[1] * 587 + p[0] * 114 + 500) / 1000);
            } else {
                *q++ = static_cast<char>(p[2]);
                *q++ = static_cast<char>(p[1]);
                *q++ = static_cast<char>(p[0]);
            }
        }
        out.write(line.data(), q - line.data());
    }
    return static_cast<bool>(out);
}

bool WritePalette(const std::string &file) {
    std::ofstream out(file, std::ios::binary);
    out << "P6\n256 1\n255\n";
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD c = Rgb332(i);
        const char rgb[3] = {static_cast<char>(c.rgbRed), static_cast<char>(c.rgbGreen), static_cast<char>(c.rgbBlue)};
        out.write(rgb, 3);
    }
    return static_cast<bool>(out);
}

std::string InputName(Input kind, bool tiny) {
    return std::string(tiny ? "tiny" : "source") + (kind == Input::Gray ? ".pgm" : ".ppm");
}

// The child's environment: ours with the thread limits set.
class ChildEnvironment {
public:
    ChildEnvironment() {
        for (char **e = environ; *e != nullptr; ++e)
            if (std::strncmp(*e, "OMP_NUM_THREADS=", 16) != 0 && std::strncmp(*e, "MAGICK_THREAD_LIMIT=", 20) != 0)
                strings_.emplace_back(*e);
        strings_.emplace_back("OMP_NUM_THREADS=1");
        strings_.emplace_back("MAGICK_THREAD_LIMIT=1");
        for (std::string &s : strings_) pointers_.push_back(s.data());
        pointers_.push_back(nullptr);
    }
    char **get() { return pointers_.data(); }

private:
    std::vector<std::string> strings_;
    std::vector<char *> pointers_;
};

// posix_spawn file actions, destroyed on every path.
struct FileActions {
    posix_spawn_file_actions_t actions;
    FileActions() { posix_spawn_file_actions_init(&actions); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions); }
    FileActions(const FileActions &) = delete;
    FileActions &operator=(const FileActions &) = delete;
};

// Runs one command to completion: its wall time in seconds, negative when
// it could not start, did not exit with 0 and an output file, or ran past
// the time limit (kTimedOut).
double Run(const std::string &program, const std::vector<std::string> &arguments, const std::string &output,
           bool outputOnStdout, const std::string &log) {
    static ChildEnvironment environment;
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char *> pointers;
    for (std::string &a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    FileActions files;
    const std::string stdoutFile = outputOnStdout ? output : "/dev/null";
    posix_spawn_file_actions_addopen(&files.actions, 1, stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files.actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    std::remove(output.c_str());
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), &files.actions, nullptr, pointers.data(), environment.get()) != 0)
        return -1;
    // A peer far slower than the rest is stopped rather than waited for.
    int status = 0;
    double seconds = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (done == child) break;
        if (done < 0) return -1;
        if (seconds > kTimeLimitSeconds) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return kTimedOut;
        }
        usleep(seconds < 1 ? 200 : 5000);
    }
    struct stat info{};
    const bool wrote = stat(output.c_str(), &info) == 0 && info.st_size > 0;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && wrote ? seconds : -1;
}

}  // namespace

CliPeers::CliPeers(const SourceImage &source) {
    std::string base = "/tmp";
    if (access("/dev/shm", W_OK) == 0) base = "/dev/shm";  // memory, as Zelt's inputs are
    else if (const char *tmp = std::getenv("TMPDIR")) base = tmp;
    std::string pattern = base + "/zelt-peers-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return;
    directory_ = pattern;
    std::mt19937 random(11);
    std::vector<BYTE> tiny(kTiny * kTiny * 3);
    for (BYTE &b : tiny) b = static_cast<BYTE>(random());
    auto tinyRow = [&](int y) { return tiny.data() + y * kTiny * 3; };
    auto sourceRow = [&](int y) { return source.row(y); };
    ok_ = true;
    for (Input kind : {Input::Gray, Input::Color}) {
        ok_ = ok_ && WriteNetpbm(directory_ + "/" + InputName(kind, false), source.size(), source.size(), kind, sourceRow);
        ok_ = ok_ && WriteNetpbm(directory_ + "/" + InputName(kind, true), kTiny, kTiny, kind, tinyRow);
    }
    ok_ = ok_ && WritePalette(directory_ + "/palette332.ppm");
}

CliPeers::~CliPeers() {
    if (directory_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

Contender CliPeers::Make(const Command &command) const {
    const std::string program = Find(command.programs);
    const std::string shown = program.empty() ? command.programs.front() : std::filesystem::path(program).filename().string();
    Contender peer{command.family + " " + shown + " " + command.name, command.family, {}, {}, {}, false, false};
    if (program.empty() || !ok_) {
        peer.absent = program.empty() ? "not installed" : "no inputs";
        return peer;
    }
    const std::string output = directory_ + "/" + command.outputName;
    const std::string log = directory_ + "/" + command.outputName + ".log";
    auto argumentsFor = [this, command, output](bool tiny) {
        std::vector<std::string> arguments;
        for (std::string a : command.arguments) {
            if (a == "%in") a = directory_ + "/" + InputName(command.input, tiny);
            else if (a == "%out") a = output;
            else if (a == "%map") a = directory_ + "/palette332.ppm";
            arguments.push_back(a);
        }
        return arguments;
    };
    auto baseline = std::make_shared<double>(-1);
    const bool onStdout = command.outputOnStdout;
    peer.sample = [=] {
        if (*baseline < 0) {
            std::vector<double> runs;
            for (int i = 0; i < kBaselineRuns; ++i) {
                const double seconds = Run(program, argumentsFor(true), output, onStdout, log);
                if (seconds < 0) return -1.0;
                runs.push_back(seconds);
            }
            *baseline = Median(runs);
        }
        const double seconds = Run(program, argumentsFor(false), output, onStdout, log);
        if (seconds == kTimedOut) return kTooSlow;
        if (seconds < 0) return -1.0;
        // Work lost in the start-up's jitter cannot be measured this way.
        return seconds > *baseline ? seconds - *baseline : kUnresolved;
    };
    return peer;
}

}  // namespace peers
