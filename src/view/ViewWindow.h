#pragma once
// The native OpenGL window the view draws into. A window of its own is shown by swapping its
// buffers, without the off-screen framebuffer a GL widget is drawn into and then composed with the
// rest of the main window, which under software rendering costs more than drawing the figure.
#include <QOpenGLWindow>
#include <functional>

namespace figurant {

class CKvtView;

class ViewWindow : public QOpenGLWindow {
  public:
    explicit ViewWindow(CKvtView& view);

    // The picture as the window would show it after the next paint: drawn now into the back
    // buffer and read from there, without swapping.
    QImage RenderNow();

  protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    // Mouse and wheel input goes on to the view widget, which handles it as if the window system
    // had given it there; the window never takes the keyboard focus, so keys reach the widget.
    bool event(QEvent* event) override;

  private:
    CKvtView& m_view;
};

} // namespace figurant
