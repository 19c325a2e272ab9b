// Undo and redo, mirror, flip and reset through the real window: menus, toolbar, keys and mouse.
#include "GuiFixture.h"
#include "GuiMain.h"
#include "SceneMath.h"
#include "ViewProbe.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>

using namespace figurant;
using namespace figurant::test;

namespace {

void Drag(QWidget* w, QPoint from, QPoint to) {
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, from);
    for (int i = 1; i <= 4; ++i)
        MoveWith(w, from + (to - from) * i / 4, Qt::LeftButton);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, to);
}

// The text a menu item shows once its menu opens.
QString MenuText(CMainFrame& frame, int id) {
    QAction* action = frame.MenuAction(id);
    for (QAction* top : frame.menuBar()->actions())
        if (top->menu() && top->menu()->actions().contains(action)) emit top->menu()->aboutToShow();
    return action->text();
}

void ExpectSame(const Matrix4& a, const Matrix4& b) {
    for (int i = 0; i < 16; ++i)
        QVERIFY2(a[i] == b[i], qPrintable(QString("element %1: %2 against %3").arg(i).arg(a[i]).arg(b[i])));
}

} // namespace

class UndoTest : public QObject {
    Q_OBJECT
  private slots:
    void ctrlZUndoesARealDragAndCtrlYRedoesIt() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        const QPoint forearm = SegmentPoint(v, 6);
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, forearm);
        const QImage rest = v.RenderImage();
        Drag(&v, forearm, forearm + QPoint(40, 60));
        const QImage turned = v.RenderImage();
        QVERIFY(turned != rest);
        QCOMPARE(MenuText(app.Frame(), cmd::EditUndo), QString("&Undo Turn Right Forearm\tCtrl+Z"));
        QVERIFY(app.Frame().ToolbarAction(cmd::EditUndo)->isEnabled());
        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(v.RenderImage() == rest);
        QVERIFY(app.Frame().ToolbarAction(cmd::EditRedo)->isEnabled());
        QCOMPARE(MenuText(app.Frame(), cmd::EditRedo), QString("&Redo Turn Right Forearm\tCtrl+Y"));
        QTest::keyClick(&app.Frame(), Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(v.RenderImage() == turned);
        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!v.FigureModel().CanRedo());
        // The camera is not part of the pose: zooming leaves the undo steps alone.
        app.Frame().Router().Execute(cmd::ZoomIn);
        QCOMPARE(v.FigureModel().UndoName(), std::string("Turn Right Forearm"));
    }

    void twistUndoRestoresSmoothShading() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        const QImage rest = v.RenderImage();
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, 10));
        const QImage selected = v.RenderImage();
        QTest::keyClick(&v, Qt::Key_T);
        QVERIFY(v.RenderImage() != selected);
        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(v.RenderImage() == selected);
        QVERIFY(rest != selected);
    }

    void statusBarNamesTheSelectionAndItsAngles() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        QLabel* pane = app.Frame().SelectionPane();
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, 7));
        QVERIFY(pane->text().startsWith("Left Forearm"));
        QTest::keyClick(&v, Qt::Key_Left);
        QVERIFY2(pane->text().contains(QString("z 10") + QChar(0xb0)), qPrintable(pane->text()));
        QTest::mouseClick(&v, Qt::LeftButton, Qt::ShiftModifier, SegmentPoint(v, 0));
        QCOMPARE(pane->text(), QString("2 segments"));
    }

    void mirrorFlipAndResetFromMenusAndKeys() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        QCOMPARE(MenuText(app.Frame(), cmd::MirrorPose), QString("Mirror Pose"));
        QVERIFY(!app.Frame().MenuAction(cmd::MirrorPose)->isEnabled()); // no limb selected
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, 5));
        QTest::keyClick(&v, Qt::Key_Down);
        QTest::keyClick(&v, Qt::Key_Down);
        MenuText(app.Frame(), cmd::MirrorPose);
        QVERIFY(app.Frame().MenuAction(cmd::MirrorPose)->isEnabled());
        app.Frame().MenuAction(cmd::MirrorPose)->trigger();
        QCOMPARE(v.FigureModel().UndoName(), std::string("Mirror Pose"));
        QVERIFY(!(v.Pose(4).m_matrix == Matrix4::Identity()));
        const QImage mirrored = v.RenderImage();
        MenuText(app.Frame(), cmd::FlipPose);
        app.Frame().MenuAction(cmd::FlipPose)->trigger();
        QCOMPARE(v.FigureModel().UndoName(), std::string("Flip Pose"));
        QTest::keyClick(&app.Frame(), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(v.FigureModel().UndoName(), std::string("Reset Pose"));
        for (int s = 0; s < 16; ++s)
            QVERIFY(v.Pose(s).m_matrix == Matrix4::Identity());
        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(v.RenderImage() == mirrored);
    }

    // The camera's matrices come out as the GL matrix stack computes them.
    void sceneMatricesEqualTheMatrixStack() {
        RunningApp app;
        CKvtView& v = app.View();
        v.makeCurrent();
        const ViewCamera& c = v.Camera();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        gluLookAt(c.eye[0], c.eye[1], c.eye[2], c.centre[0], c.centre[1], c.centre[2], c.up[0], c.up[1],
                  c.up[2]);
        Matrix4 stack;
        glGetFloatv(GL_MODELVIEW_MATRIX, stack.data());
        ExpectSame(LookAt({c.eye[0], c.eye[1], c.eye[2]}, {c.centre[0], c.centre[1], c.centre[2]},
                          {c.up[0], c.up[1], c.up[2]}),
                   stack);
        // The start view zooms in on top of the look-at.
        glScalef(v.StartZoom(), v.StartZoom(), v.StartZoom());
        glGetFloatv(GL_MODELVIEW_MATRIX, stack.data());
        ExpectSame(c.sceneMatrix, stack);
        const float turns[][4] = {
            {10, 0, 0, 1}, {-10, 0, 1, 0}, {35, 1, 0, 0}, {-7.5f, 0, 0, -2}, {23, 1, 2, 3}};
        Matrix4 ours = stack;
        for (const auto& t : turns) {
            glRotatef(t[0], t[1], t[2], t[3]);
            glScalef(1.6f, 1.6f, 1.6f);
            ours = SceneScaled(SceneRotated(ours, t[0], t[1], t[2], t[3]), 1.6f);
            glGetFloatv(GL_MODELVIEW_MATRIX, stack.data());
            ExpectSame(ours, stack);
        }
        glPopMatrix();
    }
};

FIGURANT_GUI_TEST_MAIN(UndoTest)
#include "UndoTest.moc"
