#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    // Widget tests always run headless, also when ctest's environment is not used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
