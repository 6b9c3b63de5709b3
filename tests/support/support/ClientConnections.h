// The TCP connections that are open towards a loopback port, seen from the
// client side: how a test checks that a library closed its connection (a
// closed socket leaves these states at once, in close() itself).
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace zebtest {

// Connections in this network namespace whose remote end is 127.0.0.1:port
// and that the client side still holds open (ESTABLISHED, or CLOSE_WAIT: the
// server hung up, the client has not closed). -1 when /proc/net/tcp cannot be read.
inline int OpenClientConnections(std::uint16_t port) {
    std::ifstream table("/proc/net/tcp");
    if (!table) return -1;
    std::string line;
    std::getline(table, line);  // header
    char remote[32];
    std::snprintf(remote, sizeof remote, "0100007F:%04X", static_cast<unsigned>(port));
    int count = 0;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, peer, state;
        if (!(fields >> slot >> local >> peer >> state)) continue;
        if (peer == remote && (state == "01" || state == "08")) ++count;
    }
    return count;
}

}  // namespace zebtest
