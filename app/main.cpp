#include <QTimer>

#include "app/Application.h"
#include "app/MainForm.h"
#include "app/ToolCursors.h"

int main(int argc, char** argv) {
    tarvo::TApplication app(argc, argv);
    // The name decides the settings folder. No display name: the toolkit would append it to
    // every title, and the frame's title already names the program and its document.
    QApplication::setApplicationName(QStringLiteral("tarvo-iconworks"));
    // The tool cursors are ready before any window asks for them.
    for (int number = 1; number <= 4; ++number) tarvo::toolCursor(number);

    tarvo::TMainForm mainForm;
    mainForm.showMaximized();
    // A failure may be the first of worse: the documents are copied before it is shown.
    app.report = [&mainForm, show = app.report](const QString& text) {
        mainForm.autosave();
        show(text);
    };
    // Once the main window shows: documents left by a crash, if the user wants them back, then
    // the file named on the command line (others are ignored), or else the new image dialog
    // when nothing was recovered.
    const QStringList args = QApplication::arguments();
    QTimer::singleShot(0, &mainForm, [&mainForm, args] {
        const bool recovered = mainForm.offerRecovery();
        if (args.size() > 1) {
            mainForm.OpenDocument(args[1]);
        } else if (!recovered) {
            mainForm.FileNewExecute();
        }
    });
    return QApplication::exec();
}
