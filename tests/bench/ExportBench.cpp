// Exports of the default figure with a 100-key-frame animation (991 frames of playback): the
// frames played, then BVH and binary glTF written; the output sizes are reported as counters.
#include "AnimationWriter.h"
#include "BvhWriter.h"
#include "Figure.h"
#include "GlbWriter.h"
#include "KvtDoc.h"
#include "StressModels.h"

#include <benchmark/benchmark.h>

using namespace figurant;

namespace {

constexpr int kKeyFrames = 100;

struct Scene {
    CKvtDoc doc;
    Figure figure;
    std::string animation = "bench-export-100.amt";
};

// The default figure and an animation in which every limb turns a little between key frames.
Scene& Prepared() {
    static Scene* scene = [] {
        auto* s = new Scene;
        const auto files = bench::EnsureBodyModel(1);
        s->doc.Load(files.dxf, files.normals);
        s->doc.BuildHierarchy();
        s->figure.Build(s->doc.Tables(), 1.0f, s->doc.ModelCentre());
        int rotX = 0, rotZ = 0;
        Matrix4 sceneMatrix;
        AnimationScene recording{rotX, rotZ, sceneMatrix, s->figure.Poses(), s->figure.SegmentCount()};
        for (int k = 0; k < kKeyFrames; ++k) {
            for (int segment : {4, 6, 10, 12, 5, 7, 11, 13}) {
                s->figure.Pick(segment, false);
                s->figure.ApplyPoseKey({PoseKeyStep::Turn, k % 3, (k % 2 ? 4.0f : -3.0f)}, 0.0f);
            }
            WriteKeyFrame(s->animation, k == 0, recording);
        }
        s->figure.ResetPose();
        return s;
    }();
    return *scene;
}

void BM_PlaybackFrames(benchmark::State& state) {
    Scene& s = Prepared();
    for (auto _ : state) {
        const auto frames = PlaybackFrames(s.figure, s.animation, nullptr);
        state.counters["frames"] = static_cast<double>(frames->size());
    }
}

void BM_ExportBvh(benchmark::State& state) {
    Scene& s = Prepared();
    for (auto _ : state) {
        const auto frames = PlaybackFrames(s.figure, s.animation, nullptr);
        const std::string bvh = FormatBvh(s.figure, *frames, MotionOptions{});
        state.counters["frames"] = static_cast<double>(frames->size());
        state.counters["bytes"] = static_cast<double>(bvh.size());
    }
}

void BM_ExportGlb(benchmark::State& state) {
    Scene& s = Prepared();
    for (auto _ : state) {
        const auto frames = PlaybackFrames(s.figure, s.animation, nullptr);
        const std::string glb = FormatGlb(s.figure, CurrentFrame(s.figure), *frames, MotionOptions{});
        state.counters["frames"] = static_cast<double>(frames->size());
        state.counters["bytes"] = static_cast<double>(glb.size());
    }
}

} // namespace

BENCHMARK(BM_PlaybackFrames)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportBvh)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportGlb)->Unit(benchmark::kMillisecond)->Iterations(3);
