// The run's frame-sized memory: sizes, the operator's message when an
// allocation fails (in a child process with a small address-space limit), and
// the buffers allocated before the failure staying until Release.
#include "run/RunBuffers.h"

#include "run/RunMessages.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using run::TRunBuffers;

TEST(RunBuffersTest, AllocatesEveryBufferAndReleasesThem) {
    TRunBuffers b;
    std::string message;
    ASSERT_TRUE(b.Allocate(3 * 1024, 1024, message)) << message;
    ASSERT_NE(b.RcvBuffer(), nullptr);
    ASSERT_NE(b.Data(), nullptr);
    ASSERT_NE(b.DataPerChannel(), nullptr);
    ASSERT_NE(b.Window(), nullptr);
    EXPECT_EQ(b.FftAdcDataPerChannel(), nullptr);
    EXPECT_EQ(b.Fft(), nullptr);
    // Every element is writable: the frame, and N + 16 per channel array.
    b.RcvBuffer()[3 * 1024 - 1] = 1;
    b.Data()[3 * 1024 - 1] = 1.0;
    b.DataPerChannel()[1024 + 15] = 1.0;
    b.Window()[1024 + 15] = 1.0;
    std::atomic<bool> stop{false};
    ASSERT_TRUE(b.AllocateSpectrum(1024, &stop, message)) << message;
    ASSERT_NE(b.FftAdcDataPerChannel(), nullptr);
    ASSERT_NE(b.Fft(), nullptr);
    EXPECT_EQ(b.Fft()->Length(), 1024u);
    EXPECT_EQ(b.Fft()->AbortFlagPtr(), &stop);
    b.FftAdcDataPerChannel()[1024 + 15] = 1.0;
    b.Release();
    EXPECT_EQ(b.RcvBuffer(), nullptr);
    EXPECT_EQ(b.Data(), nullptr);
    EXPECT_EQ(b.DataPerChannel(), nullptr);
    EXPECT_EQ(b.Window(), nullptr);
    EXPECT_EQ(b.FftAdcDataPerChannel(), nullptr);
    EXPECT_EQ(b.Fft(), nullptr);
    b.Release();  // again: nothing happens
}

// The child's report in its exit code: the message's number (1 ... 6, 7 for an
// unexpected text, 0 for success) times 32, plus one bit per buffer present.
const char* const Messages[] = {run::messages::NoMemoryRcvBuffer,      run::messages::NoMemoryData,
                                run::messages::NoMemoryDataPerChannel, run::messages::NoMemoryWindow,
                                run::messages::NoMemoryFftData,        run::messages::NoMemoryFft};

int Report(bool ok, const std::string& message, TRunBuffers& b) {
    int number = 0;
    if (!ok) {
        number = 7;
        for (int i = 0; i < 6; ++i)
            if (message == Messages[i]) number = i + 1;
    }
    const int present = (b.RcvBuffer() ? 1 : 0) | (b.Data() ? 2 : 0) | (b.DataPerChannel() ? 4 : 0) |
                        (b.Window() ? 8 : 0) | (b.FftAdcDataPerChannel() ? 16 : 0);
    return number * 32 + present;
}
constexpr int Rcv = 1, Data = 2, PerChannel = 4, Window = 8, FftData = 16;

// The process's current address space in bytes.
std::uint64_t AddressSpace() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return 0;
    char line[256];
    std::uint64_t kb = 0;
    while (std::fgets(line, sizeof line, f) != nullptr)
        if (std::strncmp(line, "VmSize:", 7) == 0) kb = std::strtoull(line + 7, nullptr, 10);
    std::fclose(f);
    return kb * 1024;
}

constexpr std::uint64_t MiB = 1024 * 1024;
// Room above what the process holds: 160 MiB fits once, not twice; 256 MiB never.
constexpr std::uint64_t Room = 200 * MiB;

[[noreturn]] void AllocateUnderLimit(std::uint32_t frameWords, std::uint32_t n, bool spectrum, std::uint32_t fftN) {
    const std::uint64_t limit = AddressSpace() + Room;
    const rlimit r{limit, limit};
    if (AddressSpace() == 0 || ::setrlimit(RLIMIT_AS, &r) != 0) std::_Exit(255);
    TRunBuffers b;
    std::string message;
    bool ok = b.Allocate(frameWords, n, message);
    if (ok && spectrum) {
        std::atomic<bool> stop{false};
        ok = b.AllocateSpectrum(fftN, &stop, message);
    }
    std::_Exit(Report(ok, message, b));
}

constexpr std::uint32_t M = 1024 * 1024;  // elements

TEST(RunBuffersDeathTest, EachFailedAllocationHasItsMessageAndKeepsTheEarlierBuffers) {
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer reserves terabytes of shadow memory, so no address-space limit can
    // make an allocation of this process fail.
    GTEST_SKIP() << "address-space limits do not bind an AddressSanitizer process";
#endif
    struct Case {
        const char* name;
        std::uint32_t frameWords, n;
        bool spectrum;
        std::uint32_t fftN;
        int expected;
    };
    const Case cases[] = {
        // 256 M words: 1 GiB of receive words.
        {"RcvBuffer", 256 * M, 16, false, 0, 1 * 32},
        // 32 M words: 128 MiB of words fit, 256 MiB of doubles do not.
        {"Data", 32 * M, 16, false, 0, 2 * 32 + Rcv},
        // 32 M samples per channel: 256 MiB.
        {"DataPerChannel", 1024, 32 * M, false, 0, 3 * 32 + Rcv + Data},
        // 16 M samples: 128 MiB fits once, not twice.
        {"Window", 1024, 16 * M, false, 0, 4 * 32 + Rcv + Data + PerChannel},
        {"FftAdcDataPerChannel", 1024, 1024, true, 32 * M, 5 * 32 + Rcv + Data + PerChannel + Window},
        // 16 M: the array fits, the engine's tables of the same length do not.
        {"TREALFFT", 1024, 1024, true, 16 * M, 6 * 32 + Rcv + Data + PerChannel + Window + FftData},
        {"all fit", 1024, 1024, true, 1024, Rcv + Data + PerChannel + Window + FftData},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EXIT(AllocateUnderLimit(c.frameWords, c.n, c.spectrum, c.fftN), ::testing::ExitedWithCode(c.expected),
                    "");
    }
}

}  // namespace
