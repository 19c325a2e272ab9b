#include "QtDialogs.h"

#include "CommandTable.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
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

void QtDialogs::MessageBox(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, res::kAppTitle, QString::fromStdString(text), QMessageBox::Ok,
                    m_parent);
    box.exec();
}

std::optional<std::string> QtDialogs::FileDialog(const FileDialogRequest& request) {
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

} // namespace figurant
