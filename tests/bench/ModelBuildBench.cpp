// Loading a body model and building the jointed figure from it, on the default model and on
// stress models of about 100,000 and 1,000,000 faces.
#include "FigureTree.h"
#include "KvtDoc.h"
#include "SegmentVertices.h"
#include "StressModels.h"

#include <benchmark/benchmark.h>
#include <memory>

using namespace figurant;

namespace {

std::unique_ptr<CKvtDoc> Load(const bench::ModelFiles& files) {
    auto doc = std::make_unique<CKvtDoc>();
    doc->Load(files.dxf, files.normals);
    return doc;
}

void BuildFigure(CKvtDoc& doc, PoseArray& pose) {
    doc.BuildHierarchy();
    const float* b = doc.Model()->m_bounds;
    const Vec3f centre{(b[0] + b[1]) / 2, (b[2] + b[3]) / 2, (b[4] + b[5]) / 2};
    for (int s = 0; s < doc.SegmentCount() && s < kMaxSegments; ++s)
        CollectSegmentVertices(doc.Tables().lines[static_cast<std::size_t>(s)],
                               doc.Tables().vertexIds[static_cast<std::size_t>(s)], 1.0f, centre,
                               pose[static_cast<std::size_t>(s)]);
    BuildFigureTree(pose, doc.SegmentCount());
}

// Load and build, as `figurant-inspect figure` does.
void BM_LoadAndBuildFigure(benchmark::State& state) {
    const auto files = bench::EnsureBodyModel(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto doc = Load(files);
        auto pose = std::make_unique<PoseArray>();
        BuildFigure(*doc, *pose);
        state.counters["faces"] = doc->Model()->GetCount();
    }
}

// The build alone, after loading.
void BM_BuildFigure(benchmark::State& state) {
    const auto files = bench::EnsureBodyModel(static_cast<int>(state.range(0)));
    auto doc = Load(files);
    for (auto _ : state) {
        auto pose = std::make_unique<PoseArray>();
        BuildFigure(*doc, *pose);
    }
    state.counters["faces"] = doc->Model()->GetCount();
    state.SetComplexityN(doc->Model()->GetCount());
}

} // namespace

BENCHMARK(BM_LoadAndBuildFigure)
    ->Arg(1)
    ->Arg(bench::ResolutionFor(100000))
    ->Arg(bench::ResolutionFor(1000000))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_BuildFigure)
    ->Arg(1)
    ->Arg(bench::ResolutionFor(100000))
    ->Arg(bench::ResolutionFor(1000000))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Complexity(benchmark::oNLogN);
