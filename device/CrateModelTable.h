#pragma once

#include <array>
#include <cstdint>

// Crate type code -> crate model text.
struct TCrateModel {
    uint8_t TypeCode;
    const char* Text;
};

inline constexpr std::array<TCrateModel, 6> CrateModelTable{{
    {21, "ZEB-K1"},
    {10, "ZEB-K8"},
    {30, "ZEB-N8"},
    {31, "ZEB-N2"},
    {40, "ZEB-P1"},
    {41, "ZEB-R1"},
}};

// The model text of a crate type code; "UNKNOWN" for a code not in the table.
constexpr const char* CrateModelName(uint8_t typeCode) {
    for (const TCrateModel& model : CrateModelTable)
        if (model.TypeCode == typeCode) return model.Text;
    return "UNKNOWN";
}

// The type code of the ZEB-K1, whose data rate is limited.
inline constexpr uint8_t SlowCrateTypeCode = 21;
