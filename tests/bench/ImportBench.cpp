// Importing a rigged figure of about 100,000 triangles, against reading the same faces as a
// drawing with normals and building the figure from it.
#include "FaceFileWriter.h"
#include "Figure.h"
#include "FigureFileReader.h"
#include "FigureImport.h"
#include "FigureReadApart.h"
#include "KvtDoc.h"
#include "RiggedFigureFile.h"
#include "Skinning.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

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
        // The program starts its reader while the user chooses the file.
        state.PauseTiming();
        CKvtDoc doc;
        doc.PrepareImport();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        state.ResumeTiming();
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

// The same read in a child process, as Import Model and the converter read: the price of the
// process and of sending the scene back.
void BM_ImportReadApart(benchmark::State& state) {
    const Files& files = RiggedFiles();
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadFigureFileApart(files.rigged, nullptr));
}

// Conversions of hostile scenes stay near-linear: 0, a skin of 200,000 joints in a chain of
// unnamed bones; 1, 80,000 positions scattered to the far ends of every coordinate.
void BM_ConvertHostileScene(benchmark::State& state) {
    ImportScene scene = *ReadFigureFile(RiggedFiles().rigged, nullptr);
    if (state.range(0) == 0) {
        const int first = static_cast<int>(scene.bones.size());
        for (int i = 0; i < 200000; ++i)
            scene.bones.push_back({"link" + std::to_string(i), i ? first + i - 1 : 0, {}});
    } else {
        ImportMesh outliers;
        outliers.names = {"head"};
        for (int i = 0; i < 80000; ++i) {
            const double scale = std::pow(10.0, i % 60 - 30);
            outliers.positions.push_back({scale * (i % 997), scale, -scale});
        }
        for (int i = 0; i + 2 < 80000; i += 3)
            outliers.triangles.push_back({i, i + 1, i + 2});
        scene.meshes.push_back(outliers);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ConvertFigure(scene));
}

// What the import adds for a character kept as rigged: its skeleton, surface and weights.
void BM_ImportCharacter(benchmark::State& state) {
    const auto scene = ReadFigureFile(RiggedFiles().rigged, nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(CharacterFromScene(*scene));
}

// One pose of a character of about 100,000 vertices skinned on the CPU: linear blending (0) and
// dual quaternions (1), every joint turned.
void BM_SkinCharacter(benchmark::State& state) {
    static const std::string file = [] {
        const std::string path = "bench-character-100k.gltf";
        std::ofstream(path, std::ios::binary) << test::RiggedFigureGltf(test::kMixamoNames, 64, 65);
        return path;
    }();
    const auto character = CharacterFromScene(*ReadFigureFile(file, nullptr));
    const double half = 0.1;
    const std::vector<Quaternion> turns(character->joints.size(), {std::sin(half), 0, 0, std::cos(half)});
    const auto moves = JointMoves(*character, JointWorlds(*character, turns));
    std::vector<float> skinned;
    for (auto _ : state)
        SkinSurface(*character, moves, state.range(0) ? SkinMethod::DualQuaternion : SkinMethod::Linear,
                    Affine{}, skinned);
    state.counters["vertices"] = static_cast<double>(character->surface.positions.size());
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
BENCHMARK(BM_ImportCharacter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SkinCharacter)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportRead)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportReadApart)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ConvertHostileScene)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportConvert)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadDrawingAndBuildFigure)->Unit(benchmark::kMillisecond)->Iterations(3);
