// The wire code shared by the libraries and zebsim: framing under malformed
// and split input, the sample word, the rate table and configuration checks.
#include "protocol/AdcWord.h"
#include "protocol/Messages.h"
#include "protocol/Wire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace zebwire;

std::vector<std::uint8_t> header(std::uint32_t magic, std::uint16_t type, std::uint16_t reserved, std::uint32_t length) {
    std::vector<std::uint8_t> h;
    putU32(h, magic);
    putU16(h, type);
    putU16(h, reserved);
    putU32(h, length);
    return h;
}

TEST(FrameParser, ReassemblesFramesFedByteByByte) {
    const std::vector<std::uint8_t> body{1, 2, 3, 4, 5};
    auto bytes = encodeFrame(7, body);
    const auto second = encodeReply(MsgType::StopAdc, kErrRefused);
    bytes.insert(bytes.end(), second.begin(), second.end());
    FrameParser parser(kMaxReplyPayload);
    std::vector<Frame> frames;
    for (auto b : bytes) {
        parser.feed(std::span(&b, 1));
        while (auto f = parser.next()) frames.push_back(*f);
    }
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].type, 7);
    EXPECT_EQ(frames[0].payload, body);
    EXPECT_EQ(frames[1].type, static_cast<std::uint16_t>(MsgType::StopAdc) | kReplyBit);
    ASSERT_EQ(frames[1].payload.size(), 4u);
    EXPECT_EQ(getI32(frames[1].payload.data()), kErrRefused);
    EXPECT_FALSE(parser.failed());
}

TEST(FrameParser, RejectsMalformedHeadersForGood) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"bad magic", header(0x12345678u, 1, 0, 0)},
        {"reserved field set", header(kMagic, 1, 1, 0)},
        {"length above the bound", header(kMagic, 1, 0, kMaxRequestPayload + 1)},
        {"huge length", header(kMagic, 1, 0, 0xFFFFFFFFu)},
        {"text", std::vector<std::uint8_t>{'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '/', '1'}},
    };
    for (const auto& c : cases) {
        FrameParser parser(kMaxRequestPayload);
        parser.feed(c.bytes);
        EXPECT_FALSE(parser.next().has_value()) << c.what;
        EXPECT_TRUE(parser.failed()) << c.what;
        // A good frame after the damage is not accepted: the stream cannot resynchronise.
        parser.feed(encodeFrame(1, {}));
        EXPECT_FALSE(parser.next().has_value()) << c.what;
    }
}

TEST(FrameParser, WaitsForAnIncompletePayloadWithinTheBound) {
    FrameParser parser(kMaxRequestPayload);
    parser.feed(header(kMagic, 17, 0, kMaxRequestPayload));
    const std::vector<std::uint8_t> part(kMaxRequestPayload - 1, 0);
    parser.feed(part);
    EXPECT_FALSE(parser.next().has_value());
    EXPECT_FALSE(parser.failed());
    const std::uint8_t last = 9;
    parser.feed(std::span(&last, 1));
    const auto f = parser.next();
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(f->payload.size(), kMaxRequestPayload);
    EXPECT_EQ(f->payload.back(), 9);
}

TEST(FrameParser, ReadsFramesReceivedInPlaceAndReusesItsBuffer) {
    // Frames of every size up to the bound arrive in pieces of many lengths,
    // straight into the parser's room; each is read in place, unchanged, and
    // the buffer holding the room neither grows nor moves.
    std::vector<std::uint8_t> stream;
    std::vector<std::vector<std::uint8_t>> sent;
    for (std::size_t size : {kMaxServerPayload, std::size_t{0}, std::size_t{4}, kMaxServerPayload, std::size_t{37},
                             kMaxServerPayload - 4, kMaxServerPayload}) {
        std::vector<std::uint8_t> payload(size);
        for (std::size_t i = 0; i < size; ++i) payload[i] = static_cast<std::uint8_t>(i * 7 + sent.size());
        const auto frame = encodeFrame(0x0100, payload);
        stream.insert(stream.end(), frame.begin(), frame.end());
        sent.push_back(std::move(payload));
    }
    FrameParser parser(kMaxServerPayload);
    std::vector<std::vector<std::uint8_t>> got;
    const std::uint8_t* bufferEnd = nullptr;
    std::size_t offset = 0;
    for (std::size_t piece = 1; offset < stream.size(); piece = piece * 3 + 1) {
        const auto room = parser.receiveSpace();
        ASSERT_GE(room.size(), kHeaderSize + kMaxServerPayload);
        if (bufferEnd == nullptr) bufferEnd = room.data() + room.size();
        EXPECT_EQ(room.data() + room.size(), bufferEnd) << "the buffer moved after " << got.size() << " frames";
        const std::size_t n = std::min({piece % room.size(), room.size(), stream.size() - offset});
        std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(offset), n, room.begin());
        parser.received(n);
        offset += n;
        while (auto f = parser.nextView()) {
            EXPECT_EQ(f->type, 0x0100);
            got.emplace_back(f->payload.begin(), f->payload.end());
        }
        ASSERT_FALSE(parser.failed());
    }
    EXPECT_EQ(got, sent);
    EXPECT_EQ(parser.buffered(), 0u);

    // A length above the bound fails for good, received in place as when fed.
    const auto bad = header(kMagic, 0x0100, 0, kMaxServerPayload + 4);
    std::copy(bad.begin(), bad.end(), parser.receiveSpace().begin());
    parser.received(bad.size());
    EXPECT_FALSE(parser.nextView().has_value());
    EXPECT_TRUE(parser.failed());
    parser.reset();  // a new connection on the same parser starts clean
    EXPECT_FALSE(parser.failed());
    EXPECT_EQ(parser.buffered(), 0u);
}

TEST(Framing, EncodingIntoAReusedBufferGivesTheSameBytesInPlace) {
    const std::vector<std::uint8_t> config(kConfigPayload, 3);
    const std::vector<std::uint8_t> mode{1, 0, 0, 0};
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + kMaxRequestPayload);
    const std::uint8_t* const storage = out.data();
    encodeFrameInto(out, 17, config);
    EXPECT_EQ(out, encodeFrame(17, config));
    encodeFrameInto(out, 19, {});
    EXPECT_EQ(out, encodeFrame(19, {}));
    encodeFrameInto(out, 20, mode);
    EXPECT_EQ(out, encodeFrame(20, mode));
    EXPECT_EQ(out.data(), storage);
}

TEST(AdcWord, RoundTripsCodesChannelsAndOverload) {
    const std::int32_t codes[] = {0, 1, -1, kFullScaleCode, -kFullScaleCode, 123456, -654321};
    for (int ch = 0; ch < 4; ++ch)
        for (auto code : codes)
            for (bool ovl : {false, true}) {
                const auto d = unpackWord(packWord(ch, code, ovl));
                ASSERT_TRUE(d.has_value());
                EXPECT_EQ(d->channel, ch);
                EXPECT_EQ(d->code, code);
                EXPECT_EQ(d->overload, ovl);
            }
    EXPECT_FALSE(unpackWord(0x00000000u).has_value());
    EXPECT_FALSE(unpackWord(0xFFFFFFFFu).has_value());  // reserved bit set
    EXPECT_FALSE(unpackWord(0x5A000000u).has_value());
}

TEST(AdcWord, ScalesAndClipsToTheRange) {
    bool ovl = false;
    EXPECT_EQ(voltsToCode(0.5, 1.0, ovl), 4194304);
    EXPECT_FALSE(ovl);
    EXPECT_EQ(voltsToCode(1.0, 1.0, ovl), kFullScaleCode);
    EXPECT_FALSE(ovl);
    EXPECT_EQ(voltsToCode(1.0001, 1.0, ovl), kFullScaleCode);
    EXPECT_TRUE(ovl);
    EXPECT_EQ(voltsToCode(-25.0, 10.0, ovl), -kFullScaleCode);
    EXPECT_TRUE(ovl);
    EXPECT_EQ(voltsToCode(NAN, 1.0, ovl), 0);
    EXPECT_TRUE(ovl);
    EXPECT_DOUBLE_EQ(codeToVolts(kFullScaleCode, 0.03), 0.03);
}

TEST(AdcRateTable, MatchesTheModulesListedRates) {
    // index, frequency as listed, 384 flag, divisor
    const struct {
        int index;
        double frequency;
        int flag;
        int divisor;
    } rows[] = {{0, 3472.22222222222, 1, 15}, {4, 4734.84848484848, 1, 11}, {7, 5787.03703703704, 1, 9},
                {11, 7440.47619047619, 1, 7}, {12, 7812.5, 0, 10},           {19, 17361.1111111111, 1, 3},
                {21, 26041.6666666667, 0, 3}, {22, 39062.49, 0, 2},          {23, 52083.3333333333, 1, 1},
                {24, 78125, 0, 1}};
    for (const auto& row : rows) {
        const auto r = adcRate(row.index);
        ASSERT_TRUE(r.has_value());
        EXPECT_NEAR(r->frequency, row.frequency, 1e-9) << row.index;
        EXPECT_EQ(r->divider384, row.flag) << row.index;
        EXPECT_EQ(r->divisor, row.divisor) << row.index;
    }
    for (int i = 1; i < kRateCount; ++i) {
        EXPECT_GT(adcRate(i)->frequency, adcRate(i - 1)->frequency) << i;
    }
    EXPECT_FALSE(adcRate(-1).has_value());
    EXPECT_FALSE(adcRate(25).has_value());
}

TEST(ModuleConfig, ValidationNamesEachInconsistency) {
    ModuleConfig good;
    good.rateIndex = 0;
    good.divisor = 15;
    good.divider384 = 1;
    EXPECT_EQ(validateConfig(good), "");
    auto bad = good;
    bad.rangeCode[2] = 6;
    EXPECT_NE(validateConfig(bad), "");
    bad = good;
    bad.divisor = 14;
    EXPECT_NE(validateConfig(bad), "");
    bad = good;
    bad.rateIndex = 25;
    EXPECT_NE(validateConfig(bad), "");
    bad = good;
    bad.enabled[0] = 2;
    EXPECT_NE(validateConfig(bad), "");
    const auto decoded = decodeConfig(encodeConfig(good));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, good);
    EXPECT_FALSE(decodeConfig(std::vector<std::uint8_t>(kConfigPayload - 1)).has_value());
}

TEST(Fields, TextStopsAtNulAndKeepsFifteenCharacters) {
    std::vector<std::uint8_t> f;
    putField(f, "0123456789ABCDEFGH", 16);
    ASSERT_EQ(f.size(), 16u);
    EXPECT_EQ(f[15], 0);
    EXPECT_EQ(fieldText(f.data(), 16), "0123456789ABCDE");
    std::uint8_t noNul[16];
    std::fill(std::begin(noNul), std::end(noNul), 'x');
    EXPECT_EQ(fieldText(noNul, 16).size(), 15u);
}

}  // namespace
