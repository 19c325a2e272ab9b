// Turning selected segments about their joints and twisting limbs about their bones.
#include "JointMath.h"
#include "KvtView.h"
#include "SegmentVertices.h"

#include <GL/gl.h>

namespace figurant {

void CKvtView::RotateSelection() {
    if (m_nSelected == 0) return;
    const int first = m_selected[0];
    for (int i = 0; i < m_nSelected; ++i) {
        SegmentPose& p = Pose(m_selected[static_cast<std::size_t>(i)]);
        if (!p.m_pJointCentre) continue;
        MultMatrix(p.m_matrix,
                   DragRotation(*p.m_pJointCentre, first, m_dragRot[0], m_dragRot[1], m_dragRot[2]));
        p.UpdateChildRing();
    }
}

// Twists segment b about its bone (joint centre to the only child's joint centre) by
// m_twistAngle: its vertices turn in proportion to their place along the bone (the stored
// polylines are overwritten), its display list is rebuilt flat-shaded, and the child turns
// rigidly by the full angle.
void CKvtView::TwistSegment(int b) {
    if (b < 0 || b >= kMaxSegments || b > m_doc.m_nSegments - 1 || !m_doc.HasSegmentTables()) return;
    SegmentPose& r = Pose(b);
    if (r.m_nChildren != 1 || !r.m_pJointCentre) return;
    SegmentPose& child = *r.m_pChildren[0];
    if (!child.m_pJointCentre || *child.m_pJointCentre == *r.m_pJointCentre) return;
    const BoneTwist twist(*r.m_pJointCentre, *child.m_pJointCentre, m_twistAngle);

    makeCurrent();
    SegmentList& e = m_segLists[static_cast<std::size_t>(b)];
    if (e.built) glDeleteLists(e.list, 1);
    e.built = 0;
    r.ClearVertexPositions();
    e.list = glGenLists(1);
    glNewList(e.list, GL_COMPILE);
    const float s = m_modelScale;
    const Vec3f c = m_modelCentre;
    for (CUnderlayPolyLine* line : m_doc.m_pSegmentLists[static_cast<std::size_t>(b)]) {
        std::vector<Vec3f> shown;
        for (std::int32_t k = 0; k < line->GetSize(); ++k) {
            const Point3d p = ToPoint3d(ViewPoint((*line)[k], s, c));
            Point3d q = p;
            if (!r.IsOnRestRing(p)) {
                q = twist.Apply(p);
                line->SetAt(k, {static_cast<float>((q.x + c.x) / s), static_cast<float>((q.y + c.y) / s),
                                static_cast<float>((q.z + c.z) / s)});
            }
            r.AddVertexPositionIfNew(q);
            shown.push_back({static_cast<float>(q.x), static_cast<float>(q.y), static_cast<float>(q.z)});
        }
        if (shown.size() < 3) continue; // cannot form a polygon
        Vec3f n = CrossF({shown[1].x - shown[0].x, shown[1].y - shown[0].y, shown[1].z - shown[0].z},
                         {shown[2].x - shown[1].x, shown[2].y - shown[1].y, shown[2].z - shown[1].z});
        NormalizeF(n);
        glNormal3f(n.x, n.y, n.z);
        glBegin(GL_POLYGON);
        for (const Vec3f& v : shown)
            glVertex3f(v.x, v.y, v.z);
        glNormal3f(n.x, n.y, n.z);
        glEnd();
    }
    glEndList();
    e.built = 1;

    MultMatrix(child.m_matrix, twist.ChildTurn());
    for (Point3d& P : child.m_parentRing)
        P = twist.ApplyAboutChild(P);
    child.UpdateChildRing();
}

} // namespace figurant
