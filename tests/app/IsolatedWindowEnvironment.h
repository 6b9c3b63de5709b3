#pragma once

#include "app/MainForm.h"

#include <QTemporaryDir>

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

// While alive, a window's discovery runs find no crate server (the libraries
// point at a loopback port that is bound but does not listen) and its settings
// file lives in a folder of its own, so a test never talks to a server a
// person runs on the standard port nor writes beside the test binary.
class TIsolatedWindowEnvironment {
public:
    TIsolatedWindowEnvironment() {
        if (dir_.isValid()) TMainForm::SetSettingsDirectory(dir_.path());
        closedPort_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (closedPort_ >= 0 && ::bind(closedPort_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(closedPort_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            ::setenv("ZEB_SERVER_PORT", std::to_string(ntohs(address.sin_port)).c_str(), 1);
        }
    }
    ~TIsolatedWindowEnvironment() {
        ::unsetenv("ZEB_SERVER_PORT");
        TMainForm::SetSettingsDirectory(QString());
        if (closedPort_ >= 0) ::close(closedPort_);
    }
    TIsolatedWindowEnvironment(const TIsolatedWindowEnvironment&) = delete;
    TIsolatedWindowEnvironment& operator=(const TIsolatedWindowEnvironment&) = delete;

    bool IsValid() const { return dir_.isValid() && closedPort_ >= 0 && std::getenv("ZEB_SERVER_PORT") != nullptr; }

private:
    QTemporaryDir dir_;
    int closedPort_ = -1;
};
