#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>

#include "cli/IconTool.h"

int main(int argc, char** argv) {
    // The tool never needs a display, even where one is set.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return tarvo::runIconTool(QGuiApplication::arguments().mid(1), out, err);
}
