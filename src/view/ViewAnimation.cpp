// Recording key frames with File Save and playing animation files with File Open and Animate.
#include "AnimationPlayer.h"
#include "AnimationWriter.h"
#include "KvtView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QToolButton>

namespace figurant {

namespace {

const char* const kFlatModeMessage = "Please enter hierarchical model mode first!";
const char* const kAnimationFilter = "Animation Files (*.amt)|*.amt| All Files (*.*)|*.*||";

// While an animation plays the window takes no input, except Escape or the Animate button,
// which ask playback to stop at the next key frame.
class PlaybackInputFilter : public QObject {
  public:
    explicit PlaybackInputFilter(int& playing) : m_playing(playing) { qApp->installEventFilter(this); }
    ~PlaybackInputFilter() override { qApp->removeEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) m_playing = 0;
            return true;
        case QEvent::MouseButtonPress:
            if (IsAnimateButton(watched)) m_playing = 0;
            return true;
        case QEvent::Close: // closing the window ends playback too
            m_playing = 0;
            return false;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
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
    int& m_playing;
};

} // namespace

AnimationScene CKvtView::Scene() {
    return {m_sceneRotX, m_sceneRotZ, m_sceneMatrix, *m_pose, std::min(m_nSegLists, kMaxSegments)};
}

void CKvtView::OnFileSave() {
    if (m_nDisplayMode == DISPLAY_FLAT) {
        m_services.MessageBox(kFlatModeMessage);
        return;
    }
    AnimationScene scene = Scene();
    if (m_bAnimAvailable) {
        const std::string error = WriteKeyFrame(m_strAnimFile, false, scene);
        if (!error.empty())
            m_services.MessageBox("The key frame could not be added to \"" + m_strAnimFile + "\": " + error +
                                  ". The file is unchanged.");
        return;
    }
    const auto path = m_services.FileDialog({false, "amt", m_strAnimFile, kAnimationFilter});
    if (!path) return;
    m_strAnimFile = *path;
    const std::string error = WriteKeyFrame(m_strAnimFile, true, scene);
    if (error.empty())
        m_bAnimAvailable = 1;
    else
        m_services.MessageBox("The animation file \"" + m_strAnimFile + "\" could not be written: " + error +
                              ".");
    m_services.EnableToolButton(cmd::Animate, true);
}

void CKvtView::OnFileOpen() {
    if (m_nDisplayMode == DISPLAY_FLAT) {
        m_services.MessageBox(kFlatModeMessage);
        return;
    }
    const auto path = m_services.FileDialog({true, "amt", m_strAnimFile, kAnimationFilter});
    if (!path) return;
    m_strAnimFile = *path;
    m_bPlaying = 1;
    m_services.EnableToolButton(cmd::Animate, true);
    PlayAnimationFile();
    m_bPlaying = 0;
}

void CKvtView::OnAnimate() {
    if (!m_bAnimAvailable) return;
    m_services.CheckToolButton(cmd::Animate, true);
    m_bPlaying = 1;
    PlayAnimationFile();
    m_bPlaying = 0;
    m_services.CheckToolButton(cmd::Animate, false);
}

void CKvtView::PlayAnimationFile() {
    PlaybackInputFilter filter(m_bPlaying);
    AnimationScene scene = Scene();
    PlaybackHooks hooks;
    hooks.showFrame = [this] {
        InvalidateAndUpdateNow();
        QApplication::processEvents();
    };
    hooks.keepPlaying = [this] { return m_bPlaying != 0; };
    if (PlayAnimation(m_strAnimFile, scene, hooks) == PlaybackEnd::Finished) m_bAnimAvailable = 1;
}

} // namespace figurant
