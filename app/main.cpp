#include <QTimer>

#include "app/Application.h"
#include "app/MainForm.h"
#include "app/ToolCursors.h"

int main(int argc, char** argv) {
    tarvo::TApplication app(argc, argv);
    // The name decides the settings folder; the display name is what windows show.
    QApplication::setApplicationName(QStringLiteral("tarvo-iconworks"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tarvo Iconworks"));
    // The tool cursors are ready before any window asks for them.
    for (int number = 1; number <= 4; ++number) tarvo::toolCursor(number);

    tarvo::TMainForm mainForm;
    mainForm.showMaximized();
    // Once the main window shows: the file named on the command line (others are ignored), or
    // the new image dialog.
    const QStringList args = QApplication::arguments();
    QTimer::singleShot(0, &mainForm, [&mainForm, args] {
        if (args.size() > 1) {
            mainForm.OpenDocument(args[1]);
        } else {
            mainForm.FileNewExecute();
        }
    });
    return QApplication::exec();
}
