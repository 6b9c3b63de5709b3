#include "support/ZebsimProcess.h"

#include <cerrno>
#include <fcntl.h>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zebtest {

namespace {

std::string makeTempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/zebsim-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder for zebsim");
    return buffer.data();
}

bool readPort(const std::string& path, std::uint16_t& port) {
    std::ifstream in(path);
    long value = 0;
    if (!(in >> value) || value < 1 || value > 65535) return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace

std::string ZebsimProcess::executable() { return ZEBSIM_EXECUTABLE; }

ZebsimProcess::ZebsimProcess(const Options& options)
    : timeScale_(options.timeScale), startTimeout_(options.startTimeout) {
    workDir_ = makeTempDir();
    scenario_ = options.scenarioFile;
    if (!options.scenarioJson.empty()) {
        scenario_ = workDir_ + "/scenario.json";
        std::ofstream(scenario_) << options.scenarioJson;
    }
    launch(0);
}

void ZebsimProcess::start() {
    if (pid_ > 0) return;
    launch(port_);
}

void ZebsimProcess::restart(std::chrono::milliseconds delay) {
    kill();
    std::this_thread::sleep_for(delay);
    start();
}

void ZebsimProcess::setScenario(const std::string& json) {
    scenario_ = workDir_ + "/scenario.json";
    std::ofstream(scenario_, std::ios::trunc) << json;
}

void ZebsimProcess::launch(std::uint16_t port) {
    const std::string portFile = workDir_ + "/port";
    std::remove(portFile.c_str());
    std::ostringstream scale;
    scale << timeScale_;
    std::vector<std::string> args{executable(),   "--port",      std::to_string(port), "--port-file", portFile,
                                  "--time-scale", scale.str()};
    if (!scenario_.empty()) {
        args.push_back("--scenario");
        args.push_back(scenario_);
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("cannot start zebsim: fork failed");
    if (pid_ == 0) {
        // A test program that crashes takes its server with it: an orphaned zebsim would
        // hold the test's output pipe open and keep ctest waiting.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) std::_Exit(127);
        // Keep test output readable: zebsim's greeting goes nowhere, errors stay.
        if (const int null = ::open("/dev/null", O_WRONLY); null >= 0) ::dup2(null, STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        std::_Exit(127);
    }
    exitCode_ = -1;
    const auto deadline = std::chrono::steady_clock::now() + startTimeout_;
    for (;;) {
        if (readPort(portFile, port_)) return;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("zebsim exited before listening (status " + std::to_string(status) + ")");
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            kill();
            throw std::runtime_error("zebsim did not start listening in time");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

ZebsimProcess::~ZebsimProcess() {
    stop();
    std::remove((workDir_ + "/scenario.json").c_str());
    std::remove((workDir_ + "/port").c_str());
    ::rmdir(workDir_.c_str());
}

void ZebsimProcess::exportPort() const { ::setenv("ZEB_SERVER_PORT", std::to_string(port_).c_str(), 1); }

void ZebsimProcess::reap(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || (r < 0 && errno == ECHILD)) {
            if (r == pid_) exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            pid_ = -1;
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int ZebsimProcess::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        reap(std::chrono::milliseconds(3000));
        kill();
    }
    return exitCode_;
}

void ZebsimProcess::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    reap(std::chrono::milliseconds(5000));
}

std::string singleModuleScenario(const std::string& moduleExtra) {
    return R"({"crates":[{"serial":"T1","type":21,"modules":[{"slot":1,"serial":"440001","firmware":"1.2.3.4")" +
           moduleExtra + "}]}]}";
}

}  // namespace zebtest
