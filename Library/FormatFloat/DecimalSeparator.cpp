#include "FormatFloat/DecimalSeparator.h"

#include <atomic>

namespace {
std::atomic<char> separator{'.'};
}

char DecimalSeparator() { return separator.load(); }
void SetDecimalSeparator(char value) { separator.store(value); }
