// Console output of Google Benchmark plus, at the end, the ratio of each
// benchmark named in `pairs` to its baseline, so one run shows the goals.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vxbench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration)
                times_[r.benchmark_name()] = r.GetAdjustedRealTime();
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
    std::map<std::string, double> times_;
};

// Runs every registered benchmark and prints the ratios.
inline int runWithRatios(int argc, char** argv,
                         const std::vector<std::tuple<std::string, std::string, double>>& pairs)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios(pairs);
    benchmark::Shutdown();
    return 0;
}

}  // namespace vxbench
