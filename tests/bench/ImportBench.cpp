// Importing a rigged figure of about 100,000 triangles, against reading the same faces as a
// drawing with normals and building the figure from it.
#include "FaceFileWriter.h"
#include "Figure.h"
#include "FigureFileReader.h"
#include "FigureImport.h"
#include "KvtDoc.h"
#include "RiggedFigureFile.h"

#include <benchmark/benchmark.h>
#include <fstream>

using namespace figurant;

namespace {

// 24 tubes x 33 bands x 64 positions round x 2 triangles: about 101,000 triangles.
constexpr int kRing = 64, kRows = 33;

struct Files {
    std::string rigged, dxf, normals;
};

const Files& RiggedFiles() {
    static const Files files = [] {
        Files f{"bench-rigged-100k.gltf", "bench-rigged-100k.dxf", "bench-rigged-100k.normal"};
        std::ofstream(f.rigged, std::ios::binary) << test::RiggedFigureGltf(test::kMixamoNames, kRing, kRows);
        const auto scene = ReadFigureFile(f.rigged, nullptr);
        const ConvertedFigure figure = ConvertFigure(*scene);
        std::ofstream(f.dxf, std::ios::binary) << FormatFaceDrawing(DrawnFaces(*figure.model));
        std::ofstream(f.normals, std::ios::binary) << FormatNormalsFile(Triples(figure.normals));
        return f;
    }();
    return files;
}

// File > Import Model's work: read through the import library, convert, load into the document.
void BM_ImportRiggedFigure(benchmark::State& state) {
    const Files& files = RiggedFiles();
    for (auto _ : state) {
        CKvtDoc doc;
        if (!doc.ImportFigure(files.rigged)) return state.SkipWithError("the import failed");
        state.counters["faces"] = doc.Model()->GetCount();
    }
}

// Its parts: the import library's read, and the conversion of what it read.
void BM_ImportRead(benchmark::State& state) {
    const Files& files = RiggedFiles();
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadFigureFile(files.rigged, nullptr));
}

void BM_ImportConvert(benchmark::State& state) {
    const auto scene = ReadFigureFile(RiggedFiles().rigged, nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(ConvertFigure(*scene));
}

// The same faces as a drawing and normals file, read and built into the figure.
void BM_ReadDrawingAndBuildFigure(benchmark::State& state) {
    const Files& files = RiggedFiles();
    for (auto _ : state) {
        CKvtDoc doc;
        doc.Load(files.dxf, files.normals);
        doc.BuildHierarchy();
        Figure figure;
        figure.Build(doc.Tables(), 1.0f, doc.ModelCentre());
        state.counters["faces"] = doc.Model()->GetCount();
    }
}

} // namespace

BENCHMARK(BM_ImportRiggedFigure)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportRead)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportConvert)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadDrawingAndBuildFigure)->Unit(benchmark::kMillisecond)->Iterations(3);
