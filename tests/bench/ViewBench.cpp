// Paint, drag, twist and pick times of the real view under a (virtual) X server, at the size the
// maximised window gets on a 1280 x 1024 screen, for the default and a 100,000-face model.
#include "AnimationFormat.h"
#include "ControlRaster.h"
#include "GuiFixture.h"
#include "KeyFrameStrip.h"
#include "ReferenceMesh.h"
#include "RiggedFigureFile.h"
#include "StressModels.h"
#include "SurfaceFormat.h"
#include "ViewProbe.h"

#include <GL/gl.h>
#include <QApplication>
#include <QSurfaceFormat>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <malloc.h>

using namespace figurant;

namespace {

test::RunningApp* g_app = nullptr;

// The stress model of that resolution read into the document (the view is not told).
void ReadModel(int resolution) {
    const auto files = bench::EnsureBodyModel(resolution);
    g_app->Doc().Load(files.dxf, files.normals);
    if (!g_app->Doc().Model()) {
        std::fprintf(stderr, "The stress model %s cannot be read.\n", files.dxf.c_str());
        std::exit(1);
    }
}

void LoadModel(int resolution) {
    ReadModel(resolution);
    CKvtView& view = g_app->View();
    view.OnUpdate(HINT_DXF_IMPORTED);
    view.FigureModel().ClearSelection();
}

void EnterHierarchy() {
    CKvtView& view = g_app->View();
    if (view.DisplayMode() == DISPLAY_FLAT) view.OnHierarchy();
}

void PaintNow() {
    CKvtView& view = g_app->View();
    view.InvalidateAndUpdateNow();
    QApplication::processEvents();
    view.makeCurrent();
    glFinish();
}

void BM_Paint(benchmark::State& state) {
    LoadModel(static_cast<int>(state.range(0)));
    if (state.range(1)) EnterHierarchy();
    const int before = g_app->View().Paints();
    for (auto _ : state)
        PaintNow();
    // Every iteration paints the view once; a paint that does not happen is an error.
    state.counters["paints"] =
        benchmark::Counter(g_app->View().Paints() - before, benchmark::Counter::kAvgIterations);
    state.counters["faces"] = g_app->Doc().Model()->GetCount();
    state.counters["width"] = g_app->View().width();
    state.counters["height"] = g_app->View().height();
}

// A drawing read into the view and shown: reading, the flat picture's lists and the first paint
// (the view paints as soon as it has the new model; the clock stops once that frame is drawn).
void BM_LoadAndShow(benchmark::State& state) {
    bench::EnsureBodyModel(static_cast<int>(state.range(0))); // made before the clock runs
    CKvtView& view = g_app->View();
    for (auto _ : state) {
        const int before = view.Paints();
        LoadModel(static_cast<int>(state.range(0)));
        view.makeCurrent();
        glFinish();
        if (view.Paints() != before + 1) state.SkipWithError("the new model was not painted once");
    }
    state.counters["faces"] = g_app->Doc().Model()->GetCount();
}

// Drag steps of the forearm as the mouse gives them, one an iteration: the turn and the paint.
void DragForearm(benchmark::State& state) {
    CKvtView& view = g_app->View();
    if (view.RenderMode() != RENDER_MODIFY) view.OnModeModify();
    const QPoint forearm = test::SegmentPoint(view, 6);
    view.OnLeftButtonDown(forearm.x(), forearm.y(), false);
    if (view.FigureModel().Selection() != std::vector<int>{6})
        state.SkipWithError("the press missed the forearm");
    int y = forearm.y();
    for (auto _ : state) {
        y += 4;
        view.OnMouseMove(forearm.x(), y, true);
        QApplication::processEvents();
        view.makeCurrent();
        glFinish();
    }
    view.OnLeftButtonUp();
}

void BM_DragStep(benchmark::State& state) {
    LoadModel(static_cast<int>(state.range(0)));
    EnterHierarchy();
    DragForearm(state);
}

// Steps of the same forearm turned by the rotation gizmo's ring facing the camera, the cursor going
// round the joint two degrees a step (to set against the forearm's drag steps above).
void BM_GizmoStep(benchmark::State& state) {
    LoadModel(static_cast<int>(state.range(0)));
    EnterHierarchy();
    CKvtView& view = g_app->View();
    if (view.RenderMode() != RENDER_MODIFY) view.OnModeModify();
    const QPoint forearm = test::SegmentPoint(view, 6);
    view.OnLeftButtonDown(forearm.x(), forearm.y(), false);
    view.OnLeftButtonUp();
    view.OnRotationGizmo();
    const auto rings = view.GizmoRings();
    if (rings.size() != 4) return state.SkipWithError("no gizmo on the forearm");
    const ViewMatrices matrices = view.CurrentViewMatrices(view.width(), view.height());
    const auto centre = ProjectToPicture(matrices, rings[3].centre);
    const auto edge = ProjectToPicture(matrices, CKvtView::RingPoints(rings[3])[0]);
    const double radius = std::hypot(edge->x - centre->x, edge->y - centre->y);
    auto at = [&](double degrees) {
        const double a = degrees * 3.14159265358979 / 180;
        return QPoint(static_cast<int>(centre->x + radius * std::cos(a)),
                      static_cast<int>(centre->y - radius * std::sin(a)));
    };
    view.OnLeftButtonDown(at(0).x(), at(0).y(), false);
    double degrees = 0;
    for (auto _ : state) {
        degrees += 2;
        view.OnMouseMove(at(degrees).x(), at(degrees).y(), true);
        QApplication::processEvents();
        view.makeCurrent();
        glFinish();
    }
    view.OnLeftButtonUp();
    view.OnRotationGizmo();
}

// Pull steps of the right hand by its wrist handle, one an iteration: the arm solved and the paint
// (to set against the forearm's drag steps above).
void BM_PullStep(benchmark::State& state) {
    LoadModel(static_cast<int>(state.range(0)));
    EnterHierarchy();
    CKvtView& view = g_app->View();
    if (view.RenderMode() != RENDER_MODIFY) view.OnModeModify();
    const auto at = ProjectToPicture(view.CurrentViewMatrices(view.width(), view.height()),
                                     *view.FigureModel().JointWorld(8));
    const QPoint wrist(static_cast<int>(at->x), static_cast<int>(at->y));
    view.HoverAt(wrist.x(), wrist.y());
    view.OnLeftButtonDown(wrist.x(), wrist.y(), false);
    if (!view.FigureModel().Pulling()) state.SkipWithError("the press missed the wrist's handle");
    int y = wrist.y();
    for (auto _ : state) {
        y -= 4;
        view.OnMouseMove(wrist.x(), y, true);
        QApplication::processEvents();
        view.makeCurrent();
        glFinish();
    }
    view.OnLeftButtonUp();
}

void BM_Twist(benchmark::State& state) {
    LoadModel(static_cast<int>(state.range(0)));
    EnterHierarchy();
    CKvtView& view = g_app->View();
    Figure& figure = view.FigureModel();
    float sign = 1;
    for (auto _ : state) {
        figure.BeginStep("Twist");
        figure.TwistSegment(10, 4 * sign);
        figure.EndStep();
        sign = -sign;
    }
    state.counters["segment_vertices"] = static_cast<double>(view.FigureModel().Vertices(10).size());
}

// The pick alone, and a whole click: the pick, the selection and the picture painted with it.
void BM_Pick(benchmark::State& state) {
    LoadModel(static_cast<int>(state.range(0)));
    EnterHierarchy();
    CKvtView& view = g_app->View();
    if (view.RenderMode() != RENDER_MODIFY) view.OnModeModify();
    const QPoint head = test::SegmentPoint(view, 0);
    const bool click = state.range(1) != 0;
    std::optional<int> picked;
    for (auto _ : state) {
        if (click) {
            view.OnLeftButtonDown(head.x(), head.y(), false);
            QApplication::processEvents();
        } else {
            picked = view.SegmentAt(head.x(), head.y());
            glFinish();
        }
    }
    if (click ? view.FigureModel().Selection() != std::vector<int>{0} : picked != 0)
        state.SkipWithError("the pick missed the head");
}

// Clicks selecting the largest segment and then the head, one after the other: each click selects
// anew, so the picture painted with it makes the selected segment's outline.
void BM_SelectLargest(benchmark::State& state) {
    LoadModel(static_cast<int>(state.range(0)));
    EnterHierarchy();
    CKvtView& view = g_app->View();
    if (view.RenderMode() != RENDER_MODIFY) view.OnModeModify();
    const Figure& figure = view.FigureModel();
    int largest = 0;
    for (int s = 0; s < figure.SegmentCount(); ++s)
        if (figure.Shape(s).pointCount > figure.Shape(largest).pointCount) largest = s;
    const QPoint points[2] = {test::SegmentPoint(view, largest), test::SegmentPoint(view, 0)};
    bool missed = false;
    for (auto _ : state) {
        for (int i = 0; i < 2; ++i) {
            view.OnLeftButtonDown(points[i].x(), points[i].y(), false);
            QApplication::processEvents();
            missed = missed || figure.Selection() != std::vector<int>{i == 0 ? largest : 0};
        }
    }
    if (missed) state.SkipWithError("a click missed its segment");
    state.counters["largest_points"] = static_cast<double>(figure.Shape(largest).pointCount);
}

// Playback of ten key frames (100 frames) at the chosen rate: the rate reached, in frames per second.
void BM_Playback(benchmark::State& state) {
    LoadModel(static_cast<int>(state.range(0)));
    EnterHierarchy();
    CKvtView& view = g_app->View();
    view.SetPlaybackRate(static_cast<int>(state.range(1)));
    AnimationScene scene = view.Scene();
    std::string text = FormatKeyFrame(scene);
    for (int k = 1; k < 10; ++k)
        text += FormatIncrementBlock(scene) + FormatKeyFrame(scene);
    const std::string path = QDir(g_app->previous).filePath("bench-playback.amt").toStdString();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    view.SetAnimationFile(path, true);
    double frames = 0, seconds = 0;
    for (auto _ : state) {
        const int before = view.FramesShown();
        const auto start = std::chrono::steady_clock::now();
        view.OnAnimate();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        frames += view.FramesShown() - before;
    }
    state.counters["frames_per_second"] = frames / seconds;
    view.SetPlaybackRate(kDefaultPlaybackRate);
}

// Building the jointed figure from a shown model (the Hierarchy command).
void BM_Hierarchy(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        LoadModel(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        g_app->View().OnHierarchy();
        PaintNow();
    }
}

// The yardsticks: the same mesh as one indexed vertex buffer in the same window (ReferenceMesh).
void BM_ReferencePaint(benchmark::State& state) {
    LoadModel(static_cast<int>(state.range(0)));
    bench::ReferenceMesh mesh(g_app->View(), g_app->Doc());
    for (auto _ : state)
        mesh.Paint();
    const double faces = g_app->Doc().Model()->GetCount();
    state.counters["faces"] = faces;
    state.counters["bytes_per_face"] = static_cast<double>(mesh.Bytes()) / faces;
}

// Reading the drawing, making the buffer and the first paint, as BM_LoadAndShow does for the view.
void BM_ReferenceLoadAndShow(benchmark::State& state) {
    bench::EnsureBodyModel(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ReadModel(static_cast<int>(state.range(0)));
        bench::ReferenceMesh(g_app->View(), g_app->Doc()).Paint();
    }
    // The view goes back to showing the document it was given.
    LoadModel(static_cast<int>(state.range(0)));
}

void BM_ReferencePick(benchmark::State& state) {
    LoadModel(static_cast<int>(state.range(0)));
    EnterHierarchy();
    CKvtView& view = g_app->View();
    const QPoint head = test::SegmentPoint(view, 0);
    bench::ReferenceMesh mesh(view, g_app->Doc());
    int picked = -1;
    for (auto _ : state)
        picked = mesh.Pick(head.x(), head.y());
    if (picked != 0) state.SkipWithError("the reference pick missed the head");
}

void BM_ReferenceTwist(benchmark::State& state) {
    LoadModel(static_cast<int>(state.range(0)));
    bench::ReferenceMesh mesh(g_app->View(), g_app->Doc());
    float sign = 1;
    for (auto _ : state) {
        mesh.RewriteSegment(10, 4 * sign);
        sign = -sign;
    }
}

// Heap in use (including the driver's lists and buffers) per face once a model is read, shown,
// built into the figure and posed, over what the default model needs.
std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void BM_MemoryAfterPosing(benchmark::State& state) {
    for (auto _ : state) {
        LoadModel(1);
        const double before = static_cast<double>(HeapInUse());
        LoadModel(static_cast<int>(state.range(0)));
        const double faces = g_app->Doc().Model()->GetCount();
        const auto perFace = [&] { return (static_cast<double>(HeapInUse()) - before) / faces; };
        state.counters["shown_bytes_per_face"] = perFace();
        EnterHierarchy();
        state.counters["figure_bytes_per_face"] = perFace();
        Figure& figure = g_app->View().FigureModel();
        figure.Pick(6, false);
        figure.BeginDrag();
        figure.Drag(10, 0, 1);
        figure.EndDrag();
        figure.BeginStep("Twist");
        figure.TwistSegment(10, 20);
        figure.EndStep();
        PaintNow();
        state.counters["faces"] = faces;
        state.counters["bytes_per_face"] = perFace();
    }
}

// An imported skinned character of about 100,000 vertices: 24 tubes of 66 rings of 64 positions.
constexpr int kCharacterRing = 64, kCharacterRows = 65;

const std::string& CharacterFile() {
    static const std::string path = [] {
        const std::string file = "bench-character-100k.gltf";
        std::ofstream(file, std::ios::binary)
            << test::RiggedFigureGltf(test::kMixamoNames, kCharacterRing, kCharacterRows);
        return file;
    }();
    return path;
}

void ImportCharacter(benchmark::State& state) {
    if (!g_app->Doc().ImportFigure(CharacterFile()))
        return state.SkipWithError("the character was not imported");
    g_app->View().OnUpdate(HINT_DXF_IMPORTED);
    g_app->View().FigureModel().ClearSelection();
    EnterHierarchy();
    if (!g_app->View().CharacterShown()) state.SkipWithError("the character is not shown skinned");
    state.counters["vertices"] = static_cast<double>(g_app->Doc().GetCharacter()->surface.positions.size());
}

// The skinned character painted as it stands (0), and a drag step of its forearm (1): the turn,
// the skinning and the paint.
void BM_Character(benchmark::State& state) {
    ImportCharacter(state);
    if (state.range(0) == 0) {
        for (auto _ : state)
            PaintNow();
        return;
    }
    DragForearm(state);
}

// The heap the character takes once imported, built, posed and painted, against its vertex data
// in the file (position 12 bytes, joints 8, weights 16).
void BM_CharacterMemory(benchmark::State& state) {
    constexpr double kFileBytesPerVertex = 36;
    for (auto _ : state) {
        LoadModel(1);
        const double before = static_cast<double>(HeapInUse());
        if (!g_app->Doc().ImportFigure(CharacterFile()))
            return state.SkipWithError("the character was not imported");
        // What the document holds: the character, and the drawing the figure is built from.
        const double vertices = static_cast<double>(g_app->Doc().GetCharacter()->surface.positions.size());
        state.counters["document_bytes_per_vertex"] = (static_cast<double>(HeapInUse()) - before) / vertices;
        ImportCharacter(state);
        Figure& figure = g_app->View().FigureModel();
        figure.Pick(6, false);
        figure.BeginDrag();
        figure.Drag(10, 0, 1);
        figure.EndDrag();
        PaintNow();
        state.counters["bytes_per_vertex"] = (static_cast<double>(HeapInUse()) - before) / vertices;
        state.counters["times_file_vertex_data"] = state.counters["bytes_per_vertex"] / kFileBytesPerVertex;
    }
}

const int kStress = bench::ResolutionFor(100000);
const int kMillion = bench::ResolutionFor(1000000);

// One scrub step on the key-frame strip (a frame of the recorded animation shown), against one
// paint of the same figure (BM_Paint/1/1).
void BM_Scrub(benchmark::State& state) {
    LoadModel(1);
    EnterHierarchy();
    QTemporaryDir dir;
    CKvtView& view = g_app->View();
    view.SetAnimationFile("", false); // a new recording each run
    g_app->dialogs.answers = {(dir.path() + "/scrub.amt").toStdString()};
    for (int key = 0; key < 3; ++key) {
        view.FigureModel().Pick(6, false);
        view.FigureModel().ApplyPoseKey({PoseKeyStep::Turn, 1, 20.0f}, 0.0f);
        g_app->Frame().Router().Execute(cmd::FileSave);
    }
    if (!view.Strip() || view.Strip()->Count() != 3)
        return state.SkipWithError(g_app->dialogs.messages.empty() ? "no key frames"
                                                                   : g_app->dialogs.messages.back().c_str());
    double at = 0;
    for (auto _ : state) {
        at = at > 1.9 ? 0 : at + 0.1;
        view.ScrubTo(at);
        view.makeCurrent();
        glFinish();
    }
}

// File > Export > Export Picture (0) against Export Control Pictures, all six files (1), of the
// built-in figure at 2048 x 2048, through the commands with the dialogs answered.
void BM_ExportPictures(benchmark::State& state) {
    LoadModel(1);
    EnterHierarchy();
    QTemporaryDir dir;
    const bool control = state.range(0) == 1;
    ExportOptions options;
    options.kind = control ? ExportOptions::Kind::Control : ExportOptions::Kind::Picture;
    options.width = options.height = 2048;
    for (auto _ : state) {
        g_app->dialogs.answers = {(dir.path() + (control ? "" : "/figure.png")).toStdString()};
        g_app->dialogs.exportAnswers = {options};
        g_app->Frame().Router().Execute(control ? cmd::ExportControl : cmd::ExportPicture);
    }
    if (!g_app->dialogs.messages.empty()) state.SkipWithError(g_app->dialogs.messages.back().c_str());
}

// Every model size, each with the second argument 0 and then 1 (flat or figure, pick or click).
void EachSizeBothWays(benchmark::internal::Benchmark* b) {
    for (const int size : {1, kStress, kMillion})
        b->Args({size, 0})->Args({size, 1});
}

} // namespace

// First, while the heap holds nothing of the other benchmarks.
BENCHMARK(BM_CharacterMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Character)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryAfterPosing)->Arg(kStress)->Arg(kMillion)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Paint)->Apply(EachSizeBothWays)->Unit(benchmark::kMillisecond);
// One read of a large model is long enough to time; the default model's is timed ten times.
BENCHMARK(BM_LoadAndShow)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_LoadAndShow)->Arg(kStress)->Arg(kMillion)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReferenceLoadAndShow)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ReferenceLoadAndShow)->Arg(kStress)->Arg(kMillion)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReferencePaint)->Arg(1)->Arg(kStress)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Playback)->Args({1, 30})->Args({1, 60})->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Hierarchy)->Arg(1)->Arg(kStress)->Arg(kMillion)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DragStep)->Arg(1)->Arg(kStress)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PullStep)->Arg(1)->Arg(kStress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GizmoStep)->Arg(1)->Arg(kStress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Twist)->Arg(1)->Arg(kStress)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pick)->Apply(EachSizeBothWays)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectLargest)->Arg(kStress)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceTwist)->Arg(1)->Arg(kStress)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scrub)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPictures)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReferencePick)->Arg(1)->Arg(kStress)->Arg(kMillion)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QSurfaceFormat::setDefaultFormat(ProgramSurfaceFormat());
    QApplication application(argc, argv);
    test::RunningApp app;
    if (!app.started) return 1;
    g_app = &app;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_app = nullptr;
    return 0;
}
