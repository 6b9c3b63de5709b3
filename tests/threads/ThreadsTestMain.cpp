// GoogleTest main with a QCoreApplication: the thread layer wakes the GUI
// thread through the application's event loop.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<QCoreApplication> app;
    if (!GTEST_FLAG_GET(list_tests)) app = std::make_unique<QCoreApplication>(argc, argv);
    return RUN_ALL_TESTS();
}
