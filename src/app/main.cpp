// Tervo Figurant: poses and animates a three-dimensional human figure.
#include "KvtApp.h"
#include "QtDialogs.h"

#include <QApplication>
#include <QSurfaceFormat>

int main(int argc, char** argv) {
    // RGBA with 24 colour bits, double buffered, the deepest depth buffer, in a compatibility
    // context so display lists, immediate mode and selection mode are there.
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(24);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    QSurfaceFormat::setDefaultFormat(format);
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
