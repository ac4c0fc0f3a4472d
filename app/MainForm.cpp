#include "app/MainForm.h"

#include <QMdiArea>

namespace tarvo {

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Tarvo Iconworks"));
    setCentralWidget(new QMdiArea(this));
    resize(1024, 720);
}

}  // namespace tarvo
