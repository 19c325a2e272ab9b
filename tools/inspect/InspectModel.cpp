#include "InspectModel.h"

#include "FigureTree.h"
#include "InspectDxf.h"
#include "Json.h"
#include "KvtDoc.h"
#include "SegmentVertices.h"

#include <cstdio>
#include <memory>

namespace figurant {

namespace {

std::unique_ptr<CKvtDoc> LoadDocument(const std::string& dxf, const std::string& normals) {
    auto doc = std::make_unique<CKvtDoc>();
    doc->LoadNormals(normals);
    doc->m_strDxfFile = dxf;
    doc->LoadModel();
    return doc;
}

std::string Point(double x, double y, double z) {
    return "[" + json::Double(x) + ", " + json::Double(y) + ", " + json::Double(z) + "]";
}

void PrintPoints(const std::vector<Point3d>& points) {
    std::fputs("[", stdout);
    json::ListWriter list(stdout);
    for (const Point3d& p : points) {
        list.Next();
        std::fputs(Point(p.x, p.y, p.z).c_str(), stdout);
    }
    std::fputs("]", stdout);
}

void PrintInts(const std::vector<int>& values) {
    std::fputs("[", stdout);
    json::ListWriter list(stdout);
    for (int v : values) {
        list.Next();
        std::printf("%d", v);
    }
    std::fputs("]", stdout);
}

void PrintRecord(const SegmentPose& p, int i) {
    std::printf("{\"segment\": %d, \"parent\": ", i);
    if (p.m_pParent)
        std::printf("%d", p.m_pParent->m_nSegment);
    else
        std::fputs("null", stdout);
    std::vector<int> children;
    for (const SegmentPose* c : p.m_pChildren)
        children.push_back(c->m_nSegment);
    std::fputs(", \"children\": ", stdout);
    PrintInts(children);
    std::printf(", \"vertices\": %zu, \"joint_centre\": ", p.m_vertices.size());
    if (p.m_pJointCentre)
        std::fputs(Point(p.m_pJointCentre->x, p.m_pJointCentre->y, p.m_pJointCentre->z).c_str(), stdout);
    else
        std::fputs("null", stdout);
    std::fputs(", \"ring\": ", stdout);
    PrintPoints(p.m_restRing);
    std::fputs(", \"ring_normal_ids\": ", stdout);
    PrintInts(p.m_ringNormalIds);
    std::fputs("}", stdout);
}

} // namespace

int InspectModel(const std::string& dxf, const std::string& normals) {
    const auto doc = LoadDocument(dxf, normals);
    std::printf("{\"segments\": %d, \"normals_ready\": %s, \"normals\": ", doc->m_nSegments,
                doc->m_bNormalsReady ? "true" : "false");
    if (doc->m_strNormalsFile.empty()) {
        std::fputs("null", stdout);
    } else {
        std::fputs("[", stdout);
        json::ListWriter list(stdout);
        for (const Vec3f& n : doc->m_pNormals) {
            list.Next();
            std::printf("[%s, %s, %s]", json::Float(n.x).c_str(), json::Float(n.y).c_str(),
                        json::Float(n.z).c_str());
        }
        std::fputs("]", stdout);
    }
    std::fputs(", \"bounds\": ", stdout);
    if (doc->m_pModel)
        PrintBounds(*doc->m_pModel);
    else
        std::fputs("null", stdout);
    std::fputs(", \"polylines\": ", stdout);
    if (doc->m_pModel)
        PrintPolylines(*doc->m_pModel);
    else
        std::fputs("null", stdout);
    std::fputs("}\n", stdout);
    return 0;
}

int InspectFigure(const std::string& dxf, const std::string& normals) {
    const auto doc = LoadDocument(dxf, normals);
    auto pose = std::make_unique<PoseArray>();
    Vec3f centre;
    if (doc->m_pModel) {
        const float* b = doc->m_pModel->m_bounds;
        const float scale = 1.0f;
        centre = {(b[0] * scale + b[1] * scale) / 2, (b[2] * scale + b[3] * scale) / 2,
                  (b[4] * scale + b[5] * scale) / 2};
    }
    doc->BuildHierarchy();
    const int n = doc->m_nSegments;
    if (doc->m_bNormalsReady && n > 0) {
        for (int s = 0; s < n && s < kMaxSegments; ++s) {
            if (!doc->HasSegmentTables()) break;
            CollectSegmentVertices(doc->m_pSegmentLists[static_cast<std::size_t>(s)],
                                   doc->m_pSegmentVertexIds[static_cast<std::size_t>(s)], 1.0f, centre,
                                   (*pose)[static_cast<std::size_t>(s)]);
        }
        BuildFigureTree(*pose, n);
    }
    std::printf("{\"segments\": %d, \"model_centre\": ", n);
    if (doc->m_pModel)
        std::printf("[%s, %s, %s]", json::Float(centre.x).c_str(), json::Float(centre.y).c_str(),
                    json::Float(centre.z).c_str());
    else
        std::fputs("null", stdout);
    std::fputs(", \"records\": [", stdout);
    json::ListWriter list(stdout);
    for (int i = 0; i < n && i < kMaxSegments; ++i) {
        list.Next();
        PrintRecord((*pose)[static_cast<std::size_t>(i)], i);
    }
    std::fputs("]}\n", stdout);
    return 0;
}

} // namespace figurant
