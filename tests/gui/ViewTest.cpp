// The OpenGL view: what it draws, its camera commands and its reaction to hints and resizes.
#include "AnimationFormat.h"
#include "DxfText.h"
#include "GuiFixture.h"
#include "GuiMain.h"
#include "NormalsReader.h"
#include "SegmentVertices.h"
#include "TempDir.h"
#include "ViewProbe.h"

using namespace figurant;
using namespace figurant::test;

namespace {

void EnterHierarchy(RunningApp& app) {
    app.Frame().Router().Execute(cmd::Hierarchy);
    QCOMPARE(app.View().DisplayMode(), 1000);
}

void ExpectMatrixNear(const Matrix4& a, const Matrix4& b) {
    for (int i = 0; i < 16; ++i)
        QVERIFY2(std::fabs(a[i] - b[i]) < 1e-5f * (1 + std::fabs(b[i])), qPrintable(QString::number(i)));
}

// The front of the toe cap: the vertices of the foot within 3 cm of its foremost one (the camera
// looks along +y). The top of the foot faces away from the model centre's side, so the view's
// normal flip darkens it; the toe cap keeps its colour.
Point3d ToeCap(const std::vector<Point3d>& foot) {
    double front = 1e9;
    for (const Point3d& p : foot)
        front = std::min(front, p.y);
    std::vector<Point3d> cap;
    for (const Point3d& p : foot)
        if (p.y < front + 0.03) cap.push_back(p);
    return Centre(cap);
}

// Every body part at its projected centre shows its colour.
void ExpectSegmentColours(RunningApp& app, bool hierarchy) {
    const QImage image = app.View().RenderImage();
    const std::pair<int, Paint> expected[] = {{0, Paint::Skin},      {1, Paint::Red},
                                              {10, Paint::Trousers}, {11, Paint::Trousers},
                                              {14, Paint::Shoes},    {15, Paint::Shoes}};
    for (auto [segment, paint] : expected) {
        const Matrix4 model = hierarchy ? TreeMatrix(app.View(), segment) : Matrix4{};
        const auto& vertices = app.View().FigureModel().Vertices(segment);
        const QPointF at = Project(app.View(), segment >= 14 ? ToeCap(vertices) : Centre(vertices), model);
        QVERIFY2(PaintAt(image, at) == paint,
                 qPrintable(QString("segment %1 shows %2").arg(segment).arg(Name(PaintAt(image, at)))));
    }
}

// The share of the picture's height that the figure covers (rows with anything but background).
double FigureHeightShare(const QImage& image) {
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xffffff) != 0) {
                if (top < 0) top = y;
                bottom = y;
                break;
            }
    return top < 0 ? 0.0 : double(bottom - top + 1) / image.height();
}

} // namespace

class ViewTest : public QObject {
    Q_OBJECT
  private slots:
    // A lens change keeps the eye, so the figure's height follows the focal length as a pinhole
    // camera's would (to and from the orthographic lens, which has no eye, it keeps its size);
    // Home frames it at 80 % of the height again, whatever the lens. The lens is
    // remembered for the next start. (The framing is measured at the front of the figure's box, so
    // a perspective picture shows the silhouette a little smaller.)
    void lensScalesThePictureAndHomeFramesIt() {
        {
            RunningApp app;
            CommandRouter& router = app.Frame().Router();
            const double standard = FigureHeightShare(app.View().RenderImage(false));
            QVERIFY2(std::fabs(standard - 0.8) < 0.03, qPrintable(QString::number(standard)));
            router.Execute(cmd::Camera85);
            router.Execute(cmd::ViewHome);
            const double framed = FigureHeightShare(app.View().RenderImage(false));
            QVERIFY2(std::fabs(framed - 0.8) < 0.03, qPrintable(QString::number(framed)));
            router.Execute(cmd::Camera50);
            const double wider = FigureHeightShare(app.View().RenderImage(false));
            QVERIFY2(std::fabs(wider / framed - 50.0 / 85.0) < 0.01 * 50.0 / 85.0,
                     qPrintable(QString::number(wider / framed)));
            router.Execute(cmd::CameraOrthographic);
            // The orthographic lens shows the figure at the size the lens before it did.
            const double switched = FigureHeightShare(app.View().RenderImage(false));
            QVERIFY2(std::fabs(switched / wider - 1) < 0.1, qPrintable(QString::number(switched / wider)));
            router.Execute(cmd::ViewHome);
            const double flat = FigureHeightShare(app.View().RenderImage(false));
            QVERIFY2(std::fabs(flat - 0.8) < 0.03, qPrintable(QString::number(flat)));
            // And back: a perspective lens shows it at the size the orthographic one did.
            router.Execute(cmd::Camera85);
            const double back = FigureHeightShare(app.View().RenderImage(false));
            QVERIFY2(std::fabs(back / flat - 1) < 0.1, qPrintable(QString::number(back / flat)));
            router.Execute(cmd::CameraOrthographic);
        }
        RunningApp again;
        QVERIFY(again.View().CurrentLens().Orthographic());
        again.Frame().Router().Execute(cmd::CameraStandard); // the other cases start as users do
    }

    void flatAndHierarchicalPicturesAreColouredBySegment() {
        RunningApp app;
        // The vertex collection of the segments gives the centres for the flat picture too.
        EnterHierarchy(app);
        ExpectSegmentColours(app, true);
        app.View().RenderImage().save(QString::fromStdString(PicturesDir()) + "/screenshot-hierarchy.png");
        app.Frame().Router().Execute(cmd::Hierarchy);
        QCOMPARE(app.View().DisplayMode(), 1001);
        ExpectSegmentColours(app, false);
    }

    void jointBandFillsABentElbow() {
        RunningApp app;
        EnterHierarchy(app);
        CKvtView& view = app.View();
        SegmentPose& forearm = view.Pose(6);
        QVERIFY(forearm.m_pJointCentre);
        const Point3d J = *forearm.m_pJointCentre;
        Matrix4 bend;
        MakeRotation(60, 0, 1, 0, bend); // about the axis towards the camera: the bend shows
        Matrix4 about = Matrix4::Translation(J.x, J.y, J.z);
        MultMatrix(about, bend);
        MultMatrix(about, Matrix4::Translation(-J.x, -J.y, -J.z));
        MultMatrix(forearm.m_matrix, about);
        forearm.UpdateChildRing();
        view.InvalidateAndUpdateNow();
        const QImage image = view.RenderImage();
        // Outside the bend, on the bisector between the upper arm and the turned forearm.
        const Matrix4 parent = TreeMatrix(view, 4);
        const Point3d up = Centre(view.FigureModel().Vertices(4)),
                      down = TransformPoint3(forearm.m_matrix,
                                             Centre(view.FigureModel().Vertices(forearm.m_nSegment)));
        auto unit = [](Point3d d) {
            const double l = std::sqrt(Dot(d, d));
            return Point3d{d.x / l, d.y / l, d.z / l};
        };
        const Point3d a = unit(up - J), b = unit(down - J);
        const Point3d outward = unit(-1.0 * (a + b));
        for (double r : {0.01, 0.02, 0.03}) {
            const Point3d p = J + r * outward;
            const Paint paint = PaintAt(image, Project(view, p, parent));
            QVERIFY2(paint != Paint::Background,
                     qPrintable(QString("background at %1 m from the elbow").arg(r)));
        }
        image.save(QString::fromStdString(PicturesDir()) + "/screenshot-elbow.png");
    }

    void cameraCommandsUndoEachOther() {
        RunningApp app;
        CKvtView& view = app.View();
        const Matrix4 start = view.Camera().sceneMatrix;
        app.Frame().Router().Execute(cmd::ZoomIn);
        QVERIFY(!(view.Camera().sceneMatrix == start));
        app.Frame().Router().Execute(cmd::ZoomOut);
        ExpectMatrixNear(view.Camera().sceneMatrix, start);
        app.Frame().Router().Execute(cmd::RotateLeft);
        QCOMPARE(view.Camera().rotAngle, -10.0f);
        app.Frame().Router().Execute(cmd::RotateRight);
        ExpectMatrixNear(view.Camera().sceneMatrix, start);
        app.Frame().Router().Execute(cmd::RotateUp);
        app.Frame().Router().Execute(cmd::RotateDown);
        ExpectMatrixNear(view.Camera().sceneMatrix, start);
        // No turn while playing (the file's key frames hold the same scene matrix).
        app.Frame().Router().Execute(cmd::Hierarchy);
        TempDir dir;
        AnimationScene scene = view.Scene();
        app.dialogs.answers = {dir.Write("still.amt", FormatKeyFrame(scene) + FormatIncrementBlock(scene) +
                                                          FormatKeyFrame(scene))};
        QTimer::singleShot(0, [&] { view.RotateScene(10, 0, 0, 1); });
        app.Frame().Router().Execute(cmd::FileOpen);
        ExpectMatrixNear(view.Camera().sceneMatrix, start);
    }

    void resetRestsThePoseButKeepsTheTrackball() {
        RunningApp app;
        EnterHierarchy(app);
        CKvtView& view = app.View();
        const Matrix4 camera = view.Camera().sceneMatrix;
        QTest::mousePress(&view, Qt::MiddleButton, Qt::NoModifier, QPoint(300, 300));
        QMouseEvent move(QEvent::MouseMove, QPointF(380, 320), view.mapToGlobal(QPointF(380, 320)),
                         Qt::NoButton, Qt::MiddleButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
        QTest::mouseRelease(&view, Qt::MiddleButton, Qt::NoModifier, QPoint(380, 320));
        const Quat turned = view.Camera().curQuat;
        view.Pose(6).m_matrix[12] = 0.2f;
        view.Pose(6).UpdateChildRing();
        app.Frame().Router().Execute(cmd::ZoomIn);
        app.Frame().Router().Execute(cmd::Reset);
        QVERIFY(view.Pose(6).m_matrix == Matrix4::Identity());
        QCOMPARE(view.Pose(6).m_childRing, view.Pose(6).m_restRing);
        ExpectMatrixNear(view.Camera().sceneMatrix, camera);
        QVERIFY(view.Camera().curQuat == turned);
    }

    // Building the figure reports its steps in order and closes the report at the end; the
    // picture stays as it was until the figure is whole.
    void buildingTheFigureShowsItsProgressAndKeepsThePicture() {
        RunningApp app;
        CKvtView& view = app.View();
        std::vector<bool> kept;
        app.dialogs.whileBusy = [&] { kept.push_back(view.KeepsPicture()); };
        app.dialogs.busy.clear();
        app.Frame().Router().Execute(cmd::Hierarchy);
        const auto& busy = app.dialogs.busy;
        QVERIFY(busy.size() >= 4);
        QCOMPARE(busy.front().done, 0);
        QCOMPARE(busy.back().done, busy.back().total);
        for (std::size_t i = 0; i < busy.size(); ++i) {
            QCOMPARE(busy[i].text, std::string("Building the figure..."));
            if (i > 0) QVERIFY(busy[i - 1].done < busy[i].done);
            QCOMPARE(bool(kept[i]), i + 1 < busy.size());
        }
    }

    void emptyResizeAndNewDocumentHintChangeNothingVisible() {
        RunningApp app;
        CKvtView& view = app.View();
        const double aspect = view.Camera().aspect;
        const int width = view.Camera().viewportW;
        view.OnSize(0, 300);
        view.OnSize(300, 0);
        QCOMPARE(view.Camera().aspect, aspect);
        QCOMPARE(view.Camera().viewportW, width);
        view.SetAnimationFile("walk.amt", true);
        const int paints = view.Paints();
        view.OnUpdate(HINT_NEW_DOCUMENT);
        QCOMPARE(view.Paints(), paints);
        QCOMPARE(view.AnimAvailable(), false);
        QVERIFY(!app.Frame().ToolbarAction(cmd::Animate)->isEnabled());
    }

    void flatModeRefreshForcesNormalModeAndEmptySelection() {
        RunningApp app;
        CKvtView& view = app.View();
        app.Frame().Router().Execute(cmd::Hierarchy);
        app.Frame().Router().Execute(cmd::ModeModify);
        view.FigureModel().Pick(3, false);
        app.Frame().Router().Execute(cmd::Hierarchy);
        view.RefreshToolbar(CKvtView::Refresh::DocumentUpdate);
        QCOMPARE(view.RenderMode(), int(RENDER_NORMAL));
        QCOMPARE(view.FigureModel().Selection().size(), 0u);
        QVERIFY(!app.Frame().ToolbarAction(cmd::ModeModify)->isEnabled());
    }

    // The generator writes every normal outwards: none may be reversed (reversing those that face
    // the model's centre once darkened the feet and put seams on the legs). Building the pictures
    // again changes none either.
    void normalsAreFlippedOnceOnly() {
        RunningApp app;
        CKvtView& view = app.View();
        const auto written = ReadNormalsFile(DefaultNormalsPath());
        QVERIFY(written);
        QCOMPARE(app.Doc().Normals().size(), written->size());
        for (std::size_t i = 0; i < written->size(); ++i)
            QVERIFY2(DotF(app.Doc().Normals()[i], (*written)[i]) > 0, qPrintable(QString::number(i)));
        const auto normals = app.Doc().Normals();
        view.makeCurrent();
        view.BuildFlatLists();
        EnterHierarchy(app);
        for (std::size_t i = 0; i < normals.size(); ++i) {
            QCOMPARE(app.Doc().Normals()[i].x, normals[i].x);
            QCOMPARE(app.Doc().Normals()[i].z, normals[i].z);
        }
    }

    void hostileDrawingsImportWithoutHarm() {
        RunningApp app;
        const QDir corpus(FIGURANT_DXF_CORPUS);
        for (const QString& name : corpus.entryList(QDir::Files)) {
            app.dialogs.answers = {corpus.filePath(name).toStdString()};
            app.Frame().Router().Execute(cmd::ImportDxf);
            app.Frame().Router().Execute(cmd::Hierarchy);
            app.View().InvalidateAndUpdateNow();
            app.Frame().Router().Execute(cmd::Hierarchy);
        }
        QVERIFY(app.View().isVisible());
        // A drawing with more vertices than the start-up normals cover gets normals of its own:
        // those beside it when they cover it, otherwise computed from its faces.
        std::string text;
        for (int i = 0; i < 5000; ++i)
            text += Dxf(Face(2, {"0", "0", "0", "1", "0", "0", "1", "1", "0", "0", "1", "0"}));
        TempDir dir;
        app.dialogs.answers = {dir.Write("big.dxf", text + "0\nEOF\n")};
        app.dialogs.messages.clear();
        app.Frame().Router().Execute(cmd::ImportDxf);
        QVERIFY(app.Doc().NormalsReady());
        QVERIFY(app.Doc().NormalsFile().empty());
        QVERIFY(app.dialogs.messages.empty());
        std::string normals = "20000\n";
        for (int i = 0; i < 20000; ++i)
            normals += "0 0 1\n";
        dir.Write("big.normal", normals);
        app.dialogs.answers = {dir.File("big.dxf")};
        app.Frame().Router().Execute(cmd::ImportDxf);
        QCOMPARE(app.Doc().NormalsFile(), dir.File("big.normal"));
        QVERIFY(app.Doc().NormalsReady());
    }

    void importOfAMissingFileLeavesAnEmptyView() {
        RunningApp app;
        app.dialogs.answers = {std::string("/nonexistent/model.dxf")};
        app.Frame().Router().Execute(cmd::ImportDxf);
        QVERIFY(!app.Doc().Model());
        QCOMPARE(app.View().DisplayMode(), 1001);
        QVERIFY(app.dialogs.messages.empty());
    }
};

FIGURANT_GUI_TEST_MAIN(ViewTest)
#include "ViewTest.moc"
