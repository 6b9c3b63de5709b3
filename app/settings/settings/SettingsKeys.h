#pragma once

#include <string>
#include <string_view>

// Section and key names of "Voltcheck.ini", exactly as they stand in the file
// (UTF-8 here, code page 1251 on disk). Runs of blanks are part of the names.
namespace settings {

inline constexpr std::string_view kSettingsFileName = "Voltcheck.ini";

// General application settings.
inline constexpr std::string_view kGeneralSection = "Приложение. Общие";
inline constexpr std::string_view kAutoSaveKey = "Сохранение настроек";
inline constexpr std::string_view kWindowTopKey = "Top    основной панели";   // four blanks
inline constexpr std::string_view kWindowLeftKey = "Left   основной панели";  // three blanks
inline constexpr std::string_view kCoefSourceKey = "Источник загрузки корректировочных коэфф.";

// What discovery looks for.
inline constexpr std::string_view kDiscoverySection = "Приложение. Обнаружение";
inline constexpr std::string_view kCrateSerialKey = "Серийный номер ZEB крейта";
inline constexpr std::string_view kModuleSlotKey = "Слот модуля";

// The window's own features beyond the three sections above, in a section of their own.
inline constexpr std::string_view kLinkSection = "Приложение. Связь с модулем";
inline constexpr std::string_view kAutoResumeKey = "Автовозобновление при потере связи";

// The bench-meter functions per channel (the window "Допуски и статистика"): the
// channel keys are the prefix and the channel number; an empty limit is no limit.
inline constexpr std::string_view kLimitsSection = "Приложение. Допуски и статистика";
inline constexpr std::string_view kNullModePrefix = "Нуль. Режим, канал ";  // 0 off, 1 volts
inline constexpr std::string_view kNullVoltsPrefix = "Нуль. Смещение, В, канал ";
inline constexpr std::string_view kAverageCountPrefix = "Усреднение, кадров, канал ";
inline constexpr std::string_view kLimitsOnPrefix = "Допуск. Включён, канал ";
inline constexpr std::string_view kLowerLimitPrefix = "Допуск. Нижний, В, канал ";
inline constexpr std::string_view kUpperLimitPrefix = "Допуск. Верхний, В, канал ";

// Acquisition parameters of the module.
inline constexpr std::string_view kModuleSection = "Модуль ZEB44";
inline constexpr std::string_view kComputationMethodKey = "АЦП. Метод расчёта";
inline constexpr std::string_view kAmplitudeTypeKey = "АЦП. Тип амплитуды";
// Begins with the Latin capital M, as existing files have it.
inline constexpr std::string_view kMaxAcquisitionTimeKey = "АЦП. Mаксимальное время сбора данных, с";
inline constexpr std::string_view kAdcRateIndexKey = "АЦП. Индекс частоты работы АЦП";
inline constexpr std::string_view kAllChannelsKey = "АЦП. Групповое управление каналами";
inline constexpr std::string_view kChannelEnabledPrefix = "АЦП. Управление каналом ";
inline constexpr std::string_view kCommonRangeKey = "АЦП. Групповое управление входным диапазоном";
inline constexpr std::string_view kChannelRangePrefix = "АЦП. Управление входным диапазоном канала ";
inline constexpr std::string_view kConnectionModeKey = "АЦП. Групповое управление отсечкой";
inline constexpr std::string_view kCommonMethodKey = "АЦП. Групповое управление методом вычисления параметров";
inline constexpr std::string_view kChannelMethodPrefix =
    "АЦП. Управление методом вычисления параметров для канала ";

enum class PrecisionKind { Dc, Ac, Fr };

// A per-channel key: the prefix and the channel number (channel index + 1) in decimal.
// Precondition: 0 <= channelIndex < kChannelCount.
std::string ChannelKey(std::string_view prefix, int channelIndex);

// The range's volts formatted as "%5.2f" with '.': "10.00", " 3.00", ..., " 0.03".
// Precondition: 0 <= rangeIndex < kRangeCount.
std::string RangeText(int rangeIndex);

// "АЦП. Диапазон " + RangeText + " В. DC precision" (AC, FR); the В is Cyrillic.
// Precondition: 0 <= rangeIndex < kRangeCount.
std::string PrecisionKey(int rangeIndex, PrecisionKind kind);

}  // namespace settings
