#pragma once
// The program's dialogs on Qt: message boxes captioned with the application title, file dialogs
// taking the program's "Description|pattern|...||" filters, export options and progress.
#include "WindowServices.h"

#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

namespace figurant {

// "Dxf Files (*.dxf)|*.dxf| All Files (*.*)|*.*||" becomes "Dxf Files (*.dxf);;All Files (*)".
QString ToQtFilter(const std::string& filter);

class QtDialogs : public IDialogs {
  public:
    QtDialogs();
    ~QtDialogs() override;
    void SetParent(QWidget* parent) { m_parent = parent; }
    void MessageBox(const std::string& text) override;
    SaveAnswer AskToSave(const std::string& text) override;
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override;
    void PrinterSetup() override;
    std::optional<ExportOptions> ExportOptionsDialog(const ExportOptions& proposed) override;
    bool Progress(const std::string& text, int done, int total) override;
    void Busy(const std::string& text, int done, int total) override;
    std::optional<int> AskPercent(const std::string& text, int value) override;

  private:
    bool ShowProgress(const std::string& text, int done, int total, bool canCancel);
    QWidget* m_parent = nullptr;
    std::unique_ptr<QProgressDialog> m_progress;
};

} // namespace figurant
