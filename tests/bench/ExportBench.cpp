// Exports of the default figure with a 100-key-frame animation (991 frames of playback): the
// frames played, then BVH and binary glTF written; the output sizes are reported as counters.
#include "AnimationWriter.h"
#include "BvhWriter.h"
#include "Figure.h"
#include "GlbWriter.h"
#include "KvtDoc.h"
#include "MotionCapture.h"
#include "StressModels.h"

#include <benchmark/benchmark.h>
#include <cctype>
#include <charconv>
#include <cmath>

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

// A motion capture of 10,000 frames on a 31-bone skeleton, as the common libraries have them.
std::string CaptureText(int frames) {
    std::string text = "HIERARCHY\nROOT Hips\n{\nOFFSET 0 100 0\nCHANNELS 6 Xposition Yposition Zposition "
                       "Zrotation Xrotation Yrotation\n";
    const char* chain[] = {"Spine", "Spine1", "Spine2", "Neck", "Head"};
    int bones = 1, depth = 1;
    for (const char* name : chain) {
        text +=
            std::string("JOINT ") + name + "\n{\nOFFSET 0 10 0\nCHANNELS 3 Zrotation Xrotation Yrotation\n";
        ++bones, ++depth;
    }
    for (const char* side : {"Left", "Right"}) {
        const double x = side[0] == 'L' ? 1 : -1;
        for (const char* limb : {"Shoulder", "Arm", "ForeArm", "Hand", "HandIndex1"}) {
            text += std::string("JOINT ") + side + limb + "\n{\nOFFSET " + std::to_string(10 * x) +
                    " 0 0\nCHANNELS 3 Zrotation Xrotation Yrotation\n";
            ++bones;
        }
        text += "End Site\n{\nOFFSET 5 0 0\n}\n}\n}\n}\n}\n}\n";
    }
    for (int d = 0; d < depth; ++d)
        text += "}\n";
    text.pop_back(), text.pop_back(); // the root stays open for the legs
    for (const char* side : {"Left", "Right"}) {
        const double x = side[0] == 'L' ? 1 : -1;
        for (const char* limb : {"UpLeg", "Leg", "Foot", "ToeBase"}) {
            text += std::string("JOINT ") + side + limb + "\n{\nOFFSET " + std::to_string(5 * x) +
                    " -40 0\nCHANNELS 3 Zrotation Xrotation Yrotation\n";
            ++bones;
        }
        text += "End Site\n{\nOFFSET 0 0 5\n}\n}\n}\n}\n}\n";
    }
    text += "}\nMOTION\nFrames: " + std::to_string(frames) + "\nFrame Time: 0.0083333\n";
    for (int f = 0; f < frames; ++f) {
        text += "0 100 " + std::to_string(f * 0.1);
        for (int c = 0; c < 3 * bones; ++c)
            text += " " + std::to_string(10 * std::sin(0.01 * f + c));
        text += "\n";
    }
    return text;
}

const std::string& Capture() {
    static const std::string text = CaptureText(10000);
    return text;
}

// Reading and carrying the capture onto the figure, against reading its numbers alone.
void BM_MotionCaptureRetarget(benchmark::State& state) {
    Scene& s = Prepared();
    for (auto _ : state) {
        std::string error;
        const auto motion = ParseBvh(Capture(), &error);
        if (!motion) return state.SkipWithError(error.c_str());
        const auto retargeted = RetargetMotion(*motion, s.figure, &error);
        if (retargeted) benchmark::DoNotOptimize(retargeted->AllFrames());
    }
}

void BM_MotionCaptureNumbersAlone(benchmark::State& state) {
    const std::string& text = Capture();
    const std::size_t motion = text.find("Frame Time:");
    for (auto _ : state) {
        std::vector<float> values;
        const char* at = text.data() + text.find('\n', motion);
        const char* end = text.data() + text.size();
        while (at < end) {
            while (at < end && std::isspace(static_cast<unsigned char>(*at)))
                ++at;
            double v = 0;
            const auto r = std::from_chars(at, end, v);
            if (r.ec != std::errc()) break;
            values.push_back(static_cast<float>(v));
            at = r.ptr;
        }
        benchmark::DoNotOptimize(values);
    }
}

} // namespace

BENCHMARK(BM_MotionCaptureRetarget)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MotionCaptureNumbersAlone)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PlaybackFrames)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportBvh)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportGlb)->Unit(benchmark::kMillisecond)->Iterations(3);
