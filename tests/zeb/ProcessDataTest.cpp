// ZEB44_ProcessData: channel blocks, volts and overload bytes for every set
// of enabled channels and every range, and its answer to malformed words.
#include "ZebTestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace zebtest;

class ProcessData : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = startServer(singleModuleScenario()).release(); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        server_->exportPort();
        ASSERT_EQ(openTestModule(rec_.get()), ZEB44_OK);
    }
    void configure(unsigned mask, std::array<std::uint8_t, 4> ranges) {
        writeConfig(rec_.m, {mask, ranges, 3, Coupling::Dc});
        ASSERT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_OK);
    }

    static ZebsimProcess* server_;
    Record rec_;
};
ZebsimProcess* ProcessData::server_ = nullptr;

// A code per channel and sample that tells them apart, full scale included.
std::int32_t codeFor(int channel, int sample) {
    if (sample == 0) return 8388607;
    if (sample == 1) return -8388607;
    return (channel + 1) * 1000003 * (sample % 2 ? -1 : 1) + sample;
}

TEST_F(ProcessData, BlocksVoltsAndOverloadsForEveryChannelSetAndRange) {
    constexpr int n = 7;
    for (unsigned mask = 1; mask <= 0xF; ++mask) {
        for (std::uint8_t range = 0; range < 6; ++range) {
            // Channel c uses range (range + c) % 6, so every channel meets every range.
            std::array<std::uint8_t, 4> ranges{};
            for (int c = 0; c < 4; ++c) ranges[c] = static_cast<std::uint8_t>((range + c) % 6);
            configure(mask, ranges);
            std::vector<int> order;
            for (int c = 0; c < 4; ++c)
                if (mask & (1u << c)) order.push_back(c);
            const int active = static_cast<int>(order.size());
            // The last enabled channel overloads at sample 3 when the range is odd.
            const int overloaded = (range % 2) ? order.back() : -1;
            std::vector<std::uint32_t> words;
            for (int i = 0; i < n; ++i)
                for (int c : order) words.push_back(word(c, codeFor(c, i), c == overloaded && i == 3));
            std::vector<double> volts(words.size(), -999.0);
            std::uint8_t overload[4] = {7, 7, 7, 7};
            ASSERT_EQ(ZEB44_ProcessData(rec_.get(), words.data(), volts.data(), static_cast<std::int32_t>(words.size()),
                                        1, 1, overload),
                      ZEB44_OK);
            for (int k = 0; k < active; ++k) {
                const int c = order[static_cast<std::size_t>(k)];
                for (int i = 0; i < n; ++i)
                    ASSERT_DOUBLE_EQ(volts[static_cast<std::size_t>(k * n + i)],
                                     codeFor(c, i) / 8388607.0 * rangeVolts(ranges[static_cast<std::size_t>(c)]))
                        << "mask " << mask << " range " << int(range) << " channel " << c << " sample " << i;
            }
            for (int c = 0; c < 4; ++c) EXPECT_EQ(overload[c], c == overloaded ? 1 : 0) << mask << " " << c;
        }
    }
}

// The conversion word by word, the plain way, as the reference of the fast one.
std::int32_t referenceProcess(const std::vector<int>& order, const std::array<double, 4>& fullScale,
                              const std::vector<std::uint32_t>& words, std::vector<double>& volts,
                              std::array<std::uint8_t, 4>& overload) {
    overload = {};
    std::array<std::uint8_t, 4> flags{};
    const std::size_t active = order.size();
    const std::size_t n = words.size() / active;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::uint32_t w = words[i];
        const int c = order[i % active];
        if ((w >> 28) != 0xAu || (w & (1u << 27)) != 0 || static_cast<int>((w >> 24) & 3u) != c)
            return ZEB44_ERR_PROTOCOL;
        const std::int32_t raw = static_cast<std::int32_t>(w & 0xFFFFFFu);
        const std::int32_t code = (raw & 0x800000) != 0 ? raw - 0x1000000 : raw;
        volts[(i % active) * n + i / active] = static_cast<double>(code) * fullScale[static_cast<std::size_t>(c)] / 8388607;
        if ((w & (1u << 26)) != 0) flags[static_cast<std::size_t>(c)] = 1;
    }
    overload = flags;
    return ZEB44_OK;
}

TEST_F(ProcessData, MatchesThePlainConversionBitForBit) {
    enum class Where { First, Middle, Last };
    struct Change {
        const char* what;
        Where where;
        std::uint32_t clear;  // bits taken off the word, then
        std::uint32_t set;    // bits put on
        bool channelShift;    // the word names the next channel instead
    };
    const Change changes[] = {
        {"none", Where::Last, 0, 0, false},
        {"overload on the first word", Where::First, 0, 1u << 26, false},
        {"overload on the last word", Where::Last, 0, 1u << 26, false},
        {"wrong tag first", Where::First, 0xF0000000u, 0x50000000u, false},
        {"wrong tag in the middle", Where::Middle, 0xF0000000u, 0xB0000000u, false},
        {"wrong tag last", Where::Last, 0xF0000000u, 0x20000000u, false},
        {"overflow mark in the middle", Where::Middle, 0, 1u << 27, false},
        {"overflow mark last", Where::Last, 0, 1u << 27, false},
        {"channel out of order in the middle", Where::Middle, 0, 0, true},
        {"channel out of order last", Where::Last, 0, 0, true},
    };
    const std::size_t sampleCounts[] = {1, 2, 3, 64, 1001};
    std::mt19937 random(5);
    std::uniform_int_distribution<std::int32_t> anyCode(-8388607, 8388607);
    for (unsigned mask = 1; mask <= 0xF; ++mask) {
        const std::array<std::uint8_t, 4> ranges{static_cast<std::uint8_t>(mask % 6), 1, 4, 5};
        configure(mask, ranges);
        std::vector<int> order;
        std::array<double, 4> fullScale{};
        for (int c = 0; c < 4; ++c) {
            if (mask & (1u << c)) order.push_back(c);
            fullScale[static_cast<std::size_t>(c)] = rangeVolts(ranges[static_cast<std::size_t>(c)]);
        }
        for (const std::size_t samples : sampleCounts) {
            for (const Change& change : changes) {
                std::vector<std::uint32_t> words;
                for (std::size_t i = 0; i < samples; ++i)
                    for (int c : order) {
                        const std::int32_t code = i == 0 ? 8388607 : i == 1 ? -8388607 : anyCode(random);
                        words.push_back(word(c, code));
                    }
                const std::size_t at = change.where == Where::First ? 0
                                       : change.where == Where::Middle ? words.size() / 2
                                                                       : words.size() - 1;
                words[at] = (words[at] & ~change.clear) | change.set;
                if (change.channelShift && order.size() == 1)
                    words[at] ^= 1u << 24;  // any other channel is out of order
                else if (change.channelShift)
                    words[at] = (words[at] & ~(3u << 24)) |
                                (static_cast<std::uint32_t>(order[(at + 1) % order.size()]) << 24);
                std::vector<double> expected(words.size(), 0.0);
                std::array<std::uint8_t, 4> expectedOverload{};
                const std::int32_t expectedStatus = referenceProcess(order, fullScale, words, expected, expectedOverload);
                std::vector<double> volts(words.size(), -999.0);
                std::uint8_t overload[4] = {7, 7, 7, 7};
                const std::int32_t status = ZEB44_ProcessData(rec_.get(), words.data(), volts.data(),
                                                              static_cast<std::int32_t>(words.size()), 1, 1, overload);
                const std::string where =
                    "mask " + std::to_string(mask) + ", " + std::to_string(samples) + " samples, " + change.what;
                ASSERT_EQ(status, expectedStatus) << where;
                EXPECT_EQ(std::vector<std::uint8_t>(overload, overload + 4),
                          std::vector<std::uint8_t>(expectedOverload.begin(), expectedOverload.end()))
                    << where;
                if (status == ZEB44_OK) {
                    ASSERT_EQ(std::memcmp(volts.data(), expected.data(), volts.size() * sizeof(double)), 0) << where;
                }
            }
        }
    }
}

TEST_F(ProcessData, UsesTheConfigurationTheModuleAccepted) {
    configure(0x1, {4, 4, 4, 4});  // 10 V
    writeConfig(rec_.m, {0x3, {0, 0, 0, 0}, 3, Coupling::Dc});  // written but not sent
    const std::uint32_t w = word(0, 8388607);
    double v = 0;
    std::uint8_t overload[4];
    ASSERT_EQ(ZEB44_ProcessData(rec_.get(), &w, &v, 1, 1, 1, overload), ZEB44_OK);
    EXPECT_DOUBLE_EQ(v, 10.0);
    // It stays usable after the record is closed.
    ASSERT_EQ(ZEB44_Close(rec_.get()), ZEB44_OK);
    ASSERT_EQ(ZEB44_ProcessData(rec_.get(), &w, &v, 1, 1, 1, overload), ZEB44_OK);
}

TEST_F(ProcessData, RefusesMalformedWordsAndArguments) {
    configure(0x5, {0, 0, 0, 0});  // channels 1 and 3
    std::vector<double> v(8);
    std::uint8_t overload[4];
    struct Case {
        const char* what;
        std::vector<std::uint32_t> words;
        std::int32_t status;
    };
    const Case cases[] = {
        {"good", {word(0, 1), word(2, 2, true), word(0, 3), word(2, 4)}, ZEB44_OK},
        {"count not a multiple of the channels", {word(0, 1), word(2, 2), word(0, 3)}, ZEB44_ERR_ARGUMENT},
        {"channels swapped", {word(2, 1), word(0, 2)}, ZEB44_ERR_PROTOCOL},
        {"disabled channel", {word(0, 1), word(1, 2)}, ZEB44_ERR_PROTOCOL},
        {"no tag", {0x00000001u, word(2, 2)}, ZEB44_ERR_PROTOCOL},
        {"reserved bit", {word(0, 1) | (1u << 27), word(2, 2)}, ZEB44_ERR_PROTOCOL},
        {"all ones", {0xFFFFFFFFu, 0xFFFFFFFFu}, ZEB44_ERR_PROTOCOL},
    };
    for (const auto& c : cases) {
        std::fill(std::begin(overload), std::end(overload), 7);
        EXPECT_EQ(ZEB44_ProcessData(rec_.get(), c.words.data(), v.data(), static_cast<std::int32_t>(c.words.size()), 1,
                                    1, overload),
                  c.status)
            << c.what;
        EXPECT_EQ(overload[0], 0) << c.what;
        EXPECT_EQ(overload[2], c.status == ZEB44_OK ? 1 : 0) << c.what;
    }
    const std::uint32_t w[2] = {word(0, 1), word(2, 2)};
    EXPECT_EQ(ZEB44_ProcessData(rec_.get(), w, v.data(), 2, 0, 1, overload), ZEB44_ERR_ARGUMENT);
    EXPECT_EQ(ZEB44_ProcessData(rec_.get(), w, v.data(), 2, 1, 2, overload), ZEB44_ERR_ARGUMENT);
    EXPECT_EQ(ZEB44_ProcessData(rec_.get(), w, v.data(), -2, 1, 1, overload), ZEB44_ERR_ARGUMENT);
    EXPECT_EQ(ZEB44_ProcessData(rec_.get(), nullptr, v.data(), 2, 1, 1, overload), ZEB44_ERR_ARGUMENT);
    EXPECT_EQ(ZEB44_ProcessData(rec_.get(), w, nullptr, 2, 1, 1, overload), ZEB44_ERR_ARGUMENT);
    EXPECT_EQ(ZEB44_ProcessData(rec_.get(), w, v.data(), 2, 1, 1, nullptr), ZEB44_ERR_ARGUMENT);
    EXPECT_EQ(ZEB44_ProcessData(rec_.get(), w, v.data(), 0, 1, 1, overload), ZEB44_OK);
}

TEST_F(ProcessData, RefusesAConfigurationWithoutChannels) {
    configure(0x0, {0, 0, 0, 0});  // the module takes it; there is nothing to convert
    const std::uint32_t w = word(0, 1);
    double v = 0;
    std::uint8_t overload[4];
    EXPECT_EQ(ZEB44_ProcessData(rec_.get(), &w, &v, 1, 1, 1, overload), ZEB44_ERR_ARGUMENT);
}

}  // namespace
