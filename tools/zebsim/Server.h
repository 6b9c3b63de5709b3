// The crate server: listens on 127.0.0.1 and serves each client on its own
// thread until stop is set.
#pragma once

#include "Connection.h"
#include "Scenario.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace zebsim {

class Server {
public:
    Server(Scenario scenario, double timeScale);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds 127.0.0.1:port (0 = any free port); returns the bound port, or 0
    // with error() set.
    std::uint16_t listen(std::uint16_t port);
    const std::string& error() const { return error_; }
    // Accepts and serves clients until stop becomes true; then ends every
    // connection and returns.
    void serve(const std::atomic<bool>& stop);

private:
    Scenario scenario_;
    SimClock clock_;
    int listener_ = -1;
    std::string error_;
};

}  // namespace zebsim
