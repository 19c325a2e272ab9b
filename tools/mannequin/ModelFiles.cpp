#include "ModelFiles.h"

#include "BodyDesign.h"

#include <charconv>
#include <cstdio>
#include <string>

namespace mannequin {

namespace {

constexpr double kFileUnit = 2.54; // metres per unit of 100 inches

V3 ToFile(V3 p) {
    return (1.0 / kFileUnit) * p;
}

void Number(std::string& out, double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 9);
    out.append(buf, r.ptr);
}

bool WriteAll(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

bool WriteModelFiles(const Mesh& mesh, const std::string& dxfPath, const std::string& normalsPath) {
    std::string dxf = "0\nSECTION\n2\nENTITIES\n";
    const auto& pos = mesh.Positions();
    for (const Face& face : mesh.Faces()) {
        dxf += "0\n3DFACE\n8\nBODY\n62\n" + std::to_string(ColourOfSegment(face.segment)) + "\n";
        for (int k = 0; k < 4; ++k) {
            const V3 p =
                ToFile(pos[static_cast<std::size_t>(face.v[k < face.corners ? k : face.corners - 1])]);
            const double c[3] = {p.x, p.y, p.z};
            for (int a = 0; a < 3; ++a) {
                dxf += std::to_string(10 * (a + 1) + k) + "\n";
                Number(dxf, c[a]);
                dxf += "\n";
            }
        }
    }
    dxf += "0\nENDSEC\n0\nEOF\n";

    // Normals in the program's frame after its axis swap (x, y, z) -> (-z, -x, y), one per corner.
    const std::vector<V3> normals = mesh.VertexNormals();
    std::string text = std::to_string(4 * mesh.Faces().size()) + "\n";
    for (const Face& face : mesh.Faces()) {
        for (int k = 0; k < 4; ++k) {
            const V3 f = normals[static_cast<std::size_t>(face.v[k < face.corners ? k : face.corners - 1])];
            const double c[3] = {-f.z, -f.x, f.y};
            for (int a = 0; a < 3; ++a) {
                Number(text, c[a]);
                text += a < 2 ? " " : "\n";
            }
        }
    }
    return WriteAll(dxfPath, dxf) && WriteAll(normalsPath, text);
}

} // namespace mannequin
