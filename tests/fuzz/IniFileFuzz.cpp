// libFuzzer target for the settings-file reader: any bytes must load, read as values or
// defaults and survive editing without crashing; the file written from what was read
// must read back the same, name for name and value for value, in the same encoding.
#include "IniFile/IniFile.h"
#include "settings/SettingsReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// Everything the readers reach: each section's keys with their text values.
struct Entry {
    std::string section;
    std::string key;
    std::string value;
};

std::vector<Entry> Contents(const inifile::TIniFile& file) {
    std::vector<Entry> entries;
    const std::vector<std::string> sections = file.ReadSections();
    for (const std::string& section : sections) {
        const std::vector<std::string> keys = file.ReadSection(section);
        for (const std::string& key : keys) {
            // A value the readers cannot read gives the default, and that must be so
            // again after the round trip.
            entries.push_back({section, key, file.ReadString(section, key, "\x01 unreadable")});
        }
        // Sections whose name is listed but hold no key still count for the comparison.
        if (keys.empty()) entries.push_back({section, std::string(), std::string()});
    }
    return entries;
}

bool SameContents(const std::vector<Entry>& a, const std::vector<Entry>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].section != b[i].section || a[i].key != b[i].key || a[i].value != b[i].value) return false;
    return true;
}

// What Flush() would write, read again: it must hold `contents`, what `file` holds.
void CheckRoundTrip(const inifile::TIniFile& file, const std::vector<Entry>& contents) {
    const std::string image = file.Image();
    const inifile::TIniFile again = inifile::TIniFile::FromBytes("fuzz.ini", image);
    Check(static_cast<bool>(again.LoadStatus()));
    Check(again.Encoding() == file.Encoding());
    Check(SameContents(contents, Contents(again)));
    Check(again.Image() == image);
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

    if (!file.LoadStatus()) {
        // An encoding that cannot be told: nothing is read, and the file is never
        // written over (Flush refuses before it touches the disk).
        Check(file.ReadSections().empty());
        Check(file.Image().empty() || file.Encoding() == inifile::IniEncoding::Cp1251);
        Check(!file.Flush());
        return 0;
    }

    // Read, write, read again: the same names and values. Every name and value is
    // compared; each lookup walks the file, so the comparisons are the target's main
    // cost and are made once.
    std::vector<Entry> contents = Contents(file);
    for (const Entry& e : contents) Check(e.key.empty() || file.KeyExists(e.section, e.key));
    CheckRoundTrip(file, contents);

    // One value written back as it was read (which one depends on the size) reads the
    // same, and so does everything else.
    if (!contents.empty()) {
        const Entry& e = contents[size % contents.size()];
        if (!e.key.empty() && file.WriteString(e.section, e.key, e.value)) {
            Check(file.ReadString(e.section, e.key, "\x01 missing") == e.value);
            CheckRoundTrip(file, contents);
        }
    }

    // Names and values taken from the input itself.
    const std::size_t third = size / 3;
    const std::string section(bytes.substr(0, third));
    const std::string key(bytes.substr(third, third));
    const std::string value(bytes.substr(2 * third));
    (void)file.ReadString(section, key, "");
    (void)file.ReadInteger(section, key, 0);
    (void)file.ReadFloat(section, key, 0);
    (void)file.ReadSection(section);

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
