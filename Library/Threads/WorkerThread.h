#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace Threads {

// A worker thread with a terminate flag, a termination hook run on the GUI
// thread after the body returns, and optional free-on-terminate.
//
// Life: construct, optionally SetOnTerminate, then Start. The body runs
// Execute; when it returns, the hook runs on the GUI thread (through
// Synchronize), and then either the object deletes itself (free-on-terminate)
// or WaitFor returns and the owner deletes it.
// The GUI thread never blocks in a plain wait on a worker: WaitFor on the GUI
// thread keeps running the steps the worker hands over with Synchronize.
class TWorkerThread {
public:
    TWorkerThread(const TWorkerThread&) = delete;
    TWorkerThread& operator=(const TWorkerThread&) = delete;

    // Precondition: the body has ended (WaitFor returned) or never started.
    // A derived class whose body may still run when it is destroyed calls
    // StopAndWait() in its own destructor, before its members go away.
    virtual ~TWorkerThread();

    // Starts the body. Throws std::system_error when no thread can be made.
    // After Start, a free-on-terminate object belongs to its own thread:
    // the creator must not touch it again.
    void Start();

    // Precondition: before Start. Runs on the GUI thread after Execute returns.
    void SetOnTerminate(std::function<void()> hook);

    // Sets the terminate flag; the body polls it with Terminated().
    void Terminate() { terminated_.store(true); }
    bool Terminated() const { return terminated_.load(); }
    // The flag itself, for work that polls it without knowing the thread (a
    // measurement run, an FFT engine). It outlives every such use.
    const std::atomic<bool>& TerminateFlag() const { return terminated_; }

    bool FreeOnTerminate() const { return freeOnTerminate_; }

    // Waits until the body and the hook have returned. On the GUI thread,
    // steps handed over meanwhile are run. Preconditions: started, not
    // free-on-terminate, not called from the thread itself.
    void WaitFor();

    bool Finished() const;

    // Terminate, then WaitFor (when started and not free-on-terminate).
    void StopAndWait();

protected:
    explicit TWorkerThread(bool freeOnTerminate);

    // The thread body. Exceptions should be handled inside; one that escapes
    // is swallowed so that the hook and the clean-up still run.
    virtual void Execute() = 0;

    // Runs step on the GUI thread and blocks this thread until it returns.
    void Synchronize(const std::function<void()>& step);

    // Sleeps up to ms milliseconds in short slices, returning early once
    // termination has been requested. Returns Terminated().
    bool SleepUnlessTerminated(int ms);

private:
    void Run();

    const bool freeOnTerminate_;
    std::atomic<bool> terminated_{false};
    std::function<void()> onTerminate_;
    std::thread thread_;
    mutable std::mutex endMutex_;
    std::condition_variable endCondition_;
    bool finished_ = false;
};

}  // namespace Threads
