#include "Threads/Synchronizer.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

namespace Threads {
namespace {

struct SyncCall {
    std::function<void()> step;
    std::exception_ptr error;
    bool done = false;
};

// One queue for the process: the GUI thread is one.
struct SyncQueue {
    std::mutex mutex;
    std::condition_variable queued;    // GUI side: a step arrived or a worker ended
    std::condition_variable finished;  // worker side: a step has run
    std::deque<SyncCall*> calls;
    unsigned wakeups = 0;
};

SyncQueue& Queue() {
    static SyncQueue queue;
    return queue;
}

}  // namespace

bool IsGuiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

void Synchronize(const std::function<void()>& step) {
    if (IsGuiThread()) {
        step();
        return;
    }
    SyncQueue& q = Queue();
    SyncCall call;
    call.step = step;
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        q.calls.push_back(&call);
    }
    q.queued.notify_all();
    // Wake the event loop; the call itself travels through our own queue.
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { CheckSynchronize(); }, Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(q.mutex);
    q.finished.wait(lock, [&] { return call.done; });
    if (call.error) std::rethrow_exception(call.error);
}

bool CheckSynchronize() {
    SyncQueue& q = Queue();
    bool ran = false;
    for (;;) {
        SyncCall* call = nullptr;
        {
            std::lock_guard<std::mutex> lock(q.mutex);
            if (q.calls.empty()) break;
            call = q.calls.front();
            q.calls.pop_front();
        }
        std::exception_ptr error;
        try {
            call->step();
        } catch (...) {
            error = std::current_exception();
        }
        {
            // Hand the exception over whole: this thread keeps no reference to it.
            std::lock_guard<std::mutex> lock(q.mutex);
            call->error = std::move(error);
            call->done = true;
        }
        q.finished.notify_all();
        ran = true;
    }
    return ran;
}

void WaitForSynchronize(int timeoutMs) {
    SyncQueue& q = Queue();
    std::unique_lock<std::mutex> lock(q.mutex);
    const unsigned seen = q.wakeups;
    q.queued.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [&] { return !q.calls.empty() || q.wakeups != seen; });
}

void WakeSynchronizeWaiters() {
    SyncQueue& q = Queue();
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        ++q.wakeups;
    }
    q.queued.notify_all();
}

}  // namespace Threads
