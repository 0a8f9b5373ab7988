#include "ui/icons.h"

#include "ui/commands.h"

#include <QPainter>
#include <QStandardPaths>

namespace lisotrex::ui {
namespace {

QIcon ownIcon(const char* name) {
    return QIcon(QStringLiteral(":/lisotrex/icons/%1.svg").arg(QLatin1String(name)));
}

} // namespace

void useIconTheme() {
    // Platforms without a desktop theme (offscreen, plain X11 sessions) may
    // not look in the freedesktop icon folders at all.
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& dir : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                                        QStandardPaths::LocateDirectory))
        if (!paths.contains(dir)) paths.append(dir);
    QIcon::setThemeSearchPaths(paths);
    const QString desktopTheme = QIcon::themeName();
    if (desktopTheme.isEmpty() || desktopTheme == QLatin1String("hicolor")) QIcon::setThemeName(QLatin1String(kIconTheme));
    else QIcon::setFallbackThemeName(QLatin1String(kIconTheme));
}

QIcon entryTypeIcon(int32_t type) {
    static const QIcon fax = ownIcon("entry-fax"), mail = ownIcon("entry-email");
    return type == 0 ? fax : mail;
}

QIcon updateMarkIcon(bool marked) {
    static const QIcon mark = ownIcon("update-mark");
    static const QIcon none = [] {
        QPixmap blank(16, 16); // keeps the column as wide as a marked one
        blank.fill(Qt::transparent);
        return QIcon(blank);
    }();
    return marked ? mark : none;
}

QString commandIconName(int id) {
    switch (id) {
    case kCmdFileNew: return QStringLiteral("document-new");
    case kCmdFileOpen: return QStringLiteral("document-open");
    case kCmdFileSave: return QStringLiteral("document-save");
    case kCmdImport: return QStringLiteral("document-import");
    case kCmdExport: return QStringLiteral("document-export");
    case kCmdUndo: return QStringLiteral("edit-undo");
    case kCmdAdd: return QStringLiteral("list-add");
    case kCmdModify: return QStringLiteral("document-properties");
    case kCmdDelete: return QStringLiteral("edit-delete");
    case kCmdCut: return QStringLiteral("edit-cut");
    case kCmdCopy: return QStringLiteral("edit-copy");
    case kCmdPaste: return QStringLiteral("edit-paste");
    default: return {};
    }
}

QIcon commandIcon(int id) {
    if (id == kCmdFilterFax) return entryTypeIcon(0);
    if (id == kCmdFilterEmail) return entryTypeIcon(1);
    const QString name = commandIconName(id);
    return name.isEmpty() ? QIcon() : QIcon::fromTheme(name);
}

QIcon applicationIcon() { return ownIcon("lisotrex"); }

QPixmap splashPixmap() {
    QPixmap pm(360, 180);
    pm.fill(QColor(236, 242, 250));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(70, 100, 150), 2));
    p.drawRect(pm.rect().adjusted(1, 1, -2, -2));
    p.drawPixmap(24, 50, applicationIcon().pixmap(80, 80));
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
