#pragma once

#include <cstdint>

// The program's file-version number as four 16-bit parts, fixed by the build.
struct TVersionInfo {
    uint16_t Major;
    uint16_t Minor;
    uint16_t Release;
    uint16_t Build;
};

TVersionInfo ProgramVersion();
