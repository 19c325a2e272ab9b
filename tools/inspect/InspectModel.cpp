#include "InspectModel.h"

#include "Figure.h"
#include "InspectDxf.h"
#include "Json.h"
#include "KvtDoc.h"

#include <cstdio>
#include <memory>

namespace figurant {

namespace {

std::unique_ptr<CKvtDoc> LoadDocument(const std::string& dxf, const std::string& normals) {
    auto doc = std::make_unique<CKvtDoc>();
    doc->Load(dxf, normals);
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

void PrintRecord(const Figure& figure, int i) {
    const SegmentPose& p = figure.Pose(i);
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
    std::printf(", \"vertices\": %zu, \"joint_centre\": ", figure.Vertices(i).size());
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
    std::printf("{\"segments\": %d, \"normals_ready\": %s, \"normals\": ", doc->SegmentCount(),
                doc->NormalsReady() ? "true" : "false");
    if (doc->NormalsFile().empty()) {
        std::fputs("null", stdout);
    } else {
        std::fputs("[", stdout);
        json::ListWriter list(stdout);
        const NormalTable& normals = doc->Normals();
        for (std::size_t i = 0; i < normals.size(); ++i) {
            list.Next();
            std::fputs(json::Point(normals[i]).c_str(), stdout);
        }
        std::fputs("]", stdout);
    }
    std::fputs(", \"bounds\": ", stdout);
    if (doc->Model())
        PrintBounds(*doc->Model());
    else
        std::fputs("null", stdout);
    std::fputs(", \"polylines\": ", stdout);
    if (doc->Model())
        PrintPolylines(*doc->Model());
    else
        std::fputs("null", stdout);
    std::fputs("}\n", stdout);
    return 0;
}

int InspectFigure(const std::string& dxf, const std::string& normals) {
    const auto doc = LoadDocument(dxf, normals);
    const Vec3f centre = doc->ModelCentre();
    doc->BuildHierarchy();
    const int n = doc->SegmentCount();
    Figure figure;
    if (doc->NormalsReady() && n > 0) figure.Build(doc->Tables(), 1.0f, centre);
    std::printf("{\"segments\": %d, \"model_centre\": ", n);
    if (doc->Model())
        std::fputs(json::Point(centre).c_str(), stdout);
    else
        std::fputs("null", stdout);
    std::fputs(", \"records\": [", stdout);
    json::ListWriter list(stdout);
    for (int i = 0; i < n && i < kMaxSegments; ++i) {
        list.Next();
        PrintRecord(figure, i);
    }
    std::fputs("]}\n", stdout);
    return 0;
}

} // namespace figurant
