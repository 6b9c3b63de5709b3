#include "rfft/Require.h"

#include <cstdio>
#include <cstdlib>

namespace rfft {

void contract_failed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "rfft: precondition failed: %s (%s:%d)\n", condition, file, line);
    std::abort();
}

} // namespace rfft
