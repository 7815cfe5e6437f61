// The comparison's results: one markdown table (medians of the
// repetitions), the figures of every contender, and the same as JSON.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "contest.h"

namespace peers {

// What one row came to.
struct Outcome {
    double zeltValue = 0;           // MP/s, or ms for rows in milliseconds
    const Contender *best = nullptr;  // the fastest peer measured
    double ratio = 0;               // Zelt / best peer (rates; times for TimeOverPeer)
    double floorValue = 0;
    std::string target;             // the target in words, with the figure it asks for
    int met = -1;                   // 1 met, 0 missed, -1 not decidable
};

Outcome Evaluate(const Row &row);
// The row's figure for a contender: MP/s, or ms; 0 when it has none.
double Value(const Row &row, const Contender &contender);
std::string Status(const Contender &contender);  // "", "not installed", "failed"

void PrintTable(std::ostream &out, const std::vector<Row> &rows, int size, int reps);
void WriteJson(std::ostream &out, const std::vector<Row> &rows, int size, int reps);

}  // namespace peers
