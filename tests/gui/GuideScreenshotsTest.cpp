// Renders the pictures of the user guide from the default model into the build's run folder
// (docs/images holds copies), and checks that each one shows the figure.
#include "GuiFixture.h"
#include "GuiMain.h"
#include "ViewProbe.h"

#include <QPainter>

using namespace figurant;
using namespace figurant::test;

namespace {

void Save(const QImage& image, const char* name) {
    const QImage small = image.scaledToWidth(480, Qt::SmoothTransformation);
    QVERIFY(small.save(QString::fromStdString(PicturesDir()) + "/guide-" + name + ".png"));
}

int FigurePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            n += Classify(image.pixel(x, y)) != Paint::Background;
    return n;
}

void Turn(CKvtView& view, int segment, float degrees, float x, float y, float z) {
    SegmentPose& p = view.Pose(segment);
    const Point3d J = *p.m_pJointCentre;
    Matrix4 r, about = Matrix4::Translation(J.x, J.y, J.z);
    MakeRotation(degrees, x, y, z, r);
    MultMatrix(about, r);
    MultMatrix(about, Matrix4::Translation(-J.x, -J.y, -J.z));
    MultMatrix(p.m_matrix, about);
    p.UpdateChildRing();
}

// The main window as the screen shows it: a widget grab leaves out the view's native OpenGL window,
// so its picture goes in where the view lies.
QImage WindowPicture(RunningApp& app) {
    QImage picture = app.Frame().grab().toImage();
    QPainter painter(&picture);
    CKvtView& view = app.View();
    painter.drawImage(view.mapTo(&app.Frame(), QPoint(0, 0)), view.RenderImage());
    return picture;
}

} // namespace

class GuideScreenshotsTest : public QObject {
    Q_OBJECT
  private slots:
    void renderGuidePictures() {
        RunningApp app;
        CKvtView& view = app.View();
        Save(WindowPicture(app), "window");
        app.Frame().Router().Execute(cmd::Hierarchy);
        app.Frame().Router().Execute(cmd::ModeModify);
        view.FigureModel().Pick(10, false);
        view.InvalidateAndUpdateNow();
        QImage selected = view.RenderImage();
        QVERIFY(FigurePixels(selected) > 500);
        Save(selected, "selected");
        view.FigureModel().ClearSelection();
        Turn(view, 4, -60, 0, 1, 0);
        Turn(view, 6, -70, 1, 0, 0);
        Turn(view, 5, 25, 1, 0, 0);
        Turn(view, 10, 40, 1, 0, 0);
        Turn(view, 12, -60, 1, 0, 0);
        app.Frame().Router().Execute(cmd::RotateLeft);
        app.Frame().Router().Execute(cmd::RotateLeft);
        app.Frame().Router().Execute(cmd::RotateLeft);
        QImage posed = view.RenderImage();
        QVERIFY(FigurePixels(posed) > 500);
        Save(posed, "posed");
    }

    // File > Export Picture on a white background, at a size of its own.
    void renderExportedPicture() {
        RunningApp app;
        app.Frame().Router().Execute(cmd::Hierarchy);
        Turn(app.View(), 4, -50, 0, 1, 0);
        Turn(app.View(), 11, 30, 1, 0, 0);
        ExportOptions options;
        options.width = 480;
        options.height = 360;
        options.background = ExportOptions::Background::White;
        const QString path = QString::fromStdString(PicturesDir()) + "/guide-export.png";
        app.dialogs.answers = {path.toStdString()};
        app.dialogs.exportAnswers = {options};
        app.Frame().Router().Execute(cmd::ExportPicture);
        const QImage picture(path);
        QCOMPARE(picture.size(), QSize(480, 360));
        QCOMPARE(QColor(picture.pixel(0, 0)), QColor(Qt::white));
    }

    // A figure brought from another tool: File > Import Model (Ctrl+M), built and posed.
    void renderImportedFigure() {
        RunningApp app;
        CKvtView& view = app.View();
        app.dialogs.answers = {std::string(FIGURANT_TEST_MODELS) + "/male_base_mesh.glb"};
        QTest::keyClick(&app.Frame(), Qt::Key_M, Qt::ControlModifier);
        QVERIFY(app.dialogs.messages.empty());
        QCOMPARE(app.Doc().SegmentCount(), 16);
        app.Frame().Router().Execute(cmd::Hierarchy);
        for (int s : {0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15})
            QVERIFY2(view.Pose(s).m_pJointCentre.has_value(), qPrintable(QString::number(s)));
        Turn(view, 4, -50, 0, 1, 0);
        Turn(view, 6, -60, 1, 0, 0);
        Turn(view, 10, 35, 1, 0, 0);
        Turn(view, 12, -50, 1, 0, 0);
        Turn(view, 0, 15, 0, 0, 1);
        app.Frame().Router().Execute(cmd::RotateLeft);
        app.Frame().Router().Execute(cmd::RotateLeft);
        const QImage posed = view.RenderImage();
        QVERIFY(FigurePixels(posed) > 500);
        Save(posed, "imported");
    }
};

FIGURANT_GUI_TEST_MAIN(GuideScreenshotsTest)
#include "GuideScreenshotsTest.moc"
