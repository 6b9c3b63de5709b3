#include "serve/HttpServer.h"

#include "serve/Metrics.h"
#include "serve/WebPage.h"

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace serve {

std::string ReadingsJson(const std::vector<TModuleSnapshot>& modules) {
    std::string json = "{\"modules\": [";
    for (std::size_t k = 0; k < modules.size(); ++k) {
        if (k > 0) json += ", ";
        json += ModuleJson(modules[k]);
    }
    return json + "]}\n";
}

namespace {

// What a stream has sent of one module.
struct TSent {
    std::uint64_t Frames = 0;
    TLink Link = TLink::Opening;
    std::string Message;
    bool Any = false;
};

// The server's workers with a bounded queue of accepted connections: when
// THttpLimits::Queued wait already, the accepting thread waits for room, so further
// clients wait in the kernel's listen queue (and beyond it are refused by TCP) instead
// of growing ours without end. Close() lifts the bound so a stopping server never
// waits on it; the workers serve what is queued and end at Shutdown().
class TBoundedPool {
public:
    explicit TBoundedPool(std::size_t workers) {
        for (std::size_t k = 0; k < workers; ++k) threads_.emplace_back([this] { Work(); });
    }
    ~TBoundedPool() { Shutdown(); }
    TBoundedPool(const TBoundedPool&) = delete;
    TBoundedPool& operator=(const TBoundedPool&) = delete;

    void Enqueue(std::function<void()> job) {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] { return closed_ || jobs_.size() < THttpLimits::Queued; });
        jobs_.push_back(std::move(job));
        lock.unlock();
        work_.notify_one();
    }
    // Idempotent.
    void Shutdown() {
        Close();
        for (std::thread& thread : threads_)
            if (thread.joinable()) thread.join();
    }
    void Close() {
        {
            const std::lock_guard lock(mutex_);
            closed_ = true;
        }
        room_.notify_all();
        work_.notify_all();
    }

private:
    void Work() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex_);
                work_.wait(lock, [this] { return closed_ || !jobs_.empty(); });
                if (jobs_.empty()) return;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            room_.notify_one();
            job();
        }
    }

    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable room_;
    std::deque<std::function<void()>> jobs_;
    bool closed_ = false;
    std::vector<std::thread> threads_;
};

// What cpp-httplib takes as its task queue and deletes when it stops listening: a
// handle on the pool the server keeps, so that Stop() reaches the pool however the
// listener ended.
class TPoolHandle : public httplib::TaskQueue {
public:
    explicit TPoolHandle(TBoundedPool& pool) : pool_(pool) {}
    void enqueue(std::function<void()> job) override { pool_.Enqueue(std::move(job)); }
    void shutdown() override { pool_.Shutdown(); }

private:
    TBoundedPool& pool_;
};

}  // namespace

class THttpServer::TImpl {
public:
    TImpl(std::vector<TServedModule*> modules, TChangeSignal& changes)
        : modules_(std::move(modules)), changes_(changes) {
        // A stream holds its worker while it lasts: the streams get workers of their
        // own, so the page, /metrics and the JSON are served beside the most streams.
        server_.new_task_queue = [this] { return new TPoolHandle(*pool_); };
        server_.set_read_timeout(THttpLimits::Timeout);
        server_.set_write_timeout(THttpLimits::Timeout);
        server_.set_payload_max_length(THttpLimits::MaxBodyBytes);
        server_.Get("/", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(WebPage, "text/html; charset=utf-8");
        });
        server_.Get("/metrics", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(MetricsText(Snapshots()), "text/plain; version=0.0.4; charset=utf-8");
        });
        server_.Get("/api/v1/readings", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(ReadingsJson(Snapshots()), "application/json");
        });
        server_.Get("/api/v1/stream", [this](const httplib::Request&, httplib::Response& res) { Stream(res); });
    }

    bool Listen(const std::string& address, int port, std::string& error) {
        if (port == 0)
            port_ = server_.bind_to_any_port(address);
        else
            port_ = server_.bind_to_port(address, port) ? port : -1;
        if (port_ <= 0) {
            error = "HTTP: не могу слушать " + address + ":" + std::to_string(port);
            return false;
        }
        return true;
    }
    int Port() const { return port_; }
    void Start() {
        pool_ = std::make_unique<TBoundedPool>(THttpLimits::Workers + THttpLimits::MaxStreams);
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    void Stop() {
        if (!thread_.joinable()) return;
        stopping_.store(true);
        if (pool_ != nullptr) pool_->Close();
        server_.stop();
        thread_.join();
    }

private:
    std::vector<TModuleSnapshot> Snapshots() const {
        std::vector<TModuleSnapshot> snapshots;
        for (const TServedModule* module : modules_) snapshots.push_back(module->Snapshot());
        return snapshots;
    }

    void Stream(httplib::Response& res) {
        if (streams_.fetch_add(1) >= THttpLimits::MaxStreams) {
            streams_.fetch_sub(1);
            res.status = 503;
            res.set_content("too many event streams\n", "text/plain");
            return;
        }
        res.set_header("Cache-Control", "no-cache");
        auto sent = std::make_shared<std::vector<TSent>>(modules_.size());
        auto seen = std::make_shared<std::uint64_t>(0);
        res.set_chunked_content_provider(
            "text/event-stream",
            [this, sent, seen](std::size_t, httplib::DataSink& sink) {
                if (stopping_.load()) return false;
                std::string events;
                for (std::size_t k = 0; k < modules_.size(); ++k) {
                    const TModuleSnapshot snapshot = modules_[k]->Snapshot();
                    TSent& s = (*sent)[k];
                    const bool frame = snapshot.Frames != s.Frames && snapshot.Last;
                    const bool status = !s.Any || snapshot.Link != s.Link || snapshot.Message != s.Message;
                    if (!frame && !status) continue;
                    events += std::string("event: ") + (frame ? "frame" : "status") +
                              "\ndata: " + ModuleJson(snapshot) + "\n\n";
                    s = {snapshot.Frames, snapshot.Link, snapshot.Message, true};
                }
                // A comment when nothing happened keeps the connection checked.
                if (events.empty()) events = ": idle\n\n";
                if (!sink.write(events.data(), events.size())) return false;
                *seen = changes_.Wait(*seen, std::chrono::seconds(1));
                return !stopping_.load();
            },
            [this](bool) { streams_.fetch_sub(1); });
    }

    std::vector<TServedModule*> modules_;
    TChangeSignal& changes_;
    httplib::Server server_;
    int port_ = -1;
    std::atomic<bool> stopping_{false};
    std::atomic<int> streams_{0};
    std::unique_ptr<TBoundedPool> pool_;  // made by Start, before the listener asks for it
    std::thread thread_;
};

THttpServer::THttpServer(std::vector<TServedModule*> modules, TChangeSignal& changes)
    : impl_(std::make_unique<TImpl>(std::move(modules), changes)) {}
THttpServer::~THttpServer() { Stop(); }
bool THttpServer::Listen(const std::string& address, int port, std::string& error) {
    return impl_->Listen(address, port, error);
}
int THttpServer::Port() const { return impl_->Port(); }
void THttpServer::Start() { impl_->Start(); }
void THttpServer::Stop() { impl_->Stop(); }

}  // namespace serve
