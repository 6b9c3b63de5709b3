#pragma once

#include "acquisition/AcquisitionWindow.h"
#include "run/ChannelDisplay.h"
#include "run/MeasurementRun.h"

#include <array>

// A frame of a run as the window showed it: the run (its last frame's results,
// overloads and samples), the channels ticked when it was shown, and each
// channel's reading in the patterns the run started with, and the patterns.
struct TShownFrame {
    const run::TMeasurementRun& Run;
    std::array<bool, 4> Ticked;
    std::array<run::TChannelDisplay, 4> Displays;
    const run::TDisplayPatterns& Patterns;  // the patterns the run started with
};

// What follows the window's runs frame by frame (the channel display, the reading
// log, the signal view). Called on the GUI thread while the acquisition thread
// waits, so a subscriber takes what it needs and returns.
class TRunSubscriber {
public:
    virtual void RunStarted() {}
    virtual void FrameShown(const TShownFrame& frame) = 0;
    virtual void RunEnded() {}
    // The run lost its module and waits for it (auto-resume on); called again after
    // every failed try with the next try's time.
    virtual void LinkLost(const TLinkLoss& /*loss*/) {}
    // The first frame after a loss is done; its values follow with FrameShown.
    virtual void LinkResumed(const TLinkLoss& /*loss*/) {}

protected:
    ~TRunSubscriber() = default;
};
