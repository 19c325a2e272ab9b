// Tervo Figurant: poses and animates a three-dimensional human figure.
#include "KvtApp.h"
#include "QtDialogs.h"
#include "SurfaceFormat.h"

#include <QApplication>

int main(int argc, char** argv) {
    QSurfaceFormat::setDefaultFormat(figurant::ProgramSurfaceFormat());
    QApplication application(argc, argv);
    QApplication::setApplicationName("Kvt");
    figurant::QtDialogs dialogs;
    figurant::CKvtApp app(dialogs);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!app.InitInstance(arguments)) return 1;
    dialogs.SetParent(app.Frame());
    return QApplication::exec();
}
