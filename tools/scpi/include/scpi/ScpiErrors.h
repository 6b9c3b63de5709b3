#pragma once

#include <cstddef>
#include <deque>
#include <string>

namespace scpi {

// The standard SCPI error numbers the instrument reports (SYSTem:ERRor?).
enum class TError : int {
    None = 0,
    CommandError = -100,
    InvalidCharacter = -101,
    SyntaxError = -102,
    DataTypeError = -104,
    ParameterNotAllowed = -108,
    MissingParameter = -109,
    UndefinedHeader = -113,
    ExecutionError = -200,
    SettingsConflict = -221,
    DataOutOfRange = -222,
    TooMuchData = -223,
    IllegalParameterValue = -224,
    DataStale = -230,
    HardwareError = -240,
    HardwareMissing = -241,
    SystemError = -310,
    QueueOverflow = -350,
    QueryUnterminated = -420,
};

// The standard text of an error ("Undefined header").
const char* ErrorText(TError error);

// Bits of the standard event status register (*ESR?).
enum class TEventBit : unsigned {
    OperationComplete = 1u << 0,
    QueryError = 1u << 2,
    DeviceError = 1u << 3,
    ExecutionError = 1u << 4,
    CommandError = 1u << 5,
};

// The event bit an error sets: -1xx command, -2xx execution, -3xx device, -4xx query.
TEventBit EventBitOf(TError error);

// The error queue of one client: first in, first out, at most Capacity entries; when
// full its last entry becomes -350 "Queue overflow" and later errors are dropped.
class TErrorQueue {
public:
    static constexpr std::size_t Capacity = 20;

    void Push(TError error);
    // The oldest entry as SYSTem:ERRor? answers it: -113,"Undefined header"; 0,"No error" when empty.
    std::string Pop();
    std::size_t Count() const { return entries_.size(); }
    void Clear() { entries_.clear(); }

private:
    std::deque<TError> entries_;
};

}  // namespace scpi
