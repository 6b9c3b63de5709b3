// The settings file object against real files: value forms, Windows matching rules,
// code page 1251, editing in place and the atomic save.
#include "IniFile/IniFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

using inifile::IniStatus;
using inifile::TIniFile;

namespace {

// Code page 1251 spellings of the Cyrillic words used below.
constexpr const char* kKeyCp = "\xCA\xEB\xFE\xF7";                  // "Ключ"
constexpr const char* kSectionCp = "\xD1\xE5\xEA\xF6\xE8\xFF";      // "Секция"

TIniFile FromText(const std::string& bytes) { return TIniFile::FromBytes("/nonexistent/test.ini", bytes); }

TIniFile OneValue(const std::string& value) { return FromText("[S]\r\nK=" + value + "\r\n"); }

// A stored value as a test-name suffix: quoted, bytes outside ASCII as \xNN.
std::string Printable(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            const char* digits = "0123456789ABCDEF";
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out + "\"";
}

// ---------------------------------------------------------------------------------------
// Value forms

struct IntegerCase {
    const char* stored;
    std::int32_t expected;  // 777 is the default: unreadable
};
void PrintTo(const IntegerCase& c, std::ostream* os) { *os << Printable(c.stored); }

class IntegerForms : public testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerForms, ReadAsStoredOrDefault) {
    EXPECT_EQ(OneValue(GetParam().stored).ReadInteger("S", "K", 777), GetParam().expected)
        << "stored: '" << GetParam().stored << "'";
}

INSTANTIATE_TEST_SUITE_P(Values, IntegerForms,
                         testing::Values(IntegerCase{"0", 0}, IntegerCase{"24", 24}, IntegerCase{"-1", -1},
                                         IntegerCase{"+5", 5}, IntegerCase{"007", 7},
                                         IntegerCase{"2147483647", 2147483647},
                                         IntegerCase{"-2147483648", INT32_MIN},
                                         IntegerCase{"$1F", 31}, IntegerCase{"0x1f", 31}, IntegerCase{"0X1F", 31},
                                         IntegerCase{"$FFFFFFFF", -1}, IntegerCase{"0x7fffffff", 2147483647},
                                         IntegerCase{"  12  ", 12},
                                         // unreadable
                                         IntegerCase{"", 777}, IntegerCase{"2147483648", 777},
                                         IntegerCase{"-2147483649", 777},
                                         IntegerCase{"99999999999999999999999999", 777},
                                         IntegerCase{"$100000000", 777}, IntegerCase{"$", 777},
                                         IntegerCase{"0x", 777}, IntegerCase{"$G", 777},
                                         IntegerCase{"12abc", 777}, IntegerCase{"1 2", 777},
                                         IntegerCase{"1.0", 777}, IntegerCase{"-", 777},
                                         IntegerCase{"--1", 777}, IntegerCase{"-$1", 777},
                                         IntegerCase{"true", 777}, IntegerCase{"\xD1\xEB", 777}));

struct FloatCase {
    const char* stored;
    double expected;  // 777 is the default: unreadable
};
void PrintTo(const FloatCase& c, std::ostream* os) { *os << Printable(c.stored); }

class FloatForms : public testing::TestWithParam<FloatCase> {};

TEST_P(FloatForms, ReadAsStoredOrDefault) {
    EXPECT_DOUBLE_EQ(OneValue(GetParam().stored).ReadFloat("S", "K", 777), GetParam().expected)
        << "stored: '" << GetParam().stored << "'";
}

INSTANTIATE_TEST_SUITE_P(Values, FloatForms,
                         testing::Values(FloatCase{"1", 1}, FloatCase{"1.5", 1.5}, FloatCase{"-0.25", -0.25},
                                         FloatCase{"+2.5", 2.5}, FloatCase{".5", 0.5},
                                         FloatCase{"1e3", 1000}, FloatCase{"2.5E-3", 0.0025},
                                         FloatCase{"1e-05", 1e-5},
                                         // unreadable
                                         FloatCase{"", 777}, FloatCase{"1,5", 777}, FloatCase{",5", 777},
                                         FloatCase{"inf", 777}, FloatCase{"nan", 777},
                                         FloatCase{"1e400", 777}, FloatCase{"0x10", 777},
                                         FloatCase{"1e", 777}, FloatCase{"+-1", 777},
                                         FloatCase{"abc", 777}));

struct FloatText {
    double value;
    const char* written;
};
void PrintTo(const FloatText& c, std::ostream* os) { *os << '"' << c.written << '"'; }

class FloatWriting : public testing::TestWithParam<FloatText> {};

TEST_P(FloatWriting, FifteenDigitsNoTrailingZerosAndReadsBack) {
    TIniFile file = FromText("");
    ASSERT_TRUE(file.WriteFloat("S", "K", GetParam().value));
    EXPECT_EQ(file.ReadString("S", "K", "?"), GetParam().written);
    const double back = file.ReadFloat("S", "K", 777);
    EXPECT_NEAR(back, GetParam().value, std::abs(GetParam().value) * 1e-14);
}

INSTANTIATE_TEST_SUITE_P(Values, FloatWriting,
                         testing::Values(FloatText{1.0, "1"}, FloatText{0.1, "0.1"}, FloatText{-2.5, "-2.5"},
                                         FloatText{1.0 / 3, "0.333333333333333"},
                                         FloatText{123456.789, "123456.789"}, FloatText{-0.0, "0"},
                                         FloatText{1e-5, "1e-05"}, FloatText{2.5e20, "2.5e+20"},
                                         FloatText{3472.2222222222222, "3472.22222222222"}));

TEST(IniValues, NonFiniteFloatIsRefused) {
    TIniFile file = FromText("");
    EXPECT_FALSE(file.WriteFloat("S", "K", std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(file.WriteFloat("S", "K", std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(file.Image(), "");
}

TEST(IniValues, IntegersAndBoolsAreWrittenInDecimal) {
    TIniFile file = FromText("");
    ASSERT_TRUE(file.WriteInteger("S", "Min", INT32_MIN));
    ASSERT_TRUE(file.WriteInteger("S", "Neg", -1));
    ASSERT_TRUE(file.WriteBool("S", "Yes", true));
    ASSERT_TRUE(file.WriteBool("S", "No", false));
    EXPECT_EQ(file.Image(), "[S]\r\nMin=-2147483648\r\nNeg=-1\r\nYes=1\r\nNo=0\r\n");
}

TEST(IniValues, BoolIsAnIntegerNonZeroTrue) {
    EXPECT_TRUE(OneValue("1").ReadBool("S", "K", false));
    EXPECT_TRUE(OneValue("-7").ReadBool("S", "K", false));
    EXPECT_TRUE(OneValue("$10").ReadBool("S", "K", false));
    EXPECT_FALSE(OneValue("0").ReadBool("S", "K", true));
    EXPECT_TRUE(OneValue("true").ReadBool("S", "K", true));   // unreadable: default
    EXPECT_FALSE(OneValue("yes").ReadBool("S", "K", false));  // unreadable: default
}

TEST(IniValues, TextEmptyMissingBlanksAndQuotes) {
    const TIniFile file = FromText(
        "[S]\r\nEmpty=\r\nPadded =  a b  \r\nDouble=\" a \"\r\nSingle='b'\r\nHalf=\"c\r\n"
        "Mixed=\"d'\r\nNumber=\"12\"\r\nQuote=\"\r\n");
    EXPECT_EQ(file.ReadString("S", "Empty", "default"), "");
    EXPECT_EQ(file.ReadString("S", "Missing", "default"), "default");
    EXPECT_EQ(file.ReadString("S", "Padded", "default"), "a b");
    EXPECT_EQ(file.ReadString("S", "Double", "default"), " a ");
    EXPECT_EQ(file.ReadString("S", "Single", "default"), "b");
    EXPECT_EQ(file.ReadString("S", "Half", "default"), "\"c");
    EXPECT_EQ(file.ReadString("S", "Mixed", "default"), "\"d'");
    EXPECT_EQ(file.ReadString("S", "Quote", "default"), "\"");
    EXPECT_EQ(file.ReadInteger("S", "Number", 5), 12);
    EXPECT_EQ(file.ReadInteger("S", "Empty", 5), 5);
}

TEST(IniValues, EveryTextReadsBackAsWritten) {
    TIniFile file = FromText("");
    for (const char* text : {"", "plain", " lead", "trail\t", " both ", "\"quoted\"", "'single'", "\"",
                             "\"\"", "a \"b\" c", "=x=", "; not a comment", "[not a section]"}) {
        ASSERT_TRUE(file.WriteString("S", "K", text)) << text;
        EXPECT_EQ(file.ReadString("S", "K", "?"), text);
        EXPECT_EQ(TIniFile::FromBytes("x", file.Image()).ReadString("S", "K", "?"), text);
    }
    ASSERT_TRUE(file.WriteString("S", "K", " padded "));
    EXPECT_EQ(file.Image(), "[S]\r\nK=\" padded \"\r\n");
}

// ---------------------------------------------------------------------------------------
// Code page 1251

TEST(IniCodePage, CyrillicIsWrittenAndReadAsCodePage1251) {
    TIniFile file = FromText("");
    ASSERT_TRUE(file.WriteString("Секция", "Ключ", "Значение Ё € №"));
    EXPECT_EQ(file.Image(), std::string("[") + kSectionCp + "]\r\n" + kKeyCp +
                                "=\xC7\xED\xE0\xF7\xE5\xED\xE8\xE5 \xA8 \x88 \xB9\r\n");
    EXPECT_EQ(file.ReadString("Секция", "Ключ", ""), "Значение Ё € №");
}

TEST(IniCodePage, TextOutsideTheCodePageIsRefusedAndNothingChanges) {
    TIniFile file = FromText("[S]\r\nK=old\r\n");
    const std::string before = file.Image();
    for (const char* text : {"中文", "snow ☃", "emoji 😀", "\xFF\xFE bad UTF-8"}) {
        const IniStatus value = file.WriteString("S", "K", text);
        EXPECT_FALSE(value) << text;
        EXPECT_NE(value.message.find("/nonexistent/test.ini"), std::string::npos) << value.message;
        EXPECT_FALSE(file.WriteString("S", text, "v")) << text;
        EXPECT_FALSE(file.WriteString(text, "K", "v")) << text;
    }
    EXPECT_EQ(file.Image(), before);
    EXPECT_FALSE(file.Modified());
    EXPECT_EQ(file.ReadString("S", "K", ""), "old");
}

TEST(IniCodePage, UndefinedByteMakesTheValueUnreadableAndTheLineIsKept) {
    // 0x98 is the one byte code page 1251 leaves undefined.
    const std::string bytes = std::string("[S]\r\nText=a\x98z\r\nBad\x98Key=1\r\nGood=2\r\n");
    TIniFile file = FromText(bytes);
    EXPECT_EQ(file.ReadString("S", "Text", "default"), "default");
    EXPECT_EQ(file.ReadInteger("S", "Good", 0), 2);
    ASSERT_TRUE(file.WriteInteger("S", "Good", 3));
    EXPECT_EQ(file.Image(), std::string("[S]\r\nText=a\x98z\r\nBad\x98Key=1\r\nGood=3\r\n"));
}

// ---------------------------------------------------------------------------------------
// Matching of sections and keys

TEST(IniMatching, AsciiIgnoresCaseOtherCharactersAndInnerBlanksCountExactly) {
    const TIniFile file = FromText(std::string("[Section]\r\nKey=1\r\nTop    ") +
                                   "\xEE\xF1\xED\xEE\xE2\xED\xEE\xE9=4\r\n" + kKeyCp + "=5\r\n");
    EXPECT_EQ(file.ReadInteger("SECTION", "kEY", 0), 1);
    EXPECT_EQ(file.ReadInteger("Section", "Top    основной", 0), 4);
    EXPECT_EQ(file.ReadInteger("Section", "Top основной", 0), 0);   // one blank: another key
    EXPECT_EQ(file.ReadInteger("Section", "Top     основной", 0), 0);
    EXPECT_EQ(file.ReadInteger("Section", "Ключ", 0), 5);
    EXPECT_EQ(file.ReadInteger("Section", "ключ", 0), 0);   // Cyrillic case counts
    EXPECT_EQ(file.ReadInteger("Section", " Key ", 0), 1);  // blanks around a name are no part of it
}

TEST(IniMatching, BlanksAroundNamesAndEqualsSignAreIgnored) {
    const TIniFile file = FromText("  [ S ]  \r\n\tK  =  7 \t\r\n");
    EXPECT_EQ(file.ReadInteger("S", "K", 0), 7);
}

TEST(IniMatching, FirstSectionAndFirstKeyCount) {
    const TIniFile file = FromText("K=0\r\n[A]\r\nK=1\r\nK=2\r\n[B]\r\nK=3\r\n[a]\r\nK=4\r\nOnlyHere=5\r\n");
    EXPECT_EQ(file.ReadInteger("A", "K", -1), 1);
    EXPECT_EQ(file.ReadInteger("B", "K", -1), 3);
    EXPECT_EQ(file.ReadInteger("A", "OnlyHere", -1), -1);  // in the second [a], which does not count
    EXPECT_EQ(file.ReadInteger("", "K", -1), -1);          // entries before the first section
}

TEST(IniMatching, CommentsGarbageAndBrokenHeadersAreNoEntries) {
    const TIniFile file = FromText(";[X]\r\n[S]\r\n;K=1\r\nK\r\n=2\r\n[broken\r\nK=3\r\n");
    EXPECT_EQ(file.ReadInteger("X", "K", -1), -1);
    // "[broken" is no header, so K=3 still belongs to [S].
    EXPECT_EQ(file.ReadInteger("S", "K", -1), 3);
}

// ---------------------------------------------------------------------------------------
// Line endings

TEST(IniLineEndings, AllEndingsReadAlikeAndWritingUsesCrLf) {
    const std::string expected = "[S]\r\nA=1\r\nB=2\r\n";
    for (const std::string& text : {std::string("[S]\r\nA=1\r\nB=2\r\n"), std::string("[S]\nA=1\nB=2\n"),
                                    std::string("[S]\rA=1\rB=2"), std::string("[S]\nA=1\r\nB=2")}) {
        const TIniFile file = FromText(text);
        EXPECT_EQ(file.ReadInteger("S", "A", 0), 1);
        EXPECT_EQ(file.ReadInteger("S", "B", 0), 2);
        EXPECT_EQ(file.Image(), expected);
    }
}

// ---------------------------------------------------------------------------------------
// Editing

TEST(IniEditing, ReplacesInPlaceAddsToItsSectionAndAppendsSections) {
    TIniFile file = FromText(
        "; comment\r\n[A]\r\nX=1\r\nunknown line\r\nkey = 2\r\n\r\n; about B\r\n[B]\r\nY=3\r\n");
    ASSERT_TRUE(file.WriteInteger("A", "X", 10));
    ASSERT_TRUE(file.WriteInteger("a", "KEY", 20));  // keeps the file's spelling of the key
    ASSERT_TRUE(file.WriteInteger("A", "New", 30));  // after A's last entry, before the blank line
    ASSERT_TRUE(file.WriteInteger("C", "Z", 40));
    ASSERT_TRUE(file.WriteInteger("B", "Y", 3));     // unchanged value: line left as it is
    EXPECT_EQ(file.Image(),
              "; comment\r\n[A]\r\nX=10\r\nunknown line\r\nkey=20\r\nNew=30\r\n\r\n; about B\r\n[B]\r\nY=3\r\n"
              "[C]\r\nZ=40\r\n");
    EXPECT_TRUE(file.Modified());
}

TEST(IniEditing, NewKeyInAnEmptySectionFollowsItsHeader) {
    TIniFile file = FromText("[A]\r\n[B]\r\nY=1\r\n");
    ASSERT_TRUE(file.WriteString("A", "X", "v"));
    EXPECT_EQ(file.Image(), "[A]\r\nX=v\r\n[B]\r\nY=1\r\n");
}

TEST(IniEditing, SameValueKeepsHandFormattingAndDoesNotModify) {
    TIniFile file = FromText("[S]\r\n  K =  5\r\n");
    ASSERT_TRUE(file.WriteInteger("S", "K", 5));
    EXPECT_FALSE(file.Modified());
    EXPECT_EQ(file.Image(), "[S]\r\n  K =  5\r\n");
}

TEST(IniEditing, NamesAndValuesThatWouldBreakTheFileAreRefused) {
    TIniFile file = FromText("[S]\r\nK=1\r\n");
    struct Bad {
        const char* section;
        const char* key;
        std::string value;
    };
    for (const Bad& bad : {Bad{"S", "K", "a\r\nX=1"}, Bad{"S", "K", "a\nb"}, Bad{"S", "K", std::string("a\0b", 3)},
                           Bad{"S", "", "v"}, Bad{"", "K", "v"}, Bad{"S", " K", "v"}, Bad{"S", "K ", "v"},
                           Bad{" S", "K", "v"}, Bad{"S", "a=b", "v"}, Bad{"S", "[K", "v"}, Bad{"S", ";K", "v"},
                           Bad{"S\n", "K", "v"}}) {
        EXPECT_FALSE(file.WriteString(bad.section, bad.key, bad.value)) << bad.section << "|" << bad.key;
    }
    EXPECT_EQ(file.Image(), "[S]\r\nK=1\r\n");
}

// ---------------------------------------------------------------------------------------
// Files on disk

TEST(IniNames, SectionsAndKeysAreListedAsTheReadersReachThem) {
    // Duplicates (matched without case) count once, in their first spelling; the
    // second section of a name is not reachable, nor are empty names or a name with
    // the byte code page 1251 leaves undefined.
    const std::string text = std::string("[Main]\r\nA=1\r\n b = 2\r\na=3\r\n[]\r\nE=0\r\n[") + kSectionCp +
                             "]\r\n" + kKeyCp + "=x\r\nbad\x98=y\r\n[MAIN]\r\nC=4\r\n; [Comment]\r\n";
    const TIniFile file = FromText(text);
    EXPECT_EQ(file.ReadSections(), (std::vector<std::string>{"Main", "Секция"}));
    EXPECT_EQ(file.ReadSection("main"), (std::vector<std::string>{"A", "b"}));
    EXPECT_EQ(file.ReadSection("Секция"), (std::vector<std::string>{"Ключ"}));
    EXPECT_TRUE(file.ReadSection("Missing").empty());
    EXPECT_TRUE(file.ReadSection("").empty());
    for (const std::string& key : file.ReadSection("Main")) EXPECT_TRUE(file.KeyExists("Main", key)) << key;
}

TEST(IniDisk, MissingFileIsEmptyAndFlushCreatesIt) {
    TempDir dir;
    const std::string path = dir.File("Voltcheck.ini");
    TIniFile file(path);
    EXPECT_TRUE(file.LoadStatus());
    EXPECT_EQ(file.ReadInteger("S", "K", 9), 9);
    ASSERT_TRUE(file.WriteString("Секция", "Ключ", "Ё"));
    ASSERT_TRUE(file.Flush()) << file.Flush().message;
    EXPECT_FALSE(file.Modified());
    EXPECT_EQ(ReadBytes(path), std::string("[") + kSectionCp + "]\r\n" + kKeyCp + "=\xA8\r\n");
    EXPECT_EQ(TIniFile(path).ReadString("Секция", "Ключ", ""), "Ё");
}

TEST(IniDisk, FlushKeepsUnknownContentAndPermissionsAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir.File("Voltcheck.ini");
    WriteBytes(path, "; mine\n[S]\nK=1\nOther=x\n");
    ::chmod(path.c_str(), 0640);
    TIniFile file(path);
    ASSERT_TRUE(file.WriteInteger("S", "K", 2));
    ASSERT_TRUE(file.Flush());
    EXPECT_EQ(ReadBytes(path), "; mine\r\n[S]\r\nK=2\r\nOther=x\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(IniDisk, FlushThroughASymbolicLinkReplacesItsTarget) {
    TempDir dir;
    const std::string target = dir.File("real.ini");
    const std::string link = dir.File("Voltcheck.ini");
    WriteBytes(target, "[S]\r\nK=1\r\n");
    std::filesystem::create_symlink(target, link);
    TIniFile file(link);
    ASSERT_TRUE(file.WriteInteger("S", "K", 2));
    ASSERT_TRUE(file.Flush());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(target), "[S]\r\nK=2\r\n");
}

// A write that the system refuses half-way (here the file-size limit, which binds
// root too, as a full disk would) leaves the old file whole and no temporary file.
TEST(IniDisk, RefusedWriteKeepsTheOldFileWhole) {
    TempDir dir;
    const std::string path = dir.File("Voltcheck.ini");
    const std::string old = "[S]\r\nK=old\r\n";
    WriteBytes(path, old);
    TIniFile file(path);
    ASSERT_TRUE(file.WriteString("S", "K", std::string(4096, 'x')));

    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const IniStatus refused = file.Flush();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(refused);
    EXPECT_NE(refused.message.find(path), std::string::npos) << refused.message;
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    EXPECT_TRUE(file.Modified());

    // The object keeps its image: the next save, once the system allows it, writes it.
    ASSERT_TRUE(file.Flush());
    EXPECT_EQ(TIniFile(path).ReadString("S", "K", ""), std::string(4096, 'x'));
}

TEST(IniDisk, PathUnderAFileIsAnErrorThatNamesTheFile) {
    TempDir dir;
    WriteBytes(dir.File("plain"), "not a directory");
    const std::string path = dir.File("plain") + "/Voltcheck.ini";
    TIniFile file(path);
    EXPECT_TRUE(file.LoadStatus());  // nothing there to read
    ASSERT_TRUE(file.WriteInteger("S", "K", 1));
    const IniStatus status = file.Flush();
    EXPECT_FALSE(status);
    EXPECT_NE(status.message.find(path), std::string::npos) << status.message;
    EXPECT_EQ(ReadBytes(dir.File("plain")), "not a directory");
}

TEST(IniDisk, UnreadableFileIsNeverOverwritten) {
    TempDir dir;
    // A directory, a FIFO (must not block) and a file far too large for settings.
    const std::string directory = dir.File("dir.ini");
    std::filesystem::create_directory(directory);
    WriteBytes(directory + "/inside", "kept");
    const std::string fifo = dir.File("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string large = dir.File("large.ini");
    WriteBytes(large, "[S]\r\nK=1\r\n");
    std::filesystem::resize_file(large, 64u * 1024u * 1024u);

    for (const std::string& path : {directory, fifo, large}) {
        TIniFile file(path);
        EXPECT_FALSE(file.LoadStatus()) << path;
        EXPECT_NE(file.LoadStatus().message.find(path), std::string::npos);
        EXPECT_EQ(file.ReadInteger("S", "K", 7), 7);
        ASSERT_TRUE(file.WriteInteger("S", "K", 2));
        const IniStatus status = file.Flush();
        EXPECT_FALSE(status) << path;
        EXPECT_NE(status.message.find(path), std::string::npos);
    }
    EXPECT_EQ(ReadBytes(directory + "/inside"), "kept");
    EXPECT_EQ(std::filesystem::file_size(large), 64u * 1024u * 1024u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
}

}  // namespace
