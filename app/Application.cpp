#include "app/Application.h"

#include <QMessageBox>
#include <QTimer>
#include "editor/Failures.h"

namespace tarvo {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setFailureReporter([this](const QString& text) {
        if (report) report(text);
    });
    report = [](const QString& text) {
        // The box waits for the event loop: the handler that failed may hold a painter or a
        // mouse grab that a nested modal loop would trip over.
        QTimer::singleShot(0, [text] {
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Tarvo Iconworks"),
                            QStringLiteral("The command could not be completed."), QMessageBox::Ok,
                            QApplication::activeWindow());
            box.setInformativeText(text);
            box.exec();
        });
    };
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    // The last resort: our own handlers report their failures before they reach the toolkit.
    bool result = true;
    runGuarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

}  // namespace tarvo
