// The rotation gizmo (View > Rotation Gizmo, in Modify mode): around the selected segment's joint,
// a ring for each of its own three axes (or the world's, View > Gizmo in World Axes) and one
// facing the camera. A drag that starts on a ring turns the segment about that ring's axis by the
// angle the cursor goes round the joint, shown in the status bar as it goes; the drag is one undo
// step. With the pelvis selected, the move gizmo's arrows and square move the whole figure.
#include "KvtView.h"

#include "ControlRaster.h"
#include "LengthUnits.h"
#include "LimbSolver.h"
#include "SegmentNames.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

namespace figurant {

namespace {

constexpr int kRingPoints = 72;
// The rings' radius on screen, and how near a ring a press takes it, in pixels.
constexpr double kRingPixels = 70.0;
constexpr double kRingReach = 6.0;
// x, y and z in red, green and blue; the ring facing the camera in grey; the dragged ring yellow.
constexpr float kRingColours[4][3] = {
    {0.9f, 0.2f, 0.2f}, {0.2f, 0.8f, 0.2f}, {0.3f, 0.4f, 1.0f}, {0.7f, 0.7f, 0.7f}};
constexpr float kDraggedColour[3] = {1.0f, 1.0f, 0.2f};
constexpr const char* kAxisNames[4] = {"x", "y", "z", "the view"};
// The move gizmo's arrows reach this far, and its square is this big, as shares of the rings'
// radius; it shows with the pelvis selected.
constexpr double kArrowLength = 1.6, kSquareSize = 0.2;
constexpr int kPelvisSegment = 3;
// The hands and feet, which pins hold.
constexpr int kPinnable[] = {8, 9, 14, 15};

double DistanceToSegment(double px, double py, const PicturePoint& a, const PicturePoint& b) {
    const double dx = b.x - a.x, dy = b.y - a.y, length = dx * dx + dy * dy;
    const double t = length > 0 ? std::clamp(((px - a.x) * dx + (py - a.y) * dy) / length, 0.0, 1.0) : 0.0;
    return std::hypot(px - (a.x + t * dx), py - (a.y + t * dy));
}

} // namespace

void CKvtView::OnRotationGizmo() {
    m_bGizmo = !m_bGizmo;
    InvalidateAndUpdateNow();
}

void CKvtView::OnGizmoWorldAxes() {
    m_bGizmoWorld = !m_bGizmoWorld;
    InvalidateAndUpdateNow();
}

bool CKvtView::GizmoShown() const {
    const std::vector<int>& selected = m_figure.Selection();
    return m_bGizmo && HandlesShown() && !m_bPlaying && selected.size() == 1 &&
           m_figure.ShownJoint(selected[0]).has_value();
}

// The rings where they show: the joint, the axes, and a radius of kRingPixels on screen.
std::vector<CKvtView::GizmoRing> CKvtView::GizmoRings() const {
    std::vector<GizmoRing> rings;
    if (!GizmoShown()) return rings;
    const int s = m_figure.Selection()[0];
    const Point3d centre = *m_figure.ShownJoint(s);
    const ViewMatrices view = CurrentViewMatrices(m_camera.viewportW, m_camera.viewportH);
    const double pixelsPerUnit = PixelsPerUnitAt(view, centre);
    if (!(pixelsPerUnit > 0)) return rings;
    const Affine own = m_figure.ShownWorld(s).RotationOnly();
    for (int axis = 0; axis < 4; ++axis) {
        Point3d along = axis == 3
                            ? EyeAxis(view, 2)
                            : Point3d{axis == 0 ? 1.0 : 0.0, axis == 1 ? 1.0 : 0.0, axis == 2 ? 1.0 : 0.0};
        if (axis < 3 && !m_bGizmoWorld) along = own(along);
        // The camera's ring is drawn a little larger, around the others.
        rings.push_back(
            {axis, centre, Normalize(along), kRingPixels * (axis == 3 ? 1.15 : 1.0) / pixelsPerUnit});
    }
    return rings;
}

std::vector<Point3d> CKvtView::RingPoints(const GizmoRing& ring) {
    const Point3d u =
        Normalize(Cross(ring.axis, std::fabs(ring.axis.x) < 0.9 ? Point3d{1, 0, 0} : Point3d{0, 1, 0}));
    const Point3d v = Cross(ring.axis, u);
    std::vector<Point3d> points;
    for (int i = 0; i < kRingPoints; ++i) {
        const double angle = 2 * kPi * i / kRingPoints;
        points.push_back(ring.centre + ring.radius * (std::cos(angle) * u + std::sin(angle) * v));
    }
    return points;
}

void CKvtView::DrawGizmo() {
    const std::vector<GizmoRing> rings = GizmoRings();
    if (rings.empty()) return;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glLineWidth(2);
    for (const GizmoRing& ring : rings) {
        const bool dragged = m_gizmoDrag && m_gizmoDrag->axis == ring.axisIndex;
        const float* colour = dragged ? kDraggedColour : kRingColours[ring.axisIndex];
        glColor3f(colour[0], colour[1], colour[2]);
        glBegin(GL_LINE_LOOP);
        for (const Point3d& p : RingPoints(ring))
            glVertex3d(p.x, p.y, p.z);
        glEnd();
    }
    DrawMoveHandles();
    glPopAttrib();
}

std::vector<CKvtView::MoveHandle> CKvtView::MoveHandles() const {
    std::vector<MoveHandle> handles;
    const std::vector<GizmoRing> rings = GizmoRings();
    if (rings.empty() || m_figure.Selection()[0] != kPelvisSegment) return handles;
    const Point3d centre = rings[0].centre;
    const double length = kArrowLength * rings[0].radius;
    for (int axis = 0; axis < 3; ++axis) {
        const Point3d along{axis == 0 ? 1.0 : 0.0, axis == 1 ? 1.0 : 0.0, axis == 2 ? 1.0 : 0.0};
        handles.push_back({axis, centre, centre + length * along});
    }
    handles.push_back({3, centre, centre});
    return handles;
}

// The move gizmo's arrow or square under a window pixel.
bool CKvtView::BeginMoveAt(int x, int y) {
    const std::vector<MoveHandle> handles = MoveHandles();
    if (handles.empty()) return false;
    const ViewMatrices view = CurrentViewMatrices(m_camera.viewportW, m_camera.viewportH);
    const double squarePixels = kSquareSize * kRingPixels;
    for (const MoveHandle& h : handles) {
        const auto a = ProjectToPicture(view, h.from), b = ProjectToPicture(view, h.to);
        if (!a || !b) continue;
        const bool hit = h.axis == 3 ? std::fabs(x + 0.5 - a->x) <= squarePixels &&
                                           std::fabs(y + 0.5 - a->y) <= squarePixels
                                     : std::hypot(x + 0.5 - a->x, y + 0.5 - a->y) > squarePixels &&
                                           DistanceToSegment(x + 0.5, y + 0.5, *a, *b) <= kRingReach;
        if (!hit) continue;
        const double dx = b->x - a->x, dy = b->y - a->y, pixels = std::hypot(dx, dy);
        const double units = Length(h.to - h.from);
        m_moveDrag = MoveDrag{h.axis,
                              h.from,
                              units > 0 ? (1 / units) * (h.to - h.from) : Point3d{},
                              x + 0.5,
                              y + 0.5,
                              pixels > 0 ? dx / pixels : 0,
                              pixels > 0 ? dy / pixels : 0,
                              units > 0 ? pixels / units : 0};
        m_figure.BeginPull(kPelvisSegment, h.from);
        m_pullPlane = h.from;
        return true;
    }
    return false;
}

// An arrow moves the figure along its axis by as far as the cursor goes along the arrow on
// screen; the square, wherever the cursor goes in the plane facing the camera.
void CKvtView::MoveDragTo(int x, int y) {
    if (!m_moveDrag) return;
    const MoveDrag& d = *m_moveDrag;
    Point3d target = UnderCursor(x, y, d.start);
    if (d.axis < 3) {
        const double pixels = (x + 0.5 - d.startX) * d.dirX + (y + 0.5 - d.startY) * d.dirY;
        target = d.start + (d.pixelsPerUnit > 0 ? pixels / d.pixelsPerUnit : 0) * d.along;
    }
    m_figure.PullTo(target);
    PoseChanged();
    const LengthUnit& unit = UnitOf(m_units);
    const Point3d moved = target - d.start;
    m_services.ShowStatusMessage("Move figure by x " + FormatLength(moved.x, unit) + "  y " +
                                 FormatLength(moved.y, unit) + "  z " + FormatLength(moved.z, unit) + " " +
                                 unit.code);
}

// The ring nearest a window pixel, within kRingReach of its line.
std::optional<CKvtView::GizmoRing> CKvtView::GizmoRingAt(int x, int y) const {
    const ViewMatrices view = CurrentViewMatrices(m_camera.viewportW, m_camera.viewportH);
    std::optional<GizmoRing> nearest;
    double nearestDistance = kRingReach;
    for (const GizmoRing& ring : GizmoRings()) {
        std::vector<PicturePoint> line;
        for (const Point3d& p : RingPoints(ring))
            if (const auto at = ProjectToPicture(view, p)) line.push_back(*at);
        for (std::size_t i = 0; i < line.size(); ++i) {
            const double d = DistanceToSegment(x + 0.5, y + 0.5, line[i], line[(i + 1) % line.size()]);
            if (d <= nearestDistance) nearest = ring, nearestDistance = d;
        }
    }
    return nearest;
}

void CKvtView::DrawMoveHandles() {
    for (const MoveHandle& h : MoveHandles()) {
        const bool dragged = m_moveDrag && m_moveDrag->axis == h.axis;
        const float* colour = dragged ? kDraggedColour : kRingColours[h.axis];
        glColor3f(colour[0], colour[1], colour[2]);
        if (h.axis == 3) {
            // The square, facing the camera: drawn as a point of its size on screen.
            glPointSize(static_cast<float>(2 * kSquareSize * kRingPixels));
            glBegin(GL_POINTS);
            glVertex3d(h.from.x, h.from.y, h.from.z);
            glEnd();
            continue;
        }
        glBegin(GL_LINES);
        glVertex3d(h.from.x, h.from.y, h.from.z);
        glVertex3d(h.to.x, h.to.y, h.to.z);
        glEnd();
        glPointSize(8);
        glBegin(GL_POINTS);
        glVertex3d(h.to.x, h.to.y, h.to.z);
        glEnd();
    }
}

bool CKvtView::BeginGizmoAt(int x, int y) {
    if (BeginMoveAt(x, y)) return true;
    const auto ring = GizmoRingAt(x, y);
    if (!ring) return false;
    const ViewMatrices view = CurrentViewMatrices(m_camera.viewportW, m_camera.viewportH);
    const auto centre = ProjectToPicture(view, ring->centre);
    if (!centre) return false;
    const int s = m_figure.Selection()[0];
    // A ring seen edge on turns the way its near side is dragged.
    const double facing = Dot(ring->axis, EyeAxis(view, 2));
    m_gizmoDrag = GizmoDrag{ring->axisIndex,
                            ring->axis,
                            m_figure.ShownWorld(s),
                            centre->x,
                            centre->y,
                            std::atan2(y + 0.5 - centre->y, x + 0.5 - centre->x),
                            facing < 0 ? -1.0 : 1.0};
    m_figure.BeginStep("Turn " + SegmentName(s));
    return true;
}

void CKvtView::GizmoDragTo(int x, int y) {
    if (m_moveDrag) return MoveDragTo(x, y);
    if (!m_gizmoDrag) return;
    const GizmoDrag& d = *m_gizmoDrag;
    // The window's y runs down: going round anticlockwise on screen is a negative angle there, and
    // a positive turn about an axis that points at the eye.
    double swept = -(std::atan2(y + 0.5 - d.centreY, x + 0.5 - d.centreX) - d.startAngle);
    swept = std::remainder(swept, 2 * kPi);
    m_gizmoDegrees = d.sense * swept * 180 / kPi;
    m_figure.TurnSelectionShown(d.startShown, AxisRotation(d.axisAt, d.sense * swept));
    // Painted as a drag is, what the turn leaves at rest coming from the kept picture; pinned limbs
    // may move anywhere, and the whole figure is drawn then.
    m_bDragPaint = std::none_of(std::begin(kPinnable), std::end(kPinnable),
                                [this](int end) { return m_figure.IsPinned(end); });
    PoseChanged();
    m_bDragPaint = false;
    m_services.ShowStatusMessage("Turn " + SegmentName(m_figure.Selection()[0]) + " about " +
                                 kAxisNames[d.axis] + (m_bGizmoWorld || d.axis == 3 ? "" : " (its own)") +
                                 ": " + std::to_string(std::lround(m_gizmoDegrees)) + "\u00B0");
}

void CKvtView::EndGizmo() {
    if (m_moveDrag) {
        m_moveDrag.reset();
        m_figure.EndPull();
        InvalidateAndUpdateNow();
    }
    if (!m_gizmoDrag) return;
    m_gizmoDrag.reset();
    m_figure.EndStep();
    InvalidateAndUpdateNow();
}

} // namespace figurant
