// The side-by-side comparison's vocabulary: a row of work, who competes on
// it (Zelt and its peers), the floor measured beside them and the target.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace peers {

// One call of a measured operation: false when it failed.
using Call = std::function<bool()>;
// One timed sample of an operation: seconds per call, negative on failure
// (kUnresolved: too short to tell from the fixed costs subtracted).
using Sample = std::function<double()>;
constexpr double kUnresolved = -2.0;
constexpr double kTooSlow = -3.0;  // stopped after a minute

// How long one in-process sample keeps repeating its call.
constexpr double kMinSampleSeconds = 0.05;

// Seconds per call of `call`, repeated until `minSeconds` have passed (at
// least once); negative when a call fails.
double TimeCalls(const Call &call, double minSeconds);

struct Contender {
    std::string name;       // as run, e.g. "netpbm pamditherbw -fs"
    std::string family;     // "netpbm", "ImageMagick", ... (targets may name one)
    Sample sample;          // empty: not installed
    std::string absent;     // why it has no figure ("not installed", ...)
    std::vector<double> seconds;
    bool failed = false;
    bool warmUp = true;     // worth one untimed round first (in-process work)
};

enum class TargetKind {
    RateOverPeer,    // Zelt's rate >= factor x the reference peer's rate
    RateOverFloor,   // Zelt's rate >= factor x the memcpy floor's rate
    TimeOverPeer,    // Zelt's time <= factor x the reference peer's time
    Milliseconds,    // Zelt's time <= factor ms
};

struct Target {
    TargetKind kind = TargetKind::RateOverPeer;
    double factor = 1.0;
    std::string family;  // reference peers (empty: the fastest of all)
};

struct Row {
    std::string id;            // short key for the JSON output
    std::string work;          // what the table calls it
    bool inMilliseconds = false;
    double pixels = 0;         // destination (or image) pixels of one call
    Contender zelt;
    std::vector<Contender> peers;
    Contender floor;           // memcpy of the destination's bytes
    Target target;
    std::vector<std::string> notes;
    std::function<void(Row &)> annotate;  // adds notes after the runs
};

double Median(std::vector<double> values);

}  // namespace peers
