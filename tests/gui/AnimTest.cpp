// Recording key frames with File Save and playing them with File Open and Animate.
#include "AnimationFormat.h"
#include "ControlRaster.h"
#include "GuiFixture.h"
#include "GuiMain.h"
#include "KeyFrameStrip.h"
#include "PoseFrames.h"
#include "TempDir.h"
#include "ViewProbe.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>

using namespace figurant;
using namespace figurant::test;

namespace {

void Select(RunningApp& app, int segment) {
    CKvtView& v = app.View();
    QTest::mouseClick(
        &v, Qt::LeftButton, Qt::NoModifier,
        Project(v, Centre(v.FigureModel().Vertices(segment)), TreeMatrix(v, segment)).toPoint());
    QCOMPARE(v.FigureModel().Selection().size(), 1u);
    QCOMPARE(v.FigureModel().Selection()[0], segment);
}

std::vector<Matrix4> Matrices(CKvtView& v) {
    std::vector<Matrix4> m;
    for (int s = 0; s < 16; ++s)
        m.push_back(v.Pose(s).m_matrix);
    return m;
}

} // namespace

class AnimTest : public QObject {
    Q_OBJECT
  private slots:
    void recordThreeKeyFramesAndPlayThemBack() {
        RunningApp app;
        TempDir dir;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        const std::string path = dir.File("walk.amt");
        app.dialogs.answers = {path};
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(v.AnimAvailable(), true);
        QVERIFY(app.Frame().ToolbarAction(cmd::Animate)->isEnabled());
        QCOMPARE(app.dialogs.requests.back().filter,
                 std::string("Animation Files (*.amt)|*.amt| All Files (*.*)|*.*||"));
        Select(app, 6);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(&v, Qt::Key_PageUp);
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        Select(app, 10);
        QTest::keyClick(&v, Qt::Key_Left);
        QTest::keyClick(&v, Qt::Key_F);
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(app.dialogs.requests.size(), 1u);
        const auto last = Matrices(v);
        QCOMPARE(ReadAll(path).size() > 0, true);

        app.Frame().Router().Execute(cmd::Reset);
        QVERIFY(v.Pose(6).m_matrix == Matrix4::Identity());
        const int frames = v.FramesShown();
        QWidget* animate = app.Frame().ToolBar()->widgetForAction(app.Frame().ToolbarAction(cmd::Animate));
        QTest::mouseClick(animate, Qt::LeftButton);
        QCOMPARE(v.FramesShown() - frames, 3 + 10 * 2);
        QCOMPARE(v.Playing(), false);
        QVERIFY(!app.Frame().ToolbarAction(cmd::Animate)->isChecked());
        const auto played = Matrices(v);
        for (int s = 0; s < 16; ++s)
            for (int i = 0; i < 16; ++i)
                QVERIFY(std::fabs(played[s][i] - last[s][i]) < 1e-5f * (1 + std::fabs(last[s][i])));
    }

    void cancelledDialogsAndFlatModeChangeNothing() {
        RunningApp app;
        CKvtView& v = app.View();
        app.Frame().Router().Execute(cmd::FileSave);
        app.Frame().Router().Execute(cmd::FileOpen);
        QCOMPARE(app.dialogs.messages.size(), 2u);
        QCOMPARE(app.dialogs.messages[0], std::string("Please enter hierarchical model mode first!"));
        QVERIFY(app.dialogs.requests.empty());
        app.Frame().Router().Execute(cmd::Hierarchy);
        v.SetAnimationFile("earlier.amt", false);
        app.Frame().Router().Execute(cmd::FileSave);
        QCOMPARE(app.dialogs.requests.size(), 1u);
        QCOMPARE(app.dialogs.requests[0].initialName, std::string("earlier.amt"));
        QCOMPARE(app.dialogs.requests[0].defaultExtension, std::string("amt"));
        QCOMPARE(v.AnimFile(), std::string("earlier.amt"));
        QCOMPARE(v.AnimAvailable(), false);
        const int paints = v.Paints();
        app.Frame().Router().Execute(cmd::Animate);
        QCOMPARE(v.Paints(), paints);
    }

    // A capture opened with File > Open plays every frame on the figure and says what it could not
    // match; the key frame saved next starts an animation file of its own (never appended to the
    // capture file).
    void motionCaptureOpensPlaysAndIsNeverWrittenInto() {
        RunningApp app;
        TempDir dir;
        CKvtView& v = app.View();
        app.Frame().Router().Execute(cmd::Hierarchy);
        const std::string clip = dir.Write("reach.bvh", R"(HIERARCHY
ROOT Hips
{
  OFFSET 0 100 0
  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation
  JOINT Spine
  {
    OFFSET 0 20 0
    CHANNELS 3 Zrotation Xrotation Yrotation
    JOINT Neck
    {
      OFFSET 0 30 0
      CHANNELS 3 Zrotation Xrotation Yrotation
      End Site
      {
        OFFSET 0 20 0
      }
    }
    JOINT RightArm
    {
      OFFSET -20 25 0
      CHANNELS 3 Zrotation Xrotation Yrotation
      JOINT RightForeArm
      {
        OFFSET -28 0 0
        CHANNELS 3 Zrotation Xrotation Yrotation
        End Site
        {
          OFFSET -25 0 0
        }
      }
    }
  }
}
MOTION
Frames: 3
Frame Time: 0.04
0 100 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0
0 100 0 0 0 0 0 0 0 0 0 0 30 0 0 20 0 0
0 100 0 0 0 0 0 0 0 0 0 0 60 0 0 40 0 0
)");
        const int frames = v.FramesShown();
        app.dialogs.answers = {clip};
        app.Frame().Router().Execute(cmd::FileOpen);
        QCOMPARE(v.FramesShown() - frames, 3);
        QVERIFY(app.dialogs.messages.empty());
        QVERIFY(app.Frame().statusBar()->currentMessage().contains("Left Upper Arm"));
        QCOMPARE(app.Frame().StatusPaneLabel(IWindowServices::StatusPane::Animation)->text(),
                 QString("reach.bvh (3 frames)"));
        QVERIFY(!v.FigureModel().IsAtRest());
        const std::string before = ReadAll(clip);
        app.dialogs.answers = {dir.File("pose.amt")};
        app.Frame().Router().Execute(cmd::FileSave);
        QCOMPARE(app.dialogs.requests.back().open, false);
        QCOMPARE(ReadAll(clip), before);
        QVERIFY(!ReadAll(dir.File("pose.amt")).empty());
    }

    // The strip with real clicks and keys: it shows the recorded key frames without taking room
    // from the view; a click shows a key frame; insert, replace, delete, undo and redo each leave a
    // file whose key frames are what the strip showed.
    void keyFrameStripEditsTheFile() {
        RunningApp app;
        TempDir dir;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        const QSize viewSize = v.size();
        const std::string path = dir.File("walk.amt");
        app.dialogs.answers = {path};
        Select(app, 6);
        for (int key = 0; key < 3; ++key) {
            QTest::keyClick(&v, Qt::Key_PageUp);
            QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        }
        KeyFrameStrip& strip = *v.Strip();
        QVERIFY(strip.isVisible());
        QCOMPARE(strip.Count(), 3);
        QCOMPARE(v.size(), viewSize);
        // The strip stays in its place as the standing texts change length.
        const int stripAt = strip.mapTo(&app.Frame(), QPoint(0, 0)).x();
        Select(app, 10);
        QTest::keyClick(&v, Qt::Key_T);
        QApplication::processEvents();
        QCOMPARE(strip.mapTo(&app.Frame(), QPoint(0, 0)).x(), stripAt);
        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier);
        Select(app, 6);
        auto keyOf = [&](int key) {
            std::string error;
            const auto frames = PlaybackFrames(v.FigureModel(), path, &error);
            return frames && static_cast<std::size_t>(11 * key) < frames->size() ? (*frames)[11 * key][6]
                                                                                 : Matrix4{};
        };
        auto click = [&](int key) {
            QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(strip.MarkX(key), strip.height() / 2));
        };
        auto near = [](const Matrix4& a, const Matrix4& b) {
            for (int i = 0; i < 16; ++i)
                if (std::fabs(a[i] - b[i]) > 1e-4f) return false;
            return true;
        };

        click(0);
        QVERIFY(near(v.Pose(6).m_matrix, keyOf(0)));
        QTest::keyClick(&v, Qt::Key_Left);
        const Matrix4 inserted = v.Pose(6).m_matrix;
        app.Frame().Router().Execute(cmd::KeyFrameInsert);
        QCOMPARE(strip.Count(), 4);
        QCOMPARE(strip.Selected(), 1);
        QVERIFY(near(keyOf(1), inserted));

        click(3);
        QTest::keyClick(&v, Qt::Key_Right);
        QTest::keyClick(&v, Qt::Key_Right);
        const Matrix4 replaced = v.Pose(6).m_matrix;
        app.Frame().Router().Execute(cmd::KeyFrameReplace);
        QVERIFY(near(keyOf(3), replaced));
        const std::string beforeDelete = ReadAll(path);

        click(1);
        app.Frame().Router().Execute(cmd::KeyFrameDelete);
        QCOMPARE(strip.Count(), 3);
        QVERIFY(near(keyOf(2), replaced));

        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(ReadAll(path), beforeDelete);
        QCOMPARE(strip.Count(), 4);
        QTest::keyClick(&app.Frame(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(strip.Count(), 3);
        QVERIFY(near(keyOf(2), replaced));

        // A key frame saved after an edit is never lost to Undo: the edit is no longer taken back.
        {
            const std::string edited = ReadAll(path);
            QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
            const std::string saved = ReadAll(path);
            QVERIFY(saved.size() > edited.size());
            app.Frame().Router().Execute(cmd::EditUndo);
            QCOMPARE(ReadAll(path), saved);
            app.Frame().Router().Execute(cmd::KeyFrameDelete); // back to three key frames
            QCOMPARE(strip.Count(), 3);
        }

        // A drag between the marks shows the steps between them, and is one step for Undo.
        const Matrix4 beforeDrag = v.Pose(6).m_matrix;
        const int y = strip.height() / 2;
        QTest::mousePress(&strip, Qt::LeftButton, {}, QPoint(strip.MarkX(0) + 10, y));
        QMouseEvent move(QEvent::MouseMove, QPointF(strip.MarkX(1) - 10, y),
                         strip.mapToGlobal(QPointF(strip.MarkX(1) - 10, y)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&strip, &move);
        QTest::mouseRelease(&strip, Qt::LeftButton, {}, QPoint(strip.MarkX(1) - 10, y));
        QVERIFY(!near(v.Pose(6).m_matrix, beforeDrag));
        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(near(v.Pose(6).m_matrix, beforeDrag));
        QCOMPARE(strip.Count(), 3); // the key frames stay as they are

        // Animate after a click plays on from that key frame: its frames and the last's ten steps.
        click(1);
        const int shown = v.FramesShown();
        app.Frame().Router().Execute(cmd::Animate);
        QCOMPARE(v.FramesShown() - shown, 12);
        QVERIFY(near(v.Pose(6).m_matrix, replaced));
    }

    void savesThatFailTellTheUserAndKeepTheIncrements() {
        RunningApp app;
        CKvtView& v = app.View();
        app.Frame().Router().Execute(cmd::Hierarchy);
        app.dialogs.answers = {std::string("/dev/full")};
        app.Frame().Router().Execute(cmd::FileSave);
        QCOMPARE(app.dialogs.messages.size(), 1u);
        QVERIFY(app.dialogs.messages[0].find("/dev/full") != std::string::npos);
        QCOMPARE(v.AnimAvailable(), false);
        QVERIFY(app.Frame().ToolbarAction(cmd::Animate)->isEnabled());
        v.SetAnimationFile(v.AnimFile(), true);
        v.Pose(3).m_rotInc[0] = 20;
        app.Frame().Router().Execute(cmd::FileSave);
        QCOMPARE(app.dialogs.messages.size(), 2u);
        QCOMPARE(v.Pose(3).m_rotInc[0], 20.0f);
    }

    void aTornFileIsNotAppendedToAndTheKeyFrameGoesElsewhere() {
        RunningApp app;
        TempDir dir;
        app.Frame().Router().Execute(cmd::Hierarchy);
        const std::string path = dir.File("torn.amt"), other = dir.File("other.amt");
        app.dialogs.answers = {path};
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        const std::string whole = ReadAll(path);
        dir.Write("torn.amt", whole.substr(0, whole.size() - 7));
        app.dialogs.answers = {other};
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(app.dialogs.messages.size(), 1u);
        QVERIFY(app.dialogs.messages[0].find("Choose another file") != std::string::npos);
        QCOMPARE(ReadAll(path), whole.substr(0, whole.size() - 7));
        QCOMPARE(ReadAll(other), whole);
        QCOMPARE(app.View().AnimFile(), other);
    }

    void openPlaysAndAnimatePlaysAgain() {
        RunningApp app;
        TempDir dir;
        CKvtView& v = app.View();
        app.Frame().Router().Execute(cmd::Hierarchy);
        AnimationScene scene = v.Scene();
        const std::string path =
            dir.Write("two.amt", FormatKeyFrame(scene) + FormatIncrementBlock(scene) + FormatKeyFrame(scene));
        app.dialogs.answers = {path};
        int frames = v.FramesShown();
        QTest::keyClick(&app.Frame(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(v.FramesShown() - frames, 12);
        QCOMPARE(v.AnimAvailable(), true);
        QCOMPARE(v.Playing(), false);
        frames = v.FramesShown();
        app.Frame().Router().Execute(cmd::Animate);
        QCOMPARE(v.FramesShown() - frames, 12);
        // Escape during playback stops it at the next key frame.
        frames = v.FramesShown();
        QTimer::singleShot(0, [&] {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&v, &escape);
        });
        app.Frame().Router().Execute(cmd::Animate);
        QCOMPARE(v.FramesShown() - frames, 11);
        QCOMPARE(v.Playing(), false);
    }

    // A capture that walks three metres sideways is followed by the camera (the hips stay where
    // they were on the screen); with View > Follow off, the camera stays.
    void theCameraFollowsATravellingCapture() {
        RunningApp app;
        TempDir dir;
        CKvtView& v = app.View();
        app.Frame().Router().Execute(cmd::Hierarchy);
        // Hips and two legs (the travel is scaled by the legs' length), in centimetres.
        std::string text = "HIERARCHY\nROOT Hips\n{\nOFFSET 0 95 0\nCHANNELS 6 Xposition Yposition "
                           "Zposition Zrotation Xrotation Yrotation\n";
        for (const char* side : {"Left", "Right"})
            text += std::string("JOINT ") + side + "UpLeg\n{\nOFFSET " + (side[0] == 'L' ? "10" : "-10") +
                    " 0 0\nCHANNELS 3 Zrotation Xrotation Yrotation\nJOINT " + side +
                    "Leg\n{\nOFFSET 0 -45 0\nCHANNELS 3 Zrotation Xrotation Yrotation\nJOINT " + side +
                    "Foot\n{\nOFFSET 0 -42 0\nCHANNELS 3 Zrotation Xrotation Yrotation\nEnd Site\n{\nOFFSET "
                    "0 -5 10\n}\n}\n}\n}\n";
        text += "}\nMOTION\nFrames: 31\nFrame Time: 0.01\n";
        std::string legsStill; // the legs' eighteen turns
        for (int c = 0; c < 18; ++c)
            legsStill += " 0";
        for (int f = 0; f <= 30; ++f)
            text += std::to_string(10 * f) + " 95 0 0 0 0" + legsStill + "\n";
        const std::string path = dir.Write("walk.bvh", text);
        auto hipsOnScreen = [&] {
            const Point3d hips = *v.FigureModel().Pose(3).m_pJointCentre;
            const auto at = ProjectToPicture(v.CurrentViewMatrices(v.width(), v.height()),
                                             WorldTransforms(CurrentFrame(v.FigureModel()))[3](hips));
            return at ? QPointF(at->x, at->y) : QPointF(-1e6, -1e6);
        };
        const QPointF start = hipsOnScreen();
        const Matrix4 camera = v.Camera().sceneMatrix;
        app.dialogs.answers = {path};
        QTest::keyClick(&app.Frame(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(WorldTransforms(CurrentFrame(v.FigureModel()))[3].t.x > 1); // it walked
        QVERIFY(QLineF(hipsOnScreen(), start).length() < 3);
        QVERIFY(v.Camera().sceneMatrix.m != camera.m);
        // Without following, playing moves the figure alone.
        app.Frame().Router().Execute(cmd::FollowFigure);
        const Matrix4 followed = v.Camera().sceneMatrix;
        app.Frame().Router().Execute(cmd::Animate);
        QVERIFY(v.Camera().sceneMatrix.m == followed.m);
    }

    // A file whose first playback is stopped with Escape still counts its key frames.
    void aStoppedFileCountsItsKeyFrames() {
        RunningApp app;
        TempDir dir;
        CKvtView& v = app.View();
        app.Frame().Router().Execute(cmd::Hierarchy);
        AnimationScene scene = v.Scene();
        std::string text = FormatKeyFrame(scene);
        for (int k = 0; k < 3; ++k)
            text += FormatIncrementBlock(scene) + FormatKeyFrame(scene);
        app.dialogs.answers = {dir.Write("four.amt", text)};
        QTimer::singleShot(0, [&] {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&v, &escape);
        });
        QTest::keyClick(&app.Frame(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(v.Playing(), false);
        QCOMPARE(app.Frame().StatusPaneLabel(IWindowServices::StatusPane::Animation)->text(),
                 QString("four.amt (4 key frames)"));
    }
};

FIGURANT_GUI_TEST_MAIN(AnimTest)
#include "AnimTest.moc"
