#include "PoseDialogs.h"

#include "KvtView.h"
#include "LengthUnits.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <array>
#include <functional>

namespace figurant {

namespace {

constexpr const char* kAxisNames[] = {"x", "y", "z"};
// A move typed can reach this far from rest, in metres.
constexpr double kFarthestMove = 100.0;

// Three spin boxes, one per axis, named "x", "y" and "z"; every change calls `changed` with all three.
std::array<QDoubleSpinBox*, 3> AxisBoxes(QDialog& dialog, QFormLayout& form,
                                         const std::array<double, 3>& values, double range, int decimals,
                                         const QString& suffix,
                                         const std::function<void(const std::array<double, 3>&)>& changed) {
    std::array<QDoubleSpinBox*, 3> boxes{};
    for (std::size_t i = 0; i < 3; ++i) {
        auto* box = new QDoubleSpinBox(&dialog);
        box->setObjectName(kAxisNames[i]);
        box->setRange(-range, range);
        box->setDecimals(decimals);
        box->setSuffix(suffix);
        box->setValue(values[i]);
        box->setKeyboardTracking(false);
        form.addRow(QString("&%1:").arg(QString(kAxisNames[i]).toUpper()), box);
        boxes[i] = box;
    }
    for (QDoubleSpinBox* box : boxes)
        QObject::connect(box, qOverload<double>(&QDoubleSpinBox::valueChanged), &dialog, [boxes, changed] {
            changed({boxes[0]->value(), boxes[1]->value(), boxes[2]->value()});
        });
    return boxes;
}

void AddButtons(QDialog& dialog, QVBoxLayout& layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout.addWidget(buttons);
}

QString SelectionName(const CKvtView& view) {
    const std::string text = view.SelectionText();
    return QString::fromStdString(text.substr(0, text.find("  ")));
}

} // namespace

void RunRotateDialog(QWidget* parent, CKvtView& view) {
    if (!view.CanSetAngles()) return;
    QDialog dialog(parent);
    dialog.setObjectName("rotateDialog");
    dialog.setWindowTitle("Rotate");
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(SelectionName(view) + ": turn about the x, y and z axes", &dialog));
    auto* form = new QFormLayout;
    layout->addLayout(form);
    const std::array<float, 3> now = view.FigureModel().SelectionAngles();
    view.BeginExactValues("Rotate");
    AxisBoxes(dialog, *form, {now[0], now[1], now[2]}, 180.0, 1, QString::fromUtf8("\u00B0"),
              [&view](const std::array<double, 3>& v) {
                  view.SetExactAngles(
                      {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])});
              });
    AddButtons(dialog, *layout);
    view.EndExactValues(dialog.exec() == QDialog::Accepted);
}

void RunTranslateDialog(QWidget* parent, CKvtView& view) {
    if (!view.CanSetMove()) return;
    const LengthUnit& unit = UnitOf(view.Units());
    QDialog dialog(parent);
    dialog.setObjectName("translateDialog");
    dialog.setWindowTitle("Translate");
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(
        SelectionName(view) + QString(": move from rest along x, y and z, in ") + unit.name, &dialog));
    auto* form = new QFormLayout;
    layout->addLayout(form);
    const Point3d now = view.FigureModel().SelectionMove();
    view.BeginExactValues("Translate");
    AxisBoxes(dialog, *form, {now.x / unit.metres, now.y / unit.metres, now.z / unit.metres},
              kFarthestMove / unit.metres, unit.decimals, QString(" ") + unit.code,
              [&view, &unit](const std::array<double, 3>& v) {
                  view.SetExactMove({v[0] * unit.metres, v[1] * unit.metres, v[2] * unit.metres});
              });
    AddButtons(dialog, *layout);
    view.EndExactValues(dialog.exec() == QDialog::Accepted);
}

void RunOptionsDialog(QWidget* parent, CKvtView& view) {
    QDialog dialog(parent);
    dialog.setObjectName("optionsDialog");
    dialog.setWindowTitle("Options");
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    auto* rate = new QComboBox(&dialog);
    rate->setObjectName("playbackRate");
    for (const PlaybackRate& r : kPlaybackRates) {
        rate->addItem(QString("%1 frames per second").arg(r.framesPerSecond), r.framesPerSecond);
        if (r.framesPerSecond == view.PlaybackFramesPerSecond()) rate->setCurrentIndex(rate->count() - 1);
    }
    form->addRow("&Playback speed:", rate);

    QColor background = view.Background();
    auto* colour = new QPushButton(background.name(), &dialog);
    colour->setObjectName("background");
    QObject::connect(colour, &QPushButton::clicked, &dialog, [&] {
        const QColor chosen = QColorDialog::getColor(background, &dialog, "Background Colour");
        if (!chosen.isValid()) return;
        background = chosen;
        colour->setText(chosen.name());
    });
    form->addRow("&Background colour:", colour);

    auto* segments = new QCheckBox("Show the &segment colours on imported characters", &dialog);
    segments->setObjectName("segmentColours");
    segments->setEnabled(view.CharacterShown());
    segments->setChecked(view.SegmentColoursShown());
    form->addRow(segments);

    auto* units = new QComboBox(&dialog);
    units->setObjectName("units");
    for (const LengthUnit& u : kLengthUnits) {
        units->addItem(u.name, QString(u.code));
        if (view.Units() == u.code) units->setCurrentIndex(units->count() - 1);
    }
    form->addRow("&Units shown:", units);

    auto* handles = new QSpinBox(&dialog);
    handles->setObjectName("handleSize");
    handles->setRange(1, kLargestHandleSize);
    handles->setSuffix(" pixels");
    handles->setValue(view.HandleSize());
    form->addRow("&Handle size:", handles);

    AddButtons(dialog, *layout);
    if (dialog.exec() != QDialog::Accepted) return;
    view.SetPlaybackRate(rate->currentData().toInt());
    view.SetBackground(background);
    if (segments->isEnabled() && segments->isChecked() != view.SegmentColoursShown()) view.OnSegmentColours();
    view.SetUnits(units->currentData().toString().toStdString());
    view.SetHandleSize(handles->value());
}

} // namespace figurant
