#include "AnimationPlayer.h"

#include "AnimationFormat.h"
#include "AnimationReader.h"
#include "InputFile.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace figurant {

namespace {

constexpr int kSteps = 10;
constexpr float kStepFraction = 0.1f;

// A key frame stores each segment's matrix: its turn R and the translation (I - R) c that turning
// about the joint centre c of the figure it was recorded on gives (plus what the segment was
// moved, if it was). Played on another figure, the turn of a segment the file has not moved so far
// is laid out about this figure's own joint, so the joint stays on its parent; a moved segment keeps
// the stored matrix, whose move cannot be told apart from its turn. On the figure it was recorded
// on the two agree (to the rounding of the file's numbers) and the stored matrix is used as it is.
void TurnAboutOwnJoints(AnimationScene& scene, const std::vector<bool>& moved) {
    // Closer than this (view units, metres), the stored translation is the figure's own.
    constexpr double kSameFigure = 1e-4;
    for (int i = 0; i < scene.nSegments; ++i) {
        SegmentPose& p = scene.pose[static_cast<std::size_t>(i)];
        if (!p.m_pJointCentre ||
            (static_cast<std::size_t>(i) < moved.size() && moved[static_cast<std::size_t>(i)]))
            continue;
        const Matrix4& M = p.m_matrix;
        const Point3d c = *p.m_pJointCentre;
        const Point3d laidOut{c.x - (M[0] * c.x + M[4] * c.y + M[8] * c.z),
                              c.y - (M[1] * c.x + M[5] * c.y + M[9] * c.z),
                              c.z - (M[2] * c.x + M[6] * c.y + M[10] * c.z)};
        const Point3d apart = laidOut - Point3d{M[12], M[13], M[14]};
        if (Dot(apart, apart) <= kSameFigure * kSameFigure) continue;
        p.m_matrix[12] = static_cast<float>(laidOut.x);
        p.m_matrix[13] = static_cast<float>(laidOut.y);
        p.m_matrix[14] = static_cast<float>(laidOut.z);
        p.UpdateChildRing();
    }
}

void Step(AnimationScene& scene) {
    for (int i = 0; i < scene.nSegments; ++i) {
        SegmentPose& p = scene.pose[static_cast<std::size_t>(i)];
        StepMatrix(p.m_matrix, p.m_rotInc, p.m_transInc, p.m_pJointCentre);
        p.UpdateChildRing();
    }
}

} // namespace

namespace {

// A file ends well where the next increment block would start; anywhere else it was cut short or
// holds something that is not a number.
std::string Problem(const NumberReader& in, bool inKeyFrame, std::size_t blockStart) {
    const bool cleanEnd = !inKeyFrame && in.FailedAtEnd() && in.Count() == blockStart;
    if (cleanEnd) return {};
    if (in.Count() == 0 && in.FailedAtEnd()) return "the file holds no key frame";
    const std::string where = " at line " + std::to_string(in.FailedLine());
    if (in.FailedAtEnd())
        return std::string("the file ends inside ") + (inKeyFrame ? "a key frame" : "an increment block") +
               where;
    return "a number cannot be read" + where;
}

// The segment count other than `nSegments` that the file's numbers make whole key frames of (a
// recording of another figure), if one does: a first key frame of 18 + 16 N numbers, then any
// number of increment blocks and key frames of 18 + 22 N together.
std::optional<int> OtherSegmentCount(const std::string& text, int nSegments) {
    // A save cut short ends inside a line; a whole file of another figure ends with its line end.
    if (text.empty() || text.back() != '\n') return std::nullopt;
    NumberReader in(text);
    float v = 0;
    while (in.Read(v)) {
    }
    if (!in.FailedAtEnd()) return std::nullopt;
    const long numbers = static_cast<long>(in.Count());
    for (int n = 1; n <= kMaxSegments; ++n) {
        const long first = 18 + 16L * n, more = 18 + 22L * n;
        if (n != nSegments && numbers >= first && (numbers - first) % more == 0) return n;
    }
    return std::nullopt;
}

} // namespace

void StepMatrix(Matrix4& M, const std::array<float, 3>& rotInc, const std::array<float, 3>& transInc,
                const std::optional<Point3d>& centre) {
    Matrix4 T;
    for (int k = 0; k < 3; ++k)
        T[12 + k] = transInc[static_cast<std::size_t>(k)] * kStepFraction;
    MultMatrix(M, T);
    if (!centre) return;
    const Point3d c = *centre;
    T[12] = static_cast<float>(c.x);
    T[13] = static_cast<float>(c.y);
    T[14] = static_cast<float>(c.z);
    MultMatrix(M, T);
    const float axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int k = 0; k < 3; ++k) {
        Matrix4 R;
        MakeRotation(kStepFraction * rotInc[static_cast<std::size_t>(k)], axes[k][0], axes[k][1], axes[k][2],
                     R);
        MultMatrix(M, R);
    }
    T[12] = static_cast<float>(-c.x);
    T[13] = static_cast<float>(-c.y);
    T[14] = static_cast<float>(-c.z);
    MultMatrix(M, T);
}

PlaybackEnd PlayAnimation(const std::string& path, AnimationScene& scene, const PlaybackHooks& hooks,
                          PlaybackReport* report) {
    std::string error;
    auto text = ReadInputFile(path, &error);
    if (!text) {
        if (report) report->problem = error;
        return PlaybackEnd::NotOpened;
    }
    return PlayAnimationText(std::move(*text), scene, hooks, report);
}

PlaybackEnd PlayAnimationText(std::string text, AnimationScene& scene, const PlaybackHooks& hooks,
                              PlaybackReport* report) {
    NumberReader in(std::move(text));
    // A file of another figure reads as one cut short: it is named for what it is. Counted only
    // when the file did not play to a clean end.
    auto note = [&](std::string problem) {
        if (!problem.empty())
            if (const auto other = OtherSegmentCount(in.Text(), scene.nSegments))
                problem = "it was recorded on a figure of " + std::to_string(*other) +
                          " segments, and this figure has " + std::to_string(scene.nSegments);
        report->problem = problem;
    };
    // The segments an increment block read so far moved (a translation increment that is not 0).
    std::vector<bool> moved(static_cast<std::size_t>(std::max(scene.nSegments, 0)), false);
    for (;;) {
        if (!hooks.keepPlaying()) return PlaybackEnd::Stopped;
        ReadKeyFrame(in, scene);
        if (in.Good()) TurnAboutOwnJoints(scene, moved);
        hooks.showFrame();
        if (report && in.Good()) ++report->keyFrames;
        if (!in.Good()) {
            if (report) note(Problem(in, true, 0));
            return PlaybackEnd::Finished;
        }
        const std::size_t blockStart = in.Count();
        ReadIncrements(in, scene);
        if (!in.Good()) {
            if (report) note(Problem(in, false, blockStart));
            return PlaybackEnd::Finished;
        }
        for (std::size_t i = 0; i < moved.size(); ++i) {
            const auto& move = scene.pose[i].m_transInc;
            moved[i] = moved[i] || move[0] != 0 || move[1] != 0 || move[2] != 0;
        }
        for (int step = 0; step < kSteps; ++step) {
            Step(scene);
            hooks.showFrame();
        }
    }
}

} // namespace figurant
