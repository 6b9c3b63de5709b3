#include "scpi/ScpiSession.h"

#include "instrument/Zeb44Tables.h"

#include <cmath>

namespace scpi {

namespace {

// The commands of the instrument, each with its header pattern.
enum class TCommandId {
    Idn, Rst, Cls, Opc, OpcQuery, Wai, Esr, Ese, EseQuery, Stb, Tst,
    SystemError, SystemErrorCount, SystemVersion,
    ConfigureDc, ConfigureAc, ConfigureFrequency,
    MeasureDc, MeasureAc, MeasureFrequency,
    Read, Initiate, Fetch,
    DcRange, DcRangeQuery, AcRange, AcRangeQuery,
    SampleRate, SampleRateQuery,
    Catalog, Select, SelectQuery,
    // CALCulate: the bench-meter functions of each channel.
    NullState, NullStateQuery, NullOffset, NullOffsetQuery,
    AverageWindow, AverageWindowQuery,
    LimitLower, LimitLowerQuery, LimitUpper, LimitUpperQuery, LimitState, LimitStateQuery, LimitFail,
    StatsMinimum, StatsMaximum, StatsAverage, StatsDeviation, StatsPeakToPeak, StatsCount, StatsClear,
};

struct TEntry {
    const char* Pattern;
    TCommandId Id;
};

constexpr TEntry Commands[] = {
    {"*IDN?", TCommandId::Idn},
    {"*RST", TCommandId::Rst},
    {"*CLS", TCommandId::Cls},
    {"*OPC", TCommandId::Opc},
    {"*OPC?", TCommandId::OpcQuery},
    {"*WAI", TCommandId::Wai},
    {"*ESR?", TCommandId::Esr},
    {"*ESE", TCommandId::Ese},
    {"*ESE?", TCommandId::EseQuery},
    {"*STB?", TCommandId::Stb},
    {"*TST?", TCommandId::Tst},
    {"SYSTem:ERRor[:NEXT]?", TCommandId::SystemError},
    {"SYSTem:ERRor:COUNt?", TCommandId::SystemErrorCount},
    {"SYSTem:VERSion?", TCommandId::SystemVersion},
    {"CONFigure[:VOLTage][:DC]", TCommandId::ConfigureDc},
    {"CONFigure:VOLTage:AC", TCommandId::ConfigureAc},
    {"CONFigure:FREQuency", TCommandId::ConfigureFrequency},
    {"MEASure[:VOLTage][:DC]?", TCommandId::MeasureDc},
    {"MEASure:VOLTage:AC?", TCommandId::MeasureAc},
    {"MEASure:FREQuency?", TCommandId::MeasureFrequency},
    {"READ?", TCommandId::Read},
    {"INITiate[:IMMediate]", TCommandId::Initiate},
    {"FETCh?", TCommandId::Fetch},
    {"[SENSe]:VOLTage[:DC]:RANGe[:UPPer]", TCommandId::DcRange},
    {"[SENSe]:VOLTage[:DC]:RANGe[:UPPer]?", TCommandId::DcRangeQuery},
    {"[SENSe]:VOLTage:AC:RANGe[:UPPer]", TCommandId::AcRange},
    {"[SENSe]:VOLTage:AC:RANGe[:UPPer]?", TCommandId::AcRangeQuery},
    {"SAMPle:RATE", TCommandId::SampleRate},
    {"SAMPle:RATE?", TCommandId::SampleRateQuery},
    {"INSTrument:CATalog?", TCommandId::Catalog},
    {"INSTrument[:SELect]", TCommandId::Select},
    {"INSTrument[:SELect]?", TCommandId::SelectQuery},
    {"CALCulate:NULL[:STATe]", TCommandId::NullState},
    {"CALCulate:NULL[:STATe]?", TCommandId::NullStateQuery},
    {"CALCulate:NULL:OFFSet", TCommandId::NullOffset},
    {"CALCulate:NULL:OFFSet?", TCommandId::NullOffsetQuery},
    // COUNt sets the averaging window as WINDow does; COUNt? is the statistics' count.
    {"CALCulate:AVERage:COUNt", TCommandId::AverageWindow},
    {"CALCulate:AVERage:WINDow", TCommandId::AverageWindow},
    {"CALCulate:AVERage:WINDow?", TCommandId::AverageWindowQuery},
    {"CALCulate:LIMit:LOWer[:DATA]", TCommandId::LimitLower},
    {"CALCulate:LIMit:LOWer[:DATA]?", TCommandId::LimitLowerQuery},
    {"CALCulate:LIMit:UPPer[:DATA]", TCommandId::LimitUpper},
    {"CALCulate:LIMit:UPPer[:DATA]?", TCommandId::LimitUpperQuery},
    {"CALCulate:LIMit[:STATe]", TCommandId::LimitState},
    {"CALCulate:LIMit[:STATe]?", TCommandId::LimitStateQuery},
    {"CALCulate:LIMit:FAIL?", TCommandId::LimitFail},
    {"CALCulate:AVERage:MINimum?", TCommandId::StatsMinimum},
    {"CALCulate:AVERage:MAXimum?", TCommandId::StatsMaximum},
    {"CALCulate:AVERage[:AVERage]?", TCommandId::StatsAverage},
    {"CALCulate:AVERage:SDEViation?", TCommandId::StatsDeviation},
    {"CALCulate:AVERage:PTPeak?", TCommandId::StatsPeakToPeak},
    {"CALCulate:AVERage:COUNt?", TCommandId::StatsCount},
    {"CALCulate:AVERage:CLEar", TCommandId::StatsClear},
};

// The SCPI version the command set follows.
constexpr const char* ScpiVersion = "1999.0";
// The answer of a channel whose frame overloaded its range.
constexpr const char* OverloadAnswer = "9.9E37";
// SCPI's not-a-number: a statistic of no readings, a null offset still to be taken.
constexpr const char* NotANumber = "9.91E37";
// SCPI's infinities: the limit of a side without one.
constexpr const char* NoLowerLimit = "-9.9E37";
constexpr const char* NoUpperLimit = "9.9E37";
// Offsets and limits in volts, MINimum and MAXimum: a hundred times the widest range.
constexpr double BenchVoltsBound = 1000.0;

const std::vector<THeaderPattern>& Patterns() {
    static const std::vector<THeaderPattern> patterns = [] {
        std::vector<THeaderPattern> list;
        for (const TEntry& entry : Commands) list.emplace_back(entry.Pattern);
        return list;
    }();
    return patterns;
}

std::optional<TCommandId> Find(const std::vector<std::string>& nodes, bool query) {
    const std::vector<THeaderPattern>& patterns = Patterns();
    for (std::size_t k = 0; k < patterns.size(); ++k)
        if (patterns[k].Matches(nodes, query)) return Commands[k].Id;
    return std::nullopt;
}

// The narrowest range of the table that holds volts; -1 beyond the widest.
int RangeFor(double volts) {
    int best = -1;
    for (int r = 0; r < instrument::RangeCount; ++r) {
        const double full = instrument::InputRanges[r].Volts;
        if (std::fabs(volts) <= full * (1 + 1e-9) && (best < 0 || full < instrument::InputRanges[best].Volts)) best = r;
    }
    return best;
}

TError ParseRange(const std::string& text, int& row) {
    double volts = 0;
    const TError error = ParseNumeric(text, instrument::InputRanges[instrument::RangeCount - 1].Volts,
                                      instrument::InputRanges[0].Volts,
                                      instrument::InputRanges[instrument::DefaultRangeIndex].Volts, volts);
    if (error != TError::None) return error;
    row = RangeFor(volts);
    return row < 0 ? TError::DataOutOfRange : TError::None;
}

// The optional leading numbers and trailing channel list of a measurement command:
// [range[,resolution]][,](@list). The resolution is accepted and ignored (the
// instrument's resolution follows from its range and display patterns).
TError SplitMeasureParameters(const std::vector<std::string>& parameters, std::optional<int>& range,
                              std::optional<std::array<bool, 4>>& channels) {
    std::size_t numbers = parameters.size();
    if (!parameters.empty() && IsChannelList(parameters.back())) {
        std::array<bool, 4> list{};
        const TError error = ParseChannelList(parameters.back(), list);
        if (error != TError::None) return error;
        channels = list;
        --numbers;
    }
    if (numbers > 2) return TError::ParameterNotAllowed;
    for (std::size_t k = 0; k < numbers; ++k)
        if (IsChannelList(parameters[k])) return TError::SyntaxError;
    if (numbers >= 1) {
        int row = 0;
        const TError error = ParseRange(parameters[0], row);
        if (error != TError::None) return error;
        range = row;
    }
    if (numbers == 2) {
        double resolution = 0;
        const TError error = ParseNumeric(parameters[1], 0, 1, 0, resolution);
        if (error != TError::None) return error;
    }
    return TError::None;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

TSession::TSession(TInstrument& instrument, bool readOnly) : instrument_(instrument), readOnly_(readOnly) {}

void TSession::PushError(TError error) {
    if (error == TError::None) return;
    errors_.Push(error);
    esr_ |= static_cast<unsigned>(EventBitOf(error));
}

std::string TSession::ExecuteLine(std::string_view line) {
    std::vector<std::string> texts;
    const TError split = SplitLine(line, texts);
    if (split != TError::None) {
        PushError(split);
        return {};
    }
    std::string answers;
    for (const std::string& text : texts) {
        TCommand command;
        const TError parsed = ParseCommand(text, command);
        if (parsed != TError::None) {
            // The rest of the line is not executed: its commands may depend on this one.
            PushError(parsed);
            break;
        }
        std::string answer;
        const TError error = Execute(command, answer);
        if (error != TError::None) {
            PushError(error);
            continue;
        }
        if (!command.Query) continue;
        if (!answers.empty()) answers += ';';
        answers += answer;
    }
    return answers.empty() ? std::string{} : answers + "\n";
}

TError TSession::Execute(const TCommand& command, std::string& answer) {
    const bool common = command.Nodes.size() == 1 && command.Nodes[0].front() == '*';
    std::optional<TCommandId> id;
    if (!common && !command.Rooted && !path_.empty()) {
        // Relative to the previous command's path (MEAS:VOLT:DC?;AC?), else from the root.
        std::vector<std::string> nodes = path_;
        nodes.insert(nodes.end(), command.Nodes.begin(), command.Nodes.end());
        id = Find(nodes, command.Query);
        if (id) path_.assign(nodes.begin(), nodes.end() - 1);
    }
    if (!id) {
        id = Find(command.Nodes, command.Query);
        if (id && !common) path_.assign(command.Nodes.begin(), command.Nodes.end() - 1);
    }
    if (!id) return TError::UndefinedHeader;

    const std::vector<std::string>& p = command.Parameters;
    auto noParameters = [&] { return p.empty() ? TError::None : TError::ParameterNotAllowed; };
    switch (*id) {
    case TCommandId::Idn:
        answer = IdnAnswer();
        return noParameters();
    case TCommandId::Rst: {
        if (const TError error = noParameters(); error != TError::None) return error;
        scan_ = {};
        sense_ = TSenseFunction::Volts;
        initiated_.reset();
        if (!readOnly_) instrument_.ClearStatistics(module_, {true, true, true, true});
        return ApplySetup(instrument_.InitialSetup(module_));
    }
    case TCommandId::Cls:
        errors_.Clear();
        esr_ = 0;
        return noParameters();
    case TCommandId::Opc:
        esr_ |= static_cast<unsigned>(TEventBit::OperationComplete);
        return noParameters();
    case TCommandId::OpcQuery:
        // Every command has completed when its line's answer is sent.
        answer = "1";
        return noParameters();
    case TCommandId::Wai:
        return noParameters();
    case TCommandId::Esr:
        answer = std::to_string(esr_);
        esr_ = 0;
        return noParameters();
    case TCommandId::Ese: {
        if (p.size() != 1) return p.empty() ? TError::MissingParameter : TError::ParameterNotAllowed;
        double value = 0;
        if (const TError error = ParseNumeric(p[0], 0, 255, 0, value); error != TError::None) return error;
        if (value < 0 || value > 255 || value != std::floor(value)) return TError::DataOutOfRange;
        ese_ = static_cast<unsigned>(value);
        return TError::None;
    }
    case TCommandId::EseQuery:
        answer = std::to_string(ese_);
        return noParameters();
    case TCommandId::Stb:
        answer = std::to_string((errors_.Count() > 0 ? 4u : 0u) | ((esr_ & ese_) != 0 ? 32u : 0u));
        return noParameters();
    case TCommandId::Tst:
        answer = "0";
        return noParameters();
    case TCommandId::SystemError:
        answer = errors_.Pop();
        return noParameters();
    case TCommandId::SystemErrorCount:
        answer = std::to_string(errors_.Count());
        return noParameters();
    case TCommandId::SystemVersion:
        answer = ScpiVersion;
        return noParameters();
    case TCommandId::ConfigureDc:
        return Measure(command, TChannelFunction::Dc, TSenseFunction::Volts, true, answer);
    case TCommandId::ConfigureAc:
        return Measure(command, TChannelFunction::Ac, TSenseFunction::Volts, true, answer);
    case TCommandId::ConfigureFrequency:
        return Measure(command, TChannelFunction::Ac, TSenseFunction::Frequency, true, answer);
    case TCommandId::MeasureDc:
        return Measure(command, TChannelFunction::Dc, TSenseFunction::Volts, false, answer);
    case TCommandId::MeasureAc:
        return Measure(command, TChannelFunction::Ac, TSenseFunction::Volts, false, answer);
    case TCommandId::MeasureFrequency:
        return Measure(command, TChannelFunction::Ac, TSenseFunction::Frequency, false, answer);
    case TCommandId::Read:
        if (const TError error = noParameters(); error != TError::None) return error;
        return Read(instrument_.FrameMark(module_), answer);
    case TCommandId::Initiate:
        if (const TError error = noParameters(); error != TError::None) return error;
        initiated_ = instrument_.FrameMark(module_);
        return TError::None;
    case TCommandId::Fetch:
        if (const TError error = noParameters(); error != TError::None) return error;
        if (!initiated_) return TError::DataStale;
        return Read(*initiated_, answer);
    case TCommandId::DcRange:
    case TCommandId::AcRange: {
        if (p.empty()) return TError::MissingParameter;
        std::optional<int> range;
        std::optional<std::array<bool, 4>> channels;
        if (p.size() > 2 || (p.size() == 2 && !IsChannelList(p[1]))) return TError::ParameterNotAllowed;
        if (IsChannelList(p[0])) return TError::MissingParameter;
        if (const TError error = SplitMeasureParameters(p, range, channels); error != TError::None) return error;
        TModuleSetup setup = instrument_.Setup(module_);
        const std::array<bool, 4> list = channels ? *channels : DefaultChannels(setup);
        for (int c = 0; c < 4; ++c)
            if (list[c]) setup.RangeIndex[c] = *range;
        return ApplySetup(setup);
    }
    case TCommandId::DcRangeQuery:
    case TCommandId::AcRangeQuery: {
        if (p.size() > 1) return TError::ParameterNotAllowed;
        const TModuleSetup setup = instrument_.Setup(module_);
        std::array<bool, 4> list = DefaultChannels(setup);
        if (p.size() == 1) {
            if (!IsChannelList(p[0])) return TError::DataTypeError;
            if (const TError error = ParseChannelList(p[0], list); error != TError::None) return error;
        }
        for (int c = 0; c < 4; ++c) {
            if (!list[c]) continue;
            if (!answer.empty()) answer += ',';
            const int row = instrument::RowOrNone(setup.RangeIndex[c], instrument::RangeCount);
            answer += Nr3(instrument::InputRanges[row < 0 ? instrument::DefaultRangeIndex : row].Volts);
        }
        return TError::None;
    }
    case TCommandId::SampleRate: {
        if (p.size() != 1) return p.empty() ? TError::MissingParameter : TError::ParameterNotAllowed;
        double hertz = 0;
        if (const TError error = ParseNumeric(p[0], instrument::AdcRates.front().Frequency,
                                              instrument::AdcRates.back().Frequency,
                                              instrument::AdcRates[instrument::DefaultAdcRateIndex].Frequency, hertz);
            error != TError::None)
            return error;
        int row = -1;
        for (int r = 0; r < instrument::AdcRateCount; ++r)
            if (std::fabs(instrument::AdcRates[r].Frequency - hertz) <= 0.5) row = r;
        if (row < 0) return TError::DataOutOfRange;
        TModuleSetup setup = instrument_.Setup(module_);
        setup.AdcRateIndex = row;
        return ApplySetup(setup);
    }
    case TCommandId::SampleRateQuery: {
        const int row = instrument::RowOrNone(instrument_.Setup(module_).AdcRateIndex, instrument::AdcRateCount);
        answer = Nr3(instrument::AdcRates[row < 0 ? instrument::DefaultAdcRateIndex : row].Frequency);
        return noParameters();
    }
    case TCommandId::Catalog:
        for (const std::string& name : instrument_.Catalog()) {
            if (!answer.empty()) answer += ',';
            answer += Quoted(name);
        }
        return noParameters();
    case TCommandId::Select: {
        if (p.size() != 1) return p.empty() ? TError::MissingParameter : TError::ParameterNotAllowed;
        std::string name;
        if (const TError error = ParseQuoted(p[0], name); error != TError::None) return error;
        const std::vector<std::string> catalog = instrument_.Catalog();
        for (std::size_t k = 0; k < catalog.size(); ++k) {
            if (catalog[k] != name) continue;
            module_ = k;
            scan_ = {};
            sense_ = TSenseFunction::Volts;
            initiated_.reset();
            return TError::None;
        }
        return TError::IllegalParameterValue;
    }
    case TCommandId::SelectQuery:
        answer = Quoted(instrument_.Catalog().at(module_));
        return noParameters();
    default:
        return Calculate(static_cast<int>(*id), p, answer);
    }
    return TError::UndefinedHeader;
}

TError TSession::Measure(const TCommand& command, std::optional<TChannelFunction> function, TSenseFunction sense,
                         bool configureOnly, std::string& answer) {
    std::optional<int> range;
    std::optional<std::array<bool, 4>> channels;
    if (const TError error = SplitMeasureParameters(command.Parameters, range, channels); error != TError::None)
        return error;
    TModuleSetup setup = instrument_.Setup(module_);
    std::array<bool, 4> list = channels ? *channels : scan_;
    if (list == std::array<bool, 4>{}) list = setup.Enabled;
    if (list == std::array<bool, 4>{}) list[0] = true;  // a module without a channel measures channel 1
    if (function) {
        // The coupling decides what can be measured: AC only gives no DC, own zero no AC.
        if (*function == TChannelFunction::Dc && setup.ConnectionMode == 1) return TError::SettingsConflict;
        if (*function == TChannelFunction::Ac && setup.ConnectionMode == 2) return TError::SettingsConflict;
    }
    if (sense == TSenseFunction::Frequency && !setup.Spectral) return TError::SettingsConflict;
    for (int c = 0; c < 4; ++c) {
        if (!list[c]) continue;
        setup.Enabled[c] = true;
        if (function) setup.Function[c] = *function;
        if (range) setup.RangeIndex[c] = *range;
    }
    if (const TError error = ApplySetup(setup); error != TError::None) return error;
    scan_ = list;
    sense_ = sense;
    initiated_.reset();
    if (configureOnly) return TError::None;
    return Read(instrument_.FrameMark(module_), answer);
}

std::array<bool, 4> TSession::DefaultChannels(const TModuleSetup& setup) const {
    return scan_ != std::array<bool, 4>{} ? scan_ : setup.Enabled;
}

namespace {

// A CALCulate command that changes a setting (the others are queries and CLEar).
bool IsSetting(TCommandId id) {
    switch (id) {
    case TCommandId::NullState:
    case TCommandId::NullOffset:
    case TCommandId::AverageWindow:
    case TCommandId::LimitLower:
    case TCommandId::LimitUpper:
    case TCommandId::LimitState: return true;
    default: return false;
    }
}

TError ParseBenchVolts(const std::string& text, double& volts) {
    if (const TError error = ParseNumeric(text, -BenchVoltsBound, BenchVoltsBound, 0, volts); error != TError::None)
        return error;
    return std::fabs(volts) <= BenchVoltsBound ? TError::None : TError::DataOutOfRange;
}

// A setting command's value into one channel's settings.
TError ChangeBenchSetting(TCommandId id, const std::string& text, readings::TBenchSettings& s) {
    bool on = false;
    double value = 0;
    switch (id) {
    case TCommandId::NullState:
    case TCommandId::LimitState: {
        if (const TError error = ParseBoolean(text, on); error != TError::None) return error;
        if (id == TCommandId::LimitState)
            s.LimitsOn = on;
        else if (!on)
            s.NullMode = readings::TNullMode::Off;
        else if (s.NullMode == readings::TNullMode::Off)  // an offset in force stays
            s.NullMode = readings::TNullMode::NextReading;
        return TError::None;
    }
    case TCommandId::AverageWindow:
        if (const TError error = ParseNumeric(text, readings::MinAverageCount, readings::MaxAverageCount, 1, value);
            error != TError::None)
            return error;
        if (value != std::floor(value) || value < readings::MinAverageCount || value > readings::MaxAverageCount)
            return TError::DataOutOfRange;
        s.AverageCount = static_cast<int>(value);
        return TError::None;
    default:
        if (const TError error = ParseBenchVolts(text, value); error != TError::None) return error;
        if (id == TCommandId::NullOffset) {
            s.NullMode = readings::TNullMode::Volts;
            s.NullVolts = value;
        } else {
            (id == TCommandId::LimitLower ? s.Lower : s.Upper) = value;
        }
        return TError::None;
    }
}

// One channel's answer to a CALCulate query.
std::string BenchAnswer(TCommandId id, const readings::TBenchSettings& s, const readings::TBenchStats& stats) {
    const bool none = stats.Count == 0;
    switch (id) {
    case TCommandId::NullStateQuery: return s.NullMode == readings::TNullMode::Off ? "0" : "1";
    case TCommandId::NullOffsetQuery:
        return s.NullMode == readings::TNullMode::NextReading ? NotANumber : Nr3(s.NullVolts);
    case TCommandId::AverageWindowQuery: return std::to_string(s.AverageCount);
    case TCommandId::LimitLowerQuery: return s.Lower ? Nr3(*s.Lower) : NoLowerLimit;
    case TCommandId::LimitUpperQuery: return s.Upper ? Nr3(*s.Upper) : NoUpperLimit;
    case TCommandId::LimitStateQuery: return s.LimitsOn ? "1" : "0";
    case TCommandId::LimitFail: return stats.Failed() > 0 ? "1" : "0";
    case TCommandId::StatsMinimum: return none ? NotANumber : Nr3(stats.Minimum);
    case TCommandId::StatsMaximum: return none ? NotANumber : Nr3(stats.Maximum);
    case TCommandId::StatsAverage: return none ? NotANumber : Nr3(stats.Mean);
    case TCommandId::StatsDeviation: return none ? NotANumber : Nr3(stats.Deviation);
    case TCommandId::StatsPeakToPeak: return none ? NotANumber : Nr3(stats.PeakToPeak());
    case TCommandId::StatsCount: return Nr3(static_cast<double>(stats.Count));
    default: return {};
    }
}

}  // namespace

// CALCulate: settings take "value[,(@list)]", queries and CLEar "[(@list)]"; the list
// defaults to the scan list, else the enabled channels, as RANGe does.
TError TSession::Calculate(int command, const std::vector<std::string>& p, std::string& answer) {
    const auto id = static_cast<TCommandId>(command);
    const bool setting = IsSetting(id);
    const std::size_t values = setting ? 1 : 0;
    if (setting && (p.empty() || IsChannelList(p[0]))) return TError::MissingParameter;
    if (p.size() > values + 1) return TError::ParameterNotAllowed;
    TModuleSetup setup = instrument_.Setup(module_);
    std::array<bool, 4> list = DefaultChannels(setup);
    if (p.size() == values + 1) {
        if (!IsChannelList(p[values])) return setting ? TError::ParameterNotAllowed : TError::DataTypeError;
        if (const TError error = ParseChannelList(p[values], list); error != TError::None) return error;
    }
    if (id == TCommandId::StatsClear) {
        if (readOnly_) return TError::SettingsConflict;
        instrument_.ClearStatistics(module_, list);
        return TError::None;
    }
    if (setting) {
        for (int c = 0; c < 4; ++c) {
            if (!list[c]) continue;
            readings::TBenchSettings& s = setup.Bench[c];
            if (const TError error = ChangeBenchSetting(id, p[0], s); error != TError::None) return error;
            if (s.Lower && s.Upper && *s.Lower > *s.Upper) return TError::SettingsConflict;
            if (readings::ValidateBenchSettings(s, c)) return TError::DataOutOfRange;
        }
        return ApplySetup(setup);
    }
    const std::array<readings::TBenchStats, 4> stats = instrument_.Statistics(module_);
    for (int c = 0; c < 4; ++c) {
        if (!list[c]) continue;
        if (!answer.empty()) answer += ',';
        answer += BenchAnswer(id, setup.Bench[c], stats[c]);
    }
    return TError::None;
}

TError TSession::ApplySetup(const TModuleSetup& setup) {
    if (setup == instrument_.Setup(module_)) return TError::None;
    if (readOnly_ || !instrument_.Accepts(module_, setup)) return TError::SettingsConflict;
    instrument_.ChangeSetup(module_, setup);
    return TError::None;
}

TError TSession::Read(std::uint64_t mark, std::string& answer) {
    const TModuleSetup setup = instrument_.Setup(module_);
    const std::array<bool, 4> list = scan_ != std::array<bool, 4>{} ? scan_ : setup.Enabled;
    if (list == std::array<bool, 4>{}) return TError::SettingsConflict;
    TFrameValues frame;
    switch (instrument_.WaitFrame(module_, mark, frame)) {
    case TFrameWait::Measured: break;
    case TFrameWait::TimedOut: return TError::HardwareError;
    case TFrameWait::Disconnected: return TError::HardwareMissing;
    }
    std::string values;
    for (int c = 0; c < 4; ++c) {
        if (!list[c]) continue;
        const TChannelValue& channel = frame.Channels[c];
        if (!channel.Present) return TError::SettingsConflict;
        if (sense_ == TSenseFunction::Frequency && frame.Function[c] != TChannelFunction::Ac)
            return TError::SettingsConflict;
        if (!values.empty()) values += ',';
        if (channel.Overload)
            values += OverloadAnswer;
        else
            values += Nr3(sense_ == TSenseFunction::Frequency ? channel.Hertz : channel.Volts);
    }
    answer = values;
    return TError::None;
}

std::string TSession::IdnAnswer() const {
    return "Voltcheck,ZEB44," + instrument_.ModuleSerial(module_) + "," + instrument_.ProgramVersion();
}

}  // namespace scpi
