// Shared main for GoogleTest programs that need widgets: one QApplication for the whole run.
// Listing the tests (test discovery) needs no display, so no application is made for it.
#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

#if defined(__SANITIZE_ADDRESS__)
// In sanitizer builds: the session bus library that Qt loads keeps one
// allocation for the life of the process; it is not ours, so LeakSanitizer
// is told to pass over it.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}
#endif

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<QApplication> app;
    if (!GTEST_FLAG_GET(list_tests))
        app = std::make_unique<QApplication>(argc, argv);
    return RUN_ALL_TESTS();
}
