#include "Threads/WorkerThread.h"

#include "Threads/Synchronizer.h"

#include <algorithm>
#include <chrono>

namespace Threads {

TWorkerThread::TWorkerThread(bool freeOnTerminate) : freeOnTerminate_(freeOnTerminate) {}

TWorkerThread::~TWorkerThread() {
    // Last resort for a derived class that did not stop its body itself.
    StopAndWait();
}

void TWorkerThread::StopAndWait() {
    if (!thread_.joinable()) return;
    Terminate();
    WaitFor();
}

void TWorkerThread::Start() {
    thread_ = std::thread([this] { Run(); });
    if (freeOnTerminate_) thread_.detach();
}

void TWorkerThread::SetOnTerminate(std::function<void()> hook) { onTerminate_ = std::move(hook); }

void TWorkerThread::Synchronize(const std::function<void()>& step) { Threads::Synchronize(step); }

bool TWorkerThread::SleepUnlessTerminated(int ms) {
    using namespace std::chrono;
    const auto end = steady_clock::now() + milliseconds(ms);
    while (!Terminated()) {
        const auto now = steady_clock::now();
        if (now >= end) break;
        std::this_thread::sleep_for(std::min<steady_clock::duration>(end - now, milliseconds(10)));
    }
    return Terminated();
}

bool TWorkerThread::Finished() const {
    std::lock_guard<std::mutex> lock(endMutex_);
    return finished_;
}

void TWorkerThread::Run() {
    try {
        Execute();
    } catch (...) {
        // The body reports its own failures; nothing may cross the thread's edge.
    }
    if (onTerminate_) {
        try {
            Threads::Synchronize(onTerminate_);
        } catch (...) {
        }
    }
    if (freeOnTerminate_) {
        delete this;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(endMutex_);
        finished_ = true;
    }
    endCondition_.notify_all();
    WakeSynchronizeWaiters();
}

void TWorkerThread::WaitFor() {
    if (!thread_.joinable()) return;
    if (IsGuiThread()) {
        // Keep serving the worker's synchronous calls (and its hook) while waiting.
        for (;;) {
            CheckSynchronize();
            if (Finished()) break;
            WaitForSynchronize(50);
        }
        CheckSynchronize();
    } else {
        std::unique_lock<std::mutex> lock(endMutex_);
        endCondition_.wait(lock, [this] { return finished_; });
    }
    thread_.join();
}

}  // namespace Threads
