// The main of the tests that draw or read pictures: a QGuiApplication (SVG drawing and fonts
// need one) on the offscreen platform unless QT_QPA_PLATFORM names another.
#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
