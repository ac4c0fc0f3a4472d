#include "app/HelpWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>

#include "app/Icons.h"

namespace tarvo {

std::function<void(QMessageBox& box)> execHelpMessage = [](QMessageBox& box) { box.exec(); };

QString helpFilePath() {
    QString folder = qEnvironmentVariable("TARVO_HELP_DIR");
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath() +
                 QStringLiteral("/../share/tarvo-iconworks/help");
    return QDir::cleanPath(folder + QStringLiteral("/index.html"));
}

THelpWindow::THelpWindow(QWidget* owner) : QMainWindow(owner), browser_(new QTextBrowser(this)) {
    // Its own top-level window, even with an owner: the manual stays open beside the editor.
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Tarvo Iconworks Help"));
    setWindowIcon(applicationIcon());
    resize(820, 640);
    // Escape closes the manual, as it does a dialog.
    auto* close = new QAction(this);
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
    browser_->setOpenExternalLinks(true);
    setCentralWidget(browser_);

    QToolBar* bar = addToolBar(QStringLiteral("Navigation"));
    bar->setMovable(false);
    QAction* back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack),
                                   QStringLiteral("Back"), browser_, &QTextBrowser::backward);
    QAction* forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                                      QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
    bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Home"), browser_,
                   &QTextBrowser::home);
    back->setShortcut(QKeySequence::Back);
    forward->setShortcut(QKeySequence::Forward);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
}

void THelpWindow::setHome(const QString& file) {
    // Home is the first page of the history.
    browser_->clearHistory();
    browser_->setSource(QUrl::fromLocalFile(file));
}

bool showHelp(QWidget* owner) {
    const QString file = helpFilePath();
    if (!QFileInfo(file).isFile()) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Tarvo Iconworks"),
                        QStringLiteral("Failed to launch help."), QMessageBox::Ok, owner);
        execHelpMessage(box);
        return false;
    }
    // One help window at a time; closing it deletes it, and the next request opens a new one.
    static QPointer<THelpWindow> window;
    if (!window) {
        window = new THelpWindow(owner);
        window->setHome(file);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

}  // namespace tarvo
