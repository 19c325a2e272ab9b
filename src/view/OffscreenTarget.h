#pragma once
// An off-screen RGBA target for the view's pictures, picks and kept pictures.
#include <GL/gl.h>
#include <QOpenGLFramebufferObject>
#include <memory>

namespace figurant {

inline std::unique_ptr<QOpenGLFramebufferObject>
OffscreenTarget(const QSize& size, QOpenGLFramebufferObject::Attachment depth, int samples = 0) {
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(depth);
    format.setInternalTextureFormat(GL_RGBA8);
    format.setSamples(samples);
    return std::make_unique<QOpenGLFramebufferObject>(size, format);
}

} // namespace figurant
