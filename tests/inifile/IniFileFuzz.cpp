// libFuzzer target for the settings-file reader: any bytes must load, read as values or
// defaults and survive editing without crashing; a written key must read back.
#include "IniFile/IniFile.h"
#include "settings/SettingsReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    inifile::TIniFile file = inifile::TIniFile::FromBytes("fuzz.ini", bytes);

    // Every reader of the program over whatever the file holds.
    (void)settings::ReadApplicationSettings(file);
    (void)settings::ReadDiscoverySettings(file);
    const settings::ModuleSettings module = settings::ReadModuleSettings(file);
    const settings::ModuleControls controls = settings::ResolveModuleControls(module);
    for (int i = 0; i < settings::kChannelCount; ++i) {
        Check(controls.channelRangeIndex[i] >= -1 && controls.channelRangeIndex[i] < settings::kRangeCount);
        Check(controls.channelMethodIndex[i] >= -1 && controls.channelMethodIndex[i] < settings::kMeasuringModeCount);
    }
    for (int r = 0; r < settings::kRangeCount; ++r) Check(module.dcPrecision[r] <= 10);

    // Names and values taken from the input itself.
    const std::size_t third = size / 3;
    const std::string section(bytes.substr(0, third));
    const std::string key(bytes.substr(third, third));
    const std::string value(bytes.substr(2 * third));
    (void)file.ReadString(section, key, "");
    (void)file.ReadInteger(section, key, 0);
    (void)file.ReadFloat(section, key, 0);

    // Writing: what is accepted must read back unchanged and survive another round
    // through the bytes.
    const std::string before = file.Image();
    if (file.WriteString(section, key, value)) {
        Check(file.ReadString(section, key, "\x01 missing") == value);
        const inifile::TIniFile again = inifile::TIniFile::FromBytes("fuzz.ini", file.Image());
        Check(again.ReadString(section, key, "\x01 missing") == value);
        Check(again.Image() == file.Image());
    } else {
        Check(file.Image() == before);
    }
    if (file.WriteInteger(section, key, -12345)) Check(file.ReadInteger(section, key, 0) == -12345);
    if (file.WriteFloat(section, key, 0.1)) Check(file.ReadFloat(section, key, 0) == 0.1);
    return 0;
}
