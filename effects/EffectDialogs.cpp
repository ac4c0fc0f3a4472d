#include "effects/EffectDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tarvo {

namespace {

QSlider* slider(int min, int max, int position, int page, QWidget* parent) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(min, max);
    s->setValue(position);
    s->setPageStep(page);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(page);
    s->setMinimumWidth(220);
    return s;
}

// A row "Caption:  [track bar]  value" in a grid; the value label follows the track bar.
QLabel* addRow(QGridLayout* grid, const QString& caption, QSlider* bar,
               const std::function<QString(int)>& text) {
    const int row = grid->rowCount();
    auto* value = new QLabel(text(bar->value()));
    value->setMinimumWidth(48);
    grid->addWidget(new QLabel(caption), row, 0);
    grid->addWidget(bar, row, 1);
    grid->addWidget(value, row, 2);
    QObject::connect(bar, &QSlider::valueChanged, value,
                     [value, text](int v) { value->setText(text(v)); });
    return value;
}

QString percent(int v) {
    return QStringLiteral("%1%").arg(v);
}

QDialogButtonBox* buttons(QDialog* dialog, const QString& ok, QPushButton** okButton = nullptr,
                          QPushButton** cancelButton = nullptr) {
    auto* box = new QDialogButtonBox(dialog);
    QPushButton* a = box->addButton(ok, QDialogButtonBox::AcceptRole);
    QPushButton* c = box->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    a->setDefault(true);
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    if (okButton) *okButton = a;
    if (cancelButton) *cancelButton = c;
    return box;
}

}  // namespace

TAdjustChannelsDlg::TAdjustChannelsDlg(const QString& caption, QWidget* parent) : QDialog(parent) {
    setWindowTitle(caption);
    auto* grid = new QGridLayout;
    RTrackBar = slider(0, 100, 50, 10, this);
    GTrackBar = slider(0, 100, 50, 10, this);
    BTrackBar = slider(0, 100, 50, 10, this);
    RLbl = addRow(grid, QStringLiteral("Red:"), RTrackBar, percent);
    GLbl = addRow(grid, QStringLiteral("Green:"), GTrackBar, percent);
    BLbl = addRow(grid, QStringLiteral("Blue:"), BTrackBar, percent);
    CheckBox = new QCheckBox(QStringLiteral("Lock"), this);
    CheckBox->setChecked(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(CheckBox);
    layout->addWidget(buttons(this, QStringLiteral("Apply"), &OKBtn, &CancelBtn));
    for (QSlider* s : {RTrackBar, GTrackBar, BTrackBar})
        connect(s, &QSlider::valueChanged, this, [this, s] { TrackBarChange(s); });
}

void TAdjustChannelsDlg::showEvent(QShowEvent* event) {
    // Unchanged positions fire nothing, so showing the dialog at 50 computes no preview.
    for (QSlider* s : {RTrackBar, GTrackBar, BTrackBar}) s->setValue(50);
    QDialog::showEvent(event);
}

void TAdjustChannelsDlg::TrackBarChange(QSlider* sender) {
    if (CheckBox->isChecked()) {
        // Moving the others re-enters here for each; one preview follows each real change.
        const int position = sender->value();
        for (QSlider* s : {RTrackBar, GTrackBar, BTrackBar}) {
            const QSignalBlocker blocker(s);
            s->setValue(position);
        }
        for (auto [s, l] : {std::pair{RTrackBar, RLbl}, {GTrackBar, GLbl}, {BTrackBar, BLbl}})
            l->setText(percent(s->value()));
    }
    if (UpdatePreview) UpdatePreview();
}

TAdjustHSBDlg::TAdjustHSBDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Adjust HSB"));
    auto* grid = new QGridLayout;
    HTrackBar = slider(0, 100, 50, 10, this);
    STrackBar = slider(0, 100, 50, 10, this);
    BTrackBar = slider(0, 100, 50, 10, this);
    HLbl = addRow(grid, QStringLiteral("Hue:"), HTrackBar, percent);
    SLbl = addRow(grid, QStringLiteral("Saturation:"), STrackBar, percent);
    BLbl = addRow(grid, QStringLiteral("Brightness:"), BTrackBar, percent);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons(this, QStringLiteral("Apply")));
    for (QSlider* s : {HTrackBar, STrackBar, BTrackBar})
        connect(s, &QSlider::valueChanged, this, [this] {
            if (UpdatePreview) UpdatePreview();
        });
}

TAdjustColorDlg::TAdjustColorDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Adjust Color"));
    auto* flags = new QGroupBox(QStringLiteral("Flags"), this);
    auto* flagLayout = new QVBoxLayout(flags);
    const char* names[3] = {"None", "Negative", "Log Filter"};
    for (int i = 0; i < 3; ++i) {
        Flags[i] = new QRadioButton(QString::fromLatin1(names[i]), flags);
        flagLayout->addWidget(Flags[i]);
    }
    Flags[0]->setChecked(true);
    ComboBox = new QComboBox(this);
    ComboBox->addItems({"Default", "A", "B", "C", "D50", "D55", "D65", "D75", "F2"});

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Illuminant:")), 0, 0);
    grid->addWidget(ComboBox, 0, 1);
    auto raw = [](int v) { return QString::number(v); };
    auto centred = [](int v) { return QString::number(v - 100); };
    RTrackBar = slider(2500, 65000, 10000, 1000, this);
    GTrackBar = slider(2500, 65000, 10000, 1000, this);
    BTrackBar = slider(2500, 65000, 10000, 1000, this);
    BlackTrackBar = slider(0, 4000, 0, 100, this);
    WhiteTrackBar = slider(6000, 10000, 10000, 1000, this);
    ContrastTrackBar = slider(0, 200, 100, 10, this);
    BrigthnessTrackBar = slider(0, 200, 100, 10, this);
    CTrackBar = slider(0, 200, 100, 10, this);
    RGTTrackBar = slider(0, 200, 100, 10, this);
    addRow(grid, QStringLiteral("Red Gamma:"), RTrackBar, raw);
    addRow(grid, QStringLiteral("Green Gamma:"), GTrackBar, raw);
    addRow(grid, QStringLiteral("Blue Gamma:"), BTrackBar, raw);
    addRow(grid, QStringLiteral("Reference Black:"), BlackTrackBar, raw);
    addRow(grid, QStringLiteral("Reference White:"), WhiteTrackBar, raw);
    addRow(grid, QStringLiteral("Contrast:"), ContrastTrackBar, centred);
    addRow(grid, QStringLiteral("Brightness:"), BrigthnessTrackBar, centred);
    addRow(grid, QStringLiteral("Colorfulness:"), CTrackBar, centred);
    addRow(grid, QStringLiteral("Red Green Tint:"), RGTTrackBar, centred);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(flags);
    layout->addLayout(grid);
    layout->addWidget(buttons(this, QStringLiteral("OK")));
    auto changed = [this] {
        if (UpdatePreview) UpdatePreview();
    };
    for (QSlider* s : {RTrackBar, GTrackBar, BTrackBar, BlackTrackBar, WhiteTrackBar,
                       ContrastTrackBar, BrigthnessTrackBar, CTrackBar, RGTTrackBar})
        connect(s, &QSlider::valueChanged, this, changed);
    for (QRadioButton* r : Flags)
        connect(r, &QRadioButton::toggled, this, [changed](bool on) {
            if (on) changed();
        });
    connect(ComboBox, &QComboBox::currentIndexChanged, this, changed);
}

int TAdjustColorDlg::flag() const {
    return Flags[1]->isChecked() ? 1 : Flags[2]->isChecked() ? 2 : 0;
}

TRotateDlg::TRotateDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Rotate Angle"));
    auto* grid = new QGridLayout;
    TrackBar = slider(0, 360, 180, 30, this);
    ALbl = addRow(grid, QStringLiteral("Angle:"), TrackBar,
                  [](int v) { return QStringLiteral("%1\u00B0").arg(v - 180); });
    // An exact angle is typed rather than found with the slider.
    AngleSpin = new QSpinBox(this);
    AngleSpin->setRange(-180, 180);
    AngleSpin->setSuffix(QStringLiteral("\u00B0"));
    AngleSpin->setValue(angle());
    grid->addWidget(AngleSpin, grid->rowCount() - 1, 3);
    ALbl->hide();
    connect(AngleSpin, &QSpinBox::valueChanged, TrackBar,
            [this](int v) { TrackBar->setValue(v + 180); });
    connect(TrackBar, &QSlider::valueChanged, AngleSpin,
            [this](int v) { AngleSpin->setValue(v - 180); });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons(this, QStringLiteral("Apply")));
    connect(TrackBar, &QSlider::valueChanged, this, [this] {
        if (UpdatePreview) UpdatePreview();
    });
}

int TRotateDlg::angle() const {
    return TrackBar->value() - 180;
}

TBlurDlg::TBlurDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Blur Setting"));
    ComboBox = new QComboBox(this);
    ComboBox->addItems({"3 x 3", "5 x 5", "7 x 7", "9 x 9"});
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Size:")));
    row->addWidget(ComboBox, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons(this, QStringLiteral("OK")));
}

void TBlurDlg::showEvent(QShowEvent* event) {
    ComboBox->setCurrentIndex((Size - 3) / 2);
    QDialog::showEvent(event);
}

void TBlurDlg::done(int result) {
    Size = ComboBox->currentIndex() * 2 + 3;
    QDialog::done(result);
}

TInvertColorsDlg::TInvertColorsDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Invert Colors"));
    RedCheckBox = new QCheckBox(QStringLiteral("Red"), this);
    GreenCheckBox = new QCheckBox(QStringLiteral("Green"), this);
    BlueCheckBox = new QCheckBox(QStringLiteral("Blue"), this);
    auto* layout = new QVBoxLayout(this);
    for (QCheckBox* c : {RedCheckBox, GreenCheckBox, BlueCheckBox}) {
        c->setChecked(true);
        layout->addWidget(c);
    }
    layout->addWidget(buttons(this, QStringLiteral("OK")));
}

}  // namespace tarvo
