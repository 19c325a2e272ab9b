#include "ViewWindow.h"

#include "KvtView.h"

#include <QCoreApplication>

namespace figurant {

ViewWindow::ViewWindow(CKvtView& view) : QOpenGLWindow(NoPartialUpdate), m_view(view) {
    setFlags(flags() | Qt::WindowDoesNotAcceptFocus);
    // The 24-bit depth of the off-screen pictures and the pick target: asked for depth alone,
    // Mesa gives the window 32 bits.
    QSurfaceFormat surface = QSurfaceFormat::defaultFormat();
    surface.setStencilBufferSize(8);
    setFormat(surface);
}

void ViewWindow::initializeGL() {
    m_view.initializeGL();
}

void ViewWindow::resizeGL(int width, int height) {
    m_view.resizeGL(width, height);
}

void ViewWindow::paintGL() {
    m_view.paintGL();
}

QImage ViewWindow::RenderNow() {
    makeCurrent();
    m_view.paintGL();
    return grabFramebuffer();
}

bool ViewWindow::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        return QCoreApplication::sendEvent(&m_view, event);
    case QEvent::UpdateRequest:
    case QEvent::Paint:
    case QEvent::Expose:
        // While the document reads a model the last picture stays on the screen: nothing is
        // drawn, and no buffer is swapped in.
        if (m_view.KeepsPicture()) return true;
        break;
    default:
        break;
    }
    return QOpenGLWindow::event(event);
}

} // namespace figurant
