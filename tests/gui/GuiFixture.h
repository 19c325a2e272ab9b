#pragma once
// Starts the real program (application, frame, view, document) on the default model in a
// temporary settings folder, with scripted dialogs in place of the modal ones.
#include "DefaultModel.h"
#include "KvtApp.h"
#include "ScriptedServices.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace figurant::test {

class RunningApp {
  public:
    explicit RunningApp(const QStringList& arguments = {}) {
        previous = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(RunDir()));
        app = std::make_unique<CKvtApp>(dialogs);
        started = app->InitInstance(arguments);
        if (started) {
            exposed = QTest::qWaitForWindowExposed(app->Frame());
            app->Frame()->activateWindow();
            // Shortcuts reach only the active window: wait until the window system says it is.
            active = QTest::qWaitForWindowActive(app->Frame());
            QApplication::processEvents();
        }
    }
    ~RunningApp() {
        app.reset();
        QDir::setCurrent(previous);
    }
    CMainFrame& Frame() { return *app->Frame(); }
    CKvtView& View() { return *app->Frame()->View(); }
    CKvtDoc& Doc() { return app->Doc(); }

    ScriptedDialogs dialogs;
    std::unique_ptr<CKvtApp> app;
    bool started = false;
    bool exposed = false;
    bool active = false;
    QString previous;
};

// The jointed figure in Modify mode, where clicks pick segments.
inline void EnterModifyMode(RunningApp& app) {
    app.Frame().Router().Execute(cmd::Hierarchy);
    app.Frame().Router().Execute(cmd::ModeModify);
    QCOMPARE(app.View().RenderMode(), int(RENDER_MODIFY));
}

// A mouse move with buttons held, sent to the widget as the window system would.
inline void MoveWith(QWidget* w, QPoint to, Qt::MouseButtons buttons,
                     Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QMouseEvent event(QEvent::MouseMove, to, w->mapToGlobal(to), Qt::NoButton, buttons, keys);
    QApplication::sendEvent(w, &event);
}

} // namespace figurant::test
