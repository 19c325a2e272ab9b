#include "Icons.h"

#include "CommandIds.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include <utility>
#include <vector>

namespace figurant {

namespace {

constexpr int kWidth = 16, kHeight = 15;

void Page(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}}));
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
}

void Arrow(QPainter& p, QPointF from, QPointF to) {
    p.setPen(QPen(QColor(0, 0, 160), 2));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 160));
    p.drawPolygon(QPolygonF({to + 2 * d, to - 3 * d + 3 * n, to - 3 * d - 3 * n}));
}

void Figure(QPainter& p, QColor body) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 183, 111));
    p.drawEllipse(QRectF(6, 0.5, 4, 4));
    p.setPen(QPen(body, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 5), QPointF(8, 9.5));
    p.drawLine(QPointF(8, 6), QPointF(4, 9));
    p.drawLine(QPointF(8, 6), QPointF(12, 9));
    p.setPen(QPen(QColor(110, 110, 110), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 9.5), QPointF(5.5, 14));
    p.drawLine(QPointF(8, 9.5), QPointF(10.5, 14));
}

void Magnifier(QPainter& p, bool plus) {
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(QColor(220, 240, 255));
    p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    p.setPen(QPen(Qt::black, 2.5));
    p.drawLine(QPointF(9.5, 9.5), QPointF(14.5, 13.5));
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(QPointF(3.5, 6), QPointF(8.5, 6));
    if (plus) p.drawLine(QPointF(6, 3.5), QPointF(6, 8.5));
}

// The four scene-turning buttons: an arrow from tail to head.
struct ArrowIcon {
    int id;
    QPointF from, to;
};
const ArrowIcon kArrows[] = {{cmd::RotateLeft, {13, 7.5}, {4, 7.5}},
                             {cmd::RotateRight, {3, 7.5}, {12, 7.5}},
                             {cmd::RotateUp, {8, 13}, {8, 4}},
                             {cmd::RotateDown, {8, 2}, {8, 11}}};

// Icons drawn as black-edged filled rectangles, back to front.
struct RectIcon {
    int id;
    std::vector<std::pair<QColor, QRect>> rects;
};
const RectIcon kRectIcons[] = {
    {cmd::FileSave,
     {{QColor(40, 60, 150), {1, 1, 13, 13}},
      {Qt::white, {4, 1, 7, 5}},
      {QColor(200, 200, 200), {4, 9, 7, 5}}}},
    {cmd::EditCopy, {{Qt::white, {1, 1, 8, 9}}, {Qt::white, {6, 5, 8, 9}}}},
    {cmd::EditPaste,
     {{QColor(170, 120, 60), {2, 2, 10, 12}},
      {QColor(200, 200, 200), {5, 1, 4, 3}},
      {Qt::white, {7, 6, 7, 8}}}},
    {cmd::FilePrint,
     {{Qt::white, {4, 1, 8, 5}}, {QColor(190, 190, 190), {1, 6, 14, 6}}, {Qt::white, {4, 10, 8, 4}}}},
};

void Draw(QPainter& p, int id) {
    for (const ArrowIcon& a : kArrows)
        if (a.id == id) Arrow(p, a.from, a.to);
    for (const RectIcon& icon : kRectIcons) {
        if (icon.id != id) continue;
        p.setPen(Qt::black);
        for (const auto& [brush, rect] : icon.rects) {
            p.setBrush(brush);
            p.drawRect(rect);
        }
    }
    switch (id) {
    case cmd::EditUndo:
        Arrow(p, {12, 11}, {4, 6});
        break;
    case cmd::EditRedo:
        Arrow(p, {4, 11}, {12, 6});
        break;
    case cmd::FileNew:
        Page(p);
        break;
    case cmd::FileOpen:
        p.setPen(Qt::black);
        p.setBrush(QColor(230, 200, 80));
        p.drawPolygon(QPolygonF({{1, 4}, {5, 4}, {6, 5}, {12, 5}, {12, 13}, {1, 13}}));
        p.setBrush(QColor(250, 225, 120));
        p.drawPolygon(QPolygonF({{3, 8}, {15, 8}, {12, 13}, {1, 13}}));
        break;
    case cmd::EditCut:
        p.setPen(QPen(Qt::black, 1.2));
        p.drawLine(QPointF(5, 1), QPointF(10, 9));
        p.drawLine(QPointF(11, 1), QPointF(6, 9));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(2, 9, 4, 4));
        p.drawEllipse(QRectF(10, 9, 4, 4));
        break;
    case cmd::Hierarchy:
        p.setPen(QPen(QColor(128, 0, 0), 1.5));
        p.drawLine(8, 3, 8, 12);
        p.drawLine(8, 6, 3, 10);
        p.drawLine(8, 6, 13, 10);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 110, 0));
        for (QPointF c : {QPointF(8, 3), QPointF(8, 6), QPointF(3, 10), QPointF(13, 10), QPointF(8, 12)})
            p.drawEllipse(c, 1.8, 1.8);
        break;
    case cmd::ModeModify:
        Figure(p, QColor(220, 0, 0));
        break;
    case cmd::ImportModel:
        Figure(p, QColor(0, 90, 200));
        p.setPen(QPen(QColor(0, 140, 0), 2));
        p.drawLine(QPointF(1, 3), QPointF(5, 3));
        p.drawLine(QPointF(3, 1), QPointF(3, 5));
        break;
    case cmd::Animate:
        Figure(p, QColor(128, 0, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 140, 0));
        p.drawPolygon(QPolygonF({{11, 0}, {16, 3}, {11, 6}}));
        break;
    case cmd::ZoomIn:
        Magnifier(p, true);
        break;
    case cmd::ZoomOut:
        Magnifier(p, false);
        break;
    case cmd::AppAbout:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 70, 170));
        p.drawEllipse(QRectF(1, 0.5, 14, 14));
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(QPointF(8, 6.5), QPointF(8, 12));
        p.drawPoint(QPointF(8, 3.5));
        break;
    default:
        break;
    }
}

} // namespace

QIcon ToolbarIcon(int commandId) {
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    Draw(p, commandId);
    return QIcon(pixmap);
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 40, 60));
        p.drawRoundedRect(QRectF(0, 0, 16, 16), 3, 3);
        p.translate(0, 0.5);
        Figure(p, QColor(200, 30, 30));
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace figurant
