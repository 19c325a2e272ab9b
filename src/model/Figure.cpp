#include "Figure.h"

#include "FigureHistory.h"
#include "JointMath.h"
#include "SegmentNames.h"
#include "SegmentVertices.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace figurant {

Figure::Figure() : m_pose(std::make_unique<PoseArray>()) {}
Figure::~Figure() = default;

void Figure::Build(const SegmentTables& tables, float scale, const Vec3f& centre) {
    Clear();
    m_nSegments = tables.nSegments;
    m_normals = tables.normals;
    m_scale = scale;
    m_centre = centre;
    m_model = tables.model;
    for (int s = 0; s < m_nSegments && s < kMaxSegments && s < static_cast<int>(tables.lines.size()); ++s) {
        SegmentShape& shape = m_shapes[static_cast<std::size_t>(s)];
        shape.SetLines(tables.lines[static_cast<std::size_t>(s)],
                       tables.firstIds[static_cast<std::size_t>(s)]);
        CollectSegmentVertices(shape, scale, centre, Pose(s));
    }
    BuildFigureTree(*m_pose, m_nSegments);
    for (std::size_t s = 0; s < tables.jointCentres.size() && s < kMaxSegments; ++s)
        if (const auto& c = tables.jointCentres[s]; c && (*m_pose)[s].m_pParent)
            (*m_pose)[s].m_pJointCentre =
                Point3d{c->x * scale - centre.x, c->y * scale - centre.y, c->z * scale - centre.z};
    // The vertex lists, their index and their numbers serve finding the rings; a large figure
    // would keep as much memory in them as in its document. Vertices() works the rest ones out
    // again when asked for.
    for (SegmentPose& p : *m_pose) {
        p.ReleaseVertexIndex();
        std::vector<int>().swap(p.m_vertexNormalIds);
        std::vector<Point3d>().swap(p.m_vertices);
    }
    m_bBuilt = true;
}

void Figure::Clear() {
    m_open.reset();
    m_normals.reset();
    m_model.reset();
    m_undo.clear();
    m_redo.clear();
    m_selected.clear();
    m_bones.clear();
    m_boneTurns.clear();
    m_selectedBone = -1;
    m_pull.reset();
    m_pins.clear();
    m_shownFrame = nullptr;
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
    if (!add || m_selectedBone >= 0) m_selected.clear();
    m_selectedBone = -1;
    if (segment && !IsSelected(*segment) && m_selected.size() < static_cast<std::size_t>(kMaxSegments))
        m_selected.push_back(*segment);
}

std::string Figure::StepName(const char* verb) const {
    if (m_selectedBone >= 0)
        return std::string(verb) + " " + m_bones[static_cast<std::size_t>(m_selectedBone)].name;
    if (m_selected.size() == 1) return std::string(verb) + " " + SegmentName(m_selected[0]);
    return std::string(verb) + " " + std::to_string(m_selected.size()) + " segments";
}

void Figure::ApplyPoseKey(const PoseKeyStep& step, float moveStep) {
    static const char* const kVerbs[] = {"Turn", "Move", "Twist"};
    if (m_selectedBone >= 0 && m_bBuilt) {
        // A bone turns and twists; it keeps its place on its parent.
        if (step.kind == PoseKeyStep::Move) return;
        OpenStep(StepName(kVerbs[step.kind]));
        if (step.kind == PoseKeyStep::Twist) {
            TwistSelectedBone(step.amount);
        } else {
            Matrix4 turn;
            MakeRotation(step.amount, step.axis == 0, step.axis == 1, step.axis == 2, turn);
            TurnSelectedBone(Affine::FromMatrix(turn));
        }
        CloseStep();
        return;
    }
    if (m_selected.empty() || !m_bBuilt) return;
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
    HoldPins(m_selected);
    CloseStep();
}

void Figure::BeginDrag() {
    OpenStep(StepName("Turn"));
}

void Figure::Drag(int alpha, int beta, int gamma) {
    if (m_selectedBone >= 0) {
        if (!m_open) BeginDrag();
        TurnSelectedBone(
            Affine::FromMatrix(DragRotation({}, kRootSegment, alpha, beta, gamma)).RotationOnly());
        return;
    }
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
    HoldPins(m_selected);
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
    const BoneAxis axis = TwistAxis(b);
    if (!axis) return;
    SegmentPose& child = *r.m_pChildren[0];
    Capture(b, false, true);
    Capture(child.m_nSegment, true, false);
    SegmentShape& shape = m_shapes[static_cast<std::size_t>(b)];
    shape.twisted.angle += angle;
    LaySurface(b, true);

    const BoneTwist twist(axis->first, axis->second, angle);
    MultMatrix(child.m_matrix, twist.ChildTurn());
    for (Point3d& P : child.m_parentRing)
        P = twist.ApplyAboutChild(P);
    child.UpdateChildRing();
}

// The bone a segment twists about: its joint centre and its only child's; none when it has no
// single child or the two centres coincide.
Figure::BoneAxis Figure::TwistAxis(int b) const {
    const SegmentPose& r = Pose(b);
    if (r.m_nChildren != 1 || !r.m_pJointCentre) return std::nullopt;
    const SegmentPose& child = *r.m_pChildren[0];
    if (!child.m_pJointCentre || *child.m_pJointCentre == *r.m_pJointCentre) return std::nullopt;
    return std::make_pair(*r.m_pJointCentre, *child.m_pJointCentre);
}

// The normal n turned by the position's turn: the one the first normal at the position got when
// n is that same normal to the bit, otherwise turned anew.
inline Vec3f Figure::TurnedNormal(TurnedPosition& at, const BoneTwist& twist, const Vec3f& n,
                                  std::uint32_t stamp) {
    if (at.normalStamp == stamp && std::memcmp(&at.normalIn, &n, sizeof n) == 0) return at.normalOut;
    const Vec3f turned = twist.TurnDirection(at.turn, n);
    if (at.normalStamp != stamp) {
        at.normalStamp = stamp;
        at.normalIn = n;
        at.normalOut = turned;
    }
    return turned;
}

// Lays out a segment's surface for its twist angle, always from the rest points, so a surface is
// a function of its angle alone (an undo record keeps just the angle): each position of the vertex
// list is turned once, at its first point, and every point there is where its position is. An
// untwisted surface is the one read, and the vertex list is the rest one.
void Figure::LaySurface(int segment, bool twisted) {
    SegmentShape& shape = m_shapes[static_cast<std::size_t>(segment)];
    SegmentPose& r = Pose(segment);
    TwistedSurface& t = shape.twisted;
    ++shape.revision;
    const BoneAxis axis = TwistAxis(segment);
    if (!twisted || !axis) {
        t.laid = false;
        t.normals.clear();
        std::vector<Point3d>().swap(r.m_vertices);
        return;
    }
    if (shape.onRestRing.size() != shape.pointCount) MarkFixedPoints(r, shape);
    if (shape.positionOf.size() != shape.pointCount) NumberPositions(shape);
    const BoneTwist twist(axis->first, axis->second, t.angle);
    const std::vector<int>& positionOf = shape.positionOf;
    const std::vector<char>& onRing = shape.onRestRing;
    const std::size_t n = shape.pointCount;
    const std::size_t positions = shape.positionCount;
    r.m_vertices.resize(positions);
    t.laid = true;
    t.normals.resize(m_normals ? n : 0);
    const std::uint32_t stamp = NextTurnStamp(positions);
    shape.ForEachRestPoint([&](std::size_t k, const Vec3f& rest, std::int32_t id) {
        const auto u = static_cast<std::size_t>(positionOf[k]);
        Point3d& q = r.m_vertices[u];
        TurnedPosition& at = m_turned[u];
        if (at.stamp != stamp) {
            at.stamp = stamp;
            q = ToPoint3d(ViewPoint(rest, m_scale, m_centre));
            if (!onRing[k]) {
                at.turn = twist.TurnFor(q);
                q = twist.Apply(q, at.turn);
            }
        }
        // The normal turns with its point, so the limb stays smoothly shaded.
        if (k < t.normals.size()) {
            const Vec3f normal = Normal(id);
            t.normals[k] = onRing[k] ? normal : TurnedNormal(at, twist, normal, stamp);
        }
    });
    r.ReleaseVertexIndex(); // it would no longer match the list
}

// A new stamp for the per-position table, grown to `positions` entries.
std::uint32_t Figure::NextTurnStamp(std::size_t positions) {
    if (m_turned.size() < positions) m_turned.resize(positions);
    if (++m_turnStamp == 0) { // after four billion twists the stamps start again
        for (TurnedPosition& at : m_turned)
            at.stamp = at.normalStamp = 0;
        m_turnStamp = 1;
    }
    return m_turnStamp;
}

std::vector<Point3d> Figure::Vertices(int segment) const {
    if (!HasSegment(segment)) return {};
    const SegmentShape& shape = Shape(segment);
    if (shape.twisted.laid) return Pose(segment).m_vertices;
    SegmentPose rest;
    CollectSegmentVertices(shape, m_scale, m_centre, rest);
    return std::move(rest.m_vertices);
}

// Which of the segment's points lie on its rest ring: the seam to the parent stays closed because
// they never move.
void Figure::MarkFixedPoints(const SegmentPose& r, SegmentShape& shape) const {
    VertexIndex ring;
    for (std::size_t i = 0; i < r.m_restRing.size(); ++i)
        ring.Add(r.m_restRing[i], static_cast<int>(i));
    shape.onRestRing.assign(shape.pointCount, 0);
    shape.ForEachRestPoint([&](std::size_t k, const Vec3f& rest, std::int32_t) {
        shape.onRestRing[k] = ring.Contains(ToPoint3d(ViewPoint(rest, m_scale, m_centre)), r.m_restRing);
    });
}

// The position each of the segment's points is at, numbered in order of first use, as the
// segment's vertex list holds them.
void Figure::NumberPositions(SegmentShape& shape) const {
    VertexIndex index;
    std::vector<Point3d> positions;
    shape.positionOf.resize(shape.pointCount);
    shape.ForEachRestPoint([&](std::size_t k, const Vec3f& rest, std::int32_t) {
        const Point3d p = ToPoint3d(ViewPoint(rest, m_scale, m_centre));
        const std::vector<int> at = index.Matches(p, positions);
        if (at.empty()) {
            index.Add(p, static_cast<int>(positions.size()));
            positions.push_back(p);
        }
        shape.positionOf[k] = at.empty() ? static_cast<int>(positions.size()) - 1 : at.front();
    });
    shape.positionCount = positions.size();
}

Vec3f Figure::PointNow(int segment, std::size_t k, const Vec3f& rest) const {
    const SegmentShape& shape = Shape(segment);
    if (!shape.twisted.laid || shape.onRestRing[k]) return rest;
    const Point3d& q = Pose(segment).m_vertices[static_cast<std::size_t>(shape.positionOf[k])];
    return {static_cast<float>((q.x + m_centre.x) / m_scale),
            static_cast<float>((q.y + m_centre.y) / m_scale),
            static_cast<float>((q.z + m_centre.z) / m_scale)};
}

Vec3f Figure::TwistedShownPoint(int segment, std::size_t k) const {
    const Point3d& q = Pose(segment).m_vertices[static_cast<std::size_t>(Shape(segment).positionOf[k])];
    return {static_cast<float>(q.x), static_cast<float>(q.y), static_cast<float>(q.z)};
}

std::vector<Vec3f> Figure::Points(int segment) const {
    if (!HasSegment(segment)) return {};
    const SegmentShape& shape = Shape(segment);
    std::vector<Vec3f> points;
    points.reserve(shape.pointCount);
    shape.ForEachRestPoint([&](std::size_t k, const Vec3f& rest, std::int32_t) {
        points.push_back(PointNow(segment, k, rest));
    });
    return points;
}

void Figure::ResetMatrices() {
    OpenStep("Reset");
    for (int i = 0; i < m_nSegments && i < kMaxSegments; ++i) {
        Capture(i, false, false);
        Pose(i).m_matrix = Matrix4::Identity();
        Pose(i).UpdateChildRing();
    }
    RePin();
    CloseStep();
}

void Figure::ResetSurface(int segment) {
    SegmentShape& shape = m_shapes[static_cast<std::size_t>(segment)];
    if (!shape.twisted.laid && shape.twisted.angle == 0.0f) return;
    Capture(segment, false, true);
    shape.twisted.angle = 0.0f;
    LaySurface(segment, false);
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
    for (std::size_t b = 0; b < m_boneTurns.size(); ++b)
        SetBoneTurn(static_cast<int>(b), {0, 0, 0, 1});
    RePin();
    CloseStep();
}

std::array<float, 3> Figure::JointAngles(int segment) const {
    if (!HasSegment(segment)) return {0, 0, 0};
    return TurnAngles(Pose(segment).m_matrix);
}

// How far the segment's joint centre moved in its parent's frame: nothing for a turn about it,
// the moves alone. A segment without a joint moves its origin.
Point3d Figure::JointMove(int segment) const {
    if (!HasSegment(segment)) return {};
    const SegmentPose& p = Pose(segment);
    const Point3d c = p.m_pJointCentre.value_or(Point3d{});
    return TransformPoint3(p.m_matrix, c) - c;
}

bool Figure::IsAtRest() const {
    for (int s = 0; s < m_nSegments && s < kMaxSegments; ++s)
        if (!(Pose(s).m_matrix == Matrix4::Identity()) || TwistAngle(s) != 0.0f) return false;
    return std::all_of(m_boneTurns.begin(), m_boneTurns.end(), [](const Quaternion& q) {
        return q == Quaternion{0, 0, 0, 1};
    });
}

std::vector<float> Figure::PoseValues() const {
    std::vector<float> values;
    for (int s = 0; s < m_nSegments && s < kMaxSegments; ++s) {
        values.insert(values.end(), Pose(s).m_matrix.m.begin(), Pose(s).m_matrix.m.end());
        values.push_back(TwistAngle(s));
    }
    for (const Quaternion& q : m_boneTurns)
        for (double c : q)
            values.push_back(static_cast<float>(c));
    return values;
}

std::optional<Box> Figure::PosedBounds() const {
    std::optional<Box> box;
    // Each segment's matrices down the tree; the table lists parents before their children.
    std::array<Matrix4, kMaxSegments> worlds;
    for (const TreeNode& node : FigureTreeTable()) {
        const int s = node.segment;
        if (!HasSegment(s)) continue;
        Matrix4& world = worlds[static_cast<std::size_t>(s)];
        if (HasSegment(node.parent)) world = worlds[static_cast<std::size_t>(node.parent)];
        MultMatrix(world, Pose(s).m_matrix);
        for (const Point3d& v : Vertices(s)) {
            const Point3d w = TransformPoint3(world, v);
            const Vec3f f{static_cast<float>(w.x), static_cast<float>(w.y), static_cast<float>(w.z)};
            if (!box) box = Box{f, f};
            box->min = {std::min(box->min.x, f.x), std::min(box->min.y, f.y), std::min(box->min.z, f.z)};
            box->max = {std::max(box->max.x, f.x), std::max(box->max.y, f.y), std::max(box->max.z, f.z)};
        }
    }
    return box;
}

float Figure::TwistAngle(int segment) const {
    return HasSegment(segment) ? m_shapes[static_cast<std::size_t>(segment)].twisted.angle : 0.0f;
}

} // namespace figurant
