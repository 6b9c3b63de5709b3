// The frame loop allocates nothing: after the preparation and one warm-up frame,
// further frames of either method do not allocate at all, neither in the run's
// own code nor in the client library it calls (StopADC, ClearBuffer, StartADC,
// Recv, ProcessData). Every operator new and (outside sanitizer builds) every
// malloc of the process is counted; the run's calls into the client library are
// wrapped at link time (--wrap) so that a failure tells which side allocated.
#include "RunZebsim.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define RUN_ALLOC_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define RUN_ALLOC_SANITIZER 1
#endif
#endif

namespace {

std::atomic<bool> counting{false};
std::atomic<long> outside{0};  // allocations anywhere but inside a client library call
std::atomic<long> inside{0};   // allocations inside a client library call made by the run
thread_local int libraryDepth = 0;

void Count() {
    if (!counting.load(std::memory_order_relaxed)) return;
    (libraryDepth > 0 ? inside : outside).fetch_add(1, std::memory_order_relaxed);
}

struct TLibraryCall {
    TLibraryCall() { ++libraryDepth; }
    ~TLibraryCall() { --libraryDepth; }
};

}  // namespace

#ifndef RUN_ALLOC_SANITIZER
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t size) {
    Count();
    return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size) {
    Count();
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size) {
    Count();
    return __libc_realloc(p, size);
}
void free(void* p) { __libc_free(p); }
}
namespace {
void* RawAllocate(std::size_t size) { return __libc_malloc(size == 0 ? 1 : size); }
void RawFree(void* p) { __libc_free(p); }
}  // namespace
#else
namespace {
void* RawAllocate(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }
// The replaced operator new below takes its memory from malloc, so free is its match;
// the compiler cannot see that through the replacement.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void RawFree(void* p) { std::free(p); }
#pragma GCC diagnostic pop
}  // namespace
#endif

void* operator new(std::size_t size) {
    Count();
    if (void* p = RawAllocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    Count();
    return RawAllocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t& t) noexcept { return operator new(size, t); }
void operator delete(void* p) noexcept { RawFree(p); }
void operator delete[](void* p) noexcept { RawFree(p); }
void operator delete(void* p, std::size_t) noexcept { RawFree(p); }
void operator delete[](void* p, std::size_t) noexcept { RawFree(p); }

// The run's calls into the client library.
extern "C" {
int32_t __real_ZEB44_SetConfig(ModuleRecord*);
int32_t __real_ZEB44_StopADC(ModuleRecord*);
int32_t __real_ZEB44_ClearBuffer(ModuleRecord*, int32_t);
int32_t __real_ZEB44_StartADC(ModuleRecord*, int32_t);
int32_t __real_ZEB44_Recv(ModuleRecord*, uint32_t*, void*, int32_t, int32_t);
int32_t __real_ZEB44_ProcessData(ModuleRecord*, const uint32_t*, double*, int32_t, int32_t, int32_t, uint8_t*);

int32_t __wrap_ZEB44_SetConfig(ModuleRecord* m) {
    TLibraryCall call;
    return __real_ZEB44_SetConfig(m);
}
int32_t __wrap_ZEB44_StopADC(ModuleRecord* m) {
    TLibraryCall call;
    return __real_ZEB44_StopADC(m);
}
int32_t __wrap_ZEB44_ClearBuffer(ModuleRecord* m, int32_t mode) {
    TLibraryCall call;
    return __real_ZEB44_ClearBuffer(m, mode);
}
int32_t __wrap_ZEB44_StartADC(ModuleRecord* m, int32_t mode) {
    TLibraryCall call;
    return __real_ZEB44_StartADC(m, mode);
}
int32_t __wrap_ZEB44_Recv(ModuleRecord* m, uint32_t* d, void* t, int32_t count, int32_t timeoutMs) {
    TLibraryCall call;
    return __real_ZEB44_Recv(m, d, t, count, timeoutMs);
}
int32_t __wrap_ZEB44_ProcessData(ModuleRecord* m, const uint32_t* s, double* d, int32_t count, int32_t o1, int32_t o2,
                                 uint8_t* overload) {
    TLibraryCall call;
    return __real_ZEB44_ProcessData(m, s, d, count, o1, o2, overload);
}
}

namespace {

using computation::TChannelMode;

class FrameLoopAllocation : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        zebtest::ZebsimProcess::Options o;
        o.scenarioJson = zebtest::singleModuleScenario(
            R"(,"channels":[{"dc":0.5,"noise_rms":0.001},{},{"amplitude":0.7,"frequency":169.5,"noise_rms":0.001}])");
        o.timeScale = 20.0;
        server_ = new zebtest::ZebsimProcess(o);
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override { server_->exportPort(); }
    static zebtest::ZebsimProcess* server_;
};
zebtest::ZebsimProcess* FrameLoopAllocation::server_ = nullptr;

TEST_F(FrameLoopAllocation, FramesAfterTheFirstAllocateNothing) {
    {
        // The counters see this thread's allocations, in the run and in a library call.
        counting = true;
        void* p = operator new(8);
        operator delete(p);
        {
            TLibraryCall call;
            p = operator new(8);
            operator delete(p);
        }
        counting = false;
        ASSERT_EQ(outside.exchange(0), 1);
        ASSERT_EQ(inside.exchange(0), 1);
#ifndef RUN_ALLOC_SANITIZER
        counting = true;
        void* q = std::malloc(8);
        counting = false;
        std::free(q);
        ASSERT_EQ(outside.exchange(0), 1);
#endif
    }
    constexpr int Frames = 5;
    for (const char* method : {"fft", "sum"}) {
        SCOPED_TRACE(method);
        runtest::TOpenModule module(1);
        ASSERT_EQ(module.Status(), ZEB44_OK);
        std::atomic<bool> stop{false};
        run::TMeasurementRun run(module.Record(), stop);
        runtest::TRunSetup setup;
        setup.Enabled = {true, false, true, false};
        setup.Range = {2, 2, 2, 2};
        setup.RateIndex = 0;
        setup.Method = method;
        setup.MaxTime = 0.5;
        setup.Mode = {TChannelMode::Dc, TChannelMode::Dc, TChannelMode::Ac, TChannelMode::Dc};
        ASSERT_TRUE(runtest::Prepare(run, setup).Ok());
        ASSERT_TRUE(runtest::Frame(run).Ok());  // warm-up

        long convertAndCompute = 0;
        outside = 0;
        inside = 0;
        for (int f = 0; f < Frames; ++f) {
            counting = true;
            const run::TStepResult acquired = run.AcquireFrame();
            const long before = outside + inside;
            const run::TStepResult converted = run.ConvertFrame();
            const run::TStepResult computed = run.ComputeChannels({true, true, true, true});
            convertAndCompute += outside + inside - before;
            counting = false;
            ASSERT_TRUE(acquired.Ok() && converted.Ok() && computed.Ok());
        }
        EXPECT_EQ(outside.load() + inside.load(), 0)
            << "allocations in " << Frames << " frames: " << outside.load() << " in the run's own code, " << inside.load()
            << " in the client library (control calls, receives, conversion); " << convertAndCompute
            << " of them in the conversion or the computation";
        EXPECT_GT(run.Results()[0].DcValue, 0.49);  // the frames were real
        EXPECT_GT(run.Results()[2].AcValue, 0.4);
        std::cout << "[ figures  ] " << method << ": " << outside.load() + inside.load() << " allocations in " << Frames
                  << " frames (in the client library: " << inside.load() << ")\n";
        EXPECT_TRUE(run.StopModule().Ok());
        run.Release();
    }
}

}  // namespace
