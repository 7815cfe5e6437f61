#include "report.h"

#include <cstdio>

namespace peers {

namespace {

std::string Format(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Figure(const Row &row, double value) {
    if (row.inMilliseconds) return Format(value, value < 1 ? 3 : 2) + " ms";
    return Format(value, value >= 100 ? 0 : 1) + " MP/s";
}

double MedianSeconds(const Contender &c) { return Median(c.seconds); }

// The fastest measured contender among `peers` of `family` (all when empty).
const Contender *Fastest(const std::vector<Contender> &peers, const std::string &family) {
    const Contender *best = nullptr;
    for (const Contender &p : peers) {
        if (p.seconds.empty() || p.failed || (!family.empty() && p.family != family)) continue;
        if (best == nullptr || MedianSeconds(p) < MedianSeconds(*best)) best = &p;
    }
    return best;
}

std::string Escaped(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

std::string JsonNumber(double value) { return Format(value, 6); }

}  // namespace

std::string Status(const Contender &contender) {
    if (!contender.absent.empty()) return contender.absent;
    if (contender.failed || contender.seconds.empty()) return "failed";
    return {};
}

double Value(const Row &row, const Contender &contender) {
    if (!Status(contender).empty()) return 0;
    const double seconds = MedianSeconds(contender);
    return row.inMilliseconds ? seconds * 1e3 : row.pixels / seconds / 1e6;
}

Outcome Evaluate(const Row &row) {
    Outcome o;
    o.zeltValue = Value(row, row.zelt);
    o.best = Fastest(row.peers, {});
    const double zeltSeconds = Status(row.zelt).empty() ? MedianSeconds(row.zelt) : 0;
    if (o.best != nullptr && zeltSeconds > 0)
        o.ratio = row.target.kind == TargetKind::TimeOverPeer ? zeltSeconds / MedianSeconds(*o.best)
                                                              : MedianSeconds(*o.best) / zeltSeconds;
    o.floorValue = Value(row, row.floor);
    const Target &t = row.target;
    const std::string factor = Format(t.factor, t.factor < 1 ? 1 : (t.factor == int(t.factor) ? 0 : 1)) + "x";
    const Contender *reference = Fastest(row.peers, t.family);
    const std::string referenceName = t.family.empty() ? "best peer" : t.family;
    switch (t.kind) {
    case TargetKind::RateOverPeer:
    case TargetKind::TimeOverPeer: {
        const bool time = t.kind == TargetKind::TimeOverPeer;
        o.target = (time ? "time <= " : ">= ") + factor + " " + referenceName;
        if (reference == nullptr || zeltSeconds <= 0) break;
        // Either way the target comes down to a figure Zelt has to reach.
        const double needed = row.pixels / (MedianSeconds(*reference) * (time ? t.factor : 1 / t.factor)) / 1e6;
        o.target += " (>= " + Figure(row, needed) + ")";
        o.met = o.zeltValue >= needed ? 1 : 0;
        break;
    }
    case TargetKind::RateOverFloor: {
        o.target = ">= " + factor + " memcpy";
        if (o.floorValue <= 0 || zeltSeconds <= 0) break;
        o.target += " (>= " + Figure(row, t.factor * o.floorValue) + ")";
        o.met = o.zeltValue >= t.factor * o.floorValue ? 1 : 0;
        break;
    }
    case TargetKind::Milliseconds:
        o.target = "<= " + Format(t.factor, 0) + " ms";
        if (zeltSeconds > 0) o.met = o.zeltValue <= t.factor ? 1 : 0;
        break;
    }
    return o;
}

void PrintTable(std::ostream &out, const std::vector<Row> &rows, int size, int reps) {
    out << "Zelt against peer programs: " << size << " x " << size << " random 24-bit source, medians of " << reps
        << " interleaved repetitions, single thread.\n\n";
    out << "| Work | Zelt | Best peer | Zelt / peer | memcpy floor | Target | Result |\n";
    out << "|---|---:|---|---:|---:|---|---|\n";
    for (const Row &row : rows) {
        const Outcome o = Evaluate(row);
        const std::string zelt = Status(row.zelt).empty() ? Figure(row, o.zeltValue) : Status(row.zelt);
        std::string best = "-", ratio = "-";
        if (o.best != nullptr) {
            best = o.best->name + " " + Figure(row, Value(row, *o.best));
            ratio = Format(o.ratio, 2) + "x" + (row.target.kind == TargetKind::TimeOverPeer ? " time" : "");
        } else if (!row.peers.empty()) {
            best = Status(row.peers.front());
            for (const Contender &p : row.peers)
                if (Status(p) == "failed") best = "failed";
        }
        const std::string floor = Status(row.floor).empty() ? Figure(row, o.floorValue) : Status(row.floor);
        const char *result = o.met == 1 ? "met" : o.met == 0 ? "missed" : "-";
        out << "| " << row.work << " | " << zelt << " | " << best << " | " << ratio << " | " << floor << " | "
            << o.target << " | " << result << " |\n";
    }
    out << "\nEvery contender (median):\n\n";
    for (const Row &row : rows) {
        out << "- " << row.work << ": Zelt " << row.zelt.name << " "
            << (Status(row.zelt).empty() ? Figure(row, Value(row, row.zelt)) : Status(row.zelt));
        for (const Contender &p : row.peers)
            out << "; " << p.name << " " << (Status(p).empty() ? Figure(row, Value(row, p)) : Status(p));
        out << "; memcpy " << (Status(row.floor).empty() ? Figure(row, Value(row, row.floor)) : Status(row.floor))
            << "\n";
        for (const std::string &note : row.notes) out << "  - " << note << "\n";
    }
}

void WriteJson(std::ostream &out, const std::vector<Row> &rows, int size, int reps) {
    auto contender = [&](const Row &row, const Contender &c) {
        out << "{\"name\": \"" << Escaped(c.name) << "\", \"family\": \"" << Escaped(c.family) << "\", \"status\": \""
            << (Status(c).empty() ? "ok" : Escaped(Status(c))) << "\", \"median_seconds\": "
            << JsonNumber(Status(c).empty() ? MedianSeconds(c) : 0) << ", \"value\": " << JsonNumber(Value(row, c))
            << ", \"seconds\": [";
        for (std::size_t i = 0; i < c.seconds.size(); ++i) out << (i ? ", " : "") << JsonNumber(c.seconds[i]);
        out << "]}";
    };
    out << "{\n  \"size\": " << size << ",\n  \"repetitions\": " << reps << ",\n  \"rows\": [\n";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Row &row = rows[r];
        const Outcome o = Evaluate(row);
        out << "    {\"id\": \"" << row.id << "\", \"work\": \"" << Escaped(row.work) << "\", \"unit\": \""
            << (row.inMilliseconds ? "ms" : "MP/s") << "\", \"pixels\": " << JsonNumber(row.pixels) << ",\n     \"zelt\": ";
        contender(row, row.zelt);
        out << ",\n     \"peers\": [";
        for (std::size_t i = 0; i < row.peers.size(); ++i) {
            out << (i ? ", " : "");
            contender(row, row.peers[i]);
        }
        out << "],\n     \"floor\": ";
        contender(row, row.floor);
        out << ",\n     \"best_peer\": \"" << (o.best ? Escaped(o.best->name) : "") << "\", \"ratio\": "
            << JsonNumber(o.ratio) << ", \"target\": \"" << Escaped(o.target) << "\", \"met\": "
            << (o.met < 0 ? "null" : o.met ? "true" : "false") << ", \"notes\": [";
        for (std::size_t i = 0; i < row.notes.size(); ++i) out << (i ? ", " : "") << "\"" << Escaped(row.notes[i]) << "\"";
        out << "]}" << (r + 1 < rows.size() ? "," : "") << "\n";
    }
    out << "  ]\n}\n";
}

}  // namespace peers
