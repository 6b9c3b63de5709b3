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
        std::string out(text.size() * 4 + 4, '\0');      // UTF-8 needs at most 3 bytes per cp1251 byte
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

}  // namespace inifile
