#include "AboutDlg.h"

#include "CommandTable.h"
#include "Icons.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

namespace figurant {

namespace {

// Dialog units: a quarter of the average character width, an eighth of the character height.
QRect Dlu(const QFontMetrics& fm, int x, int y, int w, int h) {
    const double bx = fm.averageCharWidth() / 4.0, by = fm.height() / 8.0;
    return QRect(static_cast<int>(x * bx), static_cast<int>(y * by), static_cast<int>(w * bx),
                 static_cast<int>(h * by));
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(res::kAboutCaption);
    setModal(true);
    const QFontMetrics fm(font());
    setFixedSize(Dlu(fm, 0, 0, 230, 78).size());
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    icon->setGeometry(Dlu(fm, 11, 15, 20, 20));
    auto* text = new QLabel(res::kAboutText, this);
    text->setObjectName("aboutText");
    text->setGeometry(Dlu(fm, 70, 11, 100, 8).adjusted(0, 0, 0, fm.height()));
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("ok");
    ok->setDefault(true);
    ok->setGeometry(Dlu(fm, 182, 20, 32, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace figurant
