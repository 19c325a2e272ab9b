#include "AnimationPlayer.h"

#include "AnimationFormat.h"
#include "AnimationReader.h"

#include "InputFile.h"

namespace figurant {

namespace {

constexpr int kSteps = 10;
constexpr float kStepFraction = 0.1f;

// One tenth of every increment: the translation first, then the turn about the joint centre in
// x, y, z order, all in the segment's own frame.
void Step(AnimationScene& scene, Matrix4& T) {
    for (int i = 0; i < scene.nSegments; ++i) {
        SegmentPose& p = scene.pose[static_cast<std::size_t>(i)];
        Matrix4& M = p.m_matrix;
        for (int k = 0; k < 3; ++k)
            T[12 + k] = p.m_transInc[static_cast<std::size_t>(k)] * kStepFraction;
        MultMatrix(M, T);
        if (!p.m_pJointCentre) continue;
        const Point3d c = *p.m_pJointCentre;
        T[12] = static_cast<float>(c.x);
        T[13] = static_cast<float>(c.y);
        T[14] = static_cast<float>(c.z);
        MultMatrix(M, T);
        const float axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        for (int k = 0; k < 3; ++k) {
            Matrix4 R;
            MakeRotation(kStepFraction * p.m_rotInc[static_cast<std::size_t>(k)], axes[k][0], axes[k][1],
                         axes[k][2], R);
            MultMatrix(M, R);
        }
        T[12] = static_cast<float>(-c.x);
        T[13] = static_cast<float>(-c.y);
        T[14] = static_cast<float>(-c.z);
        MultMatrix(M, T);
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

} // namespace

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
    Matrix4 T;
    NumberReader in(std::move(text));
    for (;;) {
        if (!hooks.keepPlaying()) return PlaybackEnd::Stopped;
        ReadKeyFrame(in, scene);
        hooks.showFrame();
        if (report && in.Good()) ++report->keyFrames;
        if (!in.Good()) {
            if (report) report->problem = Problem(in, true, 0);
            return PlaybackEnd::Finished;
        }
        const std::size_t blockStart = in.Count();
        ReadIncrements(in, scene);
        if (!in.Good()) {
            if (report) report->problem = Problem(in, false, blockStart);
            return PlaybackEnd::Finished;
        }
        for (int step = 0; step < kSteps; ++step) {
            Step(scene, T);
            hooks.showFrame();
        }
    }
}

} // namespace figurant
