#pragma once

#include "AppParts.h"
#include "support/ClosedPort.h"

#include <QTemporaryDir>

#include <cstdlib>

// While alive, a window's discovery runs find no crate server (the libraries
// point at a loopback port where nothing listens) and its settings file lives
// in a folder of its own, so a test never talks to a server a person runs on
// the standard port nor writes beside the test binary.
class TIsolatedWindowEnvironment {
public:
    TIsolatedWindowEnvironment() {
        if (dir_.isValid()) TSettingsController::SetSettingsDirectory(dir_.path());
        if (port_.valid()) port_.exportPort();
    }
    ~TIsolatedWindowEnvironment() {
        ::unsetenv("ZEB_SERVER_PORT");
        TSettingsController::SetSettingsDirectory(QString());
    }
    TIsolatedWindowEnvironment(const TIsolatedWindowEnvironment&) = delete;
    TIsolatedWindowEnvironment& operator=(const TIsolatedWindowEnvironment&) = delete;

    bool IsValid() const { return dir_.isValid() && port_.valid(); }

private:
    QTemporaryDir dir_;
    zebtest::ClosedPort port_;
};
