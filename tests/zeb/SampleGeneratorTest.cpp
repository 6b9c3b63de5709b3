// zebsim's stream words: generated in pieces that start anywhere within a sample, they
// are the words of one piece, for every channel layout.
#include "SampleGenerator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(SampleGenerator, PiecesStartingAnywhereGiveTheWordsOfOnePiece) {
    zebsim::Module module;
    module.ownNoiseRms = 0;
    module.channels[0].dc = 1.25;
    module.channels[1].amplitude = 0.5;
    module.channels[1].frequency = 1000;
    module.channels[2].dc = -0.7;
    module.channels[3].dc = 0.3;
    for (const std::array<std::uint8_t, 4>& enabled : std::vector<std::array<std::uint8_t, 4>>{
             {1, 0, 0, 0}, {0, 1, 0, 1}, {1, 1, 0, 1}, {0, 1, 1, 1}, {1, 1, 1, 1}}) {
        zebwire::ModuleConfig config;
        config.enabled = enabled;
        zebsim::SampleGenerator whole(module, config, 0.25, 7);
        std::vector<std::uint32_t> expected;
        whole.generate(0, 1000, expected);
        ASSERT_EQ(expected.size(), 1000u);

        zebsim::SampleGenerator pieces(module, config, 0.25, 7);
        std::vector<std::uint32_t> got;
        for (const std::uint64_t end : {1, 2, 7, 8, 333, 334, 998, 1000}) pieces.generate(got.size(), end, got);
        EXPECT_EQ(got, expected) << int(enabled[0]) << int(enabled[1]) << int(enabled[2]) << int(enabled[3]);
    }
}

}  // namespace
