// Camera placement, view volume, resizing and the camera commands.
#include "KvtView.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>

namespace figurant {

void CKvtView::ModelBox(float box[6]) const {
    for (int i = 0; i < 6; ++i)
        box[i] = m_doc.m_pModel ? m_doc.m_pModel->m_bounds[i] : 0.0f;
}

void CKvtView::ComputeViewVolume() {
    float b[6];
    ModelBox(b);
    m_extentZ = b[5] - b[4];
    m_extentY = b[3] - b[2];
    m_extentX = b[1] - b[0];
    const float size = m_extentY > m_extentX ? m_extentY : m_extentX;
    m_camDist = static_cast<float>((size * 0.5) / std::tan(m_fovy * 0.5 * 3.14159265358979323846 / 180.0));
    m_modelSize = m_extentZ > size ? m_extentZ : size;
    m_zNear = m_camDist - 20 * m_modelSize;
    if (!(m_zNear > 0)) m_zNear = 0.0001;
    m_zFar = m_camDist + 20 * m_modelSize;
}

void CKvtView::OnSize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    // Until a model gives the view a size, the client size stands in for the viewport.
    if (m_viewportW == 0 || m_viewportH == 0) {
        m_viewportW = width;
        m_viewportH = height;
        m_aspect = static_cast<double>(width) / height;
    }
    if (m_extentZ < 0) {
        float b[6];
        ModelBox(b);
        m_extentZ = b[5] - b[4];
        m_extentY = b[3] - b[2];
        m_extentX = b[1] - b[0];
        if (std::fabs(m_extentZ) < 1e-8 && std::fabs(m_extentY) < 1e-8 && std::fabs(m_extentX) < 1e-8) {
            m_extentZ = -1.0f;
            return;
        }
    }
    ComputeViewVolume();
    m_viewportW = width;
    m_viewportH = height;
    glViewport(0, 0, width, height);
    m_aspect = static_cast<double>(width) / height;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(m_fovy, m_aspect, m_zNear, m_zFar);
    glMatrixMode(GL_MODELVIEW);
}

void CKvtView::SetupCamera() {
    if (m_extentZ < 0) ComputeViewVolume();
    m_eye = {0, -(1.5 * m_extentZ + m_camDist), 0};
    if (!m_doc.m_pModel) return;
    const float* b = m_doc.m_pModel->m_bounds;
    m_modelCentre = {(b[0] + b[1]) / 2, (b[2] + b[3]) / 2, (b[4] + b[5]) / 2};
    m_centre = {0, 0, 0};
    Vec3f d{static_cast<float>(m_centre[0] - m_eye[0]), static_cast<float>(m_centre[1] - m_eye[1]),
            static_cast<float>(m_centre[2] - m_eye[2])};
    NormalizeF(d);
    const Vec3f z{0, 0, 1};
    const float along = DotF(z, d);
    m_up = {-along * d.x, -along * d.y, 1 - along * d.z};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(m_eye[0], m_eye[1], m_eye[2], m_centre[0], m_centre[1], m_centre[2], m_up[0], m_up[1], m_up[2]);
    glGetFloatv(GL_MODELVIEW_MATRIX, m_sceneMatrix.data());
}

// Rotations and zooms act on the model side of everything already in the scene matrix.
void CKvtView::RotateScene(float angle, float x, float y, float z) {
    if (m_bPlaying) return;
    m_rotAngle = angle;
    m_rotAxis = {x, y, z};
    makeCurrent();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(m_sceneMatrix.data());
    glRotatef(m_rotAngle, m_rotAxis[0], m_rotAxis[1], m_rotAxis[2]);
    glGetFloatv(GL_MODELVIEW_MATRIX, m_sceneMatrix.data());
    glPopMatrix();
    InvalidateAndUpdateNow();
}

void CKvtView::ZoomScene(float factor) {
    makeCurrent();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(m_sceneMatrix.data());
    glScalef(factor, factor, factor);
    glGetFloatv(GL_MODELVIEW_MATRIX, m_sceneMatrix.data());
    glPopMatrix();
    InvalidateAndUpdateNow();
}

void CKvtView::OnReset() {
    makeCurrent();
    SetupCamera();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(m_fovy, m_aspect, m_zNear, m_zFar);
    glMatrixMode(GL_MODELVIEW);
    for (int i = 0; i < m_nSegLists && i < kMaxSegments; ++i) {
        Pose(i).m_matrix = Matrix4::Identity();
        Pose(i).UpdateChildRing();
    }
    InvalidateAndUpdateNow();
}

} // namespace figurant
