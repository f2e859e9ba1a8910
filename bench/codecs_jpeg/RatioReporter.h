// Console output of Google Benchmark plus, at the end, the ratio of each
// benchmark named in `pairs` to its baseline, so one run shows the goals.
// Ratios compare wall time, or processor time where the machine may be
// shared and both sides run on one thread.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace vxbench {

enum class RatioClock { Wall, Processor };

class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(RatioClock clock = RatioClock::Wall) : clock_(clock) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times_[r.benchmark_name()] =
                    clock_ == RatioClock::Processor ? r.GetAdjustedCPUTime() : r.GetAdjustedRealTime();
    }

    // pairs: (name, baseline name, goal)
    void printRatios(const std::vector<std::tuple<std::string, std::string, double>>& pairs) const
    {
        std::printf("\n%-56s %-32s %8s %6s\n", "benchmark", "baseline", "ratio", "goal");
        for (const auto& [name, base, goal] : pairs) {
            const auto a = times_.find(name), b = times_.find(base);
            if (a == times_.end() || b == times_.end() || b->second <= 0)
                continue;
            const double ratio = a->second / b->second;
            std::printf("%-56s %-32s %8.3f %6.2f %s\n", name.c_str(), base.c_str(), ratio, goal,
                        ratio <= goal ? "ok" : "MISSED");
        }
    }

private:
    RatioClock clock_;
    std::map<std::string, double> times_;
};

// Runs every registered benchmark and prints the ratios.
inline int runWithRatios(int argc, char** argv,
                         const std::vector<std::tuple<std::string, std::string, double>>& pairs,
                         RatioClock clock = RatioClock::Wall)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(clock);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios(pairs);
    benchmark::Shutdown();
    return 0;
}

}  // namespace vxbench
