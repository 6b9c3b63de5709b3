// Starts the simulated crate server zebsim on a free port for a test, waits
// until it listens, and stops it. Independent of any test framework: errors
// are thrown as std::runtime_error.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zebtest {

class ZebsimProcess {
public:
    struct Options {
        std::string scenarioFile;  // a scenario file, or
        std::string scenarioJson;  // scenario text (written to a temporary file); both empty = zebsim's default
        double timeScale = 1.0;
        std::chrono::milliseconds startTimeout{5000};
    };

    // Starts zebsim and returns once it listens (throws when it does not
    // within startTimeout or exits first).
    explicit ZebsimProcess(const Options& options);
    ~ZebsimProcess();  // stop()
    ZebsimProcess(const ZebsimProcess&) = delete;
    ZebsimProcess& operator=(const ZebsimProcess&) = delete;

    std::uint16_t port() const { return port_; }
    bool running() const { return pid_ > 0; }

    // Points both client libraries at this server (sets ZEB_SERVER_PORT).
    void exportPort() const;
    // Asks zebsim to stop (SIGTERM) and waits for it; kills it after 3 s.
    // Returns its exit code (0 = clean stop), 128 + signal when it was
    // killed, or the code of the earlier stop.
    int stop();
    // Kills zebsim at once (SIGKILL), like a crashed server.
    void kill();
    // Starts zebsim again after a stop or a kill, on the same port with the same
    // scenario and time scale, and returns once it listens (throws as the
    // constructor does; a port taken meanwhile by someone else is such a failure).
    void start();
    // kill(), delay, start(): a server that crashed and came back.
    void restart(std::chrono::milliseconds delay);
    // The scenario of the next start() (a crate that comes back changed).
    void setScenario(const std::string& json);

    // The zebsim executable this build made.
    static std::string executable();

private:
    void reap(std::chrono::milliseconds timeout);
    // Starts zebsim on port (0 = any free one) and waits until it listens.
    void launch(std::uint16_t port);

    pid_t pid_ = -1;
    int exitCode_ = -1;
    std::uint16_t port_ = 0;
    std::string workDir_;
    std::string scenario_;  // the scenario file, or empty for zebsim's default
    double timeScale_ = 1.0;
    std::chrono::milliseconds startTimeout_{5000};
};

// Scenario text with one crate (serial "T1", type 21) holding one ZEB44 in
// slot 1 (serial "440001", firmware 1.2.3.4) whose module entry is extended by
// moduleExtra (JSON members beginning with a comma, e.g. channels or faults).
std::string singleModuleScenario(const std::string& moduleExtra = {});

}  // namespace zebtest
