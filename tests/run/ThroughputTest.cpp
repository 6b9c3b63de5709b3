// The crate's data-rate limit and the operator's message when a run exceeds it.
#include "run/Throughput.h"

#include "instrument/Zeb44Tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

std::string Exceeded(const std::string& module, const std::string& rate, const std::string& crate,
                     const std::string& limit) {
    return "При выбранных параметрах сбора данных скорость передачи этой информации модулем " + module + " " +
           "составляет " + rate + " Кбайт/с, что превышает маскимально допустимую для крейта " + crate +
           " величину " + limit + " Кбайт/с !!! " +
           "\nРекомендуется либо снизить частоту преобразования АЦП, либо уменьшить кол-во активных каналов!!!";
}

constexpr std::uint8_t K1 = 21;
const double F52083 = instrument::AdcRates[23].Frequency;
const double F78125 = instrument::AdcRates[24].Frequency;

struct Case {
    const char* name;
    std::uint8_t crate;
    std::uint32_t channels;
    double frequency;
    const char* rate;   // nullptr: passes
    const char* model;
    const char* limit;
};

TEST(ThroughputTest, LimitsAndMessages) {
    const Case cases[] = {
        {"ZEB-K1, four channels at 52083 Hz", K1, 4, F52083, "833.3", "ZEB-K1", "800.0"},
        {"ZEB-K1, three channels at 52083 Hz", K1, 3, F52083, nullptr, "", ""},
        {"ZEB-K1, three channels at 78125 Hz", K1, 3, F78125, "937.5", "ZEB-K1", "800.0"},
        {"ZEB-K1, two channels at 78125 Hz", K1, 2, F78125, nullptr, "", ""},
        {"ZEB-K8, four at 78125 Hz", 10, 4, F78125, nullptr, "", ""},
        {"ZEB-N8, four at 78125 Hz", 30, 4, F78125, nullptr, "", ""},
        {"ZEB-N2, four at 78125 Hz", 31, 4, F78125, nullptr, "", ""},
        {"ZEB-P1, four at 78125 Hz", 40, 4, F78125, nullptr, "", ""},
        {"ZEB-R1, four at 78125 Hz", 41, 4, F78125, nullptr, "", ""},
        {"unknown crate, four at 78125 Hz", 0, 4, F78125, nullptr, "", ""},
        {"unknown crate above 2000", 99, 4, 125001.0, "2000.0", "UNKNOWN", "2000.0"},
        {"ZEB-K8 above 2000", 10, 1, 500100.0, "2000.4", "ZEB-K8", "2000.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string message = "untouched";
        const bool passes = run::CheckThroughput(c.crate, "ZEB44-M", c.channels, c.frequency, message);
        if (c.rate == nullptr) {
            EXPECT_TRUE(passes);
            EXPECT_EQ(message, "untouched");
        } else {
            EXPECT_FALSE(passes);
            EXPECT_EQ(message, Exceeded("ZEB44-M", c.rate, c.model, c.limit));
        }
    }
}

TEST(ThroughputTest, ARateEqualToTheLimitPasses) {
    struct Boundary {
        std::uint8_t crate;
        std::uint32_t channels;
        double frequency;
        double limit;
    };
    for (const Boundary& b : {Boundary{K1, 4, 50000.0, 800.0}, Boundary{K1, 1, 200000.0, 800.0},
                              Boundary{10, 4, 125000.0, 2000.0}}) {
        ASSERT_EQ(run::DataRateKBps(b.channels, b.frequency), b.limit);  // exactly on the limit
        std::string message;
        EXPECT_TRUE(run::CheckThroughput(b.crate, "M", b.channels, b.frequency, message)) << message;
        // The next representable rate above it is refused.
        const double above = std::nextafter(b.frequency, 1e9);
        ASSERT_GT(run::DataRateKBps(b.channels, above), b.limit);
        EXPECT_FALSE(run::CheckThroughput(b.crate, "M", b.channels, above, message));
    }
}

TEST(ThroughputTest, RateIsFourBytesPerWord) {
    EXPECT_DOUBLE_EQ(run::DataRateKBps(4, F52083), 833.3333333333328);
    EXPECT_DOUBLE_EQ(run::DataRateKBps(3, F78125), 937.5);
    EXPECT_DOUBLE_EQ(run::DataRateKBps(1, instrument::AdcRates[0].Frequency), 13.88888888888888);
}

}  // namespace
