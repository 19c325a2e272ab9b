// Posing with real mouse and key events: picking, the pose keys, twisting and dragging.
#include "ControlRaster.h"
#include "GuiFixture.h"
#include "GuiMain.h"
#include "LimbSolver.h"
#include "ViewProbe.h"

#include <GL/gl.h>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>

using namespace figurant;
using namespace figurant::test;

namespace {

QPoint At(RunningApp& app, int segment) {
    return SegmentPoint(app.View(), segment);
}

std::vector<int> Selection(CKvtView& v) {
    return v.FigureModel().Selection();
}

void ExpectNear(const Matrix4& a, const Matrix4& b, float eps = 2e-5f) {
    for (int i = 0; i < 16; ++i)
        QVERIFY2(std::fabs(a[i] - b[i]) < eps, qPrintable(QString::number(i)));
}

// What the last paint drew, as the window shows it: the back buffer, which this driver keeps as
// it was when it was shown (its front buffer cannot be read back).
QImage LastPainted(CKvtView& v) {
    v.makeCurrent();
    QImage image(v.width(), v.height(), QImage::Format_RGBA8888);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, image.width(), image.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    return image.mirrored();
}

} // namespace

class PoseTest : public QObject {
    Q_OBJECT
  private slots:
    void clicksPickTheNearestSegment() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, At(app, 0));
        QCOMPARE(Selection(v), std::vector<int>{0});
        QTest::mouseClick(&v, Qt::LeftButton, Qt::ShiftModifier, At(app, 8));
        QCOMPARE(Selection(v), (std::vector<int>{0, 8}));
        QTest::mouseClick(&v, Qt::LeftButton, Qt::ShiftModifier, At(app, 0));
        QCOMPARE(Selection(v), (std::vector<int>{0, 8}));
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(v.FigureModel().Selection().size(), 0u);
        app.Frame().Router().Execute(cmd::ModeNormal);
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, At(app, 0));
        QCOMPARE(v.FigureModel().Selection().size(), 0u);
        QCOMPARE(v.LastX(), At(app, 0).x());
    }

    // What the window system gives the OpenGL window: clicks pick and take the keyboard focus to
    // the view, and a right click opens the context menu.
    void inputInTheOpenGLWindowReachesTheView() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        QWindow* window = v.GLWindow();
        v.clearFocus();
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, At(app, 7));
        QCOMPARE(Selection(v), std::vector<int>{7});
        QVERIFY(v.hasFocus());
        const Matrix4 before = v.Pose(7).m_matrix;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QVERIFY(v.Pose(7).m_matrix.m != before.m);
        bool menu = false;
        v.onContextMenu = [&menu](const QPoint&) { menu = true; };
        QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
        QVERIFY(menu);
    }

    // A drag step draws the dragged part over the resting figure kept from the drag's first step:
    // what the window shows is the picture a whole repaint gives (up to the pixels on triangle
    // edges, which the window and an off-screen picture rasterise apart).
    void aDragStepShowsTheWholePicture() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        v.SetFacesWorthKeeping(0); // the default model is too small to keep a picture by itself
        const QPoint forearm = At(app, 6);
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, forearm);
        const QImage rest = v.RenderImage();
        QTest::mousePress(&v, Qt::LeftButton, Qt::NoModifier, forearm);
        for (int step = 1; step <= 3; ++step)
            MoveWith(&v, forearm + QPoint(0, 30 * step), Qt::LeftButton);
        const QImage shown = LastPainted(v);
        QTest::mouseRelease(&v, Qt::LeftButton, Qt::NoModifier, forearm + QPoint(0, 90));
        const QImage whole = v.RenderImage();
        QVERIFY(PixelsApart(rest, whole) > 500); // the forearm moved
        const int apart = PixelsApart(shown, whole);
        QVERIFY2(apart < whole.width() * whole.height() / 5000, qPrintable(QString::number(apart)));
    }

    void selectedSegmentIsDrawnRed() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        QCOMPARE(PaintAt(v.RenderImage(), At(app, 0)), Paint::Skin);
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, At(app, 0));
        const QImage image = v.RenderImage();
        QCOMPARE(PaintAt(image, At(app, 0)), Paint::Red);
        image.save(QString::fromStdString(PicturesDir()) + "/screenshot-selected.png");
    }

    void leftArrowTurnsEverySelectedSegmentAboutItsJoint() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        for (int s : {4, 6, 10})
            QTest::mouseClick(&v, Qt::LeftButton, Qt::ShiftModifier, At(app, s));
        QCOMPARE(Selection(v), (std::vector<int>{4, 6, 10}));
        QTest::keyClick(&v, Qt::Key_Left);
        Matrix4 turn;
        MakeRotation(10, 0, 0, 1, turn);
        for (int s : {4, 6, 10}) {
            const SegmentPose& p = v.Pose(s);
            QVERIFY(!(p.m_matrix == Matrix4::Identity()));
            const Point3d J = *p.m_pJointCentre;
            const Point3d moved = TransformPoint3(p.m_matrix, J);
            QVERIFY(std::fabs(moved.x - J.x) < 1e-5 && std::fabs(moved.y - J.y) < 1e-5 &&
                    std::fabs(moved.z - J.z) < 1e-5);
            QCOMPARE(p.m_childRing.size(), p.m_restRing.size());
        }
        QCOMPARE(v.Pose(4).m_rotInc[2], 10.0f);
        QCOMPARE(v.Pose(6).m_rotInc[2], 0.0f);
        QCOMPARE(v.Pose(10).m_rotInc[2], 0.0f);
        QTest::keyClick(&v, Qt::Key_B);
        QCOMPARE(v.Pose(4).m_transInc[0], static_cast<float>(0.1 * v.Camera().volume.modelSize));
        QTest::keyClick(&v, Qt::Key_D, Qt::ShiftModifier);
        QCOMPARE(v.Pose(4).m_transInc[2], -static_cast<float>(0.1 * v.Camera().volume.modelSize));
    }

    void twistAndUntwistRestoreTheLimb() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, At(app, 4));
        const std::vector<Vec3f> before = v.FigureModel().Points(4);
        const Matrix4 child = v.Pose(6).m_matrix;
        QTest::keyClick(&v, Qt::Key_T);
        QVERIFY(!(v.Pose(6).m_matrix == child));
        QTest::keyClick(&v, Qt::Key_W);
        std::size_t i = 0;
        for (const Vec3f& p : v.FigureModel().Points(4)) {
            QVERIFY(std::fabs(p.x - before[i].x) < 1e-5f && std::fabs(p.y - before[i].y) < 1e-5f &&
                    std::fabs(p.z - before[i].z) < 1e-5f);
            ++i;
        }
        ExpectNear(v.Pose(6).m_matrix, child);
        QCOMPARE(v.TwistAngle(), -4.0f);
    }

    // A segment twisted while selected is drawn and picked twisted once another is selected, as
    // it is when its surface is laid out again with nothing selected.
    void aSegmentTwistedWhileSelectedStaysTwistedOnceLetGo() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, At(app, 10));
        for (int i = 0; i < 2; ++i)
            QTest::keyClick(&v, Qt::Key_T);
        QCOMPARE(PaintAt(v.RenderImage(), At(app, 10)), Paint::Red);
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, At(app, 0));
        QCOMPARE(Selection(v), std::vector<int>{0});
        const QPoint thigh = At(app, 10);
        const QImage letGo = v.RenderImage();
        QCOMPARE(PaintAt(letGo, thigh), Paint::Trousers);
        QCOMPARE(v.SegmentAt(thigh.x(), thigh.y()), std::optional<int>(10));
        v.FigureModel().Undo();
        v.FigureModel().Redo();
        QCOMPARE(Selection(v), std::vector<int>{0});
        QCOMPARE(PixelsApart(v.RenderImage(), letGo), 0);
    }

    void twistChangesNothingOnSegmentsWithoutOneChild() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        Figure& figure = v.FigureModel();
        std::vector<Vec3f> before;
        for (int s = 0; s < 16; ++s)
            for (const Vec3f& p : figure.Points(s))
                before.push_back(p);
        for (int s : {0, 1, 2, 3, 8, 9, 14, 15})
            figure.TwistSegment(s, 4);
        std::size_t i = 0;
        for (int s = 0; s < 16; ++s)
            for (const Vec3f& p : figure.Points(s)) {
                QCOMPARE(p.x, before[i].x);
                ++i;
            }
        for (int s = 0; s < 16; ++s)
            QVERIFY(v.Pose(s).m_matrix == Matrix4::Identity());
    }

    void smallLeftDragChangesNothingAndMiddleDragTurnsTheScene() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        const QPoint start = At(app, 6);
        QTest::mousePress(&v, Qt::LeftButton, Qt::NoModifier, start);
        MoveWith(&v, start + QPoint(3, 3), Qt::LeftButton);
        QTest::mouseRelease(&v, Qt::LeftButton, Qt::NoModifier, start + QPoint(3, 3));
        QCOMPARE(Selection(v), std::vector<int>{6});
        QVERIFY(v.Pose(6).m_matrix == Matrix4::Identity());
        MoveWith(&v, start + QPoint(3, 43), Qt::LeftButton);
        QVERIFY(!(v.Pose(6).m_matrix == Matrix4::Identity()));
        QCOMPARE(v.DragRot()[0], 10);

        const QImage before = v.RenderImage();
        const Quat quat = v.Camera().curQuat;
        QTest::mousePress(&v, Qt::MiddleButton, Qt::NoModifier, QPoint(300, 300));
        MoveWith(&v, QPoint(380, 320), Qt::MiddleButton);
        QTest::mouseRelease(&v, Qt::MiddleButton, Qt::NoModifier, QPoint(380, 320));
        QVERIFY(v.Camera().curQuat != quat);
        QCOMPARE(v.TrackballDragging(), false);
        QVERIFY(v.RenderImage() != before);
    }

    void leftDragWithoutSelectionTurnsTheScene() {
        RunningApp app;
        CKvtView& v = app.View();
        QTest::mousePress(&v, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        MoveWith(&v, QPoint(141, 91), Qt::LeftButton);
        QCOMPARE(v.Camera().sceneRotZ, 10);
        QCOMPARE(v.Camera().sceneRotX, -2);
    }

    void keysWithoutSelectionDoNothing() {
        RunningApp app;
        app.Frame().Router().Execute(cmd::Hierarchy);
        CKvtView& v = app.View();
        QTest::keyClick(&v, Qt::Key_Left);
        for (int s = 0; s < 16; ++s)
            QCOMPARE(v.Pose(s).m_rotInc[2], 0.0f);
    }

    void hierarchyTogglesModeAndToolbar() {
        RunningApp app;
        CMainFrame& f = app.Frame();
        QWidget* button = f.ToolBar()->widgetForAction(f.ToolbarAction(cmd::Hierarchy));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(app.View().DisplayMode(), 1000);
        QVERIFY(f.ToolbarAction(cmd::Hierarchy)->isChecked());
        QVERIFY(f.ToolbarAction(cmd::ModeModify)->isEnabled());
        QWidget* modify = f.ToolBar()->widgetForAction(f.ToolbarAction(cmd::ModeModify));
        QTest::mouseClick(modify, Qt::LeftButton);
        QVERIFY(f.ToolbarAction(cmd::ModeModify)->isChecked());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(app.View().DisplayMode(), 1001);
        QVERIFY(!f.ToolbarAction(cmd::Hierarchy)->isChecked());
        QVERIFY(!f.ToolbarAction(cmd::ModeModify)->isEnabled());
        QCOMPARE(app.View().RenderMode(), int(RENDER_NORMAL));
    }

    // View > Rotation Gizmo: a quarter turn dragged round the ring that faces the camera turns the
    // selected forearm a quarter turn about the line of sight, says so as it goes, and is one
    // undo step; a press away from the rings still picks.
    void theGizmoTurnsAJointAboutARing() {
        RunningApp app;
        CKvtView& v = app.View();
        EnterModifyMode(app);
        app.Frame().Router().Execute(cmd::RotationGizmo);
        constexpr int kForearm = 7;
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, kForearm));
        QCOMPARE(v.FigureModel().Selection(), std::vector<int>{kForearm});
        const auto rings = v.GizmoRings();
        QCOMPARE(rings.size(), std::size_t{4});
        const CKvtView::GizmoRing& facing = rings[3];
        const ViewMatrices view = v.CurrentViewMatrices(v.width(), v.height());
        const auto centre = ProjectToPicture(view, facing.centre);
        QVERIFY(centre);
        // The ring's radius on screen, from one of its points.
        const auto onRing = ProjectToPicture(view, CKvtView::RingPoints(facing)[0]);
        const double radius = std::hypot(onRing->x - centre->x, onRing->y - centre->y);
        auto at = [&](double degrees) {
            const double a = degrees * kPi / 180;
            return QPoint(static_cast<int>(std::lround(centre->x + radius * std::cos(a) - 0.5)),
                          static_cast<int>(std::lround(centre->y - radius * std::sin(a) - 0.5)));
        };
        const Affine before = v.FigureModel().SegmentWorld(kForearm);
        v.RenderImage().save(QString::fromStdString(PicturesDir()) + "/screenshot-gizmo.png");
        MoveWith(&v, at(0), Qt::NoButton);
        QTest::mousePress(&v, Qt::LeftButton, Qt::NoModifier, at(0));
        for (int degrees = 15; degrees <= 90; degrees += 15)
            MoveWith(&v, at(degrees), Qt::LeftButton);
        QTest::mouseRelease(&v, Qt::LeftButton, Qt::NoModifier, at(90));
        QVERIFY(std::fabs(v.GizmoDegrees() - 90) < 2);
        QVERIFY(app.Frame().statusBar()->currentMessage().contains("about the view"));
        // The turn from before to after: a quarter turn about the line of sight.
        const Affine turn =
            v.FigureModel().SegmentWorld(kForearm).RotationOnly() * before.RotationOnly().Transposed();
        const double cosine = (turn.r[0][0] + turn.r[1][1] + turn.r[2][2] - 1) / 2;
        QVERIFY2(std::fabs(cosine) < 0.04, qPrintable(QString::number(cosine)));
        const Point3d axis{turn.r[2][1] - turn.r[1][2], turn.r[0][2] - turn.r[2][0],
                           turn.r[1][0] - turn.r[0][1]};
        QVERIFY(Dot(axis, facing.axis) > 0.95 * std::sqrt(Dot(axis, axis)));
        QCOMPARE(QString::fromStdString(v.FigureModel().UndoName()), QString("Turn Left Forearm"));
        app.Frame().Router().Execute(cmd::EditUndo);
        ExpectNear(v.FigureModel().SegmentWorld(kForearm).ToMatrix(), before.ToMatrix(), 1e-5f);
    }

    // With the pelvis selected the gizmo has arrows too: a drag along the x arrow moves the whole
    // figure along x alone, as one undo step.
    void theMoveGizmoMovesTheFigureAlongAnAxis() {
        RunningApp app;
        CKvtView& v = app.View();
        EnterModifyMode(app);
        app.Frame().Router().Execute(cmd::RotationGizmo);
        constexpr int kPelvis = 3;
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, kPelvis));
        QCOMPARE(v.FigureModel().Selection(), std::vector<int>{kPelvis});
        const auto handles = v.MoveHandles();
        QCOMPARE(handles.size(), std::size_t{4});
        const ViewMatrices view = v.CurrentViewMatrices(v.width(), v.height());
        const auto from = ProjectToPicture(view, handles[0].from), to = ProjectToPicture(view, handles[0].to);
        QVERIFY(from && to);
        // Press near the arrow's tip and drag 40 pixels further along it.
        const double dx = to->x - from->x, dy = to->y - from->y, pixels = std::hypot(dx, dy);
        const QPointF start(from->x + 0.9 * dx - 0.5, from->y + 0.9 * dy - 0.5);
        const QPointF end = start + QPointF(40 * dx / pixels, 40 * dy / pixels);
        const Point3d before = *v.FigureModel().JointWorld(kPelvis);
        v.RenderImage().save(QString::fromStdString(PicturesDir()) + "/screenshot-move-gizmo.png");
        MoveWith(&v, start.toPoint(), Qt::NoButton);
        QTest::mousePress(&v, Qt::LeftButton, Qt::NoModifier, start.toPoint());
        MoveWith(&v, ((start + end) / 2).toPoint(), Qt::LeftButton);
        MoveWith(&v, end.toPoint(), Qt::LeftButton);
        QTest::mouseRelease(&v, Qt::LeftButton, Qt::NoModifier, end.toPoint());
        const Point3d moved = *v.FigureModel().JointWorld(kPelvis) - before;
        const double units = Length(handles[0].to - handles[0].from);
        QVERIFY2(std::fabs(moved.x - 40 * units / pixels) < 2 * units / pixels,
                 qPrintable(QString::number(moved.x)));
        QVERIFY(std::fabs(moved.y) < 1e-6 && std::fabs(moved.z) < 1e-6);
        QCOMPARE(QString::fromStdString(v.FigureModel().UndoName()), QString("Move Figure"));
    }
};

FIGURANT_GUI_TEST_MAIN(PoseTest)
#include "PoseTest.moc"
