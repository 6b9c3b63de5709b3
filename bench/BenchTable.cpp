#include "BenchTable.h"

void TBenchTable::ReportRuns(const std::vector<Run>& reports)
{
    ConsoleReporter::ReportRuns(reports);
    for (const Run& run : reports) {
        if (run.error_occurred) {
            continue;
        }
        const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        const std::string& name = run.run_name.function_name;
        if (run.run_type == Run::RT_Aggregate) {
            if (run.aggregate_name == "median") {
                median_[name] = seconds;
            }
        } else {
            single_[name] = seconds;
        }
    }
}

double TBenchTable::Seconds(const std::string& name) const
{
    if (auto it = median_.find(name); it != median_.end()) {
        return it->second;
    }
    if (auto it = single_.find(name); it != single_.end()) {
        return it->second;
    }
    return -1.0;
}

std::map<std::string, std::string> TakeOwnFlags(int& argc, char** argv, const std::vector<std::string>& names)
{
    std::map<std::string, std::string> flags;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        bool mine = false;
        for (const std::string& name : names) {
            const std::string prefix = "--" + name;
            if (arg == prefix) {
                flags[name] = "";
                mine = true;
            } else if (arg.rfind(prefix + "=", 0) == 0) {
                flags[name] = arg.substr(prefix.size() + 1);
                mine = true;
            }
        }
        if (!mine) {
            argv[out++] = argv[i];
        }
    }
    argc = out;
    return flags;
}
