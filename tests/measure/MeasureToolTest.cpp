#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstring>
#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <regex>
#include <string>
#include <vector>

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class MeasureTool : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path()
            / ("voltcheck-measure-test-" + std::to_string(::getpid()) + "-"
               + testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string WriteFrame(const std::string& name, const std::vector<double>& samples, std::size_t extraBytes = 0)
    {
        const auto path = (dir_ / name).string();
        std::ofstream out(path, std::ios::binary);
        for (double v : samples) {
            unsigned char bytes[8];
            std::uint64_t bits = 0;
            std::memcpy(&bits, &v, 8);
            for (int b = 0; b < 8; ++b) {
                bytes[b] = static_cast<unsigned char>(bits >> (8 * b)); // little-endian
            }
            out.write(reinterpret_cast<const char*>(bytes), 8);
        }
        for (std::size_t i = 0; i < extraBytes; ++i) {
            out.put('\0');
        }
        return path;
    }

    ToolRun Run(const std::string& args, const std::string& stdinFile = "")
    {
        const auto outPath = (dir_ / "stdout").string();
        const auto errPath = (dir_ / "stderr").string();
        std::string cmd = std::string("'") + VOLTCHECK_MEASURE_EXE + "' " + args + " >'" + outPath + "' 2>'" + errPath + "'";
        if (!stdinFile.empty()) {
            cmd += " <'" + stdinFile + "'";
        }
        const int status = std::system(cmd.c_str());
        ToolRun r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = Slurp(outPath);
        r.err = Slurp(errPath);
        return r;
    }

    static std::string Slurp(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static std::vector<double> Sine(std::size_t n, double amplitude, double bin)
    {
        std::vector<double> x(n);
        for (std::size_t i = 0; i < n; ++i) {
            x[i] = amplitude * std::sin(2 * std::numbers::pi * bin * static_cast<double>(i) / static_cast<double>(n));
        }
        return x;
    }

    std::filesystem::path dir_;
};

// dc=<V> ac=<V> frequency=<Hz>, each with 17 significant digits.
bool ParseLine(const std::string& line, double& dc, double& ac, double& fr)
{
    static const std::regex re(R"(dc=(\S+) ac=(\S+) frequency=(\S+)\n)");
    std::smatch m;
    if (!std::regex_match(line, m, re)) {
        return false;
    }
    dc = std::stod(m[1]);
    ac = std::stod(m[2]);
    fr = std::stod(m[3]);
    return true;
}

TEST_F(MeasureTool, MeasuresAnOnBinSineWithBothMethods)
{
    const std::string file = WriteFrame("sine.bin", Sine(4096, 2.0, 100));
    double dc = 0, ac = 0, fr = 0;

    ToolRun r = Run("--rate 78125 --method fft --mode ac --amplitude amp " + file);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_TRUE(ParseLine(r.out, dc, ac, fr)) << r.out;
    EXPECT_NEAR(ac, 2.0, 1e-12);
    EXPECT_NEAR(fr, 100 * 78125.0 / 4096, 1e-8);
    EXPECT_EQ(dc, 0.0);

    r = Run("--method=sum --amplitude=rms --rate=50000 " + file);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_TRUE(ParseLine(r.out, dc, ac, fr)) << r.out;
    EXPECT_NEAR(ac, std::numbers::sqrt2, 1e-12);
    EXPECT_EQ(fr, 0.0);
}

TEST_F(MeasureTool, PrintsSeventeenSignificantDigits)
{
    const std::string file = WriteFrame("dc.bin", std::vector<double>(64, 0.1));
    const ToolRun r = Run("--mode dc --method sum " + file);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(std::regex_match(r.out, std::regex(R"(dc=0\.(0999999999999999|1000000000000000)\d+ ac=0 frequency=0\n)"))) << r.out;
}

TEST_F(MeasureTool, ReadsStandardInput)
{
    const std::string file = WriteFrame("dc.bin", std::vector<double>(1000, -1.5));
    const ToolRun r = Run("--mode dc --method sum -", file);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    double dc = 0, ac = 0, fr = 0;
    ASSERT_TRUE(ParseLine(r.out, dc, ac, fr)) << r.out;
    EXPECT_NEAR(dc, -1.5, 1e-14);
}

TEST_F(MeasureTool, SilentFrameGivesTheNoSignalText)
{
    const std::string file = WriteFrame("zero.bin", std::vector<double>(1024, 0.0));
    const ToolRun r = Run("--method fft --mode ac " + file);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(r.out, "Опаньки!!! Судя по всему на вход модуля не был подан сигнал!!!\n");
}

struct BadInput {
    const char* name;
    std::vector<double> samples;
    std::size_t extraBytes;
    const char* args; // "FILE" is replaced by the frame file
    const char* message;
};

class MeasureToolRefuses : public MeasureTool, public testing::WithParamInterface<BadInput> {};

TEST_P(MeasureToolRefuses, WithAClearErrorAndNonZeroExit)
{
    const BadInput& c = GetParam();
    const std::string file = WriteFrame("frame.bin", c.samples, c.extraBytes);
    std::string args = c.args;
    if (const auto pos = args.find("FILE"); pos != std::string::npos) {
        args.replace(pos, 4, file);
    }
    const ToolRun r = Run(args);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    BadInputs, MeasureToolRefuses,
    testing::Values(
        BadInput{"MissingFile", {}, 0, "/nonexistent/frame.bin", "не могу открыть /nonexistent/frame.bin"},
        BadInput{"NotAPowerOfTwoForFft", std::vector<double>(1000, 1.0), 0, "--method fft FILE", "степень двойки"},
        BadInput{"NonFiniteSample", {1.0, 2.0, std::nan(""), 4.0}, 0, "--method sum FILE", "отсчёт 2 не является конечным"},
        BadInput{"InfiniteSample", {1.0, HUGE_VAL}, 0, "--method sum FILE", "отсчёт 1 не является конечным"},
        BadInput{"PartialSample", {1.0, 2.0}, 3, "--method sum FILE", "не кратна 8"},
        BadInput{"EmptyFile", {}, 0, "FILE", "нет отсчётов"},
        BadInput{"UnknownOption", std::vector<double>(16, 1.0), 0, "--window 6 FILE", "неизвестный параметр: --window"},
        BadInput{"BadMethod", std::vector<double>(16, 1.0), 0, "--method dft FILE", "неверный метод"},
        BadInput{"BadAmplitude", std::vector<double>(16, 1.0), 0, "--amplitude peak FILE", "неверный тип амплитуды"},
        BadInput{"BadRate", std::vector<double>(16, 1.0), 0, "--rate -5 FILE", "неверная частота"},
        BadInput{"MissingValue", std::vector<double>(16, 1.0), 0, "FILE --mode", "нужно значение"},
        BadInput{"NoInput", {}, 0, "--mode dc", "не задан входной файл"}),
    [](const testing::TestParamInfo<BadInput>& info) { return info.param.name; });

} // namespace
