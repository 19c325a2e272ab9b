#include "ConvertReport.h"

#include "Json.h"
#include "SegmentNames.h"

#include <string>

namespace figurant {

void PrintConvertReport(const ImportScene& scene, const ConvertedFigure& figure, std::FILE* out) {
    std::fputs("{\"bones\": [", out);
    for (std::size_t b = 0; b < scene.bones.size(); ++b)
        std::fprintf(out, "%s{\"name\": %s, \"segment\": %d}", b ? ", " : "",
                     json::Text(scene.bones[b].name).c_str(), figure.boneSegments[b]);
    std::fputs("], \"faces\": [", out);
    for (std::size_t s = 0; s < figure.faces.size(); ++s)
        std::fprintf(out, "%s{\"segment\": %zu, \"name\": %s, \"faces\": %ld}", s ? ", " : "", s,
                     json::Text(SegmentName(static_cast<int>(s))).c_str(), figure.faces[s]);
    std::fputs("], \"joints\": [", out);
    for (std::size_t j = 0; j < figure.joints.size(); ++j)
        std::fprintf(out, "%s{\"parent\": %d, \"child\": %d, \"ring\": %ld}", j ? ", " : "",
                     figure.joints[j].parent, figure.joints[j].child, figure.joints[j].ringSize);
    std::fprintf(out, "], \"faces_left_out\": {\"placeless\": %ld, \"folded\": %ld}",
                 figure.leftOut.placeless, figure.leftOut.folded);
    std::fprintf(out, ", \"normals_from_file\": %s}\n", figure.normalsFromFile ? "true" : "false");
}

} // namespace figurant
