#include "FrameReader.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

bool ReadFrame(const std::string& input, std::vector<double>& samples, std::string& error)
{
    std::unique_ptr<std::FILE, FileCloser> owned;
    std::FILE* in = stdin;
    if (input != "-") {
        owned.reset(std::fopen(input.c_str(), "rb"));
        if (!owned) {
            error = "не могу открыть " + input + ": " + std::strerror(errno);
            return false;
        }
        in = owned.get();
    }
    std::vector<unsigned char> bytes;
    unsigned char chunk[1 << 16];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, in);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk) {
            break;
        }
    }
    if (std::ferror(in)) {
        error = "не могу прочитать " + input;
        return false;
    }
    return DecodeFrame(bytes, input, samples, error);
}

bool DecodeFrame(std::span<const unsigned char> bytes, const std::string& input, std::vector<double>& samples,
                 std::string& error)
{
    if (bytes.empty()) {
        error = input + ": в файле нет отсчётов";
        return false;
    }
    if (bytes.size() % 8 != 0) {
        error = input + ": длина " + std::to_string(bytes.size()) + " байт не кратна 8 (числа double)";
        return false;
    }
    samples.resize(bytes.size() / 8);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        std::uint64_t bits = 0;
        for (int b = 7; b >= 0; --b) {
            bits = (bits << 8) | bytes[i * 8 + static_cast<std::size_t>(b)];
        }
        const double v = std::bit_cast<double>(bits);
        if (!std::isfinite(v)) {
            error = input + ": отсчёт " + std::to_string(i) + " не является конечным числом";
            return false;
        }
        samples[i] = v;
    }
    return true;
}
