// Payloads of the crate server messages (layout in Wire.h's types).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zebwire {

inline constexpr std::size_t kSerialField = 16;
inline constexpr std::size_t kNameField = 16;
inline constexpr std::size_t kSlots = 16;
inline constexpr std::size_t kMaxCrates = 16;

// Text of a 16-byte field: up to the first NUL, at most 15 characters used.
std::string fieldText(const std::uint8_t* field, std::size_t size);
void putField(std::vector<std::uint8_t>& out, const std::string& text, std::size_t size);

struct ModuleConfig {
    std::uint8_t divisor = 1;
    std::uint8_t divider384 = 0;
    std::uint8_t dcCoupling = 1;
    std::uint8_t ownZero = 0;
    std::array<std::uint8_t, 4> rangeCode{4, 4, 4, 4};
    std::array<std::uint8_t, 4> enabled{1, 1, 1, 1};
    std::int32_t rateIndex = 24;
    std::uint8_t option60 = 0;

    bool operator==(const ModuleConfig&) const = default;
    int activeChannels() const;
};
inline constexpr std::size_t kConfigPayload = 17;

std::vector<std::uint8_t> encodeConfig(const ModuleConfig& config);
std::optional<ModuleConfig> decodeConfig(std::span<const std::uint8_t> payload);
// Empty when the configuration is consistent (range codes 0..5, rate index
// 0..24 with that row's divisor and 384 flag, flags 0/1); else why not.
std::string validateConfig(const ModuleConfig& config);

struct ModuleIdentity {
    std::string name;
    std::string serial;
    std::uint32_t firmware = 0;
};
inline constexpr std::size_t kIdentityBody = kNameField + kSerialField + 4;
std::vector<std::uint8_t> encodeIdentity(const ModuleIdentity& identity);
ModuleIdentity decodeIdentity(const std::uint8_t* body);  // kIdentityBody bytes

}  // namespace zebwire
