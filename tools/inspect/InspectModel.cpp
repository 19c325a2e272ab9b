#include "InspectModel.h"

#include "Figure.h"
#include "InspectDxf.h"
#include "JointMath.h"
#include "Json.h"
#include "KvtDoc.h"
#include "PoseFile.h"
#include "PosedSurface.h"
#include "SegmentNames.h"
#include "SegmentVertices.h"

#include <algorithm>
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

constexpr const char* kFigureFrame =
    "the view's: x the figure's left, y backwards, z up, metres, the model's "
    "centre at the origin";

// A joint's place: where it meets its parent; the root's, the middle of its rest points.
Point3d JointPlace(const Figure& figure, int segment) {
    if (const auto& centre = figure.Pose(segment).m_pJointCentre) return *centre;
    const std::vector<Point3d> points = figure.Vertices(segment);
    if (points.empty()) return {};
    Point3d lo = points[0], hi = points[0];
    for (const Point3d& p : points) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    return 0.5 * (lo + hi);
}

void PrintJoints(const Figure& figure) {
    std::fputs(", \"joints\": [", stdout);
    json::ListWriter list(stdout);
    for (const TreeNode& node : FigureTreeTable()) {
        if (node.segment >= figure.SegmentCount()) continue;
        const Point3d at = JointPlace(figure, node.segment);
        list.Next();
        std::printf("{\"name\": \"%s\", \"parent\": ", SegmentName(node.segment).c_str());
        if (node.parent >= 0)
            std::printf("\"%s\"", SegmentName(node.parent).c_str());
        else
            std::fputs("null", stdout);
        std::printf(", \"position\": %s}", Point(at.x, at.y, at.z).c_str());
    }
    std::fputs("]", stdout);
}

// Each named segment turned about its joint by its quaternion; false (with the reason) for a
// name that is no segment of the figure.
bool ApplyPose(Figure& figure, const PoseRotations& rotations, std::string* error) {
    for (const auto& [name, q] : rotations) {
        int segment = -1;
        for (int s = 0; s < figure.SegmentCount(); ++s)
            if (SegmentName(s) == name) segment = s;
        if (segment < 0) {
            *error = "the figure has no joint \"" + name + "\"";
            return false;
        }
        const Affine turn = QuaternionRotation(q);
        Matrix4 m;
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                m[4 * col + row] =
                    static_cast<float>(turn.r[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)]);
        figure.Pose(segment).m_matrix = AboutPoint(JointPlace(figure, segment), m);
    }
    return true;
}

void PrintVertices(const Figure& figure, const std::vector<Matrix4>& world) {
    std::fputs(", \"vertices\": [", stdout);
    json::ListWriter list(stdout);
    for (int s = 0; s < figure.SegmentCount() && s < kMaxSegments; ++s) {
        for (const Vec3f& p : figure.Points(s)) {
            const Point3d rest = ToPoint3d(ViewPoint(p, figure.Scale(), figure.Centre()));
            const Point3d posed = TransformPoint3(world[static_cast<std::size_t>(s)], rest);
            list.Next();
            std::printf("{\"rest\": %s, \"posed\": %s}", Point(rest.x, rest.y, rest.z).c_str(),
                        Point(posed.x, posed.y, posed.z).c_str());
        }
    }
    std::fputs("]", stdout);
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

int InspectFigure(const std::string& dxf, const std::string& normals, const std::string& posePath) {
    std::optional<PoseRotations> rotations;
    std::string error;
    if (!posePath.empty() && !(rotations = ReadPoseFile(posePath, &error))) {
        std::fprintf(stderr, "figurant-inspect: \"%s\": %s\n", posePath.c_str(), error.c_str());
        return 1;
    }
    const auto doc = LoadDocument(dxf, normals);
    const Vec3f centre = doc->ModelCentre();
    doc->BuildHierarchy();
    const int n = doc->SegmentCount();
    Figure figure;
    if (doc->NormalsReady() && n > 0) figure.Build(doc->Tables(), 1.0f, centre);
    if (rotations && figure.IsBuilt() && !ApplyPose(figure, *rotations, &error)) {
        std::fprintf(stderr, "figurant-inspect: \"%s\": %s\n", posePath.c_str(), error.c_str());
        return 1;
    }
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
    std::printf("], \"frame\": \"%s\"", kFigureFrame);
    if (figure.IsBuilt()) PrintJoints(figure);
    if (rotations && figure.IsBuilt()) PrintVertices(figure, TreeMatrices(figure));
    std::fputs("}\n", stdout);
    return 0;
}

} // namespace figurant
