// figurant-export: the figure and an animation played on it, as BVH motion or a binary glTF
// file, without a window.
#include "DurableFile.h"
#include "KvtDoc.h"
#include "MotionFile.h"
#include "PoseFrames.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

using namespace figurant;

namespace {

int Usage() {
    std::fputs("usage: figurant-export --dxf FILE --normals FILE [--anim FILE.amt] (--bvh OUT | --glb OUT)\n"
               "                       [--fps N] [--units m|cm]\n",
               stderr);
    return 2;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "figurant-export: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> args;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key.rfind("--", 0) != 0 || args.count(key)) return Usage();
        args[key] = argv[i + 1];
    }
    const auto known = {"--dxf", "--normals", "--anim", "--bvh", "--glb", "--fps", "--units"};
    for (const auto& [key, value] : args)
        if (std::find(known.begin(), known.end(), key) == known.end()) return Usage();
    if (argc % 2 == 0 || !args.count("--dxf") || !args.count("--normals") ||
        args.count("--bvh") == args.count("--glb"))
        return Usage();
    MotionOptions options;
    if (args.count("--fps")) {
        const std::string& fps = args["--fps"];
        int n = 0;
        const auto r = std::from_chars(fps.data(), fps.data() + fps.size(), n);
        if (r.ec != std::errc() || r.ptr != fps.data() + fps.size() || n < 1 || n > 1000) return Usage();
        options.framesPerSecond = n;
    }
    if (args.count("--units")) {
        if (args["--units"] != "m" && args["--units"] != "cm") return Usage();
        options.metresPerUnit = args["--units"] == "cm" ? 0.01 : 1.0;
    }

    CKvtDoc doc;
    doc.Load(args["--dxf"], args["--normals"]);
    if (!doc.Model()) return Fail("the drawing \"" + args["--dxf"] + "\" cannot be read");
    if (!doc.NormalsReady())
        return Fail("the normals \"" + args["--normals"] + "\" cannot be read or do not cover the drawing");
    doc.BuildHierarchy();
    Figure figure;
    figure.Build(doc.Tables(), 1.0f, doc.ModelCentre());

    std::vector<PoseFrame> frames;
    if (args.count("--anim")) {
        std::string error;
        PlaybackReport report;
        auto played = PlaybackFrames(figure, args["--anim"], &error, &report);
        if (!played) return Fail("the animation \"" + args["--anim"] + "\" cannot be read: " + error);
        if (!report.problem.empty())
            std::fprintf(stderr, "figurant-export: the animation \"%s\": %s\n", args["--anim"].c_str(),
                         report.problem.c_str());
        frames = std::move(*played);
    }
    const bool bvh = args.count("--bvh") > 0;
    const std::string out = bvh ? args["--bvh"] : args["--glb"];
    const std::string bytes =
        FormatMotion(bvh ? MotionFormat::Bvh : MotionFormat::Glb, figure, std::move(frames), options);
    if (const std::string error = WriteFileDurably(out, bytes); !error.empty())
        return Fail("\"" + out + "\" cannot be written: " + error);
    return 0;
}
