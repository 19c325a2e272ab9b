#pragma once
// The OpenGL surface the program asks for, shared by the program and its window tests.
#include <QSurfaceFormat>

namespace figurant {

// RGBA with 24 colour bits, double buffered, a 24-bit depth buffer, in a compatibility context so
// vertex arrays with edge flags and immediate mode are there.
inline QSurfaceFormat ProgramSurfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(24);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    return format;
}

} // namespace figurant
