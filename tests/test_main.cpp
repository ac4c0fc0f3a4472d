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

#include <QTemporaryDir>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Recovery copies and other state go to a folder of the test's own.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    // Fonts, image plug-ins and the clipboard need an application object; widgets need the
    // widget application.
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
