// What a new user tripped on, each driven as the user drives it: real keys (the keypad through the
// X server), clicks, the real export dialog and a real recording played from its file.
#include "AnimationPlayer.h"
#include "GuiFixture.h"
#include "GuiMain.h"
#include "JointMath.h"
#include "QtDialogs.h"
#include "TempDir.h"
#include "ViewProbe.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QStatusBar>
#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fstream>
#include <sstream>

using namespace figurant;
using namespace figurant::test;

namespace {

void Click(RunningApp& app, int segment) {
    CKvtView& v = app.View();
    QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, segment));
}

void Keys(CKvtView& v, Qt::Key key, int times) {
    for (int i = 0; i < times; ++i)
        QTest::keyClick(&v, key);
}

// Depth towards the eye of a view-coordinate point under the scene matrix alone.
float Nearness(CKvtView& v, float x, float y, float z) {
    Vec4f e{x, y, z, 1};
    TransformPoint(v.Camera().sceneMatrix, e);
    return e[2];
}

std::string SelectionPane(RunningApp& app) {
    return app.Frame().StatusPaneLabel(IWindowServices::StatusPane::Selection)->text().toStdString();
}

} // namespace

class NewUserTest : public QObject {
    Q_OBJECT
  private slots:
    // Turns before the first save and between saves: every in-between step of the file lies on
    // the way from one key frame to the next, never past it; a save after a playback adds nothing.
    void recordedStepsLeadFromKeyFrameToKeyFrame() {
        RunningApp app;
        TempDir dir;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        Click(app, 10);
        Keys(v, Qt::Key_PageUp, 3);
        const std::string path = dir.File("lift.amt");
        app.dialogs.answers = {path};
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(v.Pose(10).m_rotInc[0], 0.0f);
        Keys(v, Qt::Key_PageUp, 3);
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        app.Frame().Router().Execute(cmd::Animate);
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier); // right after the playback
        std::vector<float> angles;
        PlaybackHooks hooks{[&] { angles.push_back(TurnAngles(v.Pose(10).m_matrix)[0]); },
                            [] { return true; }};
        AnimationScene scene = v.Scene();
        QCOMPARE(PlayAnimation(path, scene, hooks), PlaybackEnd::Finished);
        QCOMPARE(angles.size(), std::size_t(3 + 2 * 10));
        QVERIFY(std::abs(angles[0] - 30) < 0.01f && std::abs(angles[11] - 60) < 0.01f);
        for (std::size_t i = 1; i <= 11; ++i)
            QVERIFY2(angles[i] >= angles[i - 1] - 0.01f && angles[i] <= 60.01f,
                     qPrintable(QString::number(angles[i])));
        for (std::size_t i = 12; i < angles.size(); ++i)
            QVERIFY2(std::abs(angles[i] - 60) < 0.01f, qPrintable(QString::number(angles[i])));
    }

    void topLooksDownOnTheHeadAndBottomUpAtTheFeet() {
        RunningApp app;
        CKvtView& v = app.View();
        app.Frame().Router().Execute(cmd::ViewTop);
        QVERIFY(Nearness(v, 0, 0, 0.8f) > Nearness(v, 0, 0, -0.8f));
        app.Frame().Router().Execute(cmd::ViewBottom);
        QVERIFY(Nearness(v, 0, 0, 0.8f) < Nearness(v, 0, 0, -0.8f));
    }

    // Keypad 1, 3 and 7, with Ctrl and without, NumLock on and off, typed through the X server.
    void keypadKeysChooseTheViews() {
        RunningApp app;
        CKvtView& v = app.View();
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (!x11) QSKIP("not on X11");
        Display* display = x11->display();
        int eventBase, errorBase, major, minor;
        if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) QSKIP("no XTEST");
        auto matrixOf = [&](int id) {
            app.Frame().Router().Execute(id);
            return v.Camera().sceneMatrix;
        };
        auto type = [&](KeySym key, bool ctrl) {
            const KeyCode control = XKeysymToKeycode(display, XK_Control_L),
                          code = XKeysymToKeycode(display, key);
            if (ctrl) XTestFakeKeyEvent(display, control, True, CurrentTime);
            XTestFakeKeyEvent(display, code, True, CurrentTime);
            XTestFakeKeyEvent(display, code, False, CurrentTime);
            if (ctrl) XTestFakeKeyEvent(display, control, False, CurrentTime);
            XFlush(display);
        };
        const unsigned numLock = XkbKeysymToModifiers(display, XK_Num_Lock);
        const struct {
            KeySym key;
            bool ctrl;
            int view;
        } rows[] = {{XK_KP_1, false, cmd::ViewFront},    {XK_KP_3, false, cmd::ViewSide},
                    {XK_KP_7, false, cmd::ViewTop},      {XK_KP_1, true, cmd::ViewBack},
                    {XK_KP_3, true, cmd::ViewOtherSide}, {XK_KP_7, true, cmd::ViewBottom}};
        for (const bool locked : {true, false}) {
            XkbLockModifiers(display, XkbUseCoreKbd, numLock, locked ? numLock : 0);
            XSync(display, False);
            for (const auto& row : rows) {
                const Matrix4 expected = matrixOf(row.view);
                app.Frame().Router().Execute(row.view == cmd::ViewFront ? cmd::ViewBack : cmd::ViewFront);
                type(row.key, row.ctrl);
                QTRY_VERIFY2(
                    v.Camera().sceneMatrix == expected,
                    qPrintable(QString("key %1 ctrl %2 numlock %3").arg(row.key).arg(row.ctrl).arg(locked)));
            }
        }
        XkbLockModifiers(display, XkbUseCoreKbd, numLock, 0);
        XSync(display, False);
    }

    // Each export dialog shows only its own fields, every one of them in the form.
    void exportDialogsDrawNoStrayFields() {
        QWidget parent;
        QtDialogs dialogs;
        dialogs.SetParent(&parent);
        using Kind = ExportOptions::Kind;
        for (const Kind kind : {Kind::Picture, Kind::Frames, Kind::Bvh, Kind::Gltf, Kind::Control}) {
            ExportOptions proposed;
            proposed.kind = kind;
            proposed.width = proposed.height = 100;
            proposed.animation = true;
            QStringList stray;
            QTimer::singleShot(0, [&] {
                QWidget* dialog = QApplication::activeModalWidget();
                auto* form = dialog ? dialog->findChild<QFormLayout*>() : nullptr;
                if (!form) {
                    stray << "no dialog";
                    return;
                }
                for (QWidget* w : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                    if (w->isVisibleTo(dialog) && form->indexOf(w) < 0 && !qobject_cast<QLabel*>(w))
                        stray << w->metaObject()->className();
                dialog->close();
            });
            dialogs.ExportOptionsDialog(proposed);
            QVERIFY2(stray.isEmpty(), qPrintable(stray.join(", ")));
        }
    }

    // The control pictures' boxes come back as the user leaves them: depth unticked, 25 points on.
    void controlPictureChoicesComeBack() {
        QWidget parent;
        QtDialogs dialogs;
        dialogs.SetParent(&parent);
        ExportOptions proposed;
        proposed.kind = ExportOptions::Kind::Control;
        proposed.width = proposed.height = 100;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog) return;
            for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
                if (box->text().startsWith("Depth") || box->text().startsWith("25 points")) box->click();
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        const auto chosen = dialogs.ExportOptionsDialog(proposed);
        QVERIFY(chosen);
        QCOMPARE(chosen->controls, (std::array<bool, 6>{true, true, false, true, true, true}));
        QVERIFY(chosen->body25);
        QVERIFY(!chosen->withReference); // no reference picture to offer
    }

    // A size typed larger than can be drawn stays as typed (5000, not 500): the export says why.
    void aSizeTypedStaysAsTyped() {
        QWidget parent;
        QtDialogs dialogs;
        dialogs.SetParent(&parent);
        ExportOptions proposed;
        proposed.kind = ExportOptions::Kind::Picture;
        proposed.width = proposed.height = 100;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            auto* width = dialog ? dialog->findChild<QSpinBox*>() : nullptr;
            if (!width) return;
            width->selectAll();
            QTest::keyClicks(width, "5000");
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        const auto chosen = dialogs.ExportOptionsDialog(proposed);
        QVERIFY(chosen);
        QCOMPARE(chosen->width, 5000);
    }

    // One key held down shows one angle counting on, past 90 degrees; a twist and a move show too.
    void theStatusBarShowsTheAnglesTheKeysMade() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        Click(app, 4);
        for (int k = 1; k <= 17; ++k) {
            QTest::keyClick(&v, Qt::Key_Up);
            const std::string expected = "x 0\u00b0  y " + std::to_string(-10 * k) + "\u00b0  z 0\u00b0";
            QVERIFY2(SelectionPane(app).find(expected) != std::string::npos, SelectionPane(app).c_str());
        }
        Click(app, 6);
        QTest::keyClick(&v, Qt::Key_T);
        QVERIFY2(SelectionPane(app).find("twist 4\u00b0") != std::string::npos, SelectionPane(app).c_str());
        QTest::keyClick(&v, Qt::Key_B);
        QVERIFY2(SelectionPane(app).find("moved x ") != std::string::npos, SelectionPane(app).c_str());
    }

    // Home frames the figure as it stands: a hand raised over the head is in the picture.
    void homeFramesTheRaisedHand() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        Click(app, 4);
        Keys(v, Qt::Key_Down, 18); // straight up
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        QTest::keyClick(&app.Frame(), Qt::Key_Home);
        const auto [top, bottom] = FigureRows(v.RenderImage(false));
        const double fill = static_cast<double>(bottom - top + 1) / v.height();
        QVERIFY2(top > 0 && bottom < v.height() - 1 && fill > 0.74 && fill < 0.86,
                 qPrintable(QString("%1 %2 %3").arg(top).arg(bottom).arg(fill)));
    }

    // New and Exit ask before an unsaved pose is let go: Cancel keeps everything, Save saves it
    // as a key frame, and a saved pose is not asked about.
    void newAndExitAskAboutAnUnsavedPose() {
        RunningApp app;
        TempDir dir;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        app.Frame().Router().Execute(cmd::FileNew); // nothing posed: nothing asked
        QVERIFY(app.dialogs.questions.empty());
        Click(app, 6);
        QTest::keyClick(&v, Qt::Key_Left);
        QVERIFY(!app.Frame().close());
        QCOMPARE(app.dialogs.questions, std::vector<std::string>{"Save the pose as a key frame?"});
        QVERIFY(app.Frame().isVisible());
        app.dialogs.saveAnswers = {SaveAnswer::Save};
        app.dialogs.answers = {dir.File("kept.amt")};
        app.Frame().Router().Execute(cmd::FileNew);
        QVERIFY(std::ifstream(dir.File("kept.amt")).good());
        QVERIFY(!v.AnimAvailable()); // New went ahead after the save
        app.Frame().Router().Execute(cmd::FileNew);
        QCOMPARE(app.dialogs.questions.size(), 2u);
        QTest::keyClick(&v, Qt::Key_Left);
        app.dialogs.saveAnswers = {SaveAnswer::Discard};
        QVERIFY(app.Frame().close());
    }

    // A thigh turned forward meets the pelvis at a shallow angle. The seam between the selected
    // (red) thigh and the grey pelvis is a line, not a speckle of pixels that change from one
    // picture to the next.
    void surfacesMeetingAtTheHipsDoNotFight() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        Click(app, 10);
        Keys(v, Qt::Key_PageUp, 3);
        const QImage image = v.RenderOffscreen(1600, 1600, Qt::black);
        int specks = 0; // pixels of one surface standing among the other's
        for (int y = 1; y + 1 < image.height(); ++y)
            for (int x = 1; x + 1 < image.width(); ++x) {
                const Paint p = Classify(image.pixel(x, y));
                if (p != Paint::Red && p != Paint::Trousers) continue;
                int others = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const Paint q = Classify(image.pixel(x + dx, y + dy));
                        others += q != p && (q == Paint::Red || q == Paint::Trousers);
                    }
                specks += others >= 6;
            }
        QVERIFY2(specks < 10, qPrintable(QString::number(specks)));
    }

    void theTitleNamesAnImportedModel() {
        RunningApp app;
        QVERIFY(!app.Frame().windowTitle().contains("guy01"));
        app.dialogs.answers = {std::string(FIGURANT_TEST_MODELS "/male_base_mesh.glb")};
        app.Frame().Router().Execute(cmd::ImportModel);
        QCOMPARE(app.Frame().windowTitle(), QString("Tervo Figurant - male_base_mesh.glb - TK330"));
    }
};

FIGURANT_GUI_TEST_MAIN(NewUserTest)
#include "NewUserTest.moc"
