#pragma once

#include <functional>

// Hands steps from worker threads to the GUI thread and runs them there.
//
// A worker queues a step and blocks until the GUI thread has run it. The GUI
// thread runs queued steps from its event loop (a queued call posted with
// every request wakes it), from any place that processes pending events, and
// from WaitForSynchronize, which the thread layer uses while the GUI thread
// waits for a worker to end. The queue and the completion of each call use
// standard mutexes and condition variables; Qt's event queue only carries
// the wake-up.
namespace Threads {

// True on the thread that runs the application's event loop (the thread of
// the QCoreApplication object). Precondition: a QCoreApplication exists.
bool IsGuiThread();

// Runs step on the GUI thread and returns once it has returned. Called on
// the GUI thread, it runs the step directly. An exception thrown by the step
// is carried back and rethrown in the caller.
void Synchronize(const std::function<void()>& step);

// GUI thread: runs every step queued so far. Returns whether any ran.
bool CheckSynchronize();

// GUI thread: blocks for at most timeoutMs or until a step is queued or
// WakeSynchronizeWaiters is called, whichever is first. Does not run steps.
void WaitForSynchronize(int timeoutMs);

// Wakes a GUI thread blocked in WaitForSynchronize (used when a worker ends).
void WakeSynchronizeWaiters();

}  // namespace Threads
