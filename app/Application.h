#pragma once

#include <QApplication>
#include <functional>

namespace tarvo {

// The application object. Every event is delivered inside one boundary: a failure that escapes a
// mouse, key or command handler is reported to the user, and the program goes on with every
// document open.
class TApplication : public QApplication {
  public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows a failure; by default a warning box once the failed event has been left behind.
    std::function<void(const QString& text)> report;
};

}  // namespace tarvo
