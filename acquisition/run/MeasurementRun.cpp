#include "run/MeasurementRun.h"

#include "RealFFT/AnalysisWindow.h"
#include "instrument/Zeb44Tables.h"
#include "run/RunMessages.h"
#include "run/Throughput.h"

#include <algorithm>

namespace run {

using computation::TChannelStatus;
using computation::TMethod;

TMeasurementRun::TMeasurementRun(ModuleRecord& module, const std::atomic<bool>& stop)
    : module_(module), stop_(stop) {}

void TMeasurementRun::Begin(const TRunSettings& settings) { settings_ = settings; }

TStepResult TMeasurementRun::ConfigureModule(const TModuleParameters& parameters, std::uint64_t memoryLimit) {
    std::string message;
    if (!CheckRunParameters(parameters, message)) return TStepResult::Failure(message);
    if (const std::int32_t s = ZEB44_StopADC(&module_); s != 0)
        return TStepResult::ModuleFailure(s, messages::ConfigureStopAdcFailed);
    if (const std::int32_t s = ZEB44_ClearBuffer(&module_, 1); s != 0)
        return TStepResult::ModuleFailure(s, messages::ConfigureClearBufferFailed);
    geometry_ = TFrameGeometry{};
    AssignChannelSlots(parameters.ChannelEnabled, geometry_);
    WriteModuleConfiguration(module_, parameters);
    if (const std::int32_t s = ZEB44_SetConfig(&module_); s != 0)
        return TStepResult::ModuleFailure(s, messages::SetConfigFailed);
    if (geometry_.ActiveChannels == 0) return TStepResult::Failure(messages::NoActiveChannel);
    const double frequency = instrument::AdcRates[parameters.AdcRateIndex].Frequency;
    if (!ComputeFrameGeometry(frequency, Method(), settings_.MaxAcquisitionTime, memoryLimit, geometry_, message))
        return TStepResult::Failure(message);
    return TStepResult::Done();
}

TStepResult TMeasurementRun::CheckThroughput(std::uint8_t crateTypeCode, std::string_view moduleName) const {
    std::string message;
    if (!run::CheckThroughput(crateTypeCode, moduleName, geometry_.ActiveChannels, geometry_.AdcFrequency, message))
        return TStepResult::Failure(message);
    return TStepResult::Done();
}

TStepResult TMeasurementRun::PrepareBuffers() {
    const std::uint32_t n = geometry_.SamplesPerChannel;
    std::string message;
    if (!buffers_.Allocate(geometry_.FrameWords, n, message)) return TStepResult::Failure(message);
    std::fill_n(buffers_.Window(), n, 0.0);
    if (Method() == TMethod::WeightedSum) {
        // The weighted sum keeps its own copy of the window's coefficients.
        if (!BuildAnalysisWindow(buffers_.Window(), n, &stop_) || StopRequested()) return TStepResult::StoppedByRequest();
        windowSum_ = computation::WindowSum(n);
        return TStepResult::Done();
    }
    if (!buffers_.AllocateSpectrum(n, &stop_, message)) return TStepResult::Failure(message);
    TREALFFT& fft = *buffers_.Fft();
    fft.SetFftLength(n);
    if (!fft.MakeWindow(buffers_.Window(), AnalysisWindowType) || StopRequested())
        return TStepResult::StoppedByRequest();
    const TWindowCoefficients& window = fft.Window();
    windowPower_ = window.Coefs[0] * window.Coefs[0];
    for (std::size_t j = 1; j < window.TermCount; ++j) windowPower_ += window.Coefs[j] * window.Coefs[j] * 0.5;
    return TStepResult::Done();
}

TStepResult TStepResult::ModuleFailure(std::int32_t status, std::string message) {
    switch (status) {
    case ZEB44_ERR_CONNECT:
    case ZEB44_ERR_IO:
    case ZEB44_ERR_PROTOCOL:
    case ZEB44_ERR_NO_MODULE:
    case ZEB44_ERR_NOT_OPEN:
        return Lost(std::move(message));
    default:
        return Failure(std::move(message));
    }
}

TStepResult TMeasurementRun::RestartAdc(const char* startFailed) {
    if (const std::int32_t s = ZEB44_StopADC(&module_); s != 0)
        return TStepResult::ModuleFailure(s, messages::FrameStopFailed);
    if (const std::int32_t s = ZEB44_ClearBuffer(&module_, 1); s != 0)
        return TStepResult::ModuleFailure(s, messages::FrameClearFailed);
    if (const std::int32_t s = ZEB44_StartADC(&module_, 0); s != 0) return TStepResult::ModuleFailure(s, startFailed);
    return TStepResult::Done();
}

TStepResult TMeasurementRun::AcquireFrame() {
    const TStepResult restarted = RestartAdc(messages::FrameStartFailed);
    return restarted.Ok() ? ReceiveFrameWords() : restarted;
}

TStepResult TMeasurementRun::StartStream() { return RestartAdc(messages::StreamStartFailed); }

TStepResult TMeasurementRun::ReceiveStreamFrame() { return ReceiveFrameWords(); }

TStepResult TMeasurementRun::ReceiveFrameWords() {
    const std::uint32_t total = geometry_.FrameWords;
    std::uint32_t block = geometry_.RecvBlockWords;
    std::uint32_t received = 0;
    std::uint32_t* position = buffers_.RcvBuffer();
    for (;;) {
        const std::int32_t r = ZEB44_Recv(&module_, position, nullptr, static_cast<std::int32_t>(block), RecvTimeoutMs);
        if (r < 0) return TStepResult::Lost(messages::RecvFailed);
        if (r == 0) return TStepResult::Lost(messages::RecvNothing);
        if (static_cast<std::uint32_t>(r) != block) return TStepResult::Lost(messages::RecvWrongCount);
        if (std::any_of(position, position + block, [](std::uint32_t w) { return (w & ZEB44_WORD_OVERFLOW) != 0; }))
            return TStepResult::Lost(messages::StreamOverflow);
        received += block;
        if (received >= total) break;
        position += block;
        if (received + block > total) block = total - received;  // the last block is shorter
        if (StopRequested()) return TStepResult::StoppedByRequest();
    }
    return StopRequested() ? TStepResult::StoppedByRequest() : TStepResult::Done();
}

TStepResult TMeasurementRun::ConvertFrame() {
    if (const std::int32_t s = ZEB44_ProcessData(&module_, buffers_.RcvBuffer(), buffers_.Data(),
                                                 static_cast<std::int32_t>(geometry_.FrameWords), 1, 1, overload_.data());
        s != 0)
        return TStepResult::ModuleFailure(s, messages::ConvertFailed);
    return TStepResult::Done();
}

TStepResult TMeasurementRun::ComputeChannels(const std::array<bool, 4>& ticked) {
    results_ = {};
    if (StopRequested()) return TStepResult::StoppedByRequest();
    const std::uint32_t n = geometry_.SamplesPerChannel;
    for (std::size_t c = 0; c < results_.size(); ++c) {
        const std::int16_t slot = geometry_.ChannelSlot[c];
        if (slot < 0 || !ticked[c]) continue;
        // The channel's block of volts is read in place: the window's pass writes the
        // windowed copy, the sums only read.
        const double* block = buffers_.Data() + std::size_t(slot) * n;
        const computation::TChannelMode mode = settings_.ChannelMode[c];
        TChannelStatus status;
        if (Method() == TMethod::Spectral) {
            status = computation::ComputeSpectral(*buffers_.Fft(), block, buffers_.Window(), buffers_.DataPerChannel(),
                                                  buffers_.FftAdcDataPerChannel(), geometry_.AdcFrequency,
                                                  windowPower_, mode, Amplitude(), &stop_, results_[c]);
        } else {
            status = computation::ComputeWeightedSum(block, buffers_.Window(), n, windowSum_, mode, Amplitude(),
                                                     results_[c]);
        }
        if (status == TChannelStatus::NoSignal) return TStepResult::Failure(std::string(computation::NoSignalMessage));
        if (status == TChannelStatus::Stopped || StopRequested()) return TStepResult::StoppedByRequest();
    }
    return TStepResult::Done();
}

TStepResult TMeasurementRun::StopModule() {
    if (const std::int32_t s = ZEB44_StopADC(&module_); s != 0)
        return TStepResult::ModuleFailure(s, messages::CleanupStopFailed);
    if (const std::int32_t s = ZEB44_ClearBuffer(&module_, 1); s != 0)
        return TStepResult::ModuleFailure(s, messages::CleanupClearFailed);
    return TStepResult::Done();
}

void TMeasurementRun::Release() { buffers_.Release(); }

const double* TMeasurementRun::ChannelFrame(int channel) const {
    if (channel < 0 || channel >= 4 || buffers_.Data() == nullptr) return nullptr;
    const std::int16_t slot = geometry_.ChannelSlot[channel];
    if (slot < 0) return nullptr;
    return buffers_.Data() + std::size_t(slot) * geometry_.SamplesPerChannel;
}

}  // namespace run
