// The window's tests run in one QApplication on Qt's offscreen platform: no display needed.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Bildheber");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
