// Peer programs run as commands: the inputs written once to a temporary
// directory (a binary PGM of the source's luminance, a binary PPM of its
// colours, the 256-entry 3-3-2 palette as a PPM), each command started with
// posix_spawn and timed with a steady clock, less the median time of the
// same command on a 16 x 16 image of the same kind (start-up and fixed
// costs). Commands run single-threaded (OMP_NUM_THREADS=1,
// MAGICK_THREAD_LIMIT=1), as Zelt does.
#pragma once

#include <string>
#include <vector>

#include "contest.h"
#include "surfaces.h"

namespace peers {

enum class Input { Gray, Color };

struct Command {
    std::string name;                     // the options, shown after the program's name
    std::string family;
    std::vector<std::string> programs;    // candidates, the first found runs
    std::vector<std::string> arguments;   // %in, %out and %map are replaced
    Input input = Input::Gray;
    std::string outputName;               // file name in the temporary directory
    bool outputOnStdout = false;
};

class CliPeers {
public:
    explicit CliPeers(const SourceImage &source);
    ~CliPeers();
    CliPeers(const CliPeers &) = delete;
    CliPeers &operator=(const CliPeers &) = delete;

    bool ok() const { return ok_; }
    Contender Make(const Command &command) const;

private:
    std::string directory_;
    bool ok_ = false;
};

}  // namespace peers
