#include "KeyFrameStrip.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace figurant {

namespace {

constexpr int kMargin = 10;      // pixels at each end of the strip
constexpr int kMarkReach = 6;    // a press this close to a mark picks its key frame
constexpr int kStripWidth = 360; // wide enough for a few dozen marks, short of the status texts

} // namespace

KeyFrameStrip::KeyFrameStrip(QWidget* parent) : QWidget(parent) {
    setToolTip("Key frames: click one to show it, drag to go through the steps between them");
    setMouseTracking(false);
}

QSize KeyFrameStrip::sizeHint() const {
    return {kStripWidth, fontMetrics().height()};
}

void KeyFrameStrip::Show(int count, int selected, double playhead) {
    m_count = std::max(count, 0);
    m_selected = selected < m_count ? selected : -1;
    m_playhead = std::clamp(playhead, 0.0, std::max(0.0, m_count - 1.0));
    update();
}

int KeyFrameStrip::MarkX(int key) const {
    if (m_count <= 1) return width() / 2;
    return kMargin + static_cast<int>(std::lround(key * double(width() - 2 * kMargin) / (m_count - 1)));
}

double KeyFrameStrip::PositionAt(int x) const {
    if (m_count <= 1) return 0;
    return std::clamp((x - kMargin) * double(m_count - 1) / std::max(1, width() - 2 * kMargin), 0.0,
                      m_count - 1.0);
}

void KeyFrameStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int mid = height() / 2;
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(kMargin, mid, width() - kMargin, mid);
    // Numbers only where they fit between the marks (every n-th when many are close).
    const int spacing = m_count > 1 ? std::max(1, MarkX(1) - MarkX(0)) : width();
    const int every =
        std::max(1, (fontMetrics().horizontalAdvance(QString::number(m_count)) + 4) / spacing + 1);
    for (int k = 0; k < m_count; ++k) {
        const int x = MarkX(k);
        p.setPen(k == m_selected ? palette().color(QPalette::Highlight)
                                 : palette().color(QPalette::WindowText));
        p.drawLine(x, 2, x, height() - 2);
        if (k % every == 0 || k == m_selected) p.drawText(x + 2, height() - 2, QString::number(k + 1));
    }
    if (m_count > 0) {
        const int x =
            kMargin + static_cast<int>(std::lround(
                          m_playhead * (m_count > 1 ? double(width() - 2 * kMargin) / (m_count - 1) : 0)));
        p.setPen(QPen(Qt::red, 2));
        p.drawLine(m_count > 1 ? x : width() / 2, 0, m_count > 1 ? x : width() / 2, height());
    }
}

void KeyFrameStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_count == 0) return;
    const int x = event->position().toPoint().x();
    for (int k = 0; k < m_count; ++k)
        if (std::abs(x - MarkX(k)) <= kMarkReach) {
            if (keyClicked) keyClicked(k);
            return;
        }
    if (scrubbed) scrubbed(PositionAt(x));
}

void KeyFrameStrip::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && m_count > 0 && scrubbed)
        scrubbed(PositionAt(event->position().toPoint().x()));
}

void KeyFrameStrip::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && scrubEnded) scrubEnded();
}

void KeyFrameStrip::contextMenuEvent(QContextMenuEvent* event) {
    if (contextMenu) contextMenu(event->globalPos());
}

} // namespace figurant
