#pragma once
// The About box: the application icon, the program's name and version, and OK.
#include <QDialog>

namespace figurant {

class CAboutDlg : public QDialog {
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace figurant
