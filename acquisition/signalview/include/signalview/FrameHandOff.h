#pragma once

#include "signalview/ColumnReduction.h"
#include "signalview/SignalAnalysis.h"

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace signalview {

// One frame of one channel as the view shows it, with its spectrum.
struct TViewFrame {
    std::vector<double> Samples;      // volts; capacity fixed by Prepare, Count used
    std::size_t Count = 0;
    double Rate = 0.0;                // hertz
    std::vector<double> SpectrumDbv;  // Bins used
    std::size_t Bins = 0;
    double BinHertz = 0.0;
    // The extremes per block of Samples and of SpectrumDbv (ColumnReduction.h), made on
    // the view's thread with the analysis so that a redraw need not read every sample.
    std::vector<double> SampleBlockMin, SampleBlockMax;
    std::vector<double> SpectrumBlockMin, SpectrumBlockMax;
    TBlockExtremes SampleBlocks() const { return {SampleBlockMin.data(), SampleBlockMax.data()}; }
    TBlockExtremes SpectrumBlocks() const { return {SpectrumBlockMin.data(), SpectrumBlockMax.data()}; }
    TSignalAnalysis Analysis;
    int Channel = -1;                 // 0 ... 3
    double RangeVolts = 0.0;          // the channel's input range
    std::string Reading;              // the run's reading as the main window shows it
    std::uint64_t Number = 0;         // counts the frames taken since the hand-off was made
};

// Hands the frames of a run to the view without making the run wait for it.
//
// The front end calls Offer in the step that already runs on the GUI thread after
// every frame (the run's thread is blocked there anyway): when the view's thread is
// idle, Offer copies the channel's samples into the incoming frame, allocated by
// Prepare once per run, and wakes the thread, which computes the spectrum, the peak
// and the distortion; when the thread is still busy with an earlier frame, Offer drops
// the frame at once. When the thread is done it calls the notify function (on its
// own thread); the GUI thread then calls Collect, which swaps the finished frame with
// the shown one (no copy) and makes the hand-off ready for the next frame.
// Offer, Prepare, Collect and Shown are for one thread (the GUI thread) only.
class TFrameHandOff {
public:
    // notify: called on the view's thread after each analysed frame; must not block.
    explicit TFrameHandOff(std::function<void()> notify = {});
    ~TFrameHandOff();  // ends and joins the view's thread
    TFrameHandOff(const TFrameHandOff&) = delete;
    TFrameHandOff& operator=(const TFrameHandOff&) = delete;

    // Sizes both frames and the analyser for frames of `samples` samples, once per run
    // (a size that did not change keeps everything). False when memory runs out, the
    // frame is too short for a spectrum, or the view's thread is still at an earlier
    // frame (Prepare never waits; the caller tries again with the next frame).
    bool Prepare(std::size_t samples);
    // The frame size Prepare made room for (0: not prepared).
    std::size_t Capacity() const { return capacity_; }

    // Copies `count` samples (at most Capacity()) and the frame's facts into the incoming
    // frame and starts its analysis. False, with nothing copied, when the view's thread is
    // still at work or the frame does not fit. Never waits and never allocates beyond
    // what the reading text needs.
    bool Offer(const double* samples, std::size_t count, double rate, int channel, double rangeVolts,
               const std::string& reading);
    // True when an analysed frame was swapped into Shown().
    bool Collect();
    const TViewFrame& Shown() const { return shown_; }
    // Frames dropped by Offer because the view's thread was busy.
    std::uint64_t Dropped() const { return dropped_; }

private:
    void ThreadBody();

    std::function<void()> notify_;
    std::size_t capacity_ = 0;
    TViewFrame incoming_;
    TViewFrame shown_;
    TSignalAnalyser analyser_;
    bool busy_ = false;          // GUI side: incoming_ belongs to the view's thread
    std::uint64_t offered_ = 0;
    std::uint64_t dropped_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool job_ = false;           // guarded: a frame waits for analysis
    bool finished_ = false;      // guarded: its analysis is done
    bool quit_ = false;          // guarded
    std::thread thread_;
};

}  // namespace signalview
