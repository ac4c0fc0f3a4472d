#include <gtest/gtest.h>
#include <QApplication>

// Tests of widgets need a QApplication. Linked as an object file, this main takes the place of
// the one in tarvo_test_main, whose archive member is then never pulled in.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
