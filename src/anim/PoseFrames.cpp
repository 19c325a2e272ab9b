#include "PoseFrames.h"

#include "MotionCapture.h"

namespace figurant {

PoseFrame CurrentFrame(const Figure& figure) {
    PoseFrame frame;
    for (int s = 0; s < figure.SegmentCount() && s < kMaxSegments; ++s)
        frame.push_back(figure.Pose(s).m_matrix);
    return frame;
}

void ApplyFrame(Figure& figure, const PoseFrame& frame) {
    for (std::size_t s = 0; s < frame.size() && static_cast<int>(s) < figure.SegmentCount(); ++s) {
        SegmentPose& p = figure.Pose(static_cast<int>(s));
        p.m_matrix = frame[s];
        p.UpdateChildRing();
    }
}

namespace {

// What playback changes in the records, to put back afterwards.
struct SavedPose {
    explicit SavedPose(Figure& figure) : m_figure(figure) {
        for (int s = 0; s < figure.SegmentCount() && s < kMaxSegments; ++s) {
            const SegmentPose& p = figure.Pose(s);
            m_saved.push_back({p.m_matrix, p.m_rotInc, p.m_transInc});
        }
    }
    ~SavedPose() {
        for (std::size_t s = 0; s < m_saved.size(); ++s) {
            SegmentPose& p = m_figure.Pose(static_cast<int>(s));
            p.m_matrix = m_saved[s].matrix;
            p.m_rotInc = m_saved[s].rotInc;
            p.m_transInc = m_saved[s].transInc;
            p.UpdateChildRing();
        }
    }
    struct Record {
        Matrix4 matrix;
        std::array<float, 3> rotInc, transInc;
    };
    Figure& m_figure;
    std::vector<Record> m_saved;
};

} // namespace

std::optional<std::vector<PoseFrame>> PlaybackFrames(Figure& figure, const std::string& path,
                                                     std::string* error, PlaybackReport* report,
                                                     bool plantFeet) {
    if (IsMotionCaptureFile(path)) {
        auto motion = ReadMotionCapture(path, figure, error, {}, plantFeet);
        if (!motion) return std::nullopt;
        if (report) {
            report->framesPerSecond = motion->framesPerSecond;
            report->problem = UnmatchedNote(*motion);
        }
        return motion->AllFrames();
    }
    const SavedPose saved(figure);
    int rotX = 0, rotZ = 0;
    Matrix4 sceneMatrix;
    AnimationScene scene{rotX, rotZ, sceneMatrix, figure.Poses(), figure.SegmentCount()};
    std::vector<PoseFrame> frames;
    PlaybackHooks hooks;
    hooks.showFrame = [&] { frames.push_back(CurrentFrame(figure)); };
    hooks.keepPlaying = [] { return true; };
    PlaybackReport local;
    PlaybackReport& r = report ? *report : local;
    if (PlayAnimation(path, scene, hooks, &r) == PlaybackEnd::NotOpened) {
        if (error) *error = r.problem;
        return std::nullopt;
    }
    return frames;
}

std::vector<Affine> WorldTransforms(const PoseFrame& frame) {
    std::vector<Affine> world;
    for (const Matrix4& m : frame)
        world.push_back(Affine::FromMatrix(m));
    // The tree table lists parents before their children.
    for (const TreeNode& node : FigureTreeTable()) {
        const auto s = static_cast<std::size_t>(node.segment);
        if (node.parent >= 0 && s < world.size() && static_cast<std::size_t>(node.parent) < world.size())
            world[s] = world[static_cast<std::size_t>(node.parent)] * world[s];
    }
    return world;
}

} // namespace figurant
