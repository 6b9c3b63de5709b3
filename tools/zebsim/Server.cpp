#include "Server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <list>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace zebsim {

namespace {
constexpr std::size_t kMaxConnections = 64;
}

Server::Server(Scenario scenario, double timeScale) : scenario_(std::move(scenario)) { clock_.scale = timeScale; }

Server::~Server() { zebwire::closeSocket(listener_); }

std::uint16_t Server::listen(std::uint16_t port) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) {
        error_ = std::string("socket: ") + std::strerror(errno);
        return 0;
    }
    const int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(listener_, 64) != 0) {
        error_ = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        return 0;
    }
    socklen_t len = sizeof sa;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&sa), &len);
    return ntohs(sa.sin_port);
}

void Server::serve(const std::atomic<bool>& stop) {
    struct Worker {
        std::thread thread;
        std::atomic<bool> done{false};
    };
    std::list<std::unique_ptr<Worker>> workers;
    auto reap = [&workers] {
        for (auto it = workers.begin(); it != workers.end();) {
            if ((*it)->done.load()) {
                (*it)->thread.join();
                it = workers.erase(it);
            } else {
                ++it;
            }
        }
    };
    while (!stop.load()) {
        pollfd p{listener_, POLLIN, 0};
        const int rc = ::poll(&p, 1, 100);
        reap();
        if (rc <= 0) continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        if (workers.size() >= kMaxConnections) {
            // Too many clients: refuse this one at once with a reset, before it is served.
            const linger reset{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            ::close(fd);
            continue;
        }
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        auto worker = std::make_unique<Worker>();
        Worker* w = worker.get();
        w->thread = std::thread([this, fd, w, &stop] {
            try {
                Connection(fd, scenario_, clock_, stop).run();
            } catch (const std::exception&) {
                // A failing connection (for example out of memory) ends alone.
            }
            w->done.store(true);
        });
        workers.push_back(std::move(worker));
    }
    for (auto& w : workers) w->thread.join();
}

}  // namespace zebsim
