#include "ui/icons.h"

#include "ui/commands.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace lisotrex::ui {
namespace {

using Draw = void (*)(QPainter&);

QPixmap paint(int w, int h, Draw draw) {
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    draw(p);
    return pm;
}

void drawFax(QPainter& p) {
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(4.5, 1.5, 7, 6)); // paper
    p.setBrush(QColor(90, 110, 140));
    p.drawRoundedRect(QRectF(1.5, 7.5, 13, 6), 1.5, 1.5); // body
    p.setPen(QPen(QColor(220, 230, 240), 1));
    p.drawLine(QPointF(4, 10.5), QPointF(12, 10.5));
}

void drawMail(QPainter& p) {
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(255, 240, 190));
    p.drawRect(QRectF(1.5, 3.5, 13, 9));
    p.drawLine(QPointF(1.5, 3.5), QPointF(8, 9));
    p.drawLine(QPointF(14.5, 3.5), QPointF(8, 9));
}

void drawMark(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 60, 40));
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        double r = i % 2 ? 3.0 : 7.0, a = -M_PI / 2 + i * M_PI / 5;
        QPointF pt(8 + r * std::cos(a), 8 + r * std::sin(a));
        i ? star.lineTo(pt) : star.moveTo(pt);
    }
    star.closeSubpath();
    p.drawPath(star);
}

void drawNoMark(QPainter&) {}

// A plain glyph picture for tool bar buttons that the theme lacks.
QPixmap glyph(const QString& text, const QColor& color, int h = 16) {
    QPixmap pm(16, h);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(color.darker(150), 1));
    p.setBrush(color.lighter(170));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, h - 1), 3, 3);
    QFont f = p.font();
    f.setPixelSize(h - 5);
    f.setBold(true);
    p.setFont(f);
    p.setPen(color.darker(200));
    p.drawText(QRect(0, 0, 16, h), Qt::AlignCenter, text);
    return pm;
}

QIcon themed(const char* name, const QPixmap& fallback) { return QIcon::fromTheme(QString::fromLatin1(name), QIcon(fallback)); }

} // namespace

QIcon entryTypeIcon(int32_t type) {
    static const QIcon fax(paint(16, 16, drawFax)), mail(paint(16, 16, drawMail));
    return type == 0 ? fax : mail;
}

QIcon updateMarkIcon(bool marked) {
    static const QIcon mark(paint(16, 16, drawMark)), none(paint(16, 16, drawNoMark));
    return marked ? mark : none;
}

QIcon commandIcon(int id) {
    static QHash<int, QIcon> cache;
    if (auto it = cache.find(id); it != cache.end()) return *it;
    QIcon icon;
    switch (id) {
    case kCmdFileNew: icon = themed("document-new", glyph("N", QColor(70, 130, 180))); break;
    case kCmdFileOpen: icon = themed("document-open", glyph("O", QColor(200, 150, 40))); break;
    case kCmdFileSave: icon = themed("document-save", glyph("S", QColor(60, 90, 160))); break;
    case kCmdImport: icon = themed("document-import", glyph("\u2192", QColor(40, 140, 80))); break;
    case kCmdExport: icon = themed("document-export", glyph("\u2190", QColor(160, 80, 40))); break;
    case kCmdUndo: icon = themed("edit-undo", glyph("\u21B6", QColor(110, 110, 110))); break;
    case kCmdAdd: icon = themed("list-add", glyph("+", QColor(40, 140, 80))); break;
    case kCmdModify: icon = themed("document-properties", glyph("M", QColor(120, 90, 160))); break;
    case kCmdDelete: icon = themed("edit-delete", glyph("\u00D7", QColor(190, 50, 50))); break;
    case kCmdCut: icon = themed("edit-cut", glyph("X", QColor(110, 110, 110))); break;
    case kCmdCopy: icon = themed("edit-copy", glyph("C", QColor(110, 110, 110))); break;
    case kCmdPaste: icon = themed("edit-paste", glyph("V", QColor(110, 110, 110))); break;
    case kCmdFilterFax: icon = QIcon(paint(16, 15, drawFax)); break;
    case kCmdFilterEmail: icon = QIcon(paint(16, 15, drawMail)); break;
    default: break;
    }
    cache.insert(id, icon);
    return icon;
}

QIcon applicationIcon() { return QIcon(paint(16, 16, drawFax)); }

QPixmap splashPixmap() {
    QPixmap pm(360, 180);
    pm.fill(QColor(236, 242, 250));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(70, 100, 150), 2));
    p.drawRect(pm.rect().adjusted(1, 1, -2, -2));
    p.save();
    p.translate(24, 50);
    p.scale(5, 5);
    drawFax(p);
    p.restore();
    QFont f = p.font();
    f.setPixelSize(30);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(40, 60, 100));
    p.drawText(QRect(120, 40, 230, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kavrelux"));
    f.setPixelSize(14);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRect(120, 95, 230, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Version 1.01"));
    return pm;
}

} // namespace lisotrex::ui
