#pragma once
// The program's dialogs on Qt: message boxes captioned with the application title, and file
// dialogs taking the program's "Description|pattern|...||" filters.
#include "WindowServices.h"

#include <QString>

class QWidget;

namespace figurant {

// "Dxf Files (*.dxf)|*.dxf| All Files (*.*)|*.*||" becomes "Dxf Files (*.dxf);;All Files (*)".
QString ToQtFilter(const std::string& filter);

class QtDialogs : public IDialogs {
  public:
    void SetParent(QWidget* parent) { m_parent = parent; }
    void MessageBox(const std::string& text) override;
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override;
    void PrinterSetup() override;

  private:
    QWidget* m_parent = nullptr;
};

} // namespace figurant
