#pragma once

#include "scpi/ScpiInstrument.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace serve {

// The limits of the SCPI server: a client beyond MaxClients is answered with one
// error line and closed; a line longer than MaxLineBytes is discarded up to its end
// and leaves -223 "Too much data" in the client's queue; a client that does not take
// an answer within WriteStall, or sends nothing for Idle, is closed.
struct TScpiLimits {
    static constexpr std::size_t MaxClients = 8;
    static constexpr std::size_t MaxLineBytes = 4096;
    static constexpr std::chrono::seconds WriteStall{10};
    static constexpr std::chrono::seconds Idle{300};
};

// SCPI over a raw TCP socket: lines ending in '\n', each client with its own session
// (error queue, selected module) and its own thread for the commands, so that a
// client waiting for a frame, or not reading, holds no other client; the sockets are
// served by one Asio thread.
class TScpiServer {
public:
    // instrument outlives the server.
    TScpiServer(scpi::TInstrument& instrument, bool readOnly);
    ~TScpiServer();  // Stop()
    TScpiServer(const TScpiServer&) = delete;
    TScpiServer& operator=(const TScpiServer&) = delete;

    // Binds address:port (0: a free port) and listens; false with the reason.
    bool Listen(const std::string& address, int port, std::string& error);
    int Port() const;
    // Serves on its own thread from here on.
    void Start();
    // Closes every client and joins every thread; a client's command in progress
    // ends first (a frame wait ends when the modules stop). Idempotent.
    void Stop();

private:
    class TImpl;
    std::unique_ptr<TImpl> impl_;
};

}  // namespace serve
