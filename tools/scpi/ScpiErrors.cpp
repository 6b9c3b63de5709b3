#include "scpi/ScpiErrors.h"

namespace scpi {

const char* ErrorText(TError error) {
    switch (error) {
    case TError::None: return "No error";
    case TError::CommandError: return "Command error";
    case TError::InvalidCharacter: return "Invalid character";
    case TError::SyntaxError: return "Syntax error";
    case TError::DataTypeError: return "Data type error";
    case TError::ParameterNotAllowed: return "Parameter not allowed";
    case TError::MissingParameter: return "Missing parameter";
    case TError::UndefinedHeader: return "Undefined header";
    case TError::ExecutionError: return "Execution error";
    case TError::SettingsConflict: return "Settings conflict";
    case TError::DataOutOfRange: return "Data out of range";
    case TError::TooMuchData: return "Too much data";
    case TError::IllegalParameterValue: return "Illegal parameter value";
    case TError::DataStale: return "Data stale";
    case TError::HardwareError: return "Hardware error";
    case TError::HardwareMissing: return "Hardware missing";
    case TError::SystemError: return "System error";
    case TError::QueueOverflow: return "Queue overflow";
    case TError::QueryUnterminated: return "Query UNTERMINATED";
    }
    return "Unknown error";
}

TEventBit EventBitOf(TError error) {
    const int code = static_cast<int>(error);
    if (code <= -100 && code > -200) return TEventBit::CommandError;
    if (code <= -200 && code > -300) return TEventBit::ExecutionError;
    if (code <= -400) return TEventBit::QueryError;
    return TEventBit::DeviceError;
}

void TErrorQueue::Push(TError error) {
    if (error == TError::None) return;
    if (entries_.size() >= Capacity) return;
    if (entries_.size() == Capacity - 1)
        entries_.push_back(TError::QueueOverflow);
    else
        entries_.push_back(error);
}

std::string TErrorQueue::Pop() {
    TError error = TError::None;
    if (!entries_.empty()) {
        error = entries_.front();
        entries_.pop_front();
    }
    return std::to_string(static_cast<int>(error)) + ",\"" + ErrorText(error) + "\"";
}

}  // namespace scpi
