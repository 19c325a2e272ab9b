#include "FaceFileWriter.h"

#include "NumberConv.h"

#include <algorithm>

namespace figurant {

std::string FormatFaceDrawing(const std::vector<DrawnFace>& faces) {
    std::string dxf = "0\nSECTION\n2\nENTITIES\n";
    for (const DrawnFace& face : faces) {
        dxf += "0\n3DFACE\n8\nBODY\n62\n" + std::to_string(face.colour) + "\n";
        for (int k = 0; k < 4; ++k) {
            for (int a = 0; a < 3; ++a) {
                dxf += std::to_string(10 * (a + 1) + k) + "\n";
                dxf += NineDigits(face.corners[static_cast<std::size_t>(k)][static_cast<std::size_t>(a)]);
                dxf += "\n";
            }
        }
    }
    return dxf + "0\nENDSEC\n0\nEOF\n";
}

std::string FormatNormalsFile(const std::vector<Triple>& normals) {
    std::string text = std::to_string(normals.size()) + "\n";
    for (const Triple& n : normals) {
        for (std::size_t a = 0; a < 3; ++a) {
            text += NineDigits(n[a]);
            text += a < 2 ? " " : "\n";
        }
    }
    return text;
}

std::vector<DrawnFace> DrawnFaces(const CUnderlayList& model) {
    std::vector<DrawnFace> faces;
    for (const auto& line : model) {
        if (!line->m_bFace || line->GetSize() == 0) continue;
        DrawnFace face;
        face.colour = line->m_nSegment;
        for (std::int32_t k = 0; k < 4; ++k) {
            const Vec3f p = (*line)[std::min(k, line->GetSize() - 1)];
            face.corners[static_cast<std::size_t>(k)] = {p.x, p.y, p.z};
        }
        faces.push_back(face);
    }
    return faces;
}

std::vector<Triple> Triples(const std::vector<Vec3f>& normals) {
    std::vector<Triple> out;
    out.reserve(normals.size());
    for (const Vec3f& n : normals)
        out.push_back({n.x, n.y, n.z});
    return out;
}

} // namespace figurant
