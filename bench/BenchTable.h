#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// Console reporter that also remembers one CPU time per benchmark (the median when
// repetitions are asked for, else the single run) for the summary tables.
class TBenchTable : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& reports) override;

    // Seconds for a benchmark registered under name, or a negative value if it did not run.
    double Seconds(const std::string& name) const;

private:
    std::map<std::string, double> median_;
    std::map<std::string, double> single_;
};

// Splits our own --name=value flags off argv (kept in the returned map) and leaves the
// rest for Google Benchmark.
std::map<std::string, std::string> TakeOwnFlags(int& argc, char** argv, const std::vector<std::string>& names);
