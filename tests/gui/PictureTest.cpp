// The pictures of the default model stay the same, pixel for pixel, through the ordinary steps of
// posing: start-up, the figure built (and the flat picture again), a selected head, a turned
// forearm, a twisted thigh and the end of a playback. The reference pictures were taken from the program on
// this platform (Xvfb, Mesa llvmpipe); FIGURANT_RECORD_PICTURES=1 writes them anew.
#include "GuiFixture.h"
#include "GuiMain.h"
#include "TempDir.h"
#include "ViewProbe.h"

using namespace figurant;
using namespace figurant::test;

namespace {

const QString kReferenceDir = FIGURANT_REFERENCE_PICTURES;

void Click(RunningApp& app, int segment) {
    CKvtView& v = app.View();
    QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, SegmentPoint(v, segment));
}

// Compares with the stored picture (or stores it when recording). Pictures of another size come
// from another screen and are not compared.
void Check(CKvtView& view, const QString& name) {
    const QImage image = view.RenderImage().convertToFormat(QImage::Format_RGB32);
    const QString path = kReferenceDir + "/" + name + ".png";
    if (qEnvironmentVariableIsSet("FIGURANT_RECORD_PICTURES")) {
        QVERIFY(image.save(path));
        return;
    }
    const QImage reference = QImage(path).convertToFormat(QImage::Format_RGB32);
    QVERIFY2(!reference.isNull(), qPrintable(path));
    if (reference.size() != image.size()) QSKIP("the screen differs from the reference pictures' screen");
    if (image != reference) {
        image.save(QString::fromStdString(PicturesDir()) + "/picture-" + name + ".png");
        QFAIL(qPrintable("picture differs from " + path));
    }
}

} // namespace

class PictureTest : public QObject {
    Q_OBJECT
  private slots:
    void posingStepsKeepThePicture() {
        RunningApp app;
        TempDir dir;
        CKvtView& v = app.View();
        Check(v, "startup");
        app.Frame().Router().Execute(cmd::Hierarchy);
        Check(v, "hierarchy");
        // Back to the flat picture and to the figure again.
        app.Frame().Router().Execute(cmd::Hierarchy);
        Check(v, "startup");
        app.Frame().Router().Execute(cmd::Hierarchy);
        Check(v, "hierarchy");
        app.Frame().Router().Execute(cmd::ModeModify);
        app.dialogs.answers = {dir.File("pose.amt")};
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        Click(app, 0);
        Check(v, "head-selected");
        Click(app, 6);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(&v, Qt::Key_Left);
        Check(v, "forearm-turned");
        Click(app, 10);
        for (int i = 0; i < 2; ++i)
            QTest::keyClick(&v, Qt::Key_T);
        Check(v, "thigh-twisted");
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        app.Frame().Router().Execute(cmd::Animate);
        Check(v, "playback-end");
    }
};

FIGURANT_GUI_TEST_MAIN(PictureTest)
#include "PictureTest.moc"
