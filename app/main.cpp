#include <QApplication>

#include "app/MainForm.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The name decides the settings folder; the display name is what windows show.
    QApplication::setApplicationName(QStringLiteral("tarvo-iconworks"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tarvo Iconworks"));
    tarvo::TMainForm mainForm;
    mainForm.showMaximized();
    return QApplication::exec();
}
