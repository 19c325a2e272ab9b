// File > Export through the real window: pictures at any size and background, every frame of an
// animation with its video, and the figure as BVH and glTF. The file and option dialogs are
// scripted; everything else is the program's own.
#include "GuiFixture.h"
#include "GuiMain.h"
#include "TempDir.h"
#include "ViewProbe.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStatusBar>
#include <filesystem>

using namespace figurant;
using namespace figurant::test;

namespace {

ExportOptions Options(ExportOptions::Kind kind, int width, int height) {
    ExportOptions o;
    o.kind = kind;
    o.width = width;
    o.height = height;
    return o;
}

// Two key frames with a turned forearm between: 1 + 11 frames of playback.
void RecordAnimation(RunningApp& app, const std::string& path) {
    CKvtView& v = app.View();
    EnterModifyMode(app);
    app.dialogs.answers = {path};
    QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
    QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, 6));
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(&v, Qt::Key_Left);
    QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
}

} // namespace

class ExportTest : public QObject {
    Q_OBJECT
  private slots:
    // The reference picture shows behind the figure on screen at its opacity, stays out of
    // exported pictures and control pictures unless asked for, and is remembered; the keypoints of
    // the window's view are where the view draws the joints.
    void referencePictureAndControlPictures() {
        TempDir dir;
        const QColor orange(200, 100, 40);
        QImage reference(100, 50, QImage::Format_RGB32);
        reference.fill(orange);
        reference.save(QString::fromStdString(dir.File("photo.png")));
        {
            RunningApp app;
            CKvtView& v = app.View();
            // In the flat picture too: the figure at rest gives the keypoints.
            std::filesystem::create_directory(dir.File("flat"));
            app.dialogs.answers = {dir.File("flat")};
            app.Frame().Router().Execute(cmd::ExportControl);
            QVERIFY(QFile::exists(QString::fromStdString(dir.File("flat/keypoints.json"))));
            QCOMPARE(v.DisplayMode(), 1001); // still flat
            app.Frame().Router().Execute(cmd::Hierarchy);
            app.Frame().Router().Execute(cmd::RotateLeft);
            app.dialogs.answers = {dir.Write("not-a-picture.png", "text")};
            app.Frame().Router().Execute(cmd::ReferencePicture);
            QVERIFY(!v.HasReference());
            QVERIFY(app.dialogs.messages.back().find("is not a picture") != std::string::npos);
            app.dialogs.answers = {dir.File("photo.png")};
            app.Frame().Router().Execute(cmd::ReferencePicture); // at the proposed 50 %
            const QImage shown = v.RenderImage(false);
            const QPoint side(shown.width() / 20, shown.height() / 2);
            const QColor half = shown.pixelColor(side);
            QVERIFY2(std::abs(half.red() - 100) <= 2 && std::abs(half.green() - 50) <= 2,
                     qPrintable(half.name()));
            QVERIFY(shown.pixelColor(SegmentPoint(v, 1)) != half); // the chest over it

            app.dialogs.answers = {dir.File("plain.png")};
            app.dialogs.exportAnswers = {Options(ExportOptions::Kind::Picture, v.width(), v.height())};
            app.Frame().Router().Execute(cmd::ExportPicture);
            QCOMPARE(QImage(QString::fromStdString(dir.File("plain.png"))).pixel(side) & 0xffffff, 0u);

            ExportOptions control = Options(ExportOptions::Kind::Control, v.width(), v.height());
            std::filesystem::create_directory(dir.File("without"));
            std::filesystem::create_directory(dir.File("with"));
            app.dialogs.answers = {dir.File("without"), dir.File("with")};
            app.dialogs.exportAnswers = {control};
            control.withReference = true;
            app.dialogs.exportAnswers.push_back(control);
            app.Frame().Router().Execute(cmd::ExportControl);
            app.Frame().Router().Execute(cmd::ExportControl);
            QVERIFY(app.dialogs.proposals.back().referenceAvailable);
            QCOMPARE(QImage(QString::fromStdString(dir.File("without/picture.png"))).pixel(side) & 0xffffff,
                     0u);
            QCOMPARE(QImage(QString::fromStdString(dir.File("with/picture.png"))).pixel(side), orange.rgb());

            QFile json(QString::fromStdString(dir.File("without/keypoints.json")));
            QVERIFY(json.open(QIODevice::ReadOnly));
            const QJsonArray points =
                QJsonDocument::fromJson(json.readAll())["people"][0]["pose_keypoints_2d"].toArray();
            const QPointF neck = Project(v, *v.Pose(0).m_pJointCentre, TreeMatrix(v, 0));
            QVERIFY2(
                std::hypot(points[3].toDouble() + 0.5 - neck.x(), points[4].toDouble() + 0.5 - neck.y()) < 1,
                qPrintable(QString("%1,%2").arg(points[3].toDouble()).arg(points[4].toDouble())));
        }
        RunningApp again;
        QVERIFY(again.View().HasReference());
        again.Frame().Router().Execute(cmd::ReferencePictureOff);
        QVERIFY(!again.View().HasReference());
    }

    // "As shown" is the view's own background (Options), and a selected segment keeps its own
    // colour: the selection is the user's aid, not part of the picture.
    void asShownIsTheViewsBackgroundWithoutTheSelection() {
        RunningApp app;
        TempDir dir;
        CKvtView& v = app.View();
        EnterModifyMode(app);
        const QColor teal(20, 120, 130);
        // The colour is remembered with the settings: the next tests get theirs back.
        struct Restore {
            CKvtView& view;
            QColor colour;
            ~Restore() { view.SetBackground(colour); }
        } const restore{v, v.Background()};
        v.SetBackground(teal);
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, 1));
        QVERIFY(v.FigureModel().IsSelected(1));
        app.dialogs.answers = {dir.File("shown.png")};
        app.dialogs.exportAnswers = {Options(ExportOptions::Kind::Picture, 320, 240)};
        app.Frame().Router().Execute(cmd::ExportPicture);
        const QImage shown(QString::fromStdString(dir.File("shown.png")));
        QCOMPARE(QColor(shown.pixel(0, 0)), teal);
        int red = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QColor c(shown.pixel(x, y));
                red += c.red() > 200 && c.green() < 40 && c.blue() < 40;
            }
        QCOMPARE(red, 0);
    }

    void picturesAtAnySizeWithTheChosenBackground() {
        RunningApp app;
        TempDir dir;
        CKvtView& v = app.View();
        // At the window's size, as shown: the picture on screen, drawn off-screen.
        ExportOptions asShown = Options(ExportOptions::Kind::Picture, v.width(), v.height());
        app.dialogs.answers = {dir.File("shown.png")};
        app.dialogs.exportAnswers = {asShown};
        app.Frame().Router().Execute(cmd::ExportPicture);
        QCOMPARE(app.dialogs.proposals.back().width, v.width());
        const QImage shown(QString::fromStdString(dir.File("shown.png")));
        // The window's buffer and an off-screen target are rasterised with the y axis the other
        // way, so a pixel on a triangle's edge may go to the neighbouring triangle: a few dozen
        // such pixels, nothing else.
        const QImage window = v.RenderImage(false);
        QCOMPARE(shown.size(), window.size());
        const int apart = PixelsApart(shown, window);
        QVERIFY2(apart < shown.width() * shown.height() / 5000, qPrintable(QString::number(apart)));
        // Larger than the screen, on white.
        ExportOptions white = Options(ExportOptions::Kind::Picture, 2400, 1800);
        white.background = ExportOptions::Background::White;
        app.dialogs.answers = {dir.File("white.png")};
        app.dialogs.exportAnswers = {white};
        app.Frame().Router().Execute(cmd::ExportPicture);
        const QImage large(QString::fromStdString(dir.File("white.png")));
        QCOMPARE(large.size(), QSize(2400, 1800));
        QCOMPARE(QColor(large.pixel(0, 0)), QColor(Qt::white));
        int figure = 0; // pixels of the figure down the middle
        for (int y = 0; y < large.height(); ++y)
            figure += QColor(large.pixel(1200, y)) != QColor(Qt::white);
        QVERIFY2(figure > 400, qPrintable(QString::number(figure)));
        // Transparent in PNG; JPEG has no transparency and shows the background as on screen.
        ExportOptions clear = Options(ExportOptions::Kind::Picture, 320, 240);
        clear.background = ExportOptions::Background::Transparent;
        app.dialogs.answers = {dir.File("clear.png"), dir.File("clear.jpg")};
        app.dialogs.exportAnswers = {clear, clear};
        app.Frame().Router().Execute(cmd::ExportPicture);
        app.Frame().Router().Execute(cmd::ExportPicture);
        const QImage png(QString::fromStdString(dir.File("clear.png")));
        QVERIFY(png.hasAlphaChannel());
        QCOMPARE(qAlpha(png.pixel(0, 0)), 0);
        int opaque = 0;
        for (int y = 0; y < png.height(); ++y)
            for (int x = 0; x < png.width(); ++x)
                opaque += qAlpha(png.pixel(x, y)) == 255;
        QVERIFY2(opaque > 2000, qPrintable(QString::number(opaque))); // the figure
        const QImage jpeg(QString::fromStdString(dir.File("clear.jpg")));
        QCOMPARE(jpeg.size(), QSize(320, 240));
        QVERIFY(qGray(jpeg.pixel(0, 0)) < 10);
        QVERIFY(app.dialogs.messages.empty());
    }

    void everyFrameAndTheVideoAndACancelLeavesNoPart() {
        RunningApp app;
        TempDir dir;
        RecordAnimation(app, dir.File("walk.amt"));
        ExportOptions frames = Options(ExportOptions::Kind::Frames, 321, 240); // an odd width for the video
        frames.video = true;
        frames.framesPerSecond = 24;
        app.dialogs.answers = {dir.File("walk.png")};
        app.dialogs.exportAnswers = {frames};
        const Matrix4 posed = app.View().Pose(6).m_matrix;
        app.Frame().Router().Execute(cmd::ExportFrames);
        QVERIFY2(app.dialogs.messages.empty(),
                 app.dialogs.messages.empty() ? "" : app.dialogs.messages[0].c_str());
        QVERIFY(app.dialogs.proposals.back().videoAvailable);
        for (int f = 1; f <= 12; ++f)
            QVERIFY(QFile::exists(QString::fromStdString(
                dir.File("walk_00" + QString::number(f).rightJustified(2, '0').toStdString() + ".png"))));
        QVERIFY(!QFile::exists(QString::fromStdString(dir.File("walk_0013.png"))));
        QCOMPARE(QImage(QString::fromStdString(dir.File("walk_0012.png"))).size(), QSize(321, 240));
        QVERIFY(app.View().Pose(6).m_matrix == posed); // the figure's own pose is back
        // The video, read by ffprobe: every frame, at the chosen rate.
        QProcess probe;
        probe.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                                "stream=nb_read_frames,r_frame_rate,pix_fmt,codec_name", "-of", "csv=p=0",
                                QString::fromStdString(dir.File("walk.mp4"))});
        QVERIFY(probe.waitForFinished(30000));
        QCOMPARE(QString(probe.readAllStandardOutput()).trimmed(), QString("h264,yuv420p,24/1,12"));
        // Cancelled after three frames: three whole pictures, no video and no part of one.
        TempDir other;
        app.dialogs.answers = {other.File("cut.png")};
        app.dialogs.exportAnswers = {frames};
        app.dialogs.cancelAt = 3;
        app.Frame().Router().Execute(cmd::ExportFrames);
        const QStringList files = QDir(other.Path().c_str()).entryList(QDir::Files);
        QCOMPARE(files, QStringList({"cut_0001.png", "cut_0002.png", "cut_0003.png"}));
    }

    // A name used before for a longer export gets a fresh set (the video holds only the new
    // frames), a "%" in the name is a plain character, a frame that cannot be saved says so above
    // the finished progress and the status bar says "failed".
    void framesUnderAnOldNameOrAnOddOneAreANewSet() {
        RunningApp app;
        TempDir dir;
        RecordAnimation(app, dir.File("walk.amt"));
        ExportOptions frames = Options(ExportOptions::Kind::Frames, 160, 120);
        frames.video = true;
        for (int f = 1; f <= 30; ++f) // an earlier export of 30 frames
            dir.Write("50%_00" + QString::number(f).rightJustified(2, '0').toStdString() + ".png", "old");
        app.dialogs.answers = {dir.File("50%.png")};
        app.dialogs.exportAnswers = {frames};
        app.Frame().Router().Execute(cmd::ExportFrames);
        QVERIFY2(app.dialogs.messages.empty(),
                 app.dialogs.messages.empty() ? "" : app.dialogs.messages[0].c_str());
        QVERIFY(QFile::exists(QString::fromStdString(dir.File("50%_0012.png"))));
        QVERIFY(!QFile::exists(QString::fromStdString(dir.File("50%_0013.png"))));
        QProcess probe;
        probe.start("ffprobe",
                    {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                     "stream=nb_read_frames", "-of", "csv=p=0", QString::fromStdString(dir.File("50%.mp4"))});
        QVERIFY(probe.waitForFinished(30000));
        QCOMPARE(QString(probe.readAllStandardOutput()).trimmed(), QString("12"));
        // A folder that does not exist: the first frame cannot be saved.
        app.dialogs.answers = {dir.File("missing/walk.png")};
        app.dialogs.exportAnswers = {frames};
        app.Frame().Router().Execute(cmd::ExportFrames);
        QCOMPARE(app.dialogs.messages.size(), std::size_t(1));
        QVERIFY(app.dialogs.progress.back().done == app.dialogs.progress.back().total);
        QVERIFY(app.Frame().statusBar()->currentMessage().startsWith("Export failed after 0 frames"));
    }

    // The pose alone as glTF has nothing to choose: no options dialog.
    // A pose alone as glTF still asks for the joints' names, and the file takes the naming chosen.
    void aPoseAloneAsGltfAsksForTheNames() {
        RunningApp app;
        TempDir dir;
        app.Frame().Router().Execute(cmd::Hierarchy);
        app.dialogs.answers = {dir.File("pose.glb")};
        ExportOptions humanoid;
        humanoid.kind = ExportOptions::Kind::Gltf;
        humanoid.naming = ExportOptions::Naming::Humanoid;
        app.dialogs.exportAnswers = {humanoid};
        app.Frame().Router().Execute(cmd::ExportGltf);
        QCOMPARE(app.dialogs.proposals.size(), std::size_t(1));
        QVERIFY(!app.dialogs.proposals[0].animation);
        QVERIFY(app.dialogs.messages.empty());
        QFile glb(QString::fromStdString(dir.File("pose.glb")));
        QVERIFY(glb.open(QIODevice::ReadOnly));
        const QByteArray bytes = glb.readAll();
        QVERIFY(bytes.contains("\"name\":\"hips\"") && bytes.contains("\"name\":\"leftLowerArm\""));
    }

    void motionExportsNeedTheFigureAndWriteBothFormats() {
        RunningApp app;
        TempDir dir;
        app.dialogs.answers = {dir.File("early.bvh")};
        app.Frame().Router().Execute(cmd::ExportBvh);
        QCOMPARE(app.dialogs.messages.size(), std::size_t(1)); // the flat picture has no joints
        QVERIFY(!QFile::exists(QString::fromStdString(dir.File("early.bvh"))));
        RecordAnimation(app, dir.File("walk.amt"));
        ExportOptions bvh;
        bvh.kind = ExportOptions::Kind::Bvh;
        bvh.centimetres = true;
        bvh.framesPerSecond = 30;
        app.dialogs.answers = {dir.File("walk.bvh"), dir.File("walk.glb")};
        app.dialogs.exportAnswers = {bvh};
        app.Frame().Router().Execute(cmd::ExportBvh);
        app.Frame().Router().Execute(cmd::ExportGltf);
        QVERIFY(app.dialogs.proposals.back().animation);
        QFile motion(QString::fromStdString(dir.File("walk.bvh")));
        QVERIFY(motion.open(QIODevice::ReadOnly));
        const QByteArray text = motion.readAll();
        QVERIFY(text.startsWith("HIERARCHY\nROOT Hips"));
        QVERIFY(text.contains("Frames: 12\nFrame Time: 0.0333333333\n"));
        QFile glb(QString::fromStdString(dir.File("walk.glb")));
        QVERIFY(glb.open(QIODevice::ReadOnly));
        QVERIFY(glb.read(4) == "glTF");
    }
};

FIGURANT_GUI_TEST_MAIN(ExportTest)
#include "ExportTest.moc"
