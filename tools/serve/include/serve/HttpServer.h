#pragma once

#include "serve/ServedModule.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace serve {

// The limits of the HTTP server: at most MaxStreams event streams (one more is
// answered 503) and beside them Workers other requests served at once; at most Queued
// accepted connections wait for a worker, further ones wait in the kernel's listen
// queue; a request line or header over 8 KiB is answered 414 or 400, a body over
// MaxBodyBytes 413; a client that sends nothing for Timeout or takes nothing for
// Timeout is closed.
struct THttpLimits {
    static constexpr std::size_t Workers = 8;
    static constexpr int MaxStreams = 64;
    static constexpr std::size_t Queued = 64;
    static constexpr std::size_t MaxBodyBytes = 4096;
    static constexpr std::chrono::seconds Timeout{5};
};

// The read-only HTTP side (cpp-httplib): GET / (the page), /metrics, /api/v1/readings
// and /api/v1/stream (Server-Sent Events, one "frame" event per frame and a "status"
// event per change of a module's link).
class THttpServer {
public:
    // modules and changes outlive the server.
    THttpServer(std::vector<TServedModule*> modules, TChangeSignal& changes);
    ~THttpServer();  // Stop()
    THttpServer(const THttpServer&) = delete;
    THttpServer& operator=(const THttpServer&) = delete;

    bool Listen(const std::string& address, int port, std::string& error);
    int Port() const;
    void Start();
    // Ends the streams (within a second), closes the server and joins it. Idempotent.
    void Stop();

private:
    class TImpl;
    std::unique_ptr<TImpl> impl_;
};

// {"modules": [ModuleJson, ...]} of the modules' snapshots.
std::string ReadingsJson(const std::vector<TModuleSnapshot>& modules);

}  // namespace serve
