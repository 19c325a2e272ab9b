#include "Figure.h"

#include "FigureHistory.h"
#include "JointMath.h"
#include "SegmentNames.h"
#include "SegmentVertices.h"

#include <algorithm>
#include <cmath>

namespace figurant {

Figure::Figure() : m_pose(std::make_unique<PoseArray>()) {}
Figure::~Figure() = default;

void Figure::Build(const SegmentTables& tables, float scale, const Vec3f& centre) {
    Clear();
    m_nSegments = tables.nSegments;
    m_scale = scale;
    m_centre = centre;
    for (int s = 0; s < m_nSegments && s < kMaxSegments && s < static_cast<int>(tables.lines.size()); ++s) {
        const auto& lines = tables.lines[static_cast<std::size_t>(s)];
        SegmentShape& shape = m_shapes[static_cast<std::size_t>(s)];
        for (const CUnderlayPolyLine* line : lines) {
            shape.lineSizes.push_back(line->GetSize());
            shape.lineIsFace.push_back(line->m_bFace);
            shape.restPoints.insert(shape.restPoints.end(), line->Points().begin(), line->Points().end());
        }
        shape.normalIds = tables.vertexIds[static_cast<std::size_t>(s)];
        if (tables.normals)
            for (int id : shape.normalIds)
                shape.restNormals.push_back(id >= 0 && static_cast<std::size_t>(id) < tables.normals->size()
                                                ? (*tables.normals)[static_cast<std::size_t>(id)]
                                                : Vec3f{});
        CollectSegmentVertices(lines, shape.normalIds, scale, centre, Pose(s));
    }
    BuildFigureTree(*m_pose, m_nSegments);
    for (SegmentPose& p : *m_pose)
        p.ReleaseVertexIndex();
    m_bBuilt = true;
}

void Figure::Clear() {
    m_open.reset();
    m_undo.clear();
    m_redo.clear();
    m_selected.clear();
    for (std::size_t s = 0; s < m_shapes.size(); ++s) {
        const std::uint64_t revision = m_shapes[s].revision;
        m_shapes[s] = SegmentShape{};
        m_shapes[s].revision = revision + 1;
        (*m_pose)[s].ClearVertices();
        (*m_pose)[s].m_rotInc = {0, 0, 0};
        (*m_pose)[s].m_transInc = {0, 0, 0};
    }
    m_nSegments = 0;
    m_bBuilt = false;
}

bool Figure::IsSelected(int segment) const {
    return std::find(m_selected.begin(), m_selected.end(), segment) != m_selected.end();
}

void Figure::Pick(std::optional<int> segment, bool add) {
    if (!add) m_selected.clear();
    if (segment && !IsSelected(*segment) && m_selected.size() < static_cast<std::size_t>(kMaxSegments))
        m_selected.push_back(*segment);
}

std::string Figure::StepName(const char* verb) const {
    if (m_selected.size() == 1) return std::string(verb) + " " + SegmentName(m_selected[0]);
    return std::string(verb) + " " + std::to_string(m_selected.size()) + " segments";
}

void Figure::ApplyPoseKey(const PoseKeyStep& step, float moveStep) {
    if (m_selected.empty() || !m_bBuilt) return;
    static const char* const kVerbs[] = {"Turn", "Move", "Twist"};
    OpenStep(StepName(kVerbs[step.kind]));
    const auto axis = static_cast<std::size_t>(step.axis);
    SegmentPose& first = Pose(m_selected[0]);
    Capture(m_selected[0], false, false);
    Matrix4 move, turn;
    if (step.kind == PoseKeyStep::Turn) {
        first.m_rotInc[axis] += step.amount;
        MakeRotation(step.amount, step.axis == 0, step.axis == 1, step.axis == 2, turn);
    } else if (step.kind == PoseKeyStep::Move) {
        first.m_transInc[axis] += step.amount * moveStep;
        move[12 + step.axis] = step.amount * moveStep;
    }
    for (int segment : m_selected) {
        SegmentPose& p = Pose(segment);
        if (step.kind == PoseKeyStep::Twist) {
            TwistSegment(segment, step.amount);
        } else if (step.kind == PoseKeyStep::Move) {
            Capture(segment, false, false);
            MultMatrix(p.m_matrix, move);
            p.UpdateChildRing();
        } else if (p.m_pJointCentre) {
            Capture(segment, false, false);
            MultMatrix(p.m_matrix, AboutPoint(*p.m_pJointCentre, turn));
            p.UpdateChildRing();
        }
    }
    CloseStep();
}

void Figure::BeginDrag() {
    OpenStep(StepName("Turn"));
}

void Figure::Drag(int alpha, int beta, int gamma) {
    if (m_selected.empty()) return;
    if (!m_open) BeginDrag(); // a key or an undo closed the drag's step: the rest is a new one
    const int first = m_selected[0];
    for (int segment : m_selected) {
        SegmentPose& p = Pose(segment);
        if (!p.m_pJointCentre) continue;
        Capture(segment, false, false);
        MultMatrix(p.m_matrix, DragRotation(*p.m_pJointCentre, first, alpha, beta, gamma));
        p.UpdateChildRing();
    }
}

void Figure::EndDrag() {
    CloseStep();
}

// The segment's vertices turn in proportion to their place along the bone (joint centre to the
// only child's joint centre); points on the rest ring stay, so the joint keeps its seam. The
// child turns rigidly by the full angle, and its parent-side ring with it.
void Figure::TwistSegment(int b, float angle) {
    if (!HasSegment(b) || !m_bBuilt) return;
    SegmentPose& r = Pose(b);
    if (r.m_nChildren != 1 || !r.m_pJointCentre) return;
    SegmentPose& child = *r.m_pChildren[0];
    if (!child.m_pJointCentre || *child.m_pJointCentre == *r.m_pJointCentre) return;
    Capture(b, false, true);
    Capture(child.m_nSegment, true, false);
    const BoneTwist twist(*r.m_pJointCentre, *child.m_pJointCentre, angle);

    SegmentShape& shape = m_shapes[static_cast<std::size_t>(b)];
    TwistedSurface& t = shape.twisted;
    if (t.points.empty()) t.points = shape.restPoints;
    if (t.normals.empty()) t.normals = shape.restNormals;
    TurnSurface(r, shape, twist);
    r.ReleaseVertexIndex(); // it would no longer match the list
    t.angle += angle;
    ++shape.revision;

    MultMatrix(child.m_matrix, twist.ChildTurn());
    for (Point3d& P : child.m_parentRing)
        P = twist.ApplyAboutChild(P);
    child.UpdateChildRing();
}

// Turns the twisted surface's points and normals, and the segment's vertex list with them. Each
// position is turned once, at its first point; every point there takes the result.
void Figure::TurnSurface(SegmentPose& r, SegmentShape& shape, const BoneTwist& twist) {
    TwistedSurface& t = shape.twisted;
    const float s = m_scale;
    const Vec3f c = m_centre;
    if (shape.onRestRing.size() != t.points.size()) MarkFixedPoints(r, shape);
    if (shape.positionOf.size() != t.points.size()) NumberPositions(shape);
    const std::vector<int>& positionOf = shape.positionOf;
    const std::vector<char>& onRing = shape.onRestRing;
    const std::size_t positions =
        t.points.empty()
            ? 0
            : 1 + static_cast<std::size_t>(*std::max_element(positionOf.begin(), positionOf.end()));
    r.m_vertices.resize(positions);
    std::vector<BoneTwist::Turn> turns(positions);
    std::vector<Vec3f> moved(positions);
    std::vector<char> done(positions, 0);
    t.shown.resize(t.points.size());
    for (std::size_t k = 0; k < t.points.size(); ++k) {
        const auto u = static_cast<std::size_t>(positionOf[k]);
        Point3d& q = r.m_vertices[u];
        if (!done[u]) {
            done[u] = 1;
            q = ToPoint3d(ViewPoint(t.points[k], s, c));
            if (!onRing[k]) {
                turns[u] = twist.TurnFor(q);
                q = twist.Apply(q, turns[u]);
            }
            moved[u] = {static_cast<float>((q.x + c.x) / s), static_cast<float>((q.y + c.y) / s),
                        static_cast<float>((q.z + c.z) / s)};
        }
        if (!onRing[k]) {
            t.points[k] = moved[u];
            // The normal turns with its point, so the limb stays smoothly shaded.
            if (k < t.normals.size()) t.normals[k] = twist.TurnDirection(turns[u], t.normals[k]);
        }
        t.shown[k] = {static_cast<float>(q.x), static_cast<float>(q.y), static_cast<float>(q.z)};
    }
}

// Which of the segment's points lie on its rest ring: the seam to the parent stays closed because
// they never move.
void Figure::MarkFixedPoints(const SegmentPose& r, SegmentShape& shape) const {
    VertexIndex ring;
    for (std::size_t i = 0; i < r.m_restRing.size(); ++i)
        ring.Add(r.m_restRing[i], static_cast<int>(i));
    shape.onRestRing.assign(shape.restPoints.size(), 0);
    for (std::size_t k = 0; k < shape.restPoints.size(); ++k)
        shape.onRestRing[k] =
            ring.Contains(ToPoint3d(ViewPoint(shape.restPoints[k], m_scale, m_centre)), r.m_restRing);
}

// The position each of the segment's points is at, numbered in order of first use, as the
// segment's vertex list holds them.
void Figure::NumberPositions(SegmentShape& shape) const {
    VertexIndex index;
    std::vector<Point3d> positions;
    shape.positionOf.resize(shape.restPoints.size());
    for (std::size_t k = 0; k < shape.restPoints.size(); ++k) {
        const Point3d p = ToPoint3d(ViewPoint(shape.restPoints[k], m_scale, m_centre));
        const std::vector<int> at = index.Matches(p, positions);
        if (at.empty()) {
            index.Add(p, static_cast<int>(positions.size()));
            positions.push_back(p);
        }
        shape.positionOf[k] = at.empty() ? static_cast<int>(positions.size()) - 1 : at.front();
    }
}

// A twisted surface's points and their view positions, made again from the segment's vertex list
// (an undo or redo puts back only the list, the normals and the angle).
void Figure::LayTwistedPoints(int segment, bool twisted) {
    SegmentShape& shape = m_shapes[static_cast<std::size_t>(segment)];
    TwistedSurface& t = shape.twisted;
    if (!twisted) {
        t.points.clear();
        t.shown.clear();
        return;
    }
    const std::vector<Point3d>& vertices = Pose(segment).m_vertices;
    const std::size_t n = shape.restPoints.size();
    t.points.resize(n);
    t.shown.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        const Point3d& q = vertices[static_cast<std::size_t>(shape.positionOf[k])];
        t.shown[k] = {static_cast<float>(q.x), static_cast<float>(q.y), static_cast<float>(q.z)};
        t.points[k] = shape.onRestRing[k] ? shape.restPoints[k]
                                          : Vec3f{static_cast<float>((q.x + m_centre.x) / m_scale),
                                                  static_cast<float>((q.y + m_centre.y) / m_scale),
                                                  static_cast<float>((q.z + m_centre.z) / m_scale)};
    }
}

void Figure::ResetMatrices() {
    OpenStep("Reset");
    for (int i = 0; i < m_nSegments && i < kMaxSegments; ++i) {
        Capture(i, false, false);
        Pose(i).m_matrix = Matrix4::Identity();
        Pose(i).UpdateChildRing();
    }
    CloseStep();
}

void Figure::ResetSurface(int segment) {
    SegmentShape& shape = m_shapes[static_cast<std::size_t>(segment)];
    if (shape.twisted.points.empty() && shape.twisted.shown.empty() && shape.twisted.angle == 0.0f) return;
    Capture(segment, false, true);
    shape.twisted = TwistedSurface{};
    ++shape.revision;
    SegmentPose& p = Pose(segment);
    p.ClearVertexPositions();
    for (const Vec3f& point : shape.restPoints)
        p.AddVertexPositionIfNew(ToPoint3d(ViewPoint(point, m_scale, m_centre)));
    p.ReleaseVertexIndex();
}

void Figure::ResetPose(const std::string& stepName) {
    if (!m_bBuilt) return;
    OpenStep(stepName);
    for (int i = 0; i < m_nSegments && i < kMaxSegments; ++i) {
        SegmentPose& p = Pose(i);
        Capture(i, true, false);
        ResetSurface(i);
        p.m_matrix = Matrix4::Identity();
        p.m_rotInc = {0, 0, 0};
        p.m_transInc = {0, 0, 0};
        p.m_parentRing = p.m_restRing;
        p.UpdateChildRing();
    }
    CloseStep();
}

// The linear part is Mz(c) My(b) Mx(a), where M is the pose keys' turn about an axis: turns about
// z, then y, then x, each in the frame the one before left.
std::array<float, 3> Figure::JointAngles(int segment) const {
    if (!HasSegment(segment)) return {0, 0, 0};
    const Matrix4& m = Pose(segment).m_matrix;
    constexpr double kDegrees = 180.0 / kPi;
    const double sinB = std::clamp(static_cast<double>(m[2]), -1.0, 1.0);
    const double a = std::atan2(-m[6], m[10]), b = std::asin(sinB), c = std::atan2(-m[1], m[0]);
    return {static_cast<float>(a * kDegrees), static_cast<float>(b * kDegrees),
            static_cast<float>(c * kDegrees)};
}

} // namespace figurant
