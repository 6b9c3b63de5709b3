#include "signalview/FrameHandOff.h"

#include <algorithm>
#include <new>

namespace signalview {

TFrameHandOff::TFrameHandOff(std::function<void()> notify)
    : notify_(std::move(notify)), thread_([this] { ThreadBody(); }) {}

TFrameHandOff::~TFrameHandOff() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void TFrameHandOff::ThreadBody() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return job_ || quit_; });
        if (quit_) return;
        lock.unlock();
        // Only this thread touches incoming_ and the analyser while job_ is set.
        bool analysed = false;
        try {
            analysed = analyser_.Analyse(incoming_.Samples.data(), incoming_.Rate, incoming_.SpectrumDbv.data(),
                                         incoming_.Analysis);
        } catch (...) {
            analysed = false;
        }
        incoming_.Bins = analysed ? analyser_.Bins() : 0;
        incoming_.BinHertz = analysed ? incoming_.Rate / analyser_.Length() : 0.0;
        ComputeBlockExtremes(incoming_.Samples.data(), incoming_.Count, incoming_.SampleBlockMin.data(),
                             incoming_.SampleBlockMax.data());
        ComputeBlockExtremes(incoming_.SpectrumDbv.data(), incoming_.Bins, incoming_.SpectrumBlockMin.data(),
                             incoming_.SpectrumBlockMax.data());
        lock.lock();
        job_ = false;
        finished_ = true;
        lock.unlock();
        if (notify_) {
            try {
                notify_();
            } catch (...) {
                // The view misses this notice and collects the frame at its next redraw.
            }
        }
        lock.lock();
    }
}

bool TFrameHandOff::Prepare(std::size_t samples) {
    // A frame still under analysis is finished first; Prepare never waits for it.
    Collect();
    if (busy_) return false;
    if (samples == capacity_ && capacity_ != 0) return true;
    capacity_ = 0;
    try {
        for (TViewFrame* frame : {&incoming_, &shown_}) {
            frame->Samples.assign(samples, 0.0);
            frame->Samples.shrink_to_fit();
            frame->SpectrumDbv.assign(samples / 2 + 1, 0.0);
            frame->SpectrumDbv.shrink_to_fit();
            for (auto* blocks : {&frame->SampleBlockMin, &frame->SampleBlockMax}) {
                blocks->assign(BlockCount(samples), 0.0);
                blocks->shrink_to_fit();
            }
            for (auto* blocks : {&frame->SpectrumBlockMin, &frame->SpectrumBlockMax}) {
                blocks->assign(BlockCount(samples / 2 + 1), 0.0);
                blocks->shrink_to_fit();
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    shown_.Count = 0;
    shown_.Bins = 0;
    if (!analyser_.Prepare(samples)) return false;
    capacity_ = samples;
    return true;
}

bool TFrameHandOff::Offer(const double* samples, std::size_t count, double rate, int channel, double rangeVolts,
                          const std::string& reading) {
    if (busy_ || capacity_ == 0 || count > capacity_ || TSignalAnalyser::TransformLength(count) != analyser_.Length()) {
        if (busy_) ++dropped_;
        return false;
    }
    std::copy_n(samples, count, incoming_.Samples.data());
    incoming_.Count = count;
    incoming_.Rate = rate;
    incoming_.Channel = channel;
    incoming_.RangeVolts = rangeVolts;
    incoming_.Reading = reading;
    incoming_.Number = ++offered_;
    busy_ = true;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = true;
    }
    wake_.notify_one();
    return true;
}

bool TFrameHandOff::Collect() {
    if (!busy_) return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!finished_) return false;
        finished_ = false;
    }
    std::swap(incoming_, shown_);
    busy_ = false;
    return true;
}

}  // namespace signalview
