// Recording key frames with File Save and playing animation files with File Open and Animate.
#include "AnimationPlayer.h"
#include "AnimationWriter.h"
#include "KvtView.h"
#include "MotionCapture.h"
#include "SceneMath.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QThread>
#include <QToolButton>
#include <memory>

namespace figurant {

namespace {

// While waiting for a frame's time, input is looked at this often (microseconds).
constexpr qint64 kLongestSleepMicroseconds = 2000;
// The hips, which the camera follows.
constexpr int kPelvisSegment = 3;
// Steps of the progress shown while a long motion capture is read.
constexpr int kReadSteps = 1000;

const char* const kFlatModeMessage = "Please enter hierarchical model mode first!";
const char* const kAnimationFilter = "Animation Files (*.amt)|*.amt| All Files (*.*)|*.*||";
const char* const kOpenFilter = "Animations and Motion Capture (*.amt;*.bvh)|*.amt;*.bvh|Animation Files "
                                "(*.amt)|*.amt|Motion Capture (*.bvh)|*.bvh| All Files (*.*)|*.*||";

// While an animation plays the window takes no input, except Escape or the Animate button,
// which ask playback to stop at the next key frame.
class PlaybackInputFilter : public QObject {
  public:
    explicit PlaybackInputFilter(bool& playing) : m_playing(playing) { qApp->installEventFilter(this); }
    ~PlaybackInputFilter() override { qApp->removeEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) m_playing = false;
            return true;
        case QEvent::MouseButtonPress:
            // The window hands a press on to the widget under the mouse: only there can the
            // Animate button be told from the rest.
            if (!watched->isWidgetType()) return false;
            if (IsAnimateButton(watched)) m_playing = false;
            return true;
        case QEvent::Close: // closing the window ends playback too
            m_playing = false;
            return false;
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return watched->isWidgetType();
        case QEvent::KeyRelease:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
        }
    }

  private:
    static bool IsAnimateButton(QObject* watched) {
        const auto* button = qobject_cast<QToolButton*>(watched);
        return button && button->defaultAction() && button->defaultAction()->data().toInt() == cmd::Animate;
    }
    bool& m_playing;
};

std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return path.substr(slash == std::string::npos ? 0 : slash + 1);
}

} // namespace

AnimationScene CKvtView::Scene() {
    return {m_camera.sceneRotX, m_camera.sceneRotZ, m_camera.sceneMatrix, m_figure.Poses(),
            std::min(m_nSegLists, kMaxSegments)};
}

void CKvtView::OnFileSave() {
    if (m_nDisplayMode == DISPLAY_FLAT) {
        m_services.MessageBox(kFlatModeMessage);
        return;
    }
    AnimationScene scene = Scene();
    // Key frames never go into a motion-capture file: the first one after it starts a new file.
    if (IsMotionCaptureFile(m_strAnimFile)) m_bAnimAvailable = false;
    if (m_bAnimAvailable) {
        bool torn = false;
        const std::string error = WriteKeyFrame(m_strAnimFile, false, scene, &torn);
        if (error.empty()) {
            m_figure.NoteIncrementsSaved();
            ++m_nKeyFrames;
            NoteSaved();
            return;
        }
        m_services.MessageBox("The key frame could not be added to \"" + m_strAnimFile + "\": " + error +
                              ". The file is unchanged." +
                              (torn ? " Choose another file to save the key frame in." : ""));
        if (!torn) return;
        // A damaged file is not written to again: the key frame starts a new file instead.
        m_bAnimAvailable = false;
    }
    const auto path = m_services.FileDialog(
        {false, "amt", IsMotionCaptureFile(m_strAnimFile) ? std::string() : m_strAnimFile, kAnimationFilter});
    if (!path) return;
    m_strAnimFile = *path;
    const std::string error = WriteKeyFrame(m_strAnimFile, true, scene);
    if (error.empty()) {
        m_figure.NoteIncrementsSaved();
        m_bAnimAvailable = true;
        m_nKeyFrames = 1;
        NoteSaved();
    } else
        m_services.MessageBox("The animation file \"" + m_strAnimFile + "\" could not be written: " + error +
                              ".");
    m_services.EnableToolButton(cmd::Animate, true);
}

void CKvtView::OnFileOpen() {
    if (m_nDisplayMode == DISPLAY_FLAT) {
        m_services.MessageBox(kFlatModeMessage);
        return;
    }
    const auto path = m_services.FileDialog({true, "amt", m_strAnimFile, kOpenFilter});
    if (!path) return;
    m_strAnimFile = *path;
    m_bPlaying = true;
    m_services.EnableToolButton(cmd::Animate, true);
    PlayAnimationFile();
    m_bPlaying = false;
}

void CKvtView::OnAnimate() {
    if (!m_bAnimAvailable) return;
    m_services.CheckToolButton(cmd::Animate, true);
    m_bPlaying = true;
    // After a key frame was shown or the strip scrubbed, playback goes on from there.
    if (m_bPlayheadMoved && !m_keyFrames.empty())
        PlayFromPlayhead();
    else
        PlayAnimationFile();
    m_bPlaying = false;
    m_services.CheckToolButton(cmd::Animate, false);
}

bool CKvtView::PoseUnsaved() const {
    return m_figure.IsBuilt() && !m_bPlaying && !m_figure.IsAtRest() && m_figure.PoseValues() != m_keptPose;
}

bool CKvtView::ConfirmPoseLetGo() {
    if (!PoseUnsaved()) return true;
    switch (m_services.AskToSave("Save the pose as a key frame?")) {
    case SaveAnswer::Discard:
        return true;
    case SaveAnswer::Save:
        OnFileSave();
        return !PoseUnsaved();
    case SaveAnswer::Cancel:
        break;
    }
    return false;
}

void CKvtView::NoteSaved() {
    KeepPose();
    RefreshKeyFrames();
    const auto slash = m_strAnimFile.find_last_of('/');
    m_services.ShowStatusMessage("Saved key frame " + std::to_string(m_nKeyFrames) + " to " +
                                 m_strAnimFile.substr(slash == std::string::npos ? 0 : slash + 1));
    ShowStatus();
}

void CKvtView::SetAnimationFile(const std::string& path, bool available) {
    m_strAnimFile = path;
    m_bAnimAvailable = available;
}

// Frames are shown on a clock at the rate: the n-th is due n frame times after the first. A frame
// that is early waits; one that is late is shown late, never skipped.
std::function<void()> CKvtView::FrameClock(double framesPerSecond) {
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto shown = std::make_shared<long>(0);
    return [this, clock, shown, framesPerSecond] {
        const auto due = static_cast<qint64>(static_cast<double>(*shown) * 1e9 / framesPerSecond);
        for (qint64 wait; m_bPlaying && (wait = due - clock->nsecsElapsed()) > 0;) {
            QApplication::processEvents(QEventLoop::AllEvents);
            QThread::usleep(
                static_cast<unsigned long>(std::min<qint64>(wait / 1000, kLongestSleepMicroseconds)));
        }
        InvalidateAndUpdateNow();
        ++m_nFramesShown;
        QApplication::processEvents();
        ++*shown;
    };
}

// A motion-capture file carried onto the figure, every frame at the file's own rate. A long file
// is read with progress and can be cancelled; its frames are posed one by one as they are shown.
void CKvtView::PlayMotionCapture() {
    std::string error;
    const std::string reading = "Reading the motion " + FileNameOf(m_strAnimFile) + "...";
    const auto motion = ReadMotionCapture(
        m_strAnimFile, m_figure, &error,
        [&](double fraction) {
            return m_services.Progress(reading, static_cast<int>(fraction * kReadSteps), kReadSteps);
        },
        m_bPlantFeet);
    m_services.Progress(reading, kReadSteps, kReadSteps);
    if (!motion) {
        m_services.MessageBox("The motion \"" + m_strAnimFile + "\" cannot be played: " + error + ".");
        return;
    }
    const std::string note = UnmatchedNote(*motion);
    if (!note.empty()) m_services.ShowStatusMessage("The motion " + FileNameOf(m_strAnimFile) + ": " + note);
    const auto showFrame = FrameClock(motion->framesPerSecond);
    const bool follow = m_bFollow && motion->Travels();
    const Matrix4 camera = m_camera.sceneMatrix;
    const Point3d hips = m_figure.Pose(kPelvisSegment).m_pJointCentre.value_or(Point3d{});
    // The camera moves as the hips do from where they stand now: a clip played again brings the
    // camera back with the figure.
    const Point3d before = WorldTransforms(CurrentFrame(m_figure))[kPelvisSegment](hips);
    for (int f = 0; f < motion->FrameCount() && m_bPlaying; ++f) {
        const PoseFrame frame = motion->Frame(f);
        ApplyFrame(m_figure, frame);
        if (follow) {
            const Point3d moved = WorldTransforms(frame)[kPelvisSegment](hips) - before;
            m_camera.sceneMatrix =
                SceneTranslated(camera, static_cast<float>(-moved.x), static_cast<float>(-moved.y),
                                static_cast<float>(-moved.z));
        }
        showFrame();
    }
    m_bAnimAvailable = true;
    m_nKeyFrames = motion->FrameCount();
    SettleShownPose();
}

// The frames of the strip from its playhead on, at the chosen rate.
void CKvtView::PlayFromPlayhead() {
    PlaybackInputFilter filter(m_bPlaying);
    m_figure.BeginStep("Play Animation");
    const auto showFrame = FrameClock(m_nPlaybackRate);
    for (std::size_t f = PlayheadFrame(); f < m_keyFrames.size() && m_bPlaying; ++f) {
        ApplyFrame(m_figure, m_keyFrames[f]);
        MovePlayhead(f);
        showFrame();
    }
    m_bPlayheadMoved = false;
    SettleShownPose();
    m_figure.EndStep();
    ShowStatus();
}

// Where playback or the strip leaves the figure is a pose shown, not made: a key frame saved next
// counts only what changes from here, and letting it go loses nothing.
void CKvtView::SettleShownPose() {
    AnimationScene scene = Scene();
    ClearIncrements(scene);
    KeepPose();
}

// Playback moves the figure; where it leaves the figure is one undoable step.
void CKvtView::PlayAnimationFile() {
    PlaybackInputFilter filter(m_bPlaying);
    m_figure.BeginStep("Play Animation");
    if (IsMotionCaptureFile(m_strAnimFile)) {
        PlayMotionCapture();
        m_figure.EndStep();
        ShowStatus();
        return;
    }
    AnimationScene scene = Scene();
    PlaybackHooks hooks;
    hooks.showFrame = FrameClock(m_nPlaybackRate);
    hooks.keepPlaying = [this] { return m_bPlaying; };
    PlaybackReport report;
    const PlaybackEnd end = PlayAnimation(m_strAnimFile, scene, hooks, &report);
    // A file stopped halfway (Escape) was opened all the same: it is the animation now.
    if (end != PlaybackEnd::NotOpened) m_bAnimAvailable = true;
    if (end == PlaybackEnd::Finished) m_nKeyFrames = report.keyFrames;
    if (!report.problem.empty())
        m_services.MessageBox("The animation \"" + m_strAnimFile +
                              "\" could not be played to its end: " + report.problem + ".");
    // The played file's last increments led to the key frame now shown: a key frame saved next
    // counts only what changes from here. A file that could not be opened changed nothing.
    if (end != PlaybackEnd::NotOpened) SettleShownPose();
    m_figure.EndStep();
    RefreshKeyFrames();
    if (end == PlaybackEnd::Stopped && m_keys) m_nKeyFrames = static_cast<int>(m_keys->keys.size());
    ShowStatus();
}

} // namespace figurant
