// The conversion behind ZEB44_ProcessData: sample words of an interleaved stream
// into volts in channel blocks, with the word checks and the overload bits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zeb44 {

// The enabled channels in stream order: channel[k] (0 ... 3) is the k-th word of
// every sample instant, fullScale[k] its range's full scale in volts.
struct TWordLayout {
    int active = 0;  // 1 ... 4
    int channel[4] = {};
    double fullScale[4] = {};
};

// groups sample instants of layout.active words each: the k-th enabled channel's
// volts go to destination[k * groups ...], code / 8388607 x full scale as
// zebwire::codeToVolts gives them. overloadBits[c] becomes 1 when a word of channel c
// carries the overload bit (else 0). False when a word has no tag, carries the
// overflow mark or stands out of channel order; destination and overloadBits are
// then undefined.
bool ConvertWords(const TWordLayout& layout, const std::uint32_t* source, double* destination, std::size_t groups,
                  std::uint8_t overloadBits[4]);

}  // namespace zeb44
