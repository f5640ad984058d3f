// Timing and the printed table: each figure beside its baseline from the same run.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace quarry::bench {

using Seconds = double;

template <typename Work>
Seconds TimeOnce(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The fastest of several runs: the one least disturbed by whatever else the machine does.
template <typename Work>
Seconds FastestOf(int runs, Work&& work) {
    Seconds fastest = TimeOnce(work);
    for (int run = 1; run < runs; ++run) fastest = std::min(fastest, TimeOnce(work));
    return fastest;
}

struct Line {
    std::string measure;
    std::string figure;
    std::string baseline;  // the comparison's figure and what it is
    std::string target;    // empty for a figure shown for information
    std::string verdict;   // "met", "missed" or empty
};

class Report {
public:
    void Add(Line line) { lines_.push_back(std::move(line)); }
    // Shown under the table: how a figure was made, or why a target was missed.
    void Note(std::string note) { notes_.push_back(std::move(note)); }
    // A Markdown table, so that README can take it as it is.
    void Print(std::FILE* out) const;

private:
    std::vector<Line> lines_;
    std::vector<std::string> notes_;
};

std::string Micros(Seconds seconds);
std::string Millis(Seconds seconds);
std::string SecondsText(Seconds seconds);
std::string Fixed(double value, int decimals);
std::string Verdict(bool met);

}  // namespace quarry::bench
