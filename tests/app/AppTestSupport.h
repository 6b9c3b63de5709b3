#pragma once

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <thread>

// Processes events until done() or timeoutMs have passed; returns done().
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
