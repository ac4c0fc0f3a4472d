#include <QApplication>

#include "app/MainForm.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvo Iconworks"));
    tarvo::TMainForm mainForm;
    mainForm.showMaximized();
    return QApplication::exec();
}
