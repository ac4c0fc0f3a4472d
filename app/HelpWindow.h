#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>

class QMessageBox;
class QTextBrowser;
class QWidget;

namespace tarvo {

// The manual's start page: index.html in the folder named by TARVO_HELP_DIR when that is set,
// otherwise in ../share/tarvo-iconworks/help beside the executable's folder, which is where
// both the build tree and an installation keep it.
QString helpFilePath();

// Shows the manual in the help window, opening the window or bringing the open one forward.
// When the manual is missing, says so in a warning box and returns false.
bool showHelp(QWidget* owner);

// Runs the "Failed to launch help." box; tests replace it so that nothing waits for a click.
extern std::function<void(QMessageBox& box)> execHelpMessage;

// A plain browser over the local manual: back, forward and home.
class THelpWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit THelpWindow(QWidget* owner = nullptr);

    // Starts afresh at `file`, which becomes the home page.
    void setHome(const QString& file);
    QTextBrowser* browser() const { return browser_; }

  private:
    QTextBrowser* browser_;
};

}  // namespace tarvo
