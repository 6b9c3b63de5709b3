// zebsim: a simulated ZEB crate server for the zebapi / zeb44api libraries.
#include "Server.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

namespace {

std::atomic<bool> stopRequested{false};

extern "C" void onSignal(int) { stopRequested.store(true); }

void usage(std::ostream& out) {
    out << "usage: zebsim [--port N] [--port-file PATH] [--scenario FILE] [--time-scale X]\n"
                 "  --port N         TCP port on 127.0.0.1 (default 11111, 0 = any free port)\n"
                 "  --port-file PATH write the bound port there once listening\n"
                 "  --scenario FILE  crates, modules, signals and faults (JSON, see README.md);\n"
                 "                   default: one crate with one ZEB44 in slot 1\n"
                 "  --time-scale X   signal time runs X times faster than wall time (0 < X <= 1000)\n";
}

bool parseNumber(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0';
}

bool writePortFile(const std::string& path, std::uint16_t port) {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        if (!(out << port << '\n')) return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    double port = 11111;
    double timeScale = 1.0;
    std::string portFile;
    std::string scenarioFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            usage(std::cout);
            return 0;
        } else if (arg == "--port" && hasValue && parseNumber(argv[++i], port) && port >= 0 && port <= 65535 &&
                   port == static_cast<int>(port)) {
        } else if (arg == "--time-scale" && hasValue && parseNumber(argv[++i], timeScale) && timeScale > 0 &&
                   timeScale <= 1000) {
        } else if (arg == "--port-file" && hasValue) {
            portFile = argv[++i];
        } else if (arg == "--scenario" && hasValue) {
            scenarioFile = argv[++i];
        } else {
            std::cerr << "zebsim: bad argument \"" << arg << "\"\n";
            usage(std::cerr);
            return 2;
        }
    }

    zebsim::Scenario scenario;
    try {
        scenario = scenarioFile.empty()
                       ? zebsim::parseScenario(R"({"crates":[{"serial":"ZK1-0001","type":21,"modules":[{"slot":1,"serial":"440001","firmware":"1.0.0.0"}]}]})")
                       : zebsim::loadScenarioFile(scenarioFile);
    } catch (const zebsim::ScenarioError& e) {
        std::cerr << "zebsim: " << e.what() << '\n';
        return 2;
    }

    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    zebsim::Server server(std::move(scenario), timeScale);
    const std::uint16_t bound = server.listen(static_cast<std::uint16_t>(port));
    if (bound == 0) {
        std::cerr << "zebsim: " << server.error() << '\n';
        return 1;
    }
    if (!portFile.empty() && !writePortFile(portFile, bound)) {
        std::cerr << "zebsim: cannot write the port file " << portFile << '\n';
        return 1;
    }
    std::cout << "zebsim: listening on 127.0.0.1:" << bound << (scenarioFile.empty() ? "" : " with " + scenarioFile)
              << std::endl;
    server.serve(stopRequested);
    std::cout << "zebsim: stopped" << std::endl;
    return 0;
}
