#include "bench/bench_report.h"

namespace quarry::bench {

void Report::Print(std::FILE* out) const {
    std::fprintf(out, "| Measure | Quarry | Baseline (same run) | Target | |\n|---|---|---|---|---|\n");
    for (const Line& line : lines_)
        std::fprintf(out, "| %s | %s | %s | %s | %s |\n", line.measure.c_str(), line.figure.c_str(),
                     line.baseline.c_str(), line.target.c_str(), line.verdict.c_str());
    if (!notes_.empty()) std::fprintf(out, "\n");
    for (const std::string& note : notes_) std::fprintf(out, "- %s\n", note.c_str());
    std::fflush(out);
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Micros(Seconds seconds) { return Fixed(seconds * 1e6, 2) + " µs"; }
std::string Millis(Seconds seconds) { return Fixed(seconds * 1e3, seconds < 0.01 ? 2 : 1) + " ms"; }
std::string SecondsText(Seconds seconds) { return Fixed(seconds, 2) + " s"; }
std::string Verdict(bool met) { return met ? "met" : "missed"; }

}  // namespace quarry::bench
