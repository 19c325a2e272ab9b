// Exports: the current picture at any size, every frame of the animation as pictures (and a
// video through ffmpeg), and the figure with its motion as BVH or glTF.
#include "DurableFile.h"
#include "ExportSkeleton.h"
#include "KvtView.h"

#include "CharacterGlb.h"
#include "MotionFile.h"
#include "OffscreenTarget.h"
#include "VideoCheck.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QOpenGLFramebufferObject>
#include <QProcess>
#include <QStandardPaths>

#include <GL/gl.h>
#include <cstdio>

namespace figurant {

namespace {

bool IsJpeg(const std::string& path) {
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    return suffix == "jpg" || suffix == "jpeg";
}

// The picture encoded and written whole, or the reason it was not.
std::string SavePicture(const QImage& image, const std::string& path, bool jpeg) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, jpeg ? "JPG" : "PNG", jpeg ? 92 : -1)) return "the picture cannot be encoded";
    return WriteFileDurably(path, bytes.toStdString());
}

std::string FileName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

// "walk.png" -> "walk"; the frames are "walk_0001.png", ... and the video "walk.mp4".
std::string Stem(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    return (info.path() + "/" + info.completeBaseName()).toStdString();
}

std::string FrameName(const std::string& stem, std::size_t frame) {
    char number[32];
    std::snprintf(number, sizeof number, "_%04zu.png", frame + 1);
    return stem + number;
}

// The frames' names as the video encoder reads them: its own "%" doubled, then the number's.
QString EncoderPattern(const std::string& stem) {
    return QString::fromStdString(stem).replace("%", "%%") + "_%04d.png";
}

// Frames of an earlier, longer export under the same name, past the new ones: the encoder would
// take them into the video. Returns how many were removed.
int RemoveOlderFrames(const std::string& stem, std::size_t from) {
    int removed = 0;
    for (std::size_t frame = from; QFile::exists(QString::fromStdString(FrameName(stem, frame))); ++frame)
        removed += QFile::remove(QString::fromStdString(FrameName(stem, frame))) ? 1 : 0;
    return removed;
}

} // namespace

QImage CKvtView::RenderOffscreen(int width, int height, const QColor& background) {
    makeCurrent();
    const auto target = OffscreenTarget({width, height}, QOpenGLFramebufferObject::Depth, format().samples());
    if (!target->isValid()) return {};
    target->bind();
    const double aspect = m_camera.aspect;
    m_camera.aspect = static_cast<double>(width) / height;
    glViewport(0, 0, width, height);
    // The selection and the reference picture are the user's aids, not part of what is exported.
    m_bOutline = false;
    m_bSelectionShown = false;
    m_bBackdrop = false;
    DrawPicture(background.redF(), background.greenF(), background.blueF(), background.alphaF());
    glFinish();
    m_bOutline = true;
    m_bSelectionShown = true;
    m_bBackdrop = true;
    m_camera.aspect = aspect;
    glViewport(0, 0, m_camera.viewportW, m_camera.viewportH);
    QImage picture = target->toImage();
    target->release();
    return picture;
}

void CKvtView::OnExportPicture() {
    if (!m_doc.Model()) return m_services.MessageBox("There is no model to make a picture of.");
    FileDialogRequest request;
    request.open = false;
    request.defaultExtension = "png";
    request.initialName = "figure.png";
    request.filter = "PNG Pictures (*.png)|*.png|JPEG Pictures (*.jpg)|*.jpg;*.jpeg||";
    const auto path = m_services.FileDialog(request);
    if (!path) return;
    ExportOptions proposed;
    proposed.kind = ExportOptions::Kind::Picture;
    proposed.width = static_cast<int>(width() * devicePixelRatioF());
    proposed.height = static_cast<int>(height() * devicePixelRatioF());
    const auto options = m_services.ExportOptionsDialog(proposed);
    if (!options) return;
    const bool jpeg = IsJpeg(*path);
    // JPEG has no transparency: a transparent background is drawn as shown.
    const bool transparent = options->background == ExportOptions::Background::Transparent && !jpeg;
    // As shown: the view's own background (Options), opaque.
    const QColor shown(m_background.red(), m_background.green(), m_background.blue());
    const QColor background = options->background == ExportOptions::Background::White ? QColor(Qt::white)
                              : transparent                                           ? QColor(0, 0, 0, 0)
                                                                                      : shown;
    const auto fits = [](int side) { return side >= 1 && side <= ExportOptions::kMaxSide; };
    QImage picture = fits(options->width) && fits(options->height)
                         ? RenderOffscreen(options->width, options->height, background)
                         : QImage();
    if (picture.isNull())
        return m_services.MessageBox("A picture of " + std::to_string(options->width) + " x " +
                                     std::to_string(options->height) + " pixels cannot be drawn here.");
    if (!transparent) picture = picture.convertToFormat(QImage::Format_RGB32);
    if (const std::string error = SavePicture(picture, *path, jpeg); !error.empty())
        return m_services.MessageBox("The picture cannot be saved to \"" + *path + "\": " + error + ".");
    m_services.ShowStatusMessage("Saved the picture to " + FileName(*path));
}

namespace {

// Why an export cannot start: the frames and the motion are the jointed figure's, and the frames
// those of an animation.
const char* const kNeedsFigure = "Turn on View > Hierarchy first: the figure is exported with its joints.";
const char* const kNeedsAnimation = "Open or record an animation first: its frames are what is exported.";

} // namespace

void CKvtView::OnExportFrames() {
    if (!m_figure.IsBuilt() || m_nDisplayMode != DISPLAY_HIERARCHY)
        return m_services.MessageBox(kNeedsFigure);
    if (!m_bAnimAvailable || m_strAnimFile.empty()) return m_services.MessageBox(kNeedsAnimation);
    FileDialogRequest request;
    request.open = false;
    request.defaultExtension = "png";
    request.initialName = Stem(m_strAnimFile) + ".png";
    request.filter = "PNG Pictures (*.png)|*.png||";
    const auto path = m_services.FileDialog(request);
    if (!path) return;
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    ExportOptions proposed;
    proposed.kind = ExportOptions::Kind::Frames;
    proposed.width = static_cast<int>(width() * devicePixelRatioF());
    proposed.height = static_cast<int>(height() * devicePixelRatioF());
    proposed.videoAvailable = !ffmpeg.isEmpty();
    proposed.video = proposed.videoAvailable;
    proposed.animation = true;
    const auto options = m_services.ExportOptionsDialog(proposed);
    if (!options) return;
    std::string error;
    const auto frames = PlaybackFrames(m_figure, m_strAnimFile, &error, nullptr, m_bPlantFeet);
    if (!frames)
        return m_services.MessageBox("The animation \"" + m_strAnimFile + "\" cannot be read: " + error +
                                     ".");
    const std::string stem = Stem(*path);
    bool failed = false;
    const std::size_t written = ExportFramePictures(*frames, *options, stem, failed);
    if (written < frames->size()) {
        m_services.ShowStatusMessage(std::string(failed ? "Export failed" : "Export cancelled") + " after " +
                                     std::to_string(written) + " frames");
        return;
    }
    // The set is exactly this export's frames.
    const int older = RemoveOlderFrames(stem, written);
    if (options->video && !ffmpeg.isEmpty() && !MakeVideo(ffmpeg, stem, options->framesPerSecond)) return;
    m_services.ShowStatusMessage(
        "Exported " + std::to_string(written) + " frames to " + FileName(FrameName(stem, 0)) +
        (options->video && !ffmpeg.isEmpty() ? " ... and " + FileName(stem + ".mp4") : "") +
        (older > 0 ? "; " + std::to_string(older) + " older frames of the same name removed" : ""));
}

// Draws and saves each frame; returns how many were saved (fewer when cancelled or a save failed).
std::size_t CKvtView::ExportFramePictures(const std::vector<PoseFrame>& frames, const ExportOptions& options,
                                          const std::string& stem, bool& failed) {
    const PoseFrame now = CurrentFrame(m_figure);
    std::size_t done = 0;
    for (; done < frames.size(); ++done) {
        if (!m_services.Progress("Exporting frame " + std::to_string(done + 1) + " of " +
                                     std::to_string(frames.size()),
                                 static_cast<int>(done), static_cast<int>(frames.size())))
            break;
        ApplyFrame(m_figure, frames[done]);
        const QImage picture = RenderOffscreen(options.width, options.height, Qt::black);
        const std::string error =
            picture.isNull()
                ? std::string("the picture cannot be drawn")
                : SavePicture(picture.convertToFormat(QImage::Format_RGB32), FrameName(stem, done), false);
        if (!error.empty()) {
            // The message goes above the work's progress, which is over.
            m_services.Progress("", static_cast<int>(frames.size()), static_cast<int>(frames.size()));
            m_services.MessageBox("The frame \"" + FrameName(stem, done) + "\" cannot be saved: " + error +
                                  ".");
            failed = true;
            break;
        }
    }
    m_services.Progress("", static_cast<int>(frames.size()), static_cast<int>(frames.size()));
    ApplyFrame(m_figure, now);
    return done;
}

// The frames as an H.264 video beside them. It is made under a temporary name and renamed when
// whole, so a cancelled or failed run leaves no part of a video behind.
bool CKvtView::MakeVideo(const QString& ffmpeg, const std::string& stem, int framesPerSecond) {
    const std::string video = stem + ".mp4", partial = stem + ".mp4.part";
    QProcess encoder;
    encoder.start(ffmpeg,
                  {"-y", "-loglevel", "error", "-framerate", QString::number(framesPerSecond), "-i",
                   EncoderPattern(stem), "-c:v", "libx264", "-pix_fmt", "yuv420p",
                   // H.264 in 4:2:0 needs even sides.
                   "-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-f", "mp4", QString::fromStdString(partial)});
    bool cancelled = false;
    while (!encoder.waitForFinished(100)) {
        if (encoder.state() == QProcess::NotRunning) break;
        if (!m_services.Progress("Making the video " + FileName(video), 0, 1)) {
            cancelled = true;
            encoder.kill();
            encoder.waitForFinished();
            break;
        }
    }
    m_services.Progress("", 1, 1);
    // The encoder can say "No space left on device" while it finishes the file and still exit
    // as if it succeeded: a video counts only when the encoder said nothing (it is asked for
    // errors alone) and the file reads back whole. Otherwise the old video stays.
    const std::string said = encoder.readAllStandardError().trimmed().toStdString();
    std::string why = said;
    if (why.empty() && !cancelled &&
        (encoder.exitStatus() != QProcess::NormalExit || encoder.exitCode() != 0))
        why = "the encoder stopped";
    if (why.empty() && !cancelled) why = CheckMp4File(partial);
    if (why.empty() && !cancelled) why = SyncFile(partial);
    if (cancelled || !why.empty() || std::rename(partial.c_str(), video.c_str()) != 0) {
        std::remove(partial.c_str());
        if (!cancelled)
            m_services.MessageBox("The video \"" + video + "\" cannot be made: " +
                                  (why.empty() ? std::string("it cannot be put in place") : why) +
                                  ". Any video there before is kept.");
        return false;
    }
    return true;
}

void CKvtView::OnExportMotion(bool gltf) {
    if (!m_figure.IsBuilt() || m_nDisplayMode != DISPLAY_HIERARCHY)
        return m_services.MessageBox(kNeedsFigure);
    if (!HasJoints(m_figure))
        return m_services.MessageBox("The figure has no joints: its pieces share no joint ring, so it cannot "
                                     "bend, and its motion would be its pieces moving apart. Import a "
                                     "figure whose segments meet to export its motion.");
    FileDialogRequest request;
    request.open = false;
    request.defaultExtension = gltf ? "glb" : "bvh";
    request.initialName = gltf ? "figure.glb" : "figure.bvh";
    request.filter = gltf ? "Binary glTF (*.glb)|*.glb||" : "BVH Motion (*.bvh)|*.bvh||";
    const auto path = m_services.FileDialog(request);
    if (!path) return;
    ExportOptions proposed;
    proposed.kind = gltf ? ExportOptions::Kind::Gltf : ExportOptions::Kind::Bvh;
    proposed.animation = m_bAnimAvailable && !m_strAnimFile.empty();
    std::vector<PoseFrame> frames;
    PlaybackReport report;
    if (proposed.animation) {
        std::string error;
        auto played = PlaybackFrames(m_figure, m_strAnimFile, &error, &report, m_bPlantFeet);
        if (!played)
            return m_services.MessageBox("The animation \"" + m_strAnimFile + "\" cannot be read: " + error +
                                         ".");
        frames = std::move(*played);
        // A motion capture keeps its own rate unless the user chooses another.
        if (report.framesPerSecond > 0)
            proposed.framesPerSecond = static_cast<int>(std::lround(report.framesPerSecond));
    }
    // A character keeps its own bone names: without an animation there is nothing to choose.
    proposed.ownNames = gltf && CharacterShown();
    const auto options = proposed.ownNames && !proposed.animation ? std::optional<ExportOptions>(proposed)
                                                                  : m_services.ExportOptionsDialog(proposed);
    if (!options) return;
    MotionOptions motion;
    motion.framesPerSecond =
        options->framesPerSecond == proposed.framesPerSecond && report.framesPerSecond > 0
            ? report.framesPerSecond
            : options->framesPerSecond;
    motion.metresPerUnit = options->centimetres ? 0.01 : 1.0;
    motion.naming = static_cast<JointNaming>(options->naming);
    motion.facingYaw = m_doc.FacingYaw();
    // An imported character goes out as it came in: its own mesh, skeleton, weights and looks.
    const auto character = m_doc.GetCharacter();
    const std::string bytes =
        gltf && CharacterShown()
            ? FormatCharacterGlb(*character,
                                 CharacterFrames(*character, {CurrentFrame(m_figure)}, CharacterFrame(),
                                                 BoneTurnsShown())[0],
                                 {CharacterFrames(*character, frames, CharacterFrame(), BoneTurnsShown()),
                                  motion.framesPerSecond})
            : FormatMotion(gltf ? MotionFormat::Glb : MotionFormat::Bvh, m_figure, std::move(frames), motion);
    if (bytes.empty())
        return m_services.MessageBox("The character has more bones than a glTF file can name (" +
                                     std::to_string(kMostGltfJoints) + "); it is not exported.");
    if (const std::string error = WriteFileDurably(*path, bytes); !error.empty())
        return m_services.MessageBox("The file \"" + *path + "\" cannot be saved: " + error + ".");
    m_services.ShowStatusMessage("Saved " + FileName(*path));
}

} // namespace figurant
