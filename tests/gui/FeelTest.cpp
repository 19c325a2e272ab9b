// Faults a new user met through the real window, each driven by real events.
#include "AnimationFormat.h"
#include "DxfText.h"
#include "GuiFixture.h"
#include "GuiMain.h"
#include "TempDir.h"
#include "ViewProbe.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenuBar>
#include <QPrinter>
#include <QStatusBar>
#include <QToolBar>
#include <QWheelEvent>
#include <X11/XKBlib.h>

using namespace figurant;
using namespace figurant::test;

namespace {

QWidget* Button(RunningApp& app, int id) {
    return app.Frame().ToolBar()->widgetForAction(app.Frame().ToolbarAction(id));
}

// Two identical key frames: playing them shows 1 + 10 + 1 pictures.
std::string TwoKeyFrames(TempDir& dir, CKvtView& view) {
    AnimationScene scene = view.Scene();
    return dir.Write("two.amt", FormatKeyFrame(scene) + FormatIncrementBlock(scene) + FormatKeyFrame(scene));
}

} // namespace

class FeelTest : public QObject {
    Q_OBJECT
  private slots:
    void theAnimateButtonStopsPlayback() {
        RunningApp app;
        TempDir dir;
        CKvtView& v = app.View();
        app.Frame().Router().Execute(cmd::Hierarchy);
        v.SetAnimationFile(TwoKeyFrames(dir, v), true);
        const int frames = v.FramesShown();
        // Through the window, as the window system delivers a real click.
        QWidget* button = Button(app, cmd::Animate);
        const QPoint at = button->mapTo(&app.Frame(), button->rect().center());
        QTimer::singleShot(0, [&] { QTest::mouseClick(app.Frame().windowHandle(), Qt::LeftButton, {}, at); });
        app.Frame().Router().Execute(cmd::Animate);
        QCOMPARE(v.FramesShown() - frames, 11); // the first key frame, ten steps, then stopped
        QVERIFY(!v.Playing());
    }

    // Playback keeps the chosen rate: twelve frames at 10 per second take at least 1.1 s, and every
    // frame is painted, however fast one paints.
    void playbackIsPacedByTheClockAndShowsEveryFrame() {
        RunningApp app;
        TempDir dir;
        CKvtView& v = app.View();
        app.Frame().Router().Execute(cmd::Hierarchy);
        v.SetAnimationFile(TwoKeyFrames(dir, v), true);
        QCOMPARE(v.PlaybackFramesPerSecond(), 30);
        app.Frame().Router().Execute(cmd::PlaybackRate10);
        QCOMPARE(v.PlaybackFramesPerSecond(), 10);
        const int paints = v.Paints(), frames = v.FramesShown();
        QElapsedTimer clock;
        clock.start();
        app.Frame().Router().Execute(cmd::Animate);
        QVERIFY2(clock.elapsed() >= 1100, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(v.FramesShown() - frames, 12);
        QVERIFY(v.Paints() - paints >= 12);
    }

    void leavingModifyModeFromTheToolbarShowsTheSelectionGone() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        const QPoint head = SegmentPoint(v, 0);
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, head);
        QCOMPARE(PaintAt(v.grabFramebuffer(), head), Paint::Red);
        const int paints = v.Paints();
        QTest::mouseClick(Button(app, cmd::ModeModify), Qt::LeftButton);
        QVERIFY(v.FigureModel().Selection().empty());
        // The picture on the screen was drawn again, without the red.
        QTRY_VERIFY(v.Paints() > paints);
        QCOMPARE(PaintAt(v.grabFramebuffer(), head), Paint::Skin);
    }

    // A selected chest on a red shirt is still plain to see: an outline in another colour, left out
    // of the picture that goes to the clipboard.
    void theSelectionIsOutlined() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        auto outlinePixels = [](const QImage& image) {
            int n = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb c = image.pixel(x, y);
                    n += qRed(c) > 230 && qGreen(c) > 190 && qBlue(c) < 60;
                }
            return n;
        };
        const int before = outlinePixels(v.RenderImage());
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, 1));
        QCOMPARE(v.FigureModel().Selection(), std::vector<int>{1});
        QVERIFY2(outlinePixels(v.RenderImage()) > before + 300, qPrintable(QString::number(before)));
        QCOMPARE(outlinePixels(v.RenderImage(false)), before);
    }

    // The flat picture shows the figure as posed, and the hierarchy comes back in the same pose.
    void togglingHierarchyKeepsThePose() {
        RunningApp app;
        EnterModifyMode(app);
        CKvtView& v = app.View();
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, 10));
        for (int i = 0; i < 9; ++i)
            QTest::keyClick(&v, Qt::Key_PageUp);
        const Matrix4 turned = v.Pose(10).m_matrix;
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3)); // nothing selected
        const QImage posed = v.RenderImage(false);
        const QPoint shoe = SegmentPoint(v, 14);
        app.Frame().Router().Execute(cmd::Hierarchy);
        QCOMPARE(v.DisplayMode(), int(DISPLAY_FLAT));
        QVERIFY(v.RenderImage(false) == posed);
        QCOMPARE(PaintAt(v.RenderImage(false), shoe), Paint::Shoes); // the raised foot, not the rest one
        app.Frame().Router().Execute(cmd::Hierarchy);
        QVERIFY(v.Pose(10).m_matrix == turned);
        QVERIFY(v.RenderImage(false) == posed);
        QVERIFY(v.FigureModel().UndoName() != "Rebuild Figure");
    }

    // The start view frames the figure: about 80 % of the view's height, with its hands and feet
    // inside; Reset goes back to the same framing.
    void theStartViewFillsMostOfTheHeight() {
        RunningApp app;
        CKvtView& v = app.View();
        auto rows = [&] { return FigureRows(v.RenderImage(false)); };
        const auto [top, bottom] = rows();
        const double fill = static_cast<double>(bottom - top + 1) / v.height();
        QVERIFY2(fill > 0.74 && fill < 0.86 && top > 0 && bottom < v.height() - 1,
                 qPrintable(QString::number(fill)));
        v.OnWheel(-3);
        app.Frame().Router().Execute(cmd::Reset);
        QVERIFY(rows() == std::pair(top, bottom));
    }

    void wheelZoomsAboutTheCentreAndRightDragOrbitsWithoutRoll() {
        RunningApp app;
        CKvtView& v = app.View();
        const Matrix4 start = v.Camera().sceneMatrix;
        const QPointF centre = Project(v, {0, 0, 0});
        const QPoint middle = v.rect().center();
        QWheelEvent wheel(middle, v.mapToGlobal(middle), {}, {0, 240}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&v, &wheel);
        QCOMPARE(v.Camera().sceneMatrix[0], start[0] * 1.21f);
        QVERIFY(std::abs(Project(v, {0, 0, 0}).x() - centre.x()) < 0.5);
        // A right drag orbits: the figure's vertical axis stays upright on the screen.
        QTest::mousePress(&v, Qt::RightButton, Qt::NoModifier, middle);
        for (const QPoint step : {QPoint(40, 0), QPoint(80, 25), QPoint(120, 40)})
            MoveWith(&v, middle + step, Qt::RightButton);
        QTest::mouseRelease(&v, Qt::RightButton, Qt::NoModifier, middle + QPoint(120, 40));
        QVERIFY(QApplication::activePopupWidget() == nullptr); // a drag opens no menu
        const QPointF head = Project(v, {0, 0, 0.8}), feet = Project(v, {0, 0, -0.8});
        QVERIFY2(std::abs(head.x() - feet.x()) < 0.5,
                 qPrintable(QString("%1 %2").arg(head.x()).arg(feet.x())));
        QVERIFY(!(v.Camera().sceneMatrix == start));
        // Shift and the middle button pan: the centre follows the mouse.
        const QPointF before = Project(v, {0, 0, 0});
        QTest::mousePress(&v, Qt::MiddleButton, Qt::ShiftModifier, middle);
        MoveWith(&v, middle + QPoint(30, -20), Qt::MiddleButton, Qt::ShiftModifier);
        QTest::mouseRelease(&v, Qt::MiddleButton, Qt::ShiftModifier, middle + QPoint(30, -20));
        const QPointF after = Project(v, {0, 0, 0});
        QVERIFY(std::abs(after.x() - before.x() - 30) < 1.5 && std::abs(after.y() - before.y() + 20) < 1.5);
        // After a pan the wheel still zooms about the middle of the view, not the model's centre.
        const QPointF mid = QPointF(v.width(), v.height()) / 2.0;
        QApplication::sendEvent(&v, &wheel);
        const QPointF zoomed = Project(v, {0, 0, 0});
        QVERIFY2(std::abs(zoomed.x() - mid.x() - 1.21 * (after.x() - mid.x())) < 1.5 &&
                     std::abs(zoomed.y() - mid.y() - 1.21 * (after.y() - mid.y())) < 1.5,
                 qPrintable(QString("%1 %2").arg(zoomed.x()).arg(zoomed.y())));
        // Home puts the start view back; Top looks down on the head.
        QTest::keyClick(&app.Frame(), Qt::Key_Home);
        QVERIFY(v.Camera().sceneMatrix == start);
        app.Frame().Router().Execute(cmd::ViewTop);
        QVERIFY((Project(v, {0, 0, 0.8}) - Project(v, {0, 0, 0})).manhattanLength() < 1.0);
        app.Frame().Router().Execute(cmd::ViewBack);
        QVERIFY(Project(v, {0.3, 0, 0}).x() < Project(v, {-0.3, 0, 0}).x());
    }

    void statusBarTellsModeSelectionAnimationAndLocks() {
        RunningApp app;
        TempDir dir;
        CMainFrame& f = app.Frame();
        auto pane = [&](IWindowServices::StatusPane p) { return f.StatusPaneLabel(p)->text(); };
        using Pane = IWindowServices::StatusPane;
        QCOMPARE(pane(Pane::Mode), QString("Flat"));
        EnterModifyMode(app);
        QCOMPARE(pane(Pane::Mode), QString("Modify"));
        app.dialogs.answers = {dir.File("walk.amt")};
        QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(f.statusBar()->currentMessage(), QString("Saved key frame 1 to walk.amt"));
        QCOMPARE(pane(Pane::Animation), QString("walk.amt (1 key frame)"));
        QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(pane(Pane::Animation), QString("walk.amt (2 key frames)"));
        app.Frame().Router().Execute(cmd::ModeNormal);
        QCOMPARE(pane(Pane::Mode), QString("Hierarchy"));
        // The lock lights show only while their lock is on.
        for (int i = 0; i < 3; ++i)
            QVERIFY(f.IndicatorPane(i)->isHidden());
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (!x11) QSKIP("not on X11");
        XkbLockModifiers(x11->display(), XkbUseCoreKbd, LockMask, LockMask);
        XSync(x11->display(), False);
        QTest::keyClick(&f, Qt::Key_A); // any key release looks at the lights again
        const bool capsShown = !f.IndicatorPane(0)->isHidden();
        XkbLockModifiers(x11->display(), XkbUseCoreKbd, LockMask, 0);
        XSync(x11->display(), False);
        QVERIFY(capsShown);
        QVERIFY(f.IndicatorPane(1)->isHidden());
    }

    void copyPrintAndAGreyedRecentPlaceholder() {
        RunningApp app;
        TempDir dir;
        CMainFrame& f = app.Frame();
        QTest::keyClick(&f, Qt::Key_C, Qt::ControlModifier);
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), app.View().RenderImage().size());
        QVERIFY(PaintAt(copied, Project(app.View(), {0, 0.055, 0.4})) != Paint::Background); // the chest
        const QString pdf = QString::fromStdString(dir.File("figure.pdf"));
        f.choosePrinter = [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        };
        QTest::keyClick(&f, Qt::Key_P, Qt::ControlModifier);
        QFile printed(pdf);
        QVERIFY(printed.open(QIODevice::ReadOnly));
        QVERIFY(printed.read(4) == "%PDF");
        QVERIFY(printed.size() > 10000); // a picture, not an empty page
        QAction* placeholder = f.MenuAction(cmd::FileMru);
        for (QAction* top : f.menuBar()->actions())
            if (top->menu() && top->menu()->actions().contains(placeholder)) emit top->menu()->aboutToShow();
        QVERIFY(placeholder->isVisible());
        QVERIFY(!placeholder->isEnabled());
    }

    void anAnimationOnTheCommandLinePlaysOnTheDefaultFigure() {
        TempDir dir;
        std::string path;
        {
            RunningApp first;
            first.Frame().Router().Execute(cmd::Hierarchy);
            path = TwoKeyFrames(dir, first.View());
        }
        RunningApp app({QString::fromStdString(path)});
        QVERIFY(app.started);
        CKvtView& v = app.View();
        QTRY_VERIFY(v.AnimAvailable());
        QCOMPARE(v.DisplayMode(), int(DISPLAY_HIERARCHY));
        QVERIFY(v.Paints() >= 12);
        QVERIFY(PaintAt(v.RenderImage(), SegmentPoint(v, 0)) != Paint::Background);
        app.Frame().Router().Execute(cmd::FileNew);
        app.Frame().Router().Execute(cmd::Reset);
        QVERIFY(PaintAt(v.RenderImage(), SegmentPoint(v, 0)) != Paint::Background);
    }

    void aDrawingOnTheCommandLineIsTheModelWithNormalsComputed() {
        TempDir dir;
        std::string text;
        for (int i = 0; i < 4; ++i) // a closed tetrahedron-like fan of faces around one point
            text += Dxf(Face(2, {"0", "0", "0", std::to_string(i % 2), std::to_string(i / 2), "1",
                                 std::to_string((i + 1) % 2), "1", "0", "1", "1", "1"}));
        const std::string path = dir.Write("shape.dxf", text + "0\nEOF\n");
        RunningApp app({QString::fromStdString(path)});
        QVERIFY(app.started);
        QCOMPARE(app.Doc().DxfFile(), path);
        QVERIFY(app.Doc().NormalsReady());
        QVERIFY(app.Frame().statusBar()->currentMessage().contains("Normals computed from the faces"));
        QVERIFY(app.dialogs.messages.empty());
    }

    void anyOtherFileOnTheCommandLineSaysSoAndShowsTheDefaultModel() {
        TempDir dir;
        RunningApp app({QString::fromStdString(dir.Write("notes.txt", "hello"))});
        QVERIFY(app.started);
        QCOMPARE(app.dialogs.messages.size(), 1u);
        QVERIFY(app.dialogs.messages[0].find("neither a drawing") != std::string::npos);
        QCOMPARE(app.Doc().SegmentCount(), 16);
    }

    // A rigged figure named on the command line is imported; one that is no figure says why and
    // leaves the default model.
    void aFigureOnTheCommandLineIsImported() {
        RunningApp app({QString(FIGURANT_TEST_MODELS "/male_base_mesh.glb")});
        QVERIFY(app.started);
        QVERIFY(app.dialogs.messages.empty());
        QVERIFY(app.Doc().DxfFile().find("male_base_mesh.glb") != std::string::npos);
        // The caption reads as when the figure comes through File > Import Model.
        QCOMPARE(app.Frame().windowTitle(), QString("Tervo Figurant - male_base_mesh.glb - TK330"));
        TempDir dir;
        RunningApp bad({QString::fromStdString(dir.Write("broken.glb", "not a figure"))});
        QCOMPARE(bad.dialogs.messages.size(), 1u);
        QVERIFY(bad.dialogs.messages[0].find("cannot be imported") != std::string::npos);
        QVERIFY(bad.Doc().DxfFile().find("guy01.dxf") != std::string::npos);
    }
};

FIGURANT_GUI_TEST_MAIN(FeelTest)
#include "FeelTest.moc"
