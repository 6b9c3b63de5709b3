#include "protocol/Messages.h"

#include "protocol/AdcWord.h"
#include "protocol/Wire.h"

#include <algorithm>
#include <cstring>

namespace zebwire {

std::string fieldText(const std::uint8_t* field, std::size_t size) {
    const std::size_t limit = size == 0 ? 0 : size - 1;
    std::size_t n = 0;
    while (n < limit && field[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(field), n);
}

void putField(std::vector<std::uint8_t>& out, const std::string& text, std::size_t size) {
    const std::size_t n = std::min(text.size(), size - 1);
    out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    out.insert(out.end(), size - n, 0);
}

int ModuleConfig::activeChannels() const {
    return static_cast<int>(std::count_if(enabled.begin(), enabled.end(), [](std::uint8_t e) { return e != 0; }));
}

std::vector<std::uint8_t> encodeConfig(const ModuleConfig& c) {
    std::vector<std::uint8_t> out{c.divisor, c.divider384, c.dcCoupling, c.ownZero};
    out.insert(out.end(), c.rangeCode.begin(), c.rangeCode.end());
    out.insert(out.end(), c.enabled.begin(), c.enabled.end());
    putI32(out, c.rateIndex);
    out.push_back(c.option60);
    return out;
}

std::optional<ModuleConfig> decodeConfig(std::span<const std::uint8_t> p) {
    if (p.size() != kConfigPayload) return std::nullopt;
    ModuleConfig c;
    c.divisor = p[0];
    c.divider384 = p[1];
    c.dcCoupling = p[2];
    c.ownZero = p[3];
    std::copy_n(p.begin() + 4, 4, c.rangeCode.begin());
    std::copy_n(p.begin() + 8, 4, c.enabled.begin());
    c.rateIndex = getI32(p.data() + 12);
    c.option60 = p[16];
    return c;
}

std::string validateConfig(const ModuleConfig& c) {
    for (auto code : c.rangeCode)
        if (!rangeVolts(code)) return "range code out of 0..5";
    for (auto e : c.enabled)
        if (e > 1) return "channel enable flag not 0 or 1";
    if (c.dcCoupling > 1 || c.ownZero > 1 || c.divider384 > 1) return "flag not 0 or 1";
    const auto rate = adcRate(c.rateIndex);
    if (!rate) return "rate index out of 0..24";
    if (rate->divisor != c.divisor || rate->divider384 != c.divider384)
        return "divisor and 384 flag do not match the rate index";
    return {};
}

std::vector<std::uint8_t> encodeIdentity(const ModuleIdentity& id) {
    std::vector<std::uint8_t> out;
    putField(out, id.name, kNameField);
    putField(out, id.serial, kSerialField);
    putU32(out, id.firmware);
    return out;
}

ModuleIdentity decodeIdentity(const std::uint8_t* body) {
    ModuleIdentity id;
    id.name = fieldText(body, kNameField);
    id.serial = fieldText(body + kNameField, kSerialField);
    id.firmware = getU32(body + kNameField + kSerialField);
    return id;
}

}  // namespace zebwire
