// Entry point of the window tests: one QApplication for all tests of the process.
#include "WebBrowser.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        // ctest lists the tests at build time, where there may be no display
        return RUN_ALL_TESTS();
    }
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // no request leaves the machine during the tests
    ostrel::platform::WebBrowser::SetNetworkEnabled(false);
    return RUN_ALL_TESTS();
}
