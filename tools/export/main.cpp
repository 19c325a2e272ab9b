// figurant-export: the figure and an animation played on it, as BVH motion or a binary glTF
// file, without a window.
#include "CharacterGlb.h"
#include "CharacterPose.h"
#include "ControlExport.h"
#include "DurableFile.h"
#include "ExportSkeleton.h"
#include "KvtDoc.h"
#include "MotionFile.h"
#include "PoseFrames.h"
#include "Skinning.h"

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

using namespace figurant;

namespace {

int Usage() {
    std::fputs(
        "usage: figurant-export (--dxf FILE --normals FILE | --figure FILE) [--anim FILE.amt|FILE.bvh]\n"
        "                       (--bvh OUT | --glb OUT)\n"
        "                       [--fps N] [--units m|cm (BVH only)] [--names program|humanoid|mocap]\n"
        "                       [--rigid]\n"
        "       figurant-export (--dxf FILE --normals FILE | --figure FILE) --control DIR --size WxH\n"
        "                       [--view front|side|back|otherside|top|bottom] [--lens "
        "standard|50|85|orthographic]\n"
        "                       [--anim FILE.amt|FILE.bvh --frame N (from 1)] [--body25] [--normal-right]\n",
        stderr);
    return 2;
}

// Options with a value, and flags without one.
const std::vector<std::string> kValueOptions{"--dxf",  "--normals", "--figure", "--anim",  "--bvh",
                                             "--glb",  "--fps",     "--units",  "--names", "--control",
                                             "--size", "--view",    "--lens",   "--frame"};
const std::map<std::string, JointNaming> kNamings{{"program", JointNaming::Program},
                                                  {"humanoid", JointNaming::Humanoid},
                                                  {"mocap", JointNaming::MotionCapture}};
const std::vector<std::string> kFlags{"--rigid", "--body25", "--normal-right"};

bool Has(const std::vector<std::string>& list, const std::string& key) {
    return std::find(list.begin(), list.end(), key) != list.end();
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "figurant-export: %s\n", message.c_str());
    return 1;
}

// The control pictures of one frame (the figure at rest without an animation).
int ExportControl(std::map<std::string, std::string>& args, const CKvtDoc& doc, Figure& figure) {
    ControlRequest request;
    request.folder = args["--control"];
    if (!ParsePictureSize(args["--size"], request.width, request.height)) return Usage();
    if (args.count("--view")) request.view = args["--view"];
    if (args.count("--lens")) {
        request.lens = Lens::FromText(args["--lens"]);
        if (request.lens.Text() != args["--lens"]) return Usage();
    }
    if (args.count("--body25")) request.options.layout = KeyPointLayout::Body25;
    request.options.normalRightInRed = args.count("--normal-right") > 0;
    if (args.count("--anim")) {
        int frame = 1;
        if (args.count("--frame")) {
            const std::string& text = args["--frame"];
            const auto r = std::from_chars(text.data(), text.data() + text.size(), frame);
            if (r.ec != std::errc() || r.ptr != text.data() + text.size() || frame < 1) return Usage();
        }
        std::string error;
        const auto played = PlaybackFrames(figure, args["--anim"], &error);
        if (!played) return Fail("the animation \"" + args["--anim"] + "\" cannot be read: " + error);
        if (static_cast<std::size_t>(frame) > played->size())
            return Fail("the animation \"" + args["--anim"] + "\" has " + std::to_string(played->size()) +
                        " frames");
        ApplyFrame(figure, (*played)[static_cast<std::size_t>(frame - 1)]);
    } else if (args.count("--frame")) {
        return Usage();
    }
    // A character is drawn skinned by its own weights, as the window shows it.
    if (const auto character = doc.GetCharacter()) {
        const Affine frame = doc.CharacterToFigure(1.0f, doc.ModelCentre());
        std::vector<float> skinned;
        SkinSurface(*character,
                    JointMoves(*character, CharacterFrames(*character, {CurrentFrame(figure)}, frame, {})[0]),
                    SkinMethod::Linear, frame, skinned);
        request.options.surface = SkinnedTriangles(*character, skinned);
    }
    std::error_code made;
    std::filesystem::create_directories(request.folder, made);
    if (made) return Fail("the folder \"" + request.folder + "\" cannot be made: " + made.message());
    if (const std::string error = ExportControlPictures(doc, figure, request); !error.empty())
        return Fail("the control pictures cannot be written: " + error);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Past a file-size limit a write fails (EFBIG) and is reported, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    std::map<std::string, std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string key = argv[i];
        if (args.count(key)) return Usage();
        if (Has(kFlags, key)) {
            args[key] = "";
        } else if (Has(kValueOptions, key) && i + 1 < argc) {
            args[key] = argv[++i];
        } else {
            return Usage();
        }
    }
    const bool control = args.count("--control") > 0;
    const int outputs = static_cast<int>(args.count("--bvh") + args.count("--glb") + args.count("--control"));
    const bool drawing = args.count("--dxf") && args.count("--normals");
    if (drawing == (args.count("--figure") > 0) || outputs != 1) return Usage();
    if (control != (args.count("--size") > 0) ||
        (!control && (args.count("--view") || args.count("--lens") || args.count("--frame") ||
                      args.count("--body25") || args.count("--normal-right"))))
        return Usage();
    // glTF's unit is the metre: a figure in centimetres would arrive a hundred times too tall.
    if (args.count("--glb") && args.count("--units"))
        return Fail("--units applies to BVH only: glTF files are always in metres");
    MotionOptions options;
    if (args.count("--fps")) {
        const std::string& fps = args["--fps"];
        int n = 0;
        const auto r = std::from_chars(fps.data(), fps.data() + fps.size(), n);
        if (r.ec != std::errc() || r.ptr != fps.data() + fps.size() || n < 1 || n > 1000) return Usage();
        options.framesPerSecond = n;
    }
    if (args.count("--names")) {
        const auto naming = kNamings.find(args["--names"]);
        if (naming == kNamings.end()) return Usage();
        options.naming = naming->second;
    }
    if (args.count("--units")) {
        if (args["--units"] != "m" && args["--units"] != "cm") return Usage();
        options.metresPerUnit = args["--units"] == "cm" ? 0.01 : 1.0;
    }

    CKvtDoc doc;
    if (!drawing) {
        std::string error;
        if (!doc.ImportFigure(args["--figure"], &error))
            return Fail("the figure \"" + args["--figure"] + "\" cannot be imported: " + error);
    } else {
        doc.Load(args["--dxf"], args["--normals"]);
    }
    if (!doc.Model()) return Fail("the drawing \"" + args["--dxf"] + "\" cannot be read");
    if (!doc.NormalsReady())
        return Fail("the normals \"" + args["--normals"] + "\" cannot be read or do not cover the drawing");
    if (doc.Model()->GetCount() == 0) return Fail("the drawing \"" + args["--dxf"] + "\" has no faces");
    doc.BuildHierarchy();
    Figure figure;
    figure.Build(doc.Tables(), 1.0f, doc.ModelCentre());
    if (!HasJoints(figure) && !args.count("--rigid"))
        return Fail("the figure has no joints (its pieces share no joint ring), so it cannot bend; "
                    "add --rigid to export its pieces as they are");

    if (control) return ExportControl(args, doc, figure);

    std::vector<PoseFrame> frames;
    if (args.count("--anim")) {
        std::string error;
        PlaybackReport report;
        auto played = PlaybackFrames(figure, args["--anim"], &error, &report);
        if (!played) return Fail("the animation \"" + args["--anim"] + "\" cannot be read: " + error);
        if (!report.problem.empty())
            std::fprintf(stderr, "figurant-export: the animation \"%s\": %s\n", args["--anim"].c_str(),
                         report.problem.c_str());
        if (report.framesPerSecond > 0 && !args.count("--fps"))
            options.framesPerSecond = report.framesPerSecond;
        frames = std::move(*played);
    }
    const bool bvh = args.count("--bvh") > 0;
    const std::string out = bvh ? args["--bvh"] : args["--glb"];
    const auto character = doc.GetCharacter();
    // An imported character goes out as it came in: its own mesh, skeleton, weights and looks.
    const Affine frame = doc.CharacterToFigure(1.0f, doc.ModelCentre());
    const std::string bytes =
        character && !bvh
            ? FormatCharacterGlb(*character,
                                 CharacterFrames(*character, {CurrentFrame(figure)}, frame, {})[0],
                                 {CharacterFrames(*character, frames, frame, {}), options.framesPerSecond})
            : FormatMotion(bvh ? MotionFormat::Bvh : MotionFormat::Glb, figure, std::move(frames), options);
    if (bytes.empty())
        return Fail("the character has more bones than a glTF file can name (" +
                    std::to_string(kMostGltfJoints) + ")");
    if (const std::string error = WriteFileDurably(out, bytes, SpecialFiles::Refuse); !error.empty())
        return Fail("\"" + out + "\" cannot be written: " + error);
    return 0;
}
