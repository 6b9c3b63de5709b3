#pragma once

#include "scpi/ScpiErrors.h"
#include "scpi/ScpiInstrument.h"
#include "scpi/ScpiParser.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scpi {

// What READ? and FETCh? answer for the scan list.
enum class TSenseFunction { Volts, Frequency };

// The SCPI state of one client (its error queue, event registers, selected module,
// scan list and initiated mark) over the shared instrument.
class TSession {
public:
    // readOnly: commands that would change a module's parameters are refused with -221
    // (as are parameters the module cannot run with).
    TSession(TInstrument& instrument, bool readOnly);

    // Executes one line (without its '\n'): its commands in order, each error into the
    // queue. The answers of its queries joined with ';' and ended with '\n', or "" when
    // the line holds no query (or none answered).
    std::string ExecuteLine(std::string_view line);

    // An error found outside a line (a line too long for the server): into the queue.
    void PushError(TError error);

    std::size_t SelectedModule() const { return module_; }

private:
    TError Execute(const TCommand& command, std::string& answer);
    TError Measure(const TCommand& command, std::optional<TChannelFunction> function, TSenseFunction sense,
                   bool configureOnly, std::string& answer);
    TError Read(std::uint64_t mark, std::string& answer);
    TError ApplySetup(const TModuleSetup& setup);
    TError Calculate(int id, const std::vector<std::string>& parameters, std::string& answer);
    std::array<bool, 4> DefaultChannels(const TModuleSetup& setup) const;
    std::string IdnAnswer() const;

    TInstrument& instrument_;
    const bool readOnly_;
    std::size_t module_ = 0;
    TErrorQueue errors_;
    unsigned esr_ = 0;
    unsigned ese_ = 0;
    std::array<bool, 4> scan_{};  // empty: every enabled channel
    TSenseFunction sense_ = TSenseFunction::Volts;
    std::optional<std::uint64_t> initiated_;
    std::vector<std::string> path_;  // the previous command's nodes before its last
};

}  // namespace scpi
