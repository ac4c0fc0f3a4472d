#include <gtest/gtest.h>

#if defined(TARVO_TEST_APP)
#include "app/Application.h"
using TestApplication = tarvo::TApplication;
#elif defined(TARVO_TEST_WIDGETS)
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Fonts, image plug-ins and the clipboard need an application object; widgets need the
    // widget application.
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
