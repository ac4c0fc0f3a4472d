#include "dialogs/AnimationDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace tarvo {

TAnimationDlg::TAnimationDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Animation"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("The steps in the order they play; rates in sixtieths of a second:"), this));
    Table = new QTableWidget(0, 2, this);
    Table->setHorizontalHeaderLabels({QStringLiteral("Frame"), QStringLiteral("Rate")});
    Table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    layout->addWidget(Table, 1);
    auto* row = new QHBoxLayout;
    auto button = [&](const QString& text, auto&& action) {
        auto* b = new QPushButton(text, this);
        connect(b, &QPushButton::clicked, this, action);
        row->addWidget(b);
    };
    button(QStringLiteral("&Add Step"), [this] { addStep(); });
    button(QStringLiteral("&Remove"), [this] { removeSelected(); });
    button(QStringLiteral("&Up"), [this] { moveSelected(-1); });
    button(QStringLiteral("&Down"), [this] { moveSelected(1); });
    layout->addLayout(row);
    auto* rates = new QHBoxLayout;
    RateSpin = new QSpinBox(this);
    RateSpin->setRange(1, 6000);
    RateSpin->setValue(int(kAniDefaultRate));
    rates->addWidget(new QLabel(QStringLiteral("Rate of the chosen steps:"), this));
    rates->addWidget(RateSpin);
    auto* set = new QPushButton(QStringLiteral("&Set"), this);
    connect(set, &QPushButton::clicked, this, [this] { setSelectedRate(RateSpin->value()); });
    rates->addWidget(set);
    rates->addStretch(1);
    layout->addLayout(rates);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(360, 400);
}

QSpinBox* TAnimationDlg::spin(int row, int column) const {
    return qobject_cast<QSpinBox*>(Table->cellWidget(row, column));
}

void TAnimationDlg::setRow(int row, int frame, int rate) {
    auto* f = new QSpinBox(Table);
    f->setRange(1, frames_);
    f->setValue(frame + 1);
    Table->setCellWidget(row, 0, f);
    auto* r = new QSpinBox(Table);
    r->setRange(1, 6000);
    r->setValue(rate);
    Table->setCellWidget(row, 1, r);
}

void TAnimationDlg::setAnimation(const std::optional<TAnimation>& animation, int frames) {
    frames_ = std::max(1, frames);
    base_ = animation.value_or(TAnimation{});
    if (!animation)
        for (int i = 0; i < frames_; ++i) base_.steps.push_back({i, kAniDefaultRate});
    Table->setRowCount(int(base_.steps.size()));
    for (int i = 0; i < int(base_.steps.size()); ++i)
        setRow(i, base_.steps[size_t(i)].frame, int(base_.steps[size_t(i)].rate));
}

std::optional<TAnimation> TAnimationDlg::animation() const {
    if (Table->rowCount() == 0) return std::nullopt;
    TAnimation out = base_;
    out.steps.clear();
    for (int row = 0; row < Table->rowCount(); ++row)
        out.steps.push_back({spin(row, 0)->value() - 1, uint32_t(spin(row, 1)->value())});
    return out;
}

void TAnimationDlg::addStep() {
    // The new step repeats the chosen one, after it; or the first frame, at the end.
    const int current = Table->currentRow();
    const int at = current >= 0 ? current + 1 : Table->rowCount();
    const int frame = current >= 0 ? spin(current, 0)->value() - 1 : 0;
    const int rate = current >= 0 ? spin(current, 1)->value() : int(kAniDefaultRate);
    Table->insertRow(at);
    setRow(at, frame, rate);
    Table->selectRow(at);
}

void TAnimationDlg::removeSelected() {
    QList<int> rows;
    for (const QModelIndex& index : Table->selectionModel()->selectedRows()) rows << index.row();
    std::sort(rows.rbegin(), rows.rend());
    for (int row : rows) Table->removeRow(row);
}

void TAnimationDlg::moveSelected(int by) {
    const int row = Table->currentRow(), to = row + by;
    if (row < 0 || to < 0 || to >= Table->rowCount()) return;
    const int frame = spin(row, 0)->value() - 1, rate = spin(row, 1)->value();
    const int otherFrame = spin(to, 0)->value() - 1, otherRate = spin(to, 1)->value();
    setRow(row, otherFrame, otherRate);
    setRow(to, frame, rate);
    Table->selectRow(to);
}

void TAnimationDlg::setSelectedRate(int jiffies) {
    for (const QModelIndex& index : Table->selectionModel()->selectedRows())
        spin(index.row(), 1)->setValue(jiffies);
}

}  // namespace tarvo
