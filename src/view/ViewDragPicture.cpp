// Dragging a segment repaints only what moves: the first step of a drag draws the rest of the
// figure, with its depth, into an off-screen picture that is kept; every step copies it to the
// window and draws the dragged segments, everything below them and their joint bands over it.
// A large figure thus drags at the speed of the part that moves.
#include "KvtView.h"

#include "OffscreenTarget.h"

namespace figurant {

bool CKvtView::DragKeepsRestingPicture() const {
    const CUnderlayList* model = m_doc.Model();
    return m_nDisplayMode == DISPLAY_HIERARCHY && m_figure.HasSelection() && model &&
           model->GetCount() >= m_nFacesWorthKeeping;
}

void CKvtView::MarkMoving(const SegmentPose& r) {
    if (r.m_nSegment >= 0 && r.m_nSegment < kMaxSegments)
        m_moving[static_cast<std::size_t>(r.m_nSegment)] = true;
    for (const SegmentPose* child : r.m_pChildren)
        MarkMoving(*child);
}

void CKvtView::DrawDragPicture() {
    const QSize size(m_camera.viewportW, m_camera.viewportH);
    if (!size.isEmpty() && (!m_restPicture || m_restPicture->size() != size)) {
        // Depth and stencil packed as the window has them, so the depth can be copied across.
        m_restPicture = OffscreenTarget(size, QOpenGLFramebufferObject::CombinedDepthStencil);
        m_bRestPictureValid = false;
    }
    if (size.isEmpty() || !m_restPicture->isValid()) {
        // Without a picture to keep, the step is drawn whole.
        DrawPicture(m_background.redF(), m_background.greenF(), m_background.blueF(), m_background.alphaF());
        return;
    }
    if (!m_bRestPictureValid) {
        m_moving.fill(false);
        if (m_figure.Pulling()) MarkPullMoving();
        for (int segment : m_figure.Selection())
            if (segment >= 0 && segment < m_figure.SegmentCount()) MarkMoving(m_figure.Pose(segment));
        // Pinned limbs reach back whatever moves.
        for (int end : m_figure.PinnedEnds())
            MarkMoving(m_figure.Pose(Figure::LimbEndingIn(end)->upper));
        m_restPicture->bind();
        DrawPicture(m_background.redF(), m_background.greenF(), m_background.blueF(), m_background.alphaF(),
                    Layer::Resting);
        m_restPicture->release();
        m_bRestPictureValid = true;
    }
    const QRect whole(QPoint(0, 0), size);
    QOpenGLFramebufferObject::blitFramebuffer(nullptr, whole, m_restPicture.get(), whole,
                                              GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_NEAREST);
    QOpenGLFramebufferObject::bindDefault();
    DrawFilled(GL_RENDER, Layer::Moving);
}

} // namespace figurant
