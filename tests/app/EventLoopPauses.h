#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

// The longest time the GUI thread's event loop went without serving a 10 ms
// timer, from construction on: how long the window stood still.
class TEventLoopPauses : public QObject {
public:
    TEventLoopPauses() {
        clock_.start();
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, [this] {
            const qint64 now = clock_.elapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
        timer_.start(10);
    }
    // Milliseconds between two ticks, the timer's own 10 ms included.
    qint64 LongestMs() const { return longest_; }

private:
    QElapsedTimer clock_;
    QTimer timer_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};
