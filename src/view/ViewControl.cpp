// Control pictures for image generators (File > Export > Export Control Pictures) and the
// reference picture shown behind the figure (View > Reference Picture).
#include "KvtView.h"

#include "CharacterPose.h"
#include "SceneMath.h"

#include <GL/gl.h>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace figurant {

namespace {

constexpr const char* kReferenceSetting = "View/ReferencePicture";
constexpr const char* kReferenceOpacitySetting = "View/ReferenceOpacity";
constexpr int kDefaultReferenceOpacity = 50; // per cent

// Which control picture each of the dialog's boxes makes, in its order.
constexpr bool ControlOptions::*kControlFields[] = {&ControlOptions::keypoints, &ControlOptions::skeleton,
                                                    &ControlOptions::depth,     &ControlOptions::normal,
                                                    &ControlOptions::segments,  &ControlOptions::picture};

// The picture scaled to fit inside width x height, centred, over black.
QImage FittedPicture(const QImage& picture, int width, int height) {
    QImage fitted(width, height, QImage::Format_RGB888);
    fitted.fill(Qt::black);
    if (picture.isNull()) return fitted;
    const QImage scaled = picture.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter(&fitted).drawImage((width - scaled.width()) / 2, (height - scaled.height()) / 2, scaled);
    return fitted;
}

} // namespace

// The camera's matrices for a picture of this size: the view widened or narrowed to its shape.
ViewMatrices CKvtView::CurrentViewMatrices(int width, int height) const {
    const ViewCamera& c = m_camera;
    float rotation[16];
    BuildRotMatrix(rotation, c.curQuat);
    Matrix4 turn;
    for (int i = 0; i < 16; ++i)
        turn[i] = rotation[i];
    ViewMatrices view;
    view.modelView = c.sceneMatrix;
    MultMatrix(view.modelView, turn);
    view.modelView = SceneRotated(view.modelView, static_cast<float>(c.sceneRotX), 1, 0, 0);
    view.modelView = SceneRotated(view.modelView, static_cast<float>(c.sceneRotZ), 0, 0, 1);
    view.projection = ProjectionMatrix(c.lens, c.volume, static_cast<double>(width) / height);
    view.width = width;
    view.height = height;
    return view;
}

void CKvtView::OnExportControl() {
    if (!m_doc.Model()) return m_services.MessageBox("There is no model to make pictures of.");
    FileDialogRequest request;
    request.folder = true;
    const auto folder = m_services.FileDialog(request);
    if (!folder) return;
    ExportOptions proposed;
    proposed.kind = ExportOptions::Kind::Control;
    proposed.width = static_cast<int>(width() * devicePixelRatioF());
    proposed.height = static_cast<int>(height() * devicePixelRatioF());
    proposed.referenceAvailable = !m_reference.isNull();
    const auto chosen = m_services.ExportOptionsDialog(proposed);
    if (!chosen) return;
    const auto fits = [](int side) { return side >= 1 && side <= ExportOptions::kMaxSide; };
    if (!fits(chosen->width) || !fits(chosen->height))
        return m_services.MessageBox("Pictures of " + std::to_string(chosen->width) + " x " +
                                     std::to_string(chosen->height) + " pixels cannot be made here.");
    ControlOptions options;
    for (std::size_t i = 0; i < std::size(kControlFields); ++i)
        options.*kControlFields[i] = chosen->controls[i];
    options.layout = chosen->body25 ? KeyPointLayout::Body25 : KeyPointLayout::Body18;
    options.normalRightInRed = chosen->normalRightInRed;
    if (chosen->withReference && !m_reference.isNull()) {
        const QImage fitted = FittedPicture(m_reference, chosen->width, chosen->height);
        for (int y = 0; y < fitted.height(); ++y)
            for (int x = 0; x < fitted.width(); ++x) {
                const uchar* p = fitted.constScanLine(y) + 3 * x;
                options.backdrop.push_back({p[0], p[1], p[2]});
            }
    }
    // The pictures show the figure as the view does; without the jointed figure, the figure at rest.
    Figure atRest;
    const Figure* figure = &m_figure;
    if (!FigureShown()) {
        if (!m_doc.HasSegmentTables()) m_doc.BuildHierarchy();
        atRest.Build(m_doc.Tables(), m_camera.modelScale, m_camera.modelCentre);
        figure = &atRest;
    }
    if (CharacterShown()) {
        SkinCharacter();
        options.surface = SkinnedTriangles(*m_doc.GetCharacter(), m_skinned);
    }
    const auto files = MakeControlPictures(*figure, CurrentViewMatrices(chosen->width, chosen->height),
                                           LookAtMatrix(), options);
    if (const std::string error = WriteControlPictures(*folder, files); !error.empty())
        return m_services.MessageBox("The control pictures cannot be saved: " + error + ".");
    m_services.ShowStatusMessage("Saved " + std::to_string(files.size()) + " control pictures to " + *folder);
}

bool CKvtView::LoadReference(const std::string& path, int opacity) {
    QImageReader reader(QString::fromStdString(path));
    const QImage picture = reader.read();
    if (picture.isNull()) return false;
    m_reference = picture;
    m_referencePath = path;
    m_referenceOpacity = std::clamp(opacity, 0, 100);
    m_referenceShown = QImage();
    return true;
}

void CKvtView::OnReferencePicture() {
    FileDialogRequest request;
    request.open = true;
    request.initialName = m_referencePath;
    request.filter = "Pictures (*.png;*.jpg;*.jpeg;*.bmp;*.gif;*.webp)|*.png;*.jpg;*.jpeg;*.bmp;*.gif;*.webp|"
                     "All Files (*.*)|*.*||";
    const auto path = m_services.FileDialog(request);
    if (!path) return;
    const int was = m_reference.isNull() ? kDefaultReferenceOpacity : m_referenceOpacity;
    const auto opacity = m_services.AskPercent("Opacity of the reference picture (per cent):", was);
    if (!opacity) return;
    if (!LoadReference(*path, *opacity))
        return m_services.MessageBox("The file \"" + *path + "\" is not a picture this program can show.");
    m_services.SaveSetting(kReferenceSetting, *path);
    m_services.SaveSetting(kReferenceOpacitySetting, std::to_string(m_referenceOpacity));
    InvalidateAndUpdateNow();
}

void CKvtView::OnReferencePictureOff() {
    m_reference = QImage();
    m_referenceShown = QImage();
    m_referencePath.clear();
    m_services.SaveSetting(kReferenceSetting, "");
    InvalidateAndUpdateNow();
}

// The picture remembered from the last session, if it can still be read.
void CKvtView::RestoreReference() {
    const std::string path = m_services.Setting(kReferenceSetting);
    if (path.empty()) return;
    const std::string opacity = m_services.Setting(kReferenceOpacitySetting);
    const int percent = opacity.empty() ? kDefaultReferenceOpacity : QString::fromStdString(opacity).toInt();
    if (!LoadReference(path, percent))
        m_services.ShowStatusMessage("The reference picture \"" + path + "\" could not be read");
}

// Behind everything: the reference picture fitted to the view, darkened by its opacity over the
// black background, drawn without depth.
void CKvtView::DrawReference() {
    const int w = m_camera.viewportW, h = m_camera.viewportH;
    if (m_reference.isNull() || w <= 0 || h <= 0) return;
    if (m_referenceShown.width() != w || m_referenceShown.height() != h) {
        QImage fitted = FittedPicture(m_reference, w, h).convertToFormat(QImage::Format_RGBA8888);
        const double share = m_referenceOpacity / 100.0;
        for (int y = 0; y < h; ++y) {
            uchar* p = fitted.scanLine(y);
            for (int x = 0; x < w; ++x, p += 4)
                for (int k = 0; k < 3; ++k)
                    p[k] = static_cast<uchar>(p[k] * share + 0.5);
        }
        m_referenceShown = fitted.mirrored(); // OpenGL's rows run from the bottom
    }
    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRasterPos2f(-1, -1);
    glDrawPixels(w, h, GL_RGBA, GL_UNSIGNED_BYTE, m_referenceShown.constBits());
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

} // namespace figurant
