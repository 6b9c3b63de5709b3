// The frame of a run: samples per channel, words per frame and per receive call,
// the acquisition-time label, and the refusals before any buffer is sized.
#include "run/FrameGeometry.h"

#include "FormatFloat/FormatFloat.h"
#include "instrument/Zeb44Tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

using computation::TMethod;
using run::TFrameGeometry;

constexpr std::uint64_t NoMemoryLimit = std::numeric_limits<std::uint64_t>::max();
constexpr double F78125 = 78125.0;

// Channels 1 ... count enabled.
TFrameGeometry WithChannels(int count) {
    TFrameGeometry g;
    run::AssignChannelSlots({count > 0, count > 1, count > 2, count > 3}, g);
    return g;
}

struct GeometryCase {
    const char* name;
    int channels;
    double frequency;
    TMethod method;
    double maxTime;
    std::uint32_t samples;
    std::uint32_t recvBlockWords;
    const char* label;  // FormatFloat("0.0", N x 1000 / F)
};

const GeometryCase GeometryCases[] = {
    {"spectral, one channel, 1 s", 1, F78125, TMethod::Spectral, 1.0, 131072, 7812, "1677.7"},
    {"weighted sum, 0.5 s truncated", 1, F78125, TMethod::WeightedSum, 0.5, 39062, 7812, "500.0"},
    {"spectral, four channels capped", 4, F78125, TMethod::Spectral, 1e6, 1u << 20, 31250, "13421.8"},
    {"spectral, three channels capped", 3, F78125, TMethod::Spectral, 1e6, 1u << 21, 23437, "26843.5"},
    {"spectral, two channels capped", 2, F78125, TMethod::Spectral, 1e6, 1u << 22, 15625, "53687.1"},
    {"spectral, one channel capped", 1, F78125, TMethod::Spectral, 1e6, 1u << 24, 7812, "214748.4"},
    {"spectral, just above a power of two", 1, F78125, TMethod::Spectral, 65537.0 / F78125, 131072, 7812, "1677.7"},
    {"spectral, exactly a power of two", 1, F78125, TMethod::Spectral, 65536.0 / F78125, 65536, 7812, "838.9"},
    {"100 ms block at the slowest rate", 1, instrument::AdcRates[0].Frequency, TMethod::WeightedSum, 1.0, 3472, 347,
     "999.9"},
    {"frame smaller than a block", 1, F78125, TMethod::WeightedSum, 0.01, 781, 781, "10.0"},
    {"two-channel frame smaller than a block", 2, F78125, TMethod::WeightedSum, 0.01, 781, 1562, "10.0"},
    {"spectral frame smaller than a block", 3, F78125, TMethod::Spectral, 0.001, 128, 384, "1.6"},
    {"one sample", 1, F78125, TMethod::WeightedSum, 1.0 / F78125, 1, 1, "0.0"},
    {"weighted sum up to the largest frame", 1, 16.0, TMethod::WeightedSum, 2147483647.0 / 16.0, 2147483647u, 1,
     "134217727937.5"},
};

TEST(FrameGeometryTest, Examples) {
    for (const GeometryCase& c : GeometryCases) {
        SCOPED_TRACE(c.name);
        TFrameGeometry g = WithChannels(c.channels);
        std::string message;
        ASSERT_TRUE(run::ComputeFrameGeometry(c.frequency, c.method, c.maxTime, NoMemoryLimit, g, message)) << message;
        EXPECT_EQ(g.AdcFrequency, c.frequency);
        EXPECT_EQ(g.ActiveChannels, static_cast<std::uint32_t>(c.channels));
        EXPECT_EQ(g.SamplesPerChannel, c.samples);
        EXPECT_EQ(g.FrameWords, c.samples * static_cast<std::uint32_t>(c.channels));
        EXPECT_EQ(g.RecvBlockWords, c.recvBlockWords);
        EXPECT_DOUBLE_EQ(g.FrameMilliseconds(), c.samples * 1000.0 / c.frequency);
        EXPECT_EQ(FormatFloat("0.0", g.FrameMilliseconds()), c.label);
    }
}

TEST(FrameGeometryTest, ChannelSlotsFollowTheChannelOrder) {
    struct Case {
        std::array<bool, 4> enabled;
        std::array<std::int16_t, 4> slots;
        std::uint32_t active;
    };
    for (const Case& c : {Case{{false, true, false, true}, {-1, 0, -1, 1}, 2},
                          Case{{true, false, true, true}, {0, -1, 1, 2}, 3},
                          Case{{false, false, false, false}, {-1, -1, -1, -1}, 0},
                          Case{{true, true, true, true}, {0, 1, 2, 3}, 4}}) {
        TFrameGeometry g;
        g.ChannelSlot = {7, 7, 7, 7};
        g.ActiveChannels = 9;
        run::AssignChannelSlots(c.enabled, g);
        EXPECT_EQ(g.ChannelSlot, c.slots);
        EXPECT_EQ(g.ActiveChannels, c.active);
    }
}

struct RefusalCase {
    const char* name;
    int channels;
    double frequency;
    TMethod method;
    double maxTime;
    std::uint64_t memoryLimit;
    const char* message;
};

const std::string BadTime = "Недопустимое максимальное время сбора кадра: ";
const std::string BadTimeEnd = " с!\nВремя сбора кадра должно быть конечным числом больше 0.";
const std::string Smaller = "Уменьшите время сбора кадра или частоту АЦП.";

TEST(FrameGeometryTest, Refusals) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::uint64_t oneChannelSecond = run::RunMemoryBytes(131072, 1, true);
    const std::string cases[][2] = {
        {"zero", BadTime + "0" + BadTimeEnd},
        {"negative", BadTime + "-0.5" + BadTimeEnd},
        {"nan", BadTime + "nan" + BadTimeEnd},
        {"inf", BadTime + "inf" + BadTimeEnd},
        {"-inf", BadTime + "-inf" + BadTimeEnd},
        {"below one sample", "Максимальное время сбора кадра 1e-05 с меньше периода АЦП: кадр не содержит ни одного "
                             "отсчёта!\nВремя сбора кадра должно быть не меньше 1.28e-05 с."},
        {"one channel above 2^31-1 words",
         "Максимальное время сбора кадра 134217728 с слишком велико: кадр из 2147483648 отсчётов на канал больше "
         "допустимых 2147483647 отсчётов на канал!\n" + Smaller},
        {"four channels above 2^31-1 words",
         "Максимальное время сбора кадра 7000 с слишком велико: кадр из 546875000 отсчётов на канал больше "
         "допустимых 536870911 отсчётов на канал!\n" + Smaller},
        {"memory, spectral", "Максимальное время сбора кадра 1 с слишком велико: буферам кадра нужно 8 МБ памяти, а "
                             "допустимо не больше 7 МБ (половина памяти компьютера)!\n" + Smaller},
        {"memory, weighted sum", "Максимальное время сбора кадра 100 с слишком велико: буферам кадра нужно 299 МБ "
                                 "памяти, а допустимо не больше 64 МБ (половина памяти компьютера)!\n" + Smaller},
    };
    const RefusalCase refusals[] = {
        {"zero", 1, F78125, TMethod::Spectral, 0.0, NoMemoryLimit, nullptr},
        {"negative", 1, F78125, TMethod::WeightedSum, -0.5, NoMemoryLimit, nullptr},
        {"nan", 1, F78125, TMethod::Spectral, nan, NoMemoryLimit, nullptr},
        {"inf", 2, F78125, TMethod::WeightedSum, inf, NoMemoryLimit, nullptr},
        {"-inf", 1, F78125, TMethod::Spectral, -inf, NoMemoryLimit, nullptr},
        {"below one sample", 1, F78125, TMethod::WeightedSum, 1e-5, NoMemoryLimit, nullptr},
        {"one channel above 2^31-1 words", 1, 16.0, TMethod::WeightedSum, 134217728.0, NoMemoryLimit, nullptr},
        {"four channels above 2^31-1 words", 4, F78125, TMethod::WeightedSum, 7000.0, NoMemoryLimit, nullptr},
        {"memory, spectral", 1, F78125, TMethod::Spectral, 1.0, oneChannelSecond - 1, nullptr},
        {"memory, weighted sum", 2, F78125, TMethod::WeightedSum, 100.0, 64u << 20, nullptr},
    };
    static_assert(std::size(cases) == std::size(refusals));
    for (std::size_t i = 0; i < std::size(refusals); ++i) {
        const RefusalCase& c = refusals[i];
        ASSERT_EQ(cases[i][0], c.name);
        SCOPED_TRACE(c.name);
        TFrameGeometry g = WithChannels(c.channels);
        const TFrameGeometry before = g;
        std::string message;
        EXPECT_FALSE(run::ComputeFrameGeometry(c.frequency, c.method, c.maxTime, c.memoryLimit, g, message));
        EXPECT_EQ(message, cases[i][1]);
        EXPECT_EQ(g.SamplesPerChannel, before.SamplesPerChannel);  // nothing of the frame is set
        EXPECT_EQ(g.FrameWords, before.FrameWords);
        EXPECT_EQ(g.RecvBlockWords, before.RecvBlockWords);
    }
}

TEST(FrameGeometryTest, TheMemoryLimitIsInclusive) {
    const std::uint64_t need = run::RunMemoryBytes(131072, 1, true);
    TFrameGeometry g = WithChannels(1);
    std::string message;
    EXPECT_TRUE(run::ComputeFrameGeometry(F78125, TMethod::Spectral, 1.0, need, g, message)) << message;
    EXPECT_EQ(g.SamplesPerChannel, 131072u);
}

TEST(FrameGeometryTest, RunMemoryCoversEveryBuffer) {
    struct Case {
        std::uint64_t n;
        std::uint32_t channels;
        bool spectral;
    };
    for (const Case& c : {Case{131072, 1, true}, Case{1u << 20, 4, true}, Case{39062, 3, false}, Case{1, 1, false}}) {
        const std::uint64_t words = c.n * c.channels;
        const std::uint64_t perChannel = (c.n + 16) * 8;
        // RcvBuffer, Data, DataPerChannel and Window; with spectral FftAdcDataPerChannel too.
        const std::uint64_t buffers = words * 4 + words * 8 + perChannel * (c.spectral ? 3 : 2);
        const std::uint64_t bytes = run::RunMemoryBytes(c.n, c.channels, c.spectral);
        // The engine's tables: work buffer and bit reversal (N each), cosine table (N / 2).
        const std::uint64_t engine = c.spectral ? c.n * 8 + c.n * sizeof(long) + c.n / 2 * 8 : 0;
        EXPECT_EQ(bytes, buffers + engine) << c.n;
    }
    EXPECT_GT(run::RunMemoryLimit(), 0u);
}

}  // namespace
