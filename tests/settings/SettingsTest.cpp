// The settings model over real files: the default file byte for byte, reading back,
// hand-written files, the limits of the stored values and what a save writes.
#include "settings/Precision.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsPath.h"
#include "settings/SettingsReader.h"
#include "settings/SettingsWriter.h"

#include "IniFile/IniFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>

using inifile::TIniFile;
using namespace settings;

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string DataFile(const char* name) { return std::string(VOLTCHECK_SETTINGS_TEST_DATA) + "/" + name; }

class SettingsFileTest : public testing::Test {
protected:
    SettingsFileTest() {
        std::string pattern = (std::filesystem::temp_directory_path() / "settings-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        dir_ = pattern;
        path_ = SettingsFilePath(dir_.string());
    }
    ~SettingsFileTest() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // A default file as the program creates it when there is none.
    void CreateDefaultFile() {
        TIniFile file(path_);
        ASSERT_TRUE(WriteDefaultApplicationSettings(file));
        ASSERT_TRUE(WriteDefaultModuleSettings(file));
    }

    std::filesystem::path dir_;
    std::string path_;
};

// Module controls of a page whose channels differ in everything.
ModuleControls MixedControls() {
    ModuleControls c;
    c.adcRateIndex = 12;
    c.allChannels = GroupCheck::Mixed;
    c.channelEnabled = {true, false, true, true};
    c.commonRangeIndex = -1;
    c.channelRangeIndex = {0, 1, 2, 5};
    c.connectionModeIndex = 1;
    c.commonMethodIndex = -1;
    c.channelMethodIndex = {1, 0, 1, 0};
    return c;
}

// ---------------------------------------------------------------------------------------
// Names

TEST(SettingsNames, RangeTextsAndPrecisionKeys) {
    const char* expected[kRangeCount] = {"10.00", " 3.00", " 1.00", " 0.30", " 0.10", " 0.03"};
    for (int r = 0; r < kRangeCount; ++r) EXPECT_EQ(RangeText(r), expected[r]);
    EXPECT_EQ(PrecisionKey(1, PrecisionKind::Ac), "АЦП. Диапазон  3.00 В. AC precision");
    EXPECT_EQ(PrecisionKey(0, PrecisionKind::Fr), "АЦП. Диапазон 10.00 В. FR precision");
    EXPECT_EQ(ChannelKey(kChannelRangePrefix, 3), "АЦП. Управление входным диапазоном канала 4");
}

TEST(SettingsNames, FileBesideTheProgram) {
    EXPECT_EQ(SettingsFilePath("/opt/voltcheck"), "/opt/voltcheck/Voltcheck.ini");
    EXPECT_EQ(SettingsFilePath("/opt/voltcheck/"), "/opt/voltcheck/Voltcheck.ini");
}

TEST(SettingsNames, FileInTheUsersConfigurationFolder) {
    EXPECT_EQ(UserSettingsFilePath("/data/cfg", "/home/op"), "/data/cfg/Voltcheck/Voltcheck.ini");
    // Unset, empty or relative XDG_CONFIG_HOME: the default under HOME.
    EXPECT_EQ(UserSettingsFilePath(nullptr, "/home/op"), "/home/op/.config/Voltcheck/Voltcheck.ini");
    EXPECT_EQ(UserSettingsFilePath("", "/home/op"), "/home/op/.config/Voltcheck/Voltcheck.ini");
    EXPECT_EQ(UserSettingsFilePath("cfg", "/home/op"), "/home/op/.config/Voltcheck/Voltcheck.ini");
    EXPECT_EQ(UserSettingsFilePath(nullptr, nullptr), "");
    EXPECT_EQ(UserSettingsFilePath(nullptr, "home"), "");
}

// Restores an environment variable when the test ends.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST_F(SettingsFileTest, TheProgramKeepsItsFileBesideItselfWhereItMayWrite) {
    const ScopedEnv config("XDG_CONFIG_HOME", "/data/cfg");
    EXPECT_TRUE(IsWritableDirectory(dir_.string()));
    EXPECT_EQ(ProgramSettingsFilePath(dir_.string()), path_);
}

TEST_F(SettingsFileTest, ElseInTheUsersConfigurationFolder) {
    const std::string missing = (dir_ / "missing").string();
    const std::string file = (dir_ / "file").string();
    WriteBytes(file, "x");
    EXPECT_FALSE(IsWritableDirectory(missing));
    EXPECT_FALSE(IsWritableDirectory(file));
    {
        const ScopedEnv config("XDG_CONFIG_HOME", "/data/cfg");
        EXPECT_EQ(ProgramSettingsFilePath(missing), "/data/cfg/Voltcheck/Voltcheck.ini");
        EXPECT_EQ(ProgramSettingsFilePath(file), "/data/cfg/Voltcheck/Voltcheck.ini");
    }
    const ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    const ScopedEnv home("HOME", "/home/op");
    EXPECT_EQ(ProgramSettingsFilePath(missing), "/home/op/.config/Voltcheck/Voltcheck.ini");
    // Without any home folder there is only the place beside the program.
    const ScopedEnv noHome("HOME", nullptr);
    EXPECT_EQ(ProgramSettingsFilePath(missing), missing + "/Voltcheck.ini");
}

// ---------------------------------------------------------------------------------------
// The default file

TEST_F(SettingsFileTest, DefaultFileIsByteForByteTheReferenceFile) {
    CreateDefaultFile();
    const std::string written = ReadBytes(path_);
    const std::string reference = ReadBytes(DataFile("default-settings.ini"));
    ASSERT_FALSE(reference.empty());
    EXPECT_EQ(written, reference);
}

TEST_F(SettingsFileTest, DefaultFileReadsBackAsTheDefaults) {
    CreateDefaultFile();
    const TIniFile file(path_);
    const ModuleSettings module = ReadModuleSettings(file);
    EXPECT_EQ(module, ModuleSettings{});
    EXPECT_EQ(module.computationMethod, computation::TMethod::Spectral);
    EXPECT_EQ(module.amplitudeType, computation::TAmplitudeType::Rms);
    EXPECT_EQ(module.maxAcquisitionTime, 1.0);
    for (int r = 0; r < kRangeCount; ++r) {
        EXPECT_EQ(module.dcFormat[r], "0.00");
        EXPECT_EQ(module.acFormat[r], "0.00");
        EXPECT_EQ(module.frFormat[r], "0.00000");
    }
    const ModuleControls controls = ResolveModuleControls(module);
    EXPECT_EQ(controls, ModuleControls{});
    EXPECT_EQ(controls.adcRateIndex, 24);
    EXPECT_EQ(controls.allChannels, GroupCheck::Checked);

    // The coefficient source is written 0 although a missing key reads as 1.
    EXPECT_EQ(ReadApplicationSettings(file), (ApplicationSettings{false, -1, -1, 0}));
    EXPECT_EQ(ReadApplicationSettings(TIniFile::FromBytes(path_, "")).correctionCoefSource, 1);
    EXPECT_EQ(ReadDiscoverySettings(file), (DiscoverySettings{"", -1}));
}

TEST_F(SettingsFileTest, DefaultWritersKeepOtherKeysAndReplaceTheirOwn) {
    WriteBytes(path_, ReadBytes(DataFile("hand-written.ini")));
    {
        TIniFile file(path_);
        ASSERT_TRUE(WriteDefaultApplicationSettings(file));
        ASSERT_TRUE(WriteDefaultModuleSettings(file));
    }
    const TIniFile file(path_);
    EXPECT_EQ(ReadModuleSettings(file), ModuleSettings{});
    EXPECT_EQ(ReadApplicationSettings(file), (ApplicationSettings{false, -1, -1, 0}));
    EXPECT_EQ(file.ReadString(kGeneralSection, "Неизвестный ключ", ""), "оставить");
}

// ---------------------------------------------------------------------------------------
// Hand-written files

TEST_F(SettingsFileTest, HandWrittenFileReadsLikeTheSameValuesWrittenByTheProgram) {
    // The program writes the values of the hand-written file through its writers.
    CreateDefaultFile();
    {
        TIniFile file(path_);
        ASSERT_TRUE(SaveApplicationSettings(file, {true, 120, 64, "ZC0042", 7}));
        ASSERT_TRUE(SaveModuleSettings(file, MixedControls()));
        ASSERT_TRUE(file.WriteInteger(kGeneralSection, kCoefSourceKey, 2));
        ASSERT_TRUE(file.WriteString(kModuleSection, kComputationMethodKey, "sum"));
        ASSERT_TRUE(file.WriteString(kModuleSection, kAmplitudeTypeKey, "amp"));
        ASSERT_TRUE(file.WriteFloat(kModuleSection, kMaxAcquisitionTimeKey, 2.5));
        ASSERT_TRUE(file.WriteInteger(kModuleSection, PrecisionKey(0, PrecisionKind::Dc), 3));
        ASSERT_TRUE(file.WriteInteger(kModuleSection, PrecisionKey(1, PrecisionKind::Ac), 4));
        ASSERT_TRUE(file.WriteInteger(kModuleSection, PrecisionKey(5, PrecisionKind::Fr), 0));
        ASSERT_TRUE(file.Flush());
    }
    const TIniFile program(path_);
    const TIniFile hand(DataFile("hand-written.ini"));
    ASSERT_TRUE(hand.LoadStatus());

    EXPECT_EQ(ReadApplicationSettings(hand), ReadApplicationSettings(program));
    EXPECT_EQ(ReadDiscoverySettings(hand), ReadDiscoverySettings(program));
    EXPECT_EQ(ReadModuleSettings(hand), ReadModuleSettings(program));

    // And the values are the ones meant, not two sets of defaults.
    EXPECT_EQ(ReadApplicationSettings(hand), (ApplicationSettings{true, 120, 64, 2}));
    EXPECT_EQ(ReadDiscoverySettings(hand), (DiscoverySettings{"ZC0042", 7}));
    const ModuleSettings module = ReadModuleSettings(hand);
    EXPECT_EQ(module.computationMethod, computation::TMethod::WeightedSum);
    EXPECT_EQ(module.amplitudeType, computation::TAmplitudeType::Peak);
    EXPECT_EQ(module.maxAcquisitionTime, 2.5);
    EXPECT_EQ(module.dcFormat[0], "0.000");
    EXPECT_EQ(module.acFormat[1], "0.0000");
    EXPECT_EQ(module.frFormat[5], "0.");
    EXPECT_EQ(module.frFormat[4], "0.00000");
    EXPECT_EQ(ResolveModuleControls(module), MixedControls());
}

TEST(SettingsValues, OnlyTheTwoBlankFormOfThe3VoltKeyCounts) {
    const std::string section = "[\xCC\xEE\xE4\xF3\xEB\xFC ZEB44]\r\n";  // "Модуль ZEB44"
    // "АЦП. Диапазон " in code page 1251
    const std::string prefix = "\xC0\xD6\xCF. \xC4\xE8\xE0\xEF\xE0\xE7\xEE\xED ";
    const std::string oneBlank = prefix + "3.00 \xC2. AC precision=7\r\n";
    const std::string twoBlanks = prefix + " 3.00 \xC2. AC precision=7\r\n";
    EXPECT_EQ(ReadModuleSettings(TIniFile::FromBytes("x", section + oneBlank)).acPrecision[1], 2);
    EXPECT_EQ(ReadModuleSettings(TIniFile::FromBytes("x", section + twoBlanks)).acPrecision[1], 7);
}

// ---------------------------------------------------------------------------------------
// Stored values at and beyond their limits

struct PrecisionCase {
    const char* stored;
    std::uint16_t count;
    const char* pattern;
};
void PrintTo(const PrecisionCase& c, std::ostream* os) { *os << '"' << c.stored << '"'; }

class PrecisionLimits : public testing::TestWithParam<PrecisionCase> {};

TEST_P(PrecisionLimits, CountAndPattern) {
    const ModuleSettings module = ReadModuleSettings(TIniFile::FromBytes(
        "x", "[" + std::string("\xCC\xEE\xE4\xF3\xEB\xFC ZEB44") + "]\r\n\xC0\xD6\xCF. \xC4\xE8\xE0\xEF\xE0\xE7\xEE\xED" +
                 "  0.10 \xC2. DC precision=" + GetParam().stored + "\r\n"));
    EXPECT_EQ(module.dcPrecision[4], GetParam().count);
    EXPECT_EQ(module.dcFormat[4], GetParam().pattern);
    EXPECT_EQ(module.dcPrecision[3], 2);  // the neighbour range is untouched
}

INSTANTIATE_TEST_SUITE_P(Values, PrecisionLimits,
                         testing::Values(PrecisionCase{"0", 0, "0."}, PrecisionCase{"5", 5, "0.00000"},
                                         PrecisionCase{"10", 10, "0.0000000000"},
                                         PrecisionCase{"12", 10, "0.0000000000"},
                                         PrecisionCase{"-1", 10, "0.0000000000"},
                                         // not cut to 16 bits: 65538 would otherwise become 2
                                         PrecisionCase{"65538", 10, "0.0000000000"},
                                         PrecisionCase{"99999999999", 2, "0.00"},  // unreadable: default
                                         PrecisionCase{"two", 2, "0.00"}));

TEST(SettingsValues, SlotMinusOneAndMissingSlotAreTheSame) {
    const std::string section = "[\xCF\xF0\xE8\xEB\xEE\xE6\xE5\xED\xE8\xE5. \xCE\xE1\xED\xE0\xF0\xF3\xE6\xE5\xED\xE8\xE5]\r\n";
    const std::string slot = "\xD1\xEB\xEE\xF2 \xEC\xEE\xE4\xF3\xEB\xFF=";
    EXPECT_EQ(ReadDiscoverySettings(TIniFile::FromBytes("x", section + slot + "-1\r\n")).moduleSlot, -1);
    EXPECT_EQ(ReadDiscoverySettings(TIniFile::FromBytes("x", section)).moduleSlot, -1);
    EXPECT_EQ(ReadDiscoverySettings(TIniFile::FromBytes("x", section + slot + "\r\n")).moduleSlot, -1);
    EXPECT_EQ(ReadDiscoverySettings(TIniFile::FromBytes("x", section + slot + "5\r\n")).moduleSlot, 5);
}

TEST_F(SettingsFileTest, IndicesOutsideTheirListsAreKeptAsStoredAndResolveToNoSelection) {
    CreateDefaultFile();
    {
        TIniFile file(path_);
        ASSERT_TRUE(file.WriteInteger(kModuleSection, kAdcRateIndexKey, 25));
        ASSERT_TRUE(file.WriteInteger(kModuleSection, kCommonRangeKey, 6));
        ASSERT_TRUE(file.WriteInteger(kModuleSection, ChannelKey(kChannelRangePrefix, 0), 3));
        ASSERT_TRUE(file.WriteInteger(kModuleSection, ChannelKey(kChannelRangePrefix, 1), 9));
        ASSERT_TRUE(file.WriteInteger(kModuleSection, ChannelKey(kChannelRangePrefix, 2), -1));
        ASSERT_TRUE(file.WriteInteger(kModuleSection, kConnectionModeKey, 3));
        ASSERT_TRUE(file.WriteInteger(kModuleSection, kCommonMethodKey, 2));
        ASSERT_TRUE(file.WriteInteger(kModuleSection, ChannelKey(kChannelMethodPrefix, 3), 1));
        ASSERT_TRUE(file.WriteInteger(kModuleSection, ChannelKey(kChannelMethodPrefix, 2), -5));
        ASSERT_TRUE(file.Flush());
    }
    const ModuleSettings stored = ReadModuleSettings(TIniFile(path_));
    EXPECT_EQ(stored.adcRateIndex, 25);
    EXPECT_EQ(stored.commonRangeIndex, 6);
    EXPECT_EQ(stored.connectionModeIndex, 3);

    const ModuleControls controls = ResolveModuleControls(stored);
    EXPECT_EQ(controls.adcRateIndex, -1);
    EXPECT_EQ(controls.commonRangeIndex, -1);
    // With no common range each channel's own key counts, checked against the list too.
    EXPECT_EQ(controls.channelRangeIndex, (std::array<int, 4>{3, -1, -1, 0}));
    EXPECT_EQ(controls.connectionModeIndex, -1);
    EXPECT_EQ(controls.commonMethodIndex, -1);
    EXPECT_EQ(controls.channelMethodIndex, (std::array<int, 4>{0, 0, -1, 1}));
}

struct GroupCase {
    const char* group;
    std::array<const char*, 4> channels;
    GroupCheck expectedGroup;
    std::array<bool, 4> expectedChannels;
};
void PrintTo(const GroupCase& c, std::ostream* os) {
    *os << c.group << ':' << c.channels[0] << c.channels[1] << c.channels[2] << c.channels[3];
}

class ChannelGroup : public testing::TestWithParam<GroupCase> {};

TEST_P(ChannelGroup, GroupCheckBoxFollowsTheChannels) {
    TIniFile file = TIniFile::FromBytes("x", "");
    ASSERT_TRUE(file.WriteString(kModuleSection, kAllChannelsKey, GetParam().group));
    for (int i = 0; i < kChannelCount; ++i)
        ASSERT_TRUE(file.WriteString(kModuleSection, ChannelKey(kChannelEnabledPrefix, i), GetParam().channels[i]));
    const ModuleControls controls = ResolveModuleControls(ReadModuleSettings(file));
    EXPECT_EQ(controls.allChannels, GetParam().expectedGroup);
    EXPECT_EQ(controls.channelEnabled, GetParam().expectedChannels);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ChannelGroup,
    testing::Values(GroupCase{"0", {"1", "0", "1", "1"}, GroupCheck::Mixed, {true, false, true, true}},
                    GroupCase{"1", {"0", "0", "0", "0"}, GroupCheck::Checked, {true, true, true, true}},
                    GroupCase{"0", {"0", "0", "0", "0"}, GroupCheck::Unchecked, {false, false, false, false}},
                    GroupCase{"0", {"1", "1", "1", "1"}, GroupCheck::Checked, {true, true, true, true}},
                    // unreadable values read as their default, on
                    GroupCase{"x", {"0", "?", "0", "0"}, GroupCheck::Checked, {true, true, true, true}},
                    GroupCase{"0", {"0", "?", "0", "0"}, GroupCheck::Mixed, {false, true, false, false}}));

TEST(SettingsValues, GarbageReadsAsTheDefaults) {
    const std::string garbage = std::string("\x00\x01\xFF\x98[[[]]]==\r\n[") + "\xCC\xEE\xE4\xF3\xEB\xFC ZEB44" +
                                "\n\xC0\xD6\xCF.=\n=\n\x98\x98\x98=1\n[]\n" + std::string(5000, '=') + "\n";
    const TIniFile file = TIniFile::FromBytes("x", garbage);
    EXPECT_EQ(ReadModuleSettings(file), ModuleSettings{});
    EXPECT_EQ(ReadApplicationSettings(file), ApplicationSettings{});
    EXPECT_EQ(ReadDiscoverySettings(file), DiscoverySettings{});
}

TEST_F(SettingsFileTest, CommonRangeSavedWithoutSelectionRestoresEachChannelsRange) {
    CreateDefaultFile();
    {
        TIniFile file(path_);
        ASSERT_TRUE(SaveModuleSettings(file, MixedControls()));
    }
    const TIniFile file(path_);
    EXPECT_EQ(file.ReadInteger(kModuleSection, kCommonRangeKey, 0), -1);
    EXPECT_EQ(file.ReadInteger(kModuleSection, kAllChannelsKey, 1), 0);  // mixed is saved as off
    EXPECT_EQ(ResolveModuleControls(ReadModuleSettings(file)), MixedControls());
}

// ---------------------------------------------------------------------------------------
// Saving

TEST_F(SettingsFileTest, SaveRoundTripsTheControls) {
    CreateDefaultFile();
    ModuleControls controls;
    controls.adcRateIndex = 0;
    controls.allChannels = GroupCheck::Unchecked;
    controls.channelEnabled = {false, false, false, false};
    controls.commonRangeIndex = 5;
    controls.channelRangeIndex = {5, 5, 5, 5};
    controls.connectionModeIndex = 2;
    controls.commonMethodIndex = 1;
    controls.channelMethodIndex = {1, 1, 1, 1};
    {
        TIniFile file(path_);
        ASSERT_TRUE(SaveModuleSettings(file, controls));
    }
    EXPECT_EQ(ResolveModuleControls(ReadModuleSettings(TIniFile(path_))), controls);
}

TEST_F(SettingsFileTest, SaveWritesOnlyItsKeys) {
    // Method, amplitude type, time, precisions and coefficient source stay as edited.
    WriteBytes(path_, ReadBytes(DataFile("hand-written.ini")));
    const ModuleSettings before = ReadModuleSettings(TIniFile(path_));
    {
        TIniFile file(path_);
        ASSERT_TRUE(SaveApplicationSettings(file, {false, 1, 2, std::nullopt, std::nullopt}));
        ASSERT_TRUE(SaveModuleSettings(file, ModuleControls{}));
    }
    const TIniFile file(path_);
    const ModuleSettings after = ReadModuleSettings(file);
    EXPECT_EQ(after.computationMethod, before.computationMethod);
    EXPECT_EQ(after.amplitudeType, before.amplitudeType);
    EXPECT_EQ(after.maxAcquisitionTime, before.maxAcquisitionTime);
    EXPECT_EQ(after.dcPrecision, before.dcPrecision);
    EXPECT_EQ(after.acPrecision, before.acPrecision);
    EXPECT_EQ(after.frPrecision, before.frPrecision);
    EXPECT_EQ(ReadApplicationSettings(file), (ApplicationSettings{false, 1, 2, 2}));
    EXPECT_EQ(ResolveModuleControls(after), ModuleControls{});
}

struct DiscoverySaveCase {
    std::optional<std::string> crate;
    std::optional<int> slot;
    DiscoverySettings expected;  // the file had "ZC0042" and 7
};
void PrintTo(const DiscoverySaveCase& c, std::ostream* os) {
    *os << (c.crate ? *c.crate : "no crate") << ", " << (c.slot ? std::to_string(*c.slot) : "no module");
}

class DiscoverySave : public SettingsFileTest, public testing::WithParamInterface<DiscoverySaveCase> {};

TEST_P(DiscoverySave, DiscoveryKeysOnlyForASelection) {
    WriteBytes(path_, ReadBytes(DataFile("hand-written.ini")));
    {
        TIniFile file(path_);
        ASSERT_TRUE(SaveApplicationSettings(file, {true, 10, 20, GetParam().crate, GetParam().slot}));
    }
    EXPECT_EQ(ReadDiscoverySettings(TIniFile(path_)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, DiscoverySave,
                         testing::Values(DiscoverySaveCase{std::nullopt, std::nullopt, {"ZC0042", 7}},
                                         DiscoverySaveCase{std::nullopt, 3, {"ZC0042", 7}},
                                         DiscoverySaveCase{"ZC0100", std::nullopt, {"ZC0100", 7}},
                                         DiscoverySaveCase{"ZC0100", 3, {"ZC0100", 3}}));

TEST_F(SettingsFileTest, SerialOutsideTheCodePageIsRefusedTheRestIsSaved) {
    CreateDefaultFile();
    TIniFile file(path_);
    const inifile::IniStatus status = SaveApplicationSettings(file, {true, 5, 6, "序列号", 4});
    EXPECT_FALSE(status);
    EXPECT_NE(status.message.find(path_), std::string::npos) << status.message;
    const TIniFile saved(path_);
    EXPECT_EQ(ReadApplicationSettings(saved), (ApplicationSettings{true, 5, 6, 0}));
    EXPECT_EQ(ReadDiscoverySettings(saved), (DiscoverySettings{"", 4}));
}

TEST_F(SettingsFileTest, RefusedSaveNamesTheFileAndKeepsIt) {
    CreateDefaultFile();
    TIniFile file(path_);
    // Replace the file by a directory of that name between load and save: the rename fails.
    std::filesystem::remove(path_);
    std::filesystem::create_directory(path_);
    WriteBytes(path_ + "/inside", "kept");
    const inifile::IniStatus status = SaveModuleSettings(file, MixedControls());
    EXPECT_FALSE(status);
    EXPECT_NE(status.message.find(path_), std::string::npos) << status.message;
    EXPECT_EQ(ReadBytes(path_ + "/inside"), "kept");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

}  // namespace
