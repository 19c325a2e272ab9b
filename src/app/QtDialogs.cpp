#include "QtDialogs.h"

#include "CommandTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QSpinBox>
#include <QStringList>

namespace figurant {

QString ToQtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        if (description.isEmpty()) continue;
        // The description names its patterns in parentheses; Qt reads them from there.
        const int paren = description.indexOf('(');
        if (paren > 0) description = description.left(paren).trimmed();
        QStringList patterns = parts[i + 1].trimmed().split(';', Qt::SkipEmptyParts);
        for (QString& p : patterns)
            if (p == "*.*") p = "*";
        entries << description + " (" + patterns.join(' ') + ")";
    }
    return entries.join(";;");
}

QtDialogs::QtDialogs() = default;
QtDialogs::~QtDialogs() = default;

void QtDialogs::MessageBox(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, res::kAppTitle, QString::fromStdString(text), QMessageBox::Ok,
                    m_parent);
    box.exec();
}

SaveAnswer QtDialogs::AskToSave(const std::string& text) {
    QMessageBox box(QMessageBox::Question, res::kAppTitle, QString::fromStdString(text),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, m_parent);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveAnswer::Save;
    case QMessageBox::Discard:
        return SaveAnswer::Discard;
    default:
        return SaveAnswer::Cancel;
    }
}

std::optional<std::string> QtDialogs::FileDialog(const FileDialogRequest& request) {
    if (request.folder) {
        const QString folder = QFileDialog::getExistingDirectory(m_parent, QString(),
                                                                 QString::fromStdString(request.initialName));
        return folder.isEmpty() ? std::nullopt : std::optional<std::string>(folder.toStdString());
    }
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    dialog.setNameFilter(ToQtFilter(request.filter));
    if (!request.initialName.empty()) dialog.selectFile(QString::fromStdString(request.initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

void QtDialogs::PrinterSetup() {
    QPrinter printer;
    QPrintDialog dialog(&printer, m_parent);
    dialog.exec();
}

namespace {

const char* Title(ExportOptions::Kind kind) {
    switch (kind) {
    case ExportOptions::Kind::Picture:
        return "Export Picture";
    case ExportOptions::Kind::Frames:
        return "Export Frames";
    case ExportOptions::Kind::Bvh:
        return "Export BVH";
    case ExportOptions::Kind::Gltf:
        return "Export glTF";
    case ExportOptions::Kind::Control:
        return "Export Control Pictures";
    }
    return "";
}

// Sizes may be typed up to this, beyond what can be drawn, so that a number typed in whole stays
// as typed (the export then says what the largest is).
constexpr int kLargestTypedSide = 99999;

} // namespace

std::optional<ExportOptions> QtDialogs::ExportOptionsDialog(const ExportOptions& proposed) {
    using Kind = ExportOptions::Kind;
    QDialog dialog(m_parent);
    dialog.setWindowTitle(Title(proposed.kind));
    auto* form = new QFormLayout(&dialog);
    const bool picture =
        proposed.kind == Kind::Picture || proposed.kind == Kind::Frames || proposed.kind == Kind::Control;
    auto* width = new QSpinBox(&dialog);
    auto* height = new QSpinBox(&dialog);
    for (const auto& [box, value] : {std::pair{width, proposed.width}, std::pair{height, proposed.height}}) {
        box->setRange(1, kLargestTypedSide);
        box->setValue(value);
        box->setSuffix(" px");
    }
    auto* background = new QComboBox(&dialog);
    background->addItems({"As shown", "White", "Transparent (PNG)"});
    background->setCurrentIndex(static_cast<int>(proposed.background));
    auto* fps = new QSpinBox(&dialog);
    fps->setRange(1, 240);
    fps->setValue(proposed.framesPerSecond);
    fps->setSuffix(" frames per second");
    auto* video = new QCheckBox("Also as an MP4 video", &dialog);
    video->setChecked(proposed.video && proposed.videoAvailable);
    video->setEnabled(proposed.videoAvailable);
    if (!proposed.videoAvailable) video->setToolTip("Install ffmpeg to make videos");
    auto* names = new QComboBox(&dialog);
    names->addItems({"Tervo Figurant (Hips, Chest, LeftForearm)",
                     "Humanoid avatar (hips, spine, leftLowerArm)",
                     "Motion capture (Hips, Spine, LeftForeArm)"});
    names->setCurrentIndex(static_cast<int>(proposed.naming));
    auto* units = new QComboBox(&dialog);
    units->addItems({"Metres", "Centimetres"});
    units->setCurrentIndex(proposed.centimetres ? 1 : 0);
    if (picture) {
        form->addRow("Width:", width);
        form->addRow("Height:", height);
    }
    if (proposed.kind == Kind::Picture) form->addRow("Background:", background);
    if (proposed.kind == Kind::Frames || (proposed.animation && proposed.kind != Kind::Picture))
        form->addRow("Rate:", fps);
    if (proposed.kind == Kind::Frames) form->addRow("", video);
    if (proposed.kind == Kind::Bvh) form->addRow("Units:", units);
    if (proposed.kind == Kind::Bvh || (proposed.kind == Kind::Gltf && !proposed.ownNames))
        form->addRow("Joint names:", names);
    static const char* const kControlNames[] = {"Keypoints (keypoints.json)", "Skeleton (skeleton.png)",
                                                "Depth (depth.png)",          "Normals (normal.png)",
                                                "Body parts (segments.png)",  "Lit picture (picture.png)"};
    std::vector<QCheckBox*> controls;
    for (std::size_t i = 0; i < proposed.controls.size(); ++i) {
        controls.push_back(new QCheckBox(kControlNames[i], &dialog));
        controls.back()->setChecked(proposed.controls[i]);
    }
    auto* body25 = new QCheckBox("25 points (with the middle of the hips and the feet)", &dialog);
    body25->setChecked(proposed.body25);
    auto* rightInRed = new QCheckBox("Normals with red towards the right (the other convention)", &dialog);
    rightInRed->setChecked(proposed.normalRightInRed);
    auto* reference = new QCheckBox("The reference picture behind the lit picture", &dialog);
    reference->setChecked(proposed.withReference && proposed.referenceAvailable);
    reference->setEnabled(proposed.referenceAvailable);
    if (proposed.kind == Kind::Control) {
        for (QCheckBox* box : controls)
            form->addRow("", box);
        form->addRow("", body25);
        form->addRow("", rightInRed);
        form->addRow("", reference);
    }
    // Every field is made for every kind of export; those this kind does not ask for stay hidden, or
    // they would be drawn at the dialog's corner over the others.
    std::vector<QWidget*> fields{width, height, background, fps,        video,
                                 units, names,  body25,     rightInRed, reference};
    fields.insert(fields.end(), controls.begin(), controls.end());
    for (QWidget* field : fields)
        if (form->indexOf(field) < 0) field->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    ExportOptions chosen = proposed;
    chosen.width = width->value();
    chosen.height = height->value();
    chosen.background = static_cast<ExportOptions::Background>(background->currentIndex());
    chosen.framesPerSecond = fps->value();
    chosen.video = video->isChecked();
    chosen.centimetres = units->currentIndex() == 1;
    chosen.naming = static_cast<ExportOptions::Naming>(names->currentIndex());
    for (std::size_t i = 0; i < controls.size(); ++i)
        chosen.controls[i] = controls[i]->isChecked();
    chosen.body25 = body25->isChecked();
    chosen.normalRightInRed = rightInRed->isChecked();
    chosen.withReference = reference->isChecked();
    return chosen;
}

std::optional<int> QtDialogs::AskPercent(const std::string& text, int value) {
    bool ok = false;
    const int chosen =
        QInputDialog::getInt(m_parent, res::kAppTitle, QString::fromStdString(text), value, 0, 100, 5, &ok);
    return ok ? std::optional<int>(chosen) : std::nullopt;
}

bool QtDialogs::Progress(const std::string& text, int done, int total) {
    return ShowProgress(text, done, total, true);
}

void QtDialogs::Busy(const std::string& text, int done, int total) {
    ShowProgress(text, done, total, false);
}

// The dialog appears only once the work has taken half a second.
bool QtDialogs::ShowProgress(const std::string& text, int done, int total, bool canCancel) {
    constexpr int kShowAfterMilliseconds = 500;
    if (done >= total) {
        m_progress.reset();
        return true;
    }
    if (!m_progress) {
        m_progress = std::make_unique<QProgressDialog>(
            QString::fromStdString(text), canCancel ? QString("Cancel") : QString(), 0, total, m_parent);
        if (!canCancel) m_progress->setCancelButton(nullptr);
        m_progress->setWindowModality(Qt::WindowModal);
        m_progress->setMinimumDuration(kShowAfterMilliseconds);
    }
    m_progress->setLabelText(QString::fromStdString(text));
    m_progress->setMaximum(total);
    m_progress->setValue(done);
    // Work that cannot stop takes no input meanwhile: a click must not reach a half-built model.
    QCoreApplication::processEvents(canCancel ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    if (!m_progress->wasCanceled()) return true;
    m_progress.reset();
    return false;
}

} // namespace figurant
