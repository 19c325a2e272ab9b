// The key-frame strip's side of the view: the animation file's key frames shown, gone to, scrubbed
// through and edited (inserted, replaced, deleted), each edit written through the durable writer
// and undoable.
#include "DurableFile.h"
#include "InputFile.h"
#include "KeyFrameSet.h"
#include "KeyFrameStrip.h"
#include "KvtView.h"
#include "MotionCapture.h"

#include <cmath>

namespace figurant {

namespace {

// Frames playback shows per key frame: the key frame and the ten steps after it.
constexpr int kFramesPerKey = 11;

} // namespace

void CKvtView::SetKeyFrameStrip(KeyFrameStrip* strip) {
    m_strip = strip;
    m_strip->keyClicked = [this](int key) { ShowKeyFrame(key); };
    m_strip->scrubbed = [this](double at) { ScrubTo(at); };
    m_strip->scrubEnded = [this] { EndScrub(); };
    m_strip->hide();
}

// The animation file's key frames read again, and the frames playback shows of them on this
// figure, for going to a key frame and scrubbing.
void CKvtView::RefreshKeyFrames(int select) {
    m_bPlayheadMoved = false;
    m_keys.reset();
    m_keyFrames.clear();
    if (m_bAnimAvailable && !IsMotionCaptureFile(m_strAnimFile) && m_figure.IsBuilt()) {
        std::string error;
        if (const auto text = ReadInputFile(m_strAnimFile, &error))
            m_keys = ParseKeyFrames(*text, std::min(m_nSegLists, kMaxSegments), &error);
        if (m_keys) {
            auto frames = PlaybackFrames(m_figure, m_strAnimFile, &error);
            if (frames) m_keyFrames = std::move(*frames);
        }
    }
    const int count = m_keys ? static_cast<int>(m_keys->keys.size()) : 0;
    if (m_strip) {
        m_strip->Show(count, select < 0 ? count - 1 : select, select < 0 ? count - 1.0 : select);
        m_strip->setVisible(m_bShowKeyFrames && count > 0);
    }
}

void CKvtView::ShowKeyFrame(int key) {
    if (!m_keys || m_bPlaying) return;
    const auto frame = static_cast<std::size_t>(key * kFramesPerKey);
    if (frame >= m_keyFrames.size()) return;
    m_figure.BeginStep("Go to Key Frame");
    ApplyFrame(m_figure, m_keyFrames[frame]);
    m_figure.EndStep();
    SettleShownPose();
    if (m_strip) m_strip->Show(m_strip->Count(), key, key);
    m_bPlayheadMoved = true;
    PoseChanged();
}

// The frame of playback the strip's playhead is at.
std::size_t CKvtView::PlayheadFrame() const {
    if (m_keyFrames.empty() || !m_strip) return 0;
    return std::min(m_keyFrames.size() - 1,
                    static_cast<std::size_t>(std::lround(m_strip->Playhead() * kFramesPerKey)));
}

void CKvtView::MovePlayhead(std::size_t frame) {
    if (m_strip)
        m_strip->Show(m_strip->Count(), m_strip->Selected(), static_cast<double>(frame) / kFramesPerKey);
}

void CKvtView::ScrubTo(double position) {
    if (m_keyFrames.empty() || m_bPlaying) return;
    const auto frame =
        std::min(m_keyFrames.size() - 1, static_cast<std::size_t>(std::lround(position * kFramesPerKey)));
    // A drag through the steps is one undoable step, as a playback is.
    if (!m_bScrubbing) m_figure.BeginStep("Scrub Key Frames");
    m_bScrubbing = true;
    ApplyFrame(m_figure, m_keyFrames[frame]);
    if (m_strip) m_strip->Show(m_strip->Count(), m_strip->Selected(), position);
    m_bPlayheadMoved = true;
    InvalidateAndUpdateNow();
}

// Where a drag leaves the figure is a pose shown, as where a playback stops.
void CKvtView::EndScrub() {
    if (!m_bScrubbing) return;
    m_bScrubbing = false;
    m_figure.EndStep();
    SettleShownPose();
    PoseChanged();
}

// Writes the edited key frames over the file (durably), remembers what it held for Undo.
void CKvtView::EditKeyFrames(const std::string& name, const std::function<void(KeyFrameSet&)>& edit,
                             int select) {
    if (!m_keys) return;
    std::string error;
    const auto before = ReadInputFile(m_strAnimFile, &error);
    if (!before)
        return m_services.MessageBox("The animation \"" + m_strAnimFile + "\" cannot be read: " + error +
                                     ".");
    // The edit is made on the file as it is now, whatever changed it since it was shown.
    auto current = ParseKeyFrames(*before, m_keys->nSegments, &error);
    if (!current)
        return m_services.MessageBox("The animation \"" + m_strAnimFile + "\" cannot be changed: " + error +
                                     ".");
    KeyFrameSet edited = std::move(*current);
    edit(edited);
    const std::string after = FormatKeyFrames(edited);
    if (const std::string failed = WriteFileDurably(m_strAnimFile, after); !failed.empty())
        return m_services.MessageBox("The animation \"" + m_strAnimFile + "\" cannot be changed: " + failed +
                                     ". The file is unchanged.");
    m_keyUndo.push_back({name, m_strAnimFile, *before, after, m_nPoseChanges});
    m_keyRedo.clear();
    m_nKeyFrames = static_cast<int>(edited.keys.size());
    RefreshKeyFrames(select);
    ShowStatus();
}

int CKvtView::SelectedKey() const {
    return m_strip && m_strip->Selected() >= 0 ? m_strip->Selected()
                                               : (m_keys ? static_cast<int>(m_keys->keys.size()) - 1 : -1);
}

void CKvtView::OnInsertKeyFrame() {
    if (!m_keys) return;
    const auto at = static_cast<std::size_t>(SelectedKey() + 1);
    const KeyFrame key =
        CurrentKeyFrame(m_figure, m_camera.sceneRotX, m_camera.sceneRotZ, m_camera.sceneMatrix);
    EditKeyFrames(
        "Insert Key Frame", [&](KeyFrameSet& set) { InsertKeyFrame(set, at, key, m_figure); },
        static_cast<int>(at));
}

void CKvtView::OnReplaceKeyFrame() {
    const int at = SelectedKey();
    if (!m_keys || at < 0) return;
    const KeyFrame key =
        CurrentKeyFrame(m_figure, m_camera.sceneRotX, m_camera.sceneRotZ, m_camera.sceneMatrix);
    EditKeyFrames(
        "Replace Key Frame",
        [&](KeyFrameSet& set) { ReplaceKeyFrame(set, static_cast<std::size_t>(at), key, m_figure); }, at);
}

void CKvtView::OnDeleteKeyFrame() {
    const int at = SelectedKey();
    if (!m_keys || at < 0) return;
    if (m_keys->keys.size() <= 1)
        return m_services.MessageBox(
            "An animation keeps at least one key frame: this one cannot be deleted.");
    EditKeyFrames(
        "Delete Key Frame",
        [&](KeyFrameSet& set) { DeleteKeyFrame(set, static_cast<std::size_t>(at), m_figure); },
        std::max(0, at - 1));
}

void CKvtView::OnViewKeyFrames() {
    m_bShowKeyFrames = !m_bShowKeyFrames;
    RefreshKeyFrames(m_strip ? m_strip->Selected() : -1);
}

// The key-frame edit Undo takes back next, when nothing was posed since it was made.
bool CKvtView::KeyEditIsLatest(const std::vector<KeyEdit>& stack) const {
    return !stack.empty() && stack.back().poseChanges == m_nPoseChanges && m_bAnimAvailable &&
           stack.back().file == m_strAnimFile;
}

bool CKvtView::UndoKeyFrameEdit(bool redo) {
    std::vector<KeyEdit>& from = redo ? m_keyRedo : m_keyUndo;
    if (!KeyEditIsLatest(from)) return false;
    const KeyEdit edit = from.back();
    // A file changed since (a key frame saved, another program) is never put back over: the edits
    // are forgotten and Undo goes on with the pose.
    std::string error;
    const auto now = ReadInputFile(m_strAnimFile, &error);
    if (!now || *now != (redo ? edit.before : edit.after)) {
        m_keyUndo.clear();
        m_keyRedo.clear();
        return false;
    }
    if (const std::string failed = WriteFileDurably(m_strAnimFile, redo ? edit.after : edit.before);
        !failed.empty()) {
        m_services.MessageBox("The animation \"" + m_strAnimFile + "\" cannot be changed: " + failed + ".");
        return true;
    }
    from.pop_back();
    (redo ? m_keyUndo : m_keyRedo).push_back(edit);
    RefreshKeyFrames(m_strip ? m_strip->Selected() : -1);
    if (m_keys) m_nKeyFrames = static_cast<int>(m_keys->keys.size());
    ShowStatus();
    return true;
}

} // namespace figurant
