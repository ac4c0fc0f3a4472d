#include "app/Application.h"

#include <QMessageBox>
#include <QTimer>
#include <exception>
#include <new>

namespace tarvo {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    report = [](const QString& text) {
        // The box waits for the event loop: the handler that failed may hold a painter or a
        // mouse grab that a nested modal loop would trip over.
        QTimer::singleShot(0, [text] {
            QMessageBox box(QMessageBox::Warning, applicationDisplayName(),
                            QStringLiteral("The command could not be completed."), QMessageBox::Ok,
                            QApplication::activeWindow());
            box.setInformativeText(text);
            box.exec();
        });
    };
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        if (report) report(QStringLiteral("There is not enough memory."));
    } catch (const std::exception& e) {
        if (report) report(QString::fromUtf8(e.what()));
    } catch (...) {
        if (report) report(QStringLiteral("An unexpected error occurred."));
    }
    return true;
}

}  // namespace tarvo
