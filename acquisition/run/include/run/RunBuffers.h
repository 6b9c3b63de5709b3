#pragma once

#include "RealFFT/TRealFft.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace run {

// The frame-sized memory of one run, allocated once before the first frame and
// released in one place. Every allocation is non-throwing: a failure gives the
// operator's message, and what was allocated before it stays until Release.
class TRunBuffers {
public:
    TRunBuffers() = default;
    TRunBuffers(const TRunBuffers&) = delete;
    TRunBuffers& operator=(const TRunBuffers&) = delete;

    // RcvBuffer and Data (frameWords each), DataPerChannel and Window (N + 16 each).
    bool Allocate(std::uint32_t frameWords, std::uint32_t samplesPerChannel, std::string& message);
    // The spectral method's FftAdcDataPerChannel (N + 16) and spectrum object of length N,
    // which reads the stop flag.
    bool AllocateSpectrum(std::uint32_t samplesPerChannel, const std::atomic<bool>* stop, std::string& message);
    // Releases everything (each only if present); safe to call again.
    void Release();

    std::uint32_t* RcvBuffer() { return rcvBuffer_.get(); }
    double* Data() { return data_.get(); }
    const double* Data() const { return data_.get(); }
    double* DataPerChannel() { return dataPerChannel_.get(); }
    double* Window() { return window_.get(); }
    double* FftAdcDataPerChannel() { return fftData_.get(); }
    TREALFFT* Fft() { return fft_.get(); }

private:
    std::unique_ptr<std::uint32_t[]> rcvBuffer_;
    std::unique_ptr<double[]> data_;
    std::unique_ptr<double[]> dataPerChannel_;
    std::unique_ptr<double[]> window_;
    std::unique_ptr<double[]> fftData_;
    std::unique_ptr<TREALFFT> fft_;
};

}  // namespace run
