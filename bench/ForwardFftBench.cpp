// Forward real FFT: our engine against FFTW's r2c with the best plan FFTW finds here
// (FFTW_MEASURE and FFTW_PATIENT, the faster of the two counts), N = 2^10 ... 2^24.
//
// Own flags:
//   --min-log2=K --max-log2=K   range of N (every exponent; default 10 ... 24)
//   --rounds=R                  timing rounds per N (default 11)
//   --sample-ms=T               least time of one sample (default 20 ms)
//   --wisdom=PATH               FFTW wisdom, kept in PATH.measure and PATH.patient: each
//                               is read before its plans and written after each of them,
//                               so the planning (many minutes for PATIENT) is paid once
//   --no-patient                FFTW_MEASURE only
//   --patient-max-log2=K        FFTW_PATIENT only up to 2^K (its planning without wisdom
//                               takes a quarter of an hour at 2^20 here, and grows fast)
//   --plan-only                 make the plans (and the wisdom), then exit
//   --portable                  our engine without its AVX2/AVX-512 kernels
//   --kiss                      KissFFT's real transform as a further column
//
// Timing: in every round each engine runs for one sample in turn (ours, MEASURE,
// PATIENT, ...), so a burst of load from elsewhere hits all of them alike. A sample is
// the mean CPU time of this thread over as many calls as fill --sample-ms. The table gives the median and the
// minimum of the rounds and the ratios ours / best FFTW of both, with the load average.

#include <fftw3.h>
#include <kissfft/kissfft.hh>

#include <algorithm>
#include <chrono>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <time.h>

#include "BenchTable.h"
#include "rfft/RealFft.h"

namespace {

struct Free {
    void operator()(void* p) const { std::free(p); }
};

// Every array of both engines starts on a cache line (fftw_alloc_real gives 32 bytes).
template <class T>
T* CacheLineArray(std::size_t count)
{
    const std::size_t bytes = (count * sizeof(T) + 63) / 64 * 64;
    return static_cast<T*>(std::aligned_alloc(64, bytes));
}

// One length's input, engines and plans; made before any timing.
struct TCase {
    std::int32_t N = 0;
    // Both engines' arrays are aligned alike (a cache-line boundary saves ours some 10 %).
    std::unique_ptr<double, Free> x;
    std::unique_ptr<double, Free> f;
    std::unique_ptr<rfft::RealFft<double>> ours;
    std::unique_ptr<double, Free> in;
    std::unique_ptr<fftw_complex, Free> out;
    fftw_plan measure = nullptr;
    fftw_plan patient = nullptr;
    std::unique_ptr<kissfft<double>> kiss;
    std::vector<std::complex<double>> kissOut;
};

std::vector<double> RandomInput(std::int32_t n)
{
    std::mt19937_64 gen(12345);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> v(static_cast<std::size_t>(n));
    for (double& e : v) {
        e = dist(gen);
    }
    return v;
}

// FFTW keeps one wisdom store; each rigour has its own file so that a PATIENT plan never
// stands in for the MEASURE one.
fftw_plan PlanWithWisdom(TCase& c, unsigned rigour, const std::string& file, const char* what)
{
    fftw_forget_wisdom();
    fftw_import_wisdom_from_filename(file.c_str());
    const auto t0 = std::chrono::steady_clock::now();
    const fftw_plan plan = fftw_plan_dft_r2c_1d(c.N, c.in.get(), c.out.get(), rigour);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::fprintf(stderr, "FFTW %s plan for N = 2^%d: %.1f s\n", what, __builtin_ctz(static_cast<unsigned>(c.N)), s);
    fftw_export_wisdom_to_filename(file.c_str());
    return plan;
}

double LoadAverage()
{
    double load[1] = {-1.0};
    return getloadavg(load, 1) == 1 ? load[0] : -1.0;
}

// CPU time of this thread: on a shared machine the time the thread waits for a core
// is not counted (the caches it shares still are).
double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Mean seconds per call over one sample of at least minSeconds (and at least one call).
double Sample(const std::function<void()>& run, double minSeconds)
{
    long calls = 0;
    const double t0 = ThreadSeconds();
    double elapsed = 0.0;
    do {
        run();
        ++calls;
        elapsed = ThreadSeconds() - t0;
    } while (elapsed < minSeconds);
    return elapsed / static_cast<double>(calls);
}

struct TStats {
    double median = 0.0;
    double min = 0.0;
};

TStats Summarise(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front()};
}

} // namespace

int main(int argc, char** argv)
{
    auto flags = TakeOwnFlags(argc, argv,
                              {"min-log2", "max-log2", "rounds", "sample-ms", "wisdom", "no-patient", "patient-max-log2", "plan-only",
                               "portable", "kiss"});
    if (argc > 1) {
        std::fprintf(stderr, "unknown argument %s\n", argv[1]);
        return 1;
    }
    const int minLog2 = flags.count("min-log2") ? std::atoi(flags["min-log2"].c_str()) : 10;
    const int maxLog2 = flags.count("max-log2") ? std::atoi(flags["max-log2"].c_str()) : 24;
    const int rounds = flags.count("rounds") ? std::atoi(flags["rounds"].c_str()) : 11;
    const double sampleSeconds = (flags.count("sample-ms") ? std::atof(flags["sample-ms"].c_str()) : 20.0) * 1e-3;
    const std::string wisdom = flags.count("wisdom") ? flags["wisdom"] : std::string(VOLTCHECK_FFTW_WISDOM);
    const int patientMaxLog2 = flags.count("no-patient") ? 0
        : flags.count("patient-max-log2")                 ? std::atoi(flags["patient-max-log2"].c_str())
                                                          : 30;
    const bool withKiss = flags.count("kiss") != 0;
    const auto kernels = flags.count("portable") ? rfft::Kernels::Portable : rfft::Kernels::Best;
    if (minLog2 < 1 || maxLog2 > 26 || minLog2 > maxLog2 || rounds < 1) {
        std::fprintf(stderr, "bad --min-log2/--max-log2/--rounds\n");
        return 1;
    }

    std::vector<std::unique_ptr<TCase>> cases;
    for (int k = minLog2; k <= maxLog2; ++k) {
        auto c = std::make_unique<TCase>();
        c->N = std::int32_t{1} << k;
        const std::vector<double> input = RandomInput(c->N);
        const std::size_t n = input.size();
        c->x.reset(CacheLineArray<double>(n));
        c->f.reset(CacheLineArray<double>(n));
        std::copy(input.begin(), input.end(), c->x.get());
        std::fill(c->f.get(), c->f.get() + n, 0.0);
        c->ours = std::make_unique<rfft::RealFft<double>>(c->N, nullptr, kernels);
        c->in.reset(CacheLineArray<double>(n));
        c->out.reset(CacheLineArray<fftw_complex>(n / 2 + 1));
        c->measure = PlanWithWisdom(*c, FFTW_MEASURE, wisdom + ".measure", "MEASURE");
        if (k <= patientMaxLog2) {
            c->patient = PlanWithWisdom(*c, FFTW_PATIENT, wisdom + ".patient", "PATIENT");
        }
        // Planning overwrites the arrays: fill the input afterwards.
        std::copy(input.begin(), input.end(), c->in.get());
        if (withKiss) {
            c->kiss = std::make_unique<kissfft<double>>(n / 2, false);
            c->kissOut.resize(n / 2);
        }
        cases.push_back(std::move(c));
    }
    if (flags.count("plan-only")) {
        return 0;
    }

    const double loadBefore = LoadAverage();
    std::printf("forward_fft against FFTW r2c, %d rounds of >= %.0f ms per engine and N, %s kernels\n", rounds,
                sampleSeconds * 1e3, kernels == rfft::Kernels::Portable ? "portable" : "best");
    std::printf("load average (1 min) at start: %.2f\n\n", loadBefore);
    std::printf("median (min) of the rounds in us; best FFTW: the plan with the lower median\n");
    std::printf("%6s %19s %19s %19s %8s %9s %9s%s\n", "N", "ours", "FFTW MEASURE", "FFTW PATIENT", "best",
                "ratio med", "ratio min", withKiss ? "   kiss us" : "");
    const auto cell = [](const TStats& t) {
        char text[40];
        std::snprintf(text, sizeof text, "%.2f (%.2f)", t.median * 1e6, t.min * 1e6);
        return std::string(text);
    };
    for (auto& c : cases) {
        std::vector<std::pair<std::string, std::function<void()>>> engines;
        engines.emplace_back("ours", [&c] { c->ours->forward_fft(c->f.get(), c->x.get()); });
        engines.emplace_back("MEASURE", [&c] { fftw_execute(c->measure); });
        if (c->patient != nullptr) {
            engines.emplace_back("PATIENT", [&c] { fftw_execute(c->patient); });
        }
        if (c->kiss) {
            engines.emplace_back("kiss", [&c] { c->kiss->transform_real(c->x.get(), c->kissOut.data()); });
        }
        std::vector<std::vector<double>> times(engines.size());
        for (auto& e : engines) {
            e.second(); // warm the caches and the pages
        }
        for (int r = 0; r < rounds; ++r) {
            for (std::size_t e = 0; e < engines.size(); ++e) {
                times[e].push_back(Sample(engines[e].second, sampleSeconds));
            }
        }
        std::vector<TStats> s;
        for (auto& t : times) {
            s.push_back(Summarise(t));
        }
        const bool withPatientPlan = c->patient != nullptr;
        const bool patientBest = withPatientPlan && s[2].median < s[1].median;
        const TStats& best = patientBest ? s[2] : s[1];
        const double bestMin = withPatientPlan ? std::min(s[1].min, s[2].min) : s[1].min;
        const std::size_t kiss = engines.size() - 1;
        std::printf("%6s %19s %19s %19s %8s %9.3f %9.3f", ("2^" + std::to_string(__builtin_ctz(c->N))).c_str(),
                    cell(s[0]).c_str(), cell(s[1]).c_str(), withPatientPlan ? cell(s[2]).c_str() : "-",
                    patientBest ? "PATIENT" : "MEASURE", s[0].median / best.median, s[0].min / bestMin);
        if (c->kiss) {
            std::printf(" %9.2f", s[kiss].median * 1e6);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    std::printf("\nload average (1 min) at end: %.2f\n", LoadAverage());
    for (auto& c : cases) {
        if (c->measure) fftw_destroy_plan(c->measure);
        if (c->patient) fftw_destroy_plan(c->patient);
    }
    return 0;
}
