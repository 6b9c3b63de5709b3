#pragma once

#include <array>
#include <cstdint>
#include <string>

// The window's record of what discovery found: the crates the crate server
// reported, the listed crates (those with at least one answering ZEB44) with
// their modules, and the current selection. A full search rebuilds the tables;
// the runs that follow a change of crate or module only read them. Text
// entries are 16-byte fields holding NUL-terminated text.
using TSerialField = std::array<char, 16>;

// The window's module: none, opened by a full search, or opened and identified
// (only then may it be configured and measured).
enum class TModuleState : uint8_t { None = 0, Opened = 1, Identified = 2 };

struct TDiscoveryTables {
    static constexpr uint16_t MaxCrates = 16;
    static constexpr uint16_t SlotCount = 16;
    static constexpr uint16_t NoCrate = 0xFFFF;

    // Crates reported by the crate server (0..16) and what they hold.
    uint16_t CrateCount = 0;
    std::array<TSerialField, MaxCrates> CrateSerials{};
    std::array<uint8_t, MaxCrates> CrateTypeCodes{};
    // Module id per reported crate and slot index (slot = index + 1).
    std::array<std::array<uint16_t, SlotCount>, MaxCrates> CrateModuleIds{};

    // Listed crates, in report order, and their answering ZEB44 modules in slot order.
    uint16_t ListedCrateCount = 0;
    std::array<TSerialField, MaxCrates> ListedCrateSerials{};
    std::array<uint8_t, MaxCrates> ListedCrateTypeCodes{};
    std::array<std::array<uint16_t, SlotCount>, MaxCrates> ListedModuleSlots{};
    std::array<std::array<TSerialField, SlotCount>, MaxCrates> ListedModuleSerials{};
    std::array<uint16_t, MaxCrates> ListedModuleCounts{};

    // Selection: the module index within each listed crate, and the listed crate.
    std::array<uint16_t, MaxCrates> SelectedModuleIndex{};
    uint16_t SelectedCrateIndex = NoCrate;

    // 1 once the crate list has been built (or a crate change opened its module).
    int32_t CrateOk = 0;
    TModuleState ModuleState = TModuleState::None;

    // Whether crate c is a listed crate and m one of its modules.
    bool HoldsModule(uint16_t c, uint16_t m) const {
        return c < ListedCrateCount && c < MaxCrates && m < ListedModuleCounts[c] && m < SlotCount;
    }
};

// The text of a 16-byte field: up to its first NUL, at most 16 characters.
std::string FieldText(const TSerialField& field);
// Copies text into a 16-byte field, cut to 15 characters and NUL-filled.
void SetFieldText(TSerialField& field, const std::string& text);
