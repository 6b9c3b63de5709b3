// One client connection of the crate server: a crate session (list crates,
// crate type, module ids) or a module session (open, configure, stream).
#pragma once

#include "SampleGenerator.h"
#include "Scenario.h"
#include "protocol/Messages.h"
#include "protocol/Socket.h"
#include "protocol/Wire.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace zebsim {

// Signal time of the simulation: wall time since start times the time scale.
struct SimClock {
    zebwire::Clock::time_point origin = zebwire::Clock::now();
    double scale = 1.0;
    double seconds(zebwire::Clock::time_point at) const {
        return std::chrono::duration<double>(at - origin).count() * scale;
    }
};

class Connection {
public:
    Connection(int fd, const Scenario& scenario, const SimClock& clock, const std::atomic<bool>& stop);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Serves the client until it leaves, misbehaves, a fault drops it or the
    // server stops.
    void run();

    // Takes bytes the client sent and serves every complete request in them.
    // false: close the connection now (the stream cannot be resynchronised).
    // run() feeds what it receives through here; a caller without a socket
    // (fd -1) reaches the request decoding the same way.
    bool receive(std::span<const std::uint8_t> bytes);

private:
    enum class Kind { None, CrateList, Crate, Module };
    struct Chunk {
        std::vector<std::uint8_t> bytes;
        bool data = false;
    };

    // false: close the connection now.
    bool handle(const zebwire::Frame& frame);
    void reply(std::uint16_t requestType, std::int32_t status, std::span<const std::uint8_t> body = {});
    void handleHello(const zebwire::Frame& frame);
    void handleOpen(const zebwire::Frame& frame);
    void startAdc();
    void clearData();
    // Queues the words that are due by now, once per stream period unless
    // forced; returns the poll timeout to use.
    int pump(bool force = false);
    bool flush();  // false on a write error
    std::size_t queuedDataBytes() const { return queuedData_; }

    int fd_;
    const Scenario& scenario_;
    const SimClock& clock_;
    const std::atomic<bool>& stop_;
    zebwire::FrameParser parser_{zebwire::kMaxRequestPayload};
    std::deque<Chunk> out_;
    std::size_t frontSent_ = 0;
    std::size_t queuedData_ = 0;
    bool closing_ = false;  // close once the queue is sent

    Kind kind_ = Kind::None;
    const Crate* crate_ = nullptr;
    const Module* module_ = nullptr;
    zebwire::ModuleConfig config_;

    // Stream state of the current start.
    std::unique_ptr<SampleGenerator> generator_;
    bool running_ = false;
    std::uint64_t position_ = 0;       // stream words produced since the start
    std::optional<std::uint64_t> overflowAt_;  // the word after the last skip, until it is sent
    double startSeconds_ = 0.0;        // signal time of the start
    bool shortBlockDone_ = false;      // the one short block of this open
    std::optional<zebwire::Clock::time_point> pausedUntil_;
    zebwire::Clock::time_point nextBatch_{};  // when the next batch of words is due out
    double pauseStartSeconds_ = 0.0;
    std::uint32_t starts_ = 0;
};

}  // namespace zebsim
