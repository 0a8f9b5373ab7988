#include "entry_icons.h"

#include <QPainter>
#include <QPixmap>

namespace vqfax {
namespace {

constexpr int kSize = 16;

// A head and shoulders at (x, y), `scale` of the full icon.
void drawFigure(QPainter& p, QPointF at, qreal scale, const QColor& colour) {
    p.setPen(QPen(colour.darker(150), 0.8));
    p.setBrush(colour);
    p.drawEllipse(QRectF(at.x() + 4.5 * scale, at.y() + 1 * scale, 7 * scale, 7 * scale));
    p.drawChord(QRectF(at.x() + 2 * scale, at.y() + 9 * scale, 12 * scale, 12 * scale), 0, 180 * 16);
}

QIcon drawn(void (*draw)(QPainter&)) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    return QIcon(pixmap);
}

} // namespace

QIcon personIcon() {
    return drawn([](QPainter& p) { drawFigure(p, {0, 0}, 1.0, QColor(0x3A, 0x7B, 0xD5)); });
}

QIcon groupIcon() {
    return drawn([](QPainter& p) {
        drawFigure(p, {5, 0}, 0.7, QColor(0x7A, 0xA6, 0xE0));
        drawFigure(p, {0, 3}, 0.8, QColor(0x2E, 0x8B, 0x57));
    });
}

} // namespace vqfax
