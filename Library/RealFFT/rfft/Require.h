#pragma once

// Contract checks of the FFT engine. They stay active in release builds: a broken
// precondition is a programming error, and a wrong spectrum must never be shown.

namespace rfft {

[[noreturn]] void contract_failed(const char* condition, const char* file, int line);

} // namespace rfft

#define RFFT_REQUIRE(cond, text) \
    ((cond) ? static_cast<void>(0) : ::rfft::contract_failed(text, __FILE__, __LINE__))
