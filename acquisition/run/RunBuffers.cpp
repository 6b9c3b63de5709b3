#include "run/RunBuffers.h"

#include "run/RunMessages.h"

#include <new>

namespace run {

namespace {

constexpr std::size_t SpareElements = 16;

template <typename T>
bool AllocateArray(std::unique_ptr<T[]>& array, std::size_t count, const char* failure, std::string& message) {
    array.reset(new (std::nothrow) T[count]);
    if (array) return true;
    message = failure;
    return false;
}

}  // namespace

bool TRunBuffers::Allocate(std::uint32_t frameWords, std::uint32_t samplesPerChannel, std::string& message) {
    const std::size_t perChannel = std::size_t{samplesPerChannel} + SpareElements;
    return AllocateArray(rcvBuffer_, frameWords, messages::NoMemoryRcvBuffer, message) &&
           AllocateArray(data_, frameWords, messages::NoMemoryData, message) &&
           AllocateArray(dataPerChannel_, perChannel, messages::NoMemoryDataPerChannel, message) &&
           AllocateArray(window_, perChannel, messages::NoMemoryWindow, message);
}

bool TRunBuffers::AllocateSpectrum(std::uint32_t samplesPerChannel, const std::atomic<bool>* stop,
                                   std::string& message) {
    if (!AllocateArray(fftData_, std::size_t{samplesPerChannel} + SpareElements, messages::NoMemoryFftData, message))
        return false;
    try {
        fft_ = std::make_unique<TREALFFT>(samplesPerChannel, stop);
    } catch (const std::bad_alloc&) {
        message = messages::NoMemoryFft;
        return false;
    }
    return true;
}

void TRunBuffers::Release() {
    fft_.reset();
    fftData_.reset();
    window_.reset();
    dataPerChannel_.reset();
    data_.reset();
    rcvBuffer_.reset();
}

}  // namespace run
