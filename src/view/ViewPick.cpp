// Picking: the segment under the cursor, found by drawing every segment in a colour that names
// it into a 2 x 2 pixel target around the cursor, with depth, and reading those four pixels back.
// The nearest surface wins, the background is no segment, and nothing on screen is redrawn.
#include "KvtView.h"
#include "OffscreenTarget.h"

#include <QOpenGLFramebufferObject>

#include <GL/gl.h>
#include <array>
#include <cmath>

namespace figurant {

namespace {

// The pick target's side in pixels.
constexpr int kPickSide = 2;
// Bounding spheres are taken a little larger, so rounding never culls a segment that shows.
constexpr double kSphereMargin = 1.01, kSphereSlack = 1e-6;

} // namespace

// Segment s is drawn in the colour s + 1 (red holds the low byte, green the next); 0 is nothing.
void CKvtView::SetPickName(int segment) {
    m_pickName = segment;
    const int id = segment + 1;
    glColor3ub(static_cast<GLubyte>(id & 0xFF), static_cast<GLubyte>((id >> 8) & 0xFF), 0);
}

// The six planes of the current view volume (the pick box's, while picking) come from the rows of
// projection x model-view, in the list's own coordinates; a sphere wholly behind any one of them
// cannot show under the cursor.
bool CKvtView::MayBeUnderCursor(const SegmentList& e) const {
    GLdouble projection[16], modelView[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    double m[4][4]; // m[row][column] of projection x model-view
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            m[r][c] = 0;
            for (int k = 0; k < 4; ++k)
                m[r][c] += projection[4 * k + r] * modelView[4 * c + k];
        }
    for (int axis = 0; axis < 3; ++axis)
        for (const double sign : {1.0, -1.0}) {
            double plane[4];
            for (int c = 0; c < 4; ++c)
                plane[c] = m[3][c] + sign * m[axis][c];
            const double length = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
            const double distance =
                plane[0] * e.centre.x + plane[1] * e.centre.y + plane[2] * e.centre.z + plane[3];
            if (distance < -(e.radius * kSphereMargin + kSphereSlack) * length) return false;
        }
    return true;
}

std::optional<int> CKvtView::SegmentAt(int x, int y) {
    makeCurrent();
    if (!m_pickTarget)
        m_pickTarget = OffscreenTarget({kPickSide, kPickSide}, QOpenGLFramebufferObject::Depth);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    m_pickBox = {x, viewport[3] - y, viewport[0], viewport[1], viewport[2], viewport[3]};
    m_pickTarget->bind();
    glViewport(0, 0, kPickSide, kPickSide);
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DITHER);
    glDisable(GL_BLEND);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    SetPickName(-1);
    DrawFilled(GL_SELECT, Layer::All);
    std::array<GLubyte, 4 * kPickSide * kPickSide> colours{};
    std::array<GLfloat, kPickSide * kPickSide> depths{};
    glReadPixels(0, 0, kPickSide, kPickSide, GL_RGBA, GL_UNSIGNED_BYTE, colours.data());
    glReadPixels(0, 0, kPickSide, kPickSide, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
    glPopAttrib();
    m_pickTarget->release();
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    // The nearest of the four pixels that show a segment.
    std::optional<int> nearest;
    float nearestDepth = 2.0f;
    for (std::size_t i = 0; i < depths.size(); ++i) {
        const int id = colours[4 * i] | (colours[4 * i + 1] << 8);
        if (id == 0 || depths[i] >= nearestDepth) continue;
        nearestDepth = depths[i];
        nearest = id - 1;
    }
    return nearest;
}

} // namespace figurant
