// Settings files in other encodings: files written by an independent encoder (Python's
// codecs, run as a separate process) are read, edited, saved and decoded again by it.
#include "IniFile/IniFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>

using inifile::IniEncoding;
using inifile::IniStatus;
using inifile::TIniFile;

namespace {

// Encodes a UTF-8 file into codec (with the given mark bytes in front) or decodes a
// file strictly, checking the mark, back into UTF-8. Exits non-zero on any error.
constexpr const char* kCodecScript = R"(import sys
mode, codec, mark, source, target = sys.argv[1:6]
mark = bytes.fromhex(mark)
data = open(source, 'rb').read()
if mode == 'encode':
    out = mark + data.decode('utf-8').encode(codec)
else:
    if not data.startswith(mark):
        sys.exit('the mark is missing')
    for other in (b'\xef\xbb\xbf', b'\xff\xfe', b'\xfe\xff'):
        if not mark and data.startswith(other):
            sys.exit('a mark where none belongs')
    out = data[len(mark):].decode(codec).encode('utf-8')
open(target, 'wb').write(out)
)";

class Codec {
public:
    Codec() : script_(scripts_.File("codec.py")) { WriteBytes(script_, kCodecScript); }

    // True when Python succeeded.
    bool Run(const char* mode, const std::string& codec, const std::string& mark, const std::string& source,
             const std::string& target) const {
        const std::string command = "python3 '" + script_ + "' " + mode + " " + codec + " '" + mark + "' '" +
                                    source + "' '" + target + "'";
        return std::system(command.c_str()) == 0;
    }

private:
    TempDir scripts_;
    std::string script_;
};

struct EncodingCase {
    const char* name;
    const char* codec;  // Python's name
    const char* mark;   // hex
    IniEncoding encoding;
    bool unicode;
};
void PrintTo(const EncodingCase& c, std::ostream* os) { *os << c.name; }

// The first section comes right after the mark: a mark read as text would hide it.
const std::string kOriginal =
    "[Настройки]\r\nИмя=Вольтметр Ё\r\n  Число = 42\r\n; комментарий\r\n[Другая]\r\nКлюч=1\r\n";
const std::string kUnicodeComment = "; снег ☃ 中文 😀\r\n";

class IniEncodings : public testing::TestWithParam<EncodingCase> {
protected:
    std::string Original() const { return kOriginal + (GetParam().unicode ? kUnicodeComment : ""); }

    // Writes `text` in the case's encoding by the independent encoder.
    void Encode(const std::string& text) {
        WriteBytes(dir.File("source.txt"), text);
        ASSERT_TRUE(codec.Run("encode", GetParam().codec, GetParam().mark, dir.File("source.txt"), path));
    }
    // The file decoded strictly by the independent decoder, which also checks the mark.
    std::string Decoded() {
        const std::string target = dir.File("decoded.txt");
        EXPECT_TRUE(codec.Run("decode", GetParam().codec, GetParam().mark, path, target));
        return ReadBytes(target);
    }

    Codec codec;
    TempDir dir;
    std::string path = dir.File("Voltcheck.ini");
};

TEST_P(IniEncodings, ReadsWhatAnIndependentEncoderWrote) {
    ASSERT_NO_FATAL_FAILURE(Encode(Original()));
    const TIniFile file(path);
    ASSERT_TRUE(file.LoadStatus()) << file.LoadStatus().message;
    EXPECT_EQ(file.Encoding(), GetParam().encoding);
    EXPECT_EQ(file.ReadString("Настройки", "Имя", "?"), "Вольтметр Ё");
    EXPECT_EQ(file.ReadInteger("Настройки", "Число", 0), 42);
    EXPECT_EQ(file.ReadInteger("Другая", "Ключ", 0), 1);
}

TEST_P(IniEncodings, WritesBackInTheEncodingTheFileHas) {
    ASSERT_NO_FATAL_FAILURE(Encode(Original()));
    TIniFile file(path);
    ASSERT_TRUE(file.WriteInteger("Настройки", "Число", 43));
    ASSERT_TRUE(file.WriteString("Настройки", "Новый", "Значение №"));
    ASSERT_TRUE(file.WriteString("Третья", "К", "Ё"));
    // Only a Unicode file can hold a text outside code page 1251.
    EXPECT_EQ(bool(file.WriteString("Другая", "Снег", "☃ 中文")), GetParam().unicode);
    ASSERT_TRUE(file.Flush()) << file.Flush().message;

    const std::string expected =
        "[Настройки]\r\nИмя=Вольтметр Ё\r\n  Число=43\r\nНовый=Значение №\r\n; комментарий\r\n"
        "[Другая]\r\nКлюч=1\r\n" +
        std::string(GetParam().unicode ? "Снег=☃ 中文\r\n" + kUnicodeComment : "") + "[Третья]\r\nК=Ё\r\n";
    EXPECT_EQ(Decoded(), expected);

    const TIniFile again(path);
    EXPECT_EQ(again.Encoding(), GetParam().encoding);
    EXPECT_EQ(again.ReadString("Настройки", "Новый", "?"), "Значение №");
}

INSTANTIATE_TEST_SUITE_P(
    Files, IniEncodings,
    testing::Values(EncodingCase{"Cp1251", "cp1251", "", IniEncoding::Cp1251, false},
                    EncodingCase{"Utf8WithMark", "utf-8", "efbbbf", IniEncoding::Utf8Bom, true},
                    EncodingCase{"Utf16LeWithMark", "utf-16-le", "fffe", IniEncoding::Utf16LeBom, true},
                    EncodingCase{"Utf16BeWithMark", "utf-16-be", "feff", IniEncoding::Utf16BeBom, true}),
    [](const testing::TestParamInfo<EncodingCase>& info) { return std::string(info.param.name); });

TEST(IniNewFile, IsWrittenInCodePage1251WithoutAMark) {
    Codec codec;
    TempDir dir;
    const std::string path = dir.File("Voltcheck.ini");
    TIniFile file(path);
    EXPECT_EQ(file.Encoding(), IniEncoding::Cp1251);
    ASSERT_TRUE(file.WriteString("Секция", "Ключ", "Ё №"));
    EXPECT_FALSE(file.WriteString("Секция", "Снег", "☃"));
    ASSERT_TRUE(file.Flush());
    ASSERT_TRUE(codec.Run("decode", "cp1251", "", path, dir.File("decoded.txt")));
    EXPECT_EQ(ReadBytes(dir.File("decoded.txt")), "[Секция]\r\nКлюч=Ё №\r\n");
}

// ---------------------------------------------------------------------------------------
// Files whose encoding cannot be told: not read, never written over, named.

struct UnknownCase {
    const char* name;
    const char* codec;  // Python's name; empty: `bytes` as they are
    const char* mark;
    std::string bytes;  // UTF-8 text to encode, or the file itself
};
void PrintTo(const UnknownCase& c, std::ostream* os) { *os << c.name; }

class IniUnknownEncodings : public testing::TestWithParam<UnknownCase> {};

TEST_P(IniUnknownEncodings, AreNotReadNeverOverwrittenAndNamed) {
    Codec codec;
    TempDir dir;
    const std::string path = dir.File("Voltcheck.ini");
    if (*GetParam().codec != '\0') {
        WriteBytes(dir.File("source.txt"), GetParam().bytes);
        ASSERT_TRUE(codec.Run("encode", GetParam().codec, GetParam().mark, dir.File("source.txt"), path));
        std::filesystem::remove(dir.File("source.txt"));
    } else {
        WriteBytes(path, GetParam().bytes);
    }
    const std::string before = ReadBytes(path);

    TIniFile file(path);
    const IniStatus& load = file.LoadStatus();
    EXPECT_FALSE(load);
    EXPECT_NE(load.message.find("'" + path + "'"), std::string::npos) << load.message;
    EXPECT_NE(load.message.find("кодировку"), std::string::npos) << load.message;
    EXPECT_EQ(file.ReadInteger("S", "K", 7), 7);
    EXPECT_EQ(file.ReadInteger("Секция", "Ключ", 7), 7);

    ASSERT_TRUE(file.WriteInteger("S", "K", 2));
    const IniStatus flush = file.Flush();
    EXPECT_FALSE(flush);
    EXPECT_NE(flush.message.find(path), std::string::npos) << flush.message;
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

const std::string kText = "[Секция]\r\nКлюч=1\r\n[S]\r\nK=1\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, IniUnknownEncodings,
    testing::Values(UnknownCase{"Utf16LeWithoutMark", "utf-16-le", "", kText},
                    UnknownCase{"Utf16BeWithoutMark", "utf-16-be", "", kText},
                    UnknownCase{"Utf32LeWithMark", "utf-32-le", "fffe0000", kText},
                    UnknownCase{"Utf32BeWithMark", "utf-32-be", "0000feff", kText},
                    UnknownCase{"Cp1251AfterUtf8Mark", "cp1251", "efbbbf", kText},
                    UnknownCase{"BrokenUtf8AfterMark", "", "", "\xEF\xBB\xBF[S]\r\nK=\xC3(\r\n"},
                    UnknownCase{"OddUtf16Length", "", "", std::string("\xFF\xFE[\0S\0]\0\r", 9)},
                    UnknownCase{"UnpairedSurrogate", "", "", std::string("\xFF\xFE[\0\x00\xD8]\0", 8)},
                    UnknownCase{"NulWithoutMark", "", "", std::string("[S]\r\nK=1\0\r\n", 11)}),
    [](const testing::TestParamInfo<UnknownCase>& info) { return std::string(info.param.name); });

}  // namespace
