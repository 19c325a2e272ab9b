#include "ModelFiles.h"

#include "BodyDesign.h"
#include "FaceFileWriter.h"
#include "SegmentNames.h"

#include <cstdio>
#include <string>

namespace mannequin {

namespace {

constexpr double kFileUnit = 2.54; // metres per unit of 100 inches

V3 ToFile(V3 p) {
    return (1.0 / kFileUnit) * p;
}

bool WriteAll(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

bool WriteModelFiles(const Mesh& mesh, const std::string& dxfPath, const std::string& normalsPath) {
    const auto& pos = mesh.Positions();
    const std::vector<V3> vertexNormals = mesh.VertexNormals();
    std::vector<figurant::DrawnFace> faces;
    std::vector<figurant::Triple> normals;
    for (const Face& face : mesh.Faces()) {
        figurant::DrawnFace drawn;
        drawn.colour = figurant::ColourOfSegment(face.segment);
        for (int k = 0; k < 4; ++k) {
            const auto v = static_cast<std::size_t>(face.v[k < face.corners ? k : face.corners - 1]);
            const V3 p = ToFile(pos[v]);
            drawn.corners[static_cast<std::size_t>(k)] = {p.x, p.y, p.z};
            // Normals in the program's frame after its axis swap (x, y, z) -> (-z, -x, y).
            const V3 f = vertexNormals[v];
            normals.push_back({-f.z, -f.x, f.y});
        }
        faces.push_back(drawn);
    }
    return WriteAll(dxfPath, figurant::FormatFaceDrawing(faces)) &&
           WriteAll(normalsPath, figurant::FormatNormalsFile(normals));
}

} // namespace mannequin
