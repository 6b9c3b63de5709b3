// Runs a fuzz target over stored inputs without libFuzzer, so that the ordinary build
// (gcc) replays every committed corpus and regression input as a test.
//
// Usage: <target>_replay DIR_OR_FILE...  Every regular file below the arguments is
// fed once to LLVMFuzzerTestOneInput; a finding aborts the program as it does under
// libFuzzer. Exits non-zero when no input was found, so that a corpus that went
// missing fails the test instead of passing it empty.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path root(argv[i]);
        if (std::filesystem::is_regular_file(root)) {
            inputs.push_back(root);
        } else if (std::filesystem::is_directory(root)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
                if (entry.is_regular_file()) inputs.push_back(entry.path());
        }
    }
    // A fixed order, so that a run that fails fails the same way again.
    std::sort(inputs.begin(), inputs.end());
    for (const auto& path : inputs) {
        const std::vector<std::uint8_t> bytes = ReadAll(path);
        // An empty vector's data() may be null; libFuzzer never passes null.
        static const std::uint8_t kNothing = 0;
        LLVMFuzzerTestOneInput(bytes.empty() ? &kNothing : bytes.data(), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
