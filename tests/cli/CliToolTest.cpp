// voltcheck-cli against zebsim: the crate list, readings of known signals in both
// formats (read back with Python's csv and json), the statistics, the settings file
// with the command line over it, a stop by signal in the middle of a frame, and
// every failure with its exit status and its one message.
#include "IniFile/IniFile.h"
#include "computation/ChannelComputation.h"
#include "readings/ReadingFormat.h"
#include "run/RunMessages.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsWriter.h"
#include "support/ClosedPort.h"
#include "support/ZebsimProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using TRecord = std::map<std::string, std::string>;

struct TToolRun {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The exit status of a child, waiting at most timeout; a child still running then is
// killed and reported as -1.
int WaitForExit(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// The crates of the tests: "A" a ZEB-N8 (no rate limit), "K" a ZEB-K1 (800 KB/s).
std::string Crate(const std::string& serial, int type, const std::string& moduleExtra) {
    return R"({"serial":")" + serial + R"(","type":)" + std::to_string(type) +
           R"(,"modules":[{"slot":1,"serial":"440077","firmware":"1.0.0.0","own_noise_rms":0)" + moduleExtra + "}]}";
}
std::string Scenario(const std::string& crates) { return R"({"crates":[)" + crates + "]}"; }

// Channel 1 DC 1.25 V, channel 2 a 1 kHz sine of 0.5 V peak, channel 3 DC -0.7 V,
// channel 4 beyond every range.
const std::string FourSignals =
    R"(,"channels":[{"dc":1.25},{"amplitude":0.5,"frequency":1000},{"dc":-0.7},{"dc":2.0,"amplitude":14.0,"frequency":50}])";

class CliTool : public testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("voltcheck-cli-test-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void StartServer(const std::string& json, double timeScale = 20.0) {
        zebtest::ZebsimProcess::Options options;
        options.scenarioJson = json;
        options.timeScale = timeScale;
        server_ = std::make_unique<zebtest::ZebsimProcess>(options);
        server_->exportPort();
    }

    // The tool with args; its standard output and error go to files named after name
    // ("stdout" and "stderr" without one), so that several may run at once.
    pid_t Spawn(const std::vector<std::string>& args, const std::string& name = {}) {
        std::vector<std::string> all{VOLTCHECK_CLI_EXE};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string out = (dir_ / (name.empty() ? "stdout" : name + ".out")).string();
        const std::string err = (dir_ / (name.empty() ? "stderr" : name + ".err")).string();
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (o < 0 || e < 0) std::_Exit(126);
            ::dup2(o, STDOUT_FILENO);
            ::dup2(e, STDERR_FILENO);
            ::execv(argv[0], argv.data());
            std::_Exit(127);
        }
        return pid;
    }

    TToolRun Finish(pid_t pid, std::chrono::milliseconds timeout = std::chrono::seconds(60),
                    const std::string& name = {}) {
        TToolRun run;
        run.status = WaitForExit(pid, timeout);
        run.out = Slurp(dir_ / (name.empty() ? "stdout" : name + ".out"));
        run.err = Slurp(dir_ / (name.empty() ? "stderr" : name + ".err"));
        return run;
    }

    TToolRun Run(const std::vector<std::string>& args) { return Finish(Spawn(args)); }

    // The records of a CSV or JSON-lines text as Python's parsers read them; the CSV's
    // header as the record {"columns": "time;frame;..."}. The JSON lines' start record
    // (checked by the parser) is left out.
    std::vector<TRecord> Parse(const std::string& format, const std::string& text) {
        std::vector<TRecord> records = ParseAll(format, text);
        if (format == "jsonl" && !records.empty() && records.front().count("event") != 0) {
            EXPECT_EQ(records.front().at("event"), "start");
            records.erase(records.begin());
        }
        return records;
    }

    // Every record, the JSON lines' start record included.
    std::vector<TRecord> ParseAll(const std::string& format, const std::string& text) {
        const std::filesystem::path input = dir_ / "parse-input";
        const std::filesystem::path output = dir_ / "parse-output";
        std::ofstream(input, std::ios::binary) << text;
        const std::string command = std::string("'") + VOLTCHECK_PYTHON + "' '" + VOLTCHECK_READINGS_SCRIPT + "' " +
                                    format + " '" + input.string() + "' >'" + output.string() + "'";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "Python's parser refused:\n" << text;
        std::vector<TRecord> records;
        std::istringstream lines(Slurp(output));
        for (std::string line; std::getline(lines, line);) {
            TRecord record;
            std::istringstream tokens(line);
            for (std::string token; tokens >> token;) {
                const auto eq = token.find('=');
                record[token.substr(0, eq)] = token.substr(eq + 1);
            }
            records.push_back(record);
        }
        return records;
    }

    static double Number(const TRecord& record, const std::string& key) {
        const auto it = record.find(key);
        if (it == record.end()) {
            ADD_FAILURE() << "no " << key;
            return std::nan("");
        }
        return std::stod(it->second);
    }

    std::filesystem::path dir_;
    std::unique_ptr<zebtest::ZebsimProcess> server_;
};

const std::regex IsoTime(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");

TEST_F(CliTool, ListShowsEveryCrateAndItsAnsweringModules) {
    StartServer(R"({"crates":[
        {"serial":"N8-1","type":30,"modules":[
            {"slot":2,"serial":"440002","firmware":"1.2.3.4"},
            {"slot":5,"serial":"440005","answers":false},
            {"slot":7,"id":"0x0B0B"},
            {"slot":16,"serial":"440016","firmware":"2.0.0.255"}]},
        {"serial":"K1-2","type":21,"modules":[{"slot":1,"serial":"441001","firmware":"0.0.1.0"}]},
        {"serial":"X-3","type":99}]})");
    const TToolRun r = Run({"list"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "crate N8-1 ZEB-N8 30\n"
              "module 2 440002 1.2.3.4\n"
              "module 16 440016 2.0.0.255\n"
              "crate K1-2 ZEB-K1 21\n"
              "module 1 441001 0.0.1.0\n"
              "crate X-3 UNKNOWN 99\n");
    EXPECT_EQ(r.err, "");
}

// DC readings of every channel in CSV: the columns, the frame numbers, the times, the
// values in volts and the overload of channel 4.
TEST_F(CliTool, MeasuresDcReadingsAsCsv) {
    StartServer(Scenario(Crate("A", 30, FourSignals)));
    const TToolRun r = Run({"measure", "--frames", "3", "--mode", "dc", "--time", "0.2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<TRecord> records = Parse("csv", r.out);
    ASSERT_EQ(records.size(), 4u) << r.out;
    EXPECT_EQ(records[0].at("columns"),
              "time;frame;ch1_volts;ch1_overload;ch2_volts;ch2_overload;ch3_volts;ch3_overload;ch4_volts;ch4_overload");
    for (int f = 1; f <= 3; ++f) {
        const TRecord& rec = records[f];
        SCOPED_TRACE(f);
        EXPECT_EQ(rec.at("frame"), std::to_string(f));
        EXPECT_TRUE(std::regex_match(rec.at("time"), IsoTime)) << rec.at("time");
        EXPECT_NEAR(Number(rec, "ch1_volts"), 1.25, 2e-6);
        EXPECT_NEAR(Number(rec, "ch2_volts"), 0.0, 2e-3);
        EXPECT_NEAR(Number(rec, "ch3_volts"), -0.7, 2e-6);
        EXPECT_EQ(rec.at("ch1_overload") + rec.at("ch2_overload") + rec.at("ch3_overload") + rec.at("ch4_overload"),
                  "0001");
    }
}

// AC readings in JSON lines: the spectral method's frequency, RMS and peak amplitudes.
TEST_F(CliTool, MeasuresAcReadingsAsJsonLines) {
    StartServer(Scenario(Crate("A", 30, FourSignals)));
    struct Case {
        const char* amplitude;
        double volts;
    };
    for (const Case& c : {Case{"rms", 0.5 / std::sqrt(2.0)}, Case{"amp", 0.5}}) {
        SCOPED_TRACE(c.amplitude);
        const TToolRun r = Run({"measure", "--frames=2", "--mode=ac", "--channels", "2,4", "--format", "jsonl",
                                "--amplitude", c.amplitude, "--range", "2=1", "--time", "0.1"});
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<TRecord> records = Parse("jsonl", r.out);
        ASSERT_EQ(records.size(), 2u) << r.out;
        for (const TRecord& rec : records) {
            EXPECT_EQ(rec.size(), 8u);  // time, frame and three keys of channels 2 and 4
            EXPECT_NEAR(Number(rec, "ch2_volts"), c.volts, 1e-4);
            EXPECT_NEAR(Number(rec, "ch2_hertz"), 1000.0, 0.01);
            EXPECT_EQ(rec.at("ch2_overload"), "0");
            EXPECT_EQ(rec.at("ch4_overload"), "1");
            EXPECT_EQ(rec.count("ch4_hertz"), 1u);  // clipped: no clean frequency, but the column
        }
    }
}

// --stats: count, extremes, mean, deviation and overloads as the test computes them
// from the frames the tool wrote, in both formats.
TEST_F(CliTool, StatsAgreeWithTheReadings) {
    StartServer(Scenario(
        Crate("A", 30, R"(,"channels":[{"dc":0.3,"noise_rms":0.01},{"dc":0.1},{"dc":-2,"amplitude":9,"frequency":70}])")));
    for (const std::string format : {"csv", "jsonl"}) {
        SCOPED_TRACE(format);
        const TToolRun r = Run({"measure", "--frames", "6", "--mode", "dc", "--channels", "1,3", "--stats",
                                "--range", "1", "--range", "3=10", "--method", "sum", "--time", "0.05", "--format",
                                format});
        ASSERT_EQ(r.status, 0) << r.err;
        std::vector<TRecord> frames = Parse(format, r.out);
        std::vector<TRecord> stats;
        if (format == "csv") {
            ASSERT_FALSE(frames.empty());
            frames.erase(frames.begin());
            for (const TRecord& s : Parse("csv", r.err)) {
                if (s.count("columns") != 0) {
                    EXPECT_EQ(s.at("columns"),
                              "channel;count;min_volts;max_volts;mean_volts;std_volts;overloads;ptp_volts;passed;failed");
                    continue;
                }
                TRecord named;  // as the JSON names them
                for (const char* key : {"count", "overloads", "passed", "failed"})
                    named["stats" + s.at("channel") + "_" + key] = s.at(key);
                for (const char* key : {"min", "max", "mean", "std", "ptp"})
                    named["stats" + s.at("channel") + "_" + key] = s.at(std::string(key) + "_volts");
                stats.push_back(named);
            }
            ASSERT_EQ(stats.size(), 2u) << r.err;
            stats[0].insert(stats[1].begin(), stats[1].end());
        } else {
            EXPECT_EQ(r.err, "");
            ASSERT_EQ(frames.size(), 7u);
            stats.push_back(frames.back());
            frames.pop_back();
        }
        ASSERT_EQ(frames.size(), 6u);
        const TRecord& s = stats[0];
        for (const int c : {1, 3}) {
            SCOPED_TRACE(c);
            const std::string ch = "ch" + std::to_string(c) + "_";
            const std::string st = "stats" + std::to_string(c) + "_";
            std::vector<double> v;
            int overloads = 0;
            for (const TRecord& f : frames) {
                v.push_back(Number(f, ch + "volts"));
                overloads += f.at(ch + "overload") == "1";
            }
            double mean = 0;
            for (double x : v) mean += x / v.size();
            double squares = 0;
            for (double x : v) squares += (x - mean) * (x - mean);
            const double deviation = std::sqrt(squares / (v.size() - 1));
            EXPECT_EQ(s.at(st + "count"), "6");
            EXPECT_EQ(Number(s, st + "min"), *std::min_element(v.begin(), v.end()));
            EXPECT_EQ(Number(s, st + "max"), *std::max_element(v.begin(), v.end()));
            EXPECT_NEAR(Number(s, st + "mean"), mean, 1e-12 * std::fabs(mean));
            EXPECT_NEAR(Number(s, st + "std"), deviation, 1e-9 * deviation + 1e-15);
            EXPECT_EQ(s.at(st + "overloads"), std::to_string(overloads));
            EXPECT_EQ(Number(s, st + "ptp"), *std::max_element(v.begin(), v.end()) - *std::min_element(v.begin(), v.end()));
            EXPECT_EQ(s.at(st + "passed") + s.at(st + "failed"), "");  // no limits: not counted
        }
        EXPECT_GT(Number(s, "stats1_std"), 0.0);  // the noise is seen
        EXPECT_EQ(s.at("stats3_overloads"), "6");
    }
}

// ---- Bench-meter functions: --limits, --null, --average --------------------------

// Limits on the known levels of FourSignals (channel 1 1.25 V, channel 3 -0.7 V,
// channel 4 overloaded): the pass fields of every frame, the pass and fail counts of
// the statistics and the exit status, in both formats.
TEST_F(CliTool, LimitsJudgeEveryFrameAndSetTheExitStatus) {
    StartServer(Scenario(Crate("A", 30, FourSignals)));
    struct TCase {
        std::vector<std::string> limits;
        int status;
        std::map<int, std::string> pass;  // channel -> its pass field in every frame
    };
    const std::vector<TCase> cases = {
        {{"--limits", "1=1.24:1.26"}, 0, {{1, "1"}}},
        {{"--limits", "1=:1.2"}, 3, {{1, "0"}}},
        {{"--limits", "1=1.3:"}, 3, {{1, "0"}}},
        {{"--limits", "3=-0.71:-0.69", "--limits", "1=1.2:"}, 0, {{1, "1"}, {3, "1"}}},
        {{"--limits", "3=-0.6:", "--limits", "1=:1.3"}, 3, {{1, "1"}, {3, "0"}}},
        {{"--limits", "4=-20:20"}, 3, {{4, "0"}}},  // an overload fails whatever the value
    };
    constexpr int Frames = 3;
    for (const std::string format : {"csv", "jsonl"}) {
        for (const TCase& c : cases) {
            std::vector<std::string> args = {"measure", "--frames", std::to_string(Frames), "--mode", "dc", "--time",
                                              "0.05", "--format", format, "--stats"};
            args.insert(args.end(), c.limits.begin(), c.limits.end());
            SCOPED_TRACE(format + " " + c.limits[1]);
            const TToolRun r = Run(args);
            ASSERT_EQ(r.status, c.status) << r.err;
            std::vector<TRecord> records = Parse(format, r.out);
            if (format == "csv") {
                ASSERT_FALSE(records.empty());
                std::string columns = "time;frame";
                for (int ch = 1; ch <= 4; ++ch) {
                    const std::string p = ";ch" + std::to_string(ch);
                    columns += p + "_volts" + p + "_overload" + (c.pass.count(ch) ? p + "_pass" : "");
                }
                EXPECT_EQ(records.front().at("columns"), columns);
                records.erase(records.begin());
            } else {
                ASSERT_FALSE(records.empty());
                const TRecord stats = records.back();
                records.pop_back();
                for (int ch = 1; ch <= 4; ++ch) {
                    const std::string st = "stats" + std::to_string(ch) + "_";
                    const auto judged = c.pass.find(ch);
                    const bool passes = judged != c.pass.end() && judged->second == "1";
                    const bool fails = judged != c.pass.end() && judged->second == "0";
                    EXPECT_EQ(stats.at(st + "passed"), judged == c.pass.end() ? "" : passes ? "3" : "0") << ch;
                    EXPECT_EQ(stats.at(st + "failed"), judged == c.pass.end() ? "" : fails ? "3" : "0") << ch;
                }
            }
            ASSERT_EQ(records.size(), static_cast<std::size_t>(Frames)) << r.out;
            for (const TRecord& rec : records)
                for (int ch = 1; ch <= 4; ++ch) {
                    const std::string key = "ch" + std::to_string(ch) + "_pass";
                    const auto judged = c.pass.find(ch);
                    EXPECT_EQ(rec.count(key), judged == c.pass.end() ? 0u : 1u) << key;
                    if (judged != c.pass.end()) {
                        EXPECT_EQ(rec.at(key), judged->second) << key;
                    }
                }
            // A failed check says which channel failed, and nothing else is said.
            if (c.status == 3 && format == "jsonl") {
                EXPECT_NE(r.err.find("кадров вне допусков 3 из 3"), std::string::npos) << r.err;
            } else if (format == "jsonl") {
                EXPECT_EQ(r.err, "");
            }
        }
    }
}

// --null from the first frame and from a given level: the readings of a steady level
// are near zero, the first frame's exactly; the other channels are as measured.
TEST_F(CliTool, NullSubtractsTheFirstReadingOrTheGivenOffset) {
    StartServer(Scenario(Crate("A", 30, FourSignals)));
    const TToolRun r = Run({"measure", "--frames", "4", "--mode", "dc", "--channels", "1,3", "--time", "0.05",
                            "--null", "1=first", "--null", "3=-0,7", "--format", "jsonl"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<TRecord> records = Parse("jsonl", r.out);
    ASSERT_EQ(records.size(), 4u) << r.out;
    EXPECT_EQ(Number(records[0], "ch1_volts"), 0.0);
    for (const TRecord& rec : records) {
        EXPECT_NEAR(Number(rec, "ch1_volts"), 0.0, 4e-6);
        EXPECT_NEAR(Number(rec, "ch3_volts"), 0.0, 2e-6);
        EXPECT_EQ(rec.count("ch1_pass"), 0u);  // no limits, no verdict
    }
}

// --average N: each line is the mean of the last N frames, so the scatter of a noisy
// level falls by about sqrt(N). Lines N frames apart average disjoint frames, and only
// those are compared: 16 frames give a quarter of the scatter, bounded here by half.
TEST_F(CliTool, AverageReducesTheScatterOfANoisyLevel) {
    StartServer(Scenario(Crate("A", 30, R"(,"channels":[{"dc":0.3,"noise_rms":0.05}])")));
    constexpr int N = 16;
    constexpr int Windows = 13;
    const auto scatter = [&](const std::string& average, int step) {
        const TToolRun r = Run({"measure", "--frames", std::to_string(N * Windows), "--mode", "dc", "--channels", "1",
                                "--range", "1", "--time", "0.005", "--average", average, "--format", "jsonl"});
        EXPECT_EQ(r.status, 0) << r.err;
        const std::vector<TRecord> records = Parse("jsonl", r.out);
        EXPECT_EQ(records.size(), static_cast<std::size_t>(N * Windows));
        std::vector<double> v;
        for (std::size_t k = step - 1; k < records.size(); k += step) v.push_back(Number(records[k], "ch1_volts"));
        double mean = 0;
        for (double x : v) mean += x / v.size();
        double squares = 0;
        for (double x : v) squares += (x - mean) * (x - mean);
        EXPECT_NEAR(mean, 0.3, 1e-3);
        return std::sqrt(squares / (v.size() - 1));
    };
    const double single = scatter("1", 1);
    const double averaged = scatter(std::to_string(N), N);
    EXPECT_GT(single, 0.0);
    EXPECT_LT(averaged / single, 0.5) << single << " " << averaged;
}

// A settings file of the program gives every parameter; the command line overrides it.
TEST_F(CliTool, TakesTheSettingsFileAndTheCommandLineOverIt) {
    StartServer(Scenario(Crate("K", 21, R"(,"channels":[{"dc":0.25},{"amplitude":0.5,"frequency":1000}])")));
    const std::string path = (dir_ / "Voltcheck.ini").string();
    {
        inifile::TIniFile file(path);
        ASSERT_TRUE(settings::WriteDefaultModuleSettings(file).ok);
        const auto key = [&](std::string_view k, std::int32_t v) {
            ASSERT_TRUE(file.WriteInteger(settings::kModuleSection, k, v).ok);
        };
        key(settings::kAdcRateIndexKey, 18);  // 15625 Hz: four channels pass a ZEB-K1
        key(settings::kCommonRangeKey, 2);     // 1 V
        key(settings::kCommonMethodKey, 1);    // AC
        ASSERT_TRUE(file.WriteString(settings::kModuleSection, settings::kComputationMethodKey, "sum").ok);
        ASSERT_TRUE(file.WriteString(settings::kModuleSection, settings::kAmplitudeTypeKey, "amp").ok);
        ASSERT_TRUE(file.WriteString(settings::kModuleSection, settings::kMaxAcquisitionTimeKey, "0.3").ok);
        ASSERT_TRUE(file.Flush().ok);
    }
    // From the file alone: four channels, AC peak amplitude by the weighted sum (no frequency).
    TToolRun r = Run({"measure", "--settings", path, "--frames", "1", "--format", "jsonl"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<TRecord> records = Parse("jsonl", r.out);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].size(), 10u);  // time, frame, volts and overload of four channels
    EXPECT_NEAR(Number(records[0], "ch2_volts"), 0.5, 1e-4);
    EXPECT_NEAR(Number(records[0], "ch1_volts"), 0.0, 1e-4);  // AC: the DC level is not measured

    // The command line over it: one channel, the spectral method, RMS, DC mode.
    r = Run({"measure", "--settings", path, "--frames", "1", "--channels", "2", "--method", "fft", "--amplitude",
             "rms", "--format", "jsonl"});
    ASSERT_EQ(r.status, 0) << r.err;
    records = Parse("jsonl", r.out);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].size(), 5u);
    EXPECT_NEAR(Number(records[0], "ch2_volts"), 0.5 / std::sqrt(2.0), 1e-4);
    EXPECT_NEAR(Number(records[0], "ch2_hertz"), 1000.0, 0.01);

    // The rate of the command line: four channels at 78125 Hz are too much for a ZEB-K1.
    r = Run({"measure", "--settings", path, "--frames", "1", "--rate", "78125"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string(run::messages::ThroughputPart1) + "ZEB44" + run::messages::ThroughputPart2 +
                         "1250.0" + run::messages::ThroughputPart3 + "ZEB-K1" + run::messages::ThroughputPart4 +
                         "800.0" + run::messages::ThroughputPart5 + "\n");
}

// SIGINT or SIGTERM in the middle of a 60 s frame: the run ends at the next block with
// the module stopped, status 0, no frame written and no message.
TEST_F(CliTool, StopSignalEndsALongFrame) {
    StartServer(Scenario(Crate("A", 30, R"(,"channels":[{"dc":0.5}])")), 1.0);
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const std::filesystem::path output = dir_ / "readings.csv";
        std::filesystem::remove(output);
        const pid_t pid = Spawn({"measure", "--method", "sum", "--time", "60", "--channels", "1", "--output",
                                 output.string()});
        // The header is written once the buffers stand, just before the first frame starts.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Slurp(output).empty() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_EQ(Slurp(output), "time,frame,ch1_volts,ch1_overload\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // well into the frame
        ::kill(pid, signal);
        // Far less than the frame; a tool that waited for the frame's end would be killed.
        const TToolRun r = Finish(pid, std::chrono::seconds(20));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(Slurp(output), "time,frame,ch1_volts,ch1_overload\n");
    }
}

struct TFailure {
    const char* name;
    std::string crates;  // empty: no crate server at all
    std::vector<std::string> args;
    int status;
    std::string message;  // standard error: all of it when it ends with a line break, else its beginning
    std::string out = {};  // standard output: the header when the run failed after its buffers stood
};

void PrintTo(const TFailure& failure, std::ostream* os) { *os << failure.name; }

class CliToolFails : public CliTool, public testing::WithParamInterface<TFailure> {};

TEST_P(CliToolFails, WithItsStatusAndOneMessage) {
    const TFailure& f = GetParam();
    zebtest::ClosedPort closed;
    if (f.crates.empty())
        closed.exportPort();
    else
        StartServer(Scenario(f.crates));
    const TToolRun r = Run(f.args);
    EXPECT_EQ(r.status, f.status);
    EXPECT_EQ(r.out, f.out);
    // A message ending with a line break is the whole of standard error, else its beginning.
    if (f.message.back() == '\n')
        EXPECT_EQ(r.err, f.message);
    else
        EXPECT_EQ(r.err.substr(0, f.message.size()), f.message) << r.err;
}

const std::string OneChannel = R"(,"channels":[{"dc":0.5}])";
const std::vector<std::string> OneFrame = {"measure", "--frames", "1", "--time", "0.2", "--channels", "1"};
const std::string DcHeader = "time,frame,ch1_volts,ch1_overload\n";

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// A bad entry of --null, --average or --limits: refused before anything is measured,
// the message naming the entry.
TFailure BadEntry(const char* name, const std::string& option, const std::string& value) {
    return {name, Crate("A", 30, OneChannel), With(OneFrame, {option, value}), 2,
            "voltcheck-cli: " + option + " " + value + ": "};
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CliToolFails,
    testing::Values(
        TFailure{"NoServer", "", OneFrame, 1, "Не могу найти ни одного ZEB крейта!\n(сервер крейтов 127.0.0.1:"},
        TFailure{"SilentModule", Crate("A", 30, OneChannel + R"(,"faults":{"stop_after_words":0})"), OneFrame, 1,
                 std::string(run::messages::RecvNothing) + "\n", DcHeader},
        TFailure{"LostServer", Crate("A", 30, OneChannel + R"(,"faults":{"drop_after_words":1000})"), OneFrame, 1,
                 std::string(run::messages::RecvFailed) + "\n", DcHeader},
        TFailure{"StartRefused", Crate("A", 30, OneChannel + R"(,"faults":{"fail":["StartADC"]})"), OneFrame, 1,
                 std::string(run::messages::FrameStartFailed) + "\n", DcHeader},
        TFailure{"ConfigurationRefused", Crate("A", 30, OneChannel + R"(,"faults":{"fail":["SetConfig"]})"),
                 OneFrame, 1, std::string(run::messages::SetConfigFailed) + "\n"},
        TFailure{"NoSignal", Crate("A", 30, ""), With(OneFrame, {"--mode", "ac"}), 1,
                 std::string(computation::NoSignalMessage) + "\n", "time,frame,ch1_volts,ch1_hertz,ch1_overload\n"},
        TFailure{"Throughput", Crate("K", 21, OneChannel), {"measure", "--frames", "1"}, 1,
                 std::string(run::messages::ThroughputPart1) + "ZEB44" + run::messages::ThroughputPart2 + "1250.0" +
                     run::messages::ThroughputPart3 + "ZEB-K1" + run::messages::ThroughputPart4 + "800.0" +
                     run::messages::ThroughputPart5 + "\n"},
        TFailure{"UnknownCrate", Crate("A", 30, OneChannel), With(OneFrame, {"--crate", "B"}), 1,
                 "Не могу проинициализировать модуль в указанном слоте!\n(нет отвечающего модуля ZEB44 в крейте B)\n"},
        TFailure{"OutputFull", Crate("A", 30, OneChannel), With(OneFrame, {"--output", "/dev/full"}), 1,
                 "не могу записать в /dev/full: No space left on device\n"},
        TFailure{"UnknownRate", Crate("A", 30, OneChannel), With(OneFrame, {"--rate", "40000"}), 2,
                 "voltcheck-cli: частоты АЦП 40000 Гц нет в таблице частот; ближайшие: 39062.49 Гц и "
                 "52083.3333333333 Гц\nподробнее: voltcheck-cli measure --help\n"},
        TFailure{"UnknownRange", Crate("A", 30, OneChannel), With(OneFrame, {"--range", "2=5"}), 2,
                 "voltcheck-cli: диапазона 5 В нет; есть: 10 3 1 0.3 0.1 0.03 В\nподробнее: voltcheck-cli measure --help\n"},
        TFailure{"RepeatedChannel", Crate("A", 30, OneChannel), With(OneFrame, {"--channels", "1,1"}), 2,
                 "voltcheck-cli: неверный список каналов"},
        TFailure{"AcOnlyInDcMode", Crate("A", 30, OneChannel), With(OneFrame, {"--coupling", "ac", "--mode", "dc"}),
                 2, "voltcheck-cli: --coupling ac измеряет только AC"},
        TFailure{"NoFrames", Crate("A", 30, OneChannel), {"measure", "--frames", "0"}, 2,
                 "voltcheck-cli: неверное число кадров"},
        TFailure{"UnknownOption", Crate("A", 30, OneChannel), {"measure", "--speed", "3"}, 2,
                 "voltcheck-cli: неизвестный параметр: --speed\nподробнее: voltcheck-cli measure --help\n"},
        TFailure{"MissingValue", Crate("A", 30, OneChannel), {"measure", "--time"}, 2,
                 "voltcheck-cli: параметру --time нужно значение"},
        TFailure{"NoCommand", Crate("A", 30, OneChannel), {}, 2, "voltcheck-cli: не задана команда"},
        TFailure{"LimitsCrossed", Crate("A", 30, OneChannel), With(OneFrame, {"--limits", "1=0.5:0.2"}), 2,
                 "voltcheck-cli: --limits 1=0.5:0.2: Нижний допуск выше верхнего (канал 1).\n"
                 "подробнее: voltcheck-cli measure --help\n"},
        BadEntry("LimitsChannel", "--limits", "5=0:1"), BadEntry("LimitsText", "--limits", "1=low:1"),
        BadEntry("LimitsNone", "--limits", "1=:"), BadEntry("AverageZero", "--average", "0"),
        BadEntry("AverageTooMany", "--average", "1001"), BadEntry("AverageText", "--average", "many"),
        BadEntry("NullText", "--null", "1=zero"), BadEntry("NullChannel", "--null", "0=first"),
        TFailure{"NoSettingsFile", Crate("A", 30, OneChannel), With(OneFrame, {"--settings", "/nonexistent.ini"}), 2,
                 "voltcheck-cli: нет файла настроек /nonexistent.ini\n"}),
    [](const testing::TestParamInfo<TFailure>& info) { return info.param.name; });

// ---- Unattended runs: --reconnect, --rotate, --continuous --------------------------

// Seconds since midnight of an ISO time of the tool ("2026-12-11T13:00:01.250Z"); the
// tests' runs do not cross midnight by more than their bounds allow, so a day is added
// to a time that reads earlier than the first.
double DaySeconds(const std::string& iso) {
    return std::stoi(iso.substr(11, 2)) * 3600.0 + std::stoi(iso.substr(14, 2)) * 60.0 + std::stod(iso.substr(17, 6));
}

// The records of a run that reconnects, in order: frames ("F"), losses ("L") and
// returns ("R"), with the frame numbers, the times and the gaps of the returns.
struct TStory {
    std::string Kinds;
    std::vector<std::uint64_t> FrameNumbers;
    std::vector<double> Times;  // seconds, per record
    std::vector<double> Gaps;   // per return
    std::vector<std::string> LossMessages;  // spaces as "_"
};

TStory StoryOf(const std::vector<TRecord>& records) {
    TStory story;
    double first = -1;
    for (const TRecord& rec : records) {
        if (rec.count("columns") != 0 || (rec.count("event") != 0 && rec.at("event") == "start")) continue;
        double t = DaySeconds(rec.at("time"));
        if (first < 0) first = t;
        if (t < first) t += 86400;
        const std::string event = rec.count("event") != 0 ? rec.at("event") : std::string();
        if (event.empty()) {
            story.Kinds += 'F';
            story.FrameNumbers.push_back(std::stoull(rec.at("frame")));
        } else if (event == "lost" || event.rfind("lost:_", 0) == 0) {
            EXPECT_TRUE(rec.count("frame") == 0 || rec.at("frame").empty());
            story.Kinds += 'L';
            story.LossMessages.push_back(event == "lost" ? rec.at("message") : event.substr(6));
        } else if (event == "resumed" || event.rfind("resumed_after_", 0) == 0) {
            EXPECT_TRUE(rec.count("frame") == 0 || rec.at("frame").empty());
            story.Kinds += 'R';
            story.Gaps.push_back(std::stod(event == "resumed" ? rec.at("gap_seconds") : event.substr(14)));
        } else {
            ADD_FAILURE() << "unknown event " << event;
        }
        story.Times.push_back(t);
    }
    return story;
}

// What every story of a run that reconnects shows: frames numbered 1, 2, 3, ... across
// every gap, times that never go back, a return only after a loss and with the gap
// between their records, and values only where the frames are.
void CheckStory(const TStory& story) {
    for (std::size_t k = 0; k < story.FrameNumbers.size(); ++k) EXPECT_EQ(story.FrameNumbers[k], k + 1);
    for (std::size_t k = 1; k < story.Times.size(); ++k) EXPECT_GE(story.Times[k], story.Times[k - 1]) << k;
    std::size_t returns = 0;
    for (std::size_t k = 0; k < story.Kinds.size(); ++k) {
        if (story.Kinds[k] == 'L') {
            EXPECT_TRUE(k + 1 == story.Kinds.size() || story.Kinds[k + 1] == 'R') << story.Kinds;
        }
        if (story.Kinds[k] != 'R') continue;
        ASSERT_GT(k, 0u);
        EXPECT_EQ(story.Kinds[k - 1], 'L') << story.Kinds;
        ASSERT_TRUE(k + 1 < story.Kinds.size() && story.Kinds[k + 1] == 'F') << story.Kinds;
        EXPECT_NEAR(story.Gaps[returns++], story.Times[k] - story.Times[k - 1], 0.05);
    }
}

std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// Waits (at most timeout) until the file holds at least lines lines.
bool WaitForLines(const std::filesystem::path& path, std::size_t lines, std::chrono::seconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string text = Slurp(path);
        if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= lines) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Waits (at most timeout) until the file holds text.
bool WaitForText(const std::filesystem::path& path, const std::string& text, std::chrono::seconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Slurp(path).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

const std::vector<std::string> Formats = {"csv", "jsonl"};
const std::string LostNote = "модуль потерян";

// The crate server killed with SIGKILL in the middle of a frame and started again 5 s
// later on the same port: both formats (two tools at once) show the frames before, one
// loss, one return, the frames after, numbers rising, and nothing in the gap.
TEST_F(CliTool, ReconnectsToAServerKilledMidFrame) {
    StartServer(Scenario(Crate("A", 30, FourSignals)));
    std::vector<pid_t> tools;
    for (const std::string& format : Formats)
        tools.push_back(Spawn({"measure", "--reconnect", "--rate", "15625", "--channels", "1,2", "--method", "sum",
                               "--time", "2", "--duration", "12", "--format", format, "--output",
                               (dir_ / ("readings." + format)).string()},
                              format));
    for (const std::string& format : Formats) ASSERT_TRUE(WaitForLines(dir_ / ("readings." + format), 4, std::chrono::seconds(20)));
    server_->kill();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    server_->start();
    for (std::size_t k = 0; k < Formats.size(); ++k) {
        SCOPED_TRACE(Formats[k]);
        const TToolRun r = Finish(tools[k], std::chrono::seconds(60), Formats[k]);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(CountOf(r.err, LostNote), 1u) << r.err;
        EXPECT_EQ(CountOf(r.err, run::messages::RecvFailed) + CountOf(r.err, run::messages::FrameStopFailed) +
                      CountOf(r.err, run::messages::FrameClearFailed) + CountOf(r.err, run::messages::FrameStartFailed),
                  1u)
            << r.err;
        const std::vector<TRecord> records = ParseAll(Formats[k], Slurp(dir_ / ("readings." + Formats[k])));
        ASSERT_FALSE(records.empty());
        if (Formats[k] == "csv")
            EXPECT_EQ(records[0].at("columns"), "time;frame;ch1_volts;ch1_overload;ch2_volts;ch2_overload;event");
        else
            EXPECT_EQ(records[0].at("reconnect"), "1");
        const TStory story = StoryOf(records);
        CheckStory(story);
        EXPECT_TRUE(std::regex_match(story.Kinds, std::regex("F{3,}LRF+"))) << story.Kinds;
        ASSERT_EQ(story.Gaps.size(), 1u);
        EXPECT_GT(story.Gaps[0], 4.0);   // the server was away for 5 s
        EXPECT_LT(story.Gaps[0], 15.0);  // and found again well within the run
        // Readings go on as before: channel 1 carries 1.25 V DC.
        for (const TRecord& rec : records)
            if (rec.count("ch1_volts") != 0 && !rec.at("ch1_volts").empty()) {
                EXPECT_NEAR(Number(rec, "ch1_volts"), 1.25, 1e-3);
            }
    }
}

// A module that stops sending, and a module gone from the crate when the server comes
// back: the tool keeps trying, reports each loss once, and ends at --duration with 0,
// or at once at SIGTERM while the module is away.
TEST_F(CliTool, KeepsTryingForASilentOrVanishedModule) {
    enum class TEnd { Duration, Signal };
    struct TCase {
        const char* Name;
        std::string ModuleExtra;  // of the module in slot 1
        bool Vanishes;            // the server comes back without it
        TEnd End;
        const char* Pattern;      // of the story
    };
    const TCase cases[] = {
        // 50000 words a start: three frames, then silence (a 5 s receive wait) and a new start.
        {"silent", FourSignals + R"(,"faults":{"stop_after_words":50000})", false, TEnd::Duration, "F{3}(LRF{3})*L?"},
        {"vanished", FourSignals, true, TEnd::Duration, "F{3,}L"},
        {"stopped", FourSignals, true, TEnd::Signal, "F{3,}L"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        StartServer(Scenario(Crate("A", 30, c.ModuleExtra)));
        const std::filesystem::path output = dir_ / (std::string(c.Name) + ".jsonl");
        const auto begun = std::chrono::steady_clock::now();
        const pid_t pid = Spawn({"measure", "--reconnect", "--continuous", "--rate", "15625", "--channels", "1",
                                 "--method", "sum", "--time", "1", "--duration", c.End == TEnd::Duration ? "12" : "600",
                                 "--format", "jsonl", "--output", output.string()},
                                c.Name);
        if (c.Vanishes) {
            ASSERT_TRUE(WaitForLines(output, 4, std::chrono::seconds(20)));
            server_->kill();
            server_->setScenario(Scenario(R"({"serial":"A","type":30,"modules":[]})"));
            server_->start();
        }
        auto signalled = std::chrono::steady_clock::now();
        if (c.End == TEnd::Signal) {
            ASSERT_TRUE(WaitForText(output, "\"event\": \"lost\"", std::chrono::seconds(20)));
            std::this_thread::sleep_for(std::chrono::seconds(3));  // a retry or two on the way
            signalled = std::chrono::steady_clock::now();
            ::kill(pid, SIGTERM);
        }
        const TToolRun r = Finish(pid, std::chrono::seconds(60), c.Name);
        const auto ended = std::chrono::steady_clock::now();
        EXPECT_EQ(r.status, 0) << r.err;
        if (c.End == TEnd::Duration)
            EXPECT_LT(std::chrono::duration<double>(ended - begun).count(), 12.0 + 5.0 + 5.0);  // a receive wait, room
        else
            EXPECT_LT(std::chrono::duration<double>(ended - signalled).count(), 3.0);  // an open's 2 s wait at most
        const TStory story = StoryOf(ParseAll("jsonl", Slurp(output)));
        CheckStory(story);
        EXPECT_TRUE(std::regex_match(story.Kinds, std::regex(c.Pattern))) << story.Kinds;
        const std::size_t losses = static_cast<std::size_t>(std::count(story.Kinds.begin(), story.Kinds.end(), 'L'));
        EXPECT_GE(losses, 1u);
        EXPECT_EQ(CountOf(r.err, LostNote), losses) << r.err;
    }
}

// --rotate SIZE with small limits: every file is complete (the CSV header or the start
// record first, a CSV's start record in its sidecar), none beyond the limit, and the
// frames of all files together are 1, 2, 3, ... with no line lost or split.
TEST_F(CliTool, RotatesBySizeIntoFilesCompleteOnTheirOwn) {
    StartServer(Scenario(Crate("A", 30, FourSignals)));
    struct TCase {
        std::string Format;
        std::string Limit;
        std::uintmax_t Bytes;
    };
    for (const TCase& c : {TCase{"csv", "1K", 1024}, TCase{"jsonl", "2K", 2048}}) {
        SCOPED_TRACE(c.Format);
        const std::filesystem::path folder = dir_ / c.Format;
        std::filesystem::create_directories(folder);
        const TToolRun r = Run({"measure", "--continuous", "--rate", "15625", "--channels", "1,3", "--method", "sum",
                                "--time", "0.5", "--duration", "2", "--format", c.Format, "--rotate", c.Limit,
                                "--output", (folder / ("readings." + c.Format)).string()});
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().extension() == "." + c.Format) files.push_back(entry.path());
        ASSERT_GE(files.size(), 3u);
        std::map<std::uint64_t, std::size_t> framesByFirst;  // first frame number -> count
        for (const std::filesystem::path& file : files) {
            SCOPED_TRACE(file.filename().string());
            EXPECT_TRUE(std::regex_match(file.filename().string(),
                                         std::regex(R"(readings-\d{8}T\d{6}Z(-\d{3})?\.)" + c.Format)));
            const std::string text = Slurp(file);
            EXPECT_LE(std::filesystem::file_size(file), c.Bytes);
            ASSERT_FALSE(text.empty());
            EXPECT_EQ(text.back(), '\n');
            const std::vector<TRecord> records = ParseAll(c.Format, text);
            ASSERT_GE(records.size(), 2u);
            if (c.Format == "csv") {
                EXPECT_EQ(records[0].at("columns"), "time;frame;ch1_volts;ch1_overload;ch3_volts;ch3_overload");
                const std::vector<TRecord> start = ParseAll("jsonl", Slurp(file.string() + ".json"));
                ASSERT_EQ(start.size(), 1u);
                EXPECT_EQ(start[0].at("channels"), "1:10;3:10");
                EXPECT_EQ(start[0].at("continuous"), "1");
            } else {
                EXPECT_EQ(records[0].at("event"), "start");
                EXPECT_EQ(records[0].at("crate_serial"), "A");
                EXPECT_EQ(records[0].at("module_serial"), "440077");
            }
            std::vector<std::uint64_t> numbers;
            for (std::size_t k = 1; k < records.size(); ++k) numbers.push_back(std::stoull(records[k].at("frame")));
            for (std::size_t k = 1; k < numbers.size(); ++k) EXPECT_EQ(numbers[k], numbers[k - 1] + 1);
            framesByFirst[numbers.front()] = numbers.size();
        }
        std::uint64_t next = 1;
        for (const auto& [first, count] : framesByFirst) {
            EXPECT_EQ(first, next);
            next = first + count;
        }
        EXPECT_GT(next, 20u);
    }
}

// --rotate needs a file, and takes hourly, daily or a size only.
TEST_F(CliTool, RefusesARotationItCannotDo) {
    StartServer(Scenario(Crate("A", 30, FourSignals)));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"measure", "--rotate", "1M"},
          std::vector<std::string>{"measure", "--rotate", "weekly", "--output", (dir_ / "r.csv").string()},
          std::vector<std::string>{"measure", "--rotate", "0K", "--output", (dir_ / "r.csv").string()},
          std::vector<std::string>{"measure", "--rotate", "12", "--output", (dir_ / "r.csv").string()}}) {
        const TToolRun r = Run(args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

// The event records of both formats as Python reads them, for a message with a comma,
// quotes and a line break (the window's exception text has line breaks): one CSV
// record on one line with the text in the event column, one JSON string.
TEST_F(CliTool, EventRecordsKeepAnyMessageInOneField) {
    readings::TColumns columns;
    columns.Enabled = {true, false, true, false};
    columns.Hertz = {true, false, false, false};
    const auto time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1796994000123));
    const std::string message = "Опаньки, \"сбой\"\nсрочно";
    const std::string csv = readings::CsvHeader(columns, readings::TEventColumn::With) +
                            readings::CsvEventLine(columns, time, readings::LostEventText(message)) +
                            readings::CsvEventLine(columns, time, readings::ResumedEventText(12.3456));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);
    const std::vector<TRecord> rows = ParseAll("csv", csv);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].at("columns"), "time;frame;ch1_volts;ch1_hertz;ch1_overload;ch3_volts;ch3_overload;event");
    EXPECT_EQ(rows[1].at("time"), "2026-12-11T13:00:00.123Z");
    EXPECT_EQ(rows[1].at("frame"), "");
    EXPECT_EQ(rows[1].at("ch1_hertz"), "");
    EXPECT_EQ(rows[1].at("event"), "lost:_Опаньки,_\"сбой\"_срочно");
    EXPECT_EQ(rows[2].at("event"), "resumed_after_12.346_s");
    const std::vector<TRecord> lines =
        ParseAll("jsonl", std::string("{\"time\": \"x\", \"event\": \"start\", \"program\": \"p\", \"version\": \"v\", "
                                      "\"crate\": {\"serial\": \"A\", \"model\": \"M\"}, \"module\": {\"slot\": 1, "
                                      "\"serial\": \"s\", \"firmware\": \"f\"}, \"parameters\": {\"rate_hertz\": 1, "
                                      "\"coupling\": \"dc\", \"channels\": {}, \"mode\": \"dc\", \"method\": \"sum\", "
                                      "\"amplitude\": \"rms\", \"max_frame_seconds\": 1, \"frame_seconds\": 1, "
                                      "\"samples_per_frame\": 1, \"continuous\": false, \"reconnect\": true}}\n") +
                              readings::LostJsonLine(time, message) + readings::ResumedJsonLine(time, 12.3456));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].at("message"), "Опаньки,_\"сбой\"\\nсрочно");
    EXPECT_EQ(lines[2].at("gap_seconds"), "12.346");
}

}  // namespace
