#include "Connection.h"

#include "protocol/AdcWord.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace zebsim {

using zebwire::MsgType;

namespace {

constexpr std::size_t kMaxQueuedDataBytes = 4u << 20;      // the module's buffer
constexpr std::uint64_t kMaxBacklogWords = 1u << 20;        // beyond: overflow, words skipped
constexpr std::uint16_t kZeb44 = 0x1616;
constexpr std::uint32_t kCorruptTag = 0x5u;  // any tag but the sample words' 0xA
// The stream goes out in one batch of the words due every this many
// milliseconds (as a module's interface sends blocks, not single samples);
// the rate is set by the words due, not by this period.
constexpr int kStreamPeriodMs = 8;

std::uint16_t type(MsgType t) { return static_cast<std::uint16_t>(t); }

}  // namespace

Connection::Connection(int fd, const Scenario& scenario, const SimClock& clock, const std::atomic<bool>& stop)
    : fd_(fd), scenario_(scenario), clock_(clock), stop_(stop) {}

Connection::~Connection() { zebwire::closeSocket(fd_); }

void Connection::reply(std::uint16_t requestType, std::int32_t status, std::span<const std::uint8_t> body) {
    std::vector<std::uint8_t> payload;
    zebwire::putI32(payload, status);
    payload.insert(payload.end(), body.begin(), body.end());
    out_.push_back({zebwire::encodeFrame(static_cast<std::uint16_t>(requestType | zebwire::kReplyBit), payload), false});
}

void Connection::handleHello(const zebwire::Frame& f) {
    if (f.payload.size() != zebwire::kSerialField) return reply(f.type, zebwire::kErrArgument);
    if (kind_ != Kind::None) return reply(f.type, zebwire::kErrArgument);
    const auto serial = zebwire::fieldText(f.payload.data(), zebwire::kSerialField);
    if (serial.empty()) {
        kind_ = Kind::CrateList;
        return reply(f.type, zebwire::kOk);
    }
    crate_ = scenario_.crate(serial);
    if (crate_ == nullptr) return reply(f.type, zebwire::kErrNoTarget);
    kind_ = Kind::Crate;
    reply(f.type, zebwire::kOk);
}

void Connection::handleOpen(const zebwire::Frame& f) {
    if (f.payload.size() != zebwire::kSerialField + 2) return reply(f.type, zebwire::kErrArgument);
    if (kind_ != Kind::None) return reply(f.type, zebwire::kErrArgument);
    const auto serial = zebwire::fieldText(f.payload.data(), zebwire::kSerialField);
    const int slot = zebwire::getU16(f.payload.data() + zebwire::kSerialField);
    const Crate* crate = scenario_.crate(serial);
    const Module* module = crate != nullptr ? crate->moduleInSlot(slot) : nullptr;
    if (module == nullptr || module->id != kZeb44 || !module->answers) return reply(f.type, zebwire::kErrNoTarget);
    kind_ = Kind::Module;
    crate_ = crate;
    module_ = module;
    const auto body = zebwire::encodeIdentity({module->name, module->serial, module->firmware});
    reply(f.type, zebwire::kOk, body);
}

void Connection::startAdc() {
    ++starts_;
    const auto seed = static_cast<std::uint32_t>(std::hash<std::string>{}(crate_->serial + "/" + module_->serial) +
                                                 static_cast<std::size_t>(module_->slot) * 7919u + starts_);
    startSeconds_ = clock_.seconds(zebwire::Clock::now());
    generator_ = std::make_unique<SampleGenerator>(*module_, config_, startSeconds_, seed);
    position_ = 0;
    overflowAt_.reset();
    pausedUntil_.reset();
    nextBatch_ = zebwire::Clock::now() + std::chrono::milliseconds(kStreamPeriodMs);
    running_ = true;
}

void Connection::clearData() {
    // Keep a data chunk already partly on the wire; drop every other one.
    std::deque<Chunk> kept;
    for (std::size_t i = 0; i < out_.size(); ++i) {
        if (out_[i].data && !(i == 0 && frontSent_ > 0)) {
            queuedData_ -= out_[i].bytes.size();
            continue;
        }
        kept.push_back(std::move(out_[i]));
    }
    out_ = std::move(kept);
}

bool Connection::handle(const zebwire::Frame& f) {
    const auto t = f.type;
    const bool empty = f.payload.empty();
    if (t == type(MsgType::Hello)) {
        handleHello(f);
    } else if (t == type(MsgType::GetCrates)) {
        if (!empty) return reply(t, zebwire::kErrArgument), true;
        if (kind_ != Kind::CrateList && kind_ != Kind::Crate) return reply(t, zebwire::kErrNotOpen), true;
        if (scenario_.refuseCrateList) return reply(t, zebwire::kErrRefused), true;
        std::vector<std::uint8_t> body;
        for (std::size_t i = 0; i < zebwire::kMaxCrates; ++i)
            zebwire::putField(body, i < scenario_.crates.size() ? scenario_.crates[i].serial : "", zebwire::kSerialField);
        reply(t, zebwire::kOk, body);
    } else if (t == type(MsgType::GetCrateInfo) || t == type(MsgType::GetCrateModules)) {
        if (!empty) return reply(t, zebwire::kErrArgument), true;
        if (kind_ != Kind::Crate) return reply(t, kind_ == Kind::CrateList ? zebwire::kErrArgument : zebwire::kErrNotOpen), true;
        std::vector<std::uint8_t> body;
        if (t == type(MsgType::GetCrateInfo)) {
            body.assign(8, 0);
            body[0] = static_cast<std::uint8_t>(crate_->type);
        } else {
            for (int slot = 1; slot <= 16; ++slot) {
                const Module* m = crate_->moduleInSlot(slot);
                zebwire::putU16(body, m != nullptr ? m->id : 0);
            }
        }
        const bool info = t == type(MsgType::GetCrateInfo);
        const CrateQuery query = info ? CrateQuery::Info : CrateQuery::Modules;
        const CrateFaults& faults = crate_->faults;
        if (info ? faults.refuseInfo : faults.refuseModules) return reply(t, zebwire::kErrRefused), true;
        if (faults.lateOn == query) {
            // Answers late: the client's wait for the reply ends first.
            const auto until = zebwire::Clock::now() + std::chrono::milliseconds(faults.lateMs);
            while (!stop_.load() && zebwire::Clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(std::clamp(zebwire::msUntil(until), 1, 20)));
        }
        reply(t, zebwire::kOk, body);
        if (faults.dropOn == query) {
            // Half the reply goes out, then the connection is closed.
            out_.back().bytes.resize(out_.back().bytes.size() / 2);
            closing_ = true;
        }
    } else if (t == type(MsgType::OpenModule)) {
        handleOpen(f);
    } else if (t == type(MsgType::Close)) {
        reply(t, zebwire::kOk);
        closing_ = true;
    } else if (t == type(MsgType::SetConfig) || t == type(MsgType::StartAdc) || t == type(MsgType::StopAdc) ||
               t == type(MsgType::ClearBuffer)) {
        if (kind_ != Kind::Module) return reply(t, zebwire::kErrNotOpen), true;
        const auto& faults = module_->faults;
        if (t == type(MsgType::SetConfig)) {
            const auto config = zebwire::decodeConfig(f.payload);
            if (!config || !zebwire::validateConfig(*config).empty()) return reply(t, zebwire::kErrArgument), true;
            if (faults.failSetConfig) return reply(t, zebwire::kErrRefused), true;
            config_ = *config;
        } else if (t == type(MsgType::StopAdc)) {
            if (!empty) return reply(t, zebwire::kErrArgument), true;
            if (faults.failStopAdc) return reply(t, zebwire::kErrRefused), true;
            pump(true);  // the words converted before the stop stay receivable
            running_ = false;
        } else {
            if (f.payload.size() != 4) return reply(t, zebwire::kErrArgument), true;
            const std::int32_t mode = zebwire::getI32(f.payload.data());
            if (t == type(MsgType::ClearBuffer)) {
                if (mode != 0 && mode != 1) return reply(t, zebwire::kErrArgument), true;
                if (faults.failClearBuffer) return reply(t, zebwire::kErrRefused), true;
                pump(true);  // every word converted so far is discarded
                clearData();
            } else {
                if (mode != 0) return reply(t, zebwire::kErrArgument), true;
                if (faults.failStartAdc) return reply(t, zebwire::kErrRefused), true;
                startAdc();
            }
        }
        reply(t, zebwire::kOk);
    } else {
        reply(t, zebwire::kErrArgument);  // unknown request
    }
    return true;
}

int Connection::pump(bool force) {
    if (!running_ || generator_ == nullptr || generator_->activeChannels() == 0) return 100;
    const auto now = zebwire::Clock::now();
    if (!force && now < nextBatch_) return std::max(1, zebwire::msUntil(nextBatch_));
    const double nowSeconds = clock_.seconds(now);
    if (pausedUntil_) {
        if (now < *pausedUntil_) return std::max(1, zebwire::msUntil(*pausedUntil_));
        startSeconds_ += nowSeconds - pauseStartSeconds_;  // the stream resumes where it paused
        pausedUntil_.reset();
    }
    nextBatch_ = now + std::chrono::milliseconds(kStreamPeriodMs);
    const auto& faults = module_->faults;
    const auto active = static_cast<std::uint64_t>(generator_->activeChannels());
    const double elapsed = std::max(0.0, nowSeconds - startSeconds_);
    std::uint64_t due = static_cast<std::uint64_t>(elapsed * generator_->frequency()) * active;
    if (due > position_ + kMaxBacklogWords) {  // the client did not keep up: overflow
        position_ = due - kMaxBacklogWords;
        position_ -= position_ % active;
        overflowAt_ = position_;  // the first word after the skip carries the mark
    }
    std::uint64_t limit = due;
    if (faults.stopAfterWords) limit = std::min(limit, *faults.stopAfterWords);
    if (faults.dropAfterWords) limit = std::min(limit, *faults.dropAfterWords);
    if (faults.shortBlockAfterWords && !shortBlockDone_) limit = std::min(limit, *faults.shortBlockAfterWords);

    std::vector<std::uint32_t> words;
    while (position_ < limit && queuedDataBytes() < kMaxQueuedDataBytes) {
        const auto end = std::min<std::uint64_t>(limit, position_ + zebwire::kMaxDataWords);
        words.clear();
        generator_->generate(position_, end, words);
        if (faults.corruptAfterWords && *faults.corruptAfterWords >= position_ && *faults.corruptAfterWords < end) {
            // The word's tag is replaced: it still arrives as a word, but no longer reads as a sample.
            std::uint32_t& w = words[static_cast<std::size_t>(*faults.corruptAfterWords - position_)];
            w = (w & 0x0FFFFFFFu) | (kCorruptTag << 28);
        }
        if (overflowAt_ && *overflowAt_ >= position_ && *overflowAt_ < end) {
            words[static_cast<std::size_t>(*overflowAt_ - position_)] |= zebwire::kOverflowBit;
            overflowAt_.reset();
        }
        // The words in one pass (appending them byte by byte cost zebsim a tenth of its time).
        std::vector<std::uint8_t> payload(words.size() * 4);
        for (std::size_t i = 0; i < words.size(); ++i) zebwire::storeU32(payload.data() + 4 * i, words[i]);
        auto frame = zebwire::encodeFrame(type(MsgType::Data), payload);
        queuedData_ += frame.size();
        out_.push_back({std::move(frame), true});
        position_ = end;
    }
    if (faults.dropAfterWords && position_ >= *faults.dropAfterWords) closing_ = true;
    if (faults.shortBlockAfterWords && !shortBlockDone_ && position_ >= *faults.shortBlockAfterWords) {
        shortBlockDone_ = true;
        pausedUntil_ = now + std::chrono::milliseconds(faults.shortBlockPauseMs);
        pauseStartSeconds_ = nowSeconds;
        return std::max(1, faults.shortBlockPauseMs);
    }
    if (faults.stopAfterWords && position_ >= *faults.stopAfterWords) return 100;
    return kStreamPeriodMs;
}

bool Connection::flush() {
    while (!out_.empty()) {
        Chunk& front = out_.front();
        const ssize_t n = ::send(fd_, front.bytes.data() + frontSent_, front.bytes.size() - frontSent_,
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        frontSent_ += static_cast<std::size_t>(n);
        if (frontSent_ < front.bytes.size()) return true;
        if (front.data) queuedData_ -= front.bytes.size();
        out_.pop_front();
        frontSent_ = 0;
    }
    return true;
}

bool Connection::receive(std::span<const std::uint8_t> bytes) {
    parser_.feed(bytes);
    while (auto frame = parser_.next())
        if (!handle(*frame)) return false;
    return !parser_.failed();  // cannot resynchronise: hang up
}

void Connection::run() {
    std::vector<std::uint8_t> buffer(4096);
    std::optional<zebwire::Clock::time_point> closeBy;
    while (!stop_.load()) {
        int timeout = pump();
        if (closing_) {
            // Send what is queued (bounded), then hang up.
            if (!closeBy) closeBy = zebwire::Clock::now() + std::chrono::seconds(2);
            if (out_.empty() || zebwire::Clock::now() >= *closeBy) return;
            timeout = std::min(timeout, 10);
        }
        pollfd p{fd_, static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT)), 0};
        const int rc = ::poll(&p, 1, std::min(timeout, 100));
        if (rc < 0 && errno != EINTR) return;
        if (rc > 0 && (p.revents & (POLLERR | POLLNVAL)) != 0) return;
        if (rc > 0 && (p.revents & (POLLIN | POLLHUP)) != 0 && !closing_) {
            const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (n == 0) return;  // the client left
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return;
            if (n > 0 && !receive(std::span(buffer.data(), static_cast<std::size_t>(n)))) return;
        }
        if (!flush()) return;
    }
}

}  // namespace zebsim
