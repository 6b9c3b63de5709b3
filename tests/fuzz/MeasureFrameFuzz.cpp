// libFuzzer target for the frame reader of voltcheck-measure: any bytes either read as
// a frame of finite samples, one per 8 bytes, or are refused with a reason.
#include "FrameReader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<double> samples;
    std::string error;
    const bool read = DecodeFrame(std::span<const unsigned char>(data, size), "fuzz.bin", samples, error);
    if (!read) {
        Check(!error.empty());
        return 0;
    }
    Check(error.empty());
    Check(size > 0 && size % 8 == 0 && samples.size() == size / 8);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        Check(std::isfinite(samples[i]));
        // Little-endian doubles, bit for bit (the machines it runs on are little-endian).
        Check(std::memcmp(&samples[i], data + 8 * i, 8) == 0);
    }
    return 0;
}
