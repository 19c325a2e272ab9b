// Pose changes and their undo on the figure model, on the default model and a 100,000-face one:
// the time of a step and of its undo, and the memory each undo step holds.
#include "Figure.h"
#include "KvtDoc.h"
#include "LimbSolver.h"
#include "StressModels.h"

#include <benchmark/benchmark.h>
#include <memory>

using namespace figurant;

namespace {

struct Posed {
    CKvtDoc doc;
    Figure figure;
    explicit Posed(int resolution) {
        const auto files = bench::EnsureBodyModel(resolution);
        doc.Load(files.dxf, files.normals);
        doc.BuildHierarchy();
        figure.Build(doc.Tables(), 1.0f, doc.ModelCentre());
    }
};

// One drag step (press, a move, release) on the right forearm, then its undo.
void BM_DragStep(benchmark::State& state) {
    Posed p(static_cast<int>(state.range(0)));
    p.figure.Pick(6, false);
    for (auto _ : state) {
        p.figure.BeginDrag();
        p.figure.Drag(3, 0, 2);
        p.figure.EndDrag();
    }
    state.counters["bytes_per_step"] = static_cast<double>(p.figure.HistoryBytes()) / state.iterations();
    state.counters["faces"] = p.doc.Model()->GetCount();
}

void BM_DragUndo(benchmark::State& state) {
    Posed p(static_cast<int>(state.range(0)));
    p.figure.Pick(6, false);
    for (auto _ : state) {
        state.PauseTiming();
        p.figure.BeginDrag();
        p.figure.Drag(3, 0, 2);
        p.figure.EndDrag();
        state.ResumeTiming();
        p.figure.Undo();
    }
}

// A twist of the right thigh (T), then its undo.
void BM_TwistStep(benchmark::State& state) {
    Posed p(static_cast<int>(state.range(0)));
    p.figure.Pick(10, false);
    for (auto _ : state)
        p.figure.ApplyPoseKey({PoseKeyStep::Twist, 0, 4.0f}, 0);
    state.counters["bytes_per_step"] = static_cast<double>(p.figure.HistoryBytes()) / state.iterations();
    state.counters["segment_points"] = static_cast<double>(p.figure.Points(10).size());
}

void BM_TwistUndo(benchmark::State& state) {
    Posed p(static_cast<int>(state.range(0)));
    p.figure.Pick(10, false);
    for (auto _ : state) {
        state.PauseTiming();
        p.figure.ApplyPoseKey({PoseKeyStep::Twist, 0, 4.0f}, 0);
        state.ResumeTiming();
        p.figure.Undo();
    }
}

// A pull of the right hand back and forth: the arm solved for each target, with the step's
// records; and the two-bone solution alone.
void BM_PullArm(benchmark::State& state) {
    Posed p(1);
    const Point3d wrist = *p.figure.JointWorld(8);
    p.figure.BeginPull(8, wrist);
    double sign = 1;
    for (auto _ : state) {
        p.figure.PullTo(wrist + Point3d{0.1 * sign, -0.2, 0.15});
        sign = -sign;
    }
    p.figure.EndPull();
}

void BM_SolveTwoBones(benchmark::State& state) {
    const TwoBoneChain arm{{0, 0, 0}, {0, 0, -0.3}, {0, 0, -0.55}};
    double x = 0.1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SolveTwoBones(arm, {x, -0.2, -0.3}, {0, 1, 0}));
        x = -x;
    }
}

const int kStress = bench::ResolutionFor(100000);

} // namespace

BENCHMARK(BM_DragStep)->Arg(1)->Arg(kStress)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PullArm)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SolveTwoBones)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DragUndo)->Arg(1)->Arg(kStress)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TwistStep)->Arg(1)->Arg(kStress)->Unit(benchmark::kMicrosecond);
// A fixed count: the undo is far quicker than the paused twist before it, so a timed minimum would
// run the twist for minutes.
BENCHMARK(BM_TwistUndo)->Arg(1)->Arg(kStress)->Unit(benchmark::kMicrosecond)->Iterations(200);
