#pragma once

#include "readings/ReadingFormat.h"
#include "run/ChannelDisplay.h"
#include "run/MeasurementRun.h"
#include "run/ModuleConfiguration.h"
#include "run/RunLoop.h"

#include "zeb44api.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace serve {

// The parameters a served module measures with: the module's and the run's, how its
// frames are taken, and each channel's null, averaging and limits.
struct TServedSetup {
    run::TModuleParameters Parameters;
    run::TRunSettings Settings;
    run::TFrameStep FrameStep = run::TFrameStep::RestartPerFrame;
    std::array<readings::TBenchSettings, 4> Bench{};
};

// What opening a module gives beside the open record.
struct TOpenedInfo {
    std::uint8_t CrateTypeCode = 0;
    std::string ModuleName;
    std::string Serial;
    std::uint32_t Firmware = 0;
};

// Opens the module at crate/slot into the record; false with a message (record closed).
using TModuleOpener =
    std::function<bool(const std::string& crate, int slot, ModuleRecord& module, TOpenedInfo& info, std::string& error)>;
// Closes an open record.
using TModuleCloser = std::function<void(ModuleRecord& module)>;

// Where a served module stands.
enum class TLink {
    Opening,    // not yet open since serving began
    Measuring,  // open, its run measuring
    Lost,       // it stopped answering or would not open; opened again every RetryPeriod
    Halted,     // its run failed in a way a retry does not mend (a rate its crate does not
                // carry, a refused setting); closed until the next change of setup
};

// One measured frame of a served module.
struct TServedFrame {
    std::uint64_t Count = 0;    // frames measured since serving began, this one included
    std::uint64_t Started = 0;  // the number of the acquisition that measured it (see FrameMark)
    std::uint64_t Generation = 0;
    readings::TColumns Columns;
    readings::TReading Reading;  // Reading.Frame == Count
    run::TRunSettings Settings;  // of the run that measured it
    std::array<run::TChannelDisplay, 4> Displays;
};

// A copy of a served module's state at one moment.
struct TModuleSnapshot {
    std::string Crate;
    int Slot = 0;
    std::string Serial;  // "" until the module has opened once
    TLink Link = TLink::Opening;
    std::string Message;  // the last failure of a run or an open, "" after a frame
    std::uint64_t Frames = 0;
    std::optional<TServedFrame> Last;
    std::array<readings::TBenchSettings, 4> Bench{};  // in force (a null on the next reading resolved)
    std::array<readings::TBenchStats, 4> Stats{};     // of the shown readings since they were last cleared
};

// How a wait for a frame ended.
enum class TWaitEnd { Measured, TimedOut, Lost };

// Wakes those who follow several modules (the event stream) on any frame or change of link.
class TChangeSignal {
public:
    void Notify();
    // Waits until the count differs from seen or timeout passes; the current count.
    std::uint64_t Wait(std::uint64_t seen, std::chrono::milliseconds timeout);
    std::uint64_t Count() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t count_ = 0;
};

// One module served without end: its own thread opens it, runs run::RunMeasurement
// with the served setup over and over (a new run after every change of setup). A run
// that lost the module (run::TFailureCause::ModuleLost) closes it and opens it again by
// crate serial and slot every RetryPeriod until Stop, as `measure --reconnect` does;
// any other failure would only repeat, so the module halts until its setup changes.
// Every method is safe from any thread.
class TServedModule {
public:
    static constexpr std::chrono::seconds RetryPeriod{2};

    TServedModule(std::string crate, int slot, const TServedSetup& setup, const run::TDisplayPatterns& patterns,
                  TModuleOpener opener, TModuleCloser closer, TChangeSignal& changes);
    ~TServedModule();  // Stop()
    TServedModule(const TServedModule&) = delete;
    TServedModule& operator=(const TServedModule&) = delete;

    void Start();
    // Ends the run as STOP does (module stopped, buffer cleared), closes the module,
    // wakes every waiter and joins the thread. Idempotent.
    void Stop();
    // Wakes the waiters and ends the run without joining (the first half of Stop, so
    // that several modules stop at once).
    void RequestStop();

    TServedSetup Setup() const;
    TServedSetup InitialSetup() const { return initial_; }
    // Whether the module's crate carries the data rate of setup (true before the
    // module has opened once: its crate is not known yet); else false with the
    // operator's message.
    bool Carries(const TServedSetup& setup, std::string& message) const;
    // The run in progress ends and a new one starts with setup; no later wait gives a
    // frame of the old setup. A change of the bench settings alone leaves the run
    // going. Every channel whose settings change (all of them when the run's do) has
    // its average restarted and its statistics cleared: they describe the readings
    // of one setup.
    void ChangeSetup(const TServedSetup& setup);
    // Clears the statistics of the listed channels and restarts their averages.
    void ClearStatistics(const std::array<bool, 4>& channels);

    // The number of the last acquisition started: a frame measured after "now" has a
    // greater Started. From one stream, a frame's acquisition starts where the one
    // before it ended, so a frame still being converted does not count as after "now".
    std::uint64_t FrameMark() const;
    // Waits for a frame of the current setup whose acquisition started after mark,
    // at most three frame durations (at least 2 s each) and 5 s more.
    TWaitEnd WaitFrame(std::uint64_t mark, TServedFrame& frame) const;

    TModuleSnapshot Snapshot() const;
    const std::string& Crate() const { return crate_; }
    int Slot() const { return slot_; }

private:
    class TObserver;
    void Serve();
    void SetLink(TLink link, const std::string& message);

    const std::string crate_;
    const int slot_;
    const TServedSetup initial_;
    const run::TDisplayPatterns patterns_;
    const TModuleOpener opener_;
    const TModuleCloser closer_;
    TChangeSignal& changes_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    TServedSetup setup_;
    std::uint64_t generation_ = 0;  // counts the changes of setup
    std::uint64_t started_ = 0;
    std::uint64_t frames_ = 0;
    TLink link_ = TLink::Opening;
    std::string message_;
    std::string serial_;
    std::optional<TOpenedInfo> opened_;  // of the last open
    std::optional<TServedFrame> last_;
    readings::TBenchChannels bench_;  // each frame of the current setup passes through them
    bool stopping_ = false;

    std::atomic<bool> runStop_{false};  // ends the run in progress (a change of setup, Stop)
    std::thread thread_;
};

// The module as the API and the event stream give it: the JSON object of
// `measure --format jsonl` with "crate", "slot", "module" (its serial) and
// "connected" before "time" (time and frame null before the first frame), and
// "display": per channel the window's texts.
std::string ModuleJson(const TModuleSnapshot& snapshot);

}  // namespace serve
