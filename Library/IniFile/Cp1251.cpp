#include "Cp1251.h"

#include <iconv.h>

namespace inifile {
namespace {

// One conversion descriptor per direction and thread: iconv descriptors keep state and
// must not be shared between threads, and opening one per call is slow.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    std::optional<std::string> operator()(std::string_view text) {
        if (!valid()) return std::nullopt;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        // UTF-8 needs at most 3 bytes per cp1251 byte and per UTF-16 unit, UTF-16 at most 2
        // bytes per UTF-8 byte.
        std::string out(text.size() * 4 + 4, '\0');
        char* in = const_cast<char*>(text.data());
        size_t inLeft = text.size();
        char* outPtr = out.data();
        size_t outLeft = out.size();
        const size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
        // rc > 0 would count characters that were replaced: refused like any other failure.
        if (rc != 0 || inLeft != 0 || iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) != 0)
            return std::nullopt;
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t cd_;
};

bool IsAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

std::optional<std::string> Utf8ToCp1251(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    thread_local Converter toCp1251("CP1251", "UTF-8");
    return toCp1251(utf8);
}

std::optional<std::string> Cp1251ToUtf8(std::string_view cp1251) {
    if (IsAscii(cp1251)) return std::string(cp1251);
    thread_local Converter toUtf8("UTF-8", "CP1251");
    return toUtf8(cp1251);
}

std::optional<std::string> Utf16ToUtf8(std::string_view utf16, bool bigEndian) {
    if (utf16.size() % 2 != 0) return std::nullopt;
    if (utf16.empty()) return std::string();
    thread_local Converter fromLittle("UTF-8", "UTF-16LE");
    thread_local Converter fromBig("UTF-8", "UTF-16BE");
    return bigEndian ? fromBig(utf16) : fromLittle(utf16);
}

std::optional<std::string> Utf8ToUtf16(std::string_view utf8, bool bigEndian) {
    if (!IsValidUtf8(utf8)) return std::nullopt;
    if (utf8.empty()) return std::string();
    thread_local Converter toLittle("UTF-16LE", "UTF-8");
    thread_local Converter toBig("UTF-16BE", "UTF-8");
    return bigEndian ? toBig(utf8) : toLittle(utf8);
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    auto continuation = [&](std::size_t k) { return k < n && (byte(k) & 0xC0) == 0x80; };
    while (i < n) {
        const unsigned char c = byte(i);
        if (c < 0x80) {
            ++i;
        } else if (c >= 0xC2 && c <= 0xDF) {
            if (!continuation(i + 1)) return false;
            i += 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            if (!continuation(i + 1) || !continuation(i + 2)) return false;
            const unsigned char d = byte(i + 1);
            if (c == 0xE0 && d < 0xA0) return false;  // overlong
            if (c == 0xED && d > 0x9F) return false;  // surrogate
            i += 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            if (!continuation(i + 1) || !continuation(i + 2) || !continuation(i + 3)) return false;
            const unsigned char d = byte(i + 1);
            if (c == 0xF0 && d < 0x90) return false;  // overlong
            if (c == 0xF4 && d > 0x8F) return false;  // above U+10FFFF
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace inifile
