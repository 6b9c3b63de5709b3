#pragma once

// The instrument's constant tables: the ZEB44's input ranges and ADC rates and
// the crate models with the data rate each can carry. The window's lists, the
// settings defaults, the module configuration, the run and the tests all take
// them from here. The client library and the crate server keep their own copy
// of the module's side, as hardware would; a test checks the two agree.

#include <array>
#include <cstdint>
#include <string_view>

namespace instrument {

inline constexpr int ChannelCount = 4;

// One input range: full scale in volts, the module's range code, and the
// decimals its values show by default (volts and hertz alike are shown as
// millivolts and kilohertz with these many decimals).
struct TInputRange {
    double Volts;
    std::uint16_t RangeCode;
    std::uint16_t DefaultDcPrecision;
    std::uint16_t DefaultAcPrecision;
    std::uint16_t DefaultFrPrecision;
};

inline constexpr int RangeCount = 6;
// By range index (the item index of every range list and range key).
inline constexpr std::array<TInputRange, RangeCount> InputRanges{{
    {10.0, 4, 2, 2, 5},
    {3.0, 5, 2, 2, 5},
    {1.0, 0, 2, 2, 5},
    {0.3, 1, 2, 2, 5},
    {0.1, 2, 2, 2, 5},
    {0.03, 3, 2, 2, 5},
}};
// The range a missing setting (or a list without selection) stands for: the widest.
inline constexpr int DefaultRangeIndex = 0;

// One ADC conversion rate: frequency in hertz, 384-divider flag, divisor.
struct TAdcRate {
    double Frequency;
    std::uint8_t Divider384;
    std::uint8_t Divisor;
};

inline constexpr int AdcRateCount = 25;
// By ADC rate index (the item index of the rate list and the module's rate field).
inline constexpr std::array<TAdcRate, AdcRateCount> AdcRates{{
    {3472.22222222222, 1, 15}, {3720.2380952381, 1, 14},  {4006.41025641026, 1, 13},
    {4340.27777777778, 1, 12}, {4734.84848484848, 1, 11}, {5208.33333333333, 0, 15},
    {5580.35714285714, 0, 14}, {5787.03703703704, 1, 9},  {6009.61538461538, 0, 13},
    {6510.41666666667, 0, 12}, {7102.27272727273, 0, 11}, {7440.47619047619, 1, 7},
    {7812.5, 0, 10},           {8680.55555555556, 0, 9},  {9765.625, 0, 8},
    {10416.6666666667, 1, 5},  {11160.7142857143, 0, 7},  {13020.8333333333, 0, 6},
    {15625, 0, 5},             {17361.1111111111, 1, 3},  {19531.25, 0, 4},
    {26041.6666666667, 0, 3},  {39062.49, 0, 2},          {52083.3333333333, 1, 1},
    {78125, 0, 1},
}};
// The rate a missing setting (or a list without selection) stands for: 78125 Hz.
inline constexpr int DefaultAdcRateIndex = 24;

// Connection modes of the module's inputs (item index of the connection list).
inline constexpr int ConnectionModeCount = 3;  // 0 AC and DC, 1 AC only, 2 the module's own zero

// Crate type code -> crate model text and the data rate the crate carries.
struct TCrateModel {
    std::uint8_t TypeCode;
    const char* Text;
    double ThroughputLimitKBps;  // kilobytes (1000 bytes) per second
};

inline constexpr std::array<TCrateModel, 6> CrateModels{{
    {21, "ZEB-K1", 800.0},
    {10, "ZEB-K8", 2000.0},
    {30, "ZEB-N8", 2000.0},
    {31, "ZEB-N2", 2000.0},
    {40, "ZEB-P1", 2000.0},
    {41, "ZEB-R1", 2000.0},
}};
inline constexpr const char* UnknownCrateModel = "UNKNOWN";
inline constexpr double DefaultThroughputLimitKBps = 2000.0;
// The type code of the ZEB-K1, the crate whose data rate is limited.
inline constexpr std::uint8_t SlowCrateTypeCode = 21;

// The model text of a crate type code; "UNKNOWN" for a code not in the table.
constexpr const char* CrateModelName(std::uint8_t typeCode) {
    for (const TCrateModel& model : CrateModels)
        if (model.TypeCode == typeCode) return model.Text;
    return UnknownCrateModel;
}

// The data rate a crate of that type carries, in kilobytes per second.
constexpr double CrateThroughputLimit(std::uint8_t typeCode) {
    for (const TCrateModel& model : CrateModels)
        if (model.TypeCode == typeCode) return model.ThroughputLimitKBps;
    return DefaultThroughputLimitKBps;
}

// The index itself when it selects a row of a table of `count` rows, else -1.
constexpr int RowOrNone(int index, int count) { return index >= 0 && index < count ? index : -1; }

}  // namespace instrument
