// Shared by the benchmarks: a reporter that, besides the usual console table,
// prints each figure against the floor measured in the same run.
#ifndef VEXA_BENCH_BENCHSUPPORT_H
#define VEXA_BENCH_BENCHSUPPORT_H

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace vexa {
namespace bench {

// Ratios use CPU time: the machines are shared and wall time is noisy.
// A figure, its floor and the highest (or, with `atLeast`, lowest) ratio
// allowed; a target of 0 shows the ratio for information only (printed as
// "info", never missed).
struct Ratio {
    std::string figure;
    std::string floor;
    double target;
    bool atLeast = false;
};

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    explicit RatioReporter(std::vector<Ratio> ratios) : m_ratios(std::move(ratios)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                // Manual and real-time runs measure what CPU time of this
                // process cannot (children, waits); the rest use CPU time.
                const double adjusted = run.run_name.time_type.empty() ? run.GetAdjustedCPUTime()
                                                                       : run.GetAdjustedRealTime();
                m_times[run.benchmark_name()] =
                    adjusted / benchmark::GetTimeUnitMultiplier(run.time_unit);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Prints the summary (and appends it to the file named by
    // VEXA_BENCH_SUMMARY, for scripts/bench); returns the targets missed.
    int summarize() const {
        int missed = 0;
        std::FILE* file = nullptr;
        if (const char* path = std::getenv("VEXA_BENCH_SUMMARY")) {
            file = std::fopen(path, "a");
        }
        std::printf("\n%-58s %12s %-40s %12s %8s %8s  %s\n", "figure", "seconds", "floor",
                    "seconds", "ratio", "target", "");
        for (const Ratio& r : m_ratios) {
            auto figure = m_times.find(r.figure);
            auto floor = m_times.find(r.floor);
            char line[512];
            if (figure == m_times.end() || floor == m_times.end() || floor->second <= 0) {
                std::snprintf(line, sizeof(line), "%-58s %12s %-40s %12s %8s\n", r.figure.c_str(),
                              "n/a", r.floor.c_str(), "n/a", "n/a");
            } else if (r.target == 0) {
                std::snprintf(line, sizeof(line), "%-58s %12.6g %-40s %12.6g %8.3f %8s\n",
                              r.figure.c_str(), figure->second, r.floor.c_str(), floor->second,
                              figure->second / floor->second, "info");
            } else {
                const double ratio = figure->second / floor->second;
                const bool ok = r.atLeast ? ratio >= r.target : ratio <= r.target;
                missed += ok ? 0 : 1;
                std::snprintf(line, sizeof(line), "%-58s %12.6g %-40s %12.6g %8.3f %s%6.2f  %s\n",
                              r.figure.c_str(), figure->second, r.floor.c_str(), floor->second,
                              ratio, r.atLeast ? ">=" : "<=", r.target, ok ? "ok" : "MISSED");
            }
            std::fputs(line, stdout);
            if (file != nullptr) {
                std::fputs(line, file);
            }
        }
        if (file != nullptr) {
            std::fclose(file);
        }
        return missed;
    }

  private:
    std::vector<Ratio> m_ratios;
    std::map<std::string, double> m_times;
};

// Runs the registered benchmarks and prints the ratio summary.
inline int runWithRatios(int argc, char** argv, std::vector<Ratio> ratios) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(std::move(ratios));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.summarize();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
}  // namespace vexa

#endif  // VEXA_BENCH_BENCHSUPPORT_H
