#include <gtest/gtest.h>
#include <QGuiApplication>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Fonts, image plug-ins and the clipboard need an application object.
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
