// The widget tests need a QApplication before the first test runs; this main
// takes the place of gtest_main. The platform is offscreen unless the caller
// chose one (ctest sets it; test discovery at build time does not).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
