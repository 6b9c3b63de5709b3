#include "serve/ScpiServer.h"

#include "scpi/ScpiSession.h"

#include <asio.hpp>

#include <condition_variable>
#include <list>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>

namespace serve {

namespace {

// What the reader has read of the current line.
enum class TLineState {
    Reading,     // a line within the limit
    Discarding,  // the rest of a line beyond the limit, up to its '\n'
};

// Whether a client's worker has ended.
enum class TWorkerState { Running, Ended };

// A line to execute, or the report of a line too long.
struct TTooLong {};
using TJob = std::variant<std::string, TTooLong>;

class TClient : public std::enable_shared_from_this<TClient> {
public:
    TClient(asio::io_context& io, asio::ip::tcp::socket socket, scpi::TInstrument& instrument, bool readOnly)
        : io_(io),
          socket_(std::move(socket)),
          input_(TScpiLimits::MaxLineBytes),
          timer_(io),
          session_(instrument, readOnly) {}

    void Start() {
        worker_ = std::thread([this] { Work(); });
        ReadLine();
    }

    // On the I/O thread.
    void Close() {
        asio::error_code ignored;
        socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
        socket_.close(ignored);
        timer_.cancel();
        {
            const std::lock_guard lock(mutex_);
            closing_ = true;
        }
        wake_.notify_all();
    }

    bool Ended() const {
        const std::lock_guard lock(mutex_);
        return worker_state_ == TWorkerState::Ended;
    }
    void Join() {
        if (worker_.joinable()) worker_.join();
    }

private:
    void Arm(std::chrono::seconds timeout) {
        timer_.expires_after(timeout);
        timer_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
            if (ec == asio::error::operation_aborted) return;
            if (self->timer_.expiry() <= asio::steady_timer::clock_type::now()) self->Close();
        });
    }

    void ReadLine() {
        Arm(TScpiLimits::Idle);
        asio::async_read_until(socket_, input_, '\n',
                               [self = shared_from_this()](const asio::error_code& ec, std::size_t bytes) {
                                   self->LineRead(ec, bytes);
                               });
    }

    void LineRead(const asio::error_code& ec, std::size_t bytes) {
        timer_.cancel();
        if (ec == asio::error::not_found) {
            // The buffer is full without a line end: the line is too long.
            input_.consume(input_.size());
            if (state_ == TLineState::Reading) {
                state_ = TLineState::Discarding;
                Hand(TTooLong{});
                return;
            }
            ReadLine();
            return;
        }
        if (ec) {
            Close();
            return;
        }
        std::string line(asio::buffers_begin(input_.data()), asio::buffers_begin(input_.data()) + bytes);
        input_.consume(bytes);
        if (state_ == TLineState::Discarding) {
            state_ = TLineState::Reading;
            ReadLine();
            return;
        }
        line.pop_back();
        if (!line.empty() && line.back() == '\r') line.pop_back();
        Hand(std::move(line));
    }

    // The job to the worker; the next read starts when its answer is written.
    void Hand(TJob job) {
        {
            const std::lock_guard lock(mutex_);
            job_ = std::move(job);
        }
        wake_.notify_all();
    }

    void Work() {
        for (;;) {
            TJob job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return closing_ || job_.has_value(); });
                if (closing_) break;
                job = std::move(*job_);
                job_.reset();
            }
            std::string answer;
            if (const std::string* line = std::get_if<std::string>(&job))
                answer = session_.ExecuteLine(*line);
            else
                session_.PushError(scpi::TError::TooMuchData);
            asio::post(io_, [self = shared_from_this(), answer = std::move(answer)]() mutable {
                self->Write(std::move(answer));
            });
        }
        const std::lock_guard lock(mutex_);
        worker_state_ = TWorkerState::Ended;
    }

    void Write(std::string answer) {
        if (!socket_.is_open()) return;
        if (answer.empty()) {
            ReadLine();
            return;
        }
        output_ = std::move(answer);
        Arm(TScpiLimits::WriteStall);
        asio::async_write(socket_, asio::buffer(output_), [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
            self->timer_.cancel();
            if (ec) {
                self->Close();
                return;
            }
            self->ReadLine();
        });
    }

    asio::io_context& io_;
    asio::ip::tcp::socket socket_;
    asio::streambuf input_;
    asio::steady_timer timer_;
    TLineState state_ = TLineState::Reading;  // I/O thread only
    std::string output_;                      // I/O thread only
    scpi::TSession session_;                  // worker only

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<TJob> job_;
    bool closing_ = false;
    TWorkerState worker_state_ = TWorkerState::Running;
    std::thread worker_;
};

}  // namespace

class TScpiServer::TImpl {
public:
    TImpl(scpi::TInstrument& instrument, bool readOnly)
        : instrument_(instrument), readOnly_(readOnly), acceptor_(io_) {}

    bool Listen(const std::string& address, int port, std::string& error) {
        asio::error_code ec;
        const asio::ip::address ip = asio::ip::make_address(address, ec);
        if (ec) {
            error = "неверный адрес " + address + ": " + ec.message();
            return false;
        }
        const asio::ip::tcp::endpoint endpoint(ip, static_cast<unsigned short>(port));
        acceptor_.open(endpoint.protocol(), ec);
        if (!ec) acceptor_.set_option(asio::ip::tcp::acceptor::reuse_address(true), ec);
        if (!ec) acceptor_.bind(endpoint, ec);
        if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
        if (ec) {
            error = "SCPI: не могу слушать " + address + ":" + std::to_string(port) + ": " + ec.message();
            return false;
        }
        return true;
    }

    int Port() const { return acceptor_.local_endpoint().port(); }

    void Start() {
        Accept();
        thread_ = std::thread([this] { io_.run(); });
    }

    void Stop() {
        if (!thread_.joinable()) return;
        asio::post(io_, [this] {
            asio::error_code ignored;
            acceptor_.close(ignored);
            const std::lock_guard lock(clientsMutex_);
            for (const std::shared_ptr<TClient>& client : clients_) client->Close();
        });
        // The workers end their commands (a frame wait is bounded and ends when the
        // modules stop); their last answers are dropped with the stopped I/O thread.
        for (;;) {
            std::list<std::shared_ptr<TClient>> clients;
            {
                const std::lock_guard lock(clientsMutex_);
                clients = clients_;
            }
            bool ended = true;
            for (const std::shared_ptr<TClient>& client : clients) ended = ended && client->Ended();
            if (ended) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        io_.stop();
        thread_.join();
        for (const std::shared_ptr<TClient>& client : clients_) client->Join();
        clients_.clear();
    }

private:
    void Accept() {
        acceptor_.async_accept([this](const asio::error_code& ec, asio::ip::tcp::socket socket) {
            if (ec == asio::error::operation_aborted || !acceptor_.is_open()) return;
            if (!ec) Admit(std::move(socket));
            Accept();
        });
    }

    void Admit(asio::ip::tcp::socket socket) {
        const std::lock_guard lock(clientsMutex_);
        for (auto it = clients_.begin(); it != clients_.end();) {
            if ((*it)->Ended()) {
                (*it)->Join();
                it = clients_.erase(it);
            } else {
                ++it;
            }
        }
        if (clients_.size() >= TScpiLimits::MaxClients) {
            // One line into the fresh socket's send buffer, never waited for.
            const std::string refusal = std::to_string(static_cast<int>(scpi::TError::SystemError)) + ",\"" +
                                        scpi::ErrorText(scpi::TError::SystemError) + ";too many clients\"\n";
            asio::error_code ignored;
            socket.non_blocking(true, ignored);
            socket.write_some(asio::buffer(refusal), ignored);
            socket.close(ignored);
            return;
        }
        auto client = std::make_shared<TClient>(io_, std::move(socket), instrument_, readOnly_);
        clients_.push_back(client);
        client->Start();
    }

    scpi::TInstrument& instrument_;
    const bool readOnly_;
    asio::io_context io_;
    asio::ip::tcp::acceptor acceptor_;
    std::mutex clientsMutex_;
    std::list<std::shared_ptr<TClient>> clients_;
    std::thread thread_;
};

TScpiServer::TScpiServer(scpi::TInstrument& instrument, bool readOnly)
    : impl_(std::make_unique<TImpl>(instrument, readOnly)) {}
TScpiServer::~TScpiServer() { Stop(); }
bool TScpiServer::Listen(const std::string& address, int port, std::string& error) {
    return impl_->Listen(address, port, error);
}
int TScpiServer::Port() const { return impl_->Port(); }
void TScpiServer::Start() { impl_->Start(); }
void TScpiServer::Stop() { impl_->Stop(); }

}  // namespace serve
