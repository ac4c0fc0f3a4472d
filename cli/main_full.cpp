#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "cli/IconTool.h"

namespace {
// The tool reports its own errors; the toolkit's warnings would only clutter a script's output.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}
}  // namespace

int main(int argc, char** argv) {
    // The tool never needs a display, even where one is set: it only reads, draws on and writes
    // images in memory, which a core application serves, and starts much faster.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return tarvo::runIconTool(QCoreApplication::arguments().mid(1), out, err);
}
