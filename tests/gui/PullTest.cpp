// Posing by pulling, with real mouse events on the default figure: a wrist handle dragged lands
// under the cursor, the shoulder stays and the elbow bends as a hinge; out of reach the arm points
// straight; pinned feet hold while the figure is pulled down; undo and playback give the pose back
// exactly; the Rotate, Translate and Options dialogs set what they show.
#include "ControlRaster.h"
#include "GuiFixture.h"
#include "GuiMain.h"
#include "LimbSolver.h"
#include "TempDir.h"
#include "ViewProbe.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>

using namespace figurant;
using namespace figurant::test;

namespace {

constexpr int kLeftUpperArm = 5, kLeftForearm = 7, kLeftHand = 9, kPelvis = 3;

QPointF OnScreen(CKvtView& v, const Point3d& p) {
    const auto at = ProjectToPicture(v.CurrentViewMatrices(v.width(), v.height()), p);
    return at ? QPointF(at->x, at->y) : QPointF(-1, -1);
}

Point3d HandleOf(CKvtView& v, int segment) {
    for (const auto& h : v.PullHandles())
        if (h.segment == segment) return h.at;
    return {};
}

// A left-button drag as the window system sends it: the cursor first comes to the press point
// (which brings a handle there into sight), then moves in steps.
void Drag(CKvtView& v, QPoint from, QPoint to, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    MoveWith(&v, from, Qt::NoButton, keys);
    QTest::mousePress(&v, Qt::LeftButton, keys, from);
    for (int i = 1; i <= 5; ++i)
        MoveWith(&v, from + (to - from) * i / 5, Qt::LeftButton, keys);
    QTest::mouseRelease(&v, Qt::LeftButton, keys, to);
}

double Bend(CKvtView& v, int upper, int lower, int end) {
    const Figure& f = v.FigureModel();
    const Point3d a = *f.JointWorld(upper), b = *f.JointWorld(lower), c = *f.JointWorld(end);
    const Point3d u = b - a, w = c - b;
    return std::acos(std::clamp(Dot(u, w) / (Length(u) * Length(w)), -1.0, 1.0)) * 180 / kPi;
}

// Answers the modal dialog that opens next: `fill` sets its fields, then OK (or Cancel).
void AnswerDialog(const std::function<void(QDialog&)>& fill, bool ok = true) {
    QTimer::singleShot(0, [fill, ok] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        fill(*dialog);
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    });
}

void SetAxes(QDialog& dialog, const std::array<double, 3>& values) {
    const char* names[] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i)
        dialog.findChild<QDoubleSpinBox*>(names[i])->setValue(values[static_cast<std::size_t>(i)]);
}

} // namespace

class PullTest : public QObject {
    Q_OBJECT
  private slots:
    void aWristHandleDraggedLandsUnderTheCursor() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        const Figure& f = v.FigureModel();
        const std::vector<float> rest = f.PoseValues();
        const Point3d shoulder = *f.JointWorld(kLeftUpperArm);
        const Point3d elbowRest = *f.JointWorld(kLeftForearm);
        const QPoint from = OnScreen(v, HandleOf(v, kLeftHand)).toPoint();
        const QPoint to = OnScreen(v, shoulder + Point3d{0.15, -0.3, -0.15}).toPoint();
        Drag(v, from, to);
        const QPointF wrist = OnScreen(v, *f.JointWorld(kLeftHand));
        QVERIFY2(
            std::hypot(wrist.x() - (to.x() + 0.5), wrist.y() - (to.y() + 0.5)) <= 2.0,
            qPrintable(QString("%1,%2 for %3,%4").arg(wrist.x()).arg(wrist.y()).arg(to.x()).arg(to.y())));
        QVERIFY(Length(*f.JointWorld(kLeftUpperArm) - shoulder) < 1e-5);
        const double bend = Bend(v, kLeftUpperArm, kLeftForearm, kLeftHand);
        QVERIFY2(bend > 5 && bend <= kMostLimbBend, qPrintable(QString::number(bend)));
        // The elbow is a hinge: the forearm turns, relative to the upper arm, about the axis across
        // the upper arm's rest bone and the way an elbow points (backwards).
        const Affine relative = f.SegmentWorld(kLeftUpperArm).Inverse() * f.SegmentWorld(kLeftForearm);
        const Quaternion q = RotationQuaternion(relative);
        const Point3d axis = Normalize(q[0], q[1], q[2]);
        const Point3d hinge = Normalize(Cross(elbowRest - shoulder, {0, 1, 0}));
        QVERIFY2(Length(Cross(axis, hinge)) < 1e-3, qPrintable(QString::number(Length(Cross(axis, hinge)))));
        QCOMPARE(f.UndoName(), std::string("Pull Left Hand"));
        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.PoseValues() == rest);
    }

    void outOfReachTheArmPointsStraightAtTheCursor() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        const Figure& f = v.FigureModel();
        const Point3d grab = HandleOf(v, kLeftHand);
        const QPoint from = OnScreen(v, grab).toPoint();
        const QPoint to = from + QPoint(200, -250);
        Drag(v, from, to);
        QVERIFY(Bend(v, kLeftUpperArm, kLeftForearm, kLeftHand) < 0.01);
        const Point3d shoulder = *f.JointWorld(kLeftUpperArm);
        const Point3d target = v.UnderCursor(to.x(), to.y(), grab);
        const Point3d along = *f.JointWorld(kLeftHand) - shoulder;
        QVERIFY(Length(Cross(Normalize(along), Normalize(target - shoulder))) < 1e-3);
    }

    // The elbow's handle swings the bent arm about the line from the shoulder to the wrist: the
    // elbow goes round, the wrist stays, as one step.
    void theElbowHandleSwingsTheArm() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        const Figure& f = v.FigureModel();
        constexpr int kLeftUpperArm = 5, kLeftForearm = 7, kLeftHand = 9;
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, kLeftForearm));
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(&v, Qt::Key_Up);
        QVERIFY(Bend(v, kLeftUpperArm, kLeftForearm, kLeftHand) > 30);
        const Point3d wrist = *f.JointWorld(kLeftHand), elbow = *f.JointWorld(kLeftForearm);
        const QPoint from = OnScreen(v, HandleOf(v, kLeftForearm)).toPoint();
        // In towards the line between the shoulder and the wrist: the elbow comes forward.
        const QPoint line = OnScreen(v, 0.5 * (*f.JointWorld(kLeftUpperArm) + wrist)).toPoint();
        Drag(v, from, from + (line - from) / 2);
        QCOMPARE(f.UndoName(), std::string("Swing Left Upper Arm"));
        QVERIFY(Length(*f.JointWorld(kLeftHand) - wrist) < 1e-4);
        QVERIFY(Length(*f.JointWorld(kLeftForearm) - elbow) > 0.02);
        const Matrix4 eye = v.CurrentViewMatrices(v.width(), v.height()).modelView;
        QVERIFY(Dot(*f.JointWorld(kLeftForearm) - elbow, Point3d{eye[2], eye[6], eye[10]}) > 0.01);
    }

    // Shift while pulling takes the hand towards the camera as the cursor goes up, where it shows
    // across the screen staying put.
    void shiftPullsTowardsTheCamera() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        const Figure& f = v.FigureModel();
        constexpr int kLeftHand = 9;
        const Point3d wrist = *f.JointWorld(kLeftHand);
        const QPoint from = OnScreen(v, HandleOf(v, kLeftHand)).toPoint();
        Drag(v, from, from + QPoint(0, -30), Qt::ShiftModifier);
        const Matrix4 eye = v.CurrentViewMatrices(v.width(), v.height()).modelView;
        const Point3d moved = *f.JointWorld(kLeftHand) - wrist;
        QVERIFY(Dot(moved, Point3d{eye[2], eye[6], eye[10]}) > 0.05);
        QVERIFY(QLineF(OnScreen(v, *f.JointWorld(kLeftHand)), OnScreen(v, wrist)).length() < 25);
    }

    void pinnedFeetHoldWhileThePelvisIsPulledDown() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        const Figure& f = v.FigureModel();
        const std::vector<float> rest = f.PoseValues();
        Point3d ankles[2];
        for (int i = 0; i < 2; ++i) {
            QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, 14 + i));
            QTest::keyClick(&v, Qt::Key_P);
            QVERIFY(f.IsPinned(14 + i));
            ankles[i] = *f.JointWorld(14 + i);
        }
        // P on what cannot be pinned says so.
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, 1));
        QTest::keyClick(&v, Qt::Key_P);
        QVERIFY(app.Frame().statusBar()->currentMessage().startsWith("Only a hand or a foot can be pinned"));
        const Point3d pelvis = HandleOf(v, kPelvis);
        const QPoint from = OnScreen(v, pelvis).toPoint();
        const QPoint to = OnScreen(v, pelvis - Point3d{0, 0, 0.2}).toPoint();
        Drag(v, SegmentPoint(v, kPelvis), SegmentPoint(v, kPelvis) + (to - from), Qt::ControlModifier);
        QCOMPARE(f.UndoName(), std::string("Move Figure"));
        const double dropped = pelvis.z - HandleOf(v, kPelvis).z;
        QVERIFY2(std::fabs(dropped - 0.2) < 0.01, qPrintable(QString::number(dropped)));
        const QImage picture = v.RenderImage();
        for (int i = 0; i < 2; ++i) {
            QVERIFY(Length(*f.JointWorld(14 + i) - ankles[i]) < 1e-4);
            QVERIFY(Bend(v, 10 + i, 12 + i, 14 + i) > 20);
            // The pin is drawn on its ankle, in red.
            const QPoint pin = OnScreen(v, ankles[i]).toPoint();
            const QRgb shown = picture.pixel(pin);
            QVERIFY2(qRed(shown) > 200 && qGreen(shown) < 100, qPrintable(QString::number(shown, 16)));
        }
        // Pinned legs whose feet are on their pins stay exactly as they are while a hand is pulled.
        std::vector<Matrix4> legs;
        for (int s : {10, 11, 12, 13, 14, 15})
            legs.push_back(f.Pose(s).m_matrix);
        const QPoint hand = OnScreen(v, HandleOf(v, 9)).toPoint();
        Drag(v, hand, hand + QPoint(20, -40));
        QCOMPARE(f.UndoName(), std::string("Pull Left Hand"));
        for (std::size_t i = 0; i < legs.size(); ++i)
            QVERIFY2(f.Pose(static_cast<int>(10 + i)).m_matrix.m == legs[i].m,
                     qPrintable(QString::number(10 + i)));
        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.PoseValues() == rest);
    }

    void aKeyFrameSavedAfterPullingPlaysBackToTheSamePicture() {
        RunningApp app;
        TempDir dir;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        app.dialogs.answers = {dir.File("pulled.amt")};
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        const QPoint from = OnScreen(v, HandleOf(v, kLeftHand)).toPoint();
        Drag(v, from, from + QPoint(-40, -120));
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5)); // nothing selected
        const QImage pulled = v.RenderImage();
        const std::vector<float> pose = v.FigureModel().PoseValues();
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        app.Frame().Router().Execute(cmd::ResetPose);
        QVERIFY(v.RenderImage() != pulled);
        app.Frame().Router().Execute(cmd::Animate);
        const std::vector<float> played = v.FigureModel().PoseValues();
        float worst = 0;
        for (std::size_t i = 0; i < pose.size(); ++i)
            worst = std::max(worst, std::fabs(played[i] - pose[i]));
        // The file keeps six digits: the pose comes back to within a float's rounding, and the
        // picture to within that rounding of the shading on a few pixels.
        QVERIFY2(worst < 1e-5, qPrintable(QString::number(worst)));
        const QImage picture = v.RenderImage();
        QVERIFY(PixelsApart(picture, pulled) < picture.width() * picture.height() / 1000);
    }

    void theDialogsSetWhatTheKeysWould() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        Figure& f = v.FigureModel();
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, 6));
        // Turns about z, then y, then x: the order the angles are read in.
        for (const Qt::Key key : {Qt::Key_Left, Qt::Key_Left, Qt::Key_Up, Qt::Key_PageUp})
            QTest::keyClick(&v, key);
        const Matrix4 byKeys = f.Pose(6).m_matrix;
        const std::array<float, 3> angles = f.JointAngles(6);
        app.Frame().Router().Execute(cmd::ResetPose);
        const std::vector<float> rest = f.PoseValues();

        // Cancel puts the joint back and leaves no step.
        AnswerDialog([](QDialog& d) { SetAxes(d, {30, 0, 0}); }, false);
        app.Frame().Router().Execute(cmd::ContextRotate);
        QVERIFY(f.PoseValues() == rest);
        QCOMPARE(f.UndoName(), std::string("Reset Pose"));

        AnswerDialog([&](QDialog& d) { SetAxes(d, {angles[0], angles[1], angles[2]}); });
        app.Frame().Router().Execute(cmd::ContextRotate);
        for (int i = 0; i < 16; ++i)
            QVERIFY2(std::fabs(f.Pose(6).m_matrix[i] - byKeys[i]) < 1e-5, qPrintable(QString::number(i)));
        QCOMPARE(f.UndoName(), std::string("Rotate Right Forearm"));

        // A move typed in centimetres, with the turn kept.
        v.SetUnits("cm");
        AnswerDialog([](QDialog& d) { SetAxes(d, {0, -5, 10}); });
        app.Frame().Router().Execute(cmd::ContextTranslate);
        const Point3d move = f.JointMove(6);
        QVERIFY(std::fabs(move.y + 0.05) < 1e-6 && std::fabs(move.z - 0.1) < 1e-6);
        QVERIFY(std::fabs(f.JointAngles(6)[2] - angles[2]) < 1e-3);
        const std::string status = v.SelectionText();
        QVERIFY2(status.find("moved x 0.0  y -5.0  z 10.0 cm") != std::string::npos, status.c_str());
        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.PoseValues() == rest);

        AnswerDialog([](QDialog& d) {
            d.findChild<QSpinBox*>("handleSize")->setValue(16);
            d.findChild<QComboBox*>("playbackRate")->setCurrentIndex(1);
            auto* units = d.findChild<QComboBox*>("units");
            units->setCurrentIndex(units->findData(QString("in")));
        });
        app.Frame().Router().Execute(cmd::ContextOptions);
        QCOMPARE(v.HandleSize(), 16);
        QCOMPARE(v.PlaybackFramesPerSecond(), 15);
        QCOMPARE(v.Units(), std::string("in"));
    }
};

FIGURANT_GUI_TEST_MAIN(PullTest)
#include "PullTest.moc"
