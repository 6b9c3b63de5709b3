#include "run/ChannelDisplay.h"

#include "FormatFloat/FormatFloat.h"

namespace run {

TChannelDisplay MakeChannelDisplay(bool ticked, computation::TChannelMode mode, computation::TMethod method,
                                   int rangeIndex, const computation::TChannelResult& result, bool overload,
                                   const TDisplayPatterns& patterns) {
    TChannelDisplay display;
    display.Overload = overload;
    display.Value = DashesText;
    display.Frequency = DashesText;
    if (!ticked) return display;
    int r = instrument::RowOrNone(rangeIndex, instrument::RangeCount);
    if (r < 0) r = instrument::DefaultRangeIndex;
    if (mode == computation::TChannelMode::Dc) {
        display.Kind = TChannelDisplay::TKind::Dc;
        display.Value = FormatFloat(patterns.Dc[r], result.DcValue * 1000.0);
        return display;
    }
    display.Value = FormatFloat(patterns.Ac[r], result.AcValue * 1000.0);
    if (method == computation::TMethod::Spectral) {
        display.Kind = TChannelDisplay::TKind::AcWithFrequency;
        display.Frequency = FormatFloat(patterns.Fr[r], result.Frequency * 0.001);
    } else {
        display.Kind = TChannelDisplay::TKind::AcOnly;
    }
    return display;
}

}  // namespace run
