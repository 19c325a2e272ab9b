// Loading a body model and building the jointed figure from it, on the default model and on
// stress models of about 100,000 and 1,000,000 faces.
#include "Figure.h"
#include "KvtDoc.h"
#include "StressModels.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <iterator>
#include <memory>

using namespace figurant;

namespace {

std::unique_ptr<CKvtDoc> Load(const bench::ModelFiles& files) {
    auto doc = std::make_unique<CKvtDoc>();
    doc->Load(files.dxf, files.normals);
    return doc;
}

void BuildFigure(CKvtDoc& doc, Figure& figure) {
    doc.BuildHierarchy();
    figure.Build(doc.Tables(), 1.0f, doc.ModelCentre());
}

// Load and build, as `figurant-inspect figure` does.
void BM_LoadAndBuildFigure(benchmark::State& state) {
    const auto files = bench::EnsureBodyModel(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto doc = Load(files);
        Figure figure;
        BuildFigure(*doc, figure);
        state.counters["faces"] = doc->Model()->GetCount();
    }
}

// The build alone, after loading.
void BM_BuildFigure(benchmark::State& state) {
    const auto files = bench::EnsureBodyModel(static_cast<int>(state.range(0)));
    auto doc = Load(files);
    for (auto _ : state) {
        Figure figure;
        BuildFigure(*doc, figure);
    }
    state.counters["faces"] = doc->Model()->GetCount();
    state.SetComplexityN(doc->Model()->GetCount());
}

// The same with one coordinate of the first face spelled "nan": that face is left out, and the
// build takes no longer (it once went quadratic when NaN bounds sent every vertex to a linear list).
void BM_LoadAndBuildFigureWithNan(benchmark::State& state) {
    const auto files = bench::EnsureBodyModel(static_cast<int>(state.range(0)));
    const std::string path = files.dxf + ".nan.dxf";
    {
        std::ifstream in(files.dxf, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        const auto at = text.find("\n10\n");
        if (at == std::string::npos) return state.SkipWithError("no face in the stress model");
        const auto end = text.find('\n', at + 4);
        text.replace(at + 4, end - (at + 4), "nan");
        std::ofstream(path, std::ios::binary) << text;
    }
    for (auto _ : state) {
        auto doc = Load({path, files.normals, files.faces});
        Figure figure;
        BuildFigure(*doc, figure);
        state.counters["faces"] = doc->Model()->GetCount();
    }
}

} // namespace

BENCHMARK(BM_LoadAndBuildFigureWithNan)
    ->Arg(bench::ResolutionFor(100000))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
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
