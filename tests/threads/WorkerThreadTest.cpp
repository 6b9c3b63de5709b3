#include "Threads/Synchronizer.h"
#include "Threads/WorkerThread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Processes events on the GUI thread until done() or 5 s have passed.
bool PumpUntil(const std::function<bool()>& done) {
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (Clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A worker whose body is given by the test.
class TBodyThread : public Threads::TWorkerThread {
public:
    TBodyThread(bool freeOnTerminate, std::function<void(TBodyThread&)> body,
                std::atomic<bool>* destroyed = nullptr)
        : TWorkerThread(freeOnTerminate), body_(std::move(body)), destroyed_(destroyed) {}
    ~TBodyThread() override {
        StopAndWait();  // the body uses body_: stop it before the members go
        if (destroyed_ != nullptr) destroyed_->store(true);
    }
    using TWorkerThread::SleepUnlessTerminated;
    using TWorkerThread::Synchronize;

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(TBodyThread&)> body_;
    std::atomic<bool>* destroyed_;
};

TEST(Synchronize, RunsTheStepOnTheGuiThreadAndBlocksTheWorkerUntilItReturns) {
    const std::thread::id gui = std::this_thread::get_id();
    std::thread::id ranOn;
    bool stepReturned = false;
    bool workerSawReturn = false;
    TBodyThread thread(false, [&](TBodyThread& self) {
        self.Synchronize([&] {
            ranOn = std::this_thread::get_id();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            stepReturned = true;
        });
        workerSawReturn = stepReturned;  // written by the GUI thread before Synchronize returned
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(ranOn, gui);
    EXPECT_TRUE(workerSawReturn);
}

TEST(Synchronize, IsServedByTheEventLoopAsWellAsByWaitFor) {
    std::atomic<int> served{0};
    std::atomic<bool> bodyDone{false};
    TBodyThread thread(false, [&](TBodyThread& self) {
        for (int i = 0; i < 20; ++i) self.Synchronize([&] { served.fetch_add(1); });
        bodyDone = true;
        self.SleepUnlessTerminated(5000);
    });
    thread.Start();
    // Only the event loop serves here: WaitFor is not called until the body is done.
    ASSERT_TRUE(PumpUntil([&] { return bodyDone.load(); }));
    EXPECT_EQ(served.load(), 20);
    thread.Terminate();
    thread.WaitFor();
}

TEST(Synchronize, CalledOnTheGuiThreadRunsDirectly) {
    int depth = 0;
    Threads::Synchronize([&] { depth = 1; });
    EXPECT_EQ(depth, 1);  // ran before Synchronize returned, without an event loop
    EXPECT_TRUE(Threads::IsGuiThread());
}

TEST(Synchronize, CarriesAnExceptionOfTheStepBackToTheWorker) {
    std::string caught;
    TBodyThread thread(false, [&](TBodyThread& self) {
        try {
            self.Synchronize([] { throw std::runtime_error("step failed"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(caught, "step failed");
}

TEST(TerminationHook, RunsOnTheGuiThreadAfterTheBodyReturned) {
    const std::thread::id gui = std::this_thread::get_id();
    std::atomic<bool> bodyDone{false};
    std::thread::id hookThread;
    bool bodyDoneAtHook = false;
    TBodyThread thread(false, [&](TBodyThread&) { bodyDone = true; });
    thread.SetOnTerminate([&] {
        hookThread = std::this_thread::get_id();
        bodyDoneAtHook = bodyDone.load();
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(hookThread, gui);
    EXPECT_TRUE(bodyDoneAtHook);
    EXPECT_TRUE(thread.Finished());
}

TEST(TerminationHook, RunsEvenWhenTheBodyThrows) {
    bool hookRan = false;
    TBodyThread thread(false, [](TBodyThread&) { throw std::logic_error("escaped"); });
    thread.SetOnTerminate([&] { hookRan = true; });
    thread.Start();
    thread.WaitFor();
    EXPECT_TRUE(hookRan);
}

TEST(FreeOnTerminate, TheObjectDeletesItselfAfterItsHook) {
    std::atomic<bool> destroyed{false};
    bool hookRan = false;
    bool destroyedAtHook = true;
    auto* thread = new TBodyThread(true, [](TBodyThread&) {}, &destroyed);
    thread->SetOnTerminate([&] {
        hookRan = true;
        destroyedAtHook = destroyed.load();
    });
    thread->Start();
    thread = nullptr;  // owned by its own thread now
    ASSERT_TRUE(PumpUntil([&] { return destroyed.load(); }));
    EXPECT_TRUE(hookRan);
    EXPECT_FALSE(destroyedAtHook);
}

TEST(Terminate, EndsASleepingBodyEarly) {
    TBodyThread thread(false, [](TBodyThread& self) { self.SleepUnlessTerminated(60000); });
    thread.Start();
    const auto start = Clock::now();
    thread.Terminate();
    thread.WaitFor();
    EXPECT_TRUE(thread.Terminated());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

// The GUI thread stops a worker that keeps handing it calls: WaitFor must
// serve them (and the hook), or both threads would wait for each other.
TEST(Stop, WhileTheWorkerHandsCallsToTheGuiThreadDoesNotDeadlock) {
    for (int round = 0; round < 20; ++round) {
        std::atomic<int> served{0};
        bool hookRan = false;
        TBodyThread thread(false, [&](TBodyThread& self) {
            while (!self.Terminated()) self.Synchronize([&] { served.fetch_add(1); });
            // One more call after the stop request, as a run's clean-up does.
            self.Synchronize([&] { served.fetch_add(1); });
        });
        thread.SetOnTerminate([&] { hookRan = true; });
        thread.Start();
        ASSERT_TRUE(PumpUntil([&] { return served.load() >= 3; }));
        thread.Terminate();
        thread.WaitFor();
        EXPECT_TRUE(hookRan);
        EXPECT_TRUE(thread.Finished());
    }
}

TEST(Stop, DestroyingARunningThreadTerminatesAndWaits) {
    std::atomic<bool> ended{false};
    {
        TBodyThread thread(false, [&](TBodyThread& self) {
            while (!self.Terminated()) self.Synchronize([] {});
            ended = true;
        });
        thread.Start();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(ended.load());
}

}  // namespace
